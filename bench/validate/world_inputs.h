// The host's world as the stress checks set it up and change it: the main
// window, the host's registry key, and the sound files a module may read
// from the host's sound folder. The validator knows no gauge: the sound
// files it supplies are those whose names the module itself carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/host/module_image.h"
#include "bench/validate/values.h"
#include "bench/world/world.h"

namespace bench::validate {

// The names of WAV files ("click.wav") among the module's read-only strings.
std::vector<std::string> SoundFileNames(const ModuleImage& image);

// A sound file, well formed or broken in one of the ways files are, and
// what it is ("a 16-bit stereo PCM sound of 800 bytes").
struct WaveFile {
  std::vector<uint8_t> bytes;
  std::string what;
};
WaveFile MakeWaveFile(Random& random);
// A well-formed PCM sound.
WaveFile MakeGoodWaveFile(Random& random);

// A world in which a module finds everything it may look for: the main
// window, the host's key with its folder, and a good file for each name.
void SetUpWorld(World& world, const std::vector<std::string>& soundNames, Random& random);

// One random change of the world; what was changed.
std::string ChangeWorld(World& world, const std::vector<std::string>& soundNames, Random& random);

}  // namespace bench::validate
