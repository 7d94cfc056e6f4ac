// Reading a module's records the careful way: every address the module
// supplies is checked against the module's image before it is followed, and
// every field can be named in a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bench/host/module_image.h"
#include "frame/records.h"

namespace bench::validate {

// The size of an element record of that kind; 0 for a kind the host does not know.
size_t ElementRecordSize(int32_t kind);
const char* ElementKindName(int32_t kind);

// A field of a record: its name ("positionX", "source.pointer"), place and
// the form its value is shown in (i signed, x hexadecimal, d double).
struct FieldInfo {
  std::string name;
  size_t offset;
  size_t size;
  char form;
};
// The field that holds the byte at `offset` of an element of that kind, or
// of a mouse record.
FieldInfo ElementField(int32_t kind, size_t offset);
FieldInfo MouseField(size_t offset);
FieldInfo GaugeHeaderField(size_t offset);
FieldInfo LinkageField(size_t offset);
// The field's value in a copy of the whole record.
std::string FieldValue(const FieldInfo& field, const uint8_t* record);

// "element 3 (IconElement, bitmap 8195)"; 0 is the root.
std::string DescribeElement(const ElementHeader& element, size_t index);
// "click area 3 (box 60, 48, 23 x 45)"; 1 is the first area.
std::string DescribeArea(const MouseRect& area, size_t n);

std::string Hex(uint64_t value);
std::string Address(const void* address);
std::string FormatDouble(double value);

// The longest list the validator follows, as the host does.
inline constexpr size_t kMaxList = 4096;

// The element tree, followed safely: the root, then its children in order.
struct Tree {
  std::vector<ElementHeader*> elements;
  std::string error;  // empty when the tree could be read whole
};
Tree ReadTree(const ModuleImage& image, StaticElement* root);

// The mouse list from its parent record to its end record, followed safely
// as far as it keeps its shape.
struct MouseList {
  std::vector<MouseRect*> records;  // parent, areas, end of parent, end: as far as read
  std::string error;                // the first record out of shape
};
MouseList ReadMouseList(const ModuleImage& image, MouseRect* list);

// The ModuleVar sources embedded in an element, with their callbacks.
struct Source {
  ModuleVar* variable;
  ElementCallback callback;
  const char* name;  // "source", "xSource", "ySource"
};
std::vector<Source> SourcesOf(ElementHeader& element);

}  // namespace bench::validate
