// The host's main window and its registry key, as the bench's world has them.
#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/layer.h"

// The one top-level window the world can have: the simulator's main window.
struct HWND__ {
  int unused;
};

// An open registry key: the path it was opened with and the access asked for.
struct HKEY__ {
  std::string path;
  REGSAM access;
};

namespace {

constexpr std::string_view kMainWindowClass = "FS98MAIN";
constexpr REGSAM kKeyQueryValue = 0x1;
constexpr LONG kErrorAccessDenied = 5;

HWND__ mainWindow;
std::unordered_set<HKEY> openKeys;

bool IsOpenKey(HKEY key) { return key != nullptr && openKeys.contains(key); }

}  // namespace

namespace platform::layer {

bool IsMainWindow(HWND window) {
  const HostWorld* world = ConnectedWorld();
  return window == &mainWindow && world != nullptr && world->HasWindow(kMainWindowClass);
}

}  // namespace platform::layer

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  // The world's windows have no titles to look for.
  if (className == nullptr || windowName != nullptr) return nullptr;
  if (!platform::layer::SameNoCase(className, kMainWindowClass)) return nullptr;
  const platform::HostWorld* world = platform::ConnectedWorld();
  if (world == nullptr || !world->HasWindow(className)) return nullptr;
  return &mainWindow;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  // Only the machine's own keys are there to be opened.
  if (key != HKEY_LOCAL_MACHINE) return ERROR_INVALID_HANDLE;
  if (options != 0) return ERROR_INVALID_PARAMETER;
  const std::string path = subKey != nullptr ? subKey : "";
  const platform::HostWorld* world = platform::ConnectedWorld();
  if (world == nullptr || !world->HasRegistryKey(path)) return ERROR_FILE_NOT_FOUND;
  HKEY opened = new HKEY__{path, access};
  openKeys.insert(opened);
  ++platform::layer::Counts().openKeys;
  *result = opened;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataBytes) {
  if (!IsOpenKey(key)) return ERROR_INVALID_HANDLE;
  if (reserved != nullptr || (data != nullptr && dataBytes == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  if ((key->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  const platform::HostWorld* world = platform::ConnectedWorld();
  if (world == nullptr) return ERROR_FILE_NOT_FOUND;
  const std::optional<std::string> value =
      world->RegistryValue(key->path, valueName != nullptr ? valueName : "");
  if (!value) return ERROR_FILE_NOT_FOUND;
  // A string value is stored with its terminating zero.
  const auto size = static_cast<DWORD>(value->size() + 1);
  if (type != nullptr) *type = REG_SZ;
  if (data != nullptr) {
    if (*dataBytes < size) {
      *dataBytes = size;
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, value->c_str(), size);
  }
  if (dataBytes != nullptr) *dataBytes = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!IsOpenKey(key)) return ERROR_INVALID_HANDLE;
  openKeys.erase(key);
  delete key;
  --platform::layer::Counts().openKeys;
  return ERROR_SUCCESS;
}
