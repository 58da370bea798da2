#include "inversion/default_bounds.h"

#include <algorithm>
#include <cmath>

namespace layra {

void ApplyDefaultBounds(const SoundingData& data, std::vector<ModelParameter>& parameters) {
  double largest = 0.0;
  for (int i = 0; i < data.pointCount; ++i)
    largest = std::max(largest, static_cast<double>(data.spacingA[i]));
  const double thickest = std::max(kThickestLayerFactor * largest, 100.0 * kThinnestLayer);
  for (ModelParameter& p : parameters) {
    if (p.fixed || p.bounded) continue;
    if (p.kind == ParameterKind::kResistivity) {
      p.bounded = true;
      p.low = kLowestResistivity;
      p.high = kHighestResistivity;
    } else if (p.kind == ParameterKind::kThickness) {
      p.bounded = true;
      p.low = kThinnestLayer;
      p.high = thickest;
    }
  }
}

std::vector<BoundHit> FindBoundHits(const std::vector<ModelParameter>& parameters,
                                    const EngineOptions& options) {
  constexpr double kNear = 1e-3;
  std::vector<BoundHit> hits;
  for (const ModelParameter& p : parameters) {
    if (p.fixed || !p.bounded || !(p.value > 0.0) || !(p.low > 0.0) || !(p.high > p.low)) continue;
    if (p.kind != ParameterKind::kResistivity && p.kind != ParameterKind::kThickness) continue;
    const double at = (std::log(p.value) - std::log(p.low)) / (std::log(p.high) - std::log(p.low));
    if (at > kNear && at < 1.0 - kNear) continue;
    BoundHit hit;
    hit.name = p.name;
    hit.high = at >= 1.0 - kNear;
    hit.bound = hit.high ? p.high : p.low;
    hit.user = std::any_of(options.bounds.begin(),
                           options.bounds.end(),
                           [&](const ParameterBound& b) { return b.name == p.name; });
    hits.push_back(hit);
  }
  return hits;
}

}  // namespace layra
