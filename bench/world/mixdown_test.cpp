// The mix of played sounds: placed on the host's clock, added up, clipped,
// converted to the first sound's format, and written as a WAV file.
#include "bench/world/mixdown.h"

#include <gtest/gtest.h>

#include <vector>

namespace bench {
namespace {

platform::PlayedSound Sound(const std::vector<uint8_t>& bytes, uint16_t channels, uint32_t rate,
                            uint16_t bits) {
  platform::PlayedSound s;
  s.channels = channels;
  s.samplesPerSecond = rate;
  s.bitsPerSample = bits;
  s.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  s.data = bytes.data();
  s.bytes = static_cast<uint32_t>(bytes.size());
  s.bufferBytes = s.bytes;
  return s;
}

std::vector<uint8_t> Le16(std::initializer_list<int> samples) {
  std::vector<uint8_t> out;
  for (int v : samples) {
    out.push_back(static_cast<uint8_t>(v & 0xff));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
  }
  return out;
}

std::vector<uint8_t> Samples(const Mixdown& mix) {
  const std::vector<uint8_t> file = mix.WaveFile();
  return std::vector<uint8_t>(file.begin() + 44, file.end());
}

TEST(Mixdown, LaysSoundsOnTheClockAddsAndClips) {
  Mixdown mix;
  const auto first = Le16({1000, -1000, 30000});
  const auto second = Le16({500, -32000, 30000});
  mix.Add(Sound(first, 1, 100, 16), 0.0);
  mix.Add(Sound(second, 1, 100, 16), 0.01);  // one sample later
  EXPECT_EQ(mix.frames(), 4u);
  EXPECT_EQ(Samples(mix), Le16({1000, -500, -2000, 30000}));
  mix.Add(Sound(second, 1, 100, 16), 0.02);
  EXPECT_EQ(Samples(mix), Le16({1000, -500, -1500, -2000, 30000}));
  mix.Add(Sound(Le16({10000}), 1, 100, 16), 0.04);
  EXPECT_EQ(Samples(mix), Le16({1000, -500, -1500, -2000, 32767}));  // 40000 clips
}

TEST(Mixdown, TakesTheFirstFormatAndConvertsLaterOnes) {
  // 8-bit mono at 100 Hz first: the mix keeps it, byte for byte.
  Mixdown mix;
  const std::vector<uint8_t> eight = {128, 200, 56};
  mix.Add(Sound(eight, 1, 100, 8), 0.0);
  EXPECT_EQ(Samples(mix), (std::vector<uint8_t>{128, 200, 56, 0}));  // with the pad byte
  // 16-bit stereo at 200 Hz: the channels are averaged and every other sample taken.
  mix.Add(Sound(Le16({2560, 0, 9999, 9999, -2560, -5120, 1, 1}), 2, 200, 16), 0.0);
  EXPECT_EQ(Samples(mix), (std::vector<uint8_t>{128 + 1280 / 256, 200 - 3840 / 256, 56, 0}));
  EXPECT_EQ(mix.channels(), 1);
  EXPECT_EQ(mix.samplesPerSecond(), 100u);
  EXPECT_EQ(mix.bitsPerSample(), 8);

  // Mono into stereo: both channels.
  Mixdown stereo;
  stereo.Add(Sound(Le16({1, 2}), 2, 100, 16), 0.0);
  stereo.Add(Sound(Le16({10}), 1, 100, 16), 0.0);
  EXPECT_EQ(Samples(stereo), Le16({11, 12}));
}

TEST(Mixdown, WritesAPlainPcmWaveFile) {
  Mixdown mix;
  std::vector<uint8_t> file = mix.WaveFile();  // nothing played: an empty sound
  ASSERT_EQ(file.size(), 44u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(file[22], 1);                   // one channel
  EXPECT_EQ(file[24] | file[25] << 8, 22050);
  mix.Add(Sound(Le16({1, 2, 3, 4}), 2, 8000, 16), 0.0);
  file = mix.WaveFile();
  ASSERT_EQ(file.size(), 52u);
  EXPECT_EQ(file[4], 44u);                  // RIFF size: 36 + 8 data bytes
  EXPECT_EQ(file[22], 2);
  EXPECT_EQ(file[28] | file[29] << 8, 32000);  // bytes a second
  EXPECT_EQ(file[32], 4);                   // block size
  EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
  EXPECT_EQ(file[40], 8);
}

}  // namespace
}  // namespace bench
