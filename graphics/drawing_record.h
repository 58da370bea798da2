#ifndef LAYRA_GRAPHICS_DRAWING_RECORD_H_
#define LAYRA_GRAPHICS_DRAWING_RECORD_H_

// The drawing record: what has been drawn since the last Clear, kept as a
// list of items instead of pixels. Every picture is made through one: the
// picture writers (graphics/picture_file.h: PNG, BMP, SVG, PDF) write it, a
// window keeps one to draw its picture again, scaled, at another size, and
// tests read what a painter drew from it.
//
// A DrawingRecord is itself a Canvas: a painter draws into it as into a
// window. It has no pixels to read back. GetPixel answers the pen colour of
// the last two lines drawn where that point is one of their start points
// (the first pixel a line draws), white elsewhere and outside the client
// area; a SetPixel that puts the colour just read back onto the same point
// changes nothing and is not kept. A canvas that has pixels of its own and
// keeps a record besides hands it each item with Add, as drawn.

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace layra {

struct DrawingItem {
  enum class Kind { kText, kLine, kRectangle, kPixel, kPolyline, kPolygon };
  Kind kind = Kind::kPixel;
  int x1 = 0;  // text: top-left; line: from; rectangle: left, top;
  int y1 = 0;  // pixel: the point
  int x2 = 0;  // line: to; rectangle: right, bottom (exclusive)
  int y2 = 0;
  Pen pen;    // lines and rectangles
  Rgb color;  // text colour; pixel colour; polygon fill
  std::string text;
  std::vector<PointF> points;  // polyline (pixel positions), polygon (pixel edges)
  Stroke stroke;               // polyline
  int opacity = 255;           // polygon
};

class DrawingRecord : public Canvas {
 public:
  // Sides below 1 count as 1.
  DrawingRecord(int width, int height, TextMetrics metrics);

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
  void Polyline(const std::vector<PointF>& points, const Stroke& stroke) override;
  void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) override;

  const std::vector<DrawingItem>& items() const { return items_; }
  bool empty() const { return items_.empty(); }
  // Keeps `item` as it is (drawn on a canvas that has pixels of its own).
  void Add(DrawingItem item);
  // A new size for what is drawn from now on (sides below 1 count as 1).
  void SetSize(int width, int height, TextMetrics metrics);

  // Clears `target` and draws every item into it in order, with the pens
  // and text colours they were drawn with. Given rows [top, bottom), only the
  // items that can reach them are drawn: a target that holds a band of rows
  // needs no others.
  void Replay(Canvas& target) const;
  void Replay(Canvas& target, int top, int bottom) const;
  // The same with every coordinate scaled from this record's size to the
  // target's (rounded to whole pixels where the item has them). Text keeps
  // the size of its font.
  void ReplayScaled(Canvas& target) const;

 private:
  struct LineStart {
    int x = 0;
    int y = 0;
    Rgb color;
    bool set = false;
  };
  void ReplayItems(Canvas& target, double sx, double sy, int top, int bottom) const;

  int width_;
  int height_;
  TextMetrics metrics_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  std::vector<DrawingItem> items_;
  LineStart line_starts_[2];  // the latest first
  // The last GetPixel: where, what was answered, and whether nothing has
  // been drawn since.
  mutable int read_x_ = 0;
  mutable int read_y_ = 0;
  mutable Rgb read_color_;
  mutable bool read_pending_ = false;
};

}  // namespace layra

#endif  // LAYRA_GRAPHICS_DRAWING_RECORD_H_
