#include "inversion/inversion_driver.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "fileio/results_file.h"
#include "fileio/same_file.h"
#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "graphics/sounding_plot.h"
#include "inversion/engine.h"
#include "inversion/excluded_points.h"
#include "inversion/inversion_run.h"
#include "inversion/least_squares.h"
#include "inversion/sensitivities.h"
#include "state/text_format.h"

namespace layra {

namespace {

constexpr int kMinRunLayers = 2;

void Fail(InversionOutcome& outcome, const std::string& message) {
  outcome.runStatus = RunStatus::kFailed;
  outcome.stopReason = StopReason::kFailed;
  outcome.runMessage = message;
}

class ResistivityStage {
 public:
  explicit ResistivityStage(InversionRun& run)
      : run_(run),
        engine_(*run.engine),
        state_(run.state),
        model_(run.state.model),
        data_(run.state.data) {}

  // Runs the stage; returns false when the run must end (the reason is in
  // the outcome).
  bool Run();

 private:
  bool WriteBlock();
  void ShowIteration();

  InversionRun& run_;
  InversionEngine& engine_;
  RunState& state_;
  LayeredModel& model_;
  const SoundingData& data_;
};

bool ResistivityStage::WriteBlock() {
  // A run of the accurate engine from a user model holds the parameters it
  // was told to fix, and its results file says so.
  if (run_.options.results_path.empty()) return true;
  const int fixed =
      run_.options.file_fixes_parameters ||
      (run_.user_model && engine_.kind() == EngineKind::kAccurate && !state_.engine.fixed.empty());
  if (AppendResults(data_,
                    fixed,
                    run_.user_model,
                    run_.options.results_path,
                    run_.iteration,
                    model_,
                    state_.outcome.calculatedResistivity.data(),
                    run_.misfit,
                    state_.settings,
                    &run_.results_stream)) {
    return true;
  }
  const std::string message =
      StrFormat("Cannot write to the results file\n%s.\nThe inversion has been stopped.",
                run_.options.results_path.c_str());
  run_.observer.Warn(message, "Error Message");
  Fail(state_.outcome, message);
  return false;
}

// The progress line of the current iteration; the accurate engine adds the
// error-weighted misfit.
void ResistivityStage::ShowIteration() {
  std::string line =
      StrFormat("Iteration %2d  RMS error %8.2f", run_.iteration, 100.0 * run_.misfit);
  if (engine_.kind() == EngineKind::kAccurate) {
    line += StrFormat("  chi2/N %8.3f", state_.outcome.chi2);
  }
  ShowProgressLine(run_, line);
}

bool ResistivityStage::Run() {
  InversionSettings& settings = state_.settings;
  InversionOutcome& outcome = state_.outcome;
  // This stage always fits with the standard data constraint and reports the
  // root-mean-square misfit.
  settings.dataConstraint = 0;
  engine_.BeginResistivity(run_);
  run_.iteration = 0;
  engine_.EvaluateResistivity(run_);
  if (!std::isfinite(run_.misfit)) {
    // Extreme contrasts can drive the filter below zero: without a response
    // of the starting model there is nothing to fit.
    const std::string message =
        "The apparent resistivities of the starting model\n"
        "could not be computed (the filter gave values\n"
        "that are not positive). The inversion has been stopped.";
    run_.observer.Warn(message, "Error Message");
    Fail(state_.outcome, message);
    return false;
  }
  outcome.misfits[0] = run_.misfit;
  outcome.lastIteration = 0;
  outcome.finalMisfit = run_.misfit;
  if (!WriteBlock()) return false;
  ShowIteration();
  ShowRunPlot(run_, RunStage::kResistivity);

  settings.iterationLimit = std::min(std::max(settings.iterationLimit, 0), kMaxRunIterations);
  std::optional<StopReason> end = engine_.Ended(run_);
  while (!end) {
    if (run_.iteration >= settings.iterationLimit) {
      end = StopReason::kIterationLimit;
    } else if (run_.Cancelled()) {
      end = StopReason::kCancelled;
    }
    if (end) break;
    const float previous = run_.misfit;
    const StepResult step = engine_.StepResistivity(run_);
    if (step == StepResult::kFailed) return false;
    if (step == StepResult::kNoStep) {
      run_.observer.Warn(StrFormat("The least-squares matrix is not positive definite.\n"
                                   "The inversion stops after iteration %d.",
                                   run_.iteration),
                         "Error Message");
    }
    if (step != StepResult::kStepped) {
      end = StopReason::kNoImprovement;
      break;
    }

    ++run_.iteration;
    outcome.misfits[run_.iteration] = run_.misfit;
    outcome.lastIteration = run_.iteration;
    outcome.finalMisfit = run_.misfit;
    ShowIteration();
    if (!WriteBlock()) return false;
    ShowRunPlot(run_, RunStage::kResistivity);

    end = engine_.EndedAfterStep(run_, run_.misfit < previous);
    if (!end && run_.iteration >= settings.iterationLimit) {
      // No question once the run is stopping.
      if (run_.Cancelled()) {
        end = StopReason::kCancelled;
      } else {
        settings.additionalIterations = run_.observer.AskAdditionalIterations(settings);
        if (settings.additionalIterations < 1) end = StopReason::kIterationLimit;
      }
      if (!end) {
        settings.iterationLimit =
            std::min(settings.iterationLimit + settings.additionalIterations, kMaxRunIterations);
        ShowRunPlot(run_, RunStage::kResistivity);
      }
    }
    if (!end) end = engine_.Ended(run_);
  }
  outcome.stopReason = *end;
  outcome.lastIteration = run_.iteration;
  outcome.finalMisfit = run_.misfit;
  engine_.EndResistivity(run_);
  ShowRunPlot(run_, RunStage::kResistivity);
  return true;
}

}  // namespace

void ShowProgressLine(InversionRun& run, const std::string& text) { run.observer.Line(text); }

int IterationEvent::iteration() const { return run_.iteration; }
const LayeredModel& IterationEvent::model() const { return run_.state.model; }
const InversionOutcome& IterationEvent::outcome() const { return run_.state.outcome; }
float IterationEvent::misfit() const { return run_.misfit; }
float IterationEvent::ip_misfit() const { return run_.ip_misfit; }

// The documented plot of this moment: observed and calculated apparent
// resistivities with the working model, and the IP panels (in thousandths,
// mV/V, kept in *ip_storage) or the spectral and Cole-Cole panels of the
// stage. The resistivity stage shows the IP panel of IP and SIP data too
// (the spectra have no calculated values before the SIP stage).
PlotInput IterationEvent::Input(std::vector<float>* ip_storage) const {
  const RunState& state = run_.state;
  const SoundingData& data = state.data;
  const LayeredModel& model = state.model;
  const int n = run_.data_count;
  const int layers = run_.layer_count;
  PlotInput input = RunResultPlotInput(data, state.outcome);
  input.iteration = run_.iteration;
  input.nData = n;
  input.nLayers = layers;
  input.misfit = run_.misfit;
  switch (stage_) {
    case RunStage::kResistivity:
      input.plotKind =
          data.dataKind == DataKind::kResistivity ? PlotKind::kResistivity : PlotKind::kIp;
      break;
    case RunStage::kIp:
      input.plotKind = PlotKind::kIp;
      break;
    case RunStage::kSip:
      input.plotKind = PlotKind::kSipColeCole;
      break;
  }
  if (run_.engine->kind() == EngineKind::kAccurate) {
    input.engineLabel = StrFormat("Accurate, chi2/N %.2f", state.outcome.chi2);
  }
  if (input.plotKind != PlotKind::kResistivity) {
    std::vector<float>& ip = *ip_storage;
    ip.assign(2 * static_cast<size_t>(n) + layers, 0.0f);
    for (int i = 0; i < n; ++i) {
      ip[i] = 1000.0f * run_.observed_ip[i];
      ip[n + i] = 1000.0f * state.outcome.calculatedIp[i];
    }
    for (int j = 0; j < layers; ++j) ip[2 * n + j] = 1000.0f * model.chargeability[j];
    input.observedIP = ip.data();
    input.calculatedIP = ip.data() + n;
    input.layerIP = ip.data() + 2 * n;
    input.misfitIP = 1000.0f * run_.ip_misfit;
  }
  if (panels_ != nullptr) {
    input.nFreq = data.frequencyCount;
    input.observedAmp = panels_->observed_amplitude;
    input.observedPhase = panels_->observed_phase;
    input.calculatedAmp = panels_->calculated_amplitude;
    input.calculatedPhase = panels_->calculated_phase;
    input.layerTau = model.timeConstant.data();
    input.layerC = model.exponent.data();
    input.observedTau = panels_->observed_tau;
    input.observedC = panels_->observed_c;
    input.calculatedTau = panels_->calculated_tau;
    input.calculatedC = panels_->calculated_c;
  }
  return input;
}

void IterationEvent::Draw(Canvas& canvas) const {
  std::vector<float> ip;
  PlotSounding(Input(&ip), canvas);
  canvas.Present();
}

std::unique_ptr<PlotSnapshot> IterationEvent::Snapshot() const {
  std::vector<float> ip;
  return std::make_unique<PlotSnapshot>(Input(&ip));
}

void ShowRunPlot(InversionRun& run, RunStage stage, const ColeColePanels* panels) {
  run.observer.Iteration(IterationEvent(run, stage, panels));
}

double NextDampingFactor(double lambda, int improved, double minimum) {
  const double next = improved ? lambda * 0.55 : lambda * 2.0;
  return next < minimum ? minimum : next;
}

namespace {

// Filter values the guard replaces in the documented response of the current
// model, on the grid from the smallest to the largest spacing as the run
// computes it. The accurate engine's response needs no guard.
int GuardedFilterValues(const InversionRun& run) {
  if (run.engine->kind() != EngineKind::kDocumented) return 0;
  const FilterSet filter = SelectFilter(run.state.data.arrayType);
  const LayeredModel& model = run.state.model;
  const SoundingData& data = run.state.data;
  const auto range =
      std::minmax_element(data.spacingA.begin(), data.spacingA.begin() + data.pointCount);
  const float ends[2] = {*range.first, *range.second};
  float response[2];
  return ComputeApparentResistivity(filter.ratio,
                                    filter.shift,
                                    ends,
                                    filter.length,
                                    filter.coefficients.data(),
                                    model.thickness.data(),
                                    model.resistivity.data(),
                                    run.layer_count,
                                    response,
                                    2);
}

// Says in the listing, as a message and in the outcome's warnings that the
// filter's guard replaced `replaced` values of a kept model's response.
void WarnOfFilterGuard(InversionRun& run, int replaced) {
  if (replaced < 1) return;
  const std::string warning = FilterGuardWarning(replaced);
  run.state.outcome.warnings.push_back(warning);
  run.observer.Lines(warning);
  run.observer.Warn(warning, "Warning");
}

// Sets up `run` on its data: the engine, the starting model (the options' or
// the engine's automatic one) and its counts. Returns the refusal of a run
// that cannot start (with its caption), "" when it can.
std::string PrepareRun(InversionRun& run, std::string* caption) {
  const RunOptions& options = run.options;
  LayeredModel& model = run.state.model;
  InversionOutcome& outcome = run.state.outcome;
  const int n = run.state.data.pointCount;
  run.user_model = options.from_model ? 1 : 0;
  run.data_count = n;
  run.engine = MakeEngine(options.engine.engine);
  if (run.user_model) {
    model = options.start_model;
    run.layer_count = model.layerCount;
  } else {
    run.layer_count = run.engine->BuildAutomaticModel(run);
    const float mean = model.resistivity[0];
    std::fill(
        outcome.calculatedResistivity.begin(), outcome.calculatedResistivity.begin() + n, mean);
  }
  run.parameter_count = ParameterCount(run.user_model, run.layer_count);
  run.observed_ip = run.engine->ObservedIpFractions(run.state.data);

  *caption = "Message";
  const int max_layers = run.engine->MaxRunLayers();
  if (run.layer_count < kMinRunLayers || run.layer_count > max_layers) {
    return StrFormat(
        "You model has %d layers.\nThe model must have at least 2 layers\n"
        "and not model that %d layers.",
        run.layer_count,
        max_layers);
  }
  *caption = "Error Message";
  if (run.user_model) {
    // A model from a file or a dialog is used unchecked elsewhere; values that
    // are not positive numbers have no response and would poison every step.
    for (int j = 0; j < run.layer_count; ++j) {
      const bool rho_ok = std::isfinite(model.resistivity[j]) && model.resistivity[j] > 0.0f;
      const bool h_ok = j == run.layer_count - 1 ||
                        (std::isfinite(model.thickness[j]) && model.thickness[j] > 0.0f);
      if (!rho_ok || !h_ok) {
        return StrFormat(
            "There was an error in the input model.\nLayer %d has a resistivity or a thickness\n"
            "that is not a positive number.",
            j + 1);
      }
    }
  }
  std::string refusal;
  return run.engine->CheckChoices(run, &refusal) ? std::string() : refusal;
}

// Creates the results file of the run (the data file is one of its inputs:
// writing the results over it would destroy the data); "" when it is open.
std::string OpenResultsFile(InversionRun& run) {
  const std::string& path = run.options.results_path;
  std::string reason;
  if (IsSameFile(path, run.state.data.dataFileName)) {
    reason = "it is the data file " + run.state.data.dataFileName + " of this run";
  } else if (run.results_stream.Open(path, &reason)) {
    return std::string();
  }
  return "Cannot create the results file " + path + ": " + reason;
}

void RunOnData(const SoundingData& data,
               const RunOptions& options,
               InversionOutcome& outcome,
               RunObserver& observer,
               const std::atomic<bool>* cancel) {
  const int n = data.pointCount;
  if (n < 1 || n > kMaxPoints) {
    const std::string message = "You must first read in a data file.";
    observer.Warn(message, "Error Message");
    Fail(outcome, message);
    return;
  }

  InversionRun run(data, options, outcome, observer, cancel);
  // The checks on the model come before the results file is created, so a
  // refused run touches no file; the refusal is shown after the progress
  // lines, as the run shows them.
  std::string refusal_caption;
  const std::string refusal = PrepareRun(run, &refusal_caption);
  const bool with_file = refusal.empty() && !options.results_path.empty();
  if (with_file) {
    const std::string failure = OpenResultsFile(run);
    if (!failure.empty()) {
      Fail(outcome, failure);
      return;
    }
  }

  ShowProgressLine(run, StrFormat("Number of data points is %d.", n));
  ShowProgressLine(run, StrFormat("Number of model parameters is %d.", run.parameter_count));
  ShowProgressLine(run, StrFormat("Number of model layers is %d.", run.layer_count));
  if (run.engine->kind() != EngineKind::kDocumented) {
    ShowProgressLine(run, StrFormat("Inversion engine: %s.", EngineName(run.engine->kind())));
  }

  bool go_on = refusal.empty();
  if (!go_on) {
    observer.Warn(refusal, refusal_caption);
    Fail(outcome, refusal);
  }
  LayeredModel& model = run.state.model;
  if (go_on) {
    // Depths follow the thicknesses the run works with.
    model.depthTop[0] = 0.0f;
    for (int j = 1; j < run.layer_count; ++j) {
      model.depthTop[j] = model.depthTop[j - 1] + model.thickness[j - 1];
    }
    // The starting and the final model are the ones the results file and
    // the plots keep; either may need the filter's guard.
    const int guarded_start = GuardedFilterValues(run);
    ResistivityStage stage(run);
    go_on = stage.Run();
    run.results_stream.Close();
    for (int j = 1; j < run.layer_count; ++j) {
      model.depthTop[j] = model.depthTop[j - 1] + model.thickness[j - 1];
    }
    WarnOfFilterGuard(run, std::max(guarded_start, GuardedFilterValues(run)));
  }
  go_on = go_on && outcome.stopReason != StopReason::kCancelled;
  if (go_on && data.dataKind != DataKind::kResistivity) {
    RunIpStage(run);
    if (data.dataKind == DataKind::kSip && !run.Cancelled()) RunSipStage(run);
  }
  if (run.Cancelled() && outcome.runStatus == RunStatus::kCompleted) {
    // Stopped between iterations: what was finished stays.
    outcome.runStatus = RunStatus::kCancelled;
    outcome.stopReason = StopReason::kCancelled;
    outcome.runMessage =
        StrFormat("The inversion was stopped after iteration %d.", outcome.lastIteration);
    if (with_file && !options.remove_results) {
      outcome.runMessage += StrFormat("\nThe results file %s holds iterations 0 to %d.",
                                      options.results_path.c_str(),
                                      outcome.lastIteration);
    }
    ShowProgressLine(run, outcome.runMessage.substr(0, outcome.runMessage.find('\n')));
  }
  if (with_file) {
    if (options.remove_results) {
      std::remove(options.results_path.c_str());
    } else {
      outcome.resultsFile = options.results_path;
    }
  }
}

}  // namespace

InversionOutcome RunInversion(const SoundingData& data,
                              const RunOptions& options,
                              RunObserver& observer,
                              const std::atomic<bool>* cancel) {
  InversionOutcome outcome;
  outcome.settings = options.settings;
  const int left_out = CountExcluded(data, options.excluded);
  if (left_out == 0) {
    RunOnData(data, options, outcome, observer, cancel);
    return outcome;
  }
  const int kept = data.pointCount - left_out;
  if (kept < kMinDataPoints) {
    const std::string message =
        StrFormat("Only %d data points are left in.\nAn inversion needs at least %d points.",
                  kept,
                  kMinDataPoints);
    observer.Warn(message, "Error Message");
    Fail(outcome, message);
    return outcome;
  }
  // The run sees only the points left in; the sounding itself stays whole.
  const auto left_in = std::make_unique<SoundingData>(WithoutExcluded(data, options.excluded));
  RunOnData(*left_in, options, outcome, observer, cancel);
  SpreadOverAllPoints(outcome,
                      options.excluded,
                      data.pointCount,
                      data.dataKind == DataKind::kSip ? data.frequencyCount : 0);
  return outcome;
}

bool RunCanStart(const SoundingData& data, const RunOptions& options) {
  const int n = data.pointCount - CountExcluded(data, options.excluded);
  if (data.pointCount < 1 || data.pointCount > kMaxPoints || n < kMinDataPoints) return false;
  const auto left_in = std::make_unique<SoundingData>(WithoutExcluded(data, options.excluded));
  auto outcome = std::make_unique<InversionOutcome>();
  UnattendedObserver quiet;
  InversionRun run(*left_in, options, *outcome, quiet, nullptr);
  std::string caption;
  return PrepareRun(run, &caption).empty();
}

}  // namespace layra
