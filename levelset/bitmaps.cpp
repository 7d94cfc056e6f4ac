// The altitude preselector's bitmaps: the face with its five digit windows,
// the digit strip every wheel shows, and the window block the strip is seen
// through.
#include "art/bitmap_set.h"

namespace {

using art::Canvas;
using art::Rgb;

constexpr int kWindowLefts[5] = {28, 60, 92, 124, 156};
constexpr int kWindowTop = 34;
constexpr int kWindowWidth = 23;
constexpr int kWindowHeight = 34;  // one digit of the strip

constexpr Rgb kFrame{74, 76, 80};
constexpr Rgb kFrameLight{122, 124, 128};
constexpr Rgb kFrameDark{38, 39, 42};
constexpr Rgb kBar{96, 98, 102};
constexpr Rgb kTile{128, 130, 134};

Canvas Face(const art::Fonts& fonts) {
  Canvas face(215, 100, kFrame);
  face.Bevel(0, 0, 215, 100, kFrameLight, kFrameDark);
  face.Bevel(1, 1, 213, 98, kFrameLight, kFrameDark);
  // The black band that holds the windows, sunk into the frame.
  face.FillRect(22, 27, 164, 59, art::kCoverBlack);
  face.Bevel(21, 26, 166, 61, kFrameDark, kFrameLight);
  for (int i = 0; i < 5; ++i) {
    const int left = kWindowLefts[i];
    // A narrow bar between this window and the next.
    if (i < 4) face.FillRect(left + kWindowWidth + 3, kWindowTop - 2, 3, kWindowHeight + 4, kBar);
    // The grey tile below the window: the wheel's ribbed rim.
    face.FillRect(left, kWindowTop + kWindowHeight + 4, kWindowWidth, 12, kTile);
    for (int y = kWindowTop + kWindowHeight + 6; y < kWindowTop + kWindowHeight + 15; y += 3) {
      face.FillRect(left + 1, y, kWindowWidth - 2, 1, kFrame);
    }
    face.Bevel(left, kWindowTop + kWindowHeight + 4, kWindowWidth, 12, kFrameLight, kFrameDark);
  }
  face.set_matte(kFrame);
  const art::Font& bold = fonts.condensedBold();
  bold.DrawCentred(face, "ALTITUDE SELECT", 10.0, 104, 15, art::kWhite);
  bold.DrawCentred(face, "FT", 10.0, 200, 51, art::kWhite);
  return face;
}

// Digits 0 (top) to 9 (bottom), one every 34 pixels, white on covering black.
Canvas DigitStrip(const art::Fonts& fonts) {
  Canvas strip(kWindowWidth, 10 * kWindowHeight, art::kCoverBlack);
  const art::Font& font = fonts.bold();
  const double size = font.Fit("0", 30.0, kWindowWidth - 6, kWindowHeight - 12);
  for (int digit = 0; digit < 10; ++digit) {
    const char text[2] = {static_cast<char>('0' + digit), 0};
    font.DrawCentred(strip, text, size, (kWindowWidth - 1) / 2.0,
                     digit * kWindowHeight + (kWindowHeight - 1) / 2.0, art::kWhite);
  }
  return strip;
}

void DrawLevelset(art::BitmapSet& bitmaps, const art::Fonts& fonts) {
  bitmaps.Add(4096, Face(fonts));
  bitmaps.Add(8192, DigitStrip(fonts));
  // The window the strip is seen through: one digit's size, near black.
  bitmaps.Add(8195, Canvas(kWindowWidth, kWindowHeight, Rgb{1, 1, 1}));
}

}  // namespace

GAUGE_ART(levelset, DrawLevelset);
