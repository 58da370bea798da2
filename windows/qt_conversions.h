#ifndef LAYRA_WINDOWS_QT_CONVERSIONS_H_
#define LAYRA_WINDOWS_QT_CONVERSIONS_H_

// The core's colours and texts as Qt takes them, for the canvases that draw
// with QPainter.

#include <QByteArrayView>
#include <QColor>
#include <QString>
#include <QStringDecoder>
#include <string>

#include "platform/canvas.h"

namespace layra {

inline QColor ToQColor(Rgb color) { return QColor(color.red, color.green, color.blue); }

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
