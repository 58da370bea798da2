#include "graphics/raster_canvas.h"

#include <algorithm>
#include <cstring>

#include "graphics/raster.h"

namespace layra {

namespace {

// a + (b - a) * coverage / 255, rounded.
std::uint8_t Mix(std::uint8_t a, std::uint8_t b, int coverage) {
  const int mixed = a * 255 + (b - a) * coverage;
  return static_cast<std::uint8_t>((mixed + 127) / 255);
}

}  // namespace

Rgb MixColors(Rgb under, Rgb over, int coverage) {
  return {Mix(under.red, over.red, coverage),
          Mix(under.green, over.green, coverage),
          Mix(under.blue, over.blue, coverage)};
}

RasterCanvas::RasterCanvas(
    int width, int height, TextMetrics metrics, GlyphSource* glyphs, int band_rows)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      image_(width_, band_rows < 1 ? height_ : std::min(band_rows, height_)),
      metrics_(metrics),
      glyphs_(glyphs) {}

void RasterCanvas::Clear() { FillSpan(0, band_top_, width_, band_top_ + image_.height, kWhite); }

void RasterCanvas::SetBand(int first_row) { band_top_ = first_row; }

void RasterCanvas::FillSpan(int left, int top, int right, int bottom, Rgb color) {
  left = std::max(left, 0);
  top = std::max(top, band_top_);
  right = std::min(right, width_);
  bottom = std::min(bottom, band_top_ + image_.height);
  if (left >= right) return;
  for (int y = top; y < bottom; ++y) {
    if (color == kWhite) {
      // White is all bytes 255: one memset (most of what is filled is white).
      std::memset(static_cast<void*>(MutableRow(y) + left), 255, sizeof(Rgb) * (right - left));
    } else {
      std::fill(MutableRow(y) + left, MutableRow(y) + right, color);
    }
  }
}

void RasterCanvas::DrawText(int x, int y, const std::string& text) {
  // Background and marks stay within the text's cells.
  if (y + metrics_.charHeight <= band_top_ || y >= band_top_ + image_.height) return;
  const std::u32string characters = DecodeUtf8(text);
  const int cell = metrics_.averageCharWidth;
  const int count = static_cast<int>(characters.size());
  FillSpan(x, y, x + count * cell, y + metrics_.charHeight, kWhite);
  if (glyphs_ == nullptr) return;
  const int baseline = y + glyphs_->Ascent();
  for (int i = 0; i < count; ++i) {
    const GlyphSource::Glyph* glyph = glyphs_->Find(characters[i]);
    if (glyph != nullptr) BlendGlyph(*glyph, x + i * cell, y, baseline);
  }
}

void RasterCanvas::BlendGlyph(const GlyphSource::Glyph& glyph, int x, int y, int baseline) {
  // The marks stay within the character's cell, so they always fall on the
  // cell's white.
  const int cell_right = std::min(x + metrics_.averageCharWidth, width_);
  const int cell_bottom = std::min(y + metrics_.charHeight, band_top_ + image_.height);
  const int left = x + glyph.left;
  const int top = baseline - glyph.top;
  for (int row = 0; row < glyph.rows; ++row) {
    const int py = top + row;
    if (py < std::max(y, band_top_) || py >= cell_bottom) continue;
    const std::uint8_t* coverage = glyph.coverage.data() + static_cast<size_t>(row) * glyph.width;
    Rgb* pixels = MutableRow(py);
    for (int column = std::max({0, -left, x - left});
         column < glyph.width && left + column < cell_right;
         ++column) {
      const int c = coverage[column];
      if (c != 0) pixels[left + column] = MixColors(pixels[left + column], text_color_, c);
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
  } else if (pen_.style == PenStyle::kSolid && x == cursor_x_) {
    // So is a solid vertical one, a column.
    FillSpan(x, y < cursor_y_ ? y + 1 : cursor_y_, x + 1, y < cursor_y_ ? cursor_y_ + 1 : y, color);
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

void RasterCanvas::Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
  const int opacity = std::clamp(stroke.opacity, 0, 255);
  if (opacity == 0) return;
  RasterizePolyline(points, stroke.style, stroke.width, opacity == 255, [&](int x, int y) {
    Blend(x, y, stroke.color, opacity);
  });
}

void RasterCanvas::FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
  opacity = std::clamp(opacity, 0, 255);
  if (opacity == 0) return;
  ForEachPolygonSpan(points, [&](int y, int left, int right) {
    if (y < band_top_ || y >= band_top_ + image_.height) return;
    if (opacity == 255) {
      FillSpan(left, y, right, y + 1, color);
      return;
    }
    for (int x = std::max(left, 0); x < std::min(right, width_); ++x) Blend(x, y, color, opacity);
  });
}

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
