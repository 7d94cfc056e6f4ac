// Windows: what the modules play through DirectSound, seen by the bench.
//
// A module links DirectSoundCreate from the DirectSound library. When the
// bench loads a module it points that import at the tap, which makes the
// real DirectSound object and hands the module a stand-in that forwards
// every call to it. The stand-in's buffers keep a copy of what the module
// wrote into them, and each Play that the real buffer accepts is reported
// with the buffer's format and bytes, as on the native build.
#pragma once

#include <functional>

#include "platform/host_world.h"

namespace bench {

// Points the import of DirectSoundCreate of a module just loaded (its
// handle) at the tap. A module that does not import it is left as it is.
void TapModuleSound(void* module);

// Receives every sound whose Play succeeded; an empty function stops it.
void SetSoundListener(std::function<void(const platform::PlayedSound&)> listener);

}  // namespace bench
