#include "art/bitmap_set.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "art/bitmap_blob.h"

namespace art {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xffffu);
  Put16(out, v >> 16);
}

void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// Resource numbers of the gauges: 4096 times n plus 3 times m, n at least 1.
bool GoodNumber(int number) {
  if (number > 0xffff) return false;
  for (int block = 4096; block <= number; block += 4096) {
    if ((number - block) % 3 == 0) return true;
  }
  return false;
}

}  // namespace

IndexedImage ToIndexed(const Canvas& canvas) {
  IndexedImage image;
  image.width = canvas.width();
  image.height = canvas.height();
  std::vector<uint32_t> keys;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb c = canvas.at(x, y);
      keys.push_back(static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b);
    }
  }
  std::vector<uint32_t> colours = keys;
  std::sort(colours.begin(), colours.end());
  colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
  if (colours.size() > 256) {
    throw std::runtime_error("a bitmap of " + std::to_string(image.width) + " x " +
                             std::to_string(image.height) + " uses " +
                             std::to_string(colours.size()) + " colours, more than 256");
  }
  for (uint32_t c : colours) {
    image.palette.push_back(Rgb{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                static_cast<uint8_t>(c)});
  }
  image.pixels.reserve(keys.size());
  for (uint32_t key : keys) {
    const auto at = std::lower_bound(colours.begin(), colours.end(), key);
    image.pixels.push_back(static_cast<uint8_t>(at - colours.begin()));
  }
  return image;
}

std::vector<uint8_t> EncodeBmp(const IndexedImage& image) {
  const uint32_t stride = (static_cast<uint32_t>(image.width) + 3u) & ~3u;
  const uint32_t bitsOffset = 14 + 40 + 256 * 4;
  const uint32_t bitsSize = stride * static_cast<uint32_t>(image.height);
  std::vector<uint8_t> out;
  out.reserve(bitsOffset + bitsSize);
  // BITMAPFILEHEADER
  out.push_back('B');
  out.push_back('M');
  Put32(out, bitsOffset + bitsSize);
  Put32(out, 0);
  Put32(out, bitsOffset);
  // BITMAPINFOHEADER: 8 bits a pixel, uncompressed, bottom row first.
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(image.width));
  Put32(out, static_cast<uint32_t>(image.height));
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);  // BI_RGB
  Put32(out, bitsSize);
  Put32(out, 2835);  // 72 dots an inch
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  // The palette: the image's colours, the rest of the 256 entries unused.
  for (size_t i = 0; i < 256; ++i) {
    const Rgb c = i < image.palette.size() ? image.palette[i] : Rgb{};
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    const auto row = image.pixels.begin() + static_cast<long>(y) * image.width;
    out.insert(out.end(), row, row + image.width);
    out.insert(out.end(), stride - static_cast<uint32_t>(image.width), 0);
  }
  return out;
}

void BitmapSet::Add(int number, const Canvas& canvas) {
  const std::string what = gauge_ + " bitmap " + std::to_string(number);
  if (!GoodNumber(number)) {
    throw std::runtime_error(what + ": not a resource number of the form 4096 n + 3 m");
  }
  if (bitmaps_.count(number) != 0) throw std::runtime_error(what + " is drawn twice");
  try {
    bitmaps_.emplace(number, ToIndexed(canvas));
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(what + ": " + error.what());
  }
}

void BitmapSet::Write(const std::filesystem::path& folder) const {
  std::filesystem::create_directories(folder);
  std::vector<std::vector<uint8_t>> files;
  std::string rc = "// The bitmaps of " + gauge_ + ", drawn at build time. Do not edit.\n";
  for (const auto& [number, image] : bitmaps_) {
    files.push_back(EncodeBmp(image));
    const auto file = folder / (std::to_string(number) + ".bmp");
    WriteFile(file, files.back());
    rc += std::to_string(number) + " BITMAP \"" + file.generic_string() + "\"\n";
  }

  std::vector<uint8_t> blob(kBitmapBlobMagic, kBitmapBlobMagic + 4);
  Put32(blob, static_cast<uint32_t>(files.size()));
  uint32_t offset = kBitmapBlobHeaderSize + kBitmapBlobEntrySize * static_cast<uint32_t>(files.size());
  size_t i = 0;
  for (const auto& entry : bitmaps_) {
    Put32(blob, static_cast<uint32_t>(entry.first));
    Put32(blob, offset);
    Put32(blob, static_cast<uint32_t>(files[i].size()));
    offset += static_cast<uint32_t>(files[i].size());
    ++i;
  }
  for (const auto& file : files) blob.insert(blob.end(), file.begin(), file.end());
  WriteFile(folder / "bitmaps.blob", blob);

  std::ofstream out(folder / "bitmaps.rc", std::ios::binary | std::ios::trunc);
  out << rc;
  if (!out) throw std::runtime_error("cannot write " + (folder / "bitmaps.rc").string());
}

namespace {
std::map<std::string, DrawGauge>& Registry() {
  static std::map<std::string, DrawGauge> registry;
  return registry;
}
}  // namespace

bool RegisterGaugeArt(const char* gauge, DrawGauge draw) {
  Registry()[gauge] = draw;
  return true;
}

DrawGauge FindGaugeArt(const std::string& gauge) {
  const auto it = Registry().find(gauge);
  return it == Registry().end() ? nullptr : it->second;
}

std::vector<std::string> GaugeArtNames() {
  std::vector<std::string> names;
  for (const auto& entry : Registry()) names.push_back(entry.first);
  return names;
}

}  // namespace art
