#include "art/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace art {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

uint8_t Mix(uint8_t from, uint8_t to, int coverage) {
  const int value = from * (Canvas::kSteps - coverage) + to * coverage;
  return static_cast<uint8_t>((value + Canvas::kSteps / 2) / Canvas::kSteps);
}

// Angle a (degrees) lies on the clockwise way from `from` to `to`.
bool AngleBetween(double a, double from, double to) {
  auto norm = [](double d) {
    d = std::fmod(d, 360.0);
    return d < 0 ? d + 360.0 : d;
  };
  const double span = norm(to - from);
  return norm(a - from) <= span;
}

}  // namespace

Point OnDial(Point centre, double radius, double degrees) {
  return {centre.x + radius * std::sin(degrees * kDegree),
          centre.y - radius * std::cos(degrees * kDegree)};
}

double DialAngle(Point centre, Point p) {
  double a = std::atan2(p.x - centre.x, centre.y - p.y) / kDegree;
  return a < 0 ? a + 360.0 : a;
}

Shape Circle(Point c, double r) {
  return {c.x - r, c.y - r, c.x + r, c.y + r, [c, r](double x, double y) {
            return (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= r * r;
          }};
}

Shape Ring(Point c, double inner, double outer) {
  return {c.x - outer, c.y - outer, c.x + outer, c.y + outer,
          [c, inner, outer](double x, double y) {
            const double d = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
            return d <= outer * outer && d >= inner * inner;
          }};
}

Shape RingSector(Point c, double inner, double outer, double from, double to) {
  return {c.x - outer, c.y - outer, c.x + outer, c.y + outer,
          [c, inner, outer, from, to](double x, double y) {
            const double d = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
            return d <= outer * outer && d >= inner * inner &&
                   AngleBetween(DialAngle(c, {x, y}), from, to);
          }};
}

Shape Polygon(std::vector<Point> corners) {
  Shape s;
  s.left = s.top = 1e9;
  s.right = s.bottom = -1e9;
  for (const Point& p : corners) {
    s.left = std::min(s.left, p.x);
    s.right = std::max(s.right, p.x);
    s.top = std::min(s.top, p.y);
    s.bottom = std::max(s.bottom, p.y);
  }
  s.inside = [corners = std::move(corners)](double x, double y) {
    bool in = false;  // even-odd rule
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const Point& a = corners[i];
      const Point& b = corners[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
  };
  return s;
}

Shape Stroke(Point from, Point to, double width) {
  const double dx = to.x - from.x, dy = to.y - from.y;
  const double length = std::hypot(dx, dy);
  const double nx = -dy / length * width / 2, ny = dx / length * width / 2;
  return Polygon({{from.x + nx, from.y + ny},
                  {to.x + nx, to.y + ny},
                  {to.x - nx, to.y - ny},
                  {from.x - nx, from.y - ny}});
}

Shape Rect(double left, double top, double width, double height) {
  // Whole pixels from `left` to `left + width - 1`.
  const double l = left - 0.5, t = top - 0.5, r = left + width - 0.5, b = top + height - 0.5;
  return {l, t, r, b, [=](double x, double y) { return x >= l && x < r && y >= t && y < b; }};
}

Shape RoundedRect(double left, double top, double width, double height, double radius) {
  const double l = left - 0.5, t = top - 0.5, r = left + width - 0.5, b = top + height - 0.5;
  return {l, t, r, b, [=](double x, double y) {
            if (x < l || x >= r || y < t || y >= b) return false;
            const double cx = std::clamp(x, l + radius, r - radius);
            const double cy = std::clamp(y, t + radius, b - radius);
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
          }};
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("a canvas needs a size");
}

size_t Canvas::Index(int x, int y) const {
  return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
}

void Canvas::Set(int x, int y, Rgb colour) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[Index(x, y)] = colour;
}

void Canvas::FillRect(int x, int y, int width, int height, Rgb colour) {
  for (int j = y; j < y + height; ++j) {
    for (int i = x; i < x + width; ++i) Set(i, j, colour);
  }
}

void Canvas::Bevel(int x, int y, int width, int height, Rgb topLeft, Rgb bottomRight) {
  FillRect(x, y, width, 1, topLeft);
  FillRect(x, y, 1, height, topLeft);
  FillRect(x, y + height - 1, width, 1, bottomRight);
  FillRect(x + width - 1, y + 1, 1, height - 1, bottomRight);
}

void Canvas::Blend(int x, int y, Rgb colour, int coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0) return;
  Rgb& pixel = pixels_[Index(x, y)];
  if (coverage >= kSteps) {
    pixel = colour;
    return;
  }
  if (pixel == kSeeThrough) {
    if (!matte_) {
      if (coverage * 2 >= kSteps) pixel = colour;
      return;
    }
    const Rgb mixed{Mix(matte_->r, colour.r, coverage), Mix(matte_->g, colour.g, coverage),
                    Mix(matte_->b, colour.b, coverage)};
    if (!(mixed == kSeeThrough)) pixel = mixed;
    return;
  }
  const Rgb mixed{Mix(pixel.r, colour.r, coverage), Mix(pixel.g, colour.g, coverage),
                  Mix(pixel.b, colour.b, coverage)};
  // A blend of two colours that cover never turns into the see-through one.
  pixel = mixed == kSeeThrough ? Rgb{1, 1, 1} : mixed;
}

void Canvas::Fill(const Shape& shape, Rgb colour) {
  const int x0 = std::max(0, static_cast<int>(std::floor(shape.left)));
  const int y0 = std::max(0, static_cast<int>(std::floor(shape.top)));
  const int x1 = std::min(width_ - 1, static_cast<int>(std::ceil(shape.right)));
  const int y1 = std::min(height_ - 1, static_cast<int>(std::ceil(shape.bottom)));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      int covered = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          if (shape.inside(x - 0.375 + 0.25 * sx, y - 0.375 + 0.25 * sy)) ++covered;
        }
      }
      Blend(x, y, colour, covered);
    }
  }
}

void Canvas::Draw(const Canvas& other, int x, int y, bool keepSeeThrough) {
  for (int j = 0; j < other.height(); ++j) {
    for (int i = 0; i < other.width(); ++i) {
      const Rgb c = other.at(i, j);
      if (keepSeeThrough || !(c == kSeeThrough)) Set(x + i, y + j, c);
    }
  }
}

}  // namespace art
