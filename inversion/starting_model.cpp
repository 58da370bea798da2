#include "inversion/starting_model.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace layra {

float GeometricMean(const float* values, int count) {
  if (count <= 0) return 0.0f;
  double sum = 0.0;
  for (int i = 0; i < count; ++i) sum += std::log(static_cast<double>(values[i]));
  return static_cast<float>(std::exp(sum / count));
}

int BuildStartingModel(const float* spacings,
                       const float* observed,
                       int data_count,
                       float thickness_factor,
                       LayeredModel& model) {
  const auto range = std::minmax_element(spacings, spacings + data_count);
  // depth[k] is the depth of interface k; depth[0] = 0 is the surface.
  std::array<float, kMaxLayers + 1> depth{};
  float t = 0.51f * *range.first;
  const float deepest = 0.51f * *range.second;
  depth[1] = t;
  int last = 1;
  while (depth[last] < deepest && last < kMaxLayers) {
    t = t * thickness_factor;
    depth[last + 1] = depth[last] + t;
    ++last;
  }
  // The depth that reached `deepest` is not an interface: the layer above it
  // is the half-space.
  const int layers = last;
  model.layerCount = layers;
  const float mean = GeometricMean(observed, data_count);
  for (int i = 0; i < layers; ++i) {
    model.resistivity[i] = mean;
    model.depthTop[i] = depth[i];
    model.thickness[i] = i < layers - 1 ? depth[i + 1] - depth[i] : 0.0f;
  }
  return layers;
}

}  // namespace layra
