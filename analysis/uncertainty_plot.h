#ifndef LAYRA_ANALYSIS_UNCERTAINTY_PLOT_H_
#define LAYRA_ANALYSIS_UNCERTAINTY_PLOT_H_

// The sounding plot of an analysed run: the run's last resistivity plot with
// the acceptable models as thin grey lines behind the model, or the smooth
// model hatched below the depth of investigation.

#include "analysis/uncertainty_report.h"
#include "platform/canvas.h"
#include "state/records.h"

namespace layra {

void PlotRunUncertainty(const SoundingData& data,
                        const SoundingRun& run,
                        const RunUncertainty& result,
                        Canvas& canvas);

}  // namespace layra

#endif  // LAYRA_ANALYSIS_UNCERTAINTY_PLOT_H_
