// The panel's mode state, what it reads from the host and sends to it, and
// the nine release sequences that the buttons and the sequencer share.
#include "guidepanel/panel.h"

namespace guidepanel {

int32_t hdgOn;
int32_t navOn;
int32_t apprOn;
int32_t revOn;
int32_t gaOn;
int32_t altOn;
int32_t altSelOn;
int32_t vsOn;
int32_t iasOn;
int32_t navStage;
int32_t locInWindow;
int32_t apprStage;
int32_t disLatched;

namespace {

// A little below the exact feet-per-metre ratio: 304.8 m reads 999 ft.
constexpr double kFeetPerMetre = 3.28083989501312;
// 1/256 m/s per foot per minute.
constexpr double kVerticalSpeedUnitsPerFpm = 1.30048;

ModuleVar altitudeVar = TokenVar(73);          // metres
ModuleVar verticalSpeedVar = TokenVar(65);     // 1/256 m/s
ModuleVar indicatedSpeedVar = TokenVar(61);    // the unit of the set-speed event
ModuleVar courseDeviationVar = TokenVar(40);
ModuleVar glideSlopeDeviationVar = TokenVar(41);
ModuleVar glideSlopeArmVar = TokenVar(44);
ModuleVar autopilotEngagedVar = TokenVar(103);

double LookUp(ModuleVar& var) {
  Host()->LookUpVar(&var);
  return var.value;
}

}  // namespace

// Whole numbers truncate toward zero. A reading that is not a number gives
// 0 and one beyond the 32-bit range stops at its end, so no reading the host
// may hand over leads to an undefined conversion.
int32_t AltitudeFeet() { return TruncateToInt32(LookUp(altitudeVar) * kFeetPerMetre); }
int32_t VerticalSpeedFpm() {
  return TruncateToInt32(LookUp(verticalSpeedVar) / kVerticalSpeedUnitsPerFpm);
}
int32_t IndicatedSpeed() { return TruncateToInt32(LookUp(indicatedSpeedVar)); }
double CourseDeviation() { return LookUp(courseDeviationVar); }
double GlideSlopeDeviation() { return LookUp(glideSlopeDeviationVar); }
double GlideSlopeArm() { return LookUp(glideSlopeArmVar); }
double AutopilotEngaged() { return LookUp(autopilotEngagedVar); }

void Send(KeyEvent event, int32_t value) { Host()->SendKeyEvent(event, value); }

void ReleaseHdg() {
  hdgOn = 0;
  Send(kHdgOff);
  Hide(hdgButtonImage);
  Hide(hdgAnnunciator);
}

void ReleaseNav() {
  navOn = 0;
  navStage = 0;
  Hide(navButtonImage);
  Hide(navAnnunciator);
  Hide(navArmAnnunciator);
  Send(kNavOff);
}

void ReleaseAppr() {
  apprOn = 0;
  Hide(apprButtonImage);
  Hide(apprAnnunciator);
  Hide(gsAnnunciator);
  Hide(gsArmAnnunciator);
  Hide(apprArmAnnunciator);
  Send(kApprOff);
  locInWindow = 0;
  apprStage = 0;
}

void ReleaseRev() {
  revOn = 0;
  Send(kRevOff);
  Hide(revButtonImage);
  Hide(revAnnunciator);
}

void ReleaseGa() {
  gaOn = 0;
  Hide(gaButtonImage);
  Hide(gaAnnunciator);
  Send(kGaOff);
  Send(kVsHoldOff);
  Send(kAltHoldOff);
}

void ReleaseAlt() {
  altOn = 0;
  Send(kAltOff);
  Hide(altButtonImage);
  Hide(altAnnunciator);
}

void ReleaseAltSel() {
  altSelOn = 0;
  Hide(altArmAnnunciator);
  Hide(altSelButtonImage);
}

void ReleaseVs() {
  vsOn = 0;
  Send(kVsHoldOff);
  Send(kAltHoldOff);
  Hide(vsButtonImage);
  Hide(vsAnnunciator);
}

void ReleaseIas() {
  iasOn = 0;
  Send(kSpeedHoldOff);
  Hide(iasButtonImage);
  Hide(iasAnnunciator);
}

}  // namespace guidepanel
