// The host's table of operations, as a module sees it.
//
// The host stores the table's address into `ImportTable` entry 0 before it
// calls any routine of the module; every call reads that slot afresh through
// Host(). Offsets are those of the 32-bit host: each operation is a 32-bit
// routine address at its byte offset. Slots the modules never call are left
// unnamed. Results other than the query's are never read by a module.
#pragma once

#include "frame/records.h"

#if GAUGE_ADDRESSES_ARE_32_BIT
#pragma pack(push, 4)
#endif

struct HostTable {
  void* neverCalled00[24];  // 0x00..0x5c

  // 0x60: the answer becomes the query routine's result.
  uint32_t(GAUGE_CALL* ElementListQuery)(StaticElement* root);
  // 0x64: afterwards the root's image-record field holds a host address.
  void(GAUGE_CALL* ElementListInstall)(StaticElement* root, uint32_t installValue);
  void(GAUGE_CALL* ElementListInitialize)(StaticElement* root);  // 0x68
  // 0x6c: refreshes every source from its token and calls every callback,
  // root first, then the children in list order, one element at a time.
  void(GAUGE_CALL* ElementListUpdate)(StaticElement* root);
  void(GAUGE_CALL* ElementListGenerate)(StaticElement* root, uint32_t generateValue);  // 0x70
  void(GAUGE_CALL* ElementListDraw)(StaticElement* root);  // 0x74
  void* neverCalled78;
  void(GAUGE_CALL* ElementListKill)(StaticElement* root);  // 0x7c
  // 0x80: the third argument is the root's image-record address plus 4.
  void(GAUGE_CALL* MouseListInstall)(MouseRect* list, GaugeHeader* header, void* placement);
  // 0x84: from here on the host may call the list's handlers.
  void(GAUGE_CALL* MouseListRegister)(MouseRect* list, GaugeHeader* header);
  // 0x88: no handler of the list is called afterwards.
  void(GAUGE_CALL* MouseListUnregister)(MouseRect* list, GaugeHeader* header);
  void* neverCalled8c;
  void(GAUGE_CALL* SendKeyEvent)(uint32_t eventId, int32_t value);  // 0x90
  // 0x94: binds of the name yield the storage address from now on.
  void(GAUGE_CALL* RegisterNamedVar)(void* storage, int32_t typeCode, const char* name);
  void* neverCalled98;
  // 0x9c: the variable's pointer field gets the storage address, or stays 0.
  void(GAUGE_CALL* BindNamedVar)(ModuleVar* variable, const char* name);
  // 0xa0: the variable's value gets the host variable of its token.
  void(GAUGE_CALL* LookUpVar)(ModuleVar* variable);
  void(GAUGE_CALL* UnregisterNamedVar)(const char* name);  // 0xa4
};

#if GAUGE_ADDRESSES_ARE_32_BIT
#pragma pack(pop)
#endif

// The type code that goes with 32-bit signed integer storage.
constexpr int32_t kNamedVarInt32 = 19;

#if GAUGE_ADDRESSES_ARE_32_BIT
static_assert(offsetof(HostTable, ElementListQuery) == 0x60);
static_assert(offsetof(HostTable, ElementListInstall) == 0x64);
static_assert(offsetof(HostTable, ElementListInitialize) == 0x68);
static_assert(offsetof(HostTable, ElementListUpdate) == 0x6c);
static_assert(offsetof(HostTable, ElementListGenerate) == 0x70);
static_assert(offsetof(HostTable, ElementListDraw) == 0x74);
static_assert(offsetof(HostTable, ElementListKill) == 0x7c);
static_assert(offsetof(HostTable, MouseListInstall) == 0x80);
static_assert(offsetof(HostTable, MouseListRegister) == 0x84);
static_assert(offsetof(HostTable, MouseListUnregister) == 0x88);
static_assert(offsetof(HostTable, SendKeyEvent) == 0x90);
static_assert(offsetof(HostTable, RegisterNamedVar) == 0x94);
static_assert(offsetof(HostTable, BindNamedVar) == 0x9c);
static_assert(offsetof(HostTable, LookUpVar) == 0xa0);
static_assert(offsetof(HostTable, UnregisterNamedVar) == 0xa4);
static_assert(sizeof(HostTable) == 0xa8);
#endif
