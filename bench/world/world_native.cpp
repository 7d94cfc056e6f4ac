// The world on a machine that is not Windows: the stand-ins for the Windows
// services (platform/) answer the dimmer from it.
#include <algorithm>
#include <cctype>

#include "bench/world/world.h"

namespace bench {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// What the stand-ins for the Windows services see of this world.
class NativeLink : public World::Link, public platform::HostWorld {
 public:
  explicit NativeLink(World& world) : world_(world) { platform::ConnectWorld(this); }
  ~NativeLink() override {
    if (platform::ConnectedWorld() == this) platform::ConnectWorld(nullptr);
  }

  // The stand-ins read the window and the registry from the world itself.
  void WindowChanged(bool) override {}
  void RegistryValueSet(const std::string&, const std::string&) override {}
  void RegistryValueDeleted(const std::string&) override {}

  bool HasWindow(std::string_view windowClass) const override {
    return world_.window() && Lower(std::string(windowClass)) == Lower(World::kMainWindowClass);
  }
  bool HasRegistryKey(std::string_view path) const override {
    return world_.registryKeyExists() && Lower(std::string(path)) == Lower(World::kHostKey);
  }
  std::optional<std::string> RegistryValue(std::string_view path,
                                           std::string_view name) const override {
    if (!HasRegistryKey(path)) return std::nullopt;
    return world_.RegistryValue(std::string(name));
  }
  double Seconds() const override { return world_.Seconds(); }
  void Played(const platform::PlayedSound& sound) override { world_.SoundPlayed(sound); }

 private:
  World& world_;
};

}  // namespace

std::unique_ptr<World::Link> World::Connect(World& world) {
  return std::make_unique<NativeLink>(world);
}

}  // namespace bench
