// Deliberately broken gauge modules for the validator's and the host's
// tests: a small gauge of two lamps and one click area, built once for each
// fault, chosen by one of the BROKEN_* definitions. Each breaks the host
// contract in exactly one way; everything else is as a gauge should be.
#include "frame/elements.h"

#if defined(BROKEN_HANGS)
#include <unistd.h>
#endif

namespace {

int32_t clicks;
uint32_t frames;

// The click area's handler.
#if defined(BROKEN_HANDLER_RETURNS_ONE)
// Returns 1; every handler must return 0.
int32_t GAUGE_CALL LampHandler(void*, uint32_t) {
  ++clicks;
  return 1;
}
#elif defined(BROKEN_WRITES_MOUSE_RECORD)
// Moves its own click area; no gauge code may change a mouse record.
int32_t GAUGE_CALL LampHandler(void*, uint32_t) {
  ++clicks;
  mouseList[1].x += 1;
  return 0;
}
#elif defined(BROKEN_CRASHES)
// Writes through a null pointer on the third click.
int32_t* volatile nowhere = nullptr;
int32_t GAUGE_CALL LampHandler(void*, uint32_t) {
  if (++clicks == 3) *nowhere = clicks;
  return 0;
}
#else
int32_t GAUGE_CALL LampHandler(void*, uint32_t) {
  ++clicks;
  return 0;
}
#endif

IconElement greenLamp = MakeIcon({.resourceId = 8192, .x = 10, .y = 10,
                                  .imageFlags = 0x40000006});
IconElement redLamp = MakeIcon({.resourceId = 8195, .x = 40, .y = 10,
                                .imageFlags = 0x40000006});

#if defined(BROKEN_UNSORTED_NEEDLE)
// Two points in the wrong order.
NeedlePoint needleTable[] = {MakeNeedlePoint(10, 10, 0.0), MakeNeedlePoint(20, 10, 200.0),
                             MakeNeedlePoint(30, 10, 100.0)};
NeedleElement needle = MakeNeedle({.resourceId = 8198, .x = 50, .y = 50, .offsetX = 0,
                                   .offsetY = 0, .imageFlags = 0x7, .failures = nullptr,
                                   .token = 73, .callback = nullptr, .table = needleTable,
                                   .tableCount = 3, .referenceX = 247, .referenceY = 51});
#endif

#if defined(BROKEN_UNTERMINATED_LIST)
// The child list lacks its null entry: it runs on into the numbers after it.
struct {
  ElementHeader* children[2];
  uint32_t numbers[8];
} faceData = {{&greenLamp.header, &redLamp.header},
              {0x40000006u, 0x6u, 0x5u, 0x7u, 0x1u, 0x3u, 0x4003u, 0x1u}};
StaticElement face = MakeFace(4096, 0x1, faceData.children);
#elif defined(BROKEN_UNSORTED_NEEDLE)
ElementHeader* faceChildren[] = {&greenLamp.header, &redLamp.header, &needle.header, nullptr};
StaticElement face = MakeFace(4096, 0x1, faceChildren);
#else
ElementHeader* faceChildren[] = {&greenLamp.header, &redLamp.header, nullptr};
StaticElement face = MakeFace(4096, 0x1, faceChildren);
#endif

#if defined(BROKEN_NULL_ROOT)
// The element-list cell names no root element.
StaticElement* elementList[2] = {nullptr, &face};
#else
StaticElement* elementList[2] = {&face, nullptr};
#endif

#if defined(BROKEN_FLOAT_TO_INT)
ModuleVar altitudeVar = TokenVar(73);
int32_t altitudeFeet;
#endif
#if defined(BROKEN_REGISTERS_IN_UPDATE)
int32_t strayCell;
const char kStrayName[] = "Broken_Stray";
#endif

struct Broken : GaugeStatements {
  static void BeforeUpdate() {
    ++frames;
    if ((clicks & 1) != 0) {
      ShowElement(greenLamp.header);
    } else {
      HideElement(greenLamp.header);
    }
#if defined(BROKEN_CHANGES_ELEMENT)
    // Moves the red lamp; gauge code may change ImageHidden and nothing else.
    if (frames == 5) redLamp.header.positionX += 1;
#endif
#if defined(BROKEN_REGISTERS_IN_UPDATE)
    // Names are registered at install, never in an update.
    if (frames == 3) Host()->RegisterNamedVar(&strayCell, kNamedVarInt32, kStrayName);
#endif
#if defined(BROKEN_FLOAT_TO_INT)
    // Converts the altitude to whole feet without a thought for NaN or range.
    Host()->LookUpVar(&altitudeVar);
    altitudeFeet = static_cast<int32_t>(altitudeVar.value * 3.28083989501312);
#endif
#if defined(BROKEN_HANGS)
    // Waits for something that never comes (without taking the processor).
    if (frames == 2) {
      while (frames != 0) sleep(60);
    }
#endif
  }
};

}  // namespace

GaugeHeader gaugeHeader = MakeGaugeHeader<Broken>("Broken test gauge", elementList, 50);

#if defined(BROKEN_UNTERMINATED_MOUSE_LIST)
// The click area is followed by a record of no known kind instead of the
// two closing records.
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(10, 10, 20, 20, 5, kMousePushFlags, &LampHandler),
    MakeClickArea(40, 10, 20, 20, 5, kMousePushFlags, &LampHandler),
    {5, 1, 2, 3, 4, 5, 6, 7, 8, nullptr, 10},
};
#else
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(10, 10, 20, 20, 5, kMousePushFlags, &LampHandler),
    kMouseEndParentRecord,
    kMouseEndRecord,
};
#endif

// The exported records, as the frame makes them, but for the faults.
namespace {
void GAUGE_CALL ModuleInit() {}
void GAUGE_CALL ModuleDeinit() {}
}  // namespace

extern "C" {

#if defined(BROKEN_NO_HOST_IMPORT)
// No entry with id 0x0F: the host has nowhere to put its table.
GAUGE_EXPORT ImportEntry ImportTable[2] = {{0x0E, nullptr}, {0, nullptr}};
#else
GAUGE_EXPORT ImportEntry ImportTable[2] = {{kHostTableImportId, nullptr}, {0, nullptr}};
#endif

GAUGE_EXPORT LinkageRecord Linkage = {
    .moduleId = kLinkageModuleId,
    .moduleInit = &ModuleInit,
    .moduleDeinit = &ModuleDeinit,
    .reserved = {},
    .gauges = {&gaugeHeader, nullptr},
};

}  // extern "C"
