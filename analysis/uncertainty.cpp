#include "analysis/uncertainty.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "inversion/accurate_fit.h"
#include "inversion/accurate_response.h"
#include "inversion/data_errors.h"
#include "inversion/default_bounds.h"
#include "inversion/parameter_transform.h"

namespace layra {

namespace {

// Levenberg-Marquardt steps of one fit again, and its first damping: the
// fits start near the bottom of the valley.
constexpr int kRefitSteps = 40;
constexpr double kRefitDamping = 0.01;
// A refit only needs chi^2 against the threshold: a looser end than the
// run's (the decrease still possible is below 1e-6 chi^2).
constexpr double kRefitGradient = 1e-3;
// The profile's first step away from the model, in ln p: half the linear
// standard deviation, within these limits; later steps double.
constexpr double kFirstStepMin = 0.02;
constexpr double kFirstStepMax = 0.7;
constexpr int kEdgeBisections = 5;
// Largest linear standard deviation of ln p reported (a factor of e^20).
constexpr double kLargestLogDeviation = 20.0;
constexpr int kDoiSteps = 30;
// The reference fits may exceed the run's chi^2 by this fraction.
constexpr double kDoiMisfitMargin = 0.02;

struct Sounding {
  ArrayType array_type = ArrayType::kSchlumberger;
  std::vector<double> spacings;
  std::vector<double> log_observed;
  std::vector<double> sigma;  // relative errors
  int layers = 0;
};

Sounding MakeSounding(const SoundingData& data, const EngineOptions& options, int layers) {
  Sounding s;
  s.array_type = data.arrayType;
  for (int i = 0; i < data.pointCount; ++i) {
    s.spacings.push_back(data.spacingA[i]);
    s.log_observed.push_back(std::log(static_cast<double>(data.apparentResistivity[i])));
  }
  s.sigma = ResistivityErrors(data, options);
  s.layers = layers;
  return s;
}

// Whitened log residuals of rho1..rhoL, h1..h(L-1) held in a transform.
class LogProblem : public WeightedProblem {
 public:
  LogProblem(const Sounding& sounding, ParameterTransform transform)
      : s_(sounding), transform_(std::move(transform)) {}

  bool Evaluate(const Eigen::VectorXd& x,
                Eigen::VectorXd* residuals,
                Eigen::MatrixXd* jacobian) override {
    std::vector<double> derivative;
    transform_.FromFree(std::vector<double>(x.data(), x.data() + x.size()), &derivative);
    const std::vector<double> values = transform_.Values();
    const std::vector<double> rho(values.begin(), values.begin() + s_.layers);
    const std::vector<double> h(values.begin() + s_.layers, values.end());
    std::vector<double> response, log_jacobian;
    if (!AccurateApparentResistivity(
            s_.array_type, s_.spacings, rho, h, response, jacobian ? &log_jacobian : nullptr)) {
      return false;
    }
    const int n = static_cast<int>(s_.spacings.size());
    residuals->resize(n);
    for (int i = 0; i < n; ++i)
      (*residuals)(i) = (s_.log_observed[i] - std::log(response[i])) / s_.sigma[i];
    if (jacobian != nullptr) {
      const int free = transform_.FreeCount();
      jacobian->resize(n, free);
      for (int k = 0; k < free; ++k) {
        const int p = transform_.FreeIndex(k);
        const double by = derivative[k] / values[p];
        for (int i = 0; i < n; ++i) {
          (*jacobian)(i, k) = log_jacobian[i + static_cast<size_t>(p) * n] * by / s_.sigma[i];
        }
      }
    }
    return residuals->allFinite();
  }

  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return transform_.Pinned(static_cast<int>(k), x(k), descent);
  }

  ParameterTransform& transform() { return transform_; }

 private:
  const Sounding& s_;
  ParameterTransform transform_;
};

struct Fitted {
  bool ok = false;
  std::vector<double> values;
  double chi2 = std::numeric_limits<double>::infinity();
};

// Fits the free parameters again from their values in `parameters`.
Fitted Refit(const Sounding& sounding, std::vector<ModelParameter> parameters) {
  ParameterTransform transform(std::move(parameters));
  const std::vector<double> start = transform.ToFree();
  LogProblem problem(sounding, std::move(transform));
  LevenbergMarquardtFit fit(problem,
                            Eigen::Map<const Eigen::VectorXd>(start.data(), start.size()),
                            kRefitDamping,
                            kRefitSteps,
                            kRefitGradient);
  Fitted result;
  if (!fit.Start()) return result;
  for (int step = 0; step < kRefitSteps && !fit.converged(); ++step) {
    if (!fit.Step()) break;
  }
  const Eigen::VectorXd& x = fit.x();
  problem.transform().FromFree(std::vector<double>(x.data(), x.data() + x.size()), nullptr);
  result.ok = std::isfinite(fit.chi2());
  result.values = problem.transform().Values();
  result.chi2 = fit.chi2();
  return result;
}

// Error-weighted sensitivities d(ln rhoa_i / sigma_i) / d ln p of the
// parameters not fixed, at `values`.
bool LogSensitivities(const Sounding& s,
                      const std::vector<double>& values,
                      const std::vector<int>& free,
                      Eigen::MatrixXd* j) {
  const std::vector<double> rho(values.begin(), values.begin() + s.layers);
  const std::vector<double> h(values.begin() + s.layers, values.end());
  std::vector<double> response, log_jacobian;
  if (!AccurateApparentResistivity(s.array_type, s.spacings, rho, h, response, &log_jacobian)) {
    return false;
  }
  const int n = static_cast<int>(s.spacings.size());
  j->resize(n, static_cast<Eigen::Index>(free.size()));
  for (size_t k = 0; k < free.size(); ++k) {
    for (int i = 0; i < n; ++i) {
      (*j)(i, k) = log_jacobian[i + static_cast<size_t>(free[k]) * n] / s.sigma[i];
    }
  }
  return j->allFinite();
}

EquivalentModel ToModel(const std::vector<double>& values, int layers) {
  EquivalentModel m;
  m.resistivity.assign(values.begin(), values.begin() + layers);
  m.thickness.assign(values.begin() + layers, values.end());
  return m;
}

// The ln p interval [lo, hi] offsets from ln value a profile may search:
// within the bounds of the parameter.
std::pair<double, double> SearchInterval(const ModelParameter& p) {
  // A little inside the bounds, where the transform still moves.
  const double margin = 1e-6 * (std::log(p.high) - std::log(p.low));
  const double lo = std::log(p.low) + margin - std::log(p.value);
  const double hi = std::log(p.high) - margin - std::log(p.value);
  return {std::min(lo, 0.0), std::max(hi, 0.0)};
}

}  // namespace

bool AnalyseFewLayer(const SoundingData& data,
                     const EngineOptions& options,
                     const std::vector<double>& resistivity,
                     const std::vector<double>& thickness,
                     FewLayerUncertainty* result,
                     std::string* message) {
  const int layers = static_cast<int>(resistivity.size());
  if (layers < 1 || static_cast<int>(thickness.size()) != layers - 1 || data.pointCount < 1) {
    *message = "The equivalence analysis needs a layered model and data.";
    return false;
  }
  const Sounding sounding = MakeSounding(data, options, layers);
  std::vector<ModelParameter> parameters;
  AppendParameters(ParameterKind::kResistivity, resistivity, parameters);
  AppendParameters(ParameterKind::kThickness, thickness, parameters);
  std::vector<std::string> names;
  // Choices for the IP and SIP stages are no concern of the resistivity model.
  for (int layer = 1; layer <= layers; ++layer) {
    for (const char* prefix : {"m", "tau", "c"}) names.push_back(prefix + std::to_string(layer));
  }
  if (!ApplyChoices(options, names, parameters, message)) return false;
  ApplyDefaultBounds(data, parameters);

  const Fitted best = Refit(sounding, parameters);
  if (!best.ok) {
    *message = "The model has no response to analyse.";
    return false;
  }
  // Every free parameter stays within the search limit of its value (and
  // within its own bounds): a parameter the data no longer see while another
  // is held (the resistivity of a layer made vanishingly thin) would
  // otherwise wander without end.
  std::vector<double> limit_low(parameters.size()), limit_high(parameters.size());
  for (size_t k = 0; k < parameters.size(); ++k) {
    ModelParameter& p = parameters[k];
    p.value = best.values[k];
    limit_low[k] = std::max(p.value / kSearchLimit, p.bounded ? p.low : 0.0);
    limit_high[k] = std::min(p.value * kSearchLimit, p.bounded ? p.high : INFINITY);
    if (!p.fixed) {
      p.bounded = true;
      p.low = limit_low[k];
      p.high = limit_high[k];
    }
  }

  const int n = data.pointCount;
  *result = FewLayerUncertainty{};
  result->data_count = n;
  result->best_chi2 = best.chi2;
  int free_count = 0;
  for (const ModelParameter& p : parameters) free_count += p.fixed ? 0 : 1;
  result->variance_scale = std::max(1.0, best.chi2 / std::max(n - free_count, 1));
  result->threshold_chi2 = best.chi2 + kRangeChi2 * result->variance_scale;

  // Linearised covariance of ln p of the free parameters.
  std::vector<int> free;
  for (size_t k = 0; k < parameters.size(); ++k) {
    if (!parameters[k].fixed) free.push_back(static_cast<int>(k));
  }
  const size_t m = parameters.size();
  std::vector<double> deviation(m, 0.0);
  result->correlation.assign(m, std::vector<double>(m, 0.0));
  for (size_t k = 0; k < m; ++k) result->correlation[k][k] = 1.0;
  // The linearised variance of a combination of the ln p (weights by
  // parameter; fixed ones count nothing), of unit variance scale, from the
  // eigenvectors of J^T J so that nothing cancels.
  Eigen::MatrixXd eigenvectors;
  Eigen::VectorXd inverse_eigenvalues;
  const auto log_variance = [&](const std::vector<std::pair<int, double>>& combination) {
    if (eigenvectors.size() == 0) return 0.0;
    Eigen::VectorXd v = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(free.size()));
    for (size_t a = 0; a < free.size(); ++a) {
      for (const auto& [parameter, weight] : combination)
        if (free[a] == parameter) v(static_cast<Eigen::Index>(a)) += weight;
    }
    const Eigen::VectorXd projected = eigenvectors.transpose() * v;
    return projected.cwiseAbs2().dot(inverse_eigenvalues);
  };
  Eigen::MatrixXd j;
  if (!free.empty() && LogSensitivities(sounding, best.values, free, &j)) {
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(j.transpose() * j);
    Eigen::VectorXd inverse = eigen.eigenvalues();
    const double largest = std::max(inverse.maxCoeff(), 1e-300);
    // Directions the data hardly see get a very large, finite variance.
    for (Eigen::Index k = 0; k < inverse.size(); ++k)
      inverse(k) = 1.0 / std::max(inverse(k), 1e-14 * largest);
    const double scale = std::max(1.0, best.chi2 / n);
    const Eigen::MatrixXd covariance =
        scale * eigen.eigenvectors() * inverse.asDiagonal() * eigen.eigenvectors().transpose();
    eigenvectors = eigen.eigenvectors();
    inverse_eigenvalues = inverse;
    for (size_t a = 0; a < free.size(); ++a) {
      deviation[free[a]] = std::min(std::sqrt(covariance(a, a)), kLargestLogDeviation);
      for (size_t b = 0; b < free.size(); ++b) {
        if (a == b) continue;
        const double c = covariance(a, b) / std::sqrt(covariance(a, a) * covariance(b, b));
        result->correlation[free[a]][free[b]] = std::clamp(c, -1.0, 1.0);
      }
    }
  }

  // The valley: every acceptable model met, with the best first.
  std::vector<std::vector<double>> acceptable = {best.values};
  std::vector<size_t> edges;  // indices into `acceptable` of each profile's last model
  std::vector<bool> open_low(m, false), open_high(m, false);
  for (int p : free) {
    const auto [search_lo, search_hi] = SearchInterval(parameters[p]);
    const double ln0 = std::log(best.values[p]);
    for (int direction : {-1, 1}) {
      const double limit = direction < 0 ? -search_lo : search_hi;
      if (limit <= 0.0) continue;
      std::vector<double> warm = best.values;
      auto try_offset = [&](double offset) {
        std::vector<ModelParameter> trial = parameters;
        for (size_t k = 0; k < m; ++k) trial[k].value = warm[k];
        trial[p].fixed = true;
        trial[p].value = std::exp(ln0 + direction * offset);
        const Fitted fitted = Refit(sounding, std::move(trial));
        if (!fitted.ok || fitted.chi2 > result->threshold_chi2) return false;
        warm = fitted.values;
        acceptable.push_back(fitted.values);
        return true;
      };
      double good = 0.0, bad = -1.0;
      double step = std::clamp(0.5 * deviation[p], kFirstStepMin, kFirstStepMax);
      while (bad < 0.0) {
        const double offset = std::min(good + step, limit);
        if (try_offset(offset)) {
          good = offset;
          if (offset >= limit) break;
          step *= 2.0;
        } else {
          bad = offset;
        }
      }
      if (bad < 0.0) {
        (direction < 0 ? open_low : open_high)[p] = true;
      } else {
        for (int b = 0; b < kEdgeBisections; ++b) {
          const double mid = 0.5 * (good + bad);
          if (try_offset(mid)) {
            good = mid;
          } else {
            bad = mid;
          }
        }
      }
      if (good > 0.0) edges.push_back(acceptable.size() - 1);
    }
  }
  result->acceptable_found = static_cast<int>(acceptable.size());

  for (size_t k = 0; k < m; ++k) {
    ParameterRange range;
    range.name = parameters[k].name;
    range.value = best.values[k];
    range.low = range.high = range.value;
    for (const std::vector<double>& model : acceptable) {
      range.low = std::min(range.low, model[k]);
      range.high = std::max(range.high, model[k]);
    }
    range.factor = std::exp(deviation[k]);
    range.fixed = parameters[k].fixed;
    // Open where the search, of this parameter or of another, reached the
    // limit.
    range.open_low = open_low[k] || (!range.fixed && range.low <= limit_low[k] * 1.01);
    range.open_high = open_high[k] || (!range.fixed && range.high >= limit_high[k] / 1.01);
    result->parameters.push_back(range);
  }
  for (int layer = 0; layer + 1 < layers; ++layer) {
    LayerRange s{layer + 1, 0.0, INFINITY, 0.0}, t{layer + 1, 0.0, INFINITY, 0.0};
    for (size_t a = 0; a < acceptable.size(); ++a) {
      const double rho = acceptable[a][layer], h = acceptable[a][layers + layer];
      const double sv = h / rho, tv = h * rho;
      if (a == 0) {
        s.value = sv;
        t.value = tv;
      }
      s.low = std::min(s.low, sv);
      s.high = std::max(s.high, sv);
      t.low = std::min(t.low, tv);
      t.high = std::max(t.high, tv);
    }
    // S and T are not profiled themselves: their ranges reach at least their
    // linearised ones at the same confidence, ln S and ln T being
    // ln h -/+ ln rho, so that the models the parameters' profiles met do
    // not leave them narrower than the data allow.
    const int r = layer, h = layers + layer;
    for (auto [range, variance] :
         {std::pair<LayerRange*, double>{&s, log_variance({{h, 1.0}, {r, -1.0}})},
          std::pair<LayerRange*, double>{&t, log_variance({{h, 1.0}, {r, 1.0}})}}) {
      const double half =
          std::min(std::sqrt(std::max(variance, 0.0) * kRangeChi2 * result->variance_scale),
                   std::log(kSearchLimit));
      range->low = std::min(range->low, range->value * std::exp(-half));
      range->high = std::max(range->high, range->value * std::exp(half));
    }
    result->conductance.push_back(s);
    result->transverse.push_back(t);
  }

  // Models to draw: the best, the edges of every profile, then others spread
  // evenly over the order they were met in.
  std::vector<size_t> chosen = {0};
  for (size_t e : edges) {
    if (std::find(chosen.begin(), chosen.end(), e) == chosen.end()) chosen.push_back(e);
  }
  const size_t room =
      chosen.size() < kMaxEquivalentModels ? kMaxEquivalentModels - chosen.size() : 0;
  std::vector<size_t> rest;
  for (size_t a = 1; a < acceptable.size(); ++a) {
    if (std::find(chosen.begin(), chosen.end(), a) == chosen.end()) rest.push_back(a);
  }
  for (size_t r = 0; r < std::min(room, rest.size()); ++r) {
    chosen.push_back(rest[r * rest.size() / std::min(room, rest.size())]);
  }
  if (chosen.size() > static_cast<size_t>(kMaxEquivalentModels))
    chosen.resize(kMaxEquivalentModels);
  for (size_t a : chosen) result->equivalent_models.push_back(ToModel(acceptable[a], layers));
  return true;
}

bool AnalyseSmooth(const SoundingData& data,
                   const EngineOptions& options,
                   const std::vector<double>& resistivity,
                   const std::vector<double>& thickness,
                   double weight,
                   SmoothUncertainty* result,
                   std::string* message) {
  const int layers = static_cast<int>(resistivity.size());
  if (layers < 2 || static_cast<int>(thickness.size()) != layers - 1 || data.pointCount < 1) {
    *message = "The depth of investigation needs a layered model and data.";
    return false;
  }
  // The fits see below the run's model: the basement is cut into further
  // layers, at the ratio of the last two interfaces, down to kDoiExtension
  // times the last interface's depth.
  std::vector<double> rho = resistivity, h = thickness;
  std::vector<double> top(layers, 0.0);
  for (int k = 1; k < layers; ++k) top[k] = top[k - 1] + thickness[k - 1];
  const double ratio =
      layers > 2 && top[layers - 2] > 0.0 ? top[layers - 1] / top[layers - 2] : 2.0;
  for (double depth = top[layers - 1];
       depth < kDoiExtension * top[layers - 1] && static_cast<int>(rho.size()) < kMaxResultsLayers;
       depth *= ratio) {
    h.push_back(depth * (ratio - 1.0));
    rho.push_back(resistivity.back());
  }
  const int run_layers = layers;
  const int all = static_cast<int>(rho.size());
  const Sounding sounding = MakeSounding(data, options, all);
  std::vector<ModelParameter> parameters;
  AppendParameters(ParameterKind::kResistivity, rho, parameters);
  AppendParameters(ParameterKind::kThickness, h, parameters);
  for (int k = all; k < 2 * all - 1; ++k) parameters[k].fixed = true;
  LogProblem problem(sounding, ParameterTransform(parameters));

  Eigen::VectorXd start(all);
  for (int k = 0; k < all; ++k) start(k) = std::log(rho[k]);
  Eigen::VectorXd residuals;
  if (!problem.Evaluate(start, &residuals, nullptr)) {
    *message = "The model has no response to analyse.";
    return false;
  }
  (void)weight;
  double log_mean = 0.0;
  for (double v : sounding.log_observed) log_mean += v;
  log_mean /= data.pointCount;
  // Both fits aim at the misfit of the run's own model: the smoothest model
  // (roughness plus the pull toward the reference) that fits as well.
  const double target = residuals.squaredNorm() * (1.0 + kDoiMisfitMargin);
  auto solve = [&](double reference, Eigen::VectorXd* x) {
    OccamFit fit(problem, start, target, false, 0.0, all);
    fit.SetReference(Eigen::VectorXd::Constant(all, reference), kReferenceWeight);
    if (!fit.Start()) return false;
    for (int step = 0; step < kDoiSteps && !fit.converged(); ++step) {
      if (!fit.Step()) break;
    }
    *x = fit.x();
    return true;
  };
  const double high = log_mean + std::log(kDoiReferenceFactor);
  const double low = log_mean - std::log(kDoiReferenceFactor);
  Eigen::VectorXd xa, xb;
  if (!solve(high, &xa) || !solve(low, &xb)) {
    *message = "The depth-of-investigation fits have no response.";
    return false;
  }
  *result = SmoothUncertainty{};
  std::vector<double> index(all);
  for (int k = 0; k < all; ++k) index[k] = (xa(k) - xb(k)) / (high - low);
  // Per layer of the run's model; its basement by the top of its extension.
  result->doi_index.assign(index.begin(), index.begin() + run_layers);

  // Centre depths: half the first layer, the geometric middle of the others,
  // and for the last its top times the square root of the interface ratio.
  std::vector<double> depth(all, 0.0);
  for (int k = 1; k < all; ++k) depth[k] = depth[k - 1] + h[k - 1];
  std::vector<double> centre(all);
  for (int k = 0; k < all; ++k) {
    if (k == 0) {
      centre[k] = 0.5 * depth[1];
    } else if (k + 1 < all) {
      centre[k] = std::sqrt(depth[k] * depth[k + 1]);
    } else {
      centre[k] = depth[k] * std::sqrt(ratio);
    }
  }
  // The shallowest depth below which the index stays at the threshold or
  // above: within the model the equivalence of thin layers can move the two
  // fits apart, but only below the reach of the data does the reference
  // decide the model all the way down.
  int first = all;
  while (first > 0 && index[first - 1] >= kDoiThreshold) --first;
  result->doi_reached = first < all;
  if (first == all) {
    result->doi = depth[all - 1];
  } else if (first == 0) {
    result->doi = centre[0];
  } else {
    const double r0 = index[first - 1], r1 = index[first];
    const double w = (kDoiThreshold - r0) / (r1 - r0);
    result->doi = std::exp(std::log(centre[first - 1]) +
                           w * (std::log(centre[first]) - std::log(centre[first - 1])));
  }
  return true;
}

}  // namespace layra
