// The gauges' pictures, checked at the places their descriptions fix: the
// real modules, their own bitmaps, the bench's host and renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <sstream>

#include "bench/render/renderer.h"
#include "bench/script/runner.h"

namespace bench {
namespace {

constexpr Rgba kCoverBlack{8, 8, 8, 255};

// A bench with the gauges' modules: runs scripts, takes pictures.
class Bench {
 public:
  Bench() : runner_(host_, world_, trace_, messages_, Options()) {}

  void Run(const std::string& script) {
    ASSERT_EQ(runner_.Run(script), Runner::kPassed) << messages_.str();
  }
  Gauge& gauge(const std::string& name) {
    Gauge* gauge = host_.Find(name);
    if (gauge == nullptr) throw std::runtime_error(name + " is not loaded");
    return *gauge;
  }
  Image Picture(const std::string& name) { return renderer_.Render(gauge(name)); }
  const Image& Bitmap(const std::string& name, int number) {
    return renderer_.Bitmaps(gauge(name)).Get(number);
  }
  Runner& runner() { return runner_; }

 private:
  static RunOptions Options() {
    RunOptions options;
    options.modulesDir = GAUGE_MODULE_DIR;
    options.scriptName = "test";
    return options;
  }
  World world_;
  Host host_;
  std::ostringstream trace_, messages_;
  Runner runner_;
  Renderer renderer_;
};

void Show(Gauge& gauge, size_t element) { gauge.elements[element]->imageFlags &= ~ImageHidden; }

bool Bright(Rgba c) { return c.a == 255 && c.r > 200 && c.g > 200 && c.b > 200; }

struct Box {
  int x, y, width, height;
  bool Holds(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

// Every pixel of `box` in the picture is the bitmap's pixel, placed at the box.
void ExpectShows(const Image& picture, const Image& bitmap, Box box, int fromX = 0, int fromY = 0) {
  for (int y = 0; y < box.height; ++y) {
    for (int x = 0; x < box.width; ++x) {
      ASSERT_EQ(picture.at(box.x + x, box.y + y), bitmap.at(fromX + x, fromY + y))
          << "at " << box.x + x << ", " << box.y + y;
    }
  }
}

TEST(GaugeBitmaps, EveryGaugeCarriesItsBitmapsAtTheirSizes) {
  Bench bench;
  bench.Run("extvar ligar\npanel guidepanel levelset radalt dimmer\n");
  struct Size {
    const char* gauge;
    int number, width, height;
  };
  std::vector<Size> sizes = {
      {"guidepanel", 4096, 340, 118}, {"guidepanel", 4099, 340, 118},
      {"guidepanel", 16390, 25, 9},   {"guidepanel", 20486, 18, 9},
      {"levelset", 4096, 215, 100},   {"levelset", 8192, 23, 340}, {"levelset", 8195, 23, 34},
      {"radalt", 4096, 302, 302},     {"radalt", 12288, 302, 302}, {"radalt", 8192, 125, 49},
      {"radalt", 8195, 125, 49},      {"radalt", 8198, 128, 17},   {"radalt", 8210, 19, 19},
      {"radalt", 8201, 19, 19},       {"dimmer", 4096, 60, 42},
  };
  for (int pressed : {4102, 4114, 8192, 8198, 8210, 12291, 12297, 16384, 20480}) {
    sizes.push_back({"guidepanel", pressed, 37, 24});
  }
  const std::pair<int, int> words[] = {{4105, 21}, {8195, 32}, {8201, 23}, {12288, 18}, {12294, 23},
                                       {12306, 15}, {16387, 24}, {16393, 15}, {20483, 15}};
  for (auto [number, width] : words) sizes.push_back({"guidepanel", number, width, 9});
  for (int k = 0; k < 7; ++k) sizes.push_back({"dimmer", 8192 + 3 * k, 33, 33});
  for (const Size& s : sizes) {
    SCOPED_TRACE(std::string(s.gauge) + " " + std::to_string(s.number));
    const Image& bitmap = bench.Bitmap(s.gauge, s.number);
    EXPECT_EQ(bitmap.width(), s.width);
    EXPECT_EQ(bitmap.height(), s.height);
    // 8 bits a pixel, with a palette.
    const auto file = OpenModuleBitmaps(*bench.gauge(s.gauge).library)->Find(s.number);
    ASSERT_TRUE(file && file->size() > 30);
    EXPECT_EQ((*file)[28], 8);
  }
  // Every bitmap an element names, each image of an icon included.
  for (const char* name : {"guidepanel", "levelset", "radalt", "dimmer"}) {
    const Gauge& gauge = bench.gauge(name);
    for (const ElementHeader* element : gauge.elements) {
      int count = 1;
      if (element->kind == kIconElement) count = reinterpret_cast<const IconElement*>(element)->imageCount;
      for (int k = 0; k < count; ++k) {
        EXPECT_NO_THROW(bench.Bitmap(name, element->resourceId + 3 * k)) << name;
      }
    }
  }
  // Single-colour bitmaps: the background and ground needle see-through
  // throughout, the preselector's window block (1, 1, 1).
  auto all = [&](const Image& image, Rgba colour) {
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (!(image.at(x, y) == colour)) return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(all(bench.Bitmap("radalt", 4096), Rgba{}));
  EXPECT_TRUE(all(bench.Bitmap("radalt", 8195), Rgba{}));
  EXPECT_TRUE(all(bench.Bitmap("levelset", 8195), Rgba{1, 1, 1, 255}));
}

// The flight-director panel ---------------------------------------------------

constexpr Box kLegendWindow{32, 12, 258, 34};
constexpr Box kDrClmRow{133, 15, 152, 9};
// The ten button wells: the pressed images' places.
constexpr Box kWells[10] = {{56, 53, 37, 24}, {99, 53, 37, 24},  {141, 53, 37, 24},
                            {183, 53, 37, 24}, {224, 53, 37, 24}, {56, 81, 37, 24},
                            {99, 81, 37, 24}, {141, 81, 37, 24}, {183, 81, 37, 24},
                            {224, 81, 37, 24}};

TEST(GuidepanelPicture, LegendWindowIsNearBlackWithinItsBounds) {
  Bench bench;
  bench.Run("panel guidepanel\n");
  const Image picture = bench.Picture("guidepanel");
  bool darkBlue = false;
  for (int y = kLegendWindow.y - 1; y <= kLegendWindow.y + kLegendWindow.height; ++y) {
    for (int x = kLegendWindow.x - 1; x <= kLegendWindow.x + kLegendWindow.width; ++x) {
      const Rgba c = picture.at(x, y);
      if (!kLegendWindow.Holds(x, y)) {
        EXPECT_NE(c, kCoverBlack) << "outside the window at " << x << ", " << y;
      } else if (kDrClmRow.Holds(x, y)) {
        darkBlue |= c == Rgba{0, 40, 84, 255};
        EXPECT_TRUE(c == kCoverBlack || (c.b > c.r && c.b <= 84)) << x << ", " << y;
      } else {
        EXPECT_EQ(c, kCoverBlack) << "in the window at " << x << ", " << y;
      }
    }
  }
  EXPECT_TRUE(darkBlue) << "DR and CLM are printed in dark blue";
}

TEST(GuidepanelPicture, OverlayIsSeeThroughOutsideItsCaps) {
  Bench bench;
  bench.Run("panel guidepanel\n");
  const Image& overlay = bench.Bitmap("guidepanel", 4099);
  int caps[10] = {};
  for (int y = 0; y < overlay.height(); ++y) {
    for (int x = 0; x < overlay.width(); ++x) {
      if (overlay.at(x, y).a == 0) continue;
      bool inWell = false;
      for (int i = 0; i < 10; ++i) {
        if (kWells[i].Holds(x, y)) {
          inWell = true;
          caps[i] += overlay.at(x, y) == Rgba{48, 48, 48, 255};
        }
      }
      EXPECT_TRUE(inWell) << "a cap pixel outside the wells at " << x << ", " << y;
    }
  }
  for (int i = 0; i < 10; ++i) EXPECT_GT(caps[i], 200) << "cap " << i << " is dark grey (48, 48, 48)";
  // The face shows through everywhere else: the rendered panel between the
  // wells is the face's own colour.
  const Image picture = bench.Picture("guidepanel");
  EXPECT_EQ(picture.at(20, 90), (Rgba{81, 81, 81, 255}));
  EXPECT_EQ(picture.at(60, 108), (Rgba{81, 81, 81, 255}));
}

TEST(GuidepanelPicture, PressedButtonsCoverTheirCapsAndWordsLightInTheirRows) {
  Bench bench;
  bench.Run("panel guidepanel\n");
  Gauge& gauge = bench.gauge("guidepanel");
  for (size_t i = 2; i < gauge.elements.size(); ++i) Show(gauge, i);
  const Image picture = bench.Picture("guidepanel");
  int buttons = 0, words = 0;
  for (size_t i = 2; i < gauge.elements.size(); ++i) {
    const ElementHeader& element = *gauge.elements[i];
    const Image& bitmap = bench.Bitmap("guidepanel", element.resourceId);
    const Box box{element.positionX, element.positionY, bitmap.width(), bitmap.height()};
    SCOPED_TRACE("element " + std::to_string(i));
    if (bitmap.height() == 24) {
      ++buttons;
      // The pressed image sits on a well and covers it whole: no overlay cap shows.
      EXPECT_TRUE(std::any_of(std::begin(kWells), std::end(kWells), [&](const Box& w) {
        return w.x == box.x && w.y == box.y;
      }));
      ExpectShows(picture, bitmap, box);
    } else {
      ++words;
      ASSERT_EQ(bitmap.height(), 9);
      // In the window, on one of its two rows.
      EXPECT_TRUE(box.y == 15 || box.y == 33);
      EXPECT_GE(box.x, kLegendWindow.x);
      EXPECT_LE(box.x + box.width, kLegendWindow.x + kLegendWindow.width);
      // Lit in green or orange; its corners are the window's black.
      int lit = 0;
      for (int y = 0; y < box.height; ++y) {
        for (int x = 0; x < box.width; ++x) {
          const Rgba c = picture.at(box.x + x, box.y + y);
          lit += (c == Rgba{64, 255, 64, 255} || c == Rgba{60, 252, 60, 255} ||
                  c == Rgba{255, 128, 0, 255});
        }
      }
      EXPECT_GT(lit, 10);
      EXPECT_EQ(picture.at(box.x, box.y), kCoverBlack);
      EXPECT_EQ(picture.at(box.x + box.width - 1, box.y + box.height - 1), kCoverBlack);
    }
  }
  EXPECT_EQ(buttons, 9);
  EXPECT_EQ(words, 14);
}

// The altitude preselector ----------------------------------------------------

TEST(LevelsetPicture, EachWindowShowsTheDigitOfItsWheel) {
  Bench bench;
  std::vector<Image> pictures;
  bench.runner().afterFrame = [&] { pictures.push_back(bench.Picture("levelset")); };
  std::string script = "panel levelset\nframe\n";
  for (int digit = 1; digit <= 9; ++digit) {
    script += "click levelset 61 4\nclick levelset 93 4\nclick levelset 125 4\n"
              "click levelset 157 4\nclick levelset 189 4\nframe\n";
  }
  bench.Run(script);
  ASSERT_EQ(pictures.size(), 10u);
  const Image& strip = bench.Bitmap("levelset", 8192);
  const Image& face = bench.Bitmap("levelset", 4096);
  const int wheels[5] = {28, 61, 92, 124, 157};
  for (int digit = 0; digit <= 9; ++digit) {
    for (int x : wheels) {
      SCOPED_TRACE("digit " + std::to_string(digit) + ", wheel at " + std::to_string(x));
      // The window shows rows 34d to 34d + 33 of the strip, and nothing of
      // the strip shows above or below it.
      ExpectShows(pictures[static_cast<size_t>(digit)], strip, {x, 34, 23, 34}, 0, 34 * digit);
      ExpectShows(pictures[static_cast<size_t>(digit)], face, {x, 33, 23, 1}, x, 33);
      ExpectShows(pictures[static_cast<size_t>(digit)], face, {x, 68, 23, 1}, x, 68);
    }
  }
}

// The radar altimeter ----------------------------------------------------------

constexpr double kPi = std::numbers::pi;

Rgba AtAngle(const Image& picture, double direction, double radius) {
  return picture.at(static_cast<int>(std::lround(151 + radius * std::cos(direction))),
                    static_cast<int>(std::lround(151 + radius * std::sin(direction))));
}

bool Orange(Rgba c) { return c.r > 200 && c.g > 90 && c.g < 190 && c.b < 60; }

TEST(RadaltPicture, NeedleAndBugPointAtEveryTablePoint) {
  Bench bench;
  bench.Run("panel radalt\nframe\n");
  Gauge& gauge = bench.gauge("radalt");
  const auto& needle = *reinterpret_cast<const NeedleElement*>(gauge.elements[2]);
  const auto& bug = *reinterpret_cast<const NeedleElement*>(gauge.elements[4]);
  ASSERT_EQ(needle.tableCount, 11);
  ASSERT_EQ(bug.tableCount, 51);

  for (int i = 0; i < needle.tableCount; ++i) {
    const NeedlePoint& p = needle.table[i];
    SCOPED_TRACE("height table point " + std::to_string(i + 1));
    gauge.values[2].value[0] = p.value;
    const Image picture = bench.Picture("radalt");
    const double toward = std::atan2(p.y - 151.0, p.x - 151.0);
    // The hub on the dial's centre: its grey centre within 3 pixels of
    // (151, 151), its dark ring 9 to 12 pixels out in every direction.
    for (int a = 0; a < 360; a += 15) {
      for (double radius : {0.0, 1.5, 3.0, 9.0, 12.0}) {
        const Rgba c = AtAngle(picture, a * kPi / 180, radius);
        if (radius <= 3.0) {
          EXPECT_TRUE(c.r > 120 && c.r == c.g - 2 && c.b == c.g + 4) << a << " " << radius;
        } else {
          EXPECT_TRUE(c.r < 80 && c.a == 255) << a << " " << radius;
        }
      }
    }
    // The pointer towards the point.
    EXPECT_TRUE(Bright(AtAngle(picture, toward, 60)));
    EXPECT_TRUE(Bright(AtAngle(picture, toward, 90)));
    EXPECT_FALSE(Bright(AtAngle(picture, toward + 10 * kPi / 180, 60)));
    EXPECT_FALSE(Bright(AtAngle(picture, toward - 10 * kPi / 180, 60)));
  }
  for (int i = 0; i < bug.tableCount; ++i) {
    const NeedlePoint& p = bug.table[i];
    SCOPED_TRACE("bug table point " + std::to_string(i + 1));
    gauge.values[4].value[0] = p.value;
    const Image picture = bench.Picture("radalt");
    const double toward = std::atan2(p.y - 151.0, p.x - 151.0);
    EXPECT_TRUE(Orange(picture.at(p.x, p.y)));
    EXPECT_FALSE(Orange(AtAngle(picture, toward + 8 * kPi / 180, 123)));
    EXPECT_FALSE(Orange(AtAngle(picture, toward - 8 * kPi / 180, 123)));
  }
}

TEST(RadaltPicture, LampsLightOnTheirDiscRightOfTheCentre) {
  Bench bench;
  std::vector<Image> pictures;
  bench.runner().afterFrame = [&] { pictures.push_back(bench.Picture("radalt")); };
  // Dark; armed at 300 metres (green); down to the decision height (red).
  bench.Run("panel guidepanel radalt\ntoken 73 300\nframe\nclick radalt 40 15\nframe\n"
            "token 73 0\nframe 2\n");
  ASSERT_EQ(pictures.size(), 4u);
  const Image& dark = pictures[0];
  const Image& green = pictures[1];
  const Image& red = pictures[3];
  // The lamps' disc, (215, 130) to (234, 149), on the dial.
  EXPECT_EQ(dark.at(224, 139), (Rgba{44, 44, 44, 255}));
  const Rgba g = green.at(224, 135), r = red.at(224, 135);
  EXPECT_TRUE(g.g > 120 && g.r < 80) << "green lamp";
  EXPECT_TRUE(r.r > 150 && r.g < 80) << "red lamp";
  // A lamp changes nothing outside its 19 x 19 place.
  for (const Image* lit : {&green, &red}) {
    for (int y = 100; y < 180; ++y) {
      for (int x = 180; x < 270; ++x) {
        if (Box{215, 130, 19, 19}.Holds(x, y)) continue;
        ASSERT_EQ(lit->at(x, y), dark.at(x, y)) << x << ", " << y;
      }
    }
  }
  // The lamps are round: their corners leave the dial as it was.
  EXPECT_EQ(green.at(215, 130), dark.at(215, 130));
}

// The dimmer ------------------------------------------------------------------

TEST(DimmerPicture, KnobPointsAtTheNumeralOfEachPosition) {
  const Box areas[7] = {{8, 33, 11, 6}, {3, 21, 11, 6}, {7, 8, 11, 6}, {24, 1, 11, 6},
                        {44, 9, 11, 6}, {44, 21, 11, 6}, {43, 32, 11, 6}};
  auto direction = [&](int n) {
    return std::atan2(areas[n].y + (areas[n].height - 1) / 2.0 - 24.0,
                      areas[n].x + (areas[n].width - 1) / 2.0 - 29.0);
  };
  for (int position = 0; position < 7; ++position) {
    SCOPED_TRACE("position " + std::to_string(position));
    Bench bench;
    bench.Run("extvar ligar\npanel dimmer\narea dimmer " + std::to_string(position + 1) +
              "\nframe\n");
    const Image picture = bench.Picture("dimmer");
    // The knob image of the position, at (13, 8).
    const Image& knob = bench.Bitmap("dimmer", 8192 + 3 * position);
    for (int y = 0; y < 33; ++y) {
      for (int x = 0; x < 33; ++x) {
        if (knob.at(x, y).a != 0) {
          ASSERT_EQ(picture.at(13 + x, 8 + y), knob.at(x, y));
        }
      }
    }
    // Its slot's white line points at the numeral, and at no other.
    for (int n = 0; n < 7; ++n) {
      const double d = direction(n);
      const Rgba c = picture.at(static_cast<int>(std::lround(29 + 10 * std::cos(d))),
                                static_cast<int>(std::lround(24 + 10 * std::sin(d))));
      EXPECT_EQ(Bright(c), n == position) << "towards numeral " << n;
    }
  }
  // Each numeral is printed inside its click area.
  Bench bench;
  bench.Run("extvar ligar\npanel dimmer\n");
  const Image& scale = bench.Bitmap("dimmer", 4096);
  for (const Box& area : areas) {
    int white = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
      for (int x = area.x; x < area.x + area.width; ++x) white += Bright(scale.at(x, y));
    }
    EXPECT_GT(white, 4) << "numeral at " << area.x << ", " << area.y;
  }
}

}  // namespace
}  // namespace bench
