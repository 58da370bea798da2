#include "graphics/plot_snapshot.h"

#include <algorithm>

namespace layra {

PlotSnapshot::PlotSnapshot(const PlotInput& input) : input_(input) {
  const int data = std::max(input.nData, 0);
  const int layers = std::max(input.nLayers, 0);
  const int spectra = data * std::max(input.nFreq, 0);
  arrays_.reserve(19);
  // Points `array` at a copy of its first `count` values.
  auto keep = [this](const float*& array, int count) {
    if (array == nullptr) return;
    arrays_.emplace_back(array, array + count);
    array = arrays_.back().data();
  };
  keep(input_.observedRho, data);
  keep(input_.calculatedRho, data);
  keep(input_.spacing, data);
  keep(input_.layerRho, layers);
  keep(input_.thickness, layers);
  keep(input_.observedIP, data);
  keep(input_.calculatedIP, data);
  keep(input_.layerIP, layers);
  keep(input_.observedAmp, spectra);
  keep(input_.observedPhase, spectra);
  keep(input_.calculatedAmp, spectra);
  keep(input_.calculatedPhase, spectra);
  keep(input_.layerTau, layers);
  keep(input_.layerC, layers);
  keep(input_.observedTau, data);
  keep(input_.observedC, data);
  keep(input_.calculatedTau, data);
  keep(input_.calculatedC, data);
}

}  // namespace layra
