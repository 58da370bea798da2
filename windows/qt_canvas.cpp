#include "windows/qt_canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/raster.h"
#include "windows/program_font.h"
#include "windows/qt_conversions.h"

namespace layra {
QtCanvas::QtCanvas(QWidget* parent) : QWidget(parent), font_(ProgramFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  EnsureImageSize(std::max(1, width()), std::max(1, height()));
}

int QtCanvas::Width() const { return width(); }

int QtCanvas::Height() const { return height(); }

TextMetrics QtCanvas::Metrics() const {
  QFontMetrics metrics(font_);
  return TextMetrics{metrics.averageCharWidth(), metrics.height()};
}

void QtCanvas::Clear() {
  EnsureImageSize(width(), height());
  if (present_before_clear_ && drawn_since_clear_) {
    Present();
  }
  drawn_since_clear_ = false;
  image_.fill(Qt::white);
  if (!replaying_) {
    record_.Clear();
    record_.SetSize(width(), height(), Metrics());
    record_sized_ = true;
    if (!rerunning_) redrawer_ = nullptr;
  }
  update();
}

void QtCanvas::DrawText(int x, int y, const std::string& text) {
  DrawingItem item;
  item.kind = DrawingItem::Kind::kText;
  item.x1 = x;
  item.y1 = y;
  item.text = text;
  item.color = text_color_;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  QString qtext = TextToQString(text);
  QFontMetrics metrics(font_);
  QPainter painter(&image_);
  painter.setFont(font_);
  QRect box(x, y, metrics.horizontalAdvance(qtext), metrics.height());
  painter.fillRect(box, Qt::white);
  painter.setPen(ToQColor(text_color_));
  painter.drawText(x, y + metrics.ascent(), qtext);
  drawn_since_clear_ = true;
  update(box);
}

Rgb QtCanvas::SetTextColor(Rgb color) {
  Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen QtCanvas::SelectPen(const Pen& pen) {
  Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void QtCanvas::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void QtCanvas::LineTo(int x, int y) {
  DrawingItem item;
  item.kind = DrawingItem::Kind::kLine;
  item.x1 = cursor_x_;
  item.y1 = cursor_y_;
  item.x2 = x;
  item.y2 = y;
  item.pen = pen_;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  RasterizeLine(cursor_x_, cursor_y_, x, y, pen_.style, [this](int px, int py) {
    PutPixel(px, py, pen_.color);
  });
  update(QRect(QPoint(std::min(cursor_x_, x), std::min(cursor_y_, y)),
               QPoint(std::max(cursor_x_, x), std::max(cursor_y_, y))));
  cursor_x_ = x;
  cursor_y_ = y;
}

void QtCanvas::Rectangle(int left, int top, int right, int bottom) {
  DrawingItem item;
  item.kind = DrawingItem::Kind::kRectangle;
  item.x1 = left;
  item.y1 = top;
  item.x2 = right;
  item.y2 = bottom;
  item.pen = pen_;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  const PixelBox box = OrderedBox(left, top, right, bottom);
  if (box.Empty()) return;
  // The inside, clipped to the picture, row by row.
  const int fill_left = std::max(box.left + 1, 0);
  const int fill_right = std::min(box.right - 1, image_.width());
  const int fill_top = std::max(box.top + 1, 0);
  const int fill_bottom = std::min(box.bottom - 1, image_.height());
  for (int y = fill_top; y < fill_bottom && fill_left < fill_right; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(row + fill_left, row + fill_right, qRgb(255, 255, 255));
  }
  RasterizeOutline(box, pen_.style, [this](int x, int y) { PutPixel(x, y, pen_.color); });
  update(QRect(box.left, box.top, box.right - box.left, box.bottom - box.top));
}

Rgb QtCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) {
    return kWhite;
  }
  QRgb pixel = image_.pixel(x, y);
  return Rgb{static_cast<std::uint8_t>(qRed(pixel)),
             static_cast<std::uint8_t>(qGreen(pixel)),
             static_cast<std::uint8_t>(qBlue(pixel))};
}

void QtCanvas::SetPixel(int x, int y, Rgb color) {
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPixel;
  item.x1 = item.x2 = x;
  item.y1 = item.y2 = y;
  item.color = color;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  PutPixel(x, y, color);
  update(QRect(x, y, 1, 1));
}

void QtCanvas::Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
  if (points.empty()) return;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPolyline;
  item.points = points;
  item.stroke = stroke;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(ToQPen(stroke));
  QPolygonF line;
  for (const PointF& p : points) line << QPointF(p.x + 0.5, p.y + 0.5);
  painter.drawPolyline(line);
  drawn_since_clear_ = true;
  update();
}

void QtCanvas::FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
  if (points.size() < 3) return;
  DrawingItem item;
  item.kind = DrawingItem::Kind::kPolygon;
  item.points = points;
  item.color = color;
  item.opacity = opacity;
  Record(std::move(item));
  EnsureImageSize(width(), height());
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToQColor(color, opacity));
  QPolygonF area;
  for (const PointF& p : points) area << QPointF(p.x, p.y);
  painter.drawPolygon(area, Qt::OddEvenFill);
  drawn_since_clear_ = true;
  update();
}

void QtCanvas::Present() {
  if (rerunning_) return;  // redrawn inside a resize: painted once it is done
  if (isVisible()) {
    repaint();
  }
  if (present_handler_) present_handler_();
  QCoreApplication::processEvents();
}

void QtCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.drawImage(event->rect(), image_, event->rect());
  if (!painted_) {
    painted_ = true;
    if (first_paint_handler_) {
      first_paint_handler_();
    }
  }
}

void QtCanvas::resizeEvent(QResizeEvent* event) {
  if (follows_size_ && (redrawer_ || !record_.empty())) {
    image_ = QImage(std::max(1, event->size().width()),
                    std::max(1, event->size().height()),
                    QImage::Format_RGB32);
    image_.fill(Qt::white);
    Redraw();
  } else {
    EnsureImageSize(event->size().width(), event->size().height());
  }
  QWidget::resizeEvent(event);
}

std::shared_ptr<const QtCanvas::Recording> QtCanvas::recording() const {
  return std::make_shared<Recording>(Recording{record_, record_sized_, redrawer_});
}

void QtCanvas::Restore(const std::shared_ptr<const Recording>& recording) {
  if (recording == nullptr || recording->record.empty()) return;
  record_ = recording->record;
  record_sized_ = recording->sized;
  redrawer_ = recording->redrawer;
  EnsureImageSize(width(), height());
  Redraw();
}

void QtCanvas::Record(DrawingItem item) {
  if (replaying_) return;
  if (!record_sized_) {
    record_.SetSize(width(), height(), Metrics());
    record_sized_ = true;
  }
  record_.Add(std::move(item));
}

void QtCanvas::Redraw() {
  if (redrawer_) {
    // Run again at the new size; what it draws is the new recording.
    const bool present = present_before_clear_;
    present_before_clear_ = false;
    rerunning_ = true;
    const std::function<void(Canvas&)> redrawer = redrawer_;
    redrawer(*this);
    rerunning_ = false;
    present_before_clear_ = present;
    update();
    return;
  }
  replaying_ = true;
  const Pen pen = pen_;
  const Rgb text_color = text_color_;
  const bool drawn = drawn_since_clear_;
  const bool present = present_before_clear_;
  present_before_clear_ = false;
  ReplayOnto(*this);
  present_before_clear_ = present;
  pen_ = pen;
  text_color_ = text_color;
  drawn_since_clear_ = drawn;
  replaying_ = false;
  update();
}

void QtCanvas::ReplayOnto(Canvas& target) const {
  if (redrawer_ && &target != this) {
    redrawer_(target);
    return;
  }
  // Copied first: replaying onto this canvas itself must not read the record
  // while drawing.
  const DrawingRecord record = record_;
  if (record_sized_) {
    record.ReplayScaled(target);
  } else {
    record.Replay(target);
  }
}

void QtCanvas::EnsureImageSize(int width, int height) {
  if (!image_.isNull() && width <= image_.width() && height <= image_.height()) {
    return;
  }
  QImage grown(
      std::max(width, image_.width()), std::max(height, image_.height()), QImage::Format_RGB32);
  grown.fill(Qt::white);
  if (!image_.isNull()) {
    QPainter painter(&grown);
    painter.drawImage(0, 0, image_);
  }
  image_ = grown;
}

void QtCanvas::PutPixel(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) {
    return;
  }
  image_.setPixel(x, y, qRgb(color.red, color.green, color.blue));
  drawn_since_clear_ = true;
}

}  // namespace layra
