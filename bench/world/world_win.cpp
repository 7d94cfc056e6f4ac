// The world on Windows: the gauges meet the real thing. `window on` makes a
// real top-level window of the simulator's class, `registry` writes the real
// key under HKEY_LOCAL_MACHINE, which each run starts without, and the
// dimmer's plays reach the bench through the tap on its DirectSound.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "bench/host/sound_tap.h"
#include "bench/world/world.h"

namespace bench {

namespace {

std::string ErrorText(const std::string& what, LSTATUS status) {
  return std::string(what) + " (Windows error " + std::to_string(status) + ")";
}

// Removes the host's key with whatever it holds; a key that is not there is
// no error.
void DeleteHostKey() {
  const LSTATUS status = RegDeleteTreeA(HKEY_LOCAL_MACHINE, World::kHostKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    throw std::runtime_error(ErrorText("cannot clear the registry key HKEY_LOCAL_MACHINE\\" +
                                           std::string(World::kHostKey),
                                       status));
  }
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

void RegisterMainWindowClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &MainWindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = World::kMainWindowClass;
  if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error(ErrorText("cannot register the window class FS98MAIN",
                                       static_cast<LSTATUS>(GetLastError())));
  }
  registered = true;
}

class WindowsLink : public World::Link {
 public:
  explicit WindowsLink(World& world) {
    // A run starts with no host key, whatever an earlier run left.
    DeleteHostKey();
    SetSoundListener([&world](const platform::PlayedSound& sound) { world.SoundPlayed(sound); });
  }

  ~WindowsLink() override {
    SetSoundListener({});
    CloseWindow();
    try {
      DeleteHostKey();
    } catch (const std::exception&) {
      // Nothing to be done at the end of a run; the next one clears it again.
    }
  }

  void WindowChanged(bool on) override {
    if (!on) {
      CloseWindow();
      return;
    }
    if (window_ != nullptr) return;
    RegisterMainWindowClass();
    window_ = CreateWindowExA(0, World::kMainWindowClass, "Flight Simulator", WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr) {
      throw std::runtime_error(ErrorText("cannot make the host's main window",
                                         static_cast<LSTATUS>(GetLastError())));
    }
  }

  void RegistryValueSet(const std::string& name, const std::string& text) override {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, World::kHostKey, 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
      throw std::runtime_error(ErrorText("cannot make the registry key HKEY_LOCAL_MACHINE\\" +
                                             std::string(World::kHostKey),
                                         status));
    }
    // A string value, stored with its terminating zero.
    status = RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
      throw std::runtime_error(ErrorText("cannot write the registry value " + name, status));
    }
  }

  void RegistryValueDeleted(const std::string& name) override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, World::kHostKey, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
      return;  // no key, no value
    }
    const LSTATUS status = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      throw std::runtime_error(ErrorText("cannot delete the registry value " + name, status));
    }
  }

 private:
  void CloseWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
  }

  HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<World::Link> World::Connect(World& world) {
  return std::make_unique<WindowsLink>(world);
}

}  // namespace bench
