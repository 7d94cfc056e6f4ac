// The WAV files the dimmer's scenario scripts play, made from their
// description; dimmer/scenarios/sounds/ holds them as made here.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/wave_fixtures.h"

namespace dimmer_sounds {

using wavefix::Bytes;
using wavefix::Chunk;

// The click: 0.05 s of 22050 Hz mono 16-bit sound, 2204 bytes of samples.
inline Bytes Click() { return wavefix::ClickSamples16(1102); }

inline std::vector<std::pair<std::string, Bytes>> ScenarioSounds() {
  using wavefix::PcmFormat;
  using wavefix::Riff;
  const Bytes click = Click();
  const Bytes clickFormat = PcmFormat(1, 22050, 16);
  const Bytes partOfClick(click.begin(), click.begin() + 1000);
  return {
      // Plain PCM with a 16-byte "fmt " chunk, and with the 18-byte one.
      {"click.wav", Riff("WAVE", {{"fmt ", clickFormat}, {"data", click}})},
      {"click18.wav", Riff("WAVE", {{"fmt ", PcmFormat(1, 22050, 16, true)}, {"data", click}})},
      // Odd-sized chunks, each followed by its pad byte, around the two that count.
      {"padded.wav", Riff("WAVE", {{"JUNK", {1, 2, 3, 4, 5}},
                                   {"fmt ", PcmFormat(1, 11025, 8)},
                                   {"cue ", {9, 9, 9}},
                                   {"data", wavefix::RampSamples8(101)},
                                   {"note", {7}}})},
      // The smallest buffer a device takes, and one byte less.
      {"four_bytes.wav", Riff("WAVE", {{"fmt ", PcmFormat(1, 11025, 8)}, {"data", {1, 2, 3, 4}}})},
      {"three_bytes.wav", Riff("WAVE", {{"fmt ", PcmFormat(1, 11025, 8)}, {"data", {1, 2, 3}}})},
      // A "data" chunk that claims 4000 bytes in a file that holds 1000 of them.
      {"truncated.wav",
       Riff("WAVE", {{"fmt ", clickFormat}, {"data", partOfClick, 4000u}})},
      // One that claims more than any device buffer can take.
      {"oversize.wav",
       Riff("WAVE", {{"fmt ", clickFormat}, {"data", partOfClick, 0x10000000u}})},
      {"data_first.wav", Riff("WAVE", {{"data", click}, {"fmt ", clickFormat}})},
      {"empty_data.wav", Riff("WAVE", {{"fmt ", clickFormat}, {"data", {}}})},
      {"no_data.wav", Riff("WAVE", {{"fmt ", clickFormat}, {"LIST", {'I', 'N', 'F', 'O'}}})},
      {"no_fmt.wav", Riff("WAVE", {{"data", click}})},
      {"not_wave.wav", Riff("AVI ", {{"fmt ", clickFormat}, {"data", click}})},
      {"not_riff.wav", Bytes{'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd', '\n'}},
      // A compressed format, which no sound buffer takes.
      {"adpcm.wav",
       Riff("WAVE", {{"fmt ", PcmFormat(1, 22050, 4, true, 2)}, {"data", partOfClick}})},
  };
}

}  // namespace dimmer_sounds
