#include "windows/program_font.h"

namespace layra {

QFont ProgramFont() {
  // Fixed pitch, so the columns of the listings line up and a label's width
  // is its length times the average character width the plot lays out by.
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(14);
  font.setBold(true);
  return font;
}

}  // namespace layra
