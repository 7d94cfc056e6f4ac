// The flight-director panel's bitmaps: the face with its legend window and
// button wells, the overlay of button caps, the nine pressed buttons, and the
// annunciator words that light in the window.
#include "art/bitmap_set.h"

namespace {

using art::Canvas;
using art::Rgb;

constexpr Rgb kPanel{81, 81, 81};
constexpr Rgb kPanelLight{128, 128, 128};
constexpr Rgb kPanelDark{46, 46, 46};
constexpr Rgb kWell{30, 30, 30};
constexpr Rgb kWellShadow{18, 18, 18};
constexpr Rgb kWellLight{112, 112, 112};
constexpr Rgb kBar{104, 104, 104};
constexpr Rgb kCap{48, 48, 48};
constexpr Rgb kCapLight{168, 168, 168};
constexpr Rgb kCapEdge{120, 120, 120};
constexpr Rgb kDarkBlue{0, 40, 84};
constexpr Rgb kGreen{64, 255, 64};
constexpr Rgb kOrange{255, 128, 0};

// The button wells: two rows of five, each 37 x 24, the size of a pressed
// button image, at the images' positions.
constexpr int kWellWidth = 37;
constexpr int kWellHeight = 24;
constexpr int kWellLefts[5] = {56, 99, 141, 183, 224};
constexpr int kWellTops[2] = {53, 81};
// A cap on the overlay, relative to its well; pressed, it sits lower and right.
constexpr int kCapWidth = 32;
constexpr int kCapHeight = 20;
constexpr int kCapX = 2, kCapY = 1;
constexpr int kPressedX = 3, kPressedY = 3;

struct Button {
  const char* legend;  // empty: the blank cap
  int row;
  int column;
  int pressedBitmap;   // 0: no pressed image
};

constexpr Button kButtons[] = {
    {"HDG", 0, 0, 8198},  {"NAV", 0, 1, 16384},  {"APPR", 0, 2, 8192},
    {"REV", 0, 3, 12291}, {"GA", 0, 4, 20480},   {"ALT", 1, 0, 4102},
    {"ALTSL", 1, 1, 4114}, {"VS", 1, 2, 12297},  {"IAS", 1, 3, 8210},
    {"", 1, 4, 0},
};

struct Word {
  int bitmap;
  const char* text;
  int width;
  Rgb colour;
  Rgb background;
};

// Annunciators, 9 pixels high. GA alone stands on the see-through colour.
constexpr Word kWords[] = {
    {4105, "ALT", 21, kGreen, art::kCoverBlack},   {8195, "APPR", 32, kGreen, art::kCoverBlack},
    {8201, "HDG", 23, kGreen, art::kCoverBlack},   {12288, "IAS", 18, kGreen, art::kCoverBlack},
    {12294, "REV", 23, kGreen, art::kCoverBlack},  {12306, "VS", 15, kGreen, art::kCoverBlack},
    {16387, "NAV", 24, kGreen, art::kCoverBlack},  {16393, "GS", 15, kGreen, art::kCoverBlack},
    {20483, "GA", 15, Rgb{60, 252, 60}, art::kSeeThrough},
    {16390, "ARM", 25, kOrange, art::kCoverBlack}, {20486, "DIS", 18, kOrange, art::kCoverBlack},
};
constexpr int kWordHeight = 9;
constexpr double kWordSize = 9.5;  // capitals 7 pixels high

// The legend window and its two rows of annunciators.
constexpr int kWindowLeft = 32, kWindowTop = 12, kWindowRight = 289, kWindowBottom = 45;
constexpr int kUpperRow = 15;

void DrawWell(Canvas& canvas, int x, int y) {
  canvas.FillRect(x, y, kWellWidth, kWellHeight, kWell);
  canvas.Bevel(x, y, kWellWidth, kWellHeight, kWellShadow, kWellLight);
}

// A cap with its frame and legend; `pressed` turns the frame's light round.
void DrawCap(Canvas& canvas, const art::Fonts& fonts, const char* legend, int x, int y,
             bool pressed) {
  canvas.FillRect(x, y, kCapWidth, kCapHeight, kCap);
  if (pressed) {
    canvas.Bevel(x, y, kCapWidth, kCapHeight, kCapEdge, kCapLight);
  } else {
    canvas.Bevel(x, y, kCapWidth, kCapHeight, kCapLight, kCapEdge);
  }
  if (legend[0] != 0) {
    canvas.set_matte(kCap);
    fonts.condensedBold().DrawCentred(canvas, legend, 9.0, x + (kCapWidth - 1) / 2.0,
                                      y + (kCapHeight - 1) / 2.0, art::kWhite);
    canvas.set_matte(std::nullopt);
  }
}

void DrawScrew(Canvas& canvas, art::Point centre) {
  canvas.set_matte(kPanel);
  canvas.Fill(art::Circle(centre, 6.5), kPanelDark);
  canvas.Fill(art::Circle(centre, 5.5), Rgb{150, 150, 150});
  canvas.Fill(art::Circle({centre.x - 1, centre.y - 1}, 3.5), Rgb{176, 176, 176});
  canvas.Fill(art::Stroke(art::OnDial(centre, 5, 60), art::OnDial(centre, 5, 240), 1.6),
              Rgb{60, 60, 60});
  canvas.set_matte(std::nullopt);
}

Canvas Face(const art::Fonts& fonts) {
  Canvas face(340, 118, kPanel);
  face.Bevel(0, 0, 340, 118, kPanelLight, kPanelDark);
  // The legend window, sunk into the panel.
  face.Bevel(kWindowLeft - 1, kWindowTop - 1, kWindowRight - kWindowLeft + 3,
             kWindowBottom - kWindowTop + 3, kPanelDark, kPanelLight);
  face.FillRect(kWindowLeft, kWindowTop, kWindowRight - kWindowLeft + 1,
                kWindowBottom - kWindowTop + 1, art::kCoverBlack);
  // DR and CLM: printed in the upper row, never lit.
  face.set_matte(art::kCoverBlack);
  const art::Font& words = fonts.condensedBold();
  const art::Ink dr = words.Measure("DR", kWordSize);
  const art::Ink clm = words.Measure("CLM", kWordSize);
  words.Draw(face, "DR", kWordSize, 133 - dr.left, kUpperRow + 1 + 7, kDarkBlue);
  words.Draw(face, "CLM", kWordSize, 285 - clm.right, kUpperRow + 1 + 7, kDarkBlue);
  face.set_matte(std::nullopt);

  // Two rows of five wells between vertical bars.
  for (int top : kWellTops) {
    for (int left : kWellLefts) DrawWell(face, left, top);
  }
  const int barTop = kWellTops[0] - 3, barHeight = kWellTops[1] + kWellHeight + 3 - barTop;
  for (int i = 0; i < 5; ++i) {
    const int from = kWellLefts[i] + kWellWidth;
    const int to = i < 4 ? kWellLefts[i + 1] - 1 : 265;
    face.FillRect(from, barTop, to - from + 1, barHeight, kBar);
    face.FillRect(from, barTop, 1, barHeight, kPanelLight);
    face.FillRect(to, barTop, 1, barHeight, kPanelDark);
  }

  // The maker's word, the TEST lamp and the screws.
  face.set_matte(kPanel);
  fonts.condensedBold().DrawCentred(face, "VARNELL", 9.0, 314, 6, art::kWhite);
  face.Fill(art::Circle({294, 70}, 5.5), kPanelDark);
  face.Fill(art::Circle({294, 70}, 4.5), Rgb{158, 158, 150});
  face.Fill(art::Circle({293, 69}, 2.0), Rgb{196, 196, 188});
  fonts.condensedBold().DrawCentred(face, "TEST", 8.5, 294, 84, art::kWhite);
  face.set_matte(std::nullopt);
  DrawScrew(face, {13, 59});
  DrawScrew(face, {326, 59});
  return face;
}

// The ten caps; everything else lets the face show through.
Canvas LegendOverlay(const art::Fonts& fonts) {
  Canvas overlay(340, 118, art::kSeeThrough);
  for (const Button& button : kButtons) {
    DrawCap(overlay, fonts, button.legend, kWellLefts[button.column] + kCapX,
            kWellTops[button.row] + kCapY, false);
  }
  return overlay;
}

// A pressed button: its well and its cap, pushed in, covering the overlay's cap.
Canvas Pressed(const art::Fonts& fonts, const Button& button) {
  Canvas image(kWellWidth, kWellHeight, kWell);
  DrawWell(image, 0, 0);
  // The cap's shadow on the well's floor, where the raised cap stood.
  image.FillRect(kPressedX - 1, kPressedY - 1, kCapWidth + 1, 1, kWellShadow);
  image.FillRect(kPressedX - 1, kPressedY - 1, 1, kCapHeight + 1, kWellShadow);
  DrawCap(image, fonts, button.legend, kPressedX, kPressedY, true);
  return image;
}

Canvas Annunciator(const art::Fonts& fonts, const Word& word) {
  Canvas image(word.width, kWordHeight, word.background);
  image.set_matte(art::kCoverBlack);  // over the legend window
  fonts.condensedBold().DrawCentred(image, word.text, kWordSize, (word.width - 1) / 2.0,
                                    (kWordHeight - 1) / 2.0, word.colour);
  return image;
}

void DrawGuidepanel(art::BitmapSet& bitmaps, const art::Fonts& fonts) {
  bitmaps.Add(4096, Face(fonts));
  bitmaps.Add(4099, LegendOverlay(fonts));
  for (const Button& button : kButtons) {
    if (button.pressedBitmap != 0) bitmaps.Add(button.pressedBitmap, Pressed(fonts, button));
  }
  for (const Word& word : kWords) bitmaps.Add(word.bitmap, Annunciator(fonts, word));
}

}  // namespace

GAUGE_ART(guidepanel, DrawGuidepanel);
