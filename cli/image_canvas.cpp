#include "cli/image_canvas.h"

#ifdef LAYRA_HAVE_QTGUI

#include <QColor>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "graphics/raster.h"

namespace layra::cli {

namespace {

constexpr int kFontPixelSize = 14;

QColor ToQColor(Rgb color) { return QColor(color.red, color.green, color.blue); }

QPen ToQPen(const Pen& pen) {
  QPen qpen(ToQColor(pen.color));
  qpen.setCosmetic(true);
  qpen.setWidth(1);
  qpen.setCapStyle(Qt::FlatCap);
  if (pen.style == PenStyle::kDash) qpen.setDashPattern({18.0, 6.0});
  if (pen.style == PenStyle::kDot) qpen.setDashPattern({3.0, 3.0});
  return qpen;
}

std::string LowerExtension(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

bool SaveSvg(const ImageCanvas& canvas, const std::string& path, std::string* error) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error != nullptr) *error = "cannot create '" + path + "'";
    return false;
  }
  QSvgGenerator generator;
  generator.setOutputDevice(&file);
  generator.setSize(QSize(canvas.Width(), canvas.Height()));
  generator.setViewBox(QRect(0, 0, canvas.Width(), canvas.Height()));
  generator.setTitle(QStringLiteral("LAYRA sounding plot"));
  {
    QPainter painter(&generator);
    canvas.Replay(painter);
  }
  file.close();
  if (file.error() != QFileDevice::NoError) {
    if (error != nullptr) *error = "cannot write '" + path + "'";
    return false;
  }
  return true;
}

}  // namespace

ImageCanvas::ImageCanvas(int width, int height)
    : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
  font_ = QFont(QStringLiteral("DejaVu Sans Mono"));
  font_.setStyleHint(QFont::Monospace);
  font_.setPixelSize(kFontPixelSize);
  font_.setBold(true);
  QFontMetrics metrics(font_);
  metrics_.averageCharWidth = std::max(1, metrics.averageCharWidth());
  metrics_.charHeight = std::max(1, metrics.height());
  image_.fill(Qt::white);
}

void ImageCanvas::Clear() {
  image_.fill(Qt::white);
  operations_.clear();
}

void ImageCanvas::PaintText(
    QPainter& painter, int x, int y, const std::string& text, Rgb color) const {
  const QString qtext = QString::fromStdString(text);
  QFontMetrics metrics(font_);
  painter.setFont(font_);
  // Opaque text: the cell behind the characters is white.
  painter.fillRect(QRect(x, y, metrics.horizontalAdvance(qtext), metrics_.charHeight), Qt::white);
  painter.setPen(ToQColor(color));
  painter.drawText(QPoint(x, y + metrics.ascent()), qtext);
}

void ImageCanvas::DrawText(int x, int y, const std::string& text) {
  operations_.push_back({Operation::Kind::kText, x, y, 0, 0, text, pen_, text_color_});
  QPainter painter(&image_);
  PaintText(painter, x, y, text, text_color_);
}

Rgb ImageCanvas::SetTextColor(Rgb color) {
  Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen ImageCanvas::SelectPen(const Pen& pen) {
  Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void ImageCanvas::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void ImageCanvas::LineTo(int x, int y) {
  operations_.push_back({Operation::Kind::kLine, cursor_x_, cursor_y_, x, y, "", pen_, pen_.color});
  RasterizeLine(
      cursor_x_, cursor_y_, x, y, pen_.style, [this](int px, int py) { Plot(px, py, pen_.color); });
  cursor_x_ = x;
  cursor_y_ = y;
}

void ImageCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  operations_.push_back(
      {Operation::Kind::kRectangle, left, top, right, bottom, "", pen_, pen_.color});
  RasterizeRectangle(
      left,
      top,
      right,
      bottom,
      pen_.style,
      [this](int x, int y) { Plot(x, y, pen_.color); },
      [this](int x, int y) { Plot(x, y, kWhite); });
}

Rgb ImageCanvas::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return kWhite;
  const QRgb pixel = image_.pixel(x, y);
  return {static_cast<std::uint8_t>(qRed(pixel)),
          static_cast<std::uint8_t>(qGreen(pixel)),
          static_cast<std::uint8_t>(qBlue(pixel))};
}

void ImageCanvas::SetPixel(int x, int y, Rgb color) {
  operations_.push_back({Operation::Kind::kPixel, x, y, x, y, "", pen_, color});
  Plot(x, y, color);
}

void ImageCanvas::Plot(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  image_.setPixel(x, y, qRgb(color.red, color.green, color.blue));
}

PixelImage ImageCanvas::ToPixelImage() const {
  PixelImage pixels(Width(), Height());
  for (int y = 0; y < Height(); ++y) {
    for (int x = 0; x < Width(); ++x) pixels.Set(x, y, GetPixel(x, y));
  }
  return pixels;
}

void ImageCanvas::Replay(QPainter& painter) const {
  painter.fillRect(QRect(0, 0, Width(), Height()), Qt::white);
  for (const Operation& op : operations_) {
    switch (op.kind) {
      case Operation::Kind::kText:
        PaintText(painter, op.x1, op.y1, op.text, op.color);
        break;
      case Operation::Kind::kLine:
        painter.setPen(ToQPen(op.pen));
        painter.drawLine(QPointF(op.x1 + 0.5, op.y1 + 0.5), QPointF(op.x2 + 0.5, op.y2 + 0.5));
        break;
      case Operation::Kind::kRectangle:
        painter.setPen(ToQPen(op.pen));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(op.x1 + 0.5, op.y1 + 0.5, op.x2 - op.x1 - 1, op.y2 - op.y1 - 1));
        painter.setBrush(Qt::NoBrush);
        break;
      case Operation::Kind::kPixel:
        painter.fillRect(QRect(op.x1, op.y1, 1, 1), ToQColor(op.color));
        break;
    }
  }
}

bool SavePlotImage(const ImageCanvas& canvas, const std::string& path, std::string* error) {
  const std::string extension = LowerExtension(path);
  if (extension == ".png") {
    if (canvas.image().save(QString::fromStdString(path), "PNG")) return true;
    if (error != nullptr) *error = "cannot write '" + path + "'";
    return false;
  }
  if (extension == ".bmp") {
    if (WriteTrueColorBmp(canvas.ToPixelImage(), 24, path)) return true;
    if (error != nullptr) *error = "cannot write '" + path + "'";
    return false;
  }
  if (extension == ".svg") return SaveSvg(canvas, path, error);
  if (error != nullptr) {
    *error = "cannot save a plot as '" + path + "': use a .png, .svg or .bmp file name";
  }
  return false;
}

void EnsureGuiApplication(int argc, char** argv) {
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  }
  // QGuiApplication keeps references to its arguments for its whole life.
  static std::string program = argc > 0 && argv != nullptr && argv[0] != nullptr
                                   ? std::string(argv[0])
                                   : std::string("layra-cli");
  static int application_argc = 1;
  static char* application_argv[] = {program.data(), nullptr};
  // Kept until the process ends; destroying it during static teardown would
  // run after parts of Qt it depends on are gone.
  static QGuiApplication* application = new QGuiApplication(application_argc, application_argv);
  (void)application;
}

}  // namespace layra::cli

#if defined(__SANITIZE_ADDRESS__)
// The font library keeps its configuration until the process ends and never
// frees it; that is not a leak of ours, so a leak-checking build ignores it.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
#endif

#endif  // LAYRA_HAVE_QTGUI
