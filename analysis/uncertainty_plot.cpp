#include "analysis/uncertainty_plot.h"

#include "graphics/sounding_plot.h"
#include "state/text_format.h"

namespace layra {

void PlotRunUncertainty(const ProgramState& state, const RunUncertainty& result, Canvas& canvas) {
  const SoundingData& data = state.data;
  const LayeredModel& model = state.model;
  PlotInput input;
  input.plotKind = PlotKind::kResistivity;
  input.iteration = state.outcome.lastIteration;
  input.nData = data.pointCount;
  input.nLayers = model.layerCount;
  input.observedRho = data.apparentResistivity.data();
  input.calculatedRho = state.outcome.calculatedResistivity.data();
  input.spacing = data.spacingA.data();
  input.layerRho = model.resistivity.data();
  input.thickness = model.thickness.data();
  input.title = data.title;
  input.misfit = state.outcome.finalMisfit;
  input.dataConstraint = state.settings.dataConstraint;
  input.excluded = state.excludedPoints.data();
  input.engineLabel = StrFormat("Accurate, chi2/N %.2f", state.outcome.chi2);
  if (result.few_layer) {
    for (const EquivalentModel& m : result.few.equivalent_models) {
      PlotLayers layers;
      layers.resistivity.assign(m.resistivity.begin(), m.resistivity.end());
      layers.thickness.assign(m.thickness.begin(), m.thickness.end());
      input.equivalentModels.push_back(std::move(layers));
    }
  } else {
    input.depthOfInvestigation = static_cast<float>(result.smooth.doi);
  }
  PlotSounding(input, canvas);
}

}  // namespace layra
