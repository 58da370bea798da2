#ifndef LAYRA_CLI_JSON_FIT_H_
#define LAYRA_CLI_JSON_FIT_H_

// The keys of `invert --json` that say how an accurate fit ended, and those
// of `--layers auto`.

#include <nlohmann/json.hpp>

#include "inversion/accurate_search.h"
#include "state/fit_report.h"

namespace layra::cli {

// Adds "fit" ("ok", "above target", "not at minimum"), "reason" (empty when
// ok), "errorEstimate" (percent, null when the error was the file's or
// assumed), "errorPercent" (the error of data without one), "atBound"
// ([{"name", "bound": "low"|"high", "value", "default"}]) and, for runs from
// a user model, "starts" ({"count", "best", "bestName", "ownChi2"}).
void FitReportToJson(const FitReport& report, nlohmann::json* out);

// [{"layers", "chi2", "bic", "atMinimum", "chosen", "resistivity", "thickness"}].
nlohmann::json LayerCountsToJson(const LayerCountChoice& choice);

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_FIT_H_
