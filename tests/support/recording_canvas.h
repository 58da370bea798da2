#ifndef LAYRA_TESTS_SUPPORT_RECORDING_CANVAS_H_
#define LAYRA_TESTS_SUPPORT_RECORDING_CANVAS_H_

// A Canvas for tests: keeps what is drawn since the last Clear in a drawing
// record (every call as made, lines of no length included), offers the texts,
// line segments and rectangles of it for lookups, and rasterises lines and
// rectangles into a small pixel buffer so GetPixel answers as a window would.

#include <string>
#include <vector>

#include "graphics/drawing_record.h"
#include "platform/canvas.h"

namespace layra::testing {

struct TextItem {
  int x;
  int y;
  std::string text;
  Rgb color;
};

struct Segment {
  int x1, y1, x2, y2;
  Pen pen;
};

class RecordingCanvas : public Canvas {
 public:
  explicit RecordingCanvas(int width = 1280, int height = 800, TextMetrics metrics = {8, 16});

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

  // What has been drawn since the last Clear.
  const DrawingRecord& record() const { return record_; }
  // Text drawn since the last Clear, in order.
  const std::vector<TextItem>& texts() const { return texts_; }
  std::vector<std::string> TextLines() const;
  // Every text drawn, Clear or not, in order.
  const std::vector<TextItem>& text_history() const { return text_history_; }
  // Line segments (MoveTo/LineTo pairs) drawn since the last Clear.
  const std::vector<Segment>& segments() const { return segments_; }
  // Rectangles drawn since the last Clear, as (left, top, right, bottom) with their pen.
  const std::vector<Segment>& rectangles() const { return rectangles_; }
  int clear_count() const { return clear_count_; }
  // Calls of any kind made on the canvas.
  int calls() const { return calls_; }
  const Pen& pen() const { return pen_; }
  Rgb text_color() const { return text_color_; }
  // Finds the first text item equal to `text`; nullptr when there is none.
  const TextItem* FindText(const std::string& text) const;

 private:
  void Plot(int x, int y, Rgb color);

  int width_;
  int height_;
  TextMetrics metrics_;
  DrawingRecord record_;
  std::vector<Rgb> pixels_;
  std::vector<TextItem> texts_;
  std::vector<TextItem> text_history_;
  std::vector<Segment> segments_;
  std::vector<Segment> rectangles_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  int clear_count_ = 0;
  int calls_ = 0;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_RECORDING_CANVAS_H_
