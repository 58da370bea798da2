#include "graphics/chart_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "state/text_format.h"

namespace layra {
namespace {

bool Finite(double v) { return std::isfinite(v); }
bool Positive(double v) { return std::isfinite(v) && v > 0.0; }
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double ChartAxis::Pixel(double value) const {
  double t;
  if (logarithmic) {
    if (!Positive(value) || !Positive(first) || !Positive(last) || first == last) return kNaN;
    t = std::log(value / first) / std::log(last / first);
  } else {
    if (!Finite(value) || first == last) return kNaN;
    t = (value - first) / (last - first);
  }
  return firstPixel + t * (lastPixel - firstPixel);
}

double ChartAxis::Value(double pixel) const {
  if (lastPixel == firstPixel) return first;
  const double t = (pixel - firstPixel) / (lastPixel - firstPixel);
  if (logarithmic) return first * std::pow(last / first, t);
  return first + t * (last - first);
}

// The range of a log axis over the positive values: a quarter of a decade
// of room beyond the smallest and the largest, at least a decade in all.
std::pair<double, double> LogRange(const std::vector<double>& values) {
  double low = std::numeric_limits<double>::max();
  double high = std::numeric_limits<double>::lowest();
  for (const double v : values) {
    if (!Positive(v)) continue;
    low = std::min(low, std::log10(v));
    high = std::max(high, std::log10(v));
  }
  if (low > high) return {1.0, 1000.0};
  low = std::max(low - 0.1, -12.0);
  high = std::min(high + 0.1, 15.0);
  if (high - low < 1.0) {
    const double widen = (1.0 - (high - low)) / 2.0;
    low -= widen;
    high += widen;
  }
  return {std::pow(10.0, low), std::pow(10.0, high)};
}

LinearTicks NiceTicks(double low, double high, int count) {
  if (!Finite(low) || !Finite(high)) low = 0.0, high = 1.0;
  if (high < low) std::swap(low, high);
  if (high - low < 1e-12) {
    const double half = std::max(std::abs(high) * 0.1, 0.5);
    low -= half;
    high += half;
  }
  const double raw = (high - low) / std::max(count, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * power;
    if (step >= raw) break;
  }
  LinearTicks ticks;
  ticks.step = step;
  ticks.first = std::floor(low / step + 1e-9) * step;
  ticks.last = std::ceil(high / step - 1e-9) * step;
  if (ticks.last <= ticks.first) ticks.last = ticks.first + step;
  return ticks;
}

// Splits a polyline into the pieces that lie inside `box` (Liang-Barsky on
// each line); points that are not finite break it.
std::vector<std::vector<PointF>> ClipPolyline(
    const std::vector<PointF>& points, double left, double top, double right, double bottom) {
  std::vector<std::vector<PointF>> pieces;
  std::vector<PointF> piece;
  const auto flush = [&] {
    if (piece.size() >= 2) pieces.push_back(piece);
    piece.clear();
  };
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    PointF a = points[i];
    PointF b = points[i + 1];
    if (!Finite(a.x) || !Finite(a.y) || !Finite(b.x) || !Finite(b.y)) {
      flush();
      continue;
    }
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x - a.x, dy = b.y - a.y;
    bool inside = true;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
    for (int k = 0; k < 4 && inside; ++k) {
      if (p[k] == 0.0) {
        if (q[k] < 0.0) inside = false;
      } else {
        const double t = q[k] / p[k];
        if (p[k] < 0.0) {
          t0 = std::max(t0, t);
        } else {
          t1 = std::min(t1, t);
        }
        if (t0 > t1) inside = false;
      }
    }
    if (!inside) {
      flush();
      continue;
    }
    const PointF from{a.x + t0 * dx, a.y + t0 * dy};
    const PointF to{a.x + t1 * dx, a.y + t1 * dy};
    if (piece.empty() || t0 > 0.0) {
      flush();
      piece.push_back(from);
    }
    piece.push_back(to);
    if (t1 < 1.0) flush();
  }
  flush();
  return pieces;
}

// Ticks of a log axis at each decade, and at 2 and 5 times it when the
// decades are wide enough for them. Returns the labelled values.
std::vector<double> LogLabels(const ChartAxis& axis, int label_room) {
  std::vector<double> labels;
  const double first = std::log10(axis.first);
  const double last = std::log10(axis.last);
  const double decades = std::abs(last - first);
  const double pixels = std::abs(axis.lastPixel - axis.firstPixel);
  const double per_decade = decades > 0 ? pixels / decades : pixels;
  // Between the decades, at 2 and 5 times them, where that leaves room (and
  // a short axis would otherwise have too few labels).
  const bool with_twos_and_fives =
      per_decade > 3.2 * label_room || (decades < 2.5 && per_decade > 2.4 * label_room);
  const int every =
      std::max(1, static_cast<int>(std::ceil(label_room * 1.1 / std::max(per_decade, 1.0))));
  const double low = std::min(axis.first, axis.last) * 0.9999999;
  const double high = std::max(axis.first, axis.last) * 1.0000001;
  const int from = static_cast<int>(std::floor(std::min(first, last)));
  const int to = static_cast<int>(std::ceil(std::max(first, last)));
  for (int e = from; e <= to; ++e) {
    const double decade = std::pow(10.0, e);
    if ((e - from) % every == 0 && decade >= low && decade <= high) labels.push_back(decade);
    if (with_twos_and_fives) {
      for (const double f : {2.0, 5.0}) {
        if (f * decade >= low && f * decade <= high) labels.push_back(f * decade);
      }
    }
  }
  return labels;
}

std::string FormatChartNumber(double value) {
  if (!Finite(value)) return "-";
  if (value == 0.0) return "0";
  const double magnitude = std::abs(value);
  const int exponent = static_cast<int>(std::floor(std::log10(magnitude) + 1e-9));
  if (exponent >= 6 || exponent < -3) {
    const double mantissa = value / std::pow(10.0, exponent);
    return StrFormat("%.3g", mantissa) + "e" + std::to_string(exponent);
  }
  // Up to three decimals below 1, fewer above, as the value needs.
  const int decimals = std::clamp(3 - exponent - 1, 0, 6);
  std::string text = StrFormat("%.*f", decimals, value);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  const bool negative = text[0] == '-';
  std::string whole =
      text.substr(negative ? 1 : 0,
                  text.find('.') == std::string::npos ? std::string::npos
                                                      : text.find('.') - (negative ? 1 : 0));
  const std::string fraction =
      text.find('.') == std::string::npos ? std::string() : text.substr(text.find('.'));
  if (whole.size() > 4) {
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3)
      whole.insert(static_cast<size_t>(at), " ");
  }
  return (negative ? "-" : "") + whole + fraction;
}

}  // namespace layra
