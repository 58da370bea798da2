#include "windows/qt_canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>

#include "graphics/raster.h"
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
  RasterizeLine(cursor_x_, cursor_y_, x, y, pen_.style, [this](int px, int py) {
    PutPixel(px, py, pen_.color);
  });
  update(QRect(QPoint(std::min(cursor_x_, x), std::min(cursor_y_, y)),
               QPoint(std::max(cursor_x_, x), std::max(cursor_y_, y))));
  cursor_x_ = x;
  cursor_y_ = y;
}

void QtCanvas::Rectangle(int left, int top, int right, int bottom) {
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

void QtCanvas::PutPixel(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) {
    return;
  }
  image_.setPixel(x, y, qRgb(color.red, color.green, color.blue));
  drawn_since_clear_ = true;
}

}  // namespace layra
