#include "graphics/raster_canvas.h"

#include <algorithm>

#include "graphics/raster.h"

namespace layra {

namespace {

// a + (b - a) * coverage / 255, rounded.
std::uint8_t Mix(std::uint8_t a, std::uint8_t b, int coverage) {
  const int mixed = a * 255 + (b - a) * coverage;
  return static_cast<std::uint8_t>((mixed + 127) / 255);
}

}  // namespace

RasterCanvas::RasterCanvas(
    int width, int height, TextMetrics metrics, GlyphSource* glyphs, int band_rows)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      image_(width_, band_rows < 1 ? height_ : std::min(band_rows, height_)),
      metrics_(metrics),
      glyphs_(glyphs) {}

void RasterCanvas::Clear() { std::fill(image_.pixels.begin(), image_.pixels.end(), kWhite); }

void RasterCanvas::SetBand(int first_row) { band_top_ = first_row; }

void RasterCanvas::FillSpan(int left, int top, int right, int bottom, Rgb color) {
  left = std::max(left, 0);
  top = std::max(top, band_top_);
  right = std::min(right, width_);
  bottom = std::min(bottom, band_top_ + image_.height);
  if (left >= right) return;
  for (int y = top; y < bottom; ++y) std::fill(MutableRow(y) + left, MutableRow(y) + right, color);
}

void RasterCanvas::DrawText(int x, int y, const std::string& text) {
  const std::u32string characters = DecodeUtf8(text);
  const int cell = metrics_.averageCharWidth;
  const int count = static_cast<int>(characters.size());
  FillSpan(x, y, x + count * cell, y + metrics_.charHeight, kWhite);
  if (glyphs_ == nullptr || y + 2 * metrics_.charHeight < band_top_ ||
      y - metrics_.charHeight >= band_top_ + image_.height) {
    return;  // no marks, or none that can reach the band
  }
  const int baseline = y + glyphs_->Ascent();
  for (int i = 0; i < count; ++i) {
    const GlyphSource::Glyph* glyph = glyphs_->Find(characters[i]);
    if (glyph != nullptr) BlendGlyph(*glyph, x + i * cell, baseline);
  }
}

void RasterCanvas::BlendGlyph(const GlyphSource::Glyph& glyph, int x, int baseline) {
  const int left = x + glyph.left;
  const int top = baseline - glyph.top;
  for (int row = 0; row < glyph.rows; ++row) {
    const int py = top + row;
    if (py < band_top_ || py >= band_top_ + image_.height) continue;
    const std::uint8_t* coverage = glyph.coverage.data() + static_cast<size_t>(row) * glyph.width;
    Rgb* pixels = MutableRow(py);
    for (int column = std::max(0, -left); column < glyph.width && left + column < Width();
         ++column) {
      const int c = coverage[column];
      if (c == 0) continue;
      Rgb& p = pixels[left + column];
      p = {Mix(p.red, text_color_.red, c),
           Mix(p.green, text_color_.green, c),
           Mix(p.blue, text_color_.blue, c)};
    }
  }
}

Rgb RasterCanvas::SetTextColor(Rgb color) {
  const Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen RasterCanvas::SelectPen(const Pen& pen) {
  const Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void RasterCanvas::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void RasterCanvas::LineTo(int x, int y) {
  const Rgb color = pen_.color;
  if (pen_.style == PenStyle::kSolid && y == cursor_y_) {
    // A solid horizontal line is one span, its end point left out.
    FillSpan(x < cursor_x_ ? x + 1 : cursor_x_, y, x < cursor_x_ ? cursor_x_ + 1 : x, y + 1, color);
  } else if (std::max(y, cursor_y_) >= band_top_ &&
             std::min(y, cursor_y_) < band_top_ + image_.height) {
    RasterizeLine(
        cursor_x_, cursor_y_, x, y, pen_.style, [&](int px, int py) { Plot(px, py, color); });
  }
  cursor_x_ = x;
  cursor_y_ = y;
}

void RasterCanvas::Rectangle(int left, int top, int right, int bottom) {
  const PixelBox box = OrderedBox(left, top, right, bottom);
  if (box.Empty()) return;
  FillSpan(box.left + 1, box.top + 1, box.right - 1, box.bottom - 1, kWhite);
  const Rgb color = pen_.color;
  if (box.bottom <= band_top_ || box.top >= band_top_ + image_.height) return;
  if (pen_.style != PenStyle::kSolid) {
    RasterizeOutline(box, pen_.style, [&](int x, int y) { Plot(x, y, color); });
    return;
  }
  FillSpan(box.left, box.top, box.right, box.top + 1, color);
  FillSpan(box.left, box.bottom - 1, box.right, box.bottom, color);
  FillSpan(box.left, box.top, box.left + 1, box.bottom, color);
  FillSpan(box.right - 1, box.top, box.right, box.bottom, color);
}

Rgb RasterCanvas::GetPixel(int x, int y) const { return InBand(x, y) ? Row(y)[x] : kWhite; }

void RasterCanvas::SetPixel(int x, int y, Rgb color) { Plot(x, y, color); }

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    char32_t value = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : lead & 0x1F;
    bool valid = lead >= 0xC2 && lead < 0xF5 && i + extra < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    if (valid) {
      decoded.push_back(value);
      i += extra + 1;
    } else {
      decoded.push_back(lead);
      ++i;
    }
  }
  return decoded;
}

}  // namespace layra
