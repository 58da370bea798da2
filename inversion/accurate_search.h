#ifndef LAYRA_INVERSION_ACCURATE_SEARCH_H_
#define LAYRA_INVERSION_ACCURATE_SEARCH_H_

// The searches behind the accurate engine's resistivity fits, run to their
// end before a run shows its iterations:
//
// SearchSmooth: the automatic (Occam) fit on the engine's grid of thin
// layers, from a half-space at the geometric mean of the data, until it
// holds its target misfit with the smoothest model or, where the target is
// out of reach, the smoothest model just above the least misfit it can
// reach. For data without errors (and EngineOptions::estimateErrors) the
// error is then estimated from the fit (inversion/noise_estimate.h) and the
// fit done again with it, until the estimate settles.
//
// SearchFewLayer: Levenberg-Marquardt from the user's model and from a
// handful of deterministic starts: the smooth model merged into as many
// layers, and the four of least misfit among the smooth model cut at every
// choice of interfaces from eight depths (without a smooth model: the
// user's model with its resistivities or thicknesses moved by a factor 3).
// A start that reaches an earlier one's end stops there. Fixed parameters
// keep their values and bounded ones their range in every start. The best
// result is kept.
//
// ChooseLayerCount: the best few-layer model of every layer count in a
// range, each from several starts, and the count of the least Bayesian
// information criterion for Gaussian errors of unknown scale,
// BIC = N ln(chi^2 / N) + k ln N (k = 2L - 1 parameters; Schwarz 1978, Ann.
// Statist. 6, 461-464), so that a bias of the error estimate does not favour
// more or fewer layers.

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "inversion/levenberg_marquardt.h"
#include "inversion/parameter_transform.h"
#include "state/fit_report.h"
#include "state/records.h"

namespace layra {

// The error level of the data without one, percent, as the smooth fit found
// or assumed it.
struct ErrorLevel {
  double percent = 0.0;
  bool estimated = false;
};

struct SmoothSearch {
  bool ok = false;                    // the start had a response
  std::vector<double> thickness;      // the grid's L - 1 thicknesses
  std::vector<Eigen::VectorXd> path;  // ln rho: the start, then each step
  double chi2 = 0.0;                  // of the last model (not divided by N)
  double target = 0.0;                // what the fit aimed at in the end
  std::optional<double> least;        // the least chi^2 reachable, when above target
  bool at_end = false;                // ended by its own rule, not the step limit
  double weight = 0.0;                // the last trade-off weight
  ErrorLevel error;
};

// `blocky`: the robust (blocky) roughness. The data errors follow `options`
// (estimated where it says so and the data carry none).
SmoothSearch SearchSmooth(const SoundingData& data, const EngineOptions& options, bool blocky);

// `options` with the error level of data without errors set to `error`.
EngineOptions WithErrorLevel(const EngineOptions& options, const ErrorLevel& error);

// True when some datum carries an error of its own.
bool HasOwnErrors(const SoundingData& data);

struct FewLayerSearch {
  bool ok = false;                         // some start had a response
  std::vector<ModelParameter> parameters;  // rho1..rhoL, h1..h(L-1) at the best result
  std::vector<Eigen::VectorXd> path;       // free variables: the user's start, then the best path
  double chi2 = 0.0;
  MinimiserState state = MinimiserState::kNoResponse;
  int starts = 0;
  int best_start = 0;  // 1-based; 1 is the user's model
  std::string best_name;
  double own_chi2 = 0.0;  // what the user's own start reached
};

// `parameters`: rho1..rhoL then h1..h(L-1) at the user's model, with the
// choices (fixed, bounded) already applied. `smooth` may be null (no
// segmentation start). The data errors follow `options` as they stand.
FewLayerSearch SearchFewLayer(const SoundingData& data,
                              const EngineOptions& options,
                              const std::vector<ModelParameter>& parameters,
                              const SmoothSearch* smooth);

// The resistivity stage of a run, searched to its end before the run shows
// it: the models it shows (free variables of the transform of `parameters`:
// the start first, then at most `iteration_limit` models along the path to
// the result, the result last) and how the fit ended.
struct ResistivityPlan {
  bool ok = false;                         // the start has a response
  std::vector<ModelParameter> parameters;  // at the start, with fixed, bounded and default bounds
  EngineOptions options;                   // with the error level the fit used
  std::vector<Eigen::VectorXd> path;
  double weight = 0.0;  // automatic runs: the last trade-off weight
  FitReport report;     // without the status of the iteration limit (see FinishFitReport)
};

// `parameters`: rho1..rhoL, h1..h(L-1) of the starting model with the
// user's choices applied (a run from a user model), or of the automatic
// model with the thicknesses fixed. `blocky`: the robust roughness of an
// automatic run.
ResistivityPlan PlanResistivityFit(const SoundingData& data,
                                   const EngineOptions& options,
                                   std::vector<ModelParameter> parameters,
                                   bool user_model,
                                   bool blocky,
                                   int iteration_limit);

// Completes the plan's report once the run has shown `shown` of its path's
// models after the start (fewer than planned when the iteration limit cut
// the run short), with the values the run ended at.
void FinishFitReport(const ResistivityPlan& plan,
                     int shown,
                     const std::vector<ModelParameter>& final_parameters,
                     double chi2_per_datum,
                     FitReport* report);

// The listing's lines of a report: the data error, the starts, the
// parameters at a bound and how the fit ended.
std::vector<std::string> FitReportLines(const FitReport& report);

struct LayerCountRow {
  int layers = 0;
  double chi2 = 0.0;       // not divided by N
  double criterion = 0.0;  // BIC
  bool at_minimum = false;
  std::vector<double> resistivity;
  std::vector<double> thickness;
};

struct LayerCountChoice {
  std::vector<LayerCountRow> rows;  // fewest layers first
  int chosen = 0;                   // index into rows
  ErrorLevel error;
  int data_count = 0;
};

// Fits `fewest`..`most` layers (2 <= fewest <= most <= kMaxForwardLayers)
// with default bounds; false with a message when the data have no response.
bool ChooseLayerCount(const SoundingData& data,
                      const EngineOptions& options,
                      int fewest,
                      int most,
                      LayerCountChoice* choice,
                      std::string* message);

// The chosen count's model, as a starting model for a run from a user model
// (the desktop's user-model dialog is filled with it).
LayeredModel ChosenModel(const LayerCountChoice& choice);

// The listing's table of the layer counts: chi^2 / N, BIC, the chosen one
// marked, and the rule.
std::string LayerCountTable(const LayerCountChoice& choice);

}  // namespace layra

#endif  // LAYRA_INVERSION_ACCURATE_SEARCH_H_
