#include "bench/render/image.h"

#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

#include <memory>

namespace bench {

Image::Image(int width, int height, Rgba fill) : width_(width), height_(height) {
  if (width < 0 || height < 0) throw RenderError("a picture cannot have a negative size");
  pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  for (size_t i = 0; i < pixels_.size(); i += 4) {
    pixels_[i] = fill.r;
    pixels_[i + 1] = fill.g;
    pixels_[i + 2] = fill.b;
    pixels_[i + 3] = fill.a;
  }
}

Rgba Image::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) +
                               static_cast<size_t>(x)) * 4];
  return {p[0], p[1], p[2], p[3]};
}

void Image::Set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = &pixels_[(static_cast<size_t>(y) * static_cast<size_t>(width_) +
                         static_cast<size_t>(x)) * 4];
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
  p[3] = c.a;
}

void Image::Over(int x, int y, Rgba c) {
  if (c.a == 0) return;
  if (c.a == 255) {
    Set(x, y, c);
    return;
  }
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const Rgba d = at(x, y);
  // Porter-Duff "over" with straight alpha.
  const int outA = c.a * 255 + d.a * (255 - c.a);  // in 255ths of 255
  if (outA == 0) return;
  auto channel = [&](uint8_t s, uint8_t t) {
    const int value = (s * c.a * 255 + t * d.a * (255 - c.a) + outA / 2) / outA;
    return static_cast<uint8_t>(value);
  };
  Set(x, y, {channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b),
             static_cast<uint8_t>((outA + 127) / 255)});
}

void Image::Over(const Image& other, int x, int y) {
  for (int j = 0; j < other.height(); ++j) {
    for (int i = 0; i < other.width(); ++i) Over(x + i, y + j, other.at(i, j));
  }
}

Image DecodeBitmap(std::span<const uint8_t> bmpFile, const std::string& what) {
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(bmpFile.data(), static_cast<int>(bmpFile.size()), &width, &height,
                            &channels, 3),
      stbi_image_free);
  if (!rgb) throw RenderError(what + " is not a readable bitmap: " + stbi_failure_reason());
  Image image(width, height);
  const stbi_uc* p = rgb.get();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, p += 3) {
      const bool seeThrough = p[0] == 0 && p[1] == 0 && p[2] == 0;
      image.Set(x, y, {p[0], p[1], p[2], static_cast<uint8_t>(seeThrough ? 0 : 255)});
    }
  }
  return image;
}

Image Resize(const Image& image, int width, int height) {
  if (width <= 0 || height <= 0) throw RenderError("a picture cannot be scaled to nothing");
  if (width == image.width() && height == image.height()) return image;
  Image out(width, height);
  const int ok = stbir_resize_uint8_srgb_edgemode(
      image.data(), image.width(), image.height(), 0, out.data(), width, height, 0, 4, 3, 0,
      STBIR_EDGE_CLAMP);
  if (!ok) throw RenderError("the picture cannot be scaled");
  return out;
}

void WritePng(const Image& image, const std::filesystem::path& file) {
  if (!stbi_write_png(file.string().c_str(), image.width(), image.height(), 4, image.data(),
                      image.width() * 4)) {
    throw RenderError("cannot write " + file.string());
  }
}

Image ReadPng(const std::filesystem::path& file) {
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
      stbi_load(file.string().c_str(), &width, &height, &channels, 4), stbi_image_free);
  if (!rgba) throw RenderError("cannot read " + file.string());
  Image image(width, height);
  std::copy(rgba.get(), rgba.get() + static_cast<size_t>(width) * static_cast<size_t>(height) * 4,
            image.data());
  return image;
}

}  // namespace bench
