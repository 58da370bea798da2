#ifndef LAYRA_GRAPHICS_RASTER_CANVAS_H_
#define LAYRA_GRAPHICS_RASTER_CANVAS_H_

// A Canvas that paints into a picture in memory, 24-bit colour, row by row
// from the top: the pixels of lines and rectangles as a window draws them
// (graphics/raster.h), insides and backgrounds filled a row span at a time.
// Text is laid out in fixed-pitch cells of the metrics given, on an opaque
// white background, with the marks of each character blended in from a
// GlyphSource (none: the text is only its background) within its own cell:
// every mark's colour is MixColors(kWhite, text colour, coverage).
//
// The canvas may hold a band of the picture's rows only: drawing is then
// clipped to the band, and a large picture is painted band by band (the same
// drawing replayed into each) with memory for one band.

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bmp_file.h"
#include "platform/canvas.h"

namespace layra {

// `under` + (`over` - `under`) x coverage / 255 per channel, rounded.
Rgb MixColors(Rgb under, Rgb over, int coverage);

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
  // `glyphs` may be null and must outlive the canvas. Sides below 1 count as
  // 1. The band is rows 0 .. band_rows - 1 (all rows when band_rows < 1).
  RasterCanvas(int width, int height, TextMetrics metrics, GlyphSource* glyphs, int band_rows = 0);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  TextMetrics Metrics() const override { return metrics_; }
  void Clear() override;
  void DrawText(int x, int y, const std::string& text) override;
  Rgb SetTextColor(Rgb color) override;
  Pen SelectPen(const Pen& pen) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  // Outside the band: white, and setting is ignored.
  Rgb GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Rgb color) override;
  // The stroke's width and opacity and the fill's opacity are kept: their
  // colours are mixed into what is there (no smoothing of edges).
  void Polyline(const std::vector<PointF>& points, const Stroke& stroke) override;
  void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) override;

  // Moves the band to start at picture row `first_row`; what it shows is
  // undefined until the next Clear.
  void SetBand(int first_row);
  int BandTop() const { return band_top_; }
  int BandRows() const { return image_.height; }
  // The band's pixels, BandRows() rows of Width() from BandTop().
  const PixelImage& band() const { return image_; }
  // Picture row y (within the band) of Width() pixels.
  const Rgb* Row(int y) const {
    return image_.pixels.data() + static_cast<size_t>(y - band_top_) * width_;
  }

 private:
  bool InBand(int x, int y) const {
    return x >= 0 && x < width_ && y >= band_top_ && y < band_top_ + image_.height;
  }
  void Plot(int x, int y, Rgb color) {
    if (InBand(x, y)) MutableRow(y)[x] = color;
  }
  void Blend(int x, int y, Rgb color, int opacity) {
    if (InBand(x, y)) MutableRow(y)[x] = MixColors(MutableRow(y)[x], color, opacity);
  }
  Rgb* MutableRow(int y) {
    return image_.pixels.data() + static_cast<size_t>(y - band_top_) * width_;
  }
  // Fills columns left..right-1 of rows top..bottom-1, clipped to the picture.
  void FillSpan(int left, int top, int right, int bottom, Rgb color);
  // The marks of a character whose cell starts at (x, y).
  void BlendGlyph(const GlyphSource::Glyph& glyph, int x, int y, int baseline);

  int width_;
  int height_;
  int band_top_ = 0;
  PixelImage image_;  // the band
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
