#include "cli/json_fit.h"

namespace layra::cli {

void FitReportToJson(const FitReport& report, nlohmann::json* out) {
  if (!report.assessed) return;
  nlohmann::json& json = *out;
  json["fit"] = FitStatusName(report.status);
  json["reason"] = report.reason;
  json["errorEstimate"] =
      report.error_estimated ? nlohmann::json(report.error_percent) : nlohmann::json(nullptr);
  json["errorPercent"] = report.error_percent;
  nlohmann::json hits = nlohmann::json::array();
  for (const BoundHit& hit : report.bound_hits) {
    hits.push_back({{"name", hit.name},
                    {"bound", hit.high ? "high" : "low"},
                    {"value", hit.bound},
                    {"default", !hit.user}});
  }
  json["atBound"] = hits;
  if (report.starts > 0) {
    json["starts"] = {{"count", report.starts},
                      {"best", report.best_start},
                      {"bestName", report.best_start_name},
                      {"ownChi2", report.own_start_chi2}};
  }
}

nlohmann::json LayerCountsToJson(const LayerCountChoice& choice) {
  nlohmann::json rows = nlohmann::json::array();
  for (size_t k = 0; k < choice.rows.size(); ++k) {
    const LayerCountRow& row = choice.rows[k];
    rows.push_back({{"layers", row.layers},
                    {"chi2", row.chi2 / choice.data_count},
                    {"bic", row.criterion},
                    {"atMinimum", row.at_minimum},
                    {"chosen", static_cast<int>(k) == choice.chosen},
                    {"resistivity", row.resistivity},
                    {"thickness", row.thickness}});
  }
  return rows;
}

}  // namespace layra::cli
