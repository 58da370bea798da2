#ifndef LAYRA_WINDOWS_QT_CANVAS_H_
#define LAYRA_WINDOWS_QT_CANVAS_H_

// The desktop program's Canvas: a widget over a persistent image. Whatever the
// commands draw stays on the image until it is cleared; drawing paints the
// image and schedules a repaint of the widget. The image follows the widget's
// size: a resize keeps what is drawn at its place and extends it in white,
// unless the canvas follows its size (setFollowsSize): then a resize draws
// the picture again, scaled to the new size. Everything drawn since the last
// Clear is kept in a drawing record for that (graphics/drawing_record.h),
// and can be replayed onto any other Canvas (picture export, printing) at
// that canvas's size.

#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "graphics/drawing_record.h"
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
  // Drawn smooth (antialiased) on the image.
  void Polyline(const std::vector<PointF>& points, const Stroke& stroke) override;
  void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) override;
  // Repaints the widget now and handles pending events, so that a picture
  // drawn during a long command is seen while the command goes on.
  void Present() override;

  // When set, a Clear first shows what was drawn since the previous Clear:
  // during an inversion every plot is then seen before the next replaces it.
  void setPresentBeforeClear(bool on) { present_before_clear_ = on; }

  // The picture as drawn (at least the widget's size).
  const QImage& image() const { return image_; }

  // When on, a resize draws the picture again at the new size: by the
  // redrawer when one is set, else by replaying the recording scaled.
  void setFollowsSize(bool on) { follows_size_ = on; }
  // Draws the picture shown now anew on any canvas at that canvas's size
  // (the plot run again from the window's data). Set by a window after it
  // has plotted; dropped by the next Clear that does not come from it.
  void setRedrawer(std::function<void(Canvas&)> redrawer) { redrawer_ = std::move(redrawer); }
  // True when something has been drawn since the last Clear.
  bool hasPicture() const { return !record_.empty(); }
  // Size of the client area the recorded picture was drawn for.
  QSize pictureSize() const {
    return record_sized_ ? QSize(record_.Width(), record_.Height()) : QSize();
  }
  // Clears `target` and draws the recorded picture on it, every coordinate
  // scaled from the recorded size to the target's size. Text keeps the size
  // of its font.
  void ReplayOnto(Canvas& target) const;

  // What has been drawn since the last Clear, to be shown again later.
  struct Recording;
  std::shared_ptr<const Recording> recording() const;
  // Shows `recording` again, at the canvas's present size.
  void Restore(const std::shared_ptr<const Recording>& recording);
  // Called once, on the first paint of the widget.
  void setFirstPaintHandler(std::function<void()> handler) {
    first_paint_handler_ = std::move(handler);
  }
  // Called after each Present: what was drawn is meant to be seen now.
  void setPresentHandler(std::function<void()> handler) { present_handler_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Record(DrawingItem item);
  // Draws the recorded picture again on the image, at the widget's size.
  void Redraw();

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
  std::function<void()> present_handler_;
  bool follows_size_ = false;
  bool replaying_ = false;
  bool rerunning_ = false;
  std::function<void(Canvas&)> redrawer_;
  DrawingRecord record_{1, 1, TextMetrics{}};
  bool record_sized_ = false;  // the record has taken the size it is drawn for
};

struct QtCanvas::Recording {
  DrawingRecord record{1, 1, TextMetrics{}};
  bool sized = false;
  std::function<void(Canvas&)> redrawer;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_QT_CANVAS_H_
