// "KRW TRX82 Altitude Preselector": five digit wheels, clicked up and down.
// At every update the altitude composed from the first four wheels is
// published as `Alt_Sel`, the preselected altitude in feet.
#include "frame/elements.h"

namespace {

// Module state; all of it lasts until the module is unloaded.
int32_t wheelDigits[5];      // wheels 1 to 5, left to right: 0 to 9
int32_t selectedAltitude;    // feet, composed at the last update
ModuleVar altSelVar = TokenVar(0);  // bound to "Alt_Sel" at initialize

// A click on a wheel's upper area raises its digit, stopping at 9.
template <int Wheel>
void WheelUpHandler() {
  wheelDigits[Wheel] = wheelDigits[Wheel] + 1;
  if (wheelDigits[Wheel] > 9) wheelDigits[Wheel] = 9;
}

// A click on a wheel's lower area lowers its digit, stopping at 0.
template <int Wheel>
void WheelDownHandler() {
  wheelDigits[Wheel] = wheelDigits[Wheel] - 1;
  if (wheelDigits[Wheel] < 0) wheelDigits[Wheel] = 0;
}

// The wheel's strip shifts by its digit: digit d shows in the window.
template <int Wheel>
double WheelDigitCallback(ModuleVar*) {
  return wheelDigits[Wheel];
}

// No wheel moves sideways: its x range is 0 to 0.
double WheelXCallback(ModuleVar*) { return 1.0; }

struct Levelset : GaugeStatements {
  static void BeforeInitialize() { Host()->BindNamedVar(&altSelVar, "Alt_Sel"); }

  static void BeforeUpdate() {
    // The units wheel is shown and dialled but never enters the altitude.
    selectedAltitude = 10000 * wheelDigits[0] + 1000 * wheelDigits[1] +
                       100 * wheelDigits[2] + 10 * wheelDigits[3];
    WriteBoundInt32(altSelVar, selectedAltitude);
  }
};

template <int Wheel>
constexpr MovingElement MakeWheel(int32_t x) {
  return MakeMoving({.resourceId = 8192, .x = x, .y = 34, .imageFlags = 0x7,
                     .xToken = 0, .xCallback = &OnEvaluate<WheelXCallback>,
                     .xMinimum = 0.0, .xMaximum = 0.0,
                     .yToken = 73, .yCallback = &OnEvaluate<WheelDigitCallback<Wheel>>,
                     .yMinimum = 0.0, .yMaximum = 9.0});
}

MovingElement wheel1 = MakeWheel<0>(28);
MovingElement wheel2 = MakeWheel<1>(61);
MovingElement wheel3 = MakeWheel<2>(92);
MovingElement wheel4 = MakeWheel<3>(124);
MovingElement wheel5 = MakeWheel<4>(157);

ElementHeader* faceChildren[] = {&wheel1.header, &wheel2.header, &wheel3.header,
                                 &wheel4.header, &wheel5.header, nullptr};
StaticElement face = MakeFace(4096, 0x1, faceChildren);
StaticElement* elementList[2] = {&face, nullptr};

}  // namespace

GaugeHeader gaugeHeader =
    MakeGaugeHeader<Levelset>("KRW TRX82 Altitude Preselector", elementList, 105);

// Each pair of areas lies one window to the right of the wheel it changes;
// the first window has none.
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(60, 3, 23, 45, 1, kMouseStepFlags, &OnClick<WheelUpHandler<0>>),
    MakeClickArea(60, 48, 23, 45, 2, kMouseStepFlags, &OnClick<WheelDownHandler<0>>),
    MakeClickArea(92, 3, 23, 45, 1, kMouseStepFlags, &OnClick<WheelUpHandler<1>>),
    MakeClickArea(92, 48, 23, 45, 2, kMouseStepFlags, &OnClick<WheelDownHandler<1>>),
    MakeClickArea(124, 3, 23, 45, 1, kMouseStepFlags, &OnClick<WheelUpHandler<2>>),
    MakeClickArea(124, 48, 23, 45, 2, kMouseStepFlags, &OnClick<WheelDownHandler<2>>),
    MakeClickArea(156, 3, 23, 45, 1, kMouseStepFlags, &OnClick<WheelUpHandler<3>>),
    MakeClickArea(156, 48, 23, 45, 2, kMouseStepFlags, &OnClick<WheelDownHandler<3>>),
    MakeClickArea(188, 3, 23, 45, 1, kMouseStepFlags, &OnClick<WheelUpHandler<4>>),
    MakeClickArea(188, 48, 23, 45, 2, kMouseStepFlags, &OnClick<WheelDownHandler<4>>),
    kMouseEndParentRecord,
    kMouseEndRecord,
};
