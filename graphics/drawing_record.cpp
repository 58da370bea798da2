#include "graphics/drawing_record.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace layra {

DrawingRecord::DrawingRecord(int width, int height, TextMetrics metrics)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), metrics_(metrics) {}

void DrawingRecord::SetSize(int width, int height, TextMetrics metrics) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  metrics_ = metrics;
}

void DrawingRecord::Clear() {
  items_.clear();
  line_starts_[0] = line_starts_[1] = LineStart{};
  read_pending_ = false;
}

void DrawingRecord::Add(DrawingItem item) {
  read_pending_ = false;
  items_.push_back(std::move(item));
}

void DrawingRecord::DrawText(int x, int y, const std::string& text) {
  DrawingItem item;
  item.kind = DrawingItem::Kind::kText;
  item.x1 = x;
  item.y1 = y;
  item.color = text_color_;
  item.text = text;
  Add(std::move(item));
}

Rgb DrawingRecord::SetTextColor(Rgb color) {
  const Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen DrawingRecord::SelectPen(const Pen& pen) {
  const Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void DrawingRecord::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void DrawingRecord::LineTo(int x, int y) {
  read_pending_ = false;
  if (x != cursor_x_ || y != cursor_y_) {
    DrawingItem line;
    line.kind = DrawingItem::Kind::kLine;
    line.x1 = cursor_x_;
    line.y1 = cursor_y_;
    line.x2 = x;
    line.y2 = y;
    line.pen = pen_;
    items_.push_back(std::move(line));
    line_starts_[1] = line_starts_[0];
    line_starts_[0] = {cursor_x_, cursor_y_, pen_.color, true};
  }
  cursor_x_ = x;
  cursor_y_ = y;
}

void DrawingRecord::Rectangle(int left, int top, int right, int bottom) {
  DrawingItem rectangle;
  rectangle.kind = DrawingItem::Kind::kRectangle;
  rectangle.x1 = std::min(left, right);
  rectangle.y1 = std::min(top, bottom);
  rectangle.x2 = std::max(left, right);
  rectangle.y2 = std::max(top, bottom);
  rectangle.pen = pen_;
  Add(std::move(rectangle));
}

Rgb DrawingRecord::GetPixel(int x, int y) const {
  Rgb answer = kWhite;
  const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
  for (const LineStart& start : line_starts_) {
    if (inside && start.set && start.x == x && start.y == y) {
      answer = start.color;
      break;
    }
  }
  read_x_ = x;
  read_y_ = y;
  read_color_ = answer;
  read_pending_ = true;
  return answer;
}

void DrawingRecord::SetPixel(int x, int y, Rgb color) {
  const bool unchanged = read_pending_ && x == read_x_ && y == read_y_ && color == read_color_;
  read_pending_ = false;
  if (unchanged) return;
  DrawingItem pixel;
  pixel.kind = DrawingItem::Kind::kPixel;
  pixel.x1 = pixel.x2 = x;
  pixel.y1 = pixel.y2 = y;
  pixel.color = color;
  items_.push_back(std::move(pixel));
}

void DrawingRecord::Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
  if (points.empty()) return;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPolyline;
  item.points = points;
  item.stroke = stroke;
  Add(std::move(item));
}

void DrawingRecord::FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
  if (points.size() < 3 || opacity <= 0) return;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPolygon;
  item.points = points;
  item.color = color;
  item.opacity = std::min(opacity, 255);
  Add(std::move(item));
}

void DrawingRecord::Replay(Canvas& target) const {
  Replay(target, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void DrawingRecord::Replay(Canvas& target, int top, int bottom) const {
  ReplayItems(target, 1.0, 1.0, top, bottom);
}

void DrawingRecord::ReplayScaled(Canvas& target) const {
  ReplayItems(target,
              static_cast<double>(target.Width()) / width_,
              static_cast<double>(target.Height()) / height_,
              std::numeric_limits<int>::min(),
              std::numeric_limits<int>::max());
}

void DrawingRecord::ReplayItems(Canvas& target, double sx, double sy, int top, int bottom) const {
  const bool scaled = sx != 1.0 || sy != 1.0;
  const auto X = [&](int x) { return scaled ? static_cast<int>(std::lround(x * sx)) : x; };
  const auto Y = [&](int y) { return scaled ? static_cast<int>(std::lround(y * sy)) : y; };
  const auto points_of = [&](const DrawingItem& item) {
    std::vector<PointF> points = item.points;
    if (scaled) {
      for (PointF& p : points) p = {p.x * sx, p.y * sy};
    }
    return points;
  };
  target.Clear();
  const Pen pen = target.SelectPen(Pen{});
  const Rgb text_color = target.SetTextColor(kBlack);
  // The rows an item can paint: a line or a rectangle its own and one more
  // each side; a text its line, with a line's margin above and below for
  // glyphs that reach beyond it; a polyline or polygon its points' rows and
  // the stroke's width.
  const auto reaches = [&](const DrawingItem& p) {
    long first = std::min(p.y1, p.y2) - 1L;
    long last = std::max(p.y1, p.y2) + 1L;
    switch (p.kind) {
      case DrawingItem::Kind::kText:
        first = p.y1 - static_cast<long>(metrics_.charHeight);
        last = p.y1 + 2L * metrics_.charHeight;
        break;
      case DrawingItem::Kind::kPixel:
        first = last = p.y1;
        break;
      case DrawingItem::Kind::kPolyline:
      case DrawingItem::Kind::kPolygon: {
        double low = std::numeric_limits<double>::max();
        double high = std::numeric_limits<double>::lowest();
        for (const PointF& point : p.points) {
          low = std::min(low, point.y);
          high = std::max(high, point.y);
        }
        const double margin = 2.0 + p.stroke.width;
        first = static_cast<long>(std::clamp(std::floor(low - margin), -1e9, 1e9));
        last = static_cast<long>(std::clamp(std::ceil(high + margin), -1e9, 1e9));
        break;
      }
      default:
        break;
    }
    return last >= top && first < bottom;
  };
  for (const DrawingItem& p : items_) {
    if (!scaled && !reaches(p)) continue;
    switch (p.kind) {
      case DrawingItem::Kind::kText:
        target.SetTextColor(p.color);
        target.DrawText(X(p.x1), Y(p.y1), p.text);
        break;
      case DrawingItem::Kind::kLine:
        target.SelectPen(p.pen);
        target.MoveTo(X(p.x1), Y(p.y1));
        target.LineTo(X(p.x2), Y(p.y2));
        break;
      case DrawingItem::Kind::kRectangle:
        target.SelectPen(p.pen);
        target.Rectangle(X(p.x1), Y(p.y1), X(p.x2), Y(p.y2));
        break;
      case DrawingItem::Kind::kPixel:
        target.SetPixel(X(p.x1), Y(p.y1), p.color);
        break;
      case DrawingItem::Kind::kPolyline:
        target.Polyline(points_of(p), p.stroke);
        break;
      case DrawingItem::Kind::kPolygon:
        target.FillPolygon(points_of(p), p.color, p.opacity);
        break;
    }
  }
  target.SelectPen(pen);
  target.SetTextColor(text_color);
}

}  // namespace layra
