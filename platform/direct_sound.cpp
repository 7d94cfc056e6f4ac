// A software sound device: buffers of PCM sound that play against the host's
// clock and are heard by the world's speaker. It refuses what a real device
// refuses: buffers outside DSBSIZE_MIN..DSBSIZE_MAX bytes, formats it cannot
// play, descriptions of the wrong size, buffers before a cooperative level.
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "platform/layer.h"

namespace {

using platform::SoundCall;
using platform::layer::Counts;
using platform::layer::Refused;

constexpr DWORD kPrimaryBuffer = 0x1;
// Every capability a secondary buffer may ask for.
constexpr DWORD kBufferCaps = 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x100 | 0x200 |
                              0x4000 | 0x8000 | 0x10000 | 0x20000 | 0x40000;
constexpr DWORD kLockFromWriteCursor = 0x1;
constexpr DWORD kLockEntireBuffer = 0x2;
constexpr DWORD kHighestLevel = 4;  // DSSCL_WRITEPRIMARY
constexpr HRESULT kBufferLost = static_cast<HRESULT>(0x88780096u);
// A fresh buffer holds what the device's memory held before: never silence.
constexpr uint8_t kFreshByte = 0xA5;

std::array<uint8_t, sizeof(WAVEFORMATEX)> lastFormat;

bool PlayableFormat(const WAVEFORMATEX& f) {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f.nChannels < 1 || f.nChannels > 2) return false;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
  if (f.nSamplesPerSec < 100 || f.nSamplesPerSec > 200000) return false;
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
  return f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

class SoftwareBuffer final : public IDirectSoundBuffer {
 public:
  SoftwareBuffer(const WAVEFORMATEX& format, std::vector<uint8_t> memory, uint32_t turn)
      : format_(format), memory_(std::move(memory)), turn_(turn) {
    ++Counts().buffers;
  }

  ULONG AddRef() override { return ++references_; }

  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      --Counts().buffers;
      delete this;
    }
    return left;
  }

  HRESULT GetStatus(LPDWORD status) override {
    if (status == nullptr) return DSERR_INVALIDPARAM;
    if (Refused(SoundCall::kGetStatus)) return DSERR_GENERIC;
    if (playing_ && !looping_ && platform::layer::Now() >= endSeconds_) playing_ = false;
    *status = playing_ ? (DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0)) : 0;
    return DS_OK;
  }

  HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* part1, LPDWORD bytes1, LPVOID* part2,
               LPDWORD bytes2, DWORD flags) override {
    if (part1 == nullptr || bytes1 == nullptr) return DSERR_INVALIDPARAM;
    if ((flags & ~(kLockFromWriteCursor | kLockEntireBuffer)) != 0) return DSERR_INVALIDPARAM;
    if (Refused(SoundCall::kLock)) return kBufferLost;
    const auto size = static_cast<DWORD>(memory_.size());
    if ((flags & kLockFromWriteCursor) != 0) offset = position_;
    if ((flags & kLockEntireBuffer) != 0) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size || locked_) return DSERR_INVALIDPARAM;
    // Logical byte i lives at (turn + i) modulo the size in the device's memory.
    const DWORD start = static_cast<DWORD>((uint64_t{turn_} + offset) % size);
    const DWORD first = bytes < size - start ? bytes : size - start;
    lock_ = {memory_.data() + start, first, nullptr, 0};
    if (bytes > first && part2 != nullptr) {
      lock_.part2 = memory_.data();
      lock_.bytes2 = bytes - first;
    }
    *part1 = lock_.part1;
    *bytes1 = lock_.bytes1;
    if (part2 != nullptr) *part2 = lock_.part2;
    if (bytes2 != nullptr) *bytes2 = lock_.bytes2;
    locked_ = true;
    return DS_OK;
  }

  HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) override {
    if (Refused(SoundCall::kUnlock)) return DSERR_INVALIDPARAM;
    // Only what the lock handed out goes back, no more than it covered.
    if (!locked_ || part1 != lock_.part1 || bytes1 > lock_.bytes1) return DSERR_INVALIDPARAM;
    if (part2 != nullptr ? (part2 != lock_.part2 || bytes2 > lock_.bytes2) : bytes2 != 0) {
      return DSERR_INVALIDPARAM;
    }
    locked_ = false;
    return DS_OK;
  }

  HRESULT SetCurrentPosition(DWORD position) override {
    if (Refused(SoundCall::kSetCurrentPosition)) return DSERR_INVALIDPARAM;
    if (position >= memory_.size()) return DSERR_INVALIDPARAM;
    position_ = position;
    return DS_OK;
  }

  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override {
    // Priorities and play flags other than looping belong to deferred buffers.
    if (reserved != 0 || priority != 0 || (flags & ~DSBPLAY_LOOPING) != 0) {
      return DSERR_INVALIDPARAM;
    }
    if (Refused(SoundCall::kPlay)) return kBufferLost;
    const double now = platform::layer::Now();
    if (playing_ && (looping_ || now < endSeconds_)) return DS_OK;  // plays on
    const auto size = static_cast<uint32_t>(memory_.size());
    std::vector<uint8_t> heard(size - position_);
    for (uint32_t i = 0; i < heard.size(); ++i) {
      heard[i] = memory_[(uint64_t{turn_} + position_ + i) % size];
    }
    playing_ = true;
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    endSeconds_ = now + static_cast<double>(heard.size()) / format_.nAvgBytesPerSec;
    if (platform::HostWorld* world = platform::ConnectedWorld()) {
      platform::PlayedSound sound;
      sound.channels = format_.nChannels;
      sound.samplesPerSecond = format_.nSamplesPerSec;
      sound.bitsPerSample = format_.wBitsPerSample;
      sound.blockAlign = format_.nBlockAlign;
      sound.data = heard.data();
      sound.bytes = static_cast<uint32_t>(heard.size());
      sound.bufferBytes = size;
      world->Played(sound);
    }
    return DS_OK;
  }

 private:
  ~SoftwareBuffer() = default;

  struct LockedRegion {
    void* part1;
    DWORD bytes1;
    void* part2;
    DWORD bytes2;
  };

  ULONG references_ = 1;
  WAVEFORMATEX format_;
  std::vector<uint8_t> memory_;
  uint32_t turn_;
  DWORD position_ = 0;
  bool locked_ = false;
  LockedRegion lock_{};
  bool playing_ = false;
  bool looping_ = false;
  double endSeconds_ = 0.0;
};

class SoftwareDevice final : public IDirectSound {
 public:
  SoftwareDevice() { ++Counts().devices; }

  ULONG AddRef() override { return ++references_; }

  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      --Counts().devices;
      delete this;
    }
    return left;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
    if (Refused(SoundCall::kSetCooperativeLevel)) return DSERR_GENERIC;
    if (level < DSSCL_NORMAL || level > kHighestLevel) return DSERR_INVALIDPARAM;
    if (!platform::layer::IsMainWindow(window)) return DSERR_INVALIDPARAM;
    level_ = level;
    return DS_OK;
  }

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                            IUnknown* outer) override {
    if (buffer == nullptr || description == nullptr) return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer != nullptr) return DSERR_NOAGGREGATION;
    if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
    // The full description, or its first form that ends before the 3D algorithm.
    if (description->dwSize != sizeof(DSBUFFERDESC) &&
        description->dwSize != offsetof(DSBUFFERDESC, guid3DAlgorithm)) {
      return DSERR_INVALIDPARAM;
    }
    if (description->lpwfxFormat != nullptr) {
      std::memcpy(lastFormat.data(), description->lpwfxFormat, sizeof(WAVEFORMATEX));
    }
    const DWORD flags = description->dwFlags;
    if ((flags & kPrimaryBuffer) != 0 || (flags & ~kBufferCaps) != 0) return DSERR_INVALIDPARAM;
    const DWORD bytes = description->dwBufferBytes;
    if (bytes < DSBSIZE_MIN || bytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
    if (description->lpwfxFormat == nullptr) return DSERR_INVALIDPARAM;
    const WAVEFORMATEX format = *description->lpwfxFormat;
    if (!PlayableFormat(format)) return DSERR_BADFORMAT;
    if (Refused(SoundCall::kCreateSoundBuffer)) return DSERR_OUTOFMEMORY;
    std::vector<uint8_t> memory;
    try {
      memory.assign(bytes, kFreshByte);
    } catch (const std::bad_alloc&) {
      return DSERR_OUTOFMEMORY;
    }
    *buffer = new SoftwareBuffer(format, std::move(memory), platform::layer::BufferTurn() % bytes);
    return DS_OK;
  }

 private:
  ~SoftwareDevice() = default;

  ULONG references_ = 1;
  DWORD level_ = 0;
};

}  // namespace

std::array<uint8_t, 18> platform::LastBufferFormat() { return lastFormat; }

HRESULT DirectSoundCreate(LPCGUID device, IDirectSound** result, IUnknown* outer) {
  if (result == nullptr) return DSERR_INVALIDPARAM;
  *result = nullptr;
  if (outer != nullptr) return DSERR_NOAGGREGATION;
  // Only the default device is there.
  if (device != nullptr) return DSERR_NODRIVER;
  if (Refused(SoundCall::kDirectSoundCreate)) return DSERR_NODRIVER;
  *result = new SoftwareDevice();
  return DS_OK;
}
