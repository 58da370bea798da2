#include "windows/qt_canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>

#include "windows/program_font.h"

namespace layra {
namespace {

QColor ToQColor(Rgb color) { return QColor(color.red, color.green, color.blue); }

// Text from files may be UTF-8 or a single-byte code page: take UTF-8 when
// the bytes are valid UTF-8, Latin-1 otherwise.
QString ToQString(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) {
    return decoded;
  }
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Dash and dot patterns of the 1-pixel pens, in pixels on and off.
constexpr int kDashOn = 18;
constexpr int kDashOff = 6;
constexpr int kDotOn = 3;
constexpr int kDotOff = 3;

}  // namespace

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
  update();
}

void QtCanvas::DrawText(int x, int y, const std::string& text) {
  EnsureImageSize(width(), height());
  QString qtext = ToQString(text);
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
  EnsureImageSize(width(), height());
  // Bresenham from the current position up to, not including, the end point.
  int x0 = cursor_x_;
  int y0 = cursor_y_;
  int dx = std::abs(x - x0);
  int dy = -std::abs(y - y0);
  int sx = x0 < x ? 1 : -1;
  int sy = y0 < y ? 1 : -1;
  int error = dx + dy;
  int step = 0;
  while (!(x0 == x && y0 == y)) {
    PlotLinePixel(x0, y0, step++);
    int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
  update(QRect(QPoint(std::min(cursor_x_, x), std::min(cursor_y_, y)),
               QPoint(std::max(cursor_x_, x), std::max(cursor_y_, y))));
  cursor_x_ = x;
  cursor_y_ = y;
}

void QtCanvas::Rectangle(int left, int top, int right, int bottom) {
  EnsureImageSize(width(), height());
  if (right < left) {
    std::swap(left, right);
  }
  if (bottom < top) {
    std::swap(top, bottom);
  }
  if (right - left < 1 || bottom - top < 1) {
    return;
  }
  // The inside, clipped to the picture, row by row.
  const int fill_left = std::max(left + 1, 0);
  const int fill_right = std::min(right - 1, image_.width());
  const int fill_top = std::max(top + 1, 0);
  const int fill_bottom = std::min(bottom - 1, image_.height());
  for (int y = fill_top; y < fill_bottom && fill_left < fill_right; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    std::fill(row + fill_left, row + fill_right, qRgb(255, 255, 255));
  }
  // The outline runs clockwise so that a dashed pen's pattern continues.
  int step = 0;
  for (int x = left; x < right; ++x) PlotLinePixel(x, top, step++);
  for (int y = top + 1; y < bottom; ++y) PlotLinePixel(right - 1, y, step++);
  for (int x = right - 2; x >= left; --x) PlotLinePixel(x, bottom - 1, step++);
  for (int y = bottom - 2; y > top; --y) PlotLinePixel(left, y, step++);
  update(QRect(left, top, right - left, bottom - top));
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
  EnsureImageSize(width(), height());
  PutPixel(x, y, color);
  update(QRect(x, y, 1, 1));
}

void QtCanvas::Present() {
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
  EnsureImageSize(event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
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

void QtCanvas::PlotLinePixel(int x, int y, int step) {
  switch (pen_.style) {
    case PenStyle::kSolid:
      break;
    case PenStyle::kDash:
      if (step % (kDashOn + kDashOff) >= kDashOn) return;
      break;
    case PenStyle::kDot:
      if (step % (kDotOn + kDotOff) >= kDotOn) return;
      break;
  }
  PutPixel(x, y, pen_.color);
}

void QtCanvas::PutPixel(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) {
    return;
  }
  image_.setPixel(x, y, qRgb(color.red, color.green, color.blue));
  drawn_since_clear_ = true;
}

}  // namespace layra
