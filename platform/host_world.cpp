// The connection to the bench's world, the census and the faults on demand.
#include <array>
#include <cctype>

#include "platform/layer.h"

namespace platform {

namespace {

HostWorld* world = nullptr;
Census census;
std::array<int, 8> refusals{};
uint32_t bufferTurn = 0;

}  // namespace

void ConnectWorld(HostWorld* newWorld) { world = newWorld; }
HostWorld* ConnectedWorld() { return world; }

Census TakeCensus() { return census; }

void RefuseNext(SoundCall call) { ++refusals[static_cast<size_t>(call)]; }
void SetBufferTurn(uint32_t bytes) { bufferTurn = bytes; }
void ResetFaults() {
  refusals.fill(0);
  bufferTurn = 0;
}

namespace layer {

Census& Counts() { return census; }

bool Refused(SoundCall call) {
  int& pending = refusals[static_cast<size_t>(call)];
  if (pending == 0) return false;
  --pending;
  return true;
}

uint32_t BufferTurn() { return bufferTurn; }

double Now() { return world != nullptr ? world->Seconds() : 0.0; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace layer
}  // namespace platform
