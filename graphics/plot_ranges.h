#ifndef LAYRA_GRAPHICS_PLOT_RANGES_H_
#define LAYRA_GRAPHICS_PLOT_RANGES_H_

// Axis ranges of the sounding plot, recomputed from the data on every plot.
// Values that cannot be placed on an axis (not finite, for instance log10 of
// a zero or negative value) are left out of every range.

#include <vector>

namespace layra {

struct AxisRange {
  float min = 0.0f;
  float max = 1.0f;
};

// Whole-decade range of a log axis over log10 values a..b: floor(a), one
// decade lower when floor(a) > 0.95 a; floor(b), one decade higher when
// b > 0.95 floor(b). A range that would have no width (every value the same
// whole decade) is widened by one decade each way so the values sit mid-axis;
// with no usable value it is 10^0..10^1.
AxisRange LogAxisRange(const std::vector<float>& logValues);

// Range of the phase axis over plain values: to whole tens when they spread
// over more than 30, otherwise to whole units with the top one unit above
// floor(max). With no usable value 0..1.
AxisRange PhaseAxisRange(const std::vector<float>& values);

// Range of the linear IP axis over plain values. The bottom is never above 0.
// Steps of 1 below a maximum of 30, of 10 below 300, else of 100; the ends
// move one step outwards when the values come within 5 % of them. A range of
// no width (every value 0) becomes one step wide.
AxisRange IpAxisRange(const std::vector<float>& values);

// The spacing axis and the layer boundaries on it.
struct SpacingAxis {
  float xmin = 0.0f;  // whole decade exponents
  float xmax = 1.0f;
  // nLayers + 1 entries: left and right end of every layer on the axis
  // (log10 of twice the depth to its top); the first starts at xmin, the last
  // ends at xmax. Never decreasing.
  std::vector<float> boundary;
};

// logSpacing: log10 of the spacings in ascending order; thickness: one entry
// per layer (the last, the half-space, is not used).
//
// xmin is the decade of the first spacing and xmax the decade at or above the
// larger of the last spacing and twice the deepest interface, so both always
// lie on the graph. When the first interface falls on or left of xmin, xmin
// moves left to the decade that holds it, so a thin first layer keeps a width
// on the graph; it moves by at most three decades. The axis always spans at
// least one decade.
SpacingAxis MakeSpacingAxis(const std::vector<float>& logSpacing,
                            const std::vector<float>& thickness);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PLOT_RANGES_H_
