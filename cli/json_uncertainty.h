#ifndef LAYRA_CLI_JSON_UNCERTAINTY_H_
#define LAYRA_CLI_JSON_UNCERTAINTY_H_

// The "uncertainty" key of `invert --uncertainty --json`.

#include <nlohmann/json.hpp>

#include "analysis/uncertainty_report.h"

namespace layra::cli {

// Few-layer: {"parameters": [{"name", "value", "low", "high", "factor"}],
// "conductance": [{"layer", "value", "low", "high"}], "transverseResistance":
// [same], "correlation": [[...]], "equivalentModels": [{"resistivity",
// "thickness"}]}. Smooth: {"doi": metres, "doiIndex": [one per layer]}.
nlohmann::json UncertaintyToJson(const RunUncertainty& result);

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_UNCERTAINTY_H_
