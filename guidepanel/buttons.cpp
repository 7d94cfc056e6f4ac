// The nine push-buttons. Every press makes the same three tests in order:
//   1. release: a selected mode (for some buttons also any mode while GA is
//      selected) is released, with its events;
//   2. refusal: some modes cannot be selected while the glide slope (or, for
//      HDG, NAV) is captured; the press then does nothing;
//   3. selection: the mode is marked and its button image lit; only with the
//      flight director enabled (Master_On 1) does the mode engage: its events
//      go out, its annunciator lights and the modes it excludes are released.
// NAV and APPR only arm here; the sequencer captures them.
#include "guidepanel/panel.h"

namespace guidepanel {

namespace {

bool FlightDirectorEnabled() { return namedCells.masterOn == 1; }
bool GlideSlopeCaptured() { return apprStage == 2; }

// GA goes out without its altitude-hold-off event when ALT or ALTSL takes over.
void DropGaForAltitudeHold() {
  gaOn = 0;
  Hide(gaButtonImage);
  Hide(gaAnnunciator);
  Send(kGaOff);
  Send(kVsHoldOff);
}

}  // namespace

void HdgButtonHandler() {
  if (hdgOn != 0) {
    ReleaseHdg();
    return;
  }
  if (GlideSlopeCaptured() || navStage == 2) return;
  hdgOn = 1;
  Show(hdgButtonImage);
  if (!FlightDirectorEnabled()) return;
  Send(kHdgOn);
  Show(hdgAnnunciator);
  ReleaseRev();
  ReleaseGa();
}

void NavButtonHandler() {
  if (navOn != 0) {
    ReleaseNav();
    return;
  }
  navOn = 1;
  Show(navButtonImage);
  if (!FlightDirectorEnabled()) return;
  Show(navAnnunciator);
  Show(navArmAnnunciator);
  ReleaseRev();
  ReleaseGa();
}

void ApprButtonHandler() {
  if (apprOn != 0 || gaOn != 0) {
    ReleaseAppr();
    return;
  }
  apprOn = 1;
  Show(apprButtonImage);
  if (!FlightDirectorEnabled()) return;
  Show(apprAnnunciator);
  Show(gsAnnunciator);
  ReleaseRev();
  ReleaseNav();
  // The approach owns the vertical path: the preselected altitude is dropped
  // (its ARM word goes out at the next update).
  altSelOn = 0;
  Hide(altSelButtonImage);
}

void RevButtonHandler() {
  if (revOn != 0 || gaOn != 0) {
    ReleaseRev();
    return;
  }
  if (GlideSlopeCaptured()) return;
  revOn = 1;
  Show(revButtonImage);
  if (!FlightDirectorEnabled()) return;
  Send(kRevOn);
  Show(revAnnunciator);
  ReleaseHdg();
  ReleaseAppr();
  ReleaseNav();
}

void GaButtonHandler() {
  if (gaOn != 0) {
    ReleaseGa();
    return;
  }
  gaOn = 1;
  Show(gaButtonImage);
  if (!FlightDirectorEnabled()) return;
  Show(gaAnnunciator);
  ReleaseHdg();
  ReleaseAppr();
  ReleaseNav();
  ReleaseRev();
  ReleaseVs();
  ReleaseIas();
  ReleaseAlt();
  ReleaseAltSel();
  // Go-around: wings level, climb at 500 ft/min.
  Send(kGaOn);
  Send(kSetVerticalSpeed, 500);
  Send(kSetAltitude, 0);
  Send(kVsHoldOn);
  Send(kAltHoldOn);
}

void AltButtonHandler() {
  if (altOn != 0) {
    ReleaseAlt();
    return;
  }
  if (GlideSlopeCaptured()) return;
  altOn = 1;
  Show(altButtonImage);
  if (!FlightDirectorEnabled()) return;
  // Hold the altitude the aircraft is at now.
  const int32_t feet = AltitudeFeet();
  Send(kSetAltitude, feet);
  Send(kAltHoldOn);
  Show(altAnnunciator);
  // VS goes out without its altitude-hold-off event.
  vsOn = 0;
  Send(kVsHoldOff);
  Hide(vsButtonImage);
  Hide(vsAnnunciator);
  DropGaForAltitudeHold();
  ReleaseAltSel();
}

void AltSelButtonHandler() {
  if (altSelOn != 0) {
    // The ALT ARM word goes out at the next update.
    altSelOn = 0;
    Hide(altSelButtonImage);
    return;
  }
  if (GlideSlopeCaptured()) return;
  // Marked only: the button image lights only when the mode engages.
  altSelOn = 1;
  if (!FlightDirectorEnabled()) return;
  // ALT goes out, keeping its annunciator: the hold now targets Alt_Sel.
  altOn = 0;
  Send(kAltOff);
  Hide(altButtonImage);
  Show(altAnnunciator);
  Show(altSelButtonImage);
  Send(kSetAltitude, namedCells.altSel);
  Send(kAltHoldOn);
  DropGaForAltitudeHold();
}

void VsButtonHandler() {
  if (vsOn != 0 || gaOn != 0) {
    ReleaseVs();
    return;
  }
  if (GlideSlopeCaptured()) return;
  vsOn = 1;
  Show(vsButtonImage);
  if (!FlightDirectorEnabled()) return;
  // Hold the vertical speed the aircraft has now.
  const int32_t feetPerMinute = VerticalSpeedFpm();
  Send(kSetVerticalSpeed, feetPerMinute);
  Send(kVsHoldOn);
  Show(vsAnnunciator);
  altOn = 0;
  // With ALTSL selected its altitude stays the target and ALT stays lit.
  if (altSelOn == 0) {
    Hide(altAnnunciator);
    Send(kSetAltitude, 0);
    Send(kAltHoldOn);
  }
  Hide(altButtonImage);
}

void IasButtonHandler() {
  if (iasOn != 0 || gaOn != 0) {
    ReleaseIas();
    return;
  }
  iasOn = 1;
  Show(iasButtonImage);
  if (!FlightDirectorEnabled()) return;
  // Hold the speed the aircraft flies now.
  const int32_t speed = IndicatedSpeed();
  Send(kSetSpeed, speed);
  Send(kSpeedHoldOn);
  Show(iasAnnunciator);
}

}  // namespace guidepanel
