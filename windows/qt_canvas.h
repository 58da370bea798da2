#ifndef LAYRA_WINDOWS_QT_CANVAS_H_
#define LAYRA_WINDOWS_QT_CANVAS_H_

// The desktop program's Canvas: a widget over a persistent image. Whatever the
// commands draw stays on the image until it is cleared; drawing paints the
// image and schedules a repaint of the widget. The image follows the widget's
// size: a resize keeps what is drawn at its place and extends it in white.

#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/canvas.h"

namespace layra {

class QtCanvas : public QWidget, public Canvas {
  Q_OBJECT

 public:
  explicit QtCanvas(QWidget* parent = nullptr);

  int Width() const override;
  int Height() const override;
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
  // Repaints the widget now and handles pending events, so that a picture
  // drawn during a long command is seen while the command goes on.
  void Present() override;

  // When set, a Clear first shows what was drawn since the previous Clear:
  // during an inversion every plot is then seen before the next replaces it.
  void setPresentBeforeClear(bool on) { present_before_clear_ = on; }

  // The picture as drawn (at least the widget's size).
  const QImage& image() const { return image_; }
  // Called once, on the first paint of the widget.
  void setFirstPaintHandler(std::function<void()> handler) {
    first_paint_handler_ = std::move(handler);
  }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Grows the image to cover at least width x height pixels, in white.
  void EnsureImageSize(int width, int height);
  // Paints one pixel of a line with the current pen's style; `step` counts the
  // pixels of the line so far for the dash and dot patterns.
  void PutPixel(int x, int y, Rgb color);

  QImage image_;
  QFont font_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  bool painted_ = false;
  bool present_before_clear_ = false;
  bool drawn_since_clear_ = false;
  std::function<void()> first_paint_handler_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_QT_CANVAS_H_
