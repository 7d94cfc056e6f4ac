// The tap on the modules' DirectSound (Windows). See sound_tap.h.
#include "bench/host/sound_tap.h"

#include <windows.h>

#include <dsound.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

namespace bench {

namespace {

using DirectSoundCreateRoutine = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUND*, LPUNKNOWN);

std::function<void(const platform::PlayedSound&)>& Listener() {
  static std::function<void(const platform::PlayedSound&)> listener;
  return listener;
}

// The real DirectSoundCreate, as the first tapped module's import named it.
DirectSoundCreateRoutine realDirectSoundCreate = nullptr;

// The tapped buffers alive, to tell them from the real ones a module may hold.
std::unordered_set<IDirectSoundBuffer*>& TappedBuffers() {
  static std::unordered_set<IDirectSoundBuffer*> buffers;
  return buffers;
}

// A buffer as the module sees it: every call goes to the real buffer; what
// the module writes between Lock and Unlock is kept, so that a play can be
// reported with the bytes it plays.
class TappedBuffer final : public IDirectSoundBuffer {
 public:
  TappedBuffer(IDirectSoundBuffer* real, const DSBUFFERDESC& description) : real_(real) {
    if (description.lpwfxFormat != nullptr) format_ = *description.lpwfxFormat;
    shadow_.assign(description.dwBufferBytes, 0);
    TappedBuffers().insert(this);
  }

  IDirectSoundBuffer* real() const { return real_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectSoundBuffer)) {
      *object = static_cast<IDirectSoundBuffer*>(this);
      AddRef();
      return S_OK;
    }
    // Other interfaces of the buffer come untapped.
    return real_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      TappedBuffers().erase(this);
      real_->Release();
      delete this;
    }
    return left;
  }

  // IDirectSoundBuffer
  HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override { return real_->GetCaps(caps); }
  HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
    return real_->GetCurrentPosition(play, write);
  }
  HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override {
    return real_->GetFormat(format, size, written);
  }
  HRESULT STDMETHODCALLTYPE GetVolume(LPLONG volume) override { return real_->GetVolume(volume); }
  HRESULT STDMETHODCALLTYPE GetPan(LPLONG pan) override { return real_->GetPan(pan); }
  HRESULT STDMETHODCALLTYPE GetFrequency(LPDWORD frequency) override {
    return real_->GetFrequency(frequency);
  }
  HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override { return real_->GetStatus(status); }
  HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUND device, LPCDSBUFFERDESC description) override {
    return real_->Initialize(device, description);
  }
  HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* part1, LPDWORD bytes1,
                                 LPVOID* part2, LPDWORD bytes2, DWORD flags) override {
    const HRESULT result = real_->Lock(offset, bytes, part1, bytes1, part2, bytes2, flags);
    if (result == DS_OK) {
      if ((flags & DSBLOCK_ENTIREBUFFER) != 0) {
        offset = 0;
      } else if ((flags & DSBLOCK_FROMWRITECURSOR) != 0) {
        DWORD play = 0;
        real_->GetCurrentPosition(&play, &offset);
      }
      lockOffset_ = offset;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD flags) override {
    const HRESULT result = real_->Play(reserved, priority, flags);
    if (result == DS_OK) Report();
    return result;
  }
  HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
    const HRESULT result = real_->SetCurrentPosition(position);
    if (result == DS_OK) position_ = position;
    return result;
  }
  HRESULT STDMETHODCALLTYPE SetFormat(LPCWAVEFORMATEX format) override {
    return real_->SetFormat(format);
  }
  HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override { return real_->SetVolume(volume); }
  HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override { return real_->SetPan(pan); }
  HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override {
    return real_->SetFrequency(frequency);
  }
  HRESULT STDMETHODCALLTYPE Stop() override { return real_->Stop(); }
  HRESULT STDMETHODCALLTYPE Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) override {
    // Keep what the module wrote: the first part from the locked offset,
    // the second (a lock that ran past the end) from the start.
    Keep(lockOffset_, part1, bytes1);
    Keep(0, part2, bytes2);
    return real_->Unlock(part1, bytes1, part2, bytes2);
  }
  HRESULT STDMETHODCALLTYPE Restore() override { return real_->Restore(); }

 private:
  ~TappedBuffer() = default;

  void Keep(DWORD offset, const void* part, DWORD bytes) {
    if (part == nullptr || offset >= shadow_.size()) return;
    const size_t count = std::min<size_t>(bytes, shadow_.size() - offset);
    std::memcpy(shadow_.data() + offset, part, count);
  }

  void Report() {
    const auto& listener = Listener();
    if (!listener) return;
    platform::PlayedSound sound;
    sound.channels = format_.nChannels;
    sound.samplesPerSecond = format_.nSamplesPerSec;
    sound.bitsPerSample = format_.wBitsPerSample;
    sound.blockAlign = format_.nBlockAlign;
    const size_t from = std::min<size_t>(position_, shadow_.size());
    sound.data = shadow_.data() + from;
    sound.bytes = static_cast<uint32_t>(shadow_.size() - from);
    sound.bufferBytes = static_cast<uint32_t>(shadow_.size());
    listener(sound);
  }

  IDirectSoundBuffer* real_;
  ULONG references_ = 1;
  WAVEFORMATEX format_{};
  std::vector<uint8_t> shadow_;
  DWORD lockOffset_ = 0;
  DWORD position_ = 0;
};

// The device as the module sees it: its buffers come tapped.
class TappedDevice final : public IDirectSound {
 public:
  explicit TappedDevice(IDirectSound* real) : real_(real) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDirectSound)) {
      *object = static_cast<IDirectSound*>(this);
      AddRef();
      return S_OK;
    }
    return real_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      real_->Release();
      delete this;
    }
    return left;
  }

  // IDirectSound
  HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC description,
                                              LPLPDIRECTSOUNDBUFFER buffer,
                                              IUnknown* outer) override {
    const HRESULT result = real_->CreateSoundBuffer(description, buffer, outer);
    // The primary buffer (no format of its own) is handed out as it is.
    if (result == DS_OK && buffer != nullptr && *buffer != nullptr && description != nullptr &&
        (description->dwFlags & DSBCAPS_PRIMARYBUFFER) == 0) {
      *buffer = new TappedBuffer(*buffer, *description);
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE GetCaps(LPDSCAPS caps) override { return real_->GetCaps(caps); }
  HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                 LPLPDIRECTSOUNDBUFFER duplicate) override {
    // A copy plays what the original holds, but is not followed.
    if (TappedBuffers().contains(original)) original = static_cast<TappedBuffer*>(original)->real();
    return real_->DuplicateSoundBuffer(original, duplicate);
  }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override {
    return real_->SetCooperativeLevel(window, level);
  }
  HRESULT STDMETHODCALLTYPE Compact() override { return real_->Compact(); }
  HRESULT STDMETHODCALLTYPE GetSpeakerConfig(LPDWORD config) override {
    return real_->GetSpeakerConfig(config);
  }
  HRESULT STDMETHODCALLTYPE SetSpeakerConfig(DWORD config) override {
    return real_->SetSpeakerConfig(config);
  }
  HRESULT STDMETHODCALLTYPE Initialize(LPCGUID device) override { return real_->Initialize(device); }

 private:
  ~TappedDevice() = default;

  IDirectSound* real_;
  ULONG references_ = 1;
};

HRESULT WINAPI TappedDirectSoundCreate(LPCGUID device, LPDIRECTSOUND* object, LPUNKNOWN outer) {
  const HRESULT result = realDirectSoundCreate(device, object, outer);
  if (result == DS_OK && object != nullptr && *object != nullptr) {
    *object = new TappedDevice(*object);
  }
  return result;
}

bool SameName(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

}  // namespace

void TapModuleSound(void* module) {
  auto* base = static_cast<uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return;
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return;

  for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
           base + directory.VirtualAddress);
       library->Name != 0; ++library) {
    if (!SameName(reinterpret_cast<const char*>(base + library->Name), "dsound.dll")) continue;
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    const auto* names = library->OriginalFirstThunk != 0
                            ? reinterpret_cast<const IMAGE_THUNK_DATA*>(
                                  base + library->OriginalFirstThunk)
                            : nullptr;
    // Without a name table, the slot is known by the address it holds.
    const auto bound = reinterpret_cast<DirectSoundCreateRoutine>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("dsound.dll"), "DirectSoundCreate")));
    for (size_t i = 0; slots[i].u1.Function != 0; ++i) {
      bool wanted;
      if (names != nullptr) {
        const auto& entry = names[i];
        wanted = IMAGE_SNAP_BY_ORDINAL(entry.u1.Ordinal)
                     ? IMAGE_ORDINAL(entry.u1.Ordinal) == 1  // DirectSoundCreate's ordinal
                     : SameName(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                    base + entry.u1.AddressOfData)->Name,
                                "DirectSoundCreate");
      } else {
        wanted = reinterpret_cast<DirectSoundCreateRoutine>(slots[i].u1.Function) == bound;
      }
      if (!wanted) continue;
      auto* slot = reinterpret_cast<void**>(&slots[i].u1.Function);
      if (*slot == reinterpret_cast<void*>(&TappedDirectSoundCreate)) continue;
      if (realDirectSoundCreate == nullptr) {
        realDirectSoundCreate = reinterpret_cast<DirectSoundCreateRoutine>(*slot);
      }
      DWORD protection = 0;
      if (VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        *slot = reinterpret_cast<void*>(&TappedDirectSoundCreate);
        VirtualProtect(slot, sizeof *slot, protection, &protection);
      }
    }
  }
}

void SetSoundListener(std::function<void(const platform::PlayedSound&)> listener) {
  Listener() = std::move(listener);
}

}  // namespace bench
