#include "bench/validate/records.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace bench::validate {

namespace {

using Field = FieldInfo;

void AddVar(std::vector<Field>& fields, size_t base, const std::string& prefix) {
  fields.push_back({prefix + ".token", base + offsetof(ModuleVar, token), sizeof(int32_t), 'i'});
  fields.push_back({prefix + ".pointer", base + offsetof(ModuleVar, pointer), sizeof(void*), 'x'});
  fields.push_back(
      {prefix + ".reserved8", base + offsetof(ModuleVar, reserved8), sizeof(uint32_t), 'x'});
  fields.push_back({prefix + ".value", base + offsetof(ModuleVar, value), sizeof(double), 'd'});
  fields.push_back({prefix + ".reserved20", base + offsetof(ModuleVar, reserved20),
                    2 * sizeof(uint32_t), 'x'});
}

// A field with the form its value is shown in: i signed, x hexadecimal, d double.
#define FIELD(T, member, form) \
  fields.push_back({#member, offsetof(T, member), sizeof(T::member), form})

std::vector<Field> HeaderFields() {
  std::vector<Field> fields;
  FIELD(ElementHeader, kind, 'i');
  FIELD(ElementHeader, resourceId, 'i');
  FIELD(ElementHeader, positionX, 'i');
  FIELD(ElementHeader, positionY, 'i');
  FIELD(ElementHeader, reserved16, 'x');
  FIELD(ElementHeader, offsetX, 'i');
  FIELD(ElementHeader, offsetY, 'i');
  FIELD(ElementHeader, gauge, 'x');
  FIELD(ElementHeader, reserved36, 'x');
  FIELD(ElementHeader, children, 'x');
  FIELD(ElementHeader, failures, 'x');
  FIELD(ElementHeader, imageFlags, 'x');
  FIELD(ElementHeader, reserved52, 'x');
  return fields;
}

std::vector<Field> KindFields(int32_t kind) {
  std::vector<Field> fields = HeaderFields();
  switch (kind) {
    case kStaticElement:
      FIELD(StaticElement, imageRecord, 'x');
      FIELD(StaticElement, reserved64, 'x');
      break;
    case kIconElement:
      AddVar(fields, offsetof(IconElement, source), "source");
      FIELD(IconElement, callback, 'x');
      FIELD(IconElement, reserved92, 'x');
      FIELD(IconElement, imageCount, 'i');
      FIELD(IconElement, reserved116, 'x');
      break;
    case kNeedleElement:
      AddVar(fields, offsetof(NeedleElement, source), "source");
      FIELD(NeedleElement, callback, 'x');
      FIELD(NeedleElement, reserved92, 'x');
      FIELD(NeedleElement, referenceX, 'i');
      FIELD(NeedleElement, referenceY, 'i');
      FIELD(NeedleElement, table, 'x');
      FIELD(NeedleElement, tableCount, 'i');
      FIELD(NeedleElement, reserved120, 'x');
      break;
    case kMovingElement:
      AddVar(fields, offsetof(MovingElement, xSource), "xSource");
      FIELD(MovingElement, xCallback, 'x');
      FIELD(MovingElement, xMinimum, 'd');
      FIELD(MovingElement, xMaximum, 'd');
      FIELD(MovingElement, reserved108, 'x');
      AddVar(fields, offsetof(MovingElement, ySource), "ySource");
      FIELD(MovingElement, yCallback, 'x');
      FIELD(MovingElement, yMinimum, 'd');
      FIELD(MovingElement, yMaximum, 'd');
      FIELD(MovingElement, reserved160, 'x');
      break;
    default:
      break;
  }
  return fields;
}

std::vector<Field> MouseFields() {
  std::vector<Field> fields;
  FIELD(MouseRect, kind, 'i');
  FIELD(MouseRect, x, 'i');
  FIELD(MouseRect, y, 'i');
  FIELD(MouseRect, width, 'i');
  FIELD(MouseRect, height, 'i');
  FIELD(MouseRect, cursor, 'i');
  FIELD(MouseRect, reserved24, 'x');
  FIELD(MouseRect, mouseFlags, 'x');
  FIELD(MouseRect, reserved32, 'x');
  FIELD(MouseRect, handler, 'x');
  FIELD(MouseRect, reserved40, 'x');
  return fields;
}

std::vector<Field> GaugeHeaderFields() {
  std::vector<Field> fields;
  FIELD(GaugeHeader, version, 'i');
  FIELD(GaugeHeader, name, 'x');
  FIELD(GaugeHeader, elementList, 'x');
  FIELD(GaugeHeader, query, 'x');
  FIELD(GaugeHeader, install, 'x');
  FIELD(GaugeHeader, initialize, 'x');
  FIELD(GaugeHeader, update, 'x');
  FIELD(GaugeHeader, generate, 'x');
  FIELD(GaugeHeader, draw, 'x');
  FIELD(GaugeHeader, kill, 'x');
  FIELD(GaugeHeader, reserved40, 'x');
  FIELD(GaugeHeader, defaultSize, 'i');
  FIELD(GaugeHeader, reserved48, 'x');
  return fields;
}

std::vector<Field> LinkageFields() {
  std::vector<Field> fields;
  FIELD(LinkageRecord, moduleId, 'x');
  FIELD(LinkageRecord, moduleInit, 'x');
  FIELD(LinkageRecord, moduleDeinit, 'x');
  FIELD(LinkageRecord, reserved, 'x');
  FIELD(LinkageRecord, gauges, 'x');
  return fields;
}

#undef FIELD

Field At(const std::vector<Field>& fields, size_t offset) {
  for (const Field& field : fields) {
    if (field.offset <= offset && offset < field.offset + field.size) return field;
  }
  return {"the padding at byte " + std::to_string(offset), offset, 1, 'x'};
}

}  // namespace

size_t ElementRecordSize(int32_t kind) {
  switch (kind) {
    case kStaticElement: return sizeof(StaticElement);
    case kIconElement: return sizeof(IconElement);
    case kNeedleElement: return sizeof(NeedleElement);
    case kMovingElement: return sizeof(MovingElement);
    default: return 0;
  }
}

const char* ElementKindName(int32_t kind) {
  switch (kind) {
    case kStaticElement: return "StaticElement";
    case kIconElement: return "IconElement";
    case kNeedleElement: return "NeedleElement";
    case kMovingElement: return "MovingElement";
    default: return "element of unknown kind";
  }
}

FieldInfo ElementField(int32_t kind, size_t offset) { return At(KindFields(kind), offset); }

FieldInfo MouseField(size_t offset) { return At(MouseFields(), offset); }

FieldInfo GaugeHeaderField(size_t offset) { return At(GaugeHeaderFields(), offset); }

FieldInfo LinkageField(size_t offset) { return At(LinkageFields(), offset); }

std::string FieldValue(const FieldInfo& field, const uint8_t* record) {
  const uint8_t* bytes = record + field.offset;
  if (field.form == 'd' && field.size == sizeof(double)) {
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return FormatDouble(value);
  }
  if (field.form == 'i' && field.size == sizeof(int32_t)) {
    int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return std::to_string(value);
  }
  std::string text = "0x";
  static const char digits[] = "0123456789abcdef";
  bool leading = true;
  for (size_t i = field.size; i-- > 0;) {  // little-endian: the last byte is the highest
    for (int shift : {4, 0}) {
      const int digit = (bytes[i] >> shift) & 0xf;
      if (leading && digit == 0 && !(i == 0 && shift == 0)) continue;
      leading = false;
      text += digits[digit];
    }
  }
  return text;
}

std::string DescribeElement(const ElementHeader& element, size_t index) {
  return "element " + std::to_string(index) + " (" + ElementKindName(element.kind) +
         ", bitmap " + std::to_string(element.resourceId) + ")";
}

std::string DescribeArea(const MouseRect& area, size_t n) {
  return "click area " + std::to_string(n) + " (box " + std::to_string(area.x) + ", " +
         std::to_string(area.y) + ", " + std::to_string(area.width) + " x " +
         std::to_string(area.height) + ")";
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Address(const void* address) { return Hex(reinterpret_cast<uintptr_t>(address)); }

std::string FormatDouble(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  auto [end, error] = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::general, 17);
  (void)error;
  return std::string(text, end);
}

Tree ReadTree(const ModuleImage& image, StaticElement* root) {
  Tree tree;
  if (!image.HoldsData(root, sizeof(StaticElement))) {
    tree.error = "the root element at " + Address(root) + " does not lie in the module's data";
    return tree;
  }
  if (root->header.kind != kStaticElement) {
    tree.error = "the root element is of kind " + std::to_string(root->header.kind) +
                 ", not a StaticElement (0)";
    return tree;
  }
  tree.elements.push_back(&root->header);
  ElementHeader** children = root->header.children;
  if (children == nullptr) return tree;
  for (size_t i = 0;; ++i) {
    if (i == kMaxList) {
      tree.error = "the root's child list is not ended by a null entry within " +
                   std::to_string(kMaxList) + " entries";
      return tree;
    }
    if (!image.HoldsData(&children[i], sizeof(ElementHeader*))) {
      tree.error = "the root's child list runs out of the module's data after " +
                   std::to_string(i) + " entries without a null entry";
      return tree;
    }
    ElementHeader* child = children[i];
    if (child == nullptr) return tree;
    if (!image.HoldsData(child, sizeof(ElementHeader))) {
      tree.error = "entry " + std::to_string(i + 1) + " of the root's child list (" +
                   Address(child) +
                   ") does not name a record in the module's data: the list is not ended "
                   "by a null entry where it should be";
      return tree;
    }
    const size_t size = ElementRecordSize(child->kind);
    if (size == 0) {
      tree.error = "element " + std::to_string(i + 1) + " is of unknown kind " +
                   std::to_string(child->kind);
      return tree;
    }
    if (!image.HoldsData(child, size)) {
      tree.error = DescribeElement(*child, i + 1) + " runs past the end of the module's data";
      return tree;
    }
    tree.elements.push_back(child);
  }
}

MouseList ReadMouseList(const ModuleImage& image, MouseRect* list) {
  // The shape is fixed: a parent record, click areas, an end-of-parent
  // record and an end record. Nothing past the first record out of shape is read.
  MouseList out;
  auto read = [&](size_t i) {
    if (image.HoldsData(&list[i], sizeof(MouseRect))) {
      out.records.push_back(&list[i]);
      return true;
    }
    out.error = i == 0 ? "the mouse list at " + Address(list) + " does not lie in the module's data"
                       : "the mouse list runs out of the module's data after " + std::to_string(i) +
                             " records, before its end record (kind 0)";
    return false;
  };
  if (!read(0)) return out;
  if (list[0].kind != kMouseParent) {
    out.error = "the mouse list starts with a record of kind " + std::to_string(list[0].kind) +
                ", not a parent record (kind 1)";
    return out;
  }
  size_t i = 1;
  for (;; ++i) {
    if (i == kMaxList) {
      out.error = "the mouse list holds more than " + std::to_string(kMaxList) + " click areas";
      return out;
    }
    if (!read(i)) return out;
    if (list[i].kind != kMouseArea) break;
  }
  if (list[i].kind != kMouseEndParent) {
    out.error = "the mouse list is not closed: its " + std::to_string(i - 1) +
                " click areas are followed by a record of kind " + std::to_string(list[i].kind) +
                ", not an end-of-parent record (kind 3)";
    return out;
  }
  if (!read(i + 1)) return out;
  if (list[i + 1].kind != kMouseEnd) {
    out.error = "the mouse list is not ended: its end-of-parent record is followed by a record "
                "of kind " + std::to_string(list[i + 1].kind) + ", not an end record (kind 0)";
  }
  return out;
}

std::vector<Source> SourcesOf(ElementHeader& element) {
  switch (element.kind) {
    case kIconElement: {
      auto& icon = reinterpret_cast<IconElement&>(element);
      return {{&icon.source, icon.callback, "source"}};
    }
    case kNeedleElement: {
      auto& needle = reinterpret_cast<NeedleElement&>(element);
      return {{&needle.source, needle.callback, "source"}};
    }
    case kMovingElement: {
      auto& moving = reinterpret_cast<MovingElement&>(element);
      return {{&moving.xSource, moving.xCallback, "xSource"},
              {&moving.ySource, moving.yCallback, "ySource"}};
    }
    default:
      return {};
  }
}

}  // namespace bench::validate
