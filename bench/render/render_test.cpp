// The renderer on small trees of its own, and the readers of bitmaps and
// panel layouts on good and broken input.
#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <cmath>
#include <numbers>

#include "art/bitmap_blob.h"
#include "bench/render/bitmap_source.h"
#include "bench/render/panel.h"
#include "bench/render/renderer.h"

namespace bench {
namespace {

using Pixels = std::vector<std::vector<Rgba>>;

// A bitmap file of `width` x `height` pixels whose colour `paint` gives.
template <typename Paint>
std::vector<uint8_t> Bmp(int width, int height, Paint paint) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba c = paint(x, y);
      rgb.insert(rgb.end(), {c.r, c.g, c.b});
    }
  }
  std::vector<uint8_t> file;
  stbi_write_bmp_to_func(
      [](void* out, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(out);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
      },
      &file, width, height, 3, rgb.data());
  return file;
}

std::vector<uint8_t> Solid(int width, int height, Rgba c) {
  return Bmp(width, height, [c](int, int) { return c; });
}

constexpr Rgba kGrey{81, 81, 81, 255};
constexpr Rgba kRed{200, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kClear{0, 0, 0, 0};

ElementHeader Header(ElementKind kind, int32_t resource, int32_t x, int32_t y) {
  ElementHeader h{};
  h.kind = kind;
  h.resourceId = resource;
  h.positionX = x;
  h.positionY = y;
  return h;
}

// A gauge of a root and the children given, as the host holds it.
struct TestGauge {
  StaticElement root{};
  Gauge gauge;
  explicit TestGauge(std::vector<ElementHeader*> children) {
    root.header = Header(kStaticElement, 4096, 0, 0);
    gauge.name = "test";
    gauge.root = &root;
    gauge.elements.push_back(&root.header);
    for (ElementHeader* child : children) gauge.elements.push_back(child);
    gauge.values.assign(gauge.elements.size(), ElementValue{});
  }
  void Value(size_t element, double x, double y = 0.0) {
    gauge.values[element].value[0] = x;
    gauge.values[element].value[1] = y;
    gauge.values[element].evaluated = true;
  }
};

Image Draw(const TestGauge& test, std::map<int, std::vector<uint8_t>> files) {
  GaugeBitmaps bitmaps(std::make_unique<MemoryBitmaps>(std::move(files)), "test");
  return Renderer::Render(test.gauge, bitmaps);
}

TEST(Renderer, SeeThroughHiddenAndIconImages) {
  IconElement icon{};
  icon.header = Header(kIconElement, 8192, 2, 1);
  icon.imageCount = 3;
  IconElement hidden{};
  hidden.header = Header(kIconElement, 12288, 0, 0);
  hidden.header.imageFlags = 0x40000006;
  hidden.imageCount = 1;
  TestGauge test({&icon.header, &hidden.header});
  // The root's own see-through colour is transparent too: its left column.
  std::map<int, std::vector<uint8_t>> files{
      {4096, Bmp(6, 4, [](int x, int) { return x == 0 ? Rgba{} : kGrey; })},
      {8192, Solid(2, 2, Rgba{10, 0, 0, 255})},
      {8195, Bmp(2, 2, [](int x, int) { return x == 0 ? Rgba{20, 0, 0, 255} : Rgba{}; })},
      {8198, Solid(2, 2, Rgba{30, 0, 0, 255})},
      {12288, Solid(6, 4, kRed)},
  };
  struct Case {
    double value;
    uint8_t left, right;  // red of (2, 1) and (3, 1)
  };
  for (const Case c : {Case{0.0, 10, 10}, Case{1.9, 20, 81}, Case{2.0, 30, 30}, Case{7.0, 30, 30},
                       Case{-3.0, 10, 10}, Case{std::nan(""), 10, 10}}) {
    test.Value(1, c.value);
    const Image picture = Draw(test, files);
    SCOPED_TRACE(c.value);
    EXPECT_EQ(picture.at(0, 0), kClear);
    EXPECT_EQ(picture.at(1, 0), kGrey);  // the hidden full-size icon is not drawn
    EXPECT_EQ(picture.at(2, 1).r, c.left);
    EXPECT_EQ(picture.at(3, 1).r, c.right);
  }
  // Shown again, it covers everything but the root's transparent column.
  hidden.header.imageFlags &= ~ImageHidden;
  EXPECT_EQ(Draw(test, files).at(3, 1), kRed);
}

TEST(Renderer, NeedlePointsAtTheTablePointOfItsValue) {
  // A needle 40 pixels long, pivot at its left end, turning about (50, 50).
  NeedlePoint table[4] = {{50, 10, 0.0, {}}, {90, 50, 10.0, {}}, {50, 90, 30.0, {}},
                          {10, 50, 60.0, {}}};
  NeedleElement needle{};
  needle.header = Header(kNeedleElement, 8192, 50, 50);
  needle.header.offsetX = 0;
  needle.header.offsetY = 2;
  needle.table = table;
  needle.tableCount = 4;
  TestGauge test({&needle.header});
  const std::map<int, std::vector<uint8_t>> files{
      {4096, Solid(101, 101, kGrey)},
      {8192, Bmp(41, 5, [](int, int y) { return y >= 1 && y <= 3 ? kWhite : Rgba{}; })},
  };
  auto tip = [&](double degrees) {  // 35 pixels out, clockwise from 12 o'clock
    const double a = degrees * std::numbers::pi / 180.0;
    return Draw(test, files).at(static_cast<int>(std::lround(50 + 35 * std::sin(a))),
                                static_cast<int>(std::lround(50 - 35 * std::cos(a))));
  };
  struct Case {
    double value, degrees;
  };
  for (const Case c : {Case{0.0, 0}, Case{10.0, 90}, Case{30.0, 180}, Case{60.0, 270},
                       Case{5.0, 45}, Case{20.0, 135}, Case{45.0, 225},
                       Case{-5.0, 0}, Case{100.0, 270}, Case{std::nan(""), 0}}) {
    SCOPED_TRACE(c.value);
    test.Value(1, c.value);
    EXPECT_EQ(tip(c.degrees), kWhite);
    EXPECT_EQ(tip(c.degrees + 20), kGrey);
    EXPECT_EQ(tip(c.degrees - 20), kGrey);
  }
  // Without a table the needle stands as drawn: pointing right.
  needle.table = nullptr;
  needle.tableCount = 0;
  test.Value(1, 30.0);
  EXPECT_EQ(tip(90), kWhite);
  EXPECT_EQ(tip(180), kGrey);
}

TEST(Renderer, MovingElementTravelsBehindItsWindow) {
  // A strip of five bands of 4 rows, seen through a 3 x 4 window at (2, 3).
  MovingElement strip{};
  strip.header = Header(kMovingElement, 8192, 2, 3);
  strip.xMinimum = strip.xMaximum = 0.0;
  strip.yMinimum = 0.0;
  strip.yMaximum = 4.0;
  TestGauge test({&strip.header});
  std::map<int, std::vector<uint8_t>> files{
      {4096, Solid(8, 10, kGrey)},
      {8192, Bmp(3, 20, [](int, int y) { return Rgba{static_cast<uint8_t>(10 * (y / 4 + 1)), 0, 0, 255}; })},
      {8195, Solid(3, 4, Rgba{1, 1, 1, 255})},
  };
  struct Case {
    double x, y;
    uint8_t band;
  };
  for (const Case c : {Case{0, 0, 10}, Case{1.0, 1, 20}, Case{0, 4, 50}, Case{0, 9, 50},
                       Case{0, -2, 10}, Case{0, std::nan(""), 10}, Case{0, 2.5, 0}}) {
    SCOPED_TRACE(c.y);
    test.Value(1, c.x, c.y);
    const Image picture = Draw(test, files);
    if (c.band != 0) {
      for (int y = 3; y < 7; ++y) EXPECT_EQ(picture.at(2, y).r, c.band);
    } else {  // half way between two bands: both show, 2 rows each
      EXPECT_EQ(picture.at(2, 3).r, 30);
      EXPECT_EQ(picture.at(2, 6).r, 40);
    }
    // Clipped by the window: the face shows round it.
    EXPECT_EQ(picture.at(2, 2), kGrey);
    EXPECT_EQ(picture.at(2, 7), kGrey);
    EXPECT_EQ(picture.at(5, 4), kGrey);
  }
  // Without a window the strip is drawn whole and unmoved.
  files.erase(8195);
  test.Value(1, 0, 4);
  const Image whole = Draw(test, files);
  EXPECT_EQ(whole.at(2, 3).r, 10);
  EXPECT_EQ(whole.at(2, 9).r, 20);
}

TEST(Renderer, MissingBitmapIsNamed) {
  IconElement icon{};
  icon.header = Header(kIconElement, 8192, 0, 0);
  icon.imageCount = 2;
  TestGauge test({&icon.header});
  test.Value(1, 1.0);
  try {
    Draw(test, {{4096, Solid(2, 2, kGrey)}, {8192, Solid(1, 1, kRed)}});
    FAIL();
  } catch (const RenderError& e) {
    EXPECT_STREQ("module test, element 1 shows image 1, but the module has no bitmap 8195", e.what());
  }
}

std::vector<uint8_t> Blob(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& files) {
  std::vector<uint8_t> out(art::kBitmapBlobMagic, art::kBitmapBlobMagic + 4);
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put(static_cast<uint32_t>(files.size()));
  uint32_t offset = 8 + 12 * static_cast<uint32_t>(files.size());
  for (const auto& [number, bytes] : files) {
    put(number);
    put(offset);
    put(static_cast<uint32_t>(bytes.size()));
    offset += static_cast<uint32_t>(bytes.size());
  }
  for (const auto& entry : files) out.insert(out.end(), entry.second.begin(), entry.second.end());
  return out;
}

TEST(BitmapBlob, ReadsTheDirectoryAndRefusesBrokenOnes) {
  const auto good = Blob({{4096, {1, 2, 3}}, {8192, {4}}});
  const auto files = ParseBitmapBlob(good, "m.so");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files.at(4096), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(files.at(8192), (std::vector<uint8_t>{4}));

  auto cut = good;
  cut.resize(good.size() - 1);  // the last file runs past the end
  auto longCount = good;
  longCount[4] = 200;
  auto twice = Blob({{4096, {1}}, {4096, {2}}});
  auto wrong = good;
  wrong[0] = 'X';
  struct Case {
    std::vector<uint8_t> bytes;
    const char* message;
  };
  for (const Case& c : {
           Case{cut, "m.so: bitmap entry 2 (number 8192) lies outside the section"},
           Case{longCount, "m.so: its bitmap section lists more bitmaps than it holds"},
           Case{twice, "m.so: bitmap 4096 is listed twice"},
           Case{wrong, "m.so: its bitmap section does not start with GBMP"},
           Case{{}, "m.so: its bitmap section does not start with GBMP"},
       }) {
    try {
      ParseBitmapBlob(c.bytes, "m.so");
      ADD_FAILURE() << c.message;
    } catch (const RenderError& e) {
      EXPECT_STREQ(c.message, e.what());
    }
  }
}

TEST(ElfSection, RefusesFilesThatAreNotElf) {
  const std::vector<uint8_t> text(100, 'x');
  EXPECT_THROW(ReadElfSection(text, ".gauge_bitmaps", "x"), RenderError);
  std::vector<uint8_t> header(64, 0);
  header[0] = 0x7f;
  header[1] = 'E';
  header[2] = 'L';
  header[3] = 'F';
  header[4] = 2;
  header[5] = 1;
  header[0x28] = 0xf0;  // section headers far past the end
  header[0x3a] = 64;
  header[0x3c] = 3;
  try {
    ReadElfSection(header, ".gauge_bitmaps", "h.so");
    FAIL();
  } catch (const RenderError& e) {
    EXPECT_STREQ("h.so: its section headers lie outside the file", e.what());
  }
}

TEST(PanelLayout, ReadsGaugeLinesAsPanelBuildersWriteThem) {
  const PanelLayout layout = ParsePanelLayout(
      "// my panel\n"
      "[Window00]\n"
      "file=panel.bmp\n"
      "size_mm=640, 200 ; pixels\n"
      "background_color=10,20,30\n"
      "gauge00=levelset!KRW TRX82 Altitude Preselector, 10, 120, 105\n"
      "Gauge01 = radalt , -5, 7\n"
      "gauge02=dimmer!6 position panel dimmer - by Quillmo, 1, 2, 60, 50\n",
      "panel.cfg");
  EXPECT_EQ(layout.width, 640);
  EXPECT_EQ(layout.height, 200);
  EXPECT_EQ(layout.background, (Rgba{10, 20, 30, 255}));
  ASSERT_EQ(layout.gauges.size(), 3u);
  const PanelGauge& first = layout.gauges[0];
  EXPECT_EQ(first.line, 6);
  EXPECT_EQ(first.module, "levelset");
  EXPECT_EQ(first.gaugeName, "KRW TRX82 Altitude Preselector");
  EXPECT_EQ(first.x, 10);
  EXPECT_EQ(first.y, 120);
  EXPECT_EQ(first.width, 105);
  EXPECT_EQ(first.height, 0);
  EXPECT_EQ(layout.gauges[1].module, "radalt");
  EXPECT_EQ(layout.gauges[1].gaugeName, "");
  EXPECT_EQ(layout.gauges[1].x, -5);
  EXPECT_EQ(layout.gauges[1].width, 0);
  EXPECT_EQ(layout.gauges[2].height, 50);
}

TEST(PanelLayout, BadLinesNameFileAndLine) {
  struct Case {
    const char* line;
    const char* message;
  };
  for (const Case& c : {
           Case{"levelset, 1, 2", "p.cfg:2: expected KEY=VALUE, such as gauge00=levelset, 10, 20"},
           Case{"gauge00=levelset, 1", "p.cfg:2: gauge00: expected MODULE[!GAUGE], X, Y[, WIDTH[, HEIGHT]]"},
           Case{"gauge00=levelset, 1, 2, 3, 4, 5", "p.cfg:2: gauge00: expected MODULE[!GAUGE], X, Y[, WIDTH[, HEIGHT]]"},
           Case{"gauge00=levelset, one, 2", "p.cfg:2: gauge00: x must be a whole number, not \"one\""},
           Case{"gauge00=levelset, 1, 2, 0", "p.cfg:2: gauge00: the width must be at least 1, not 0"},
           Case{"gauge00=levelset, 1, 2, 10.5", "p.cfg:2: gauge00: the width must be a whole number, not \"10.5\""},
           Case{"gauge00=!name, 1, 2", "p.cfg:2: gauge00: names no module"},
           Case{"size_mm=640", "p.cfg:2: size_mm takes a width and a height"},
           Case{"background_color=1,2,300", "p.cfg:2: background_color: each part must be 0 to 255"},
       }) {
    try {
      ParsePanelLayout(std::string("[Window00]\n") + c.line + "\n", "p.cfg");
      ADD_FAILURE() << c.line;
    } catch (const RenderError& e) {
      EXPECT_STREQ(c.message, e.what());
    }
  }
}

TEST(Image, ScalesWithAFilterAndKeepsTransparency) {
  Image image(4, 4, kWhite);
  for (int y = 0; y < 4; ++y) image.Set(0, y, kClear);
  const Image doubled = Resize(image, 8, 8);
  EXPECT_EQ(doubled.at(0, 3).a, 0);
  EXPECT_EQ(doubled.at(7, 3), kWhite);
  EXPECT_GT(doubled.at(2, 3).a, 0);  // the edge is smooth, not a hard step
  EXPECT_LT(doubled.at(1, 3).a, 255);
}

}  // namespace
}  // namespace bench
