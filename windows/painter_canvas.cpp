#include "windows/painter_canvas.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>

#include "windows/program_font.h"
#include "windows/qt_conversions.h"

namespace layra {
PainterCanvas::PainterCanvas(QPainter& painter, int width, int height)
    : painter_(painter), width_(width), height_(height), font_(ProgramFont()) {
  painter_.setFont(font_);
  ApplyPen();
}

TextMetrics PainterCanvas::Metrics() const {
  QFontMetrics metrics(font_);
  return TextMetrics{metrics.averageCharWidth(), metrics.height()};
}

void PainterCanvas::Clear() { painter_.fillRect(0, 0, width_, height_, Qt::white); }

void PainterCanvas::DrawText(int x, int y, const std::string& text) {
  const QString qtext = TextToQString(text);
  QFontMetrics metrics(font_);
  // The text fills the cells it was laid out in (a character per average
  // character width), as the picture files set it, never more.
  const int cells = static_cast<int>(qtext.toUcs4().size()) * metrics.averageCharWidth();
  const double natural = QFontMetricsF(font_).horizontalAdvance(qtext);
  if (!qtext.trimmed().isEmpty()) {
    painter_.fillRect(x, y, std::max(cells, 1), metrics.height(), Qt::white);
  }
  painter_.setPen(ToQColor(text_color_));
  if (natural > cells && cells > 0) {
    painter_.save();
    painter_.translate(x, y + metrics.ascent());
    painter_.scale(cells / natural, 1.0);
    painter_.drawText(0, 0, qtext);
    painter_.restore();
  } else {
    painter_.drawText(x, y + metrics.ascent(), qtext);
  }
  ApplyPen();
}

Rgb PainterCanvas::SetTextColor(Rgb color) {
  Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen PainterCanvas::SelectPen(const Pen& pen) {
  Pen previous = pen_;
  pen_ = pen;
  ApplyPen();
  return previous;
}

void PainterCanvas::ApplyPen() {
  QPen pen = ToQPen(pen_.color, pen_.style, 1.0);
  pen.setJoinStyle(Qt::MiterJoin);
  painter_.setPen(pen);
  painter_.setBrush(Qt::NoBrush);
}

void PainterCanvas::Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
  if (points.empty()) return;
  QPolygonF line;
  for (const PointF& p : points) line << QPointF(p.x + 0.5, p.y + 0.5);
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing);
  painter_.setPen(ToQPen(stroke));
  painter_.drawPolyline(line);
  painter_.restore();
}

void PainterCanvas::FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
  if (points.size() < 3) return;
  QPolygonF area;
  for (const PointF& p : points) area << QPointF(p.x, p.y);
  painter_.save();
  painter_.setRenderHint(QPainter::Antialiasing);
  painter_.setPen(Qt::NoPen);
  painter_.setBrush(ToQColor(color, opacity));
  painter_.drawPolygon(area, Qt::OddEvenFill);
  painter_.restore();
}

void PainterCanvas::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void PainterCanvas::LineTo(int x, int y) {
  // Pixel centres, so one-pixel lines stay sharp in the image.
  painter_.drawLine(QPointF(cursor_x_ + 0.5, cursor_y_ + 0.5), QPointF(x + 0.5, y + 0.5));
  cursor_x_ = x;
  cursor_y_ = y;
}

void PainterCanvas::Rectangle(int left, int top, int right, int bottom) {
  const QRect box = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
  if (box.width() < 1 || box.height() < 1) return;
  painter_.fillRect(box, Qt::white);
  painter_.drawRect(QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1));
}

Rgb PainterCanvas::GetPixel(int, int) const { return kWhite; }

void PainterCanvas::SetPixel(int x, int y, Rgb color) {
  painter_.fillRect(x, y, 1, 1, ToQColor(color));
}

}  // namespace layra
