#ifndef LAYRA_GRAPHICS_VECTOR_CANVAS_H_
#define LAYRA_GRAPHICS_VECTOR_CANVAS_H_

// A Canvas that keeps what has been drawn since the last Clear as a list of
// primitives instead of pixels, so that one drawing can be written as vectors
// (SVG) or painted afterwards, once, into a pixel canvas of the same size.
//
// It has no pixels to read back. GetPixel answers the pen colour of the last
// two lines drawn where that point is one of their start points (the first
// pixel a line draws), white elsewhere and outside the client area; a
// SetPixel that puts the colour just read back onto the same point changes
// nothing and is not kept.

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace layra {

class VectorCanvas : public Canvas {
 public:
  struct Primitive {
    enum class Kind { kText, kLine, kRectangle, kPixel };
    Kind kind = Kind::kPixel;
    int x1 = 0;  // text: top-left; line: from; rectangle: left, top;
    int y1 = 0;  // pixel: the point
    int x2 = 0;  // line: to; rectangle: right, bottom (exclusive)
    int y2 = 0;
    Pen pen;    // lines and rectangles
    Rgb color;  // text colour; pixel colour
    std::string text;
  };

  VectorCanvas(int width, int height, TextMetrics metrics);

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
  Rgb GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Rgb color) override;

  const std::vector<Primitive>& primitives() const { return primitives_; }
  // Clears `target` and draws every primitive into it in order, with the pens
  // and text colours they were drawn with. Given rows [top, bottom), only the
  // primitives that can reach them are drawn: a target that holds a band of
  // rows needs no others.
  void Replay(Canvas& target) const;
  void Replay(Canvas& target, int top, int bottom) const;

 private:
  struct LineStart {
    int x = 0;
    int y = 0;
    Rgb color;
    bool set = false;
  };

  int width_;
  int height_;
  TextMetrics metrics_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  std::vector<Primitive> primitives_;
  LineStart line_starts_[2];  // the latest first
  // The last GetPixel: where, what was answered, and whether nothing has
  // been drawn since.
  mutable int read_x_ = 0;
  mutable int read_y_ = 0;
  mutable Rgb read_color_;
  mutable bool read_pending_ = false;
};

// How an SVG document names and places the text font: family list, size in
// pixels, and the distance from the top of a text line to its baseline.
struct SvgFont {
  std::string family = "DejaVu Sans Mono, monospace";
  int pixelSize = 14;
  int ascent = 13;
  bool bold = true;
};

// The drawing as a standalone SVG document of Width() x Height() user units
// (one per pixel): a white background, then each primitive in order. Lines
// run between pixel centres with flat ends; each text is stretched over its
// fixed-pitch cells on an opaque white background. Text is written as valid
// UTF-8 XML whatever its bytes (a byte that is not UTF-8 is read as Latin-1,
// control characters are left out).
std::string SvgDocument(const VectorCanvas& canvas, const SvgFont& font, const std::string& title);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_VECTOR_CANVAS_H_
