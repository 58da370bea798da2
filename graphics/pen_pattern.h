#ifndef LAYRA_GRAPHICS_PEN_PATTERN_H_
#define LAYRA_GRAPHICS_PEN_PATTERN_H_

// The dash patterns of the plot's pens, the one definition every picture
// writer draws them by: a dashed pen draws 18 pixels and leaves 6, a dotted
// pen draws 3 and leaves 3. Pixel pictures count the pixels a line steps
// through; vector pictures (SVG, PDF, a QPainter) use the same lengths in
// their units, which are one per pixel.

#include "platform/canvas.h"

namespace layra {

struct PenPattern {
  int on;      // pixels drawn ...
  int period;  // ... out of every `period`
  constexpr int off() const { return period - on; }
  constexpr bool solid() const { return on >= period; }
};

constexpr PenPattern PatternOf(PenStyle style) {
  return style == PenStyle::kDash  ? PenPattern{18, 24}
         : style == PenStyle::kDot ? PenPattern{3, 6}
                                   : PenPattern{1, 1};
}

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PEN_PATTERN_H_
