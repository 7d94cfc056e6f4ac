// "6 position panel dimmer - by Quillmo": a knob inside a scale with the
// numerals 0 to 6. A click on a numeral turns the knob there, publishes the
// position as `ligar` (one byte), sends one key event and plays the click.
// The gauge has no per-frame logic: the knob shows the position last set.
#include "dimmer/click_sound.h"
#include "frame/elements.h"

namespace {

// Key events of a click, both sent with the value 0; token 10 chooses.
constexpr uint32_t kEventWhenToken10Set = 0x100d6;
constexpr uint32_t kEventWhenToken10Clear = 0x10208;

// Module state; all of it lasts until the module is unloaded.
uint8_t knobPosition;    // 0 to 6: what the knob shows; changed only by a click
uint8_t clickEventFlag;  // 1: clicks send 0x100d6; 0: 0x10208. Taken at each initialize
ModuleVar token10Var = TokenVar(10);  // looked up once per initialize
ModuleVar ligarVar = TokenVar(0);     // bound to "ligar"; its storage takes one byte

// A click on numeral N: the knob turns to N, and the whole sequence runs
// even when the knob already shows N.
template <uint8_t Position>
void KnobClickHandler() {
  knobPosition = Position;
  WriteBoundByte(ligarVar, Position);
  if (clickEventFlag == 1) {
    Host()->SendKeyEvent(kEventWhenToken10Set, 0);
  } else {
    Host()->SendKeyEvent(kEventWhenToken10Clear, 0);
  }
  PlayWaveFile("click.wav");
}

// The knob shows image N for position N.
double KnobPositionCallback(ModuleVar*) { return knobPosition; }

struct Dimmer : GaugeStatements {
  static void BeforeInitialize() {
    Host()->LookUpVar(&token10Var);
    // Any number but 0 sets the flag; a value that is not a number does not.
    const double token10 = token10Var.value;
    clickEventFlag = (token10 == token10 && token10 != 0.0) ? 1 : 0;
    SetUpSound();
    Host()->BindNamedVar(&ligarVar, "ligar");
  }

  // The sound goes first; then the mouse list before the elements.
  static void BeforeKill() { ReleaseSound(); }
  static constexpr bool kUnregisterMouseFirst = true;
};

IconElement knob = MakeIcon({.resourceId = 8192, .x = 13, .y = 8, .imageFlags = 0x4003,
                             .imageCount = 7, .callback = &OnEvaluate<KnobPositionCallback>});

ElementHeader* faceChildren[] = {&knob.header, nullptr};
StaticElement face = MakeFace(4096, 0x4003, faceChildren);
StaticElement* elementList[2] = {&face, nullptr};

}  // namespace

GaugeHeader gaugeHeader =
    MakeGaugeHeader<Dimmer>("6 position panel dimmer - by Quillmo", elementList, 60);

// One push area over each numeral of the scale, 0 at the lower left round to
// 6 at the lower right.
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(8, 33, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<0>>),
    MakeClickArea(3, 21, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<1>>),
    MakeClickArea(7, 8, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<2>>),
    MakeClickArea(24, 1, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<3>>),
    MakeClickArea(44, 9, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<4>>),
    MakeClickArea(44, 21, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<5>>),
    MakeClickArea(43, 32, 11, 6, 5, kMousePushFlags, &OnClick<KnobClickHandler<6>>),
    kMouseEndParentRecord,
    kMouseEndRecord,
};
