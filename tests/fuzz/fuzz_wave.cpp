// The click sound's reading path with any file as "click.wav": the dimmer's
// own sound code, on this machine's stand-ins for the multimedia-file
// services and DirectSound, and the bench's mix of what was played. Each
// input is played twice in a row (the sounds overlap), then everything is
// given back; nothing may stay open afterwards.
//
// The dimmer's sound code is compiled into the harness, so that its module
// state is in reach: sound turns off for good after a failure, and each
// input starts with it on, as after a fresh load of the module.
#include "dimmer/click_sound.cpp"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "bench/world/mixdown.h"
#include "platform/host_world.h"

namespace {

namespace fs = std::filesystem;

// Names of windows, keys and values compare the Windows way.
bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The host's world for the sound code: a main window, the host's registry
// key pointing at a folder of our own, a clock, and a mix that hears every
// sound.
class FuzzWorld : public platform::HostWorld {
 public:
  FuzzWorld() {
    std::random_device entropy;
    folder_ = fs::temp_directory_path() / ("fuzz-wave-" + std::to_string(entropy()));
    fs::create_directories(folder_ / "Sound");
    platform::ConnectWorld(this);
  }
  ~FuzzWorld() override {
    platform::ConnectWorld(nullptr);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path soundFile() const { return folder_ / "Sound" / "click.wav"; }
  void Pass(double seconds) { now_ += seconds; }
  void StartClock() { now_ = 0.0; }
  void Listen(bench::Mixdown* mix) { mix_ = mix; }

  bool HasWindow(std::string_view windowClass) const override {
    return SameNoCase(windowClass, "FS98MAIN");
  }
  bool HasRegistryKey(std::string_view path) const override {
    return SameNoCase(path, kHostKey);
  }
  std::optional<std::string> RegistryValue(std::string_view path,
                                           std::string_view name) const override {
    if (!HasRegistryKey(path)) return std::nullopt;
    if (SameNoCase(name, "PlayerName")) return std::string("Fuzz");
    if (SameNoCase(name, "path")) return folder_.string();
    return std::nullopt;
  }
  double Seconds() const override { return now_; }
  void Played(const platform::PlayedSound& sound) override {
    if (mix_ != nullptr) mix_->Add(sound, now_);
  }

 private:
  fs::path folder_;
  double now_ = 0.0;
  bench::Mixdown* mix_ = nullptr;
};

// The harness's own limit, so that one input stays quick: a "data" chunk
// may claim any size, and the sound code takes a block and a buffer of that
// size and plays it to its end (silence after the bytes the file holds).
// Claims above a few megabytes only cost time here.
constexpr uint32_t kLargestClaim = 4u << 20;

bool ClaimsTooMuch(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 8 <= size; ++i) {
    if (data[i] == 'd' && data[i + 1] == 'a' && data[i + 2] == 't' && data[i + 3] == 'a') {
      const uint32_t claim = static_cast<uint32_t>(data[i + 4]) |
                             static_cast<uint32_t>(data[i + 5]) << 8 |
                             static_cast<uint32_t>(data[i + 6]) << 16 |
                             static_cast<uint32_t>(data[i + 7]) << 24;
      if (claim > kLargestClaim) return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ClaimsTooMuch(data, size)) return -1;
  static FuzzWorld world;
  {
    std::ofstream file(world.soundFile(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  bench::Mixdown mix;
  world.StartClock();
  world.Listen(&mix);
  soundEnabled = 1;  // as after a fresh load
  SetUpSound();
  PlayWaveFile("click.wav");
  world.Pass(0.05);
  PlayWaveFile("click.wav");
  world.Pass(60.0);
  ReleaseSound();
  world.Listen(nullptr);
  (void)mix.WaveFile();

  const platform::Census left = platform::TakeCensus();
  if (left.openFiles != 0 || left.buffers != 0 || left.devices != 0 || left.openKeys != 0) {
    std::fprintf(stderr, "the click sound left behind %d files, %d buffers, %d devices, %d keys\n",
                 left.openFiles, left.buffers, left.devices, left.openKeys);
    std::abort();
  }
  return 0;
}
