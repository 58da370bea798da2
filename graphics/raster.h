#ifndef LAYRA_GRAPHICS_RASTER_H_
#define LAYRA_GRAPHICS_RASTER_H_

// The pixels of the plot's two drawing primitives as a window draws them, for
// the canvases that paint into a pixel buffer themselves: a line leaves out
// its end point; a rectangle covers left..right-1, top..bottom-1 with its
// outline in the pen and its inside white. Dashed and dotted pens follow a
// fixed pattern that restarts with each line (and runs once around a
// rectangle's outline): graphics/pen_pattern.h.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "graphics/pen_pattern.h"
#include "platform/canvas.h"

namespace layra {

// Calls plot(x, y) for every pixel a pen of `pattern` draws on the way from
// (x0, y0) to (x1, y1), the end point left out (Bresenham). *step counts the
// pixels stepped through, so that a pattern runs on from one line to the next.
template <typename PlotFunction>
void RasterizeLineFrom(
    int x0, int y0, int x1, int y1, PenPattern pattern, int* step, PlotFunction plot) {
  const int dx = std::abs(x1 - x0);
  const int dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  int error = dx + dy;
  for (; !(x0 == x1 && y0 == y1); ++*step) {
    if (*step % pattern.period < pattern.on) plot(x0, y0);
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

// The same for one line, its pattern starting afresh.
template <typename PlotFunction>
void RasterizeLine(int x0, int y0, int x1, int y1, PenStyle style, PlotFunction plot) {
  int step = 0;
  RasterizeLineFrom(x0, y0, x1, y1, PatternOf(style), &step, plot);
}

// Calls plot(x, y) for every pixel of a polyline through `points` (pixel
// positions, rounded), end point included, `width` pixels wide (at least
// one): each line drawn `width` times side by side, across its main
// direction; an opaque line also gets a square of its width at each corner.
// The pattern runs on across the corners. A pixel may be plotted twice only
// at a corner of a line that is not opaque.
template <typename PlotFunction>
void RasterizePolyline(const std::vector<PointF>& points,
                       PenStyle style,
                       double width,
                       bool opaque,
                       PlotFunction plot) {
  if (points.empty()) return;
  const auto round = [](double v) {
    return static_cast<int>(std::lround(std::isfinite(v) ? std::clamp(v, -1e6, 1e6) : 0.0));
  };
  const int thickness = std::clamp(static_cast<int>(std::lround(width)), 1, 64);
  const int first = -(thickness - 1) / 2;
  const PenPattern pattern = PatternOf(style);
  int step = 0;
  bool steep = false;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const int x0 = round(points[i].x);
    const int y0 = round(points[i].y);
    const int x1 = round(points[i + 1].x);
    const int y1 = round(points[i + 1].y);
    steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    int line_step = step;
    for (int k = first; k < first + thickness; ++k) {
      line_step = step;
      RasterizeLineFrom(x0 + (steep ? k : 0),
                        y0 + (steep ? 0 : k),
                        x1 + (steep ? k : 0),
                        y1 + (steep ? 0 : k),
                        pattern,
                        &line_step,
                        plot);
    }
    step = line_step;
    if (opaque && thickness > 1 && i + 2 < points.size()) {
      for (int a = first; a < first + thickness; ++a) {
        for (int b = first; b < first + thickness; ++b) plot(x1 + a, y1 + b);
      }
    }
  }
  if (step % pattern.period < pattern.on) {
    const int x = round(points.back().x);
    const int y = round(points.back().y);
    for (int k = first; k < first + thickness; ++k) plot(x + (steep ? k : 0), y + (steep ? 0 : k));
  }
}

// A rectangle with its corners put in order.
struct PixelBox {
  int left, top, right, bottom;  // right and bottom exclusive
  bool Empty() const { return right - left < 1 || bottom - top < 1; }
};

inline PixelBox OrderedBox(int left, int top, int right, int bottom) {
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  return {left, top, right, bottom};
}

// Calls edge(x, y) for every outline pixel of `box` the pen draws, clockwise
// from the top-left corner. The inside (left+1..right-2, top+1..bottom-2) is
// the caller's to fill white.
template <typename EdgeFunction>
void RasterizeOutline(const PixelBox& box, PenStyle style, EdgeFunction edge) {
  if (box.Empty()) return;
  const PenPattern pattern = PatternOf(style);
  int step = 0;
  auto outline = [&](int x, int y) {
    if (step++ % pattern.period < pattern.on) edge(x, y);
  };
  for (int x = box.left; x < box.right; ++x) outline(x, box.top);
  for (int y = box.top + 1; y < box.bottom; ++y) outline(box.right - 1, y);
  for (int x = box.right - 2; x >= box.left; --x) outline(x, box.bottom - 1);
  for (int y = box.bottom - 2; y > box.top; --y) outline(box.left, y);
}

// Calls fill(x, y) for every inside pixel and edge(x, y) for every outline
// pixel the pen draws.
template <typename EdgeFunction, typename FillFunction>
void RasterizeRectangle(int left,
                        int top,
                        int right,
                        int bottom,
                        PenStyle style,
                        EdgeFunction edge,
                        FillFunction fill) {
  const PixelBox box = OrderedBox(left, top, right, bottom);
  if (box.Empty()) return;
  for (int y = box.top + 1; y < box.bottom - 1; ++y) {
    for (int x = box.left + 1; x < box.right - 1; ++x) fill(x, y);
  }
  RasterizeOutline(box, style, edge);
}

}  // namespace layra

#endif  // LAYRA_GRAPHICS_RASTER_H_
