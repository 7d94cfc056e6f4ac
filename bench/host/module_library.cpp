#include "bench/host/module_library.h"

#if defined(_WIN32)
#include <windows.h>

#include "bench/host/sound_tap.h"
#else
#include <dlfcn.h>
#endif

namespace bench {

#if defined(_WIN32)

std::unique_ptr<ModuleLibrary> ModuleLibrary::Open(const std::filesystem::path& file,
                                                   std::string& error) {
  HMODULE handle = LoadLibraryW(file.wstring().c_str());
  if (handle == nullptr) {
    error = "the loader refused it (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  // The bench hears what the module plays through DirectSound.
  TapModuleSound(handle);
  return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(handle, file));
}

ModuleLibrary::~ModuleLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* ModuleLibrary::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

std::string ModuleLibrary::FileName(const std::string& gauge) { return gauge + ".gau"; }

#else

std::unique_ptr<ModuleLibrary> ModuleLibrary::Open(const std::filesystem::path& file,
                                                   std::string& error) {
  // Local binding keeps each module's symbols to itself; two gauges never
  // share state through the loader.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    error = why != nullptr ? why : "the loader refused it";
    return nullptr;
  }
  return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(handle, file));
}

ModuleLibrary::~ModuleLibrary() { dlclose(handle_); }

void* ModuleLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

std::string ModuleLibrary::FileName(const std::string& gauge) { return gauge + ".so"; }

#endif

}  // namespace bench
