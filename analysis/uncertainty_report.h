#ifndef LAYRA_ANALYSIS_UNCERTAINTY_REPORT_H_
#define LAYRA_ANALYSIS_UNCERTAINTY_REPORT_H_

// The analysis of a finished run, as the front ends ask for it, and its table
// for the listing.

#include <string>

#include "analysis/uncertainty.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {

struct RunUncertainty {
  bool few_layer = false;  // a run from a user model; otherwise a smooth run
  FewLayerUncertainty few;
  SmoothUncertainty smooth;
};

// Analyses the final model of `run` on `data` (with its left-out points and
// engine choices): few-layer for a run from a model, the depth of
// investigation for an automatic one. Accurate-engine runs only (the analysis
// measures the fit as that engine does); false with a message otherwise.
bool AnalyseRun(const SoundingData& data,
                const SoundingRun& run,
                RunUncertainty* result,
                std::string* message);

// The listing's table: parameter, value, low, high and x/ factor, S and T of
// the layers above the basement (few-layer); the depth of investigation and
// the index of every layer (smooth).
std::string UncertaintyTable(const RunUncertainty& result, const LayeredModel& model);

}  // namespace layra

#endif  // LAYRA_ANALYSIS_UNCERTAINTY_REPORT_H_
