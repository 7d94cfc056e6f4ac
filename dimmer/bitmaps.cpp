// The dimmer's bitmaps: the scale with its numerals 0 to 6 round a white
// arc, and the knob in each of its seven positions, its slot pointing at the
// numeral of the position.
#include "art/bitmap_set.h"

namespace {

using art::Canvas;
using art::Point;
using art::Rgb;

constexpr int kKnobX = 13, kKnobY = 8;  // where the knob is drawn on the scale
constexpr int kKnobSize = 33;
constexpr Point kKnobCentre{kKnobX + 16, kKnobY + 16};  // on the scale

// Each numeral stands in the middle of its click area (left, top, width, height).
struct Numeral {
  int left, top, width, height;
  Point middle() const {
    return {left + (width - 1) / 2.0, top + (height - 1) / 2.0};
  }
};
constexpr Numeral kNumerals[7] = {
    {8, 33, 11, 6}, {3, 21, 11, 6}, {7, 8, 11, 6}, {24, 1, 11, 6},
    {44, 9, 11, 6}, {44, 21, 11, 6}, {43, 32, 11, 6},
};

// The panel grey that smooth edges fade into; the bitmaps are see-through
// round their shapes, so the panel behind shows there.
constexpr Rgb kPanelMatte{52, 52, 52};

Canvas Scale(const art::Fonts& fonts) {
  Canvas scale(60, 42, art::kSeeThrough);
  scale.set_matte(kPanelMatte);
  // The arc, open at the bottom between the 6 and the 0.
  const double from = art::DialAngle(kKnobCentre, kNumerals[0].middle());
  const double to = art::DialAngle(kKnobCentre, kNumerals[6].middle());
  scale.Fill(art::RingSector(kKnobCentre, 16.9, 18.1, from, to), art::kWhite);
  for (int n = 0; n < 7; ++n) {
    const char text[2] = {static_cast<char>('0' + n), 0};
    const Point at = kNumerals[n].middle();
    fonts.bold().DrawCentred(scale, text, 8.0, at.x, at.y, art::kWhite);
  }
  return scale;
}

// The knob, its slot towards numeral `position`.
Canvas Knob(int position) {
  Canvas knob(kKnobSize, kKnobSize, art::kSeeThrough);
  const Point c{16, 16};
  knob.set_matte(kPanelMatte);
  knob.Fill(art::Circle(c, 16.4), Rgb{40, 40, 42});
  knob.set_matte(std::nullopt);
  knob.Fill(art::Circle(c, 15.2), Rgb{92, 92, 96});
  // The ribbed rim.
  for (int rib = 0; rib < 24; ++rib) {
    const double a = rib * 15.0 + 7.5;
    knob.Fill(art::Stroke(art::OnDial(c, 12.6, a), art::OnDial(c, 15.2, a), 1.0), Rgb{62, 62, 66});
  }
  // The domed top, lit from the upper left.
  knob.Fill(art::Circle({15.2, 15.2}, 11.6), Rgb{118, 118, 122});
  knob.Fill(art::Circle({14.6, 14.6}, 8.6), Rgb{136, 136, 140});
  knob.Fill(art::Circle({14.0, 14.0}, 5.0), Rgb{152, 152, 156});
  // The pointer slot, with a white line in it.
  const double angle = art::DialAngle(kKnobCentre, kNumerals[position].middle());
  knob.Fill(art::Stroke(art::OnDial(c, -4.0, angle), art::OnDial(c, 15.0, angle), 3.4),
            Rgb{24, 24, 26});
  knob.Fill(art::Stroke(art::OnDial(c, 5.0, angle), art::OnDial(c, 14.0, angle), 1.3),
            art::kWhite);
  return knob;
}

void DrawDimmer(art::BitmapSet& bitmaps, const art::Fonts& fonts) {
  bitmaps.Add(4096, Scale(fonts));
  for (int position = 0; position < 7; ++position) {
    bitmaps.Add(8192 + 3 * position, Knob(position));
  }
}

}  // namespace

GAUGE_ART(dimmer, DrawDimmer);
