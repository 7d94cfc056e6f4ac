// A gauge's bitmaps by resource number, and the files the build makes of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "art/canvas.h"
#include "art/text.h"

namespace art {

// A bitmap as the host loads it: 8 bits a pixel, one palette entry a colour.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;     // at most 256 colours, no colour twice
  std::vector<uint8_t> pixels;  // top row first
};

// Throws std::runtime_error when the canvas holds more than 256 colours.
IndexedImage ToIndexed(const Canvas& canvas);
// A Windows bitmap file: file header, info header, 256-entry palette, rows.
std::vector<uint8_t> EncodeBmp(const IndexedImage& image);

class BitmapSet {
 public:
  explicit BitmapSet(std::string gauge) : gauge_(std::move(gauge)) {}

  // Adds bitmap `number`; a number given twice, or one that is not a
  // positive multiple-of-3 step from a 4096 block, is an error.
  void Add(int number, const Canvas& canvas);
  const std::map<int, IndexedImage>& bitmaps() const { return bitmaps_; }

  // Writes <number>.bmp for every bitmap, `bitmaps.blob` (the directory and
  // files the native module carries) and `bitmaps.rc` (the Windows resources).
  void Write(const std::filesystem::path& folder) const;

 private:
  std::string gauge_;
  std::map<int, IndexedImage> bitmaps_;
};

// A gauge's drawing code: fills the set with every bitmap of the gauge.
using DrawGauge = void (*)(BitmapSet& bitmaps, const Fonts& fonts);

// Each gauge's bitmaps.cpp registers its drawing code by the gauge's name.
bool RegisterGaugeArt(const char* gauge, DrawGauge draw);
DrawGauge FindGaugeArt(const std::string& gauge);
std::vector<std::string> GaugeArtNames();

}  // namespace art

#define GAUGE_ART(gauge, draw) \
  [[maybe_unused]] static const bool gaugeArtRegistered = ::art::RegisterGaugeArt(#gauge, draw)
