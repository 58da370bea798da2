#include "inversion/inversion_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fileio/results_file.h"
#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "graphics/sounding_plot.h"
#include "inversion/inversion_run.h"
#include "inversion/least_squares.h"
#include "inversion/sensitivities.h"
#include "inversion/starting_model.h"
#include "state/text_format.h"

namespace layra {

namespace {

constexpr int kMinRunLayers = 2;
constexpr int kMaxRunLayers = 30;
// A failed factorisation doubles the damping and tries again this often
// before the stage gives up.
constexpr int kFactorRetries = 8;

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

bool CreateEmptyFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wt");
  if (file == nullptr) return false;
  return std::fclose(file) == 0;
}

bool AllFinitePositive(const float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(values[i]) || !(values[i] > 0.0f)) return false;
  }
  return true;
}

// IP values as fractions: a set holding any magnitude of 1 or more is in
// thousandths (mV/V, msec) and is scaled by 0.001 as a whole.
std::vector<float> ObservedIpFractions(const SoundingData& data) {
  std::vector<float> values(data.ipValue.begin(), data.ipValue.begin() + data.pointCount);
  bool thousandths = false;
  for (float v : values) thousandths = thousandths || std::fabs(v) >= 1.0f;
  if (thousandths) {
    for (float& v : values) v *= 0.001f;
  }
  return values;
}

class ResistivityStage {
 public:
  explicit ResistivityStage(InversionRun& run)
      : run_(run),
        state_(run.state),
        model_(run.state.model),
        data_(run.state.data),
        n_(run.data_count),
        layers_(run.layer_count),
        parameters_(run.parameter_count),
        jacobian_(static_cast<size_t>(n_) * parameters_),
        residuals_(n_),
        normal_(static_cast<size_t>(parameters_) * parameters_),
        rhs_(parameters_),
        step_(parameters_),
        saved_resistivity_(layers_),
        saved_thickness_(layers_) {}

  // Runs the stage; returns false when the run must end (the reason is in
  // the outcome).
  bool Run();

 private:
  // Response, log sensitivities and misfit of the working model.
  void Evaluate();
  // Forms, damps and factors the normal equations and solves for step_.
  // A matrix that cannot be factored doubles lambda and is formed again; false
  // when even that fails.
  bool SolveStep();
  // Working model = saved model with the step scaled by `scale`; false when a
  // value would not be a finite number.
  bool ApplyStep(float scale);
  void RestoreSaved();
  bool WriteBlock();
  void Fail(const std::string& message) {
    state_.outcome.runStatus = RunStatus::kFailed;
    state_.outcome.runMessage = message;
  }

  InversionRun& run_;
  ProgramState& state_;
  LayeredModel& model_;
  const SoundingData& data_;
  const int n_;
  const int layers_;
  const int parameters_;
  std::vector<float> jacobian_;
  std::vector<float> residuals_;
  std::vector<double> normal_;
  std::vector<float> rhs_;
  std::vector<float> step_;
  std::vector<float> saved_resistivity_;
  std::vector<float> saved_thickness_;
  double lambda_ = 0.0;
  // Resistivity data alone, or with the IP panel for IP and SIP data (the
  // spectra have no calculated values before the SIP stage).
  const PlotKind plot_kind_ =
      data_.dataKind == DataKind::kResistivity ? PlotKind::kResistivity : PlotKind::kIp;
};

void ResistivityStage::Evaluate() {
  float* calculated = state_.outcome.calculatedResistivity.data();
  ComputeResponseAndSensitivities(run_.user_model,
                                  run_.filter,
                                  data_.spacingA.data(),
                                  model_.thickness.data(),
                                  model_.resistivity.data(),
                                  layers_,
                                  calculated,
                                  n_,
                                  jacobian_.data());
  ToLogSensitivities(model_.resistivity.data(),
                     model_.thickness.data(),
                     calculated,
                     jacobian_.data(),
                     n_,
                     layers_,
                     run_.user_model,
                     jacobian_.data());
  float misfit = ComputeMisfit(state_.settings.dataConstraint,
                               residuals_.data(),
                               data_.apparentResistivity.data(),
                               calculated,
                               n_,
                               nullptr);
  // A response that is not a finite positive number anywhere makes the model
  // unusable; its misfit compares as worse than any other.
  if (!AllFinitePositive(calculated, n_) || !std::isfinite(misfit)) misfit = INFINITY;
  run_.misfit = misfit;
}

bool ResistivityStage::SolveStep() {
  const InversionSettings& settings = state_.settings;
  for (int attempt = 0; attempt <= kFactorRetries; ++attempt) {
    if (attempt > 0) lambda_ *= 2.0;
    BuildNormalEquations(jacobian_.data(),
                         residuals_.data(),
                         n_,
                         parameters_,
                         settings.dataConstraint != 0 && run_.iteration >= 1,
                         settings.dataCutoff,
                         normal_.data(),
                         rhs_.data());
    if (run_.user_model) {
      AddDiagonalDamping(normal_.data(), parameters_, lambda_);
    } else {
      AddRoughnessDamping(normal_.data(), run_.roughness.data(), parameters_, lambda_);
    }
    if (CholeskyFactor(normal_.data(), parameters_, run_.host) == 0) {
      CholeskySolve(step_.data(), parameters_, rhs_.data(), normal_.data());
      for (float dp : step_) {
        if (!std::isfinite(dp)) return false;
      }
      return true;
    }
  }
  return false;
}

bool ResistivityStage::ApplyStep(float scale) {
  bool finite = true;
  for (int k = 0; k < layers_; ++k) {
    const float value = saved_resistivity_[k] * std::exp(step_[k] * scale);
    finite = finite && std::isfinite(value);
    model_.resistivity[k] = value;
  }
  if (run_.user_model) {
    for (int k = 0; k < layers_ - 1; ++k) {
      const float value = saved_thickness_[k] * std::exp(step_[layers_ + k] * scale);
      finite = finite && std::isfinite(value);
      model_.thickness[k] = value;
    }
  }
  if (!finite) RestoreSaved();
  return finite;
}

void ResistivityStage::RestoreSaved() {
  std::copy(saved_resistivity_.begin(), saved_resistivity_.end(), model_.resistivity.begin());
  std::copy(saved_thickness_.begin(), saved_thickness_.end(), model_.thickness.begin());
}

bool ResistivityStage::WriteBlock() {
  const bool written = AppendResults(state_.someParametersFixed,
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
                                     state_.settings);
  if (written) return true;
  const std::string message =
      StrFormat("Cannot write to the results file\n%s.\nThe inversion has been stopped.",
                state_.resultsFileName.c_str());
  run_.host.Warn(message, "Error Message");
  Fail(message);
  return false;
}

bool ResistivityStage::Run() {
  InversionSettings& settings = state_.settings;
  InversionOutcome& outcome = state_.outcome;
  // This stage always fits with the standard data constraint and reports the
  // root-mean-square misfit.
  settings.dataConstraint = 0;
  lambda_ = settings.initialDampingFactor;
  if (!run_.user_model) {
    run_.roughness.assign(static_cast<size_t>(layers_) * layers_, 0.0);
    BuildRoughness(0,
                   model_.resistivity.data(),
                   0,
                   settings.modelCutoff,
                   run_.roughness.data(),
                   layers_,
                   kFirstDifference);
  }
  run_.iteration = 0;
  Evaluate();
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
  ShowProgressLine(run_, StrFormat("Iteration %2d  RMS error %8.2f", 0, 100.0 * run_.misfit));
  DrawRunPlot(run_, plot_kind_);

  int non_improving = 0;
  settings.iterationLimit = std::min(std::max(settings.iterationLimit, 0), kMaxRunIterations);
  while (run_.iteration < settings.iterationLimit && run_.misfit > settings.convergenceLimit) {
    const float previous = run_.misfit;
    std::copy(model_.resistivity.begin(),
              model_.resistivity.begin() + layers_,
              saved_resistivity_.begin());
    std::copy(
        model_.thickness.begin(), model_.thickness.begin() + layers_, saved_thickness_.begin());
    if (!run_.user_model && settings.modelConstraint != 0 && run_.iteration >= 1) {
      BuildRoughness(0,
                     model_.resistivity.data(),
                     1,
                     settings.modelCutoff,
                     run_.roughness.data(),
                     layers_,
                     kFirstDifference);
    }
    if (!SolveStep()) {
      const std::string message = StrFormat(
          "The least-squares matrix is not positive definite.\n"
          "The inversion stops after iteration %d.",
          run_.iteration);
      run_.host.Warn(message, "Error Message");
      break;
    }
    bool usable = ApplyStep(1.0f);
    if (usable) {
      for (int k = 0; k < layers_; ++k) {
        if (!(model_.resistivity[k] > 0.0f)) {
          run_.host.Beep();
          const std::string message = StrFormat("Negative resistivity for layer %3d", k + 1);
          run_.host.Warn(message, "Error Message");
          RestoreSaved();
          Evaluate();
          Fail(message);
          return false;
        }
      }
      Evaluate();
    }
    // A step that worsens the fit, or would leave numbers that are not
    // finite, is retried at a third and then a tenth of its length.
    for (const float scale : {0.33f, 0.1f}) {
      if (usable && !(run_.misfit > previous)) break;
      run_.host.Beep();
      usable = ApplyStep(scale) && AllFinitePositive(model_.resistivity.data(), layers_);
      if (usable) Evaluate();
    }
    if (!usable || !std::isfinite(run_.misfit)) {
      // Not even the shortest step gives a usable model: keep the previous one.
      RestoreSaved();
      Evaluate();
    }

    ++run_.iteration;
    outcome.misfits[run_.iteration] = run_.misfit;
    outcome.lastIteration = run_.iteration;
    outcome.finalMisfit = run_.misfit;
    ShowProgressLine(
        run_, StrFormat("Iteration %2d  RMS error %8.2f", run_.iteration, 100.0 * run_.misfit));
    if (!WriteBlock()) return false;
    DrawRunPlot(run_, plot_kind_);

    const int improved = run_.misfit < previous;
    lambda_ = NextDampingFactor(lambda_, improved, settings.minimumDampingFactor);
    if (!improved && ++non_improving > 1) break;

    if (run_.misfit < settings.convergenceLimit) {
      if (!run_.silent) run_.host.AskConvergenceLimit(settings);
      if (run_.misfit < settings.convergenceLimit) break;
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
  DrawRunPlot(run_, plot_kind_);
  return true;
}

// Names and creates the results file; false when the run must end.
bool PrepareResultsFile(InversionRun& run) {
  ProgramState& state = run.state;
  const std::string base = BaseName(state.data.dataFileName);
  if (run.silent) {
    const std::string path = base + ".INx";
    if (!CreateEmptyFile(path)) {
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
  while (true) {
    if (!run.host.ChooseSaveFile(path, "File Name for Inversion Results")) {
      state.outcome.runStatus = RunStatus::kCancelled;
      state.outcome.runMessage = "No results file was chosen.";
      return false;
    }
    if (CreateEmptyFile(path)) break;
    const std::string question =
        std::string(kCannotCreate) + "Do you want to try again with a different name?";
    if (run.host.ShowMessage(
            question, "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo) !=
        MessageAnswer::kYes) {
      state.outcome.runStatus = RunStatus::kFailed;
      state.outcome.runMessage = std::string(kCannotCreate) + path;
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
  PlotSounding(input, run.canvas);
  run.canvas.Present();
}

namespace {

// Filter values the guard replaces in the response of the current model, on
// the grid from the smallest to the largest spacing as the run computes it.
int GuardedFilterValues(const InversionRun& run) {
  const LayeredModel& model = run.state.model;
  const SoundingData& data = run.state.data;
  const auto range =
      std::minmax_element(data.spacingA.begin(), data.spacingA.begin() + data.pointCount);
  const float ends[2] = {*range.first, *range.second};
  float response[2];
  return ComputeApparentResistivity(run.filter.ratio,
                                    run.filter.shift,
                                    ends,
                                    run.filter.length,
                                    run.filter.coefficients.data(),
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

void RunInversion(ProgramState& state, int user_model, int silent, Canvas& canvas, Host& host) {
  InversionOutcome& outcome = state.outcome;
  outcome.runStatus = RunStatus::kCompleted;
  outcome.runMessage.clear();
  outcome.lastIteration = 0;
  outcome.finalMisfit = 0.0f;
  outcome.finalIpMisfit = 0.0f;
  std::fill(outcome.misfits.begin(), outcome.misfits.end(), 0.0f);
  std::fill(outcome.calculatedIp.begin(), outcome.calculatedIp.end(), 0.0f);
  outcome.warnings.clear();

  const int n = state.data.pointCount;
  if (n < 1 || n > kMaxPoints) {
    const std::string message = "You must first read in a data file.";
    host.Warn(message, "Error Message");
    outcome.runStatus = RunStatus::kFailed;
    outcome.runMessage = message;
    return;
  }

  InversionRun run(state, canvas, host);
  run.user_model = user_model ? 1 : 0;
  run.silent = silent ? 1 : 0;
  run.data_count = n;
  if (!PrepareResultsFile(run)) return;

  LayeredModel& model = state.model;
  if (run.user_model) {
    run.layer_count = model.layerCount;
  } else {
    run.layer_count = BuildStartingModel(state.data.spacingA.data(),
                                         state.data.apparentResistivity.data(),
                                         n,
                                         state.thicknessFactor,
                                         model);
    const float mean = model.resistivity[0];
    std::fill(
        outcome.calculatedResistivity.begin(), outcome.calculatedResistivity.begin() + n, mean);
  }
  run.parameter_count = ParameterCount(run.user_model, run.layer_count);
  run.filter = SelectFilter(state.data.arrayType);
  run.observed_ip = ObservedIpFractions(state.data);

  ShowProgressLine(run, StrFormat("Number of data points is %d.", n));
  ShowProgressLine(run, StrFormat("Number of model parameters is %d.", run.parameter_count));
  ShowProgressLine(run, StrFormat("Number of model layers is %d.", run.layer_count));

  bool go_on = true;
  if (run.layer_count < kMinRunLayers || run.layer_count > kMaxRunLayers) {
    const std::string message = StrFormat(
        "You model has %d layers.\nThe model must have at least 2 layers\n"
        "and not model that 30 layers.",
        run.layer_count);
    host.Warn(message, "Message");
    outcome.runStatus = RunStatus::kFailed;
    outcome.runMessage = message;
    go_on = false;
  }
  if (go_on && run.user_model) {
    // A model from a file or a dialog is used unchecked elsewhere; values that
    // are not positive numbers have no response and would poison every step.
    for (int j = 0; j < run.layer_count && go_on; ++j) {
      const bool rho_ok = std::isfinite(model.resistivity[j]) && model.resistivity[j] > 0.0f;
      const bool h_ok = j == run.layer_count - 1 ||
                        (std::isfinite(model.thickness[j]) && model.thickness[j] > 0.0f);
      if (!rho_ok || !h_ok) {
        const std::string message = StrFormat(
            "There was an error in the input model.\nLayer %d has a resistivity or a thickness\n"
            "that is not a positive number.",
            j + 1);
        host.Warn(message, "Error Message");
        outcome.runStatus = RunStatus::kFailed;
        outcome.runMessage = message;
        go_on = false;
      }
    }
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
    for (int j = 1; j < run.layer_count; ++j) {
      model.depthTop[j] = model.depthTop[j - 1] + model.thickness[j - 1];
    }
    WarnOfFilterGuard(run, std::max(guarded_start, GuardedFilterValues(run)));
  }
  if (go_on && state.data.dataKind != DataKind::kResistivity) {
    RunIpStage(run);
    if (state.data.dataKind == DataKind::kSip) RunSipStage(run);
  }
  if (run.silent) std::remove(state.resultsFileName.c_str());
}

}  // namespace layra
