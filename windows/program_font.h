#ifndef LAYRA_WINDOWS_PROGRAM_FONT_H_
#define LAYRA_WINDOWS_PROGRAM_FONT_H_

#include <QFont>

namespace layra {

// The font of every listing, progress line and plot label: a bold fixed-pitch
// face 14 pixels high.
QFont ProgramFont();

}  // namespace layra

#endif  // LAYRA_WINDOWS_PROGRAM_FONT_H_
