#ifndef LAYRA_GRAPHICS_PLOT_PRIMITIVES_H_
#define LAYRA_GRAPHICS_PLOT_PRIMITIVES_H_

// The small drawing and formatting operations every panel of the sounding plot
// is built from: pixel rounding, the two-way line segment, the "+" data symbol,
// tick-label text and the min/max scan.

#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"

namespace layra {

// Colours of the plot: blue for grid lines, the phase axis and its curves;
// magenta for the model blocks, the depth scale and the legend's model swatch.
constexpr Rgb PaletteBlue{0, 0, 255};
constexpr Rgb PaletteMagenta{255, 0, 255};

// Pixel coordinates are kept within +/- this bound (NaN maps to 0), so a value
// far off the axis or a degenerate scale never overflows an int; such a point
// is off every client area either way.
constexpr int kCoordinateLimit = 1000000;

// Rounds half away from zero: n = floor(|v|), plus 1 when |v| - n >= 0.5, with
// the sign of v. 2.5 -> 3, -2.5 -> -3, -0.4 -> 0. Clamped to +/- kCoordinateLimit.
int RoundHalfAway(double value);

// Truncates toward zero, with the same clamp as RoundHalfAway.
int TruncateCoordinate(double value);

// A line with both end points painted: the segment is drawn both ways, then the
// end point (x2, y2) is set to the colour found at (x1, y1).
void DrawSegment(Canvas& canvas, int x1, int y1, int x2, int y2);

// The "+" data symbol: two 7-pixel segments crossing at (x, y).
void DrawPlusMarker(Canvas& canvas, int x, int y);
// A hollow square of 7 x 7 pixels around (x, y): a point left out of the fit.
void DrawHollowMarker(Canvas& canvas, int x, int y);

// Tick-label text of `value`: decimals 1..5 give "%3.1f", "%4.2f", "%5.3f",
// "%6.4f", "%7.5f"; 6 or more give "%8.6f"; 0 or less give "%1d" of the value
// rounded half away from zero.
std::string FormatTickLabel(double value, int decimals);

// Smallest and largest of the first n values: a value replaces the
// minimum when below it, otherwise the maximum when above it. (0, 0) for n < 1.
std::pair<float, float> FindMinMax(int n, const float* values);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PLOT_PRIMITIVES_H_
