// "KRW Varnell TRX82 Flight Director Panel": what the panel's units share.
//
// face.cpp      the records: face, 24 icons, mouse list, header, named cells
// modes.cpp     the mode state, host tokens, key events, release sequences
// buttons.cpp   the nine push-button handlers
// sequencer.cpp the mode sequencer that runs at every update
//
// The panel changes its face only by lighting and darkening icons (the
// ImageHidden bit); every other field of every record stays as loaded.
#pragma once

#include "frame/elements.h"

namespace guidepanel {

// ---------------------------------------------------------------------------
// Display items (face.cpp), in the face's drawing order, child 1 to 24.

extern IconElement legendOverlay;       // 1: button caps; always shown
extern IconElement apprButtonImage;     // 2
extern IconElement apprAnnunciator;     // 3
extern IconElement apprArmAnnunciator;  // 4
extern IconElement altButtonImage;      // 5
extern IconElement altAnnunciator;      // 6
extern IconElement altSelButtonImage;   // 7
extern IconElement altArmAnnunciator;   // 8
extern IconElement hdgAnnunciator;      // 9
extern IconElement hdgButtonImage;      // 10
extern IconElement vsAnnunciator;       // 11
extern IconElement vsButtonImage;       // 12
extern IconElement iasAnnunciator;      // 13
extern IconElement iasButtonImage;      // 14
extern IconElement revAnnunciator;      // 15
extern IconElement revButtonImage;      // 16
extern IconElement gaAnnunciator;       // 17
extern IconElement gaButtonImage;       // 18
extern IconElement navAnnunciator;      // 19
extern IconElement navButtonImage;      // 20
extern IconElement navArmAnnunciator;   // 21
extern IconElement gsAnnunciator;       // 22
extern IconElement gsArmAnnunciator;    // 23
extern IconElement disAnnunciator;      // 24

inline void Show(IconElement& item) { ShowElement(item.header); }
inline void Hide(IconElement& item) { HideElement(item.header); }

// ---------------------------------------------------------------------------
// Named variables (face.cpp). The panel owns the storage, registers it at
// install and only reads it; radalt writes the first two, levelset the third.
// The three cells lie together, in this order.
struct NamedCells {
  int32_t dHeightCall;  // "DHeight_Call": 1 while the decision-height alert is on
  int32_t masterOn;     // "Master_On": 1 while the flight director is enabled
  int32_t altSel;       // "Alt_Sel": the preselected altitude, feet
};
extern NamedCells namedCells;

// ---------------------------------------------------------------------------
// Mode state (modes.cpp): 0 at load, kept across kill and install.

extern int32_t hdgOn;        // 0, 1: HDG selected
extern int32_t navOn;        // 0, 1: NAV selected
extern int32_t apprOn;       // 0, 1: APPR selected
extern int32_t revOn;        // 0, 1: REV selected
extern int32_t gaOn;         // 0, 1: GA selected
extern int32_t altOn;        // 0, 1: ALT selected
extern int32_t altSelOn;     // 0, 1: ALTSL selected
extern int32_t vsOn;         // 0, 1: VS selected
extern int32_t iasOn;        // 0, 1: IAS selected
extern int32_t navStage;     // 0 not captured, 1 inside the NAV window, 2 NAV captured
extern int32_t locInWindow;  // 1 once the approach window was reached while armed
extern int32_t apprStage;    // 0 nothing, 1 localizer captured, 2 glide slope captured
extern int32_t disLatched;   // 1 from the master-off step until the restore step

// ---------------------------------------------------------------------------
// Host variables (modes.cpp), each looked up immediately before its use.

int32_t AltitudeFeet();       // token 73, metres, as whole feet
int32_t VerticalSpeedFpm();   // token 65, 1/256 m/s, as whole feet per minute
int32_t IndicatedSpeed();     // token 61, truncated
double CourseDeviation();     // token 40
double GlideSlopeDeviation(); // token 41
double GlideSlopeArm();       // token 44
double AutopilotEngaged();    // token 103

// ---------------------------------------------------------------------------
// Key events the panel sends the autopilot.

enum KeyEvent : uint32_t {
  kAutopilotDisconnect = 0x1002c,
  kAltRestore = 0x100be,  // value 1
  kRevRestore = 0x100c0,  // value 1
  kAutopilotEngage = 0x10100,
  kApprOn = 0x1010e,
  kHdgOn = 0x1010f,
  kGaOn = 0x10111,
  kRevOn = 0x10112,
  kNavOn = 0x10113,
  kApprOff = 0x10116,
  kHdgOff = 0x10117,
  kAltOff = 0x10118,
  kGaOff = 0x10119,
  kRevOff = 0x1011a,
  kNavOff = 0x1011b,
  kSetVerticalSpeed = 0x101f4,  // feet per minute
  kSetSpeed = 0x101f5,          // token 61 truncated
  kAltHoldOn = 0x10237,
  kAltHoldOff = 0x10238,
  kSpeedHoldOn = 0x10240,
  kSpeedHoldOff = 0x10241,
  kVsHoldOn = 0x10243,
  kVsHoldOff = 0x10244,
  kSetAltitude = 0x1024c,  // feet
};

void Send(KeyEvent event, int32_t value = 0);

// ---------------------------------------------------------------------------
// Release sequences (modes.cpp), shared by the buttons and the sequencer.
// None of them looks at Master_On.

void ReleaseHdg();
void ReleaseNav();
void ReleaseAppr();
void ReleaseRev();
void ReleaseGa();
void ReleaseAlt();
void ReleaseAltSel();
void ReleaseVs();
void ReleaseIas();

// ---------------------------------------------------------------------------
// Button handler bodies (buttons.cpp) and the sequencer (sequencer.cpp).

void HdgButtonHandler();
void NavButtonHandler();
void ApprButtonHandler();
void RevButtonHandler();
void GaButtonHandler();
void AltButtonHandler();
void AltSelButtonHandler();
void VsButtonHandler();
void IasButtonHandler();

void RunModeSequencer();

}  // namespace guidepanel
