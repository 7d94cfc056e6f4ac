// Writes the scenario scripts' WAV files into a folder:
//   make_dimmer_sounds dimmer/scenarios/sounds
#include <cstdio>
#include <fstream>
#include <iostream>

#include "dimmer/scenario_sounds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_dimmer_sounds FOLDER\n";
    return 2;
  }
  for (const auto& [name, bytes] : dimmer_sounds::ScenarioSounds()) {
    const std::string path = std::string(argv[1]) + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "make_dimmer_sounds: cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
