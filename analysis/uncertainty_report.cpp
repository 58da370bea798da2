#include "analysis/uncertainty_report.h"

#include <vector>

#include "inversion/excluded_points.h"
#include "state/text_format.h"

namespace layra {

bool AnalyseRun(const SoundingData& whole,
                const SoundingRun& run,
                RunUncertainty* result,
                std::string* message) {
  const EngineOptions& engine = run.options.engine;
  const bool user_model = run.options.from_model;
  if (engine.engine != EngineKind::kAccurate) {
    *message =
        "The equivalence analysis needs a run of the accurate engine: it measures the fit "
        "with the data errors and the exact response.";
    return false;
  }
  const LayeredModel& model = run.outcome.model;
  if (run.outcome.runStatus != RunStatus::kCompleted || model.layerCount < 1 ||
      whole.pointCount < 1) {
    *message = "There is no inversion result to analyse.";
    return false;
  }
  const int layers = model.layerCount;
  const std::vector<double> rho(model.resistivity.begin(), model.resistivity.begin() + layers);
  const std::vector<double> h(model.thickness.begin(), model.thickness.begin() + layers - 1);
  *result = RunUncertainty{};
  result->few_layer = user_model;
  // The points the run left out are left out here too.
  const SoundingData data = WithoutExcluded(whole, run.options.excluded);
  // The data errors the run used (estimated, where it estimated them).
  EngineOptions options = engine;
  if (run.outcome.fit.assessed) {
    options.assumedErrorPercent = run.outcome.fit.error_percent;
    options.estimateErrors = false;
  }
  if (user_model) return AnalyseFewLayer(data, options, rho, h, &result->few, message);
  return AnalyseSmooth(data, options, rho, h, run.outcome.regularisation, &result->smooth, message);
}

namespace {

// A range end; "<" or ">" where the search stopped at its limit.
std::string End(double value, bool open, const char* mark) {
  return StrFormat("%s%.4g", open ? mark : "", value);
}

}  // namespace

std::string UncertaintyTable(const RunUncertainty& result, const LayeredModel& model) {
  std::string out;
  if (result.few_layer) {
    const FewLayerUncertainty& u = result.few;
    const double n = u.data_count;
    out += StrFormat(
        "Equivalence analysis: chi2/N %.3f; acceptable models chi2/N <= %.3f (%d found)\n",
        u.best_chi2 / n,
        u.threshold_chi2 / n,
        u.acceptable_found);
    out += StrFormat(
        "Ranges at 95 %% confidence: chi2 <= chi2_best + 3.84 s2, s2 = max(1, chi2_best/(N - p)) "
        "= %.3g\n",
        u.variance_scale);
    out +=
        StrFormat("%-10s %11s %11s %11s %11s\n", "Parameter", "Value", "Low", "High", "x/ factor");
    bool open = false;
    for (const ParameterRange& p : u.parameters) {
      open = open || p.open_low || p.open_high;
      out += StrFormat("%-10s %11.4g %11s %11s %11s\n",
                       p.name.c_str(),
                       p.value,
                       End(p.low, p.open_low, "<").c_str(),
                       End(p.high, p.open_high, ">").c_str(),
                       p.fixed ? "fixed" : StrFormat("%.3g", p.factor).c_str());
    }
    out += StrFormat("%-6s %11s %11s %11s %13s %11s %11s\n",
                     "Layer",
                     "S (S)",
                     "Low",
                     "High",
                     "T (ohm-m2)",
                     "Low",
                     "High");
    for (size_t k = 0; k < u.conductance.size(); ++k) {
      const LayerRange& s = u.conductance[k];
      const LayerRange& t = u.transverse[k];
      out += StrFormat("%-6d %11.4g %11.4g %11.4g %13.4g %11.4g %11.4g\n",
                       s.layer,
                       s.value,
                       s.low,
                       s.high,
                       t.value,
                       t.low,
                       t.high);
    }
    if (open) {
      out += StrFormat(
          "< and > mark a range the data leave open: the search stopped at x/ %g or a bound.\n",
          kSearchLimit);
    }
    return out;
  }
  const SmoothUncertainty& u = result.smooth;
  out +=
      u.doi_reached
          ? StrFormat("Depth of investigation: %.4g m (index %.2f, references x/ %g)\n",
                      u.doi,
                      kDoiThreshold,
                      kDoiReferenceFactor)
          : StrFormat("Depth of investigation: below %.4g m, the deepest layer analysed\n", u.doi);
  out += StrFormat("%-6s %11s %11s %11s\n", "Layer", "Top (m)", "Rho", "DOI index");
  for (size_t k = 0; k < u.doi_index.size(); ++k) {
    out += StrFormat("%-6zu %11.4g %11.4g %11.3f%s\n",
                     k + 1,
                     static_cast<double>(model.depthTop[k]),
                     static_cast<double>(model.resistivity[k]),
                     u.doi_index[k],
                     model.depthTop[k] >= u.doi ? "  below" : "");
  }
  return out;
}

}  // namespace layra
