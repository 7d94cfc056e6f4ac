// How the native layer of Windows services meets the machine it stands in
// for. The bench connects a HostWorld: the simulator's main window, its
// registry key, the host's clock, and the speaker that hears every sound a
// buffer starts playing. Tests also look inside the layer here: what it
// holds open, and faults it can be told to make.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The sound of one buffer that started playing: its format and its bytes
// from the play position to the buffer's end, valid during the call only.
struct PlayedSound {
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)
  uint16_t blockAlign = 0;     // bytes of one sample frame
  const uint8_t* data = nullptr;
  uint32_t bytes = 0;
  uint32_t bufferBytes = 0;    // the whole buffer's size
};

class HostWorld {
 public:
  virtual ~HostWorld() = default;
  // Whether a top-level window of the class exists (names without regard to case).
  virtual bool HasWindow(std::string_view windowClass) const = 0;
  // Whether the key exists under HKEY_LOCAL_MACHINE (paths without regard to case).
  virtual bool HasRegistryKey(std::string_view path) const = 0;
  // A string value of that key, or nothing (names without regard to case).
  virtual std::optional<std::string> RegistryValue(std::string_view path,
                                                   std::string_view name) const = 0;
  // The host's clock: seconds since the run began. Sounds play against it.
  virtual double Seconds() const = 0;
  // A buffer started playing.
  virtual void Played(const PlayedSound& sound) = 0;
};

// The world the layer answers from; null (the start) means no window, no
// registry key, a clock standing at 0 and nobody listening.
void ConnectWorld(HostWorld* world);
HostWorld* ConnectedWorld();

// What the layer holds for its callers right now.
struct Census {
  int openKeys = 0;
  int openFiles = 0;
  int devices = 0;
  int buffers = 0;
};
Census TakeCensus();

// Faults on demand, for tests: the next call of the kind fails as the real
// service may fail.
enum class SoundCall {
  kDirectSoundCreate,
  kSetCooperativeLevel,
  kCreateSoundBuffer,
  kLock,
  kUnlock,
  kSetCurrentPosition,
  kPlay,
  kGetStatus,
};
void RefuseNext(SoundCall call);
// Buffers made from now on keep their bytes turned by this many bytes in the
// device's memory, so that a lock from offset 0 comes back in two parts (a
// real device does so whenever the region runs past the end of its memory).
void SetBufferTurn(uint32_t bytes);
// Drops pending refusals and the turn.
void ResetFaults();

// The 18 bytes of the format record of the last buffer asked for, refused
// or not.
std::array<uint8_t, 18> LastBufferFormat();

}  // namespace platform
