// The dimmer's click sound, played through DirectSound from the host's
// "Sound" folder. Sound is an extra: any failure turns it off for as long as
// the module stays loaded, and the knob works on without it.
#pragma once

#include <cstdint>

// At initialize: finds the host's main window, makes the sound device and
// works out the host's sound folder from its registry key. 1 when sound is
// ready, 0 after a failure.
int32_t SetUpSound();

// On a click: loads the WAV file `name` from the sound folder into a new
// sound buffer and starts it playing once. 1 when it started, 0 when
// nothing was played.
int32_t PlayWaveFile(const char* name);

// At kill: gives back the folder, the click buffers and the device.
void ReleaseSound();
