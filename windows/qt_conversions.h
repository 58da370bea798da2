#ifndef LAYRA_WINDOWS_QT_CONVERSIONS_H_
#define LAYRA_WINDOWS_QT_CONVERSIONS_H_

// The core's colours and texts as Qt takes them, for the canvases that draw
// with QPainter.

#include <QByteArrayView>
#include <QColor>
#include <QPen>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <string>

#include "graphics/pen_pattern.h"
#include "platform/canvas.h"

namespace layra {

inline QColor ToQColor(Rgb color) { return QColor(color.red, color.green, color.blue); }
inline QColor ToQColor(Rgb color, int opacity) {
  return QColor(color.red, color.green, color.blue, std::clamp(opacity, 0, 255));
}

// A pen of `width` pixels with the dash pattern of `style` (which QPainter
// counts in pen widths), flat ends.
inline QPen ToQPen(Rgb color, PenStyle style, double width, int opacity = 255) {
  QPen pen(ToQColor(color, opacity));
  pen.setWidthF(width);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::RoundJoin);
  const PenPattern pattern = PatternOf(style);
  if (!pattern.solid()) {
    const double unit = std::max(width, 1.0);
    pen.setDashPattern({pattern.on / unit, pattern.off() / unit});
  }
  return pen;
}
inline QPen ToQPen(const Stroke& stroke) {
  return ToQPen(stroke.color, stroke.style, stroke.width, stroke.opacity);
}

// Text from files may be UTF-8 or a single-byte code page: take UTF-8 when
// the bytes are valid UTF-8, Latin-1 otherwise.
inline QString TextToQString(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace layra

#endif  // LAYRA_WINDOWS_QT_CONVERSIONS_H_
