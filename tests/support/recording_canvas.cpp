#include "tests/support/recording_canvas.h"

#include <algorithm>

#include "graphics/raster.h"

namespace layra::testing {

RecordingCanvas::RecordingCanvas(int width, int height, TextMetrics metrics)
    : width_(width),
      height_(height),
      metrics_(metrics),
      record_(width, height, metrics),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite) {}

void RecordingCanvas::Clear() {
  ++calls_;
  record_.Clear();
  texts_.clear();
  segments_.clear();
  rectangles_.clear();
  std::fill(pixels_.begin(), pixels_.end(), kWhite);
  ++clear_count_;
}

void RecordingCanvas::DrawText(int x, int y, const std::string& text) {
  ++calls_;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kText;
  item.x1 = x;
  item.y1 = y;
  item.text = text;
  item.color = text_color_;
  record_.Add(std::move(item));
  texts_.push_back({x, y, text, text_color_});
  text_history_.push_back(texts_.back());
}

Rgb RecordingCanvas::SetTextColor(Rgb color) {
  ++calls_;
  Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen RecordingCanvas::SelectPen(const Pen& pen) {
  ++calls_;
  Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void RecordingCanvas::MoveTo(int x, int y) {
  ++calls_;
  cursor_x_ = x;
  cursor_y_ = y;
}

void RecordingCanvas::LineTo(int x, int y) {
  ++calls_;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kLine;
  item.x1 = cursor_x_;
  item.y1 = cursor_y_;
  item.x2 = x;
  item.y2 = y;
  item.pen = pen_;
  record_.Add(std::move(item));
  segments_.push_back({cursor_x_, cursor_y_, x, y, pen_});
  RasterizeLine(
      cursor_x_, cursor_y_, x, y, pen_.style, [this](int px, int py) { Plot(px, py, pen_.color); });
  cursor_x_ = x;
  cursor_y_ = y;
}

void RecordingCanvas::Rectangle(int left, int top, int right, int bottom) {
  ++calls_;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kRectangle;
  item.x1 = left;
  item.y1 = top;
  item.x2 = right;
  item.y2 = bottom;
  item.pen = pen_;
  record_.Add(std::move(item));
  rectangles_.push_back({left, top, right, bottom, pen_});
  RasterizeRectangle(
      left,
      top,
      right,
      bottom,
      pen_.style,
      [this](int px, int py) { Plot(px, py, pen_.color); },
      [this](int px, int py) { Plot(px, py, kWhite); });
}

Rgb RecordingCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kWhite;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void RecordingCanvas::SetPixel(int x, int y, Rgb color) {
  ++calls_;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPixel;
  item.x1 = item.x2 = x;
  item.y1 = item.y2 = y;
  item.color = color;
  record_.Add(std::move(item));
  Plot(x, y, color);
}

void RecordingCanvas::Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
  ++calls_;
  record_.Polyline(points, stroke);
}

void RecordingCanvas::FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
  ++calls_;
  record_.FillPolygon(points, color, opacity);
}

void RecordingCanvas::Plot(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = color;
}

std::vector<std::string> RecordingCanvas::TextLines() const {
  std::vector<std::string> lines;
  for (const auto& item : texts_) lines.push_back(item.text);
  return lines;
}

const TextItem* RecordingCanvas::FindText(const std::string& text) const {
  for (const auto& item : texts_) {
    if (item.text == text) return &item;
  }
  return nullptr;
}

}  // namespace layra::testing
