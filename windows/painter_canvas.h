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
#include "windows/dialog_runner.h"

class QPainter;
class QWidget;

namespace layra {

class QtCanvas;

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

// Picture files by the extension of `path` (case ignored): ".png" (pixels),
// ".svg" and ".pdf" (vector drawing), of the picture `canvas` recorded,
// redrawn at width x height. False with a message in *error when the type is
// not known, there is no picture, or the file cannot be written.
bool ExportPicture(
    const QtCanvas& canvas, const QString& path, int width, int height, QString* error);

// Prints the recorded picture through Qt's print dialog (run by `runner`),
// scaled to the page; false when the dialog was cancelled or there is no
// picture. Printing to a PDF file is one of the dialog's choices.
bool PrintPicture(const QtCanvas& canvas, QWidget* parent, DialogRunner& runner);

// Puts the recorded picture, redrawn at the canvas's size, on the clipboard.
void CopyPicture(const QtCanvas& canvas);

}  // namespace layra

#endif  // LAYRA_WINDOWS_PAINTER_CANVAS_H_
