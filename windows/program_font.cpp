#include "windows/program_font.h"

namespace layra {

QFont ProgramFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(14);
  font.setBold(true);
  return font;
}

}  // namespace layra
