// Small RIFF "WAVE" files for tests, made in memory: chunks as given, with
// pad bytes after odd sizes, and sizes that may claim more than they hold.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace wavefix {

using Bytes = std::vector<uint8_t>;

inline void PutLe(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutId(Bytes& out, const std::string& id) {
  for (size_t i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(i < id.size() ? id[i] : ' '));
}

struct Chunk {
  std::string id;
  Bytes data;
  std::optional<uint32_t> claimedSize = std::nullopt;  // the size field, when not the data's
};

// A chunk's bytes: id, size, data and a pad byte after an odd size.
inline Bytes ChunkBytes(const Chunk& chunk) {
  Bytes out;
  PutId(out, chunk.id);
  PutLe(out, chunk.claimedSize.value_or(static_cast<uint32_t>(chunk.data.size())), 4);
  out.insert(out.end(), chunk.data.begin(), chunk.data.end());
  if (chunk.data.size() % 2 == 1) out.push_back(0);
  return out;
}

// A "RIFF" chunk of the form type holding the chunks.
inline Bytes Riff(const std::string& formType, const std::vector<Chunk>& chunks) {
  Bytes body;
  PutId(body, formType);
  for (const Chunk& chunk : chunks) {
    Bytes bytes = ChunkBytes(chunk);
    body.insert(body.end(), bytes.begin(), bytes.end());
  }
  return ChunkBytes({"RIFF", body});
}

// The data of a PCM "fmt " chunk: 16 bytes, or 18 with the extra-size field.
inline Bytes PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits, bool extraSize = false,
                       uint16_t tag = 1) {
  Bytes out;
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  PutLe(out, tag, 2);
  PutLe(out, channels, 2);
  PutLe(out, rate, 4);
  PutLe(out, rate * align, 4);
  PutLe(out, align, 2);
  PutLe(out, bits, 2);
  if (extraSize) PutLe(out, 0, 2);
  return out;
}

// A panel switch's click, 16-bit: a sharp tick and a short damped ring.
inline Bytes ClickSamples16(uint32_t frames, uint32_t rate = 22050) {
  Bytes out;
  uint32_t noise = 12345;
  for (uint32_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    noise = noise * 1103515245u + 12345u;
    const double grit = (static_cast<double>((noise >> 16) & 0x7fff) / 16384.0 - 1.0);
    const double value = 0.7 * std::exp(-t * 900.0) * grit +
                         0.5 * std::exp(-t * 180.0) * std::sin(2.0 * 3.14159265358979 * 2400.0 * t);
    const auto sample = static_cast<int16_t>(std::lround(value * 24000.0));
    PutLe(out, static_cast<uint16_t>(sample), 2);
  }
  return out;
}

// 8-bit unsigned samples of a falling ramp that never reaches silence (128).
inline Bytes RampSamples8(uint32_t frames) {
  Bytes out;
  for (uint32_t i = 0; i < frames; ++i) out.push_back(static_cast<uint8_t>(250 - i % 100));
  return out;
}

}  // namespace wavefix
