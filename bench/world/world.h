// The host's world outside the gauge interface: the simulator's main window,
// its registry key and its folder. The dimmer finds its click sound there.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace bench {

class World {
 public:
  // Makes a fresh, empty host folder with its "Sound" folder inside.
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  const std::filesystem::path& hostDir() const { return hostDir_; }
  std::filesystem::path soundDir() const { return hostDir_ / "Sound"; }
  // The host folder's name as the platform writes folder names.
  std::string HostDirText() const;

  bool window() const { return window_; }
  void set_window(bool on) { window_ = on; }

  // String values under the host's registry key; names compare without
  // regard to case. The key exists once a value has been set.
  void SetRegistryValue(const std::string& name, const std::string& text);
  void DeleteRegistryValue(const std::string& name);
  bool registryKeyExists() const { return keyExists_; }
  std::optional<std::string> RegistryValue(const std::string& name) const;

  // Copies `source` into the sound folder as `name`, replacing a file whose
  // name differs only in case. Throws std::runtime_error on failure.
  void AddSoundFile(const std::string& name, const std::filesystem::path& source);

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::filesystem::path hostDir_;
  bool window_ = false;
  bool keyExists_ = false;
  std::map<std::string, std::string, NoCase> registry_;
};

}  // namespace bench
