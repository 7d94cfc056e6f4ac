// The checks of a module's exported records, element tree, failure lists,
// needle tables, mouse list and bitmaps. Each follows the module's addresses
// only after the module's image says they lie inside the module, and
// reports every fault it finds.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <set>

#include "bench/host/module_library.h"
#include "bench/render/bitmap_source.h"
#include "bench/render/image.h"
#include "bench/validate/check.h"
#include "bench/validate/records.h"
#include "bench/validate/session.h"

namespace bench::validate {

namespace {

// The module opened with the platform's loader, its records found step by
// step; each step that fails is reported and ends the walk.
struct Opened {
  std::unique_ptr<ModuleLibrary> library;
  ModuleImage image;
  LinkageRecord* linkage = nullptr;
  ImportEntry* imports = nullptr;
  GaugeHeader* header = nullptr;
  StaticElement* root = nullptr;
  std::vector<ElementHeader*> elements;
};

enum class Depth { kExports, kHeader, kRoot, kTree };

// Opens the module and follows it down to `depth`; false (after a report)
// when a record on the way cannot be followed.
bool Open(CheckEnv& env, Opened& m, Depth depth) {
  Report& report = *env.report;
  std::string why;
  m.library = ModuleLibrary::Open(env.moduleFile, why);
  if (m.library == nullptr) {
    report.Fail("the module cannot be loaded: " + why);
    return false;
  }
  m.image = ModuleImage::Of(*m.library);
  if (m.image.empty()) {
    report.Fail("the loader tells nothing about where the module lies in memory");
    return false;
  }
  m.linkage = static_cast<LinkageRecord*>(m.library->Symbol("Linkage"));
  m.imports = static_cast<ImportEntry*>(m.library->Symbol("ImportTable"));
  if (m.linkage == nullptr || !m.image.HoldsData(m.linkage, sizeof(LinkageRecord))) {
    report.Fail(m.linkage == nullptr ? "the module does not export Linkage"
                                     : "Linkage does not lie in the module's data");
    return false;
  }
  if (m.imports == nullptr || !m.image.HoldsData(m.imports, sizeof(ImportEntry))) {
    report.Fail(m.imports == nullptr ? "the module does not export ImportTable"
                                     : "ImportTable does not lie in the module's data");
    return false;
  }
  if (depth == Depth::kExports) return true;

  m.header = m.linkage->gauges[0];
  if (m.header == nullptr || !m.image.HoldsData(m.header, sizeof(GaugeHeader))) {
    report.Fail(m.header == nullptr ? "Linkage names no gauge header"
                                    : "the gauge header that Linkage names (" +
                                          Address(m.header) +
                                          ") does not lie in the module's data");
    return false;
  }
  if (depth == Depth::kHeader) return true;

  StaticElement** cell = m.header->elementList;
  if (cell == nullptr || !m.image.HoldsData(cell, sizeof(StaticElement*))) {
    report.Fail(cell == nullptr ? "the gauge header has no element-list cell"
                                : "the gauge header's element-list cell (" + Address(cell) +
                                      ") does not lie in the module's data");
    return false;
  }
  m.root = *cell;
  if (m.root == nullptr) {
    report.Fail("the element-list cell is null: the gauge names no root element");
    return false;
  }
  if (!m.image.HoldsData(m.root, sizeof(StaticElement))) {
    report.Fail("the root element (" + Address(m.root) + ") does not lie in the module's data");
    return false;
  }
  if (depth == Depth::kRoot) return true;

  Tree tree = ReadTree(m.image, m.root);
  if (!tree.error.empty()) {
    report.Fail(tree.error);
    return false;
  }
  m.elements = std::move(tree.elements);
  return true;
}

template <size_t N>
bool AllZero(const uint32_t (&words)[N]) {
  for (uint32_t word : words) {
    if (word != 0) return false;
  }
  return true;
}

}  // namespace

void CheckExports(CheckEnv& env) {
  Report& report = *env.report;
  Opened m;
  if (!Open(env, m, Depth::kExports)) return;

  if (!m.image.HoldsWritable(m.linkage, sizeof(LinkageRecord))) {
    report.Fail("Linkage does not lie in the module's writable data");
  }
  const LinkageRecord& linkage = *m.linkage;
  if (linkage.moduleId != kLinkageModuleId) {
    report.Fail("Linkage has module id " + Hex(static_cast<uint32_t>(linkage.moduleId)) +
                ", not 0x13");
  }
  if (!m.image.HoldsCode(reinterpret_cast<const void*>(linkage.moduleInit))) {
    report.Fail("Linkage's module init routine (" +
                Address(reinterpret_cast<const void*>(linkage.moduleInit)) +
                ") is not in the module's code");
  }
  if (!m.image.HoldsCode(reinterpret_cast<const void*>(linkage.moduleDeinit))) {
    report.Fail("Linkage's module deinit routine (" +
                Address(reinterpret_cast<const void*>(linkage.moduleDeinit)) +
                ") is not in the module's code");
  }
  if (!AllZero(linkage.reserved)) report.Fail("Linkage's reserved fields are not 0");
  if (linkage.gauges[0] == nullptr) {
    report.Fail("Linkage names no gauge header");
  } else if (!m.image.HoldsData(linkage.gauges[0], sizeof(GaugeHeader))) {
    report.Fail("the gauge header that Linkage names (" + Address(linkage.gauges[0]) +
                ") does not lie in the module's data");
  }
  if (linkage.gauges[1] != nullptr) {
    report.Fail("Linkage's list of gauge headers is not ended by a null entry after the one "
                "header (it holds " + Address(linkage.gauges[1]) + ")");
  }

  // ImportTable: entries of id and address, ended by id 0.
  int hostEntries = 0;
  bool ended = false;
  for (size_t i = 0; i < 64; ++i) {
    const ImportEntry* entry = &m.imports[i];
    if (!m.image.HoldsWritable(entry, sizeof(ImportEntry))) break;
    if (entry->id == 0) {
      ended = true;
      break;
    }
    if (entry->id == kHostTableImportId) {
      ++hostEntries;
      if (entry->address != nullptr) {
        report.Fail("ImportTable entry 0x0F already holds " + Address(entry->address) +
                    "; the module leaves it 0 for the host's table");
      }
    }
  }
  if (!ended) {
    report.Fail("ImportTable is not ended by an entry with id 0 inside the module's "
                "writable data");
  }
  if (hostEntries == 0) {
    report.Fail("ImportTable has no entry with id 0x0F, where the host puts its operation "
                "table");
  } else if (hostEntries > 1) {
    report.Fail("ImportTable has " + std::to_string(hostEntries) + " entries with id 0x0F");
  }
}

void CheckHeader(CheckEnv& env) {
  Report& report = *env.report;
  Opened m;
  if (!Open(env, m, Depth::kHeader)) return;
  const GaugeHeader& header = *m.header;

  if (!m.image.HoldsWritable(m.header, sizeof(GaugeHeader))) {
    report.Fail("the gauge header does not lie in the module's writable data");
  }
  if (header.version != kGaugeHeaderVersion) {
    report.Fail("the gauge header has version " + std::to_string(header.version) + ", not 610");
  }
  const std::optional<size_t> length = m.image.StringLength(header.name, 255);
  if (!length) {
    report.Fail("the gauge's name (" + Address(header.name) +
                ") is not a zero-terminated string of at most 255 characters in the module");
  } else if (*length == 0) {
    report.Fail("the gauge's name is empty");
  } else {
    for (size_t i = 0; i < *length; ++i) {
      const auto c = static_cast<unsigned char>(header.name[i]);
      if (c < 0x20 || c > 0x7e) {
        report.Fail("the gauge's name holds the byte " + Hex(c) + " at " + std::to_string(i) +
                    ", which is not printable ASCII");
        break;
      }
    }
  }

  struct Routine {
    const char* name;
    const void* address;
  };
  const Routine routines[] = {
      {"query", reinterpret_cast<const void*>(header.query)},
      {"install", reinterpret_cast<const void*>(header.install)},
      {"initialize", reinterpret_cast<const void*>(header.initialize)},
      {"update", reinterpret_cast<const void*>(header.update)},
      {"generate", reinterpret_cast<const void*>(header.generate)},
      {"draw", reinterpret_cast<const void*>(header.draw)},
      {"kill", reinterpret_cast<const void*>(header.kill)},
  };
  for (const Routine& routine : routines) {
    if (!m.image.HoldsCode(routine.address)) {
      report.Fail(std::string("the gauge header's ") + routine.name + " routine (" +
                  Address(routine.address) + ") is not in the module's code");
    }
  }
  if (header.reserved40 != 0 || !AllZero(header.reserved48)) {
    report.Fail("the gauge header's reserved fields are not 0");
  }
  if (header.defaultSize <= 0) {
    report.Fail("the gauge header's default size is " + std::to_string(header.defaultSize) +
                ", not a positive number");
  }

  StaticElement** cell = header.elementList;
  if (cell == nullptr || !m.image.HoldsData(cell, sizeof(StaticElement*))) {
    report.Fail("the gauge header's element-list cell (" + Address(cell) +
                ") does not lie in the module's data");
  } else if (*cell == nullptr) {
    report.Fail("the element-list cell is null: the gauge names no root element");
  } else if (!m.image.HoldsData(*cell, sizeof(StaticElement))) {
    report.Fail("the root element (" + Address(*cell) + ") does not lie in the module's data");
  } else if ((*cell)->header.kind != kStaticElement) {
    report.Fail("the root element is of kind " + std::to_string((*cell)->header.kind) +
                ", not a StaticElement (0)");
  }
}

void CheckElements(CheckEnv& env) {
  Report& report = *env.report;
  Opened m;
  if (!Open(env, m, Depth::kTree)) return;

  std::set<const ElementHeader*> seen;
  for (size_t i = 0; i < m.elements.size(); ++i) {
    ElementHeader& element = *m.elements[i];
    const std::string what = DescribeElement(element, i);
    if (!seen.insert(&element).second) {
      report.Fail(what + " appears twice in the element tree");
      continue;
    }
    if (!m.image.HoldsWritable(&element, ElementRecordSize(element.kind))) {
      report.Fail(what + " does not lie in the module's writable data, where the host and "
                         "the gauge write its fields");
    }
    if (element.gauge != m.header) {
      report.Fail(what + " names " + Address(element.gauge) +
                  " as its gauge header, not the gauge's header");
    }
    if (i > 0 && element.children != nullptr) {
      report.Fail(what + " has a child list of its own; the host draws only the root's children");
    }
    if (!AllZero(element.reserved16) || element.reserved36 != 0 || !AllZero(element.reserved52)) {
      report.Fail(what + ": the reserved fields of its header are not 0");
    }
    switch (element.kind) {
      case kStaticElement: {
        auto& face = reinterpret_cast<StaticElement&>(element);
        if (i == 0 && face.imageRecord != nullptr) {
          report.Fail(what + ": the image-record field holds " + Address(face.imageRecord) +
                      " before install; the host fills it");
        }
        if (!AllZero(face.reserved64)) report.Fail(what + ": its reserved fields are not 0");
        break;
      }
      case kIconElement: {
        auto& icon = reinterpret_cast<IconElement&>(element);
        if (icon.imageCount < 1) {
          report.Fail(what + " has an image count of " + std::to_string(icon.imageCount) +
                      "; an icon shows at least one bitmap");
        }
        if (!AllZero(icon.reserved92) || !AllZero(icon.reserved116)) {
          report.Fail(what + ": its reserved fields are not 0");
        }
        break;
      }
      case kNeedleElement: {
        auto& needle = reinterpret_cast<NeedleElement&>(element);
        if (!AllZero(needle.reserved92) || !AllZero(needle.reserved120)) {
          report.Fail(what + ": its reserved fields are not 0");
        }
        break;
      }
      case kMovingElement: {
        auto& moving = reinterpret_cast<MovingElement&>(element);
        const struct {
          const char* axis;
          double minimum, maximum;
        } axes[] = {{"x", moving.xMinimum, moving.xMaximum},
                    {"y", moving.yMinimum, moving.yMaximum}};
        for (const auto& axis : axes) {
          if (!std::isfinite(axis.minimum) || !std::isfinite(axis.maximum) ||
              axis.minimum > axis.maximum) {
            report.Fail(what + ": its " + axis.axis + " range runs from " +
                        FormatDouble(axis.minimum) + " to " + FormatDouble(axis.maximum) +
                        ", not from a finite minimum up to a finite maximum");
          }
        }
        if (moving.reserved108 != 0 || !AllZero(moving.reserved160)) {
          report.Fail(what + ": its reserved fields are not 0");
        }
        break;
      }
      default:
        break;
    }
    for (const Source& source : SourcesOf(element)) {
      const ModuleVar& var = *source.variable;
      if (var.pointer != nullptr) {
        report.Fail(what + ": its " + source.name + " already points at " + Address(var.pointer) +
                    "; a source is never bound");
      }
      if (var.reserved8 != 0 || !AllZero(var.reserved20)) {
        report.Fail(what + ": the reserved fields of its " + source.name + " are not 0");
      }
      if (source.callback != nullptr &&
          !m.image.HoldsCode(reinterpret_cast<const void*>(source.callback))) {
        report.Fail(what + ": the callback of its " + source.name + " (" +
                    Address(reinterpret_cast<const void*>(source.callback)) +
                    ") is not in the module's code");
      }
    }
  }
}

void CheckFailureLists(CheckEnv& env) {
  Report& report = *env.report;
  Opened m;
  if (!Open(env, m, Depth::kTree)) return;

  const FailureRecord* shared = nullptr;
  size_t sharedBy = 0;
  for (size_t i = 0; i < m.elements.size(); ++i) {
    const FailureRecord* list = m.elements[i]->failures;
    if (list == nullptr) continue;
    const std::string what = DescribeElement(*m.elements[i], i);
    if (shared != nullptr && list != shared) {
      report.Fail(what + " names the failure list at " + Address(list) + ", but " +
                  DescribeElement(*m.elements[sharedBy], sharedBy) + " names the one at " +
                  Address(shared) + "; a gauge has one list, shared by the elements that name it");
      continue;
    }
    if (shared != nullptr) continue;
    shared = list;
    sharedBy = i;
    bool ended = false;
    for (size_t k = 0; k < 64 && m.image.HoldsData(&list[k], sizeof(FailureRecord)); ++k) {
      if (list[k].system == 0 && list[k].action == 0) {
        ended = true;
        break;
      }
    }
    if (!ended) {
      report.Fail("the failure list of " + what +
                  " is not ended by a (0, 0) record inside the module's data");
    }
  }
}

void CheckNeedleTables(CheckEnv& env) {
  Report& report = *env.report;
  Opened m;
  if (!Open(env, m, Depth::kTree)) return;

  for (size_t i = 0; i < m.elements.size(); ++i) {
    if (m.elements[i]->kind != kNeedleElement) continue;
    const auto& needle = reinterpret_cast<const NeedleElement&>(*m.elements[i]);
    const std::string what = DescribeElement(*m.elements[i], i);
    if (needle.tableCount < 0) {
      report.Fail(what + " has a table count of " + std::to_string(needle.tableCount));
      continue;
    }
    if ((needle.table == nullptr) != (needle.tableCount == 0)) {
      report.Fail(what + (needle.table == nullptr
                              ? " has no table but a table count of " +
                                    std::to_string(needle.tableCount)
                              : " has a table but a table count of 0"));
      continue;
    }
    if (needle.table == nullptr) continue;
    const size_t count = static_cast<size_t>(needle.tableCount);
    if (!m.image.HoldsData(needle.table, count * sizeof(NeedlePoint))) {
      report.Fail("the needle table of " + what + " (" + std::to_string(count) +
                  " entries at " + Address(needle.table) + ") does not lie in the module's data");
      continue;
    }
    for (size_t k = 0; k < count; ++k) {
      const NeedlePoint& point = needle.table[k];
      if (!std::isfinite(point.value)) {
        report.Fail("entry " + std::to_string(k + 1) + " of the needle table of " + what +
                    " has the value " + FormatDouble(point.value));
      } else if (k > 0 && std::isfinite(needle.table[k - 1].value) &&
                 !(needle.table[k - 1].value < point.value)) {
        report.Fail("the needle table of " + what + " is not in ascending order: entry " +
                    std::to_string(k + 1) + " (value " + FormatDouble(point.value) +
                    ") follows entry " + std::to_string(k) + " (value " +
                    FormatDouble(needle.table[k - 1].value) + ")");
      }
      if (!AllZero(point.reserved16)) {
        report.Fail("entry " + std::to_string(k + 1) + " of the needle table of " + what +
                    ": its reserved field is not 0");
      }
    }
  }
}

void CheckMouseList(CheckEnv& env) {
  Report& report = *env.report;
  Session session(env);
  session.Step("load");
  if (!session.Load()) return;
  session.Step("install");
  session.Install(0);
  if (session.failed()) return;
  MouseRect* first = session.mouseList();
  if (first == nullptr) {
    report.Fail("install handed the host no mouse list");
    return;
  }
  MouseList list = ReadMouseList(session.image(), first);
  if (!list.error.empty()) {
    report.Fail(list.error);
    return;
  }

  auto closing = [&](const MouseRect& record, const std::string& what) {
    if (record.x != 0 || record.y != 0 || record.width != 0 || record.height != 0) {
      report.Fail(what + " has the box (" + std::to_string(record.x) + ", " +
                  std::to_string(record.y) + ", " + std::to_string(record.width) + " x " +
                  std::to_string(record.height) + "), not an empty one");
    }
    if (record.cursor != -1) {
      report.Fail(what + " has cursor " + std::to_string(record.cursor) + ", not -1");
    }
    if (record.mouseFlags != 0) report.Fail(what + " has mouse flags " + Hex(record.mouseFlags));
    if (record.handler != nullptr) report.Fail(what + " names a handler");
  };
  auto reserved = [&](const MouseRect& record, const std::string& what) {
    if (record.reserved24 != 0 || record.reserved32 != 0 || record.reserved40 != 0) {
      report.Fail(what + ": its reserved fields are not 0");
    }
  };

  const size_t last = list.records.size() - 1;  // the end record
  for (size_t i = 0; i <= last; ++i) {
    const MouseRect& record = *list.records[i];
    const std::string what = i == 0          ? std::string("the parent record")
                             : i == last     ? std::string("the end record")
                             : i == last - 1 ? std::string("the end-of-parent record")
                                             : DescribeArea(record, i);
    reserved(record, what);
    if (record.kind != kMouseArea) {
      closing(record, what);
      continue;
    }
    if (!session.image().HoldsCode(reinterpret_cast<const void*>(record.handler))) {
      report.Fail(what + ": its handler (" +
                  Address(reinterpret_cast<const void*>(record.handler)) +
                  ") is not in the module's code");
    }
    if (record.width <= 0 || record.height <= 0) {
      report.Fail(what + " has no pixels: a click can never reach it");
    }
    if (record.cursor < 0) {
      report.Fail(what + " has cursor " + std::to_string(record.cursor) +
                  "; -1 belongs to the parent and closing records");
    }
  }

  session.Step("kill");
  session.Kill();
}

void CheckBitmaps(CheckEnv& env) {
  Report& report = *env.report;
  Session session(env);
  session.Step("load");
  if (!session.Load()) return;
  const Gauge& gauge = *session.gauge();
  std::unique_ptr<BitmapSource> bitmaps;
  try {
    bitmaps = OpenModuleBitmaps(*gauge.library);
  } catch (const RenderError& error) {
    report.Fail(std::string("the module's bitmaps cannot be read: ") + error.what());
    return;
  }

  // Each bitmap an element names: its own, and an icon's k-th at plus 3k.
  int faceWidth = 0, faceHeight = 0;
  for (size_t i = 0; i < gauge.elements.size(); ++i) {
    const ElementHeader& element = *gauge.elements[i];
    const int32_t count =
        element.kind == kIconElement ? reinterpret_cast<const IconElement&>(element).imageCount : 1;
    for (int32_t k = 0; k < std::min(count, 256); ++k) {
      const int64_t number = int64_t{element.resourceId} + 3 * int64_t{k};
      const std::string what = DescribeElement(element, i) +
                                (k > 0 ? ", image " + std::to_string(k) : std::string()) +
                                ": bitmap " + std::to_string(number);
      const std::optional<std::vector<uint8_t>> file =
          number >= 0 && number <= INT32_MAX ? bitmaps->Find(static_cast<int>(number))
                                             : std::nullopt;
      if (!file) {
        report.Fail(what + " is not in the module");
        continue;
      }
      // A Windows bitmap file: "BM", then the information header.
      const std::vector<uint8_t>& bytes = *file;
      if (bytes.size() < 30 || bytes[0] != 'B' || bytes[1] != 'M') {
        report.Fail(what + " is not a bitmap file");
        continue;
      }
      const int bitsPerPixel = bytes[28] | bytes[29] << 8;
      if (bitsPerPixel != 8) {
        report.Fail(what + " has " + std::to_string(bitsPerPixel) + " bits a pixel, not 8");
      }
      try {
        const Image image = DecodeBitmap(bytes, what);
        if (i == 0 && k == 0) {
          faceWidth = image.width();
          faceHeight = image.height();
        }
      } catch (const RenderError& error) {
        report.Fail(what + " cannot be read: " + error.what());
      }
    }
  }

  // Every click area lies on the face, where the pilot can click it.
  if (faceWidth == 0 || report.failures() > 0) return;
  session.Step("install");
  session.Install(0);
  if (session.failed()) return;
  for (size_t n = 1; n <= gauge.areas.size(); ++n) {
    const MouseRect& area = *gauge.areas[n - 1];
    if (area.x < 0 || area.y < 0 || int64_t{area.x} + area.width > faceWidth ||
        int64_t{area.y} + area.height > faceHeight) {
      report.Fail(DescribeArea(area, n) + " reaches beyond the face (" + std::to_string(faceWidth) +
                  " x " + std::to_string(faceHeight) + " pixels)");
    }
  }
  session.Step("kill");
  session.Kill();
}

}  // namespace bench::validate
