#include "inversion/model_segmentation.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace layra {
namespace {

struct Segment {
  double log_rho_weighted = 0.0;  // sum of weight x log10(rho)
  double weight = 0.0;
  double thickness = 0.0;
  double LogRho() const { return log_rho_weighted / weight; }
};

float ThreeDigits(double value) {
  if (!(value > 0.0) || !std::isfinite(value)) return static_cast<float>(value);
  const double scale = std::pow(10.0, 2 - static_cast<int>(std::floor(std::log10(value))));
  return static_cast<float>(std::round(value * scale) / scale);
}

}  // namespace

LayeredModel SegmentModel(const LayeredModel& model, int layers) {
  const int count = std::clamp(model.layerCount, 0, kMaxLayers);
  std::vector<Segment> segments;
  for (int i = 0; i < count; ++i) {
    const double rho = std::max(static_cast<double>(model.resistivity[i]), 1e-6);
    const bool last = i + 1 == count;
    const double thickness = last ? 0.0 : std::max(static_cast<double>(model.thickness[i]), 0.0);
    const double weight = last
                              ? (segments.empty() ? 1.0 : std::max(segments.back().thickness, 1e-6))
                              : std::max(thickness, 1e-6);
    segments.push_back({weight * std::log10(rho), weight, thickness});
  }
  while (static_cast<int>(segments.size()) > std::max(layers, 1)) {
    size_t best = 0;
    double smallest = INFINITY;
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
      const double step = std::abs(segments[i + 1].LogRho() - segments[i].LogRho());
      if (step < smallest) {
        smallest = step;
        best = i;
      }
    }
    Segment& upper = segments[best];
    const Segment& lower = segments[best + 1];
    upper.log_rho_weighted += lower.log_rho_weighted;
    upper.weight += lower.weight;
    // Merged into the half-space, the layer becomes the half-space.
    upper.thickness = best + 2 == segments.size() ? 0.0 : upper.thickness + lower.thickness;
    segments.erase(segments.begin() + static_cast<long>(best) + 1);
  }
  LayeredModel result;
  result.layerCount = static_cast<int>(segments.size());
  float depth = 0.0f;
  for (size_t i = 0; i < segments.size(); ++i) {
    result.resistivity[i] = ThreeDigits(std::pow(10.0, segments[i].LogRho()));
    result.depthTop[i] = depth;
    if (i + 1 < segments.size()) {
      result.thickness[i] = ThreeDigits(segments[i].thickness);
      depth += result.thickness[i];
    }
  }
  return result;
}

}  // namespace layra
