#include "project/model_response.h"

#include <algorithm>
#include <cmath>

#include "inversion/accurate_response.h"

namespace layra {

ModelResponse ComputeModelResponse(const SoundingData& data,
                                   const LayeredModel& model,
                                   const std::array<unsigned char, kMaxPoints>& excluded) {
  ModelResponse result;
  const int n = std::clamp(data.pointCount, 0, kMaxPoints);
  const int layers = std::clamp(model.layerCount, 0, kMaxLayers);
  if (n == 0 || layers == 0) return result;
  const std::vector<double> spacings(data.spacingA.begin(), data.spacingA.begin() + n);
  const std::vector<double> rho(model.resistivity.begin(), model.resistivity.begin() + layers);
  const std::vector<double> h(model.thickness.begin(), model.thickness.begin() + layers - 1);
  if (!AccurateApparentResistivity(data.arrayType, spacings, rho, h, result.calculated, nullptr)) {
    result.calculated.clear();
    return result;
  }
  double sum = 0.0;
  int used = 0;
  for (int i = 0; i < n; ++i) {
    if (excluded[static_cast<size_t>(i)]) continue;
    const double r = std::log(data.apparentResistivity[i] / result.calculated[i]);
    sum += r * r;
    ++used;
  }
  result.misfit = used > 0 ? std::sqrt(sum / used) : 0.0;
  result.ok = std::isfinite(result.misfit);
  return result;
}

void UpdateDepths(LayeredModel& model) {
  float depth = 0.0f;
  for (int i = 0; i < model.layerCount; ++i) {
    model.depthTop[i] = depth;
    if (i + 1 < model.layerCount) depth += model.thickness[i];
  }
}

bool MoveBoundary(LayeredModel& model, int layer, double depth) {
  if (layer < 0 || layer + 1 >= model.layerCount || !std::isfinite(depth)) return false;
  UpdateDepths(model);
  const double top = model.depthTop[layer];
  const double minimum = std::max(0.01, 0.01 * model.thickness[layer]);
  double bottom_limit = HUGE_VAL;
  if (layer + 2 < model.layerCount) {
    // The boundary below keeps its depth: the next layer gives what this one takes.
    bottom_limit = model.depthTop[layer + 2] - std::max(0.01, 0.01 * model.thickness[layer + 1]);
  }
  const double held = std::clamp(depth, top + minimum, std::max(top + minimum, bottom_limit));
  const float thickness = static_cast<float>(held - top);
  if (thickness == model.thickness[layer]) return false;
  if (layer + 2 < model.layerCount) {
    model.thickness[layer + 1] += model.thickness[layer] - thickness;
  }
  model.thickness[layer] = thickness;
  UpdateDepths(model);
  return true;
}

bool SetResistivity(LayeredModel& model, int layer, double resistivity) {
  if (layer < 0 || layer >= model.layerCount || !(resistivity > 0.0) ||
      !std::isfinite(resistivity)) {
    return false;
  }
  const float value = static_cast<float>(resistivity);
  if (value == model.resistivity[layer]) return false;
  model.resistivity[layer] = value;
  return true;
}

namespace {

// Moves every per-layer value of layers from..layerCount-1 down by one.
void ShiftDown(LayeredModel& model, int from) {
  for (int i = model.layerCount; i > from; --i) {
    model.resistivity[i] = model.resistivity[i - 1];
    model.thickness[i] = model.thickness[i - 1];
    model.chargeability[i] = model.chargeability[i - 1];
    model.timeConstant[i] = model.timeConstant[i - 1];
    model.exponent[i] = model.exponent[i - 1];
  }
  ++model.layerCount;
}

}  // namespace

bool SplitLayer(LayeredModel& model, int layer) {
  if (layer < 0 || layer >= model.layerCount || model.layerCount >= kMaxForwardLayers) {
    return false;
  }
  const bool basement = layer + 1 == model.layerCount;
  ShiftDown(model, layer);
  if (basement) {
    // A layer as thick as the one above (1 m under a half-space alone)
    // between it and the basement.
    model.thickness[layer] = layer > 0 ? model.thickness[layer - 1] : 1.0f;
  } else {
    model.thickness[layer] *= 0.5f;
    model.thickness[layer + 1] = model.thickness[layer];
  }
  model.thickness[model.layerCount - 1] = 0.0f;
  UpdateDepths(model);
  return true;
}

bool RemoveLayer(LayeredModel& model, int layer) {
  if (layer < 0 || layer >= model.layerCount || model.layerCount <= 2) return false;
  const bool basement = layer + 1 == model.layerCount;
  const float given = basement ? 0.0f : model.thickness[layer];
  for (int i = layer; i + 1 < model.layerCount; ++i) {
    model.resistivity[i] = model.resistivity[i + 1];
    model.thickness[i] = model.thickness[i + 1];
    model.chargeability[i] = model.chargeability[i + 1];
    model.timeConstant[i] = model.timeConstant[i + 1];
    model.exponent[i] = model.exponent[i + 1];
  }
  --model.layerCount;
  if (basement) {
    // The layer above becomes the basement.
    model.thickness[model.layerCount - 1] = 0.0f;
  } else if (layer > 0) {
    model.thickness[layer - 1] += given;
  } else if (model.layerCount > 1) {
    model.thickness[0] += given;
  }
  const int last = model.layerCount;
  model.resistivity[last] = model.thickness[last] = model.chargeability[last] = 0.0f;
  model.timeConstant[last] = model.exponent[last] = 0.0f;
  model.thickness[last - 1] = 0.0f;
  UpdateDepths(model);
  return true;
}

}  // namespace layra
