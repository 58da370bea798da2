#include "inversion/accurate_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "inversion/accurate_fit.h"
#include "inversion/data_errors.h"
#include "inversion/default_bounds.h"
#include "inversion/model_segmentation.h"
#include "inversion/noise_estimate.h"
#include "inversion/resistivity_problem.h"
#include "state/text_format.h"

namespace layra {

namespace {

// Steps of one smooth fit; it normally ends in 5 to 15. Where the error is
// to be estimated, the first fit (with the assumed error) only brings the
// model near the data for the cross-validation: it stops at chi^2 / N of
// kFirstFitMisfit.
constexpr int kSmoothSteps = 40;
constexpr double kFirstFitMisfit = 2.0;
// Differences of log-resistivity below this count as flat in the robust
// (blocky) roughness.
constexpr double kBlockyCutoff = 0.01;
// Cross-validation steps until the weight moves by less than this fraction
// (of its logarithm's unit), at most kEstimatePasses of them.
constexpr double kEstimateSettled = 0.1;
constexpr int kEstimatePasses = 8;
// Levenberg-Marquardt of the few-layer starts: each start first gets
// kStartSteps steps, the best of them then up to kFewLayerSteps in all.
constexpr int kStartSteps = 40;
constexpr int kFewLayerSteps = 200;
constexpr double kStartDamping = 0.01;
// The starts are compared at a looser end;
// the best then goes on to the minimiser's own.
constexpr double kStartGradient = 1e-3;
// The factor by which starts move the user's resistivities or thicknesses.
constexpr double kStartFactor = 3.0;
// Free variables (log-resistivity and log-thickness, or their bounded
// transforms) closer than this to an earlier start's end put a start in the
// same valley.
constexpr double kSameValley = 0.02;
// Screened starts: candidate interface depths, and how many are kept.
constexpr int kScreenDepths = 8;
constexpr int kScreenKept = 4;

std::vector<double> Values(const ParameterTransform& transform, const Eigen::VectorXd& x) {
  ParameterTransform copy = transform;
  copy.FromFree(std::vector<double>(x.data(), x.data() + x.size()), nullptr);
  return copy.Values();
}

Eigen::VectorXd ToFree(const std::vector<ModelParameter>& parameters) {
  const std::vector<double> x = ParameterTransform(parameters).ToFree();
  return Eigen::Map<const Eigen::VectorXd>(x.data(), static_cast<Eigen::Index>(x.size()));
}

// The smooth fit's model as a layered model (for segmentation).
LayeredModel SmoothModel(const SmoothSearch& smooth) {
  LayeredModel model;
  const Eigen::VectorXd& x = smooth.path.back();
  model.layerCount = static_cast<int>(x.size());
  double depth = 0.0;
  for (int j = 0; j < model.layerCount; ++j) {
    model.resistivity[j] = static_cast<float>(std::exp(x(j)));
    model.depthTop[j] = static_cast<float>(depth);
    if (j + 1 < model.layerCount) {
      model.thickness[j] = static_cast<float>(smooth.thickness[j]);
      depth += smooth.thickness[j];
    }
  }
  return model;
}

struct Start {
  std::string name;
  std::vector<double> values;  // rho1..rhoL, h1..h(L-1)
};

// Starts that move `base`'s resistivities (x3 and /3 alternately, either
// way round) or its thicknesses (all x3, all /3).
void AppendPerturbations(const std::vector<double>& base, int layers, std::vector<Start>* starts) {
  for (int pattern = 0; pattern < 2; ++pattern) {
    Start s{pattern == 0 ? "resistivities x3 and /3 alternately"
                         : "resistivities /3 and x3 alternately",
            base};
    for (int j = 0; j < layers; ++j)
      s.values[j] *= (j + pattern) % 2 == 0 ? kStartFactor : 1.0 / kStartFactor;
    starts->push_back(s);
  }
  if (layers > 1) {
    for (const double factor : {kStartFactor, 1.0 / kStartFactor}) {
      Start s{factor > 1.0 ? "thicknesses x3" : "thicknesses /3", base};
      for (int j = 0; j + 1 < layers; ++j) s.values[layers + j] *= factor;
      starts->push_back(s);
    }
  }
}

// One Occam fit from x on `problem` until it ends or the step limit; each
// model taken is appended to `path`.
struct OccamResult {
  Eigen::VectorXd x;
  double chi2 = 0.0;
  double target = 0.0;
  std::optional<double> least;
  double weight = 0.0;
  bool at_end = false;
  bool ok = false;
};

OccamResult RunOccam(WeightedProblem& problem,
                     const Eigen::VectorXd& start,
                     double target,
                     bool blocky,
                     int max_steps,
                     double good_enough,
                     std::vector<Eigen::VectorXd>* path) {
  OccamResult result;
  OccamFit fit(problem, start, target, blocky, kBlockyCutoff, static_cast<int>(start.size()));
  if (!fit.Start()) return result;
  result.ok = true;
  int steps = 0;
  while (!fit.converged() && steps < max_steps && !(fit.chi2() <= good_enough)) {
    if (!fit.Step()) break;
    ++steps;
    path->push_back(fit.x());
  }
  result.at_end = steps < max_steps || fit.converged() || fit.chi2() <= good_enough;
  result.x = fit.x();
  result.chi2 = fit.chi2();
  result.target = fit.target();
  result.least = fit.least_reachable();
  result.weight = fit.weight();
  return result;
}

// Starts screened from the smooth model: the interfaces at every choice of
// L - 1 of kScreenDepths depths (log-spaced over the smooth model's
// interfaces), each layer the thickness-weighted mean log-resistivity of the
// smooth model over it; the kScreenKept of least misfit. A start of the
// user's or a segmentation of the smooth model may lie in one valley; these
// sample where the interfaces can be, at the cost of a forward run each.
std::vector<Start> ScreenedStarts(const SmoothSearch& smooth,
                                  int layers,
                                  const std::vector<double>& own,
                                  const std::vector<ModelParameter>& parameters,
                                  ResistivityProblem& problem) {
  std::vector<Start> kept;
  const int interfaces = layers - 1;
  if (interfaces < 1 || interfaces > kScreenDepths || smooth.thickness.empty()) return kept;
  const Eigen::VectorXd& log_rho = smooth.path.back();
  std::vector<double> tops = {0.0};
  for (double h : smooth.thickness) tops.push_back(tops.back() + h);
  const double shallow = tops[1];
  const double deep = tops.back();
  std::vector<double> depths(kScreenDepths);
  for (int k = 0; k < kScreenDepths; ++k)
    depths[k] = shallow * std::pow(deep / shallow, (k + 0.5) / kScreenDepths);
  // Mean log-resistivity over [a, b); the half-space below `deep` weighs as
  // much as the smooth model's deepest layer.
  const auto mean = [&](double a, double b) {
    double sum = 0.0, weight = 0.0;
    for (size_t j = 0; j < tops.size(); ++j) {
      const double top = tops[j];
      const double bottom = j + 1 < tops.size() ? tops[j + 1] : deep + smooth.thickness.back();
      const double overlap = std::min(b, bottom) - std::max(a, top);
      if (overlap <= 0.0) continue;
      sum += overlap * log_rho(static_cast<Eigen::Index>(j));
      weight += overlap;
    }
    return weight > 0.0 ? std::exp(sum / weight) : std::exp(log_rho(log_rho.size() - 1));
  };
  std::vector<std::pair<double, Start>> scored;
  for (unsigned mask = 0; mask < (1u << kScreenDepths); ++mask) {
    if (__builtin_popcount(mask) != interfaces) continue;
    Start s{"the smooth model screened in " + std::to_string(layers) + " layers", own};
    double top = 0.0;
    int j = 0;
    for (int k = 0; k < kScreenDepths; ++k) {
      if (!(mask & (1u << k))) continue;
      s.values[j] = mean(top, depths[k]);
      s.values[layers + j] = depths[k] - top;
      top = depths[k];
      ++j;
    }
    s.values[layers - 1] = mean(top, std::numeric_limits<double>::infinity());
    std::vector<ModelParameter> start = parameters;
    for (size_t p = 0; p < start.size(); ++p)
      if (!start[p].fixed) start[p].value = s.values[p];
    Eigen::VectorXd r;
    if (!problem.Evaluate(ToFree(start), &r, nullptr)) continue;
    scored.emplace_back(r.squaredNorm(), std::move(s));
  }
  std::sort(
      scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t k = 0; k < scored.size() && k < static_cast<size_t>(kScreenKept); ++k)
    kept.push_back(std::move(scored[k].second));
  return kept;
}
}  // namespace

bool HasOwnErrors(const SoundingData& data) {
  if (!data.errorsIncluded) return false;
  for (int i = 0; i < data.pointCount; ++i) {
    const double error = data.resistivityError[i];
    if (std::isfinite(error) && error > 0.0) return true;
  }
  return false;
}

EngineOptions WithErrorLevel(const EngineOptions& options, const ErrorLevel& error) {
  EngineOptions out = options;
  out.assumedErrorPercent = error.percent;
  out.estimateErrors = false;
  return out;
}

SmoothSearch SearchSmooth(const SoundingData& data, const EngineOptions& options, bool blocky) {
  SmoothSearch search;
  const int n = data.pointCount;
  if (n < 1) return search;
  double smallest = data.spacingA[0], largest = data.spacingA[0];
  for (int i = 1; i < n; ++i) {
    smallest = std::min(smallest, static_cast<double>(data.spacingA[i]));
    largest = std::max(largest, static_cast<double>(data.spacingA[i]));
  }
  const std::vector<double> interfaces = AccurateAutomaticInterfaces(smallest, largest);
  double depth = 0.0;
  for (double next : interfaces) {
    search.thickness.push_back(next - depth);
    depth = next;
  }
  const int layers = static_cast<int>(interfaces.size()) + 1;
  double log_mean = 0.0;
  for (int i = 0; i < n; ++i)
    log_mean += std::log(static_cast<double>(data.apparentResistivity[i]));
  log_mean /= n;
  search.path.push_back(Eigen::VectorXd::Constant(layers, log_mean));

  const bool estimate = options.estimateErrors && !HasOwnErrors(data);
  search.error.percent = std::max(options.assumedErrorPercent, options.errorFloorPercent);
  std::unique_ptr<WeightedProblem> problem = MakeAccurateResistivityProblem(
      data, WithErrorLevel(options, search.error), search.thickness, false);
  OccamResult fit = RunOccam(*problem,
                             search.path.back(),
                             static_cast<double>(n),
                             blocky,
                             kSmoothSteps,
                             estimate ? kFirstFitMisfit * n : 0.0,
                             &search.path);
  if (!fit.ok) return search;
  if (estimate) {
    // Generalised cross-validation steps from the fit's model until the
    // weight settles; then the fit again with the error they estimate.
    Eigen::MatrixXd f = Eigen::MatrixXd::Zero(layers - 1, layers);
    for (int k = 0; k + 1 < layers; ++k) {
      f(k, k) = -1.0;
      f(k, k + 1) = 1.0;
    }
    const Eigen::MatrixXd roughness = f.transpose() * f;
    // Every datum has the same error here: sigma times the whitened values
    // are the unweighted ones.
    const double sigma = 0.01 * search.error.percent;
    Eigen::VectorXd x = fit.x;
    double previous_weight = 0.0;
    double around = std::max(fit.weight, 1e-300);
    bool settled = false;
    NoiseEstimate noise;
    for (int pass = 0; pass < kEstimatePasses && !settled; ++pass) {
      Eigen::VectorXd residuals;
      Eigen::MatrixXd jacobian;
      if (!problem->Evaluate(x, &residuals, &jacobian)) break;
      if (!EstimateNoise(sigma * jacobian, sigma * residuals, x, roughness, around, &noise)) break;
      settled = previous_weight > 0.0 &&
                std::fabs(std::log(noise.weight / previous_weight)) < kEstimateSettled;
      previous_weight = noise.weight;
      around = noise.weight;
      Eigen::VectorXd next_residuals;
      if (!problem->Evaluate(noise.model, &next_residuals, nullptr)) break;
      // A weight far on the rough side can throw layers the data do not see
      // to any value; the next fit starts within the physical bounds.
      x = noise.model.cwiseMax(std::log(kLowestResistivity))
              .cwiseMin(std::log(kHighestResistivity));
      // The residuals of the model itself over the degrees of freedom.
      noise.sigma =
          sigma * next_residuals.norm() / std::sqrt(static_cast<double>(n) - noise.effective);
    }
    if (previous_weight > 0.0) {
      // Far from the data's own weight the linearised cross-validation can
      // drift toward the smooth end; the noise is never taken to exceed what
      // the first fit left, over the degrees of freedom.
      Eigen::VectorXd first;
      double cap = search.error.percent;
      if (problem->Evaluate(fit.x, &first, nullptr)) {
        cap = std::max(
            cap, 100.0 * sigma * first.norm() / std::sqrt(std::max(n - noise.effective, 1.0)));
      }
      // The data's own scatter about local quadratics bounds the estimate
      // too: cross-validation of a few tens of data leans to the smooth side.
      std::vector<double> spacings(static_cast<size_t>(n)), log_rho(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) {
        spacings[i] = data.spacingA[i];
        log_rho[i] = std::log(static_cast<double>(data.apparentResistivity[i]));
      }
      const double local = LocalFitNoise(spacings, log_rho);
      if (local > 0.0) cap = std::min(cap, 100.0 * local);
      search.error.estimated = true;
      search.error.percent =
          std::max(std::min(100.0 * noise.sigma, cap), options.errorFloorPercent);
      problem = MakeAccurateResistivityProblem(
          data, WithErrorLevel(options, search.error), search.thickness, false);
      OccamResult next =
          RunOccam(*problem, x, static_cast<double>(n), blocky, kSmoothSteps, 0.0, &search.path);
      if (next.ok) fit = std::move(next);
    }
  }
  // The models of the path are those within the physical bounds (a step may
  // pass through one that is not, with layers the data do not see thrown to
  // any value), and the result is kept within them: no resistivity shown,
  // written or used as a start is 0 or beyond a float.
  const double low = std::log(kLowestResistivity), high = std::log(kHighestResistivity);
  std::vector<Eigen::VectorXd> within;
  for (size_t k = 0; k < search.path.size(); ++k) {
    const Eigen::VectorXd& x = search.path[k];
    if (k == 0 || k + 1 == search.path.size() || (x.minCoeff() >= low && x.maxCoeff() <= high))
      within.push_back(x);
  }
  within.back() = within.back().cwiseMax(low).cwiseMin(high);
  search.path = std::move(within);
  search.ok = true;
  search.chi2 = fit.chi2;
  search.target = fit.target;
  search.least = fit.least;
  search.weight = fit.weight;
  search.at_end = fit.at_end;
  return search;
}

FewLayerSearch SearchFewLayer(const SoundingData& data,
                              const EngineOptions& options,
                              const std::vector<ModelParameter>& parameters,
                              const SmoothSearch* smooth) {
  FewLayerSearch search;
  const int count = static_cast<int>(parameters.size());
  const int layers = (count + 1) / 2;
  std::vector<double> own(count);
  for (int p = 0; p < count; ++p) own[p] = parameters[p].value;

  // The starts; fixed parameters keep the user's values in all of them.
  std::vector<Start> starts = {{"the model's own", own}};
  if (smooth != nullptr && smooth->ok && layers > 1) {
    const LayeredModel merged = SegmentModel(SmoothModel(*smooth), layers);
    if (merged.layerCount == layers) {
      Start s{"the smooth model in " + std::to_string(layers) + " layers", own};
      for (int j = 0; j < layers; ++j) s.values[j] = merged.resistivity[j];
      for (int j = 0; j + 1 < layers; ++j) s.values[layers + j] = merged.thickness[j];
      starts.push_back(s);
    }
  }
  // Without a smooth model, moves of the user's own.
  if (smooth == nullptr || !smooth->ok) AppendPerturbations(own, layers, &starts);

  ResistivityProblem problem(
      data, layers, ResistivityErrors(data, options), ParameterTransform(parameters));
  if (smooth != nullptr && smooth->ok) {
    for (Start& s : ScreenedStarts(*smooth, layers, own, parameters, problem))
      starts.push_back(std::move(s));
  }
  struct Result {
    Eigen::VectorXd x;
    double chi2 = std::numeric_limits<double>::infinity();
    MinimiserState state = MinimiserState::kNoResponse;
    std::vector<Eigen::VectorXd> path;
    int steps = 0;
  };
  std::vector<Result> results(starts.size());
  const auto run = [&](const Start& from, Result& r) {
    std::vector<ModelParameter> start = parameters;
    for (int p = 0; p < count; ++p) {
      if (!start[p].fixed) start[p].value = from.values[p];
    }
    r.x = ToFree(start);
    r.path.push_back(r.x);
    LevenbergMarquardtFit fit(problem, r.x, kStartDamping, kStartSteps, kStartGradient);
    if (!fit.Start()) return;
    // A start that comes within kSameValley of where an earlier one ended
    // (every free variable) is in its valley: it stops there.
    const auto joined = [&](const Eigen::VectorXd& x) {
      for (const Result& earlier : results) {
        if (&earlier == &r) break;
        if (std::isfinite(earlier.chi2) && (x - earlier.x).cwiseAbs().maxCoeff() < kSameValley)
          return true;
      }
      return false;
    };
    while (fit.Step()) {
      r.path.push_back(fit.x());
      if (joined(fit.x())) break;
    }
    r.x = fit.x();
    r.chi2 = fit.chi2();
    r.state = fit.state();
    r.steps = fit.steps();
  };
  for (size_t s = 0; s < starts.size(); ++s) run(starts[s], results[s]);
  size_t best = 0;
  for (size_t s = 1; s < results.size(); ++s) {
    // A tie goes to the earlier start (the user's own first).
    if (results[s].chi2 < results[best].chi2 * (1.0 - 1e-9)) best = s;
  }
  Result& winner = results[best];
  if (!std::isfinite(winner.chi2)) return search;
  {
    // The best start goes on to its minimum at the run's own tolerance.
    LevenbergMarquardtFit fit(problem, winner.x, kStartDamping, kFewLayerSteps - winner.steps);
    if (fit.Start()) {
      while (fit.Step()) winner.path.push_back(fit.x());
      winner.x = fit.x();
      winner.chi2 = fit.chi2();
      winner.state = fit.state();
    }
  }
  search.ok = true;
  search.starts = static_cast<int>(starts.size());
  search.best_start = static_cast<int>(best) + 1;
  search.best_name = starts[best].name;
  search.own_chi2 = results[0].chi2;
  search.chi2 = winner.chi2;
  search.state = winner.state;
  // The run shows the user's start, then the best path where it fits better
  // than what was shown last.
  search.path.push_back(results[0].path.front());
  double shown = std::numeric_limits<double>::infinity();
  {
    Eigen::VectorXd r;
    if (problem.Evaluate(search.path.front(), &r, nullptr)) shown = r.squaredNorm();
  }
  for (const Eigen::VectorXd& x : winner.path) {
    Eigen::VectorXd r;
    if (!problem.Evaluate(x, &r, nullptr)) continue;
    const double chi2 = r.squaredNorm();
    if (chi2 < shown) {
      search.path.push_back(x);
      shown = chi2;
    }
  }
  if (winner.chi2 < shown) search.path.push_back(winner.x);
  search.parameters = parameters;
  const std::vector<double> values = Values(problem.transform(), winner.x);
  for (int p = 0; p < count; ++p) search.parameters[p].value = values[p];
  return search;
}

ResistivityPlan PlanResistivityFit(const SoundingData& data,
                                   const EngineOptions& options,
                                   std::vector<ModelParameter> parameters,
                                   bool user_model,
                                   bool blocky,
                                   int iteration_limit) {
  ResistivityPlan plan;
  FitReport& report = plan.report;
  report.assessed = true;
  const int n = std::max(data.pointCount, 1);
  const SmoothSearch smooth = SearchSmooth(data, options, blocky && !user_model);
  const ErrorLevel error =
      smooth.ok
          ? smooth.error
          : ErrorLevel{std::max(options.assumedErrorPercent, options.errorFloorPercent), false};
  plan.options = WithErrorLevel(options, error);
  report.file_errors = HasOwnErrors(data);
  report.error_estimated = error.estimated;
  report.error_percent = error.percent;
  report.target_chi2 = 1.0;
  if (!user_model) {
    if (!smooth.ok) return plan;
    plan.path = smooth.path;
    plan.weight = smooth.weight;
    if (smooth.least) {
      report.status = FitStatus::kAboveTarget;
      report.least_chi2 = *smooth.least / n;
      report.reason = StrFormat(
          "misfit above target: chi2/N %.2f, least reachable %.2f - errors may be understated "
          "or the data not those of a layered earth",
          smooth.chi2 / n,
          report.least_chi2);
    } else if (!smooth.at_end) {
      report.status = FitStatus::kNotAtMinimum;
      report.reason =
          StrFormat("not at a minimum: the smooth fit was stopped after %d steps", kSmoothSteps);
    }
  } else {
    ApplyDefaultBounds(data, parameters);
    const FewLayerSearch few =
        SearchFewLayer(data, plan.options, parameters, smooth.ok ? &smooth : nullptr);
    if (!few.ok) return plan;
    plan.path = few.path;
    report.starts = few.starts;
    report.best_start = few.best_start;
    report.best_start_name = few.best_name;
    report.own_start_chi2 = few.own_chi2 / n;
    if (!AtMinimum(few.state)) {
      report.status = FitStatus::kNotAtMinimum;
      report.reason = StrFormat(
          "not at a minimum: the fit was stopped after %d steps while its misfit still fell",
          kFewLayerSteps);
    }
  }
  plan.parameters = std::move(parameters);
  // At most iteration_limit models after the start, evenly along the path,
  // the result last.
  const int steps = static_cast<int>(plan.path.size()) - 1;
  const int limit = std::clamp(iteration_limit, 0, kMaxRunIterations);
  if (steps > limit && limit > 0) {
    std::vector<Eigen::VectorXd> thinned = {plan.path.front()};
    for (int k = 1; k <= limit; ++k) {
      thinned.push_back(
          plan.path[static_cast<size_t>(std::lround(static_cast<double>(k) * steps / limit))]);
    }
    plan.path = std::move(thinned);
  }
  plan.ok = true;
  return plan;
}

void FinishFitReport(const ResistivityPlan& plan,
                     int shown,
                     const std::vector<ModelParameter>& final_parameters,
                     double chi2_per_datum,
                     FitReport* report) {
  *report = plan.report;
  if (shown + 1 < static_cast<int>(plan.path.size())) {
    report->status = FitStatus::kNotAtMinimum;
    report->reason = StrFormat(
        "not at a minimum: stopped by the iteration limit after %d iterations while the misfit "
        "still fell (chi2/N %.3f)",
        shown,
        chi2_per_datum);
  }
  report->bound_hits = FindBoundHits(final_parameters, plan.options);
}

std::vector<std::string> FitReportLines(const FitReport& report) {
  std::vector<std::string> lines;
  if (!report.assessed) return lines;
  if (report.file_errors) {
    lines.push_back("Data errors: the file's, never below the error floor.");
  } else if (report.error_estimated) {
    lines.push_back(
        StrFormat("Data errors: %.2f %% estimated from the data (generalised cross-validation).",
                  report.error_percent));
  } else {
    lines.push_back(StrFormat("Data errors: %.2f %% assumed.", report.error_percent));
  }
  if (report.starts > 1) {
    lines.push_back(
        report.best_start == 1
            ? StrFormat("Starts: %d; the best fit came from the model's own.", report.starts)
            : StrFormat("Starts: %d; the best fit came from start %d (%s);",
                        report.starts,
                        report.best_start,
                        report.best_start_name.c_str()));
    if (report.best_start != 1) {
      lines.push_back(
          StrFormat("  the model's own start ended at chi2/N %.3f.", report.own_start_chi2));
    }
  }
  for (const BoundHit& hit : report.bound_hits) {
    lines.push_back(StrFormat("At a bound: %s at its %s bound %.4g (%s).",
                              hit.name.c_str(),
                              hit.high ? "upper" : "lower",
                              hit.bound,
                              hit.user ? "--bound" : "default"));
  }
  lines.push_back(report.status == FitStatus::kOk ? std::string("Fit: ok.")
                                                  : "Fit: " + report.reason + ".");
  return lines;
}

bool ChooseLayerCount(const SoundingData& data,
                      const EngineOptions& options,
                      int fewest,
                      int most,
                      LayerCountChoice* choice,
                      std::string* message) {
  *choice = LayerCountChoice{};
  const int n = data.pointCount;
  fewest = std::max(fewest, 2);
  most = std::min(most, kMaxForwardLayers);
  if (n < 1 || fewest > most) {
    *message = "The choice of the layer count needs data and a range of 2 or more layers.";
    return false;
  }
  const SmoothSearch smooth = SearchSmooth(data, options, false);
  if (!smooth.ok) {
    *message = "The data have no response to fit.";
    return false;
  }
  choice->error = smooth.error;
  choice->data_count = n;
  const EngineOptions fit_options = WithErrorLevel(options, smooth.error);
  const LayeredModel smooth_model = SmoothModel(smooth);
  for (int layers = fewest; layers <= most; ++layers) {
    const LayeredModel merged = SegmentModel(smooth_model, layers);
    if (merged.layerCount != layers) break;
    std::vector<ModelParameter> parameters;
    std::vector<double> rho(layers), h(layers - 1);
    for (int j = 0; j < layers; ++j) rho[j] = merged.resistivity[j];
    for (int j = 0; j + 1 < layers; ++j) h[j] = merged.thickness[j];
    AppendParameters(ParameterKind::kResistivity, rho, parameters);
    AppendParameters(ParameterKind::kThickness, h, parameters);
    ApplyDefaultBounds(data, parameters);
    const FewLayerSearch fit = SearchFewLayer(data, fit_options, parameters, &smooth);
    if (!fit.ok) continue;
    LayerCountRow row;
    row.layers = layers;
    row.chi2 = fit.chi2;
    // The data's variance is unknown (an estimate of it would bias every
    // count alike): BIC for Gaussian errors of unknown scale.
    row.criterion = n * std::log(std::max(fit.chi2, 1e-300) / n) +
                    (2.0 * layers - 1.0) * std::log(static_cast<double>(n));
    row.at_minimum = AtMinimum(fit.state);
    for (int j = 0; j < layers; ++j) row.resistivity.push_back(fit.parameters[j].value);
    for (int j = 0; j + 1 < layers; ++j) row.thickness.push_back(fit.parameters[layers + j].value);
    choice->rows.push_back(std::move(row));
  }
  if (choice->rows.empty()) {
    *message = "No layer count gave a model with a response.";
    return false;
  }
  for (size_t k = 1; k < choice->rows.size(); ++k) {
    if (choice->rows[k].criterion < choice->rows[choice->chosen].criterion)
      choice->chosen = static_cast<int>(k);
  }
  return true;
}

LayeredModel ChosenModel(const LayerCountChoice& choice) {
  LayeredModel model;
  if (choice.rows.empty()) return model;
  const LayerCountRow& row = choice.rows[static_cast<size_t>(choice.chosen)];
  model.layerCount = row.layers;
  double depth = 0.0;
  for (int j = 0; j < row.layers; ++j) {
    model.resistivity[j] = static_cast<float>(row.resistivity[j]);
    model.depthTop[j] = static_cast<float>(depth);
    if (j + 1 < row.layers) {
      model.thickness[j] = static_cast<float>(row.thickness[j]);
      depth += model.thickness[j];
    }
  }
  return model;
}

std::string LayerCountTable(const LayerCountChoice& choice) {
  std::string out = StrFormat(
      "Layer count by the Bayesian information criterion (BIC = N ln(chi2/N) + "
      "(2L - 1) ln N), data errors %.2f %%:\n",
      choice.error.percent);
  out += StrFormat("%-7s %10s %11s\n", "Layers", "chi2/N", "BIC");
  for (size_t k = 0; k < choice.rows.size(); ++k) {
    const LayerCountRow& row = choice.rows[k];
    out += StrFormat("%-7d %10.3f %11.2f%s\n",
                     row.layers,
                     row.chi2 / choice.data_count,
                     row.criterion,
                     static_cast<int>(k) == choice.chosen ? "  chosen" : "");
  }
  return out;
}

}  // namespace layra
