#ifndef LAYRA_WINDOWS_PAINTER_CANVAS_H_
#define LAYRA_WINDOWS_PAINTER_CANVAS_H_

// A Canvas that draws with a QPainter on any paint device: an image, an SVG
// or PDF file, a printer page. Lines, rectangles and text become vector
// drawing; the pens keep the pictures' dash and dot patterns
// (graphics/pen_pattern.h). The canvas has the width x height it is given, in the
// painter's logical units; a picture cannot be read back, so GetPixel answers
// white.

#include <QFont>
#include <QString>
#include <string>

#include "platform/canvas.h"

class QPainter;

namespace layra {

class PainterCanvas : public Canvas {
 public:
  PainterCanvas(QPainter& painter, int width, int height);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  TextMetrics Metrics() const override;
  void Clear() override;
  void DrawText(int x, int y, const std::string& text) override;
  Rgb SetTextColor(Rgb color) override;
  Pen SelectPen(const Pen& pen) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  Rgb GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Rgb color) override;
  // Drawn smooth (antialiased), with the stroke's width and opacity.
  void Polyline(const std::vector<PointF>& points, const Stroke& stroke) override;
  void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) override;

 private:
  void ApplyPen();

  QPainter& painter_;
  int width_;
  int height_;
  QFont font_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_PAINTER_CANVAS_H_
