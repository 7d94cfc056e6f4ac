// Pictures the bench draws: 8-bit RGBA, straight alpha, top row first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// A picture that cannot be read, drawn or written, with what is wrong.
class RenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba&) const = default;
};

class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgba fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  Rgba at(int x, int y) const;
  void Set(int x, int y, Rgba colour);
  // Lays `colour` over the pixel, its alpha weighing it; outside: nothing.
  void Over(int x, int y, Rgba colour);
  // Lays a whole picture over this one with its top-left corner at (x, y).
  void Over(const Image& other, int x, int y);

  const uint8_t* data() const { return pixels_.data(); }
  uint8_t* data() { return pixels_.data(); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> pixels_;
};

// A gauge bitmap as the host shows it: the see-through colour (0, 0, 0)
// becomes transparent, every other colour opaque. `what` names it in errors.
Image DecodeBitmap(std::span<const uint8_t> bmpFile, const std::string& what);
// Scales with a good filter (Mitchell down, Catmull-Rom up) in linear light.
Image Resize(const Image& image, int width, int height);
// Writes a PNG file; throws RenderError naming the file.
void WritePng(const Image& image, const std::filesystem::path& file);
// Reads a PNG file (for tests and reference pictures).
Image ReadPng(const std::filesystem::path& file);

}  // namespace bench
