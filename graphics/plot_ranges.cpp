#include "graphics/plot_ranges.h"

#include <algorithm>
#include <cmath>

#include "graphics/plot_primitives.h"

namespace layra {

namespace {

std::vector<float> Finite(const std::vector<float>& values) {
  std::vector<float> finite;
  finite.reserve(values.size());
  for (float v : values) {
    if (std::isfinite(v)) finite.push_back(v);
  }
  return finite;
}

// Twice the running depth to the top of layer `layer` (0-based), as log10;
// minus infinity at the surface or for a depth that is not positive.
std::vector<float> InterfaceExponents(const std::vector<float>& thickness) {
  std::vector<float> exponents(thickness.size(), -INFINITY);
  float depth = 0.0f;
  for (size_t i = 1; i < thickness.size(); ++i) {
    depth += thickness[i - 1];
    if (std::isfinite(depth) && depth > 0.0f) {
      exponents[i] = static_cast<float>(std::log10(2.0 * depth));
    }
  }
  return exponents;
}

}  // namespace

AxisRange LogAxisRange(const std::vector<float>& logValues) {
  std::vector<float> values = Finite(logValues);
  if (values.empty()) return {0.0f, 1.0f};
  auto [a, b] = FindMinMax(static_cast<int>(values.size()), values.data());
  float low = std::floor(a);
  float high = std::floor(b);
  AxisRange range{low > 0.95f * a ? low - 1.0f : low, b > 0.95f * high ? high + 1.0f : high};
  if (range.max - range.min < 1.0f) {
    range.min -= 1.0f;
    range.max += 1.0f;
  }
  return range;
}

AxisRange PhaseAxisRange(const std::vector<float>& values) {
  std::vector<float> finite = Finite(values);
  if (finite.empty()) return {0.0f, 1.0f};
  auto [low, high] = FindMinMax(static_cast<int>(finite.size()), finite.data());
  if (high - low > 30.0f) {
    return {10.0f * std::floor(low / 10.0f), 10.0f * (std::floor(high / 10.0f) + 1.0f)};
  }
  return {std::floor(low), std::floor(high) + 1.0f};
}

AxisRange IpAxisRange(const std::vector<float>& values) {
  std::vector<float> finite = Finite(values);
  if (finite.empty()) return {0.0f, 1.0f};
  auto [low, high] = FindMinMax(static_cast<int>(finite.size()), finite.data());
  low = std::min(low, 0.0f);
  AxisRange range;
  float step = high < 30.0f ? 1.0f : (high < 300.0f ? 10.0f : 100.0f);
  if (step < 100.0f) {
    float lo = std::floor(low / step);
    if (lo > 0.95f * (low / step)) lo -= 1.0f;
    float hi = std::floor(high / step);
    if (0.95f * hi < high / step) hi += 1.0f;
    range = {step * lo, step * hi};
  } else {
    range = {100.0f * std::floor(low / 100.0f), 100.0f * (std::floor(high / 100.0f) + 1.0f)};
  }
  if (range.max <= range.min) range.max = range.min + step;
  return range;
}

SpacingAxis MakeSpacingAxis(const std::vector<float>& logSpacing,
                            const std::vector<float>& thickness) {
  constexpr float kMaxExtension = 3.0f;
  SpacingAxis axis;
  std::vector<float> spacings = Finite(logSpacing);
  std::vector<float> interfaces = InterfaceExponents(thickness);

  axis.xmin = spacings.empty() ? 0.0f : std::floor(spacings.front());
  float v = spacings.empty() ? -INFINITY : spacings.back();
  if (!interfaces.empty()) v = std::max(v, interfaces.back());
  if (std::isfinite(v)) {
    // The decade at or above v: the last spacing and the deepest interface
    // always lie on the graph.
    axis.xmax = std::ceil(v);
  } else {
    axis.xmax = axis.xmin + 1.0f;
  }

  if (interfaces.size() >= 2 && std::isfinite(interfaces[1]) && interfaces[1] <= axis.xmin) {
    axis.xmin = std::max(std::ceil(interfaces[1]) - 1.0f, axis.xmin - kMaxExtension);
  }
  if (axis.xmax - axis.xmin < 1.0f) axis.xmax = axis.xmin + 1.0f;

  size_t layers = thickness.size();
  axis.boundary.assign(layers + 1, axis.xmin);
  for (size_t i = 1; i < layers; ++i) {
    float b = interfaces[i];
    axis.boundary[i] = std::isfinite(b) ? std::max(b, axis.boundary[i - 1]) : axis.boundary[i - 1];
  }
  if (layers > 0) axis.boundary[layers] = std::max(axis.xmax, axis.boundary[layers - 1]);
  return axis;
}

}  // namespace layra
