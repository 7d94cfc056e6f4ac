// "KRW Varnell FDR KV-3200 Radar Altimeter": the height above the ground on
// a non-linear dial from 0 to 2,500 feet, a decision-height bug set by clicks,
// and a green (armed) and a red (alert) lamp. The gauge publishes the
// decision-height alert as `DHeight_Call` and the flight-director master
// enable as `Master_On`, both registered by the flight-director panel.
//
// Heights inside the gauge are whole metres; only the decision-height
// setting is in feet. The top of the scale, 2,500 feet, is 762 metres.
#include <cstddef>

#include "frame/elements.h"

namespace {

// Host token variables.
constexpr int32_t kAltitudeToken = 73;         // aircraft altitude, metres
constexpr int32_t kGroundElevationToken = 2;   // ground below the aircraft, 1/256 metre
constexpr int32_t kMasterWithholdToken = 60;   // exactly 1.0 withholds the master enable

constexpr double kScaleTopMetres = 762.0;      // 2,500 feet
constexpr int32_t kMasterReleaseMetres = 335;  // about 1,100 feet
constexpr int32_t kAlertReleaseMargin = 10;    // metres above the decision height
constexpr int32_t kDecisionHeightTop = 2500;   // feet
constexpr double kFeetPerMetre = 3.28083989501312;

// ---------------------------------------------------------------------------
// Module state. All of it is 0 at load and lasts until the module is
// unloaded: a kill and a later initialize reset nothing.

// Dial.
int32_t groundElevation;  // metres, stored by the ground needle's callback
int32_t radioHeight;      // metres above the ground, at most 762

// Decision height and master enable.
int32_t decisionHeight;        // feet, 0 to 2500
int32_t decisionStep;          // feet: the step of the last raise or lower click
int32_t decisionHeightMetres;  // the setting in whole metres
int32_t dhArmed;               // 1 while the alert is armed
int32_t dhAlert;               // 1 from the alert until its release
int32_t masterHold;            // 1 while the master enable is withheld

ModuleVar dheightCallVar = TokenVar(0);  // bound to "DHeight_Call" at initialize
ModuleVar masterOnVar = TokenVar(0);     // bound to "Master_On" at initialize
ModuleVar masterWithholdVar = TokenVar(kMasterWithholdToken);

// ---------------------------------------------------------------------------
// Needle tables. The host turns a needle towards the table point whose value
// equals the needle's value; the two tables lie back to back.

struct NeedleTables {
  NeedlePoint height[11];  // metres: the height needle
  NeedlePoint bug[51];     // feet: every setting the decision height can take
};

NeedleTables needleTables = {
    .height =
        {
            MakeNeedlePoint(143, 27, 0.0),     // 0 ft
            MakeNeedlePoint(202, 39, 15.24),   // 50 ft
            MakeNeedlePoint(238, 64, 30.48),   // 100 ft
            MakeNeedlePoint(268, 111, 60.96),  // 200 ft
            MakeNeedlePoint(268, 191, 91.44),  // 300 ft
            MakeNeedlePoint(220, 253, 121.92), // 400 ft
            MakeNeedlePoint(151, 273, 152.4),  // 500 ft
            MakeNeedlePoint(117, 269, 304.8),  // 1000 ft
            MakeNeedlePoint(85, 256, 457.2),   // 1500 ft
            MakeNeedlePoint(58, 232, 609.6),   // 2000 ft
            MakeNeedlePoint(39, 204, 762.0),   // 2500 ft
        },
    .bug =
        {
            MakeNeedlePoint(151, 28, 0.0),     MakeNeedlePoint(163, 29, 10.0),
            MakeNeedlePoint(174, 30, 20.0),    MakeNeedlePoint(184, 32, 30.0),
            MakeNeedlePoint(193, 35, 40.0),    MakeNeedlePoint(202, 39, 50.0),
            MakeNeedlePoint(210, 43, 60.0),    MakeNeedlePoint(217, 47, 70.0),
            MakeNeedlePoint(225, 53, 80.0),    MakeNeedlePoint(231, 58, 90.0),
            MakeNeedlePoint(238, 64, 100.0),   MakeNeedlePoint(245, 72, 120.0),
            MakeNeedlePoint(252, 81, 140.0),   MakeNeedlePoint(258, 91, 160.0),
            MakeNeedlePoint(263, 101, 180.0),  MakeNeedlePoint(268, 111, 200.0),
            MakeNeedlePoint(271, 125, 220.0),  MakeNeedlePoint(274, 142, 240.0),
            MakeNeedlePoint(274, 159, 260.0),  MakeNeedlePoint(272, 176, 280.0),
            MakeNeedlePoint(268, 191, 300.0),  MakeNeedlePoint(259, 209, 320.0),
            MakeNeedlePoint(253, 222, 340.0),  MakeNeedlePoint(244, 234, 360.0),
            MakeNeedlePoint(235, 243, 380.0),  MakeNeedlePoint(220, 253, 400.0),
            MakeNeedlePoint(208, 261, 420.0),  MakeNeedlePoint(195, 266, 440.0),
            MakeNeedlePoint(181, 271, 460.0),  MakeNeedlePoint(166, 273, 480.0),
            MakeNeedlePoint(151, 274, 500.0),  MakeNeedlePoint(142, 274, 600.0),
            MakeNeedlePoint(135, 273, 700.0),  MakeNeedlePoint(129, 272, 800.0),
            MakeNeedlePoint(124, 270, 900.0),  MakeNeedlePoint(117, 269, 1000.0),
            MakeNeedlePoint(109, 267, 1100.0), MakeNeedlePoint(102, 265, 1200.0),
            MakeNeedlePoint(97, 262, 1300.0),  MakeNeedlePoint(92, 259, 1400.0),
            MakeNeedlePoint(86, 255, 1500.0),  MakeNeedlePoint(79, 251, 1600.0),
            MakeNeedlePoint(74, 248, 1700.0),  MakeNeedlePoint(68, 243, 1800.0),
            MakeNeedlePoint(64, 238, 1900.0),  MakeNeedlePoint(59, 234, 2000.0),
            MakeNeedlePoint(53, 226, 2100.0),  MakeNeedlePoint(50, 221, 2200.0),
            MakeNeedlePoint(46, 216, 2300.0),  MakeNeedlePoint(43, 211, 2400.0),
            MakeNeedlePoint(40, 205, 2500.0),
        },
};
static_assert(offsetof(NeedleTables, bug) == sizeof(NeedlePoint) * 11,
              "the bug table follows the height table directly");

// ---------------------------------------------------------------------------
// Element callbacks. The host evaluates the height needle before the ground
// needle, so the height uses the ground elevation of the previous update
// (0 at the first update after load).

// Height above ground: altitude (token 73) less the stored ground elevation,
// whole metres, capped at the top of the scale. A negative height stays
// negative. The needle's value is the result, also left in the source.
double RadioHeightCallback(ModuleVar* source) {
  const int32_t altitude = TruncateToInt32(source->value);
  // The difference of two 32-bit heights may not fit 32 bits (a host that
  // reports a wild altitude or ground); it saturates at the range's ends.
  const int64_t difference = int64_t{altitude} - int64_t{groundElevation};
  int32_t height = 0;
  if (difference > INT32_MAX) {
    height = INT32_MAX;
  } else if (difference < INT32_MIN) {
    height = INT32_MIN;
  } else {
    height = static_cast<int32_t>(difference);
  }
  source->value = height;
  if (source->value > kScaleTopMetres) source->value = kScaleTopMetres;
  radioHeight = TruncateToInt32(source->value);
  return radioHeight;
}

// Ground elevation (token 2, in 1/256 metre), whole metres.
double GroundElevationCallback(ModuleVar* source) {
  groundElevation = TruncateToInt32(source->value / 256.0);
  return groundElevation;
}

// The bug shows the decision-height setting in feet; its source is unused.
double DecisionHeightCallback(ModuleVar*) { return decisionHeight; }

// ---------------------------------------------------------------------------
// Element tree, in drawing order: the black background, the dial, the three
// needles, then the two lamps that share one place (red over green).

FailureRecord failures[] = {{1, 1}, {0, 0}};

IconElement dialFace = MakeIcon({.resourceId = 12288, .x = 0, .y = 0, .imageFlags = 0x5});

NeedleElement heightNeedle = MakeNeedle(
    {.resourceId = 8192, .x = 151, .y = 151, .offsetX = 24, .offsetY = 24, .imageFlags = 0x7,
     .failures = failures, .token = kAltitudeToken,
     .callback = &OnEvaluate<RadioHeightCallback>, .table = needleTables.height,
     .tableCount = 11, .referenceX = 247, .referenceY = 51});

// Drawn in the see-through colour only: never seen, evaluated all the same.
NeedleElement groundNeedle = MakeNeedle(
    {.resourceId = 8195, .x = 151, .y = 151, .offsetX = 24, .offsetY = 24, .imageFlags = 0x3,
     .failures = failures, .token = kGroundElevationToken,
     .callback = &OnEvaluate<GroundElevationCallback>, .table = nullptr, .tableCount = 0,
     .referenceX = 247, .referenceY = 51});

NeedleElement decisionHeightBug = MakeNeedle(
    {.resourceId = 8198, .x = 151, .y = 151, .offsetX = 0, .offsetY = 8, .imageFlags = 0x7,
     .failures = failures, .token = 0, .callback = &OnEvaluate<DecisionHeightCallback>,
     .table = needleTables.bug, .tableCount = 51, .referenceX = 247, .referenceY = 51});

// Both lamps are hidden at load.
IconElement greenLamp = MakeIcon({.resourceId = 8210, .x = 215, .y = 130,
                                  .imageFlags = ImageHidden | 0x6, .failures = failures});
IconElement redLamp = MakeIcon({.resourceId = 8201, .x = 215, .y = 130,
                                .imageFlags = ImageHidden | 0x6, .failures = failures});

ElementHeader* backgroundChildren[] = {&dialFace.header,          &heightNeedle.header,
                                       &groundNeedle.header,      &decisionHeightBug.header,
                                       &greenLamp.header,         &redLamp.header,
                                       nullptr};
StaticElement background = MakeFace(4096, 0x1, backgroundChildren, failures);

// The element-list cell. Only this one cell is ever read; the gauge's name
// follows it directly, with no null cell in between.
struct ElementListCell {
  StaticElement* root;
  char gaugeName[40];
};
ElementListCell elementList = {&background, "KRW Varnell FDR KV-3200 Radar Altimeter"};

// ---------------------------------------------------------------------------
// Decision height. Both directions pass the same settings: 0 to 100 in steps
// of 10, 120 to 500 in steps of 20, 600 to 2500 in steps of 100. At 2500
// neither click picks a step, and the last one, always 100, stays in force.

void UpdateDecisionHeightMetres() {
  decisionHeightMetres = TruncateToInt32(decisionHeight / kFeetPerMetre);
}

void DhUpHandler() {
  if (decisionHeight < kDecisionHeightTop) decisionStep = 100;
  if (decisionHeight < 500) decisionStep = 20;
  if (decisionHeight < 100) decisionStep = 10;
  decisionHeight = decisionHeight + decisionStep;
  if (decisionHeight > kDecisionHeightTop) decisionHeight = kDecisionHeightTop;
  UpdateDecisionHeightMetres();
}

void DhDownHandler() {
  if (decisionHeight < kDecisionHeightTop) decisionStep = 100;
  if (decisionHeight < 600) decisionStep = 20;
  if (decisionHeight < 120) decisionStep = 10;
  decisionHeight = decisionHeight - decisionStep;
  if (decisionHeight < 0) decisionHeight = 0;
  UpdateDecisionHeightMetres();
}

// Arming lights the green lamp.
void DhArmHandler() {
  ShowElement(greenLamp.header);
  dhArmed = 1;
}

// Reset puts out both lamps, disarms and clears the published alert. A raised
// alert itself ends only when the aircraft climbs clear of the decision height.
void DhResetHandler() {
  HideElement(greenLamp.header);
  HideElement(redLamp.header);
  dhArmed = 0;
  WriteBoundInt32(dheightCallVar, 0);
}

struct Radalt : GaugeStatements {
  static void AfterInitialize() {
    Host()->BindNamedVar(&dheightCallVar, "DHeight_Call");
    Host()->BindNamedVar(&masterOnVar, "Master_On");
  }

  // The armed alert fires on the height of the previous update.
  static void BeforeUpdate() {
    if (dhArmed == 1 && radioHeight <= decisionHeightMetres) {
      HideElement(greenLamp.header);
      ShowElement(redLamp.header);
      dhArmed = 0;
      dhAlert = 1;
      WriteBoundInt32(dheightCallVar, 1);
    }
  }

  // The release and the master enable see the height just computed.
  static void AfterUpdate() {
    if (dhAlert == 1 && radioHeight > decisionHeightMetres + kAlertReleaseMargin) {
      dhAlert = 0;
      WriteBoundInt32(dheightCallVar, 0);
      HideElement(redLamp.header);
    }

    // Token 60 at exactly 1.0 withholds the master enable until the aircraft
    // is more than 335 metres above the ground.
    Host()->LookUpVar(&masterWithholdVar);
    if (masterWithholdVar.value == 1.0) {
      WriteBoundInt32(masterOnVar, 0);
      masterHold = 1;
    }
    if (radioHeight > kMasterReleaseMetres && masterHold == 1) {
      WriteBoundInt32(masterOnVar, 1);
      masterHold = 0;
    } else if (masterHold == 0) {
      WriteBoundInt32(masterOnVar, 1);
    }
  }
};

}  // namespace

GaugeHeader gaugeHeader = MakeGaugeHeader<Radalt>(elementList.gaugeName, &elementList.root, 57);

// Lower and raise lie side by side at the lower left and share the columns
// x 30 to 32; arm is in the upper left corner, reset in the lower left.
MouseRect mouseList[] = {
    kMouseParentRecord,
    MakeClickArea(0, 210, 33, 45, 2, kMouseStepFlags, &OnClick<DhDownHandler>),
    MakeClickArea(30, 210, 33, 45, 1, kMouseStepFlags, &OnClick<DhUpHandler>),
    MakeClickArea(30, 10, 26, 15, 1, kMouseStepFlags, &OnClick<DhArmHandler>),
    MakeClickArea(43, 258, 26, 15, 2, kMouseStepFlags, &OnClick<DhResetHandler>),
    kMouseEndParentRecord,
    kMouseEndRecord,
};
