// What the parts of the native layer share among themselves.
#pragma once

#include <string_view>

#include "platform/host_world.h"
#include "platform/windows_services.h"

namespace platform::layer {

// Live objects handed out, by kind.
Census& Counts();

// True once for each RefuseNext of the call.
bool Refused(SoundCall call);
uint32_t BufferTurn();

// The host's clock, 0 while no world is connected.
double Now();

// Names of windows, keys, values and files compare the Windows way.
bool SameNoCase(std::string_view a, std::string_view b);

// Whether the handle is the host's main window and the window still exists.
bool IsMainWindow(HWND window);

}  // namespace platform::layer
