// The module frame: what every gauge module carries.
//
// A gauge defines, at namespace scope, its header `gaugeHeader` (made with
// MakeGaugeHeader) and its mouse list `mouseList`, and a statements struct
// derived from GaugeStatements that adds its own statements at the places
// the generic routines leave for them. The frame supplies the exported
// records, the module entry routines and the seven generic routines.
#pragma once

#include "frame/host_table.h"

// Exported by name; the host stores the address of its table in entry 0.
extern "C" GAUGE_EXPORT ImportEntry ImportTable[2];
extern "C" GAUGE_EXPORT LinkageRecord Linkage;

// Defined by the gauge: its one header and its mouse list.
extern GaugeHeader gaugeHeader;
extern MouseRect mouseList[];

// The host's operations, read afresh from `ImportTable` at every call.
inline HostTable* Host() {
  return static_cast<HostTable*>(ImportTable[0].address);
}

// The root element, read from the header's element-list cell.
inline StaticElement* Root() {
  StaticElement** cell = gaugeHeader.elementList;
  return *cell;
}

// Every way into the module runs its arithmetic at double precision with
// rounding to nearest, whatever the host left in the x87 unit (a graphics
// layer may have set it to single precision, under which 304.8 metres times
// 3.28083989501312 would truncate to 1000 feet, not 999). The host's setting
// is put back on the way out. Builds without an x87 unit need nothing.
class FloatScope {
 public:
#if defined(__i386__)
  FloatScope() {
    __asm__ volatile("fnstcw %0" : "=m"(saved_));
    const uint16_t doubleNearest = 0x027f;  // all exceptions masked, 53 bits, nearest
    __asm__ volatile("fldcw %0" : : "m"(doubleNearest));
  }
  ~FloatScope() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }

 private:
  uint16_t saved_ = 0;
#else
  FloatScope() {}
#endif
  FloatScope(const FloatScope&) = delete;
  FloatScope& operator=(const FloatScope&) = delete;
};

// The routine the host calls for a click area: it runs the gauge's handler
// body and returns 0, as every handler must. Neither argument is read.
template <void (*Body)()>
int32_t GAUGE_CALL OnClick(void*, uint32_t) {
  FloatScope scope;
  Body();
  return 0;
}

// The routine the host calls for an element's callback.
template <double (*Body)(ModuleVar* source)>
double GAUGE_CALL OnEvaluate(ModuleVar* source) {
  FloatScope scope;
  return Body(source);
}

// A gauge's own statements; each gauge hides the ones it adds.
struct GaugeStatements {
  static void AfterInstall() {}
  static void BeforeInitialize() {}
  static void AfterInitialize() {}
  static void BeforeUpdate() {}
  static void AfterUpdate() {}
  static void BeforeKill() {}
  static void AfterKill() {}
  // A gauge whose kill hands back its mouse list before its elements.
  static constexpr bool kUnregisterMouseFirst = false;
};

// The seven generic routines, with the gauge's statements in their places.
template <class Statements>
struct GaugeRoutines {
  static uint32_t GAUGE_CALL Query() {
    FloatScope scope;
    return Host()->ElementListQuery(Root());
  }

  static void GAUGE_CALL Install(uint32_t installValue) {
    FloatScope scope;
    Host()->ElementListInstall(Root(), installValue);
    // The host has just filled the root's image record; the mouse list goes
    // in at that address plus 4.
    uintptr_t imageRecord = reinterpret_cast<uintptr_t>(Root()->imageRecord);
    Host()->MouseListInstall(mouseList, &gaugeHeader, reinterpret_cast<void*>(imageRecord + 4));
    Host()->MouseListRegister(mouseList, &gaugeHeader);
    Statements::AfterInstall();
  }

  static void GAUGE_CALL Initialize() {
    FloatScope scope;
    Statements::BeforeInitialize();
    Host()->ElementListInitialize(Root());
    Statements::AfterInitialize();
  }

  static void GAUGE_CALL Update() {
    FloatScope scope;
    Statements::BeforeUpdate();
    Host()->ElementListUpdate(Root());
    Statements::AfterUpdate();
  }

  static void GAUGE_CALL Generate(uint32_t generateValue) {
    FloatScope scope;
    Host()->ElementListGenerate(Root(), generateValue);
  }

  static void GAUGE_CALL Draw() {
    FloatScope scope;
    Host()->ElementListDraw(Root());
  }

  static void GAUGE_CALL Kill() {
    FloatScope scope;
    Statements::BeforeKill();
    if constexpr (Statements::kUnregisterMouseFirst) {
      Host()->MouseListUnregister(mouseList, &gaugeHeader);
      Host()->ElementListKill(Root());
    } else {
      Host()->ElementListKill(Root());
      Host()->MouseListUnregister(mouseList, &gaugeHeader);
    }
    Statements::AfterKill();
  }
};

template <class Statements>
constexpr GaugeHeader MakeGaugeHeader(const char* name, StaticElement** elementList,
                                      int32_t defaultSize) {
  using R = GaugeRoutines<Statements>;
  return GaugeHeader{
      .version = kGaugeHeaderVersion,
      .name = name,
      .elementList = elementList,
      .query = &R::Query,
      .install = &R::Install,
      .initialize = &R::Initialize,
      .update = &R::Update,
      .generate = &R::Generate,
      .draw = &R::Draw,
      .kill = &R::Kill,
      .reserved40 = 0,
      .defaultSize = defaultSize,
      .reserved48 = {},
  };
}
