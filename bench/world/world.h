// The host's world outside the gauge interface: the simulator's main window,
// its registry key and its folder, the host's clock and its speaker. The
// dimmer finds its click sound there and plays it there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "bench/world/mixdown.h"
#include "platform/host_world.h"

namespace bench {

class World {
 public:
  // The host's registry key, under HKEY_LOCAL_MACHINE.
  static constexpr const char* kHostKey =
      "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\7.0";
  // The class of the simulator's main window.
  static constexpr const char* kMainWindowClass = "FS98MAIN";
  // The host's clock runs 18 frames a second, the simulator's panel rate.
  static constexpr double kFrameSeconds = 1.0 / 18.0;

  // Makes a fresh, empty host folder with its "Sound" folder inside. On this
  // machine's stand-ins for the Windows services, the newest World is the one
  // they answer from.
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  const std::filesystem::path& hostDir() const { return hostDir_; }
  std::filesystem::path soundDir() const { return hostDir_ / "Sound"; }
  // The host folder's name as the platform writes folder names.
  std::string HostDirText() const;

  bool window() const { return window_; }
  void set_window(bool on);

  // String values under the host's registry key; names compare without
  // regard to case. The key exists once a value has been set.
  void SetRegistryValue(const std::string& name, const std::string& text);
  void DeleteRegistryValue(const std::string& name);
  bool registryKeyExists() const { return keyExists_; }
  std::optional<std::string> RegistryValue(const std::string& name) const;

  // Copies `source` into the sound folder as `name`, replacing a file whose
  // name differs only in case. Throws std::runtime_error on failure.
  void AddSoundFile(const std::string& name, const std::filesystem::path& source);

  // The clock: only frames move it, so a run sounds the same every time.
  void PassFrame() { ++frames_; }
  double Seconds() const { return static_cast<double>(frames_) * kFrameSeconds; }

  // A sound buffer started playing: the host reports it for the gauge that
  // is running, and the mix takes it when one is being recorded.
  void SoundPlayed(const platform::PlayedSound& sound);
  // From now on, every sound played goes into a mix, written as a WAV file
  // when the world ends. Throws std::runtime_error, naming the file, when it
  // cannot be written.
  void RecordSound(const std::filesystem::path& file);
  const Mixdown* mix() const { return mix_.get(); }

  // The machine's side of the world. On Windows it is the real main window
  // and registry key (world_win.cpp); elsewhere the stand-ins for the
  // Windows services answer from this world (world_native.cpp).
  class Link {
   public:
    virtual ~Link() = default;
    virtual void WindowChanged(bool on) = 0;
    virtual void RegistryValueSet(const std::string& name, const std::string& text) = 0;
    virtual void RegistryValueDeleted(const std::string& name) = 0;
  };

 private:
  static std::unique_ptr<Link> Connect(World& world);

  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::filesystem::path hostDir_;
  bool window_ = false;
  bool keyExists_ = false;
  std::map<std::string, std::string, NoCase> registry_;
  uint64_t frames_ = 0;
  std::unique_ptr<Mixdown> mix_;
  std::filesystem::path mixFile_;
  std::unique_ptr<Link> link_;  // made last, ended first
};

}  // namespace bench
