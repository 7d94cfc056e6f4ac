// The module's exported records and entry routines, the same in every gauge.
#include "frame/gauge.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// The host calls these around the module's life; they do nothing.
void GAUGE_CALL ModuleInit() {}
void GAUGE_CALL ModuleDeinit() {}

}  // namespace

extern "C" {

GAUGE_EXPORT ImportEntry ImportTable[2] = {
    {kHostTableImportId, nullptr},
    {0, nullptr},
};

GAUGE_EXPORT LinkageRecord Linkage = {
    .moduleId = kLinkageModuleId,
    .moduleInit = &ModuleInit,
    .moduleDeinit = &ModuleDeinit,
    .reserved = {},
    .gauges = {&gaugeHeader, nullptr},
};

}  // extern "C"

#if defined(_WIN32)
// Loading never fails on the module's side.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
