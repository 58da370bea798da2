#include "tests/support/recording_canvas.h"

#include <algorithm>

#include "graphics/raster.h"

namespace layra::testing {

RecordingCanvas::RecordingCanvas(int width, int height, TextMetrics metrics)
    : width_(width),
      height_(height),
      metrics_(metrics),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite) {}

void RecordingCanvas::Clear() {
  ops_.push_back({DrawOp::Kind::kClear});
  texts_.clear();
  segments_.clear();
  rectangles_.clear();
  std::fill(pixels_.begin(), pixels_.end(), kWhite);
  ++clear_count_;
}

void RecordingCanvas::DrawText(int x, int y, const std::string& text) {
  DrawOp op{DrawOp::Kind::kText, x, y};
  op.text = text;
  op.pen = pen_;
  op.color = text_color_;
  ops_.push_back(op);
  texts_.push_back({x, y, text, text_color_});
}

Rgb RecordingCanvas::SetTextColor(Rgb color) {
  Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen RecordingCanvas::SelectPen(const Pen& pen) {
  Pen previous = pen_;
  pen_ = pen;
  DrawOp op{DrawOp::Kind::kSelectPen};
  op.pen = pen;
  ops_.push_back(op);
  return previous;
}

void RecordingCanvas::MoveTo(int x, int y) {
  ops_.push_back({DrawOp::Kind::kMoveTo, x, y});
  cursor_x_ = x;
  cursor_y_ = y;
}

void RecordingCanvas::LineTo(int x, int y) {
  DrawOp op{DrawOp::Kind::kLineTo, cursor_x_, cursor_y_, x, y};
  op.pen = pen_;
  ops_.push_back(op);
  segments_.push_back({cursor_x_, cursor_y_, x, y, pen_});
  RasterizeLine(
      cursor_x_, cursor_y_, x, y, pen_.style, [this](int px, int py) { Plot(px, py, pen_.color); });
  cursor_x_ = x;
  cursor_y_ = y;
}

void RecordingCanvas::Rectangle(int left, int top, int right, int bottom) {
  DrawOp op{DrawOp::Kind::kRectangle, left, top, right, bottom};
  op.pen = pen_;
  ops_.push_back(op);
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
  DrawOp op{DrawOp::Kind::kSetPixel, x, y};
  op.color = color;
  ops_.push_back(op);
  Plot(x, y, color);
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
