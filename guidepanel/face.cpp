// The panel's face and controls: a dark grey face with a legend window of
// annunciator words across the top and two rows of push-buttons below it.
// Everything here is fixed data but the icons' ImageHidden bits. The install
// routine also registers the named variables the other gauges write, and the
// update routine runs the mode sequencer before the host evaluates the face.
#include "guidepanel/panel.h"

namespace guidepanel {

namespace {

// One failure list, shared by the annunciators and the NAV button image.
FailureRecord panelFailures[] = {{.system = 1, .action = 2}, {.system = 0, .action = 0}};

constexpr uint32_t kOverlayFlags = 0x5;            // full-face picture, always drawn
constexpr uint32_t kItemFlags = 0x40000006;         // hidden at load

// A button image or annunciator: one picture, hidden at load.
constexpr IconElement Item(int32_t resourceId, int32_t x, int32_t y,
                           FailureRecord* failures = nullptr, int32_t token = 0) {
  return MakeIcon({.resourceId = resourceId, .x = x, .y = y, .imageFlags = kItemFlags,
                   .failures = failures, .token = token});
}

}  // namespace

NamedCells namedCells = {.dHeightCall = 0, .masterOn = 0, .altSel = 0};

IconElement legendOverlay = MakeIcon({.resourceId = 4099, .x = 0, .y = 0,
                                      .imageFlags = kOverlayFlags});
IconElement apprButtonImage = Item(8192, 141, 53);
IconElement apprAnnunciator = Item(8195, 159, 15, panelFailures);
IconElement apprArmAnnunciator = Item(16390, 194, 15, panelFailures);
IconElement altButtonImage = Item(4102, 56, 81);
IconElement altAnnunciator = Item(4105, 50, 33, panelFailures);
IconElement altSelButtonImage = Item(4114, 99, 81);
IconElement altArmAnnunciator = Item(16390, 75, 33, panelFailures);
IconElement hdgAnnunciator = Item(8201, 36, 15, panelFailures);
IconElement hdgButtonImage = Item(8198, 56, 53);
IconElement vsAnnunciator = Item(12306, 112, 33, panelFailures);
// Names token 120 as its source; the panel never reads it.
IconElement vsButtonImage = Item(12297, 141, 81, nullptr, 120);
IconElement iasAnnunciator = Item(12288, 203, 33, panelFailures);
IconElement iasButtonImage = Item(8210, 183, 81);
IconElement revAnnunciator = Item(12294, 230, 15, panelFailures);
IconElement revButtonImage = Item(12291, 183, 53);
IconElement gaAnnunciator = Item(20483, 243, 33, panelFailures);
IconElement gaButtonImage = Item(20480, 224, 53);
IconElement navAnnunciator = Item(16387, 70, 15, panelFailures);
IconElement navButtonImage = Item(16384, 99, 53, panelFailures);
IconElement navArmAnnunciator = Item(16390, 97, 15, panelFailures);
IconElement gsAnnunciator = Item(16393, 142, 33, panelFailures);
IconElement gsArmAnnunciator = Item(16390, 162, 33, panelFailures);
IconElement disAnnunciator = Item(20486, 269, 33, panelFailures);

namespace {

ElementHeader* faceChildren[] = {
    &legendOverlay.header,      &apprButtonImage.header,   &apprAnnunciator.header,
    &apprArmAnnunciator.header, &altButtonImage.header,    &altAnnunciator.header,
    &altSelButtonImage.header,  &altArmAnnunciator.header, &hdgAnnunciator.header,
    &hdgButtonImage.header,     &vsAnnunciator.header,     &vsButtonImage.header,
    &iasAnnunciator.header,     &iasButtonImage.header,    &revAnnunciator.header,
    &revButtonImage.header,     &gaAnnunciator.header,     &gaButtonImage.header,
    &navAnnunciator.header,     &navButtonImage.header,    &navArmAnnunciator.header,
    &gsAnnunciator.header,      &gsArmAnnunciator.header,  &disAnnunciator.header,
    nullptr};
StaticElement face = MakeFace(4096, 0x1, faceChildren);
StaticElement* elementList[2] = {&face, nullptr};

struct Guidepanel : GaugeStatements {
  // The binders' initialize runs after this, so their binds find the cells.
  static void AfterInstall() {
    Host()->RegisterNamedVar(&namedCells.dHeightCall, kNamedVarInt32, "DHeight_Call");
    Host()->RegisterNamedVar(&namedCells.masterOn, kNamedVarInt32, "Master_On");
    Host()->RegisterNamedVar(&namedCells.altSel, kNamedVarInt32, "Alt_Sel");
  }

  static void BeforeUpdate() { RunModeSequencer(); }

  static void AfterKill() {
    Host()->UnregisterNamedVar("DHeight_Call");
    Host()->UnregisterNamedVar("Master_On");
    Host()->UnregisterNamedVar("Alt_Sel");
  }
};

}  // namespace

}  // namespace guidepanel

GaugeHeader gaugeHeader = MakeGaugeHeader<guidepanel::Guidepanel>(
    "KRW Varnell TRX82 Flight Director Panel", guidepanel::elementList, 57);

// The nine push areas; the TEST button and the blank lower cap have none.
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(100, 79, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::AltSelButtonHandler>),
    MakeClickArea(56, 79, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::AltButtonHandler>),
    MakeClickArea(100, 54, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::NavButtonHandler>),
    MakeClickArea(56, 54, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::HdgButtonHandler>),
    MakeClickArea(142, 54, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::ApprButtonHandler>),
    MakeClickArea(142, 81, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::VsButtonHandler>),
    MakeClickArea(184, 81, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::IasButtonHandler>),
    MakeClickArea(184, 54, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::RevButtonHandler>),
    MakeClickArea(226, 54, 34, 21, 5, kMousePushFlags, &OnClick<guidepanel::GaButtonHandler>),
    kMouseEndParentRecord,
    kMouseEndRecord,
};
