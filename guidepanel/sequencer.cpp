// The mode sequencer, run at every update before the host evaluates the
// face: it lights the ARM words, captures NAV, the localizer and the glide
// slope from the deviation readings, follows the flight-director master
// (Master_On) off and on, and gives up the approach and speed modes at the
// decision-height alert (DHeight_Call).
#include <cstdint>

#include "guidepanel/panel.h"

namespace guidepanel {

namespace {

// Capture windows, on the raw readings.
bool InsideNavWindow(double course) { return course > -60.0 && course < 60.0; }
bool InsideApproachWindow(double course) { return course > -30.0 && course < 30.0; }
bool OnGlideSlope(double glideSlope) { return glideSlope > -5.0; }

// ALT ARM is dark within 100 feet of the preselected altitude. The bounds
// are taken in 64 bits so that they hold for any Alt_Sel a binder may write.
bool WithinPreselectedAltitude(int32_t feet, int32_t selected) {
  const int64_t lower = int64_t{selected} - 100;
  const int64_t upper = int64_t{selected} + 100;
  return feet >= lower && feet <= upper;
}

void AltitudeWindowStep() {
  if (altSelOn == 1 && apprStage != 2) {
    const int32_t feet = AltitudeFeet();
    if (WithinPreselectedAltitude(feet, namedCells.altSel)) {
      Hide(altArmAnnunciator);
    } else {
      Show(altArmAnnunciator);
    }
  } else {
    if (altOn == 0) Hide(altAnnunciator);
    Hide(altArmAnnunciator);
  }
}

void GlideSlopeArmStep() {
  const double armIndication = GlideSlopeArm();
  if (apprOn == 1 && namedCells.masterOn == 1) {
    if (armIndication == 0.0) {
      Show(gsArmAnnunciator);
    } else {
      Hide(gsArmAnnunciator);
    }
  } else {
    Hide(gsArmAnnunciator);
  }
}

// NAV excludes the approach: while NAV is armed the approach is released at
// every update.
void NavArmStep(double course) {
  if (navOn == 1 && navStage == 0 && apprStage != 2 && namedCells.masterOn == 1) {
    if (InsideNavWindow(course)) {
      navStage = 1;
    } else {
      Show(navArmAnnunciator);
    }
    ReleaseAppr();
  } else {
    Hide(navArmAnnunciator);
  }
}

void NavCaptureStep() {
  if (navOn == 1 && navStage == 1 && namedCells.masterOn == 1) {
    navStage = 2;
    Hide(navArmAnnunciator);
    Send(kNavOn);
    ReleaseHdg();
  }
}

void ApproachArmStep(double course) {
  if (apprOn == 1 && locInWindow == 0 && namedCells.masterOn == 1) {
    if (InsideApproachWindow(course)) {
      locInWindow = 1;
    } else {
      Show(apprArmAnnunciator);
    }
  } else {
    Hide(apprArmAnnunciator);
  }
}

void LocalizerCaptureStep() {
  if (locInWindow == 1 && apprStage == 0 && namedCells.masterOn == 1) {
    apprStage = 1;
    Hide(apprArmAnnunciator);
    Send(kApprOn);
    ReleaseHdg();
    ReleaseNav();
  }
}

// On the glide slope the approach takes the vertical path: altitude hold and
// vertical-speed hold go out. VS stays marked, as the pilot left it.
void GlideSlopeCaptureStep(double glideSlope) {
  if (OnGlideSlope(glideSlope) && apprStage == 1 && namedCells.masterOn == 1) {
    altOn = 0;
    apprStage = 2;
    Send(kAltOff);
    Send(kVsHoldOff);
    Hide(altButtonImage);
    Hide(altAnnunciator);
    ReleaseAltSel();
  }
}

// The autopilot is not engaged while the flight director is enabled: engage
// it with the selected modes. Runs at every such update, so the speed and
// vertical-speed targets follow the aircraft until the autopilot engages.
// Annunciators of modes marked while the master was off stay dark.
void RestoreStep() {
  disLatched = 0;
  Hide(disAnnunciator);
  Send(kAutopilotEngage);
  if (revOn == 1) Send(kRevRestore, 1);
  if (altOn == 1) Send(kAltRestore, 1);
  if (hdgOn == 1) Send(kHdgOn);
  if (iasOn == 1) {
    const int32_t speed = IndicatedSpeed();
    Send(kSetSpeed, speed);
    Send(kSpeedHoldOn);
  }
  if (vsOn == 1 && apprStage != 2) {
    const int32_t feetPerMinute = VerticalSpeedFpm();
    Send(kSetVerticalSpeed, feetPerMinute);
    Send(kSetAltitude, 0);
    Send(kVsHoldOn);
    Send(kAltHoldOn);
  }
  // Captured lateral modes are re-engaged as captured: a captured NAV and a
  // captured localizer (with or without the glide slope) alike.
  if (navOn == 1 && navStage == 2) Send(kNavOn);
  if (apprOn == 1 && (apprStage == 1 || apprStage == 2)) Send(kApprOn);
  if (altSelOn == 1) Show(altArmAnnunciator);
}

// The flight director went off: disconnect, light DIS and release every mode.
void MasterOffStep() {
  Send(kAutopilotDisconnect);
  Show(disAnnunciator);
  disLatched = 1;
  ReleaseHdg();
  ReleaseAppr();
  ReleaseNav();
  ReleaseRev();
  ReleaseVs();
  ReleaseIas();
  ReleaseAlt();
  ReleaseAltSel();
  ReleaseGa();
}

// At decision height the approach and speed modes go out, at every update
// while the alert stays on.
void DecisionHeightStep() {
  apprOn = 0;
  Hide(apprButtonImage);
  Hide(apprAnnunciator);
  Hide(gsAnnunciator);
  Send(kApprOff);
  locInWindow = 0;
  apprStage = 0;
  ReleaseIas();
}

}  // namespace

void RunModeSequencer() {
  AltitudeWindowStep();
  GlideSlopeArmStep();
  const double course = CourseDeviation();
  const double glideSlope = GlideSlopeDeviation();
  NavArmStep(course);
  NavCaptureStep();
  ApproachArmStep(course);
  LocalizerCaptureStep();
  GlideSlopeCaptureStep(glideSlope);

  const double autopilotEngaged = AutopilotEngaged();
  if (autopilotEngaged == 0.0 && namedCells.dHeightCall == 0 && namedCells.masterOn == 1) {
    RestoreStep();
  } else if (namedCells.masterOn == 0 && disLatched == 0) {
    MasterOffStep();
  }

  if (namedCells.dHeightCall == 1) DecisionHeightStep();
}

}  // namespace guidepanel
