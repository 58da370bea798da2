#ifndef LAYRA_PLATFORM_STATUS_LINE_H_
#define LAYRA_PLATFORM_STATUS_LINE_H_

#include <string>

#include "platform/canvas.h"

namespace layra {

// A one-line notice at the client origin: a blank line of 41 spaces first,
// then the text over it.
inline void ShowStatusLine(const std::string& text, Canvas& canvas) {
  canvas.DrawText(0, 0, std::string(41, ' '));
  canvas.DrawText(0, 0, text);
}

}  // namespace layra

#endif  // LAYRA_PLATFORM_STATUS_LINE_H_
