#include "bench/render/renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace bench {

namespace {

constexpr double kPi = std::numbers::pi;

// The longest needle table the bench reads.
constexpr int32_t kMaxTable = 4096;

// Truncation toward zero, defined for every value.
int64_t Truncate(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.0e18) return INT64_MAX;
  if (value <= -9.0e18) return INT64_MIN;
  return static_cast<int64_t>(value);
}

// The share (0 to 1) of the way from minimum to maximum that `value` stands at.
double Travelled(double value, double minimum, double maximum) {
  if (minimum == maximum || std::isnan(value) || std::isnan(minimum) || std::isnan(maximum)) {
    return 0.0;
  }
  const double share = (value - minimum) / (maximum - minimum);
  return std::isnan(share) ? 0.0 : std::clamp(share, 0.0, 1.0);
}

std::string ElementName(const Gauge& gauge, size_t i) {
  return "module " + gauge.name + ", element " + std::to_string(i);
}

// Turns `bitmap` so that its point (ox, oy) lies on (px, py) and its
// rightward axis points along `direction`; 4 x 4 samples a pixel.
void DrawTurned(Image& canvas, const Image& bitmap, int ox, int oy, int px, int py,
                double direction) {
  const double c = std::cos(direction), s = std::sin(direction);
  const double reach = std::hypot(std::max(ox, bitmap.width() - ox),
                                  std::max(oy, bitmap.height() - oy)) + 2.0;
  const int x0 = static_cast<int>(std::floor(px - reach)), x1 = static_cast<int>(std::ceil(px + reach));
  const int y0 = static_cast<int>(std::floor(py - reach)), y1 = static_cast<int>(std::ceil(py + reach));
  for (int y = std::max(0, y0); y <= std::min(canvas.height() - 1, y1); ++y) {
    for (int x = std::max(0, x0); x <= std::min(canvas.width() - 1, x1); ++x) {
      int r = 0, g = 0, b = 0, n = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const double dx = x - px - 0.375 + 0.25 * sx;
          const double dy = y - py - 0.375 + 0.25 * sy;
          const double u = dx * c + dy * s + ox;
          const double v = -dx * s + dy * c + oy;
          const Rgba p = bitmap.at(static_cast<int>(std::floor(u + 0.5)),
                                   static_cast<int>(std::floor(v + 0.5)));
          if (p.a == 0) continue;
          r += p.r;
          g += p.g;
          b += p.b;
          ++n;
        }
      }
      if (n == 0) continue;
      canvas.Over(x, y, {static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n),
                         static_cast<uint8_t>(b / n), static_cast<uint8_t>((n * 255 + 8) / 16)});
    }
  }
}

}  // namespace

const Image* GaugeBitmaps::Find(int number) {
  if (const auto it = decoded_.find(number); it != decoded_.end()) return &it->second;
  if (missing_.count(number) != 0) return nullptr;
  const auto file = source_->Find(number);
  if (!file) {
    missing_[number] = true;
    return nullptr;
  }
  return &decoded_.emplace(number, DecodeBitmap(*file, what_ + " bitmap " + std::to_string(number)))
              .first->second;
}

const Image& GaugeBitmaps::Get(int number) {
  const Image* image = Find(number);
  if (image == nullptr) throw RenderError(what_ + " has no bitmap " + std::to_string(number));
  return *image;
}

GaugeBitmaps& Renderer::Bitmaps(const Gauge& gauge) {
  const std::string key = gauge.library->file().string();
  auto& slot = modules_[key];
  if (!slot) {
    slot = std::make_unique<GaugeBitmaps>(OpenModuleBitmaps(*gauge.library),
                                          "module " + gauge.name + " (" + key + ")");
  }
  return *slot;
}

double NeedleDirection(const NeedleElement& needle, double value) {
  const double px = needle.header.positionX, py = needle.header.positionY;
  const int32_t count = std::min(needle.tableCount, kMaxTable);
  const NeedlePoint* table = needle.table;
  auto angle = [&](int32_t i) { return std::atan2(table[i].y - py, table[i].x - px); };
  if (std::isnan(value) || value <= table[0].value) return angle(0);
  if (value >= table[count - 1].value) return angle(count - 1);
  int32_t i = 0;
  while (i + 2 < count && value >= table[i + 1].value) ++i;
  const double span = table[i + 1].value - table[i].value;
  const double share = span > 0.0 ? (value - table[i].value) / span : 0.0;
  double turn = angle(i + 1) - angle(i);
  if (turn > kPi) turn -= 2 * kPi;
  if (turn < -kPi) turn += 2 * kPi;
  return angle(i) + share * turn;
}

Image Renderer::Render(const Gauge& gauge) { return Render(gauge, Bitmaps(gauge)); }

Image Renderer::Render(const Gauge& gauge, GaugeBitmaps& bitmaps) {
  const Image& face = bitmaps.Get(gauge.root->header.resourceId);
  Image canvas(face.width(), face.height());
  for (size_t i = 0; i < gauge.elements.size(); ++i) {
    const ElementHeader& element = *gauge.elements[i];
    if (gauge.hidden(i)) continue;
    const ElementValue& value = gauge.values[i];
    const int x = element.positionX - element.offsetX;
    const int y = element.positionY - element.offsetY;
    switch (element.kind) {
      case kStaticElement:
        canvas.Over(bitmaps.Get(element.resourceId), x, y);
        break;
      case kIconElement: {
        const auto& icon = reinterpret_cast<const IconElement&>(element);
        const int64_t last = std::max<int64_t>(icon.imageCount, 1) - 1;
        const int64_t k = std::clamp<int64_t>(Truncate(value.value[0]), 0, last);
        const int number = element.resourceId + static_cast<int>(3 * k);
        const Image* image = bitmaps.Find(number);
        if (image == nullptr) {
          throw RenderError(ElementName(gauge, i) + " shows image " + std::to_string(k) +
                            ", but the module has no bitmap " + std::to_string(number));
        }
        canvas.Over(*image, x, y);
        break;
      }
      case kNeedleElement: {
        const auto& needle = reinterpret_cast<const NeedleElement&>(element);
        const Image& image = bitmaps.Get(element.resourceId);
        if (needle.table == nullptr || needle.tableCount <= 0) {
          canvas.Over(image, x, y);  // no table: as the bitmap stands
        } else {
          DrawTurned(canvas, image, element.offsetX, element.offsetY, element.positionX,
                     element.positionY, NeedleDirection(needle, value.value[0]));
        }
        break;
      }
      case kMovingElement: {
        const auto& moving = reinterpret_cast<const MovingElement&>(element);
        const Image& image = bitmaps.Get(element.resourceId);
        const Image* window = bitmaps.Find(element.resourceId + 3);
        if (window == nullptr) {
          canvas.Over(image, x, y);
          break;
        }
        const double shareX = Travelled(value.value[0], moving.xMinimum, moving.xMaximum);
        const double shareY = Travelled(value.value[1], moving.yMinimum, moving.yMaximum);
        const int shiftX = static_cast<int>(std::lround(shareX * std::max(0, image.width() - window->width())));
        const int shiftY = static_cast<int>(std::lround(shareY * std::max(0, image.height() - window->height())));
        for (int j = 0; j < window->height(); ++j) {
          for (int k = 0; k < window->width(); ++k) {
            if (window->at(k, j).a == 0) continue;
            canvas.Over(x + k, y + j, image.at(k + shiftX, j + shiftY));
          }
        }
        break;
      }
      default:
        break;
    }
  }
  return canvas;
}

}  // namespace bench
