#include "windows/painter_canvas.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QPrintDialog>
#include <QPrinter>
#include <QSvgGenerator>

#include "windows/program_font.h"
#include "windows/qt_canvas.h"
#include "windows/qt_conversions.h"

namespace layra {
namespace {

// Replays the picture of `canvas` with `painter`, scaled to width x height.
void PaintPicture(const QtCanvas& canvas, QPainter& painter, int width, int height) {
  PainterCanvas target(painter, width, height);
  canvas.ReplayOnto(target);
}

}  // namespace

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
  if (!qtext.trimmed().isEmpty()) {
    painter_.fillRect(x, y, metrics.horizontalAdvance(qtext), metrics.height(), Qt::white);
  }
  painter_.setPen(ToQColor(text_color_));
  painter_.drawText(x, y + metrics.ascent(), qtext);
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

bool ExportPicture(
    const QtCanvas& canvas, const QString& path, int width, int height, QString* error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (!canvas.hasPicture()) {
    *error = QStringLiteral("There is no picture to export.");
    return false;
  }
  if (width < 1 || height < 1) {
    *error = QStringLiteral("The picture size %1 x %2 is not usable.").arg(width).arg(height);
    return false;
  }
  bool written = false;
  if (suffix == QLatin1String("png")) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      PaintPicture(canvas, painter, width, height);
    }
    written = image.save(path, "PNG");
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator generator;
    generator.setFileName(path);
    generator.setSize(QSize(width, height));
    generator.setViewBox(QRect(0, 0, width, height));
    generator.setTitle(QStringLiteral("LAYRA picture"));
    QPainter painter;
    if (painter.begin(&generator)) {
      PaintPicture(canvas, painter, width, height);
      written = painter.end() && QFileInfo(path).size() > 0;
    }
  } else if (suffix == QLatin1String("pdf")) {
    QPdfWriter writer(path);
    // One point per pixel: the page is the picture.
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (painter.begin(&writer)) {
      PaintPicture(canvas, painter, width, height);
      written = painter.end();
    }
    written = written && QFileInfo(path).size() > 0;
  } else {
    *error = QStringLiteral(
                 "%1\nhas no picture type this program writes.\n"
                 "Please use a name ending in .png, .svg or .pdf.")
                 .arg(path);
    return false;
  }
  if (!written) {
    *error = QStringLiteral("The picture could not be written to\n%1.").arg(path);
  }
  return written;
}

bool PrintPicture(const QtCanvas& canvas, QWidget* parent, DialogRunner& runner) {
  if (!canvas.hasPicture()) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName(QStringLiteral("PrintDialog"));
  if (runner.Run(dialog) != QDialog::Accepted) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QSize size = canvas.pictureSize().isValid() && !canvas.pictureSize().isEmpty()
                         ? canvas.pictureSize()
                         : canvas.size();
  // The picture keeps its proportions on the page.
  const QRect page = painter.viewport();
  QSize fitted = size.scaled(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), fitted.width(), fitted.height());
  painter.setWindow(0, 0, size.width(), size.height());
  PaintPicture(canvas, painter, size.width(), size.height());
  return painter.end();
}

void CopyPicture(const QtCanvas& canvas) {
  QImage image(canvas.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PaintPicture(canvas, painter, image.width(), image.height());
  }
  QApplication::clipboard()->setImage(image);
}

}  // namespace layra
