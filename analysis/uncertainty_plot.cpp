#include "analysis/uncertainty_plot.h"

#include "graphics/sounding_plot.h"
#include "state/text_format.h"

namespace layra {

void PlotRunUncertainty(const SoundingData& data,
                        const SoundingRun& run,
                        const RunUncertainty& result,
                        Canvas& canvas) {
  PlotInput input = RunResultPlotInput(data, run.outcome);
  input.excluded = run.options.excluded.data();
  input.engineLabel = StrFormat("Accurate, chi2/N %.2f", run.outcome.chi2);
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
