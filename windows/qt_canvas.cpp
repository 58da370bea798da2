#include "windows/qt_canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
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
    operations_.clear();
    record_width_ = width();
    record_height_ = height();
    if (!rerunning_) redrawer_ = nullptr;
  }
  update();
}

void QtCanvas::DrawText(int x, int y, const std::string& text) {
  Record({Operation::Kind::kText, x, y, 0, 0, text, pen_, text_color_});
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
  Record({Operation::Kind::kLine, cursor_x_, cursor_y_, x, y, {}, pen_, pen_.color});
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
  Record({Operation::Kind::kRectangle, left, top, right, bottom, {}, pen_, pen_.color});
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
  Record({Operation::Kind::kPixel, x, y, 0, 0, {}, pen_, color});
  EnsureImageSize(width(), height());
  PutPixel(x, y, color);
  update(QRect(x, y, 1, 1));
}

void QtCanvas::Present() {
  if (rerunning_) return;  // redrawn inside a resize: painted once it is done
  if (isVisible()) {
    repaint();
  }
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
  if (follows_size_ && (redrawer_ || !operations_.empty())) {
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
  return std::make_shared<Recording>(
      Recording{operations_, record_width_, record_height_, redrawer_});
}

void QtCanvas::Restore(const std::shared_ptr<const Recording>& recording) {
  if (recording == nullptr || recording->operations.empty()) return;
  operations_ = recording->operations;
  record_width_ = recording->width;
  record_height_ = recording->height;
  redrawer_ = recording->redrawer;
  EnsureImageSize(width(), height());
  Redraw();
}

void QtCanvas::Record(Operation operation) {
  if (replaying_) return;
  if (operations_.empty() && record_width_ == 0) {
    record_width_ = width();
    record_height_ = height();
  }
  operations_.push_back(std::move(operation));
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
  // Copied first: replaying onto this canvas itself must not read the list
  // while drawing.
  const std::vector<Operation> operations = operations_;
  const double sx = record_width_ > 0 ? double(target.Width()) / record_width_ : 1.0;
  const double sy = record_height_ > 0 ? double(target.Height()) / record_height_ : 1.0;
  auto X = [sx](int x) { return static_cast<int>(std::lround(x * sx)); };
  auto Y = [sy](int y) { return static_cast<int>(std::lround(y * sy)); };
  target.Clear();
  const Pen pen = target.SelectPen(Pen{});
  const Rgb color = target.SetTextColor(kBlack);
  for (const Operation& op : operations) {
    switch (op.kind) {
      case Operation::Kind::kText:
        target.SetTextColor(op.color);
        target.DrawText(X(op.x1), Y(op.y1), op.text);
        break;
      case Operation::Kind::kLine:
        target.SelectPen(op.pen);
        target.MoveTo(X(op.x1), Y(op.y1));
        target.LineTo(X(op.x2), Y(op.y2));
        break;
      case Operation::Kind::kRectangle:
        target.SelectPen(op.pen);
        target.Rectangle(X(op.x1), Y(op.y1), X(op.x2), Y(op.y2));
        break;
      case Operation::Kind::kPixel:
        target.SetPixel(X(op.x1), Y(op.y1), op.color);
        break;
    }
  }
  target.SelectPen(pen);
  target.SetTextColor(color);
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
