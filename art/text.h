// Text on the gauges' bitmaps, drawn with FreeType from the DejaVu fonts.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "art/canvas.h"

namespace art {

// The ink of a line of text, in pixels from its origin on the baseline
// (y grows downwards, so the top of capitals is negative).
struct Ink {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

class Font {
 public:
  // Throws std::runtime_error naming the file when it cannot be read.
  explicit Font(const std::filesystem::path& file);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // The ink of `text` at a size of `pixels` pixels to the em.
  Ink Measure(std::string_view text, double pixels) const;
  // Draws `text` with its origin at (x, baseline).
  void Draw(Canvas& canvas, std::string_view text, double pixels, int x, int baseline,
            Rgb colour) const;
  // Draws `text` with the middle of its ink on (cx, cy), to the nearest pixel.
  void DrawCentred(Canvas& canvas, std::string_view text, double pixels, double cx, double cy,
                   Rgb colour) const;
  // The largest size up to `pixels` whose ink fits `width` x `height`.
  double Fit(std::string_view text, double pixels, int width, int height) const;
  // Draws `text` along a circle about `centre`, its baseline on `radius`, the
  // tops of the letters outwards, centred on the dial angle `degrees`.
  void DrawOnArc(Canvas& canvas, std::string_view text, double pixels, Point centre,
                 double radius, double degrees, Rgb colour) const;

 private:
  struct Face;
  std::unique_ptr<Face> face_;
};

// The fonts the bitmaps use, from the folder of the fonts-dejavu-core package.
class Fonts {
 public:
  explicit Fonts(const std::filesystem::path& folder);
  const Font& sans() const { return *sans_; }
  const Font& bold() const { return *bold_; }
  const Font& condensedBold() const { return *condensedBold_; }

 private:
  std::unique_ptr<Font> sans_;
  std::unique_ptr<Font> bold_;
  std::unique_ptr<Font> condensedBold_;
};

}  // namespace art
