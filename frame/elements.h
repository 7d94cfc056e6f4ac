// Builders for a gauge's static records, so that a gauge's tables read like
// its description: every field not named is 0, every element names the
// gauge's header. All of them are evaluated at build time.
#pragma once

#include <cmath>

#include "frame/gauge.h"

constexpr ElementHeader MakeElementHeader(ElementKind kind, int32_t resourceId, int32_t x,
                                          int32_t y, uint32_t imageFlags,
                                          FailureRecord* failures = nullptr,
                                          ElementHeader** children = nullptr,
                                          int32_t offsetX = 0, int32_t offsetY = 0) {
  return ElementHeader{
      .kind = kind,
      .resourceId = resourceId,
      .positionX = x,
      .positionY = y,
      .reserved16 = {},
      .offsetX = offsetX,
      .offsetY = offsetY,
      .gauge = &gaugeHeader,
      .reserved36 = 0,
      .children = children,
      .failures = failures,
      .imageFlags = imageFlags,
      .reserved52 = {},
  };
}

// A source reading host variable `token` (0: none).
constexpr ModuleVar TokenVar(int32_t token) {
  return ModuleVar{.token = token, .pointer = nullptr, .reserved8 = 0, .value = 0.0,
                   .reserved20 = {}};
}

// The root: the gauge's face at (0, 0).
constexpr StaticElement MakeFace(int32_t resourceId, uint32_t imageFlags,
                                 ElementHeader** children,
                                 FailureRecord* failures = nullptr) {
  return StaticElement{
      .header = MakeElementHeader(kStaticElement, resourceId, 0, 0, imageFlags, failures,
                                  children),
      .imageRecord = nullptr,
      .reserved64 = {},
  };
}

struct IconSpec {
  int32_t resourceId;
  int32_t x;
  int32_t y;
  uint32_t imageFlags;
  FailureRecord* failures = nullptr;
  int32_t imageCount = 1;
  int32_t token = 0;
  ElementCallback callback = nullptr;
};

constexpr IconElement MakeIcon(const IconSpec& s) {
  return IconElement{
      .header = MakeElementHeader(kIconElement, s.resourceId, s.x, s.y, s.imageFlags,
                                  s.failures),
      .source = TokenVar(s.token),
      .callback = s.callback,
      .reserved92 = {},
      .imageCount = s.imageCount,
      .reserved116 = {},
  };
}

struct NeedleSpec {
  int32_t resourceId;
  int32_t x;
  int32_t y;
  int32_t offsetX;
  int32_t offsetY;
  uint32_t imageFlags;
  FailureRecord* failures;
  int32_t token;
  ElementCallback callback;
  NeedlePoint* table;
  int32_t tableCount;
  int32_t referenceX;
  int32_t referenceY;
};

constexpr NeedleElement MakeNeedle(const NeedleSpec& s) {
  return NeedleElement{
      .header = MakeElementHeader(kNeedleElement, s.resourceId, s.x, s.y, s.imageFlags,
                                  s.failures, nullptr, s.offsetX, s.offsetY),
      .source = TokenVar(s.token),
      .callback = s.callback,
      .reserved92 = {},
      .referenceX = s.referenceX,
      .referenceY = s.referenceY,
      .table = s.table,
      .tableCount = s.tableCount,
      .reserved120 = {},
  };
}

struct MovingSpec {
  int32_t resourceId;
  int32_t x;
  int32_t y;
  uint32_t imageFlags;
  int32_t xToken;
  ElementCallback xCallback;
  double xMinimum;
  double xMaximum;
  int32_t yToken;
  ElementCallback yCallback;
  double yMinimum;
  double yMaximum;
};

constexpr MovingElement MakeMoving(const MovingSpec& s) {
  return MovingElement{
      .header = MakeElementHeader(kMovingElement, s.resourceId, s.x, s.y, s.imageFlags),
      .xSource = TokenVar(s.xToken),
      .xCallback = s.xCallback,
      .xMinimum = s.xMinimum,
      .xMaximum = s.xMaximum,
      .reserved108 = 0,
      .ySource = TokenVar(s.yToken),
      .yCallback = s.yCallback,
      .yMinimum = s.yMinimum,
      .yMaximum = s.yMaximum,
      .reserved160 = {},
  };
}

constexpr NeedlePoint MakeNeedlePoint(int32_t x, int32_t y, double value) {
  return NeedlePoint{.x = x, .y = y, .value = value, .reserved16 = {}};
}

// Mouse list records: the parent first, the click areas, then the two closers.
constexpr MouseRect MakeMouseRecord(MouseRectKind kind) {
  return MouseRect{.kind = kind, .x = 0, .y = 0, .width = 0, .height = 0, .cursor = -1,
                   .reserved24 = 0, .mouseFlags = 0, .reserved32 = 0, .handler = nullptr,
                   .reserved40 = 0};
}
constexpr MouseRect kMouseParentRecord = MakeMouseRecord(kMouseParent);
constexpr MouseRect kMouseEndParentRecord = MakeMouseRecord(kMouseEndParent);
constexpr MouseRect kMouseEndRecord = MakeMouseRecord(kMouseEnd);

constexpr MouseRect MakeClickArea(int32_t x, int32_t y, int32_t width, int32_t height,
                                  int32_t cursor, uint32_t mouseFlags, MouseHandler handler) {
  return MouseRect{.kind = kMouseArea, .x = x, .y = y, .width = width, .height = height,
                   .cursor = cursor, .reserved24 = 0, .mouseFlags = mouseFlags,
                   .reserved32 = 0, .handler = handler, .reserved40 = 0};
}

// Lighting and darkening: the only run-time change to an element.
inline void ShowElement(ElementHeader& element) { element.imageFlags &= ~ImageHidden; }
inline void HideElement(ElementHeader& element) { element.imageFlags |= ImageHidden; }

// Writes through a bound named variable; skipped while the bind found nothing.
// The pointer field is read afresh at every write.
inline void WriteBoundInt32(const ModuleVar& bound, int32_t value) {
  if (bound.pointer != nullptr) *static_cast<int32_t*>(bound.pointer) = value;
}
inline void WriteBoundByte(const ModuleVar& bound, uint8_t value) {
  if (bound.pointer != nullptr) *static_cast<uint8_t*>(bound.pointer) = value;
}

// Floating to integer by truncation toward zero, defined for every input:
// values beyond the 32-bit range saturate at its ends and NaN gives 0.
constexpr int32_t TruncateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}
