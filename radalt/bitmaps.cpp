// The radar altimeter's bitmaps: the black background, the dial face with
// its non-linear scale, the needle, the invisible ground needle, the
// decision-height bug and the two lamps.
#include <cmath>
#include <cstdio>

#include "art/bitmap_set.h"

namespace {

using art::Canvas;
using art::Point;
using art::Rgb;

constexpr Point kCentre{151, 151};
constexpr double kFaceRadius = 128.0;   // the dark disc
constexpr double kRimRadius = 131.0;    // its rim; the click areas outside stay clear
constexpr double kTickOuter = 123.0;    // the scale's marks end where the tables point
constexpr double kTickMinor = 116.0;
constexpr double kTickMajor = 107.0;

constexpr Rgb kRim{70, 72, 76};
constexpr Rgb kRing{150, 152, 156};     // the NO TRACK / OFF ring
constexpr Rgb kRingText{16, 16, 16};
constexpr Rgb kLampWell{44, 44, 44};    // the small disc under the lamps
constexpr Rgb kOrange{255, 140, 0};
constexpr Rgb kYellow{255, 232, 0};

// The scale's marks, in feet, with the points they stand at: the settings of
// the decision-height bug, which cover the whole scale.
struct Mark {
  int feet;
  int x, y;
};
constexpr Mark kMarks[] = {
    {0, 151, 28},     {10, 163, 29},    {20, 174, 30},    {30, 184, 32},    {40, 193, 35},
    {50, 202, 39},    {60, 210, 43},    {70, 217, 47},    {80, 225, 53},    {90, 231, 58},
    {100, 238, 64},   {120, 245, 72},   {140, 252, 81},   {160, 258, 91},   {180, 263, 101},
    {200, 268, 111},  {220, 271, 125},  {240, 274, 142},  {260, 274, 159},  {280, 272, 176},
    {300, 268, 191},  {320, 259, 209},  {340, 253, 222},  {360, 244, 234},  {380, 235, 243},
    {400, 220, 253},  {420, 208, 261},  {440, 195, 266},  {460, 181, 271},  {480, 166, 273},
    {500, 151, 274},  {600, 142, 274},  {700, 135, 273},  {800, 129, 272},  {900, 124, 270},
    {1000, 117, 269}, {1100, 109, 267}, {1200, 102, 265}, {1300, 97, 262},  {1400, 92, 259},
    {1500, 86, 255},  {1600, 79, 251},  {1700, 74, 248},  {1800, 68, 243},  {1900, 64, 238},
    {2000, 59, 234},  {2100, 53, 226},  {2200, 50, 221},  {2300, 46, 216},  {2400, 43, 211},
    {2500, 40, 205},
};

double MarkAngle(const Mark& mark) {
  return art::DialAngle(kCentre, {static_cast<double>(mark.x), static_cast<double>(mark.y)});
}

bool Labelled(int feet) {
  return feet == 0 || feet == 100 || feet == 200 || feet == 300 || feet == 400 || feet == 500 ||
         feet == 1000 || feet == 2000 || feet == 2500;
}

Canvas DialFace(const art::Fonts& fonts) {
  Canvas dial(302, 302, art::kSeeThrough);
  dial.Fill(art::Circle(kCentre, kRimRadius), kRim);
  dial.Fill(art::Ring(kCentre, kRimRadius - 1.2, kRimRadius), Rgb{110, 112, 116});
  dial.set_matte(kRim);
  dial.Fill(art::Circle(kCentre, kFaceRadius), art::kCoverBlack);
  dial.set_matte(art::kCoverBlack);

  // The lighter ring left of the scale, from the 2500 mark up to the 0 mark.
  const double top = MarkAngle(kMarks[std::size(kMarks) - 1]);
  dial.Fill(art::RingSector(kCentre, 104.0, 125.0, top + 2.0, 358.0), kRing);
  const art::Font& bold = fonts.condensedBold();
  bold.DrawOnArc(dial, "NO TRACK", 10.0, kCentre, 110.5, top + 18.0, kRingText);
  bold.DrawOnArc(dial, "OFF", 10.0, kCentre, 110.5, 345.0, kRingText);

  // Marks: long ones at the figures, middle ones at 50 and 1500 feet.
  for (const Mark& mark : kMarks) {
    const double angle = MarkAngle(mark);
    const bool major = Labelled(mark.feet);
    const bool middle = mark.feet == 50 || mark.feet == 1500;
    const double inner = major ? kTickMajor : middle ? (kTickMajor + kTickMinor) / 2 : kTickMinor;
    dial.Fill(art::Stroke(art::OnDial(kCentre, inner, angle), art::OnDial(kCentre, kTickOuter, angle),
                          major ? 2.6 : 1.5),
              art::kWhite);
  }
  // Figures: 0 to 500 large on the right half, the compressed end smaller.
  for (const Mark& mark : kMarks) {
    if (!Labelled(mark.feet)) continue;
    char text[8];
    std::snprintf(text, sizeof text, "%d", mark.feet);
    const bool compressed = mark.feet > 500;
    const Point at = art::OnDial(kCentre, compressed ? 84.0 : 90.0, MarkAngle(mark));
    fonts.bold().DrawCentred(dial, text, compressed ? 9.5 : 13.0, at.x, at.y, art::kWhite);
  }

  bold.DrawCentred(dial, "RADAR ALTITUDE", 10.0, kCentre.x, 112, art::kWhite);
  bold.DrawCentred(dial, "FEET", 10.0, kCentre.x, 192, art::kWhite);
  // The small disc under the lamps, (215, 130) to (234, 149).
  dial.Fill(art::Circle({224.5, 139.5}, 10.0), kLampWell);
  return dial;
}

// The needle: a dark hub with a grey centre at (24, 24), a white pointer to the right.
Canvas Needle() {
  Canvas needle(125, 49, art::kSeeThrough);
  needle.set_matte(art::kCoverBlack);
  needle.Fill(art::Polygon({{26, 20.5}, {116, 22.8}, {124, 24}, {116, 25.2}, {26, 27.5}}),
              art::kWhite);
  needle.Fill(art::Circle({24, 24}, 15.0), Rgb{74, 76, 80});
  needle.Fill(art::Circle({24, 24}, 13.5), Rgb{36, 37, 40});
  needle.Fill(art::Circle({24, 24}, 5.0), Rgb{150, 152, 156});
  needle.Fill(art::Circle({23, 23}, 2.0), Rgb{196, 198, 202});
  return needle;
}

// The bug: an orange triangle at the right end, its point towards the pivot.
Canvas Bug() {
  Canvas bug(128, 17, art::kSeeThrough);
  bug.set_matte(art::kCoverBlack);
  bug.Fill(art::Polygon({{127.4, 0.6}, {127.4, 15.4}, {113.0, 8.0}}), kOrange);
  return bug;
}

Canvas Lamp(const art::Fonts& fonts, Rgb disc, Rgb edge) {
  Canvas lamp(19, 19, art::kSeeThrough);
  lamp.set_matte(kLampWell);
  lamp.Fill(art::Circle({9, 9}, 9.4), edge);
  lamp.Fill(art::Circle({9, 9}, 8.2), disc);
  lamp.set_matte(disc);
  fonts.condensedBold().DrawCentred(lamp, "DH", 9.0, 9, 9, kYellow);
  return lamp;
}

void DrawRadalt(art::BitmapSet& bitmaps, const art::Fonts& fonts) {
  bitmaps.Add(4096, Canvas(302, 302, art::kSeeThrough));
  bitmaps.Add(12288, DialFace(fonts));
  bitmaps.Add(8192, Needle());
  bitmaps.Add(8195, Canvas(125, 49, art::kSeeThrough));  // the ground needle shows nothing
  bitmaps.Add(8198, Bug());
  bitmaps.Add(8210, Lamp(fonts, Rgb{24, 176, 48}, Rgb{10, 90, 24}));
  bitmaps.Add(8201, Lamp(fonts, Rgb{214, 28, 24}, Rgb{110, 12, 10}));
}

}  // namespace

GAUGE_ART(radalt, DrawRadalt);
