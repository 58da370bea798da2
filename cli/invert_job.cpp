#include "cli/invert_job.h"

#include "analysis/uncertainty_plot.h"
#include "analysis/uncertainty_report.h"
#include "cli/json_fit.h"
#include "cli/json_records.h"
#include "cli/json_uncertainty.h"
#include "cli/json_util.h"
#include "inversion/accurate_search.h"
#include "state/settings_rules.h"

namespace layra::cli {

bool CheckInvertChoices(const InvertChoices& choices,
                        const ChoiceNames& names,
                        std::string* message) {
  const EngineOptions& engine = choices.engine_options;
  const bool accurate = engine.engine == EngineKind::kAccurate;
  if ((!engine.fixed.empty() || !engine.bounds.empty()) && (!accurate || !choices.user_model)) {
    *message =
        names.fix + " and " + names.bound + " need " + names.accurate + " and " + names.user_model;
    return false;
  }
  if (choices.robust && choices.user_model) {
    *message = names.robust +
               " shapes the smooth model of the automatic inversion; a run from a user model "
               "has none (leave out " +
               names.user_model + " or " + names.robust + ")";
    return false;
  }
  if (!choices.layers.empty() && choices.layers != "auto") {
    *message = names.layers + " " + choices.layers + ": the only choice is auto";
    return false;
  }
  if (!choices.layers.empty() &&
      (!accurate || choices.user_model || !engine.fixed.empty() || !engine.bounds.empty())) {
    *message = names.layers + " auto needs " + names.accurate +
               " and chooses the starting model itself (no " + names.user_model + ", " + names.fix +
               " or " + names.bound + ")";
    return false;
  }
  if (choices.uncertainty && !accurate) {
    *message = names.uncertainty + " needs " + names.accurate +
               ": the analysis measures the fit with the data errors and the exact response, by "
               "which the documented engine's model is not the best one";
    return false;
  }
  return true;
}

FileRunRequest RunRequestOf(const InvertChoices& choices) {
  FileRunRequest request;
  InversionSettings& settings = request.settings;
  settings.iterationLimit = ClampIterationLimit(choices.iterations);
  if (choices.damping.size() == 2) {
    settings.initialDampingFactor = ClampInitialDamping(choices.damping[0]);
    settings.minimumDampingFactor = ClampMinimumDamping(choices.damping[1]);
  }
  request.convergence_limit_set = !std::isnan(choices.convergence_percent);
  if (request.convergence_limit_set) {
    settings.convergenceLimit = ConvergenceLimitFromPercent(choices.convergence_percent);
  }
  if (choices.robust) settings.modelConstraint = 1;
  // --layers auto runs from the model of the layer count it chooses.
  request.from_model = choices.user_model || !choices.layers.empty();
  request.engine = choices.engine_options;
  return request;
}

void InvertSounding(FileRun& file,
                    const InvertChoices& choices,
                    const FileRunRequest& request,
                    RunObserver& observer,
                    std::ostream& tables,
                    bool json,
                    InvertRecord& record,
                    const InvertPicture* picture,
                    const std::atomic<bool>* cancel) {
  // --layers auto: the model of the chosen layer count is the run's start.
  std::string choice_failure;
  if (file.document != nullptr && !choices.layers.empty()) {
    LayerCountChoice choice;
    if (ChooseLayerCount(file.document->data, request.engine, 2, 6, &choice, &choice_failure)) {
      tables << LayerCountTable(choice);
      file.document->model = ChosenModel(choice);
      if (json) record.json["layerCounts"] = LayerCountsToJson(choice);
    }
  }
  if (file.document != nullptr && choice_failure.empty()) {
    RunFile(file, request, observer, cancel);
  }
  if (picture != nullptr && picture->last_plot != nullptr) {
    // A picture gets the run's last plot only, drawn once when the run is over.
    PlotSounding(picture->last_plot->input(), picture->canvas);
    picture->canvas.Present();
  }
  if (!choice_failure.empty()) {
    record.status = "failed";
    record.message = choice_failure;
    return;
  }
  if (file.run() == nullptr) {
    record.status = "refused";
    record.message = file.refusal;
    return;
  }
  const SoundingDocument& document = *file.document;
  const SoundingRun& run = *file.run();
  const InversionOutcome& outcome = run.outcome;
  const EngineOptions& engine = run.options.engine;
  record.status = outcome.runStatus == RunStatus::kCompleted ? "ok" : "failed";
  record.message = outcome.runMessage;
  // A run that ended but whose fit is not one to rely on says why.
  if (outcome.runStatus == RunStatus::kCompleted && outcome.fit.assessed &&
      outcome.fit.status != FitStatus::kOk) {
    record.status = FitStatusName(outcome.fit.status);
    record.message = outcome.fit.reason;
    record.not_ok_fit = true;
  }
  if (outcome.runStatus == RunStatus::kCompleted) record.results_file = outcome.resultsFile;
  record.layers = outcome.model.layerCount;
  record.iterations = outcome.lastIteration;
  record.misfit = outcome.finalMisfit;
  record.chi2 = outcome.chi2;
  record.accurate = engine.engine == EngineKind::kAccurate;
  if (json) {
    nlohmann::json& out = record.json;
    const int n = document.data.pointCount;
    out["engine"] = EngineName(engine.engine);
    if (record.accurate) {
      out["chi2"] = outcome.chi2;
      if (!request.from_model) out["regularisation"] = outcome.regularisation;
      out["fixed"] = engine.fixed;
      nlohmann::json bounds = nlohmann::json::object();
      for (const ParameterBound& bound : engine.bounds)
        bounds[bound.name] = {bound.low, bound.high};
      out["bounds"] = bounds;
      FitReportToJson(outcome.fit, &out);
    }
    out["iterations"] = outcome.lastIteration;
    out["misfit"] = ShortestDecimal(outcome.finalMisfit);
    out["misfits"] = FirstValues(outcome.misfits, outcome.lastIteration + 1);
    out["model"] = LayeredModelToJson(outcome.model);
    std::vector<std::string> warnings = document.data.warnings;
    warnings.insert(warnings.end(), outcome.warnings.begin(), outcome.warnings.end());
    out["warnings"] = warnings;
    // A run that failed has no calculated response to report.
    if (outcome.runStatus == RunStatus::kCompleted) {
      out["calculatedResistivity"] = FirstValues(outcome.calculatedResistivity, n);
      if (document.data.dataKind != DataKind::kResistivity) {
        out["calculatedIp"] = FirstValues(outcome.calculatedIp, n);
        out["misfitIp"] = ShortestDecimal(outcome.finalIpMisfit);
      }
    }
  }
  if (choices.uncertainty && outcome.runStatus == RunStatus::kCompleted) {
    // How sure the model is: a table after the run's lines, the JSON key,
    // and the resistivity plot drawn again with it.
    RunUncertainty uncertainty;
    std::string failure;
    if (AnalyseRun(document.data, run, &uncertainty, &failure)) {
      tables << UncertaintyTable(uncertainty, outcome.model);
      if (json) record.json["uncertainty"] = UncertaintyToJson(uncertainty);
      // The run's IP and SIP panels stay as they are: the analysis is of
      // the resistivity model.
      if (picture != nullptr && document.data.dataKind == DataKind::kResistivity) {
        PlotRunUncertainty(document.data, run, uncertainty, picture->canvas);
      }
    } else {
      record.status = "failed";
      record.message = failure;
    }
  }
}

nlohmann::json InvertRecordJson(const InvertRecord& record, const std::string& file) {
  nlohmann::json json = record.json;
  json["file"] = file;
  json["status"] = record.status;
  json["message"] = record.message;
  json["resultsFile"] = record.results_file;
  return json;
}

}  // namespace layra::cli
