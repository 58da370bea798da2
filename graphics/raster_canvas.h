#ifndef LAYRA_GRAPHICS_RASTER_CANVAS_H_
#define LAYRA_GRAPHICS_RASTER_CANVAS_H_

// A Canvas that paints into a picture in memory, 24-bit colour, row by row
// from the top: the pixels of lines and rectangles as a window draws them
// (graphics/raster.h), insides and backgrounds filled a row span at a time.
// Text is laid out in fixed-pitch cells of the metrics given, on an opaque
// white background, with the marks of each character blended in from a
// GlyphSource (none: the text is only its background).

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bmp_file.h"
#include "platform/canvas.h"

namespace layra {

// The marks of the characters, in coverage (0 none .. 255 full) per pixel.
class GlyphSource {
 public:
  struct Glyph {
    int left = 0;  // first column, from the start of the character's cell
    int top = 0;   // first row, upwards from the baseline
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // rows x width
  };

  virtual ~GlyphSource() = default;
  // Pixels from the top of a text line down to its baseline.
  virtual int Ascent() const = 0;
  // The marks of `character` (a Unicode code point); nullptr when it has none.
  virtual const Glyph* Find(char32_t character) = 0;
};

class RasterCanvas : public Canvas {
 public:
  // `glyphs` may be null and must outlive the canvas. Sides below 1 count as 1.
  RasterCanvas(int width, int height, TextMetrics metrics, GlyphSource* glyphs);

  int Width() const override { return image_.width; }
  int Height() const override { return image_.height; }
  TextMetrics Metrics() const override { return metrics_; }
  void Clear() override;
  void DrawText(int x, int y, const std::string& text) override;
  Rgb SetTextColor(Rgb color) override;
  Pen SelectPen(const Pen& pen) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  // Outside the picture: white, and setting is ignored.
  Rgb GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Rgb color) override;

  const PixelImage& image() const { return image_; }
  // Row y (0 = top) of Width() pixels.
  const Rgb* Row(int y) const { return image_.pixels.data() + static_cast<size_t>(y) * Width(); }

 private:
  void Plot(int x, int y, Rgb color) {
    if (x >= 0 && y >= 0 && x < Width() && y < Height()) Row(y)[x] = color;
  }
  Rgb* Row(int y) { return image_.pixels.data() + static_cast<size_t>(y) * Width(); }
  // Fills columns left..right-1 of rows top..bottom-1, clipped to the picture.
  void FillSpan(int left, int top, int right, int bottom, Rgb color);
  void BlendGlyph(const GlyphSource::Glyph& glyph, int x, int baseline);

  PixelImage image_;
  TextMetrics metrics_;
  GlyphSource* glyphs_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
};

// The code points of UTF-8 `text`; a byte that does not start a valid
// sequence stands for itself (as Latin-1).
std::u32string DecodeUtf8(const std::string& text);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_RASTER_CANVAS_H_
