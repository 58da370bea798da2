#ifndef LAYRA_GRAPHICS_CHART_AXES_H_
#define LAYRA_GRAPHICS_CHART_AXES_H_

// The scales of the plot in units (graphics/sounding_chart.h): an axis's
// mapping between values and pixels, the ranges and ticks of log and linear
// axes, their labels, and lines clipped to a panel.

#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"

namespace layra {

// One axis: the values at its two ends and the pixels they are drawn at,
// logarithmic or linear in between.
struct ChartAxis {
  double first = 1.0;  // value at firstPixel
  double last = 10.0;  // value at lastPixel
  double firstPixel = 0.0;
  double lastPixel = 1.0;
  bool logarithmic = true;

  // The pixel of `value`; NaN when it has none (not above 0 on a log axis).
  double Pixel(double value) const;
  // The value at `pixel`.
  double Value(double pixel) const;
};

// The range of a log axis over the positive values: a tenth of a decade
// of room beyond the smallest and the largest, at least a decade in all
// (1 to 1000 without a positive value).
std::pair<double, double> LogRange(const std::vector<double>& values);

// Ticks of a linear axis over [low, high]: steps of 1, 2 or 5 times a power
// of ten, about `count` of them; the range widened to whole steps (and to a
// step at least when low and high coincide).
struct LinearTicks {
  double first = 0.0;
  double last = 1.0;
  double step = 1.0;
};
LinearTicks NiceTicks(double low, double high, int count);

// The values a log axis labels: its decades, every k-th where they stand
// closer than `label_room` pixels, and 2 and 5 times them where there is
// room (always on an axis of under 2.5 decades with room for them).
std::vector<double> LogLabels(const ChartAxis& axis, int label_room);

// The pieces of a polyline inside the box left..right, top..bottom
// (Liang-Barsky on each line); points that are not finite break it.
std::vector<std::vector<PointF>> ClipPolyline(
    const std::vector<PointF>& points, double left, double top, double right, double bottom);

// Tick-label text of a value: whole numbers with the thousands set apart by
// a space from 10 000 on ("100 000"), decimals without trailing zeros
// ("0.25"), and powers of ten from 10^6 and below 10^-3 as "1e6", "2e-4".
std::string FormatChartNumber(double value);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_CHART_AXES_H_
