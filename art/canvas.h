// A small drawing surface for the gauges' bitmaps.
//
// The gauges' bitmaps are 8 bits a pixel with a palette, and two colours mean
// something to the host: (0, 0, 0) lets whatever lies below show through, and
// the dark grey (8, 8, 8) is the black that covers. A canvas holds plain
// colours; smooth edges are blended in sixteen steps, so that a bitmap keeps
// to a small palette, and an edge is never blended into the see-through
// colour (that would leave dark fringes the host shows as solid pixels):
// over see-through pixels a shape is either blended with a stated matte, the
// colour the bitmap will lie on, or cut at half coverage.
//
// Coordinates of shapes are in pixels with pixel (i, j) centred on the point
// (i, j): a circle about (151, 151) is centred on pixel 151, 151.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace art {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// The host's see-through colour, and the black that covers.
constexpr Rgb kSeeThrough{0, 0, 0};
constexpr Rgb kCoverBlack{8, 8, 8};
constexpr Rgb kWhite{255, 255, 255};

struct Point {
  double x = 0.0;
  double y = 0.0;
};

// A region of the plane: a box that holds it and a test for its points.
struct Shape {
  double left = 0.0, top = 0.0, right = 0.0, bottom = 0.0;
  std::function<bool(double x, double y)> inside;
};

// Dial angles: degrees clockwise from twelve o'clock, as a pilot reads a dial.
Point OnDial(Point centre, double radius, double degrees);
double DialAngle(Point centre, Point p);

// Shapes.
Shape Circle(Point centre, double radius);
Shape Ring(Point centre, double inner, double outer);
// The part of a ring from angle `from` clockwise to angle `to`.
Shape RingSector(Point centre, double inner, double outer, double from, double to);
Shape Polygon(std::vector<Point> corners);
// A straight stroke of the given width with square ends.
Shape Stroke(Point from, Point to, double width);
Shape Rect(double left, double top, double width, double height);
Shape RoundedRect(double left, double top, double width, double height, double radius);

class Canvas {
 public:
  static constexpr int kSteps = 16;  // coverage steps of a smooth edge

  Canvas(int width, int height, Rgb fill = kSeeThrough);

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Rgb colour);

  // Exact rectangles, in whole pixels: `width` columns from `x`.
  void FillRect(int x, int y, int width, int height, Rgb colour);
  // A one-pixel frame just inside the rectangle; light top and left edges
  // and a dark bottom and right edge make a raised look, the reverse a sunk one.
  void Bevel(int x, int y, int width, int height, Rgb topLeft, Rgb bottomRight);

  // A smooth shape, sampled 4 x 4 in every pixel.
  void Fill(const Shape& shape, Rgb colour);
  // The same with a coverage of 0 to kSteps given for a pixel.
  void Blend(int x, int y, Rgb colour, int coverage);

  // The colour that smooth edges blend with over see-through pixels; none:
  // an edge pixel over see-through is painted from half coverage up.
  void set_matte(std::optional<Rgb> matte) { matte_ = matte; }

  // Copies another canvas in, its see-through pixels included or not.
  void Draw(const Canvas& other, int x, int y, bool keepSeeThrough);

 private:
  size_t Index(int x, int y) const;

  int width_;
  int height_;
  std::vector<Rgb> pixels_;
  std::optional<Rgb> matte_;
};

}  // namespace art
