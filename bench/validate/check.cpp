#include "bench/validate/check.h"

namespace bench::validate {

const std::vector<Check>& Checks() {
  static const std::vector<Check> checks = {
      {"records.exports", kLevelLoad,
       "Linkage and ImportTable are exported and sane: module id 0x13, init and deinit "
       "routines in the module's code, one gauge header then a null entry, an ImportTable "
       "entry 0x0F left empty and the list ended by id 0 inside the module's data",
       &CheckExports},
      {"records.header", kLevelLoad,
       "the gauge header: version 610, a zero-terminated ASCII name, an element-list cell "
       "naming a static root element, the seven routines in the module's code, reserved "
       "fields 0",
       &CheckHeader},
      {"records.elements", kLevelLoad,
       "the element tree: the root's child list ended by a null entry inside the module, "
       "known element kinds whose whole records lie in the module's data, every element "
       "naming the gauge header, no grandchildren, callbacks in the code, unbound sources, "
       "image counts of at least 1, sane moving ranges, reserved fields 0, the root's image "
       "record empty before install",
       &CheckElements},
      {"records.failures", kLevelContract,
       "failure lists: inside the module's data, ended by a (0, 0) record, and one list "
       "shared by every element that names one",
       &CheckFailureLists},
      {"records.needles", kLevelContract,
       "needle tables: a table exactly when the count is not 0, every entry inside the "
       "module's data, finite values in strictly ascending order, reserved fields 0",
       &CheckNeedleTables},
      {"records.mouse", kLevelLoad,
       "the mouse list handed over at install: a parent record, click areas with handlers "
       "in the code and boxes of positive size, an end-of-parent and an end record, empty "
       "boxes, cursor -1, no flags and no handler on the parent and closing records, "
       "reserved fields 0",
       &CheckMouseList},
      {"records.bitmaps", kLevelContract,
       "every bitmap that an element names (an icon's k-th at its number plus 3k) is in "
       "the module, 8 bits a pixel",
       &CheckBitmaps},
      {"lifecycle.order", kLevelContract,
       "load, module init and deinit, query, install, initialize, updates, generates, "
       "draws and kill, each routine making exactly its generic host calls in order plus "
       "only the calls its place allows, the install and generate values passed on "
       "unchanged and the query's answer returned",
       &CheckLifecycleOrder},
      {"lifecycle.cycles", kLevelContract,
       "install to kill run three times while the module stays loaded, with and without "
       "the named variables it binds; after each kill its mouse list is unregistered and "
       "every name it registered is gone",
       &CheckLifecycleCycles},
      {"lifecycle.reload", kLevelContract,
       "after clicks and updates, unload and load again: the records are back as they were "
       "at the first load, and the module runs again",
       &CheckLifecycleReload},
      {"stress.clicks", kLevelStress,
       "clicks on every point near every click area (corners, edges, just outside), on "
       "points outside all areas and on extreme coordinates, between frames",
       &CheckStressClicks},
      {"stress.values", kLevelStress,
       "many frames with random host token values (NaN, infinities, huge, tiny, negative "
       "zero, integer boundaries, random bits), random named-variable values and random "
       "clicks",
       &CheckStressValues},
      {"stress.lifecycle", kLevelStress,
       "random legal lifecycle orders (kill without initialize, repeated cycles, unload "
       "and reload), named variables that come and go, a changing host world, with clicks "
       "and frames",
       &CheckStressLifecycle},
  };
  return checks;
}

const Check* FindCheck(std::string_view name) {
  for (const Check& check : Checks()) {
    if (name == check.name) return &check;
  }
  return nullptr;
}

}  // namespace bench::validate
