#include "graphics/forward_plot.h"

#include <algorithm>
#include <vector>

#include "graphics/sounding_plot.h"

namespace layra {

void PlotForwardModel(const ForwardModel& model, Canvas& canvas, int frequency_page) {
  const int spacing_count = model.spacingCount;
  const int layer_count = model.model.layerCount;
  // The plot shows chargeabilities in thousandths (mV/V).
  std::vector<float> apparent_ip(static_cast<size_t>(std::max(spacing_count, 1)));
  for (int i = 0; i < spacing_count; ++i) apparent_ip[i] = model.calcIp[i] * 1000.0f;
  std::vector<float> layer_ip(static_cast<size_t>(std::max(layer_count, 1)));
  for (int i = 0; i < layer_count; ++i) layer_ip[i] = model.model.chargeability[i] * 1000.0f;
  // Per-point Cole-Cole parameters are not computed in forward modelling.
  std::vector<float> zeros(static_cast<size_t>(std::max(spacing_count, 1)), 0.0f);

  PlotInput input;
  input.plotKind = static_cast<PlotKind>(static_cast<int>(model.modelKind));
  input.compact = 0;
  input.iteration = -1;
  input.nData = spacing_count;
  input.nLayers = layer_count;
  input.observedRho = model.calcResistivity.data();
  input.calculatedRho = model.calcResistivity.data();
  input.spacing = model.spacings.data();
  input.layerRho = model.model.resistivity.data();
  input.thickness = model.model.thickness.data();
  input.title = model.title;
  input.observedIP = apparent_ip.data();
  input.calculatedIP = apparent_ip.data();
  input.layerIP = layer_ip.data();
  input.nFreq = model.frequencyCount;
  input.frequencies = model.frequencies.data();
  input.frequencyPage = frequency_page;
  input.observedAmp = model.amplitude.data();
  input.observedPhase = model.phase.data();
  input.calculatedAmp = model.amplitude.data();
  input.calculatedPhase = model.phase.data();
  input.layerTau = model.model.timeConstant.data();
  input.layerC = model.model.exponent.data();
  input.observedTau = zeros.data();
  input.observedC = zeros.data();
  input.calculatedTau = zeros.data();
  input.calculatedC = zeros.data();
  PlotSounding(input, canvas);
}

}  // namespace layra
