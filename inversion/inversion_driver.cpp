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

const char kCannotCreate[] =
    "Cannot create this file. Either you\n"
    "have used an invalid file name, or\nthe disk drive is not available.\n";

// The data file name without its extension: cut at the last "." of the file
// name itself (a "." in a directory name is not an extension).
std::string BaseName(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t separator = path.find_last_of("/\\");
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return path;
  return path.substr(0, dot);
}

std::string DirectoryOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

class ResistivityStage {
 public:
  explicit ResistivityStage(InversionRun& run)
      : run_(run),
        engine_(*run.engine),
        state_(run.state),
        model_(run.state.model),
        data_(run.state.data),
        n_(run.data_count),
        layers_(run.layer_count) {}

  // Runs the stage; returns false when the run must end (the reason is in
  // the outcome).
  bool Run();

 private:
  bool WriteBlock();
  void ShowIteration();
  void Fail(const std::string& message) {
    state_.outcome.runStatus = RunStatus::kFailed;
    state_.outcome.runMessage = message;
  }

  InversionRun& run_;
  InversionEngine& engine_;
  ProgramState& state_;
  LayeredModel& model_;
  const SoundingData& data_;
  const int n_;
  const int layers_;
  // Resistivity data alone, or with the IP panel for IP and SIP data (the
  // spectra have no calculated values before the SIP stage).
  const PlotKind plot_kind_ =
      data_.dataKind == DataKind::kResistivity ? PlotKind::kResistivity : PlotKind::kIp;
};

bool ResistivityStage::WriteBlock() {
  // A run of the accurate engine from a user model holds the parameters it
  // was told to fix, and its results file says so.
  const int fixed =
      state_.someParametersFixed != 0 ||
      (run_.user_model && engine_.kind() == EngineKind::kAccurate && !state_.engine.fixed.empty());
  const bool written = AppendResults(fixed,
                                     data_.dataKind,
                                     data_.errorsIncluded,
                                     run_.user_model,
                                     data_.arrayType,
                                     state_.resultsFileName,
                                     run_.iteration,
                                     layers_,
                                     n_,
                                     model_.thickness.data(),
                                     model_.resistivity.data(),
                                     state_.outcome.calculatedResistivity.data(),
                                     data_.apparentResistivity.data(),
                                     data_.resistivityError.data(),
                                     data_.spacingA.data(),
                                     data_.spacingB.data(),
                                     run_.misfit,
                                     data_.title,
                                     state_.settings,
                                     &run_.results_stream);
  if (written) return true;
  const std::string message =
      StrFormat("Cannot write to the results file\n%s.\nThe inversion has been stopped.",
                state_.resultsFileName.c_str());
  run_.host.Warn(message, "Error Message");
  Fail(message);
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
    run_.host.Warn(message, "Error Message");
    Fail(message);
    return false;
  }
  outcome.misfits[0] = run_.misfit;
  outcome.lastIteration = 0;
  outcome.finalMisfit = run_.misfit;
  if (!WriteBlock()) return false;
  ShowIteration();
  DrawRunPlot(run_, plot_kind_);

  settings.iterationLimit = std::min(std::max(settings.iterationLimit, 0), kMaxRunIterations);
  while (run_.iteration < settings.iterationLimit && engine_.Unconverged(run_)) {
    const float previous = run_.misfit;
    const StepResult step = engine_.StepResistivity(run_);
    if (step == StepResult::kFailed) return false;
    if (step == StepResult::kFinished) break;
    if (step == StepResult::kNoStep) {
      const std::string message = StrFormat(
          "The least-squares matrix is not positive definite.\n"
          "The inversion stops after iteration %d.",
          run_.iteration);
      run_.host.Warn(message, "Error Message");
      break;
    }

    ++run_.iteration;
    outcome.misfits[run_.iteration] = run_.misfit;
    outcome.lastIteration = run_.iteration;
    outcome.finalMisfit = run_.misfit;
    ShowIteration();
    if (!WriteBlock()) return false;
    DrawRunPlot(run_, plot_kind_);

    if (engine_.EndsAfter(run_, run_.misfit < previous)) break;

    if (engine_.Converged(run_)) {
      if (!run_.silent && engine_.AsksConvergenceLimit()) {
        run_.host.AskConvergenceLimit(settings);
      }
      if (engine_.Converged(run_)) break;
    }
    if (run_.iteration >= settings.iterationLimit) {
      if (run_.silent) break;
      run_.host.AskAdditionalIterations(settings);
      if (settings.additionalIterations < 1) break;
      settings.iterationLimit =
          std::min(settings.iterationLimit + settings.additionalIterations, kMaxRunIterations);
      DrawRunPlot(run_, plot_kind_);
    }
  }
  outcome.lastIteration = run_.iteration;
  outcome.finalMisfit = run_.misfit;
  engine_.EndResistivity(run_);
  DrawRunPlot(run_, plot_kind_);
  return true;
}

// Names and creates the results file; false when the run must end.
bool PrepareResultsFile(InversionRun& run) {
  ProgramState& state = run.state;
  const std::string base = BaseName(state.data.dataFileName);
  if (run.silent) {
    const std::string path = base + ".INx";
    std::string reason;
    if (IsSameFile(path, state.data.dataFileName) || !run.results_stream.Open(path, &reason)) {
      const std::string message =
          std::string(kCannotCreate) +
          "This data set will not be processed.\nPlease check this data file";
      run.host.Warn(message, "Name Error Message");
      state.outcome.runStatus = RunStatus::kFailed;
      state.outcome.runMessage = message;
      return false;
    }
    state.resultsFileName = path;
    return true;
  }
  std::string path = base + ".INV";
  std::string reason;
  while (true) {
    if (!run.host.ChooseSaveFile(path, "File Name for Inversion Results")) {
      state.outcome.runStatus = RunStatus::kCancelled;
      state.outcome.runMessage = "No results file was chosen.";
      return false;
    }
    // The data file is an input of the run: writing the results over it
    // would destroy the data.
    const bool data_file = IsSameFile(path, state.data.dataFileName);
    if (data_file) {
      reason = "it is the data file " + state.data.dataFileName + " of this run";
    } else if (run.results_stream.Open(path, &reason)) {
      break;
    }
    const std::string question =
        (data_file
             ? StrFormat("The results file\n%s\nis the data file of this run.\n", path.c_str())
             : std::string(kCannotCreate)) +
        "Do you want to try again with a different name?";
    if (run.host.ShowMessage(
            question, "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo) !=
        MessageAnswer::kYes) {
      state.outcome.runStatus = RunStatus::kFailed;
      state.outcome.runMessage = "Cannot create the results file " + path + ": " + reason;
      return false;
    }
  }
  state.resultsDirectory = DirectoryOf(path);
  state.resultsFileName = path;
  return true;
}

}  // namespace

void ShowProgressLine(InversionRun& run, const std::string& text) {
  run.canvas.DrawText(8, run.text_y, text);
  run.text_y += run.state.textLineHeight;
}

void DrawRunPlot(InversionRun& run, PlotKind kind, const ColeColePanels* panels) {
  const RunPlots wanted = run.canvas.WantsRunPlots();
  if (wanted == RunPlots::kNone) return;  // nobody sees it: not worth the work
  const ProgramState& state = run.state;
  const SoundingData& data = state.data;
  const LayeredModel& model = state.model;
  const int n = run.data_count;
  const int layers = run.layer_count;
  PlotInput input;
  input.plotKind = kind;
  input.compact = 0;
  input.iteration = run.iteration;
  input.nData = n;
  input.nLayers = layers;
  input.observedRho = data.apparentResistivity.data();
  input.calculatedRho = state.outcome.calculatedResistivity.data();
  input.spacing = data.spacingA.data();
  input.layerRho = model.resistivity.data();
  input.thickness = model.thickness.data();
  input.title = data.title;
  input.misfit = run.misfit;
  input.dataConstraint = state.settings.dataConstraint;
  if (run.engine->kind() == EngineKind::kAccurate) {
    input.engineLabel = StrFormat("Accurate, chi2/N %.2f", state.outcome.chi2);
  }
  // IP panels in thousandths (mV/V).
  std::vector<float> observed_ip(n), calculated_ip(n), layer_ip(layers);
  if (kind != PlotKind::kResistivity) {
    for (int i = 0; i < n; ++i) {
      observed_ip[i] = 1000.0f * run.observed_ip[i];
      calculated_ip[i] = 1000.0f * state.outcome.calculatedIp[i];
    }
    for (int j = 0; j < layers; ++j) layer_ip[j] = 1000.0f * model.chargeability[j];
    input.observedIP = observed_ip.data();
    input.calculatedIP = calculated_ip.data();
    input.layerIP = layer_ip.data();
    input.misfitIP = 1000.0f * run.ip_misfit;
  }
  if (panels != nullptr) {
    input.nFreq = data.frequencyCount;
    input.observedAmp = panels->observed_amplitude;
    input.observedPhase = panels->observed_phase;
    input.calculatedAmp = panels->calculated_amplitude;
    input.calculatedPhase = panels->calculated_phase;
    input.layerTau = model.timeConstant.data();
    input.layerC = model.exponent.data();
    input.observedTau = panels->observed_tau;
    input.observedC = panels->observed_c;
    input.calculatedTau = panels->calculated_tau;
    input.calculatedC = panels->calculated_c;
  }
  if (wanted == RunPlots::kLast) {
    run.last_plot = std::make_unique<PlotSnapshot>(input);
    return;
  }
  PlotSounding(input, run.canvas);
  run.canvas.Present();
}

void DrawLastRunPlot(InversionRun& run) {
  if (run.last_plot == nullptr) return;
  PlotSounding(run.last_plot->input(), run.canvas);
  run.canvas.Present();
  run.last_plot.reset();
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
  for (size_t at = 0, end; at <= warning.size(); at = end + 1) {
    end = warning.find('\n', at);
    if (end == std::string::npos) end = warning.size();
    ShowProgressLine(run, warning.substr(at, end - at));
  }
  run.host.Warn(warning, "Warning");
}

}  // namespace

double NextDampingFactor(double lambda, int improved, double minimum) {
  const double next = improved ? lambda * 0.55 : lambda * 2.0;
  return next < minimum ? minimum : next;
}

namespace {

void RunOnData(ProgramState& state, int user_model, int silent, Canvas& canvas, Host& host) {
  InversionOutcome& outcome = state.outcome;
  outcome.runStatus = RunStatus::kCompleted;
  outcome.runMessage.clear();
  outcome.lastIteration = 0;
  outcome.finalMisfit = 0.0f;
  outcome.finalIpMisfit = 0.0f;
  outcome.chi2 = 0.0;
  outcome.regularisation = 0.0;
  std::fill(outcome.misfits.begin(), outcome.misfits.end(), 0.0f);
  std::fill(outcome.calculatedIp.begin(), outcome.calculatedIp.end(), 0.0f);
  outcome.warnings.clear();
  outcome.fit = FitReport{};

  const int n = state.data.pointCount;
  if (n < 1 || n > kMaxPoints) {
    const std::string message = "You must first read in a data file.";
    host.Warn(message, "Error Message");
    outcome.runStatus = RunStatus::kFailed;
    outcome.runMessage = message;
    return;
  }

  InversionRun run(state, canvas, host);
  // However the run ends, a canvas that wants the last plot only gets it now.
  struct LastPlot {
    InversionRun& run;
    ~LastPlot() { DrawLastRunPlot(run); }
  } last_plot{run};
  run.user_model = user_model ? 1 : 0;
  run.silent = silent ? 1 : 0;
  run.data_count = n;
  run.engine = MakeEngine(state.engine.engine);

  LayeredModel& model = state.model;
  if (run.user_model) {
    run.layer_count = model.layerCount;
  } else {
    run.layer_count = run.engine->BuildAutomaticModel(run);
    const float mean = model.resistivity[0];
    std::fill(
        outcome.calculatedResistivity.begin(), outcome.calculatedResistivity.begin() + n, mean);
  }
  run.parameter_count = ParameterCount(run.user_model, run.layer_count);
  run.observed_ip = run.engine->ObservedIpFractions(state.data);

  // The checks on the model come before the results file is chosen, so a
  // refused run touches no file; the refusal is shown after the progress
  // lines, as the run shows them.
  std::string refusal;
  std::string refusal_caption = "Message";
  const int max_layers = run.engine->MaxRunLayers();
  if (run.layer_count < kMinRunLayers || run.layer_count > max_layers) {
    refusal = StrFormat(
        "You model has %d layers.\nThe model must have at least 2 layers\n"
        "and not model that %d layers.",
        run.layer_count,
        max_layers);
  } else if (run.user_model) {
    // A model from a file or a dialog is used unchecked elsewhere; values that
    // are not positive numbers have no response and would poison every step.
    for (int j = 0; j < run.layer_count && refusal.empty(); ++j) {
      const bool rho_ok = std::isfinite(model.resistivity[j]) && model.resistivity[j] > 0.0f;
      const bool h_ok = j == run.layer_count - 1 ||
                        (std::isfinite(model.thickness[j]) && model.thickness[j] > 0.0f);
      if (!rho_ok || !h_ok) {
        refusal = StrFormat(
            "There was an error in the input model.\nLayer %d has a resistivity or a thickness\n"
            "that is not a positive number.",
            j + 1);
        refusal_caption = "Error Message";
      }
    }
  }
  if (refusal.empty() && !run.engine->CheckChoices(run, &refusal))
    refusal_caption = "Error Message";
  // The file is first written (and an earlier file replaced) by block 0, once
  // the starting model has a response.
  const bool file_chosen = refusal.empty() && PrepareResultsFile(run);
  if (refusal.empty() && !file_chosen) return;

  ShowProgressLine(run, StrFormat("Number of data points is %d.", n));
  ShowProgressLine(run, StrFormat("Number of model parameters is %d.", run.parameter_count));
  ShowProgressLine(run, StrFormat("Number of model layers is %d.", run.layer_count));
  if (run.engine->kind() != EngineKind::kDocumented) {
    ShowProgressLine(run, StrFormat("Inversion engine: %s.", EngineName(run.engine->kind())));
  }

  bool go_on = refusal.empty();
  if (!go_on) {
    host.Warn(refusal, refusal_caption);
    outcome.runStatus = RunStatus::kFailed;
    outcome.runMessage = refusal;
  }
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
  if (go_on && state.data.dataKind != DataKind::kResistivity) {
    RunIpStage(run);
    if (state.data.dataKind == DataKind::kSip) RunSipStage(run);
  }
  if (run.silent && file_chosen) std::remove(state.resultsFileName.c_str());
}

}  // namespace

void RunInversion(ProgramState& state, int user_model, int silent, Canvas& canvas, Host& host) {
  const int left_out = CountExcluded(state.data, state.excludedPoints);
  if (left_out == 0) {
    RunOnData(state, user_model, silent, canvas, host);
    return;
  }
  const int kept = state.data.pointCount - left_out;
  if (kept < kMinDataPoints) {
    const std::string message =
        StrFormat("Only %d data points are left in.\nAn inversion needs at least %d points.",
                  kept,
                  kMinDataPoints);
    host.Warn(message, "Error Message");
    state.outcome.runStatus = RunStatus::kFailed;
    state.outcome.runMessage = message;
    return;
  }
  // The run sees only the points left in; the sounding itself stays whole.
  SoundingData whole = state.data;
  state.data = WithoutExcluded(whole, state.excludedPoints);
  RunOnData(state, user_model, silent, canvas, host);
  state.data = std::move(whole);
  SpreadOverAllPoints(state.outcome,
                      state.excludedPoints,
                      state.data.pointCount,
                      state.data.dataKind == DataKind::kSip ? state.data.frequencyCount : 0);
}

}  // namespace layra
