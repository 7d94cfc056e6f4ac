// What a user would have heard: every sound the gauges played, laid on the
// host's clock and mixed into one WAV file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/host_world.h"

namespace bench {

class Mixdown {
 public:
  // The mix takes the format of the first sound (PCM, 8 or 16 bits, one or
  // two channels); later sounds of another format are converted to it.
  // Overlapping sounds add up and clip at the format's limits.
  void Add(const platform::PlayedSound& sound, double startSeconds);

  // The mix as the bytes of a RIFF "WAVE" file; with nothing played, an empty
  // 22050 Hz mono 16-bit one.
  std::vector<uint8_t> WaveFile() const;
  // Writes it; throws std::runtime_error naming the file on failure.
  void Write(const std::filesystem::path& file) const;

  uint16_t channels() const { return channels_; }
  uint32_t samplesPerSecond() const { return samplesPerSecond_; }
  uint16_t bitsPerSample() const { return bitsPerSample_; }
  // Sample frames in the mix.
  size_t frames() const { return mix_.size() / channels_; }

 private:
  bool formatTaken_ = false;
  uint16_t channels_ = 1;
  uint32_t samplesPerSecond_ = 22050;
  uint16_t bitsPerSample_ = 16;
  std::vector<int32_t> mix_;  // interleaved, on a 16-bit scale, unclipped
};

}  // namespace bench
