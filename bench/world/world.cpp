#include "bench/world/world.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "bench/host/host.h"

namespace bench {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::filesystem::path MakeFreshFolder() {
  std::random_device entropy;
  std::mt19937_64 random(entropy());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "gaugebench-%016llx",
                  static_cast<unsigned long long>(random()));
    std::filesystem::path folder = base / name;
    if (std::filesystem::create_directory(folder)) return folder;
  }
  throw std::runtime_error("cannot make a host folder in " + base.string());
}

}  // namespace

bool World::NoCase::operator()(const std::string& a, const std::string& b) const {
  return Lower(a) < Lower(b);
}

World::World() : hostDir_(MakeFreshFolder()) {
  std::filesystem::create_directory(soundDir());
  link_ = Connect(*this);
}

World::~World() {
  link_.reset();
  if (mix_ != nullptr && !mixFile_.empty()) {
    try {
      mix_->Write(mixFile_);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "gaugebench: %s\n", error.what());
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(hostDir_, ignored);
}

void World::SoundPlayed(const platform::PlayedSound& sound) {
  if (Host* host = Host::Active()) host->ReportPlay(sound.bufferBytes);
  if (mix_ != nullptr) mix_->Add(sound, Seconds());
}

void World::RecordSound(const std::filesystem::path& file) {
  // Find out now, before the run, whether the file can be written.
  mix_ = std::make_unique<Mixdown>();
  mix_->Write(file);
  mixFile_ = file;
}

std::string World::HostDirText() const { return hostDir_.string(); }

void World::set_window(bool on) {
  window_ = on;
  link_->WindowChanged(on);
}

void World::SetRegistryValue(const std::string& name, const std::string& text) {
  keyExists_ = true;
  registry_[name] = text;
  link_->RegistryValueSet(name, text);
}

void World::DeleteRegistryValue(const std::string& name) {
  registry_.erase(name);
  link_->RegistryValueDeleted(name);
}

std::optional<std::string> World::RegistryValue(const std::string& name) const {
  auto it = registry_.find(name);
  if (it == registry_.end()) return std::nullopt;
  return it->second;
}

void World::AddSoundFile(const std::string& name, const std::filesystem::path& source) {
  // File names in the host folder compare without regard to case.
  for (const auto& entry : std::filesystem::directory_iterator(soundDir())) {
    if (Lower(entry.path().filename().string()) == Lower(name)) {
      std::filesystem::remove(entry.path());
    }
  }
  std::error_code error;
  std::filesystem::copy_file(source, soundDir() / name, error);
  if (error) {
    throw std::runtime_error("cannot copy " + source.string() + ": " + error.message());
  }
}

}  // namespace bench
