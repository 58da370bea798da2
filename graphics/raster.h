#ifndef LAYRA_GRAPHICS_RASTER_H_
#define LAYRA_GRAPHICS_RASTER_H_

// The pixels of the plot's two drawing primitives as a window draws them, for
// the canvases that paint into a pixel buffer themselves: a line leaves out
// its end point; a rectangle covers left..right-1, top..bottom-1 with its
// outline in the pen and its inside white. Dashed and dotted pens follow a
// fixed pattern that restarts with each line (and runs once around a
// rectangle's outline).

#include <cstdlib>
#include <utility>

#include "platform/canvas.h"

namespace layra {

struct PenPattern {
  int on;      // pixels drawn ...
  int period;  // ... out of every `period`
};

constexpr PenPattern PatternOf(PenStyle style) {
  return style == PenStyle::kDash  ? PenPattern{18, 24}
         : style == PenStyle::kDot ? PenPattern{3, 6}
                                   : PenPattern{1, 1};
}

// Calls plot(x, y) for every pixel the pen draws on the way from (x0, y0) to
// (x1, y1), the end point left out (Bresenham).
template <typename PlotFunction>
void RasterizeLine(int x0, int y0, int x1, int y1, PenStyle style, PlotFunction plot) {
  const PenPattern pattern = PatternOf(style);
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (int step = 0; !(x0 == x1 && y0 == y1); ++step) {
    if (step % pattern.period < pattern.on) plot(x0, y0);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x0 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y0 += sy;
    }
  }
}

// Calls fill(x, y) for every inside pixel and edge(x, y) for every outline
// pixel the pen draws (clockwise from the top-left corner). Reversed corners
// are put in order first.
template <typename EdgeFunction, typename FillFunction>
void RasterizeRectangle(int left,
                        int top,
                        int right,
                        int bottom,
                        PenStyle style,
                        EdgeFunction edge,
                        FillFunction fill) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (right - left < 1 || bottom - top < 1) return;
  for (int y = top + 1; y < bottom - 1; ++y) {
    for (int x = left + 1; x < right - 1; ++x) fill(x, y);
  }
  const PenPattern pattern = PatternOf(style);
  int step = 0;
  auto outline = [&](int x, int y) {
    if (step++ % pattern.period < pattern.on) edge(x, y);
  };
  for (int x = left; x < right; ++x) outline(x, top);
  for (int y = top + 1; y < bottom; ++y) outline(right - 1, y);
  for (int x = right - 2; x >= left; --x) outline(x, bottom - 1);
  for (int y = bottom - 2; y > top; --y) outline(left, y);
}

}  // namespace layra

#endif  // LAYRA_GRAPHICS_RASTER_H_
