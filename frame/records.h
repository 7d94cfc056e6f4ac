// The records a gauge module shares with the host.
//
// Every record here is static data of the module, laid out at build time,
// read by the host in place and patched by it in the fields that say so.
// The layout is the host's: little-endian, packed to 4-byte boundaries, so a
// double may sit at an offset that is not a multiple of 8. Offsets in the
// comments are those of the 32-bit host. A native build with wider addresses
// keeps the fields and their order but aligns them naturally, so that no
// pointer or double is ever read from a misaligned address. Reserved fields
// are 0 in the module and belong to the host: gauge code never touches them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/platform.h"

#if GAUGE_ADDRESSES_ARE_32_BIT
#pragma pack(push, 4)
#endif

struct GaugeHeader;
struct ModuleVar;
struct ElementHeader;
struct StaticElement;
struct MouseRect;

// ---------------------------------------------------------------------------
// Routines the host calls in the module.

using ModuleRoutine = void(GAUGE_CALL*)();                 // module init, deinit
using QueryRoutine = uint32_t(GAUGE_CALL*)();              // forwards the host's answer
using ValueRoutine = void(GAUGE_CALL*)(uint32_t value);     // install, generate
using GaugeRoutine = void(GAUGE_CALL*)();                  // initialize, update, draw, kill
// An element callback gets the element's source, which the host has just
// refreshed from its token; its result is the element's value.
using ElementCallback = double(GAUGE_CALL*)(ModuleVar* source);
// A mouse handler: neither argument is read by any gauge; it returns 0.
using MouseHandler = int32_t(GAUGE_CALL*)(void* point, uint32_t mouseFlags);

// ---------------------------------------------------------------------------
// Exported records.

// `Linkage` (32 bytes): how the host finds the module's one gauge.
struct LinkageRecord {
  int32_t moduleId;            // 0: 0x13, the host's number for this kind of module
  ModuleRoutine moduleInit;    // 4: no arguments, no effect
  ModuleRoutine moduleDeinit;  // 8: no arguments, no effect
  uint32_t reserved[3];        // 12..20
  GaugeHeader* gauges[2];      // 24: the one header; 28: null, ending the list
};

// `ImportTable` entry (8 bytes); the table is a list ended by id 0.
struct ImportEntry {
  int32_t id;      // 0x0F for the host's operation table
  void* address;   // 0 in the module; the host stores its `HostTable` here
};

enum : int32_t {
  kLinkageModuleId = 0x13,
  kHostTableImportId = 0x0F,
  kGaugeHeaderVersion = 610,
};

// `GaugeHeader` (88 bytes): the gauge's name, its tree and its routines.
struct GaugeHeader {
  int32_t version;                // 0: 610
  const char* name;               // 4: zero-terminated ASCII
  StaticElement** elementList;    // 8: a cell holding the root; only this cell is read
  QueryRoutine query;             // 12
  ValueRoutine install;           // 16: the value goes on to ElementListInstall
  GaugeRoutine initialize;        // 20
  GaugeRoutine update;            // 24
  ValueRoutine generate;          // 28: the value goes on to ElementListGenerate
  GaugeRoutine draw;              // 32
  GaugeRoutine kill;              // 36
  uint32_t reserved40;            // 40
  int32_t defaultSize;            // 44: the host's unit; stored, never used here
  uint32_t reserved48[10];        // 48..84
};

// ---------------------------------------------------------------------------
// Display elements.

enum ElementKind : int32_t {
  kStaticElement = 0,
  kNeedleElement = 1,
  kIconElement = 4,
  kMovingElement = 5,
};

// Image flag bit 30: while set, the host does not draw the element. The only
// bit gauge code changes at run time; all other bits go to the host as stored.
constexpr uint32_t ImageHidden = 0x40000000u;

// `ModuleVar` (28 bytes): a value the host supplies, from a host variable
// named by its token or through a bound named variable.
struct ModuleVar {
  int32_t token;         // 0: host variable number; 0 names none
  void* pointer;         // 4: 0 in the module; BindNamedVar stores the storage address
  uint32_t reserved8;    // 8
  double value;          // 12: LookUpVar (and each evaluation) refreshes it from the token
  uint32_t reserved20[2];  // 20..24
};

// `FailureRecord`: a list of these ends with a (0, 0) record. Only the host reads them.
struct FailureRecord {
  int32_t system;
  int32_t action;
};

// The first 60 bytes of every element record.
struct ElementHeader {
  int32_t kind;                // 0: ElementKind
  int32_t resourceId;          // 4: the (first) bitmap's resource number
  int32_t positionX;           // 8: face pixels from the left edge
  int32_t positionY;           // 12: face pixels from the top edge
  uint32_t reserved16[2];      // 16, 20
  int32_t offsetX;             // 24: the bitmap point placed at the position;
  int32_t offsetY;             // 28:   a needle turns about it
  GaugeHeader* gauge;          // 32: the gauge's header, in every element
  uint32_t reserved36;         // 36
  ElementHeader** children;    // 40: null-terminated list, or 0
  FailureRecord* failures;     // 44: the gauge's failure list, or 0
  uint32_t imageFlags;         // 48: gauge code changes ImageHidden only
  uint32_t reserved52[2];      // 52, 56
};

// `StaticElement` (kind 0, 80 bytes): a fixed bitmap; the root of every tree.
struct StaticElement {
  ElementHeader header;
  void* imageRecord;           // 60: 0 in the module; ElementListInstall stores a host address
  uint32_t reserved64[4];      // 64..76
};

// `IconElement` (kind 4, 132 bytes): the k-th of several bitmaps, by value.
struct IconElement {
  ElementHeader header;
  ModuleVar source;            // 60
  ElementCallback callback;    // 88: or 0; then the value is the source's
  uint32_t reserved92[5];      // 92..108
  int32_t imageCount;          // 112: bitmaps at the resource id plus 3k
  uint32_t reserved116[4];     // 116..128
};

// Needle table entry (24 bytes); tables are in ascending order of value.
struct NeedlePoint {
  int32_t x;                   // 0: a point on the face
  int32_t y;                   // 4
  double value;                // 8: the value at which the needle points there
  uint32_t reserved16[2];      // 16
};

// `NeedleElement` (kind 1, 224 bytes): a bitmap turned about its offset point,
// which sits at the position, towards the table point of the value.
struct NeedleElement {
  ElementHeader header;
  ModuleVar source;            // 60
  ElementCallback callback;    // 88
  uint32_t reserved92[3];      // 92..100
  int32_t referenceX;          // 104
  int32_t referenceY;          // 108
  NeedlePoint* table;          // 112: or 0
  int32_t tableCount;          // 116: 0 without a table
  uint32_t reserved120[26];    // 120..220
};

// `MovingElement` (kind 5, 244 bytes): a bitmap shifted by one value per axis.
struct MovingElement {
  ElementHeader header;
  ModuleVar xSource;           // 60
  ElementCallback xCallback;   // 88
  double xMinimum;             // 92
  double xMaximum;             // 100: equal to the minimum: no movement on x
  uint32_t reserved108;        // 108
  ModuleVar ySource;           // 112
  ElementCallback yCallback;   // 140
  double yMinimum;             // 144
  double yMaximum;             // 152
  uint32_t reserved160[21];    // 160..240
};

// ---------------------------------------------------------------------------
// Mouse areas.

enum MouseRectKind : int32_t {
  kMouseEnd = 0,       // ends the list
  kMouseParent = 1,    // first record; names the list
  kMouseArea = 2,      // a click area
  kMouseEndParent = 3, // closes the parent
};

constexpr uint32_t kMousePushFlags = 0x20000000u;  // bit 29: push areas
constexpr uint32_t kMouseStepFlags = 0x20200000u;  // bits 29 and 21: stepping areas

// `MouseRect` (44 bytes). No gauge code reads or changes one at run time.
struct MouseRect {
  int32_t kind;                // 0: MouseRectKind
  int32_t x;                   // 4: face pixels
  int32_t y;                   // 8
  int32_t width;               // 12
  int32_t height;              // 16
  int32_t cursor;              // 20: -1 on parent and closing records
  uint32_t reserved24;         // 24
  uint32_t mouseFlags;         // 28: 0 on parent and closing records
  uint32_t reserved32;         // 32
  MouseHandler handler;        // 36: 0 on parent and closing records
  uint32_t reserved40;         // 40
};

#if GAUGE_ADDRESSES_ARE_32_BIT
#pragma pack(pop)
#endif

// ---------------------------------------------------------------------------
// The 32-bit layout, checked wherever addresses are 32-bit.
#if GAUGE_ADDRESSES_ARE_32_BIT
static_assert(sizeof(LinkageRecord) == 32);
static_assert(offsetof(LinkageRecord, moduleInit) == 4);
static_assert(offsetof(LinkageRecord, moduleDeinit) == 8);
static_assert(offsetof(LinkageRecord, reserved) == 12);
static_assert(offsetof(LinkageRecord, gauges) == 24);
static_assert(sizeof(ImportEntry) == 8);
static_assert(offsetof(ImportEntry, address) == 4);
static_assert(sizeof(GaugeHeader) == 88);
static_assert(offsetof(GaugeHeader, name) == 4);
static_assert(offsetof(GaugeHeader, elementList) == 8);
static_assert(offsetof(GaugeHeader, query) == 12);
static_assert(offsetof(GaugeHeader, install) == 16);
static_assert(offsetof(GaugeHeader, initialize) == 20);
static_assert(offsetof(GaugeHeader, update) == 24);
static_assert(offsetof(GaugeHeader, generate) == 28);
static_assert(offsetof(GaugeHeader, draw) == 32);
static_assert(offsetof(GaugeHeader, kill) == 36);
static_assert(offsetof(GaugeHeader, reserved40) == 40);
static_assert(offsetof(GaugeHeader, defaultSize) == 44);
static_assert(offsetof(GaugeHeader, reserved48) == 48);
static_assert(sizeof(ModuleVar) == 28);
static_assert(offsetof(ModuleVar, pointer) == 4);
static_assert(offsetof(ModuleVar, reserved8) == 8);
static_assert(offsetof(ModuleVar, value) == 12);
static_assert(offsetof(ModuleVar, reserved20) == 20);
static_assert(sizeof(FailureRecord) == 8);
static_assert(sizeof(ElementHeader) == 60);
static_assert(offsetof(ElementHeader, resourceId) == 4);
static_assert(offsetof(ElementHeader, positionX) == 8);
static_assert(offsetof(ElementHeader, positionY) == 12);
static_assert(offsetof(ElementHeader, reserved16) == 16);
static_assert(offsetof(ElementHeader, offsetX) == 24);
static_assert(offsetof(ElementHeader, offsetY) == 28);
static_assert(offsetof(ElementHeader, gauge) == 32);
static_assert(offsetof(ElementHeader, reserved36) == 36);
static_assert(offsetof(ElementHeader, children) == 40);
static_assert(offsetof(ElementHeader, failures) == 44);
static_assert(offsetof(ElementHeader, imageFlags) == 48);
static_assert(offsetof(ElementHeader, reserved52) == 52);
static_assert(sizeof(StaticElement) == 80);
static_assert(offsetof(StaticElement, imageRecord) == 60);
static_assert(offsetof(StaticElement, reserved64) == 64);
static_assert(sizeof(IconElement) == 132);
static_assert(offsetof(IconElement, source) == 60);
static_assert(offsetof(IconElement, callback) == 88);
static_assert(offsetof(IconElement, reserved92) == 92);
static_assert(offsetof(IconElement, imageCount) == 112);
static_assert(offsetof(IconElement, reserved116) == 116);
static_assert(sizeof(NeedlePoint) == 24);
static_assert(offsetof(NeedlePoint, value) == 8);
static_assert(offsetof(NeedlePoint, reserved16) == 16);
static_assert(sizeof(NeedleElement) == 224);
static_assert(offsetof(NeedleElement, source) == 60);
static_assert(offsetof(NeedleElement, callback) == 88);
static_assert(offsetof(NeedleElement, reserved92) == 92);
static_assert(offsetof(NeedleElement, referenceX) == 104);
static_assert(offsetof(NeedleElement, referenceY) == 108);
static_assert(offsetof(NeedleElement, table) == 112);
static_assert(offsetof(NeedleElement, tableCount) == 116);
static_assert(offsetof(NeedleElement, reserved120) == 120);
static_assert(sizeof(MovingElement) == 244);
static_assert(offsetof(MovingElement, xSource) == 60);
static_assert(offsetof(MovingElement, xCallback) == 88);
static_assert(offsetof(MovingElement, xMinimum) == 92);
static_assert(offsetof(MovingElement, xMaximum) == 100);
static_assert(offsetof(MovingElement, reserved108) == 108);
static_assert(offsetof(MovingElement, ySource) == 112);
static_assert(offsetof(MovingElement, yCallback) == 140);
static_assert(offsetof(MovingElement, yMinimum) == 144);
static_assert(offsetof(MovingElement, yMaximum) == 152);
static_assert(offsetof(MovingElement, reserved160) == 160);
static_assert(sizeof(MouseRect) == 44);
static_assert(offsetof(MouseRect, x) == 4);
static_assert(offsetof(MouseRect, y) == 8);
static_assert(offsetof(MouseRect, width) == 12);
static_assert(offsetof(MouseRect, height) == 16);
static_assert(offsetof(MouseRect, cursor) == 20);
static_assert(offsetof(MouseRect, reserved24) == 24);
static_assert(offsetof(MouseRect, mouseFlags) == 28);
static_assert(offsetof(MouseRect, reserved32) == 32);
static_assert(offsetof(MouseRect, handler) == 36);
static_assert(offsetof(MouseRect, reserved40) == 40);
#endif

// Every record is an element of the host's layout in any build: the common
// header comes first, so an element's address is its header's address.
static_assert(offsetof(StaticElement, header) == 0);
static_assert(offsetof(IconElement, header) == 0);
static_assert(offsetof(NeedleElement, header) == 0);
static_assert(offsetof(MovingElement, header) == 0);
