// Draws what the host shows of a gauge: its element tree over its bitmaps.
//
// The root first, then its children in child-list order, each over those
// before it; an element whose ImageHidden bit is set is not drawn. Pixels of
// the see-through colour (0, 0, 0) are not drawn in any bitmap, the root's
// included, so a gauge's picture is transparent there. With the values of
// the elements' last evaluation:
// - an icon shows its k-th bitmap (number + 3k), k the value truncated and
//   kept within 0 to the image count minus 1 (0 for NaN);
// - a needle is turned about its offset point, which sits at its position,
//   so that the bitmap's rightward axis points from the position towards the
//   table point of its value; between two entries the direction is
//   interpolated by angle, beyond the ends it stays at the end entries, and
//   NaN points at the first. A needle without a table is drawn as its bitmap
//   stands, unturned. The needles' reference values are not used;
// - a moving element is seen through the bitmap at its number plus 3 (the
//   window), placed at the element's position: only where the window is not
//   see-through. Over the range from an axis's minimum to its maximum the
//   bitmap travels by its size less the window's, upwards and leftwards;
//   values beyond the range stay at its ends, NaN at the minimum, and an axis
//   whose minimum equals its maximum does not move. Without a window the
//   bitmap is drawn unmoved and unclipped.
// The element's offset point is placed at its position in every case.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "bench/host/host.h"
#include "bench/render/bitmap_source.h"
#include "bench/render/image.h"

namespace bench {

// The decoded bitmaps of one module.
class GaugeBitmaps {
 public:
  GaugeBitmaps(std::unique_ptr<BitmapSource> source, std::string what)
      : source_(std::move(source)), what_(std::move(what)) {}
  // Throws RenderError when the module has no bitmap `number`.
  const Image& Get(int number);
  // Null when the module has no bitmap `number`.
  const Image* Find(int number);

 private:
  std::unique_ptr<BitmapSource> source_;
  std::string what_;
  std::map<int, Image> decoded_;
  std::map<int, bool> missing_;
};

class Renderer {
 public:
  // The picture of a loaded gauge, the size of its root bitmap.
  Image Render(const Gauge& gauge);
  // The same with the bitmaps given.
  static Image Render(const Gauge& gauge, GaugeBitmaps& bitmaps);
  // The bitmaps of a gauge's module, read once per module file.
  GaugeBitmaps& Bitmaps(const Gauge& gauge);

 private:
  std::map<std::string, std::unique_ptr<GaugeBitmaps>> modules_;
};

// The direction (radians, screen coordinates: x right, y down) in which a
// needle at (x, y) points for `value`, from its table.
double NeedleDirection(const NeedleElement& needle, double value);

}  // namespace bench
