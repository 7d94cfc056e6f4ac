// Calling convention and build facts shared by every module and the host.
#pragma once

#include <cstdint>

// Every routine that crosses between a module and the host takes 32-bit
// arguments the Windows API way: pushed last first, removed by the callee.
// On 32-bit x86 that is stdcall; a 64-bit native build has one convention.
#if defined(__i386__) || defined(_M_IX86)
#define GAUGE_CALL __attribute__((stdcall))
#define GAUGE_ADDRESSES_ARE_32_BIT 1
#else
#define GAUGE_CALL
#define GAUGE_ADDRESSES_ARE_32_BIT 0
#endif

// The two records a module exports by name; everything else stays hidden.
#if defined(_WIN32)
#define GAUGE_EXPORT  // the module definition file lists the exports
#else
#define GAUGE_EXPORT __attribute__((visibility("default")))
#endif
