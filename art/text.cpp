#include "art/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>

namespace art {

struct Font::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string file;

  ~Face() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }

  void Size(double pixels) const {
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pixels * 64.0)), 72, 72);
  }

  // Loads and renders one character; the glyph slot holds it afterwards.
  void Render(char c, FT_Int32 flags) const {
    const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
    if (FT_Load_Glyph(face, index, flags | FT_LOAD_RENDER) != 0) {
      throw std::runtime_error(file + ": cannot draw the character '" + std::string(1, c) + "'");
    }
  }

  // Walks the glyphs of a line: calls `each` with the top-left corner of
  // every glyph's bitmap, relative to the origin.
  void Walk(std::string_view text, double pixels,
            const std::function<void(const FT_Bitmap&, int left, int top)>& each) const {
    Size(pixels);
    FT_Pos pen = 0;  // 26.6
    FT_UInt previous = 0;
    for (char c : text) {
      const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
      if (previous != 0 && FT_HAS_KERNING(face)) {
        FT_Vector kern{};
        FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
        pen += kern.x;
      }
      Render(c, FT_LOAD_TARGET_LIGHT);
      const FT_GlyphSlot slot = face->glyph;
      const int origin = static_cast<int>((pen + 32) >> 6);
      each(slot->bitmap, origin + slot->bitmap_left, -slot->bitmap_top);
      pen += slot->advance.x;
      previous = index;
    }
  }
};

namespace {

// Copies a glyph's grey levels onto the canvas as coverage.
void Stamp(Canvas& canvas, const FT_Bitmap& bitmap, int left, int top, Rgb colour) {
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    for (unsigned col = 0; col < bitmap.width; ++col) {
      const int grey = bitmap.buffer[static_cast<long>(row) * bitmap.pitch + col];
      const int coverage = (grey * Canvas::kSteps + 127) / 255;
      canvas.Blend(left + static_cast<int>(col), top + static_cast<int>(row), colour, coverage);
    }
  }
}

}  // namespace

Font::Font(const std::filesystem::path& file) : face_(std::make_unique<Face>()) {
  face_->file = file.string();
  if (FT_Init_FreeType(&face_->library) != 0) throw std::runtime_error("FreeType cannot start");
  if (FT_New_Face(face_->library, face_->file.c_str(), 0, &face_->face) != 0) {
    throw std::runtime_error(face_->file + ": cannot read the font");
  }
}

Font::~Font() = default;

Ink Font::Measure(std::string_view text, double pixels) const {
  Ink ink{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
  bool any = false;
  face_->Walk(text, pixels, [&](const FT_Bitmap& bitmap, int left, int top) {
    if (bitmap.width == 0 || bitmap.rows == 0) return;
    any = true;
    ink.left = std::min(ink.left, left);
    ink.top = std::min(ink.top, top);
    ink.right = std::max(ink.right, left + static_cast<int>(bitmap.width));
    ink.bottom = std::max(ink.bottom, top + static_cast<int>(bitmap.rows));
  });
  return any ? ink : Ink{};
}

void Font::Draw(Canvas& canvas, std::string_view text, double pixels, int x, int baseline,
                Rgb colour) const {
  face_->Walk(text, pixels, [&](const FT_Bitmap& bitmap, int left, int top) {
    Stamp(canvas, bitmap, x + left, baseline + top, colour);
  });
}

void Font::DrawCentred(Canvas& canvas, std::string_view text, double pixels, double cx,
                       double cy, Rgb colour) const {
  const Ink ink = Measure(text, pixels);
  const int x = static_cast<int>(std::lround(cx - (ink.left + ink.right - 1) / 2.0));
  const int baseline = static_cast<int>(std::lround(cy - (ink.top + ink.bottom - 1) / 2.0));
  Draw(canvas, text, pixels, x, baseline, colour);
}

double Font::Fit(std::string_view text, double pixels, int width, int height) const {
  for (double size = pixels; size > 4.0; size -= 0.25) {
    const Ink ink = Measure(text, size);
    if (ink.width() <= width && ink.height() <= height) return size;
  }
  throw std::runtime_error("\"" + std::string(text) + "\" does not fit " + std::to_string(width) +
                           " x " + std::to_string(height) + " pixels legibly");
}

void Font::DrawOnArc(Canvas& canvas, std::string_view text, double pixels, Point centre,
                     double radius, double degrees, Rgb colour) const {
  // Advances along the baseline, unhinted, as the letters will be turned.
  face_->Size(pixels);
  std::vector<double> advances;
  double total = 0.0;
  for (char c : text) {
    face_->Render(c, FT_LOAD_NO_HINTING);
    advances.push_back(static_cast<double>(face_->face->glyph->advance.x) / 64.0);
    total += advances.back();
  }
  const double degreesPerPixel = 180.0 / (std::numbers::pi * radius);
  double along = -total / 2.0;
  for (size_t i = 0; i < text.size(); ++i) {
    const double middle = degrees + (along + advances[i] / 2.0) * degreesPerPixel;
    const double turn = middle * std::numbers::pi / 180.0;
    // The letter's origin: back by half its advance from its middle on the arc.
    const Point base = OnDial(centre, radius, middle);
    const double ox = base.x - std::cos(turn) * advances[i] / 2.0;
    const double oy = base.y - std::sin(turn) * advances[i] / 2.0;
    // FreeType turns counter-clockwise with y upwards; the dial turns clockwise.
    FT_Matrix matrix{static_cast<FT_Fixed>(std::lround(std::cos(turn) * 65536.0)),
                     static_cast<FT_Fixed>(std::lround(std::sin(turn) * 65536.0)),
                     static_cast<FT_Fixed>(std::lround(-std::sin(turn) * 65536.0)),
                     static_cast<FT_Fixed>(std::lround(std::cos(turn) * 65536.0))};
    const double fx = std::floor(ox), fy = std::floor(oy);
    FT_Vector delta{static_cast<FT_Pos>(std::lround((ox - fx) * 64.0)),
                    static_cast<FT_Pos>(std::lround(-(oy - fy) * 64.0))};
    FT_Set_Transform(face_->face, &matrix, &delta);
    face_->Render(text[i], FT_LOAD_NO_HINTING);
    FT_Set_Transform(face_->face, nullptr, nullptr);
    const FT_GlyphSlot slot = face_->face->glyph;
    Stamp(canvas, slot->bitmap, static_cast<int>(fx) + slot->bitmap_left,
          static_cast<int>(fy) - slot->bitmap_top, colour);
    along += advances[i];
  }
}

Fonts::Fonts(const std::filesystem::path& folder)
    : sans_(std::make_unique<Font>(folder / "DejaVuSans.ttf")),
      bold_(std::make_unique<Font>(folder / "DejaVuSans-Bold.ttf")),
      condensedBold_(std::make_unique<Font>(folder / "DejaVuSansCondensed-Bold.ttf")) {}

}  // namespace art
