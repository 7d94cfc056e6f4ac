#include "bench/world/mixdown.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace bench {

namespace {

bool Mixable(const platform::PlayedSound& s) {
  return s.channels >= 1 && s.channels <= 2 && (s.bitsPerSample == 8 || s.bitsPerSample == 16) &&
         s.samplesPerSecond > 0 && s.blockAlign == s.channels * s.bitsPerSample / 8;
}

// One sample of a sound on a 16-bit scale: 8-bit samples are unsigned.
int32_t Sample(const platform::PlayedSound& s, size_t frame, uint16_t channel) {
  const size_t at = frame * s.blockAlign + channel * (s.bitsPerSample / 8u);
  if (s.bitsPerSample == 8) return (static_cast<int32_t>(s.data[at]) - 128) * 256;
  return static_cast<int16_t>(static_cast<uint16_t>(s.data[at] | s.data[at + 1] << 8));
}

void PutWord(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutId(std::vector<uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

}  // namespace

void Mixdown::Add(const platform::PlayedSound& sound, double startSeconds) {
  if (!Mixable(sound) || sound.data == nullptr) return;
  if (!formatTaken_) {
    formatTaken_ = true;
    channels_ = sound.channels;
    samplesPerSecond_ = sound.samplesPerSecond;
    bitsPerSample_ = sound.bitsPerSample;
  }
  const size_t soundFrames = sound.bytes / sound.blockAlign;
  // Each frame of the mix takes the sound's frame at the same moment.
  const size_t frames = static_cast<size_t>(uint64_t{soundFrames} * samplesPerSecond_ /
                                            sound.samplesPerSecond);
  const auto start = static_cast<size_t>(std::llround(std::max(0.0, startSeconds) *
                                                      samplesPerSecond_));
  if (mix_.size() < (start + frames) * channels_) mix_.resize((start + frames) * channels_, 0);
  for (size_t i = 0; i < frames; ++i) {
    const size_t from = static_cast<size_t>(uint64_t{i} * sound.samplesPerSecond /
                                            samplesPerSecond_);
    int32_t* out = &mix_[(start + i) * channels_];
    if (sound.channels == channels_) {
      for (uint16_t c = 0; c < channels_; ++c) out[c] += Sample(sound, from, c);
    } else if (sound.channels == 1) {
      for (uint16_t c = 0; c < channels_; ++c) out[c] += Sample(sound, from, 0);
    } else {
      out[0] += (Sample(sound, from, 0) + Sample(sound, from, 1)) / 2;
    }
  }
}

std::vector<uint8_t> Mixdown::WaveFile() const {
  const uint16_t bytesPerSample = bitsPerSample_ / 8;
  const auto dataBytes = static_cast<uint32_t>(mix_.size() * bytesPerSample);
  const uint32_t pad = dataBytes & 1u;
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes + pad);
  PutId(out, "RIFF");
  PutWord(out, 36 + dataBytes + pad, 4);
  PutId(out, "WAVE");
  PutId(out, "fmt ");
  PutWord(out, 16, 4);
  PutWord(out, 1, 2);  // PCM
  PutWord(out, channels_, 2);
  PutWord(out, samplesPerSecond_, 4);
  PutWord(out, samplesPerSecond_ * channels_ * bytesPerSample, 4);
  PutWord(out, channels_ * bytesPerSample, 2);
  PutWord(out, bitsPerSample_, 2);
  PutId(out, "data");
  PutWord(out, dataBytes, 4);
  for (int32_t value : mix_) {
    const int32_t clipped = std::clamp(value, -32768, 32767);
    if (bitsPerSample_ == 8) {
      PutWord(out, static_cast<uint32_t>((clipped >> 8) + 128), 1);
    } else {
      PutWord(out, static_cast<uint16_t>(static_cast<int16_t>(clipped)), 2);
    }
  }
  if (pad != 0) out.push_back(0);
  return out;
}

void Mixdown::Write(const std::filesystem::path& file) const {
  const std::vector<uint8_t> bytes = WaveFile();
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write the sound mix to " + file.string());
}

}  // namespace bench
