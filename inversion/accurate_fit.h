#ifndef LAYRA_INVERSION_ACCURATE_FIT_H_
#define LAYRA_INVERSION_ACCURATE_FIT_H_

// Step control and regularisation of the accurate engine, on a problem in
// whitened form: residuals r(x) = (observed - predicted(x)) / sigma, so that
// the objective chi^2 = |r|^2 has the expectation N for data with the
// assumed errors.
//
// LevenbergMarquardtFit: the minimiser of inversion/levenberg_marquardt.h
// on chi^2, with the start's damping; it ends only at a minimum (or at its
// step limit), and the current x is always the best seen.
//
// OccamFit: minimises the roughness |W F x|^2 (F first differences, W the
// weights of the robust, blocky, form or the identity) subject to the data
// fit, as in Constable, Parker & Constable (1987), Geophysics 52, 289-300:
// each step solves the linearised problem (J^T J + mu F^T W^2 F) x' =
// J^T (r + J x) for a range of mu and takes the largest mu whose model
// reaches chi^2 <= target (the discrepancy principle), or, while no mu
// does, the one of least chi^2. A step is taken only when it lowers chi^2
// (while the target is not reached) or the roughness (once it is). When no
// weight lowers chi^2 above the target, a Levenberg-Marquardt step on
// chi^2 + mu_min |W F x|^2 (the least weight of the range) does; when that
// finds no lower chi^2 either, chi^2 is the least the model can reach, the
// target becomes kLeastReachableMargin above it, and the fit goes on to the
// smoothest model there. With a reference, the roughness becomes
// |W F x|^2 + a |x - reference|^2.

#include <Eigen/Dense>
#include <memory>
#include <optional>
#include <vector>

#include "inversion/levenberg_marquardt.h"
#include "state/records.h"

namespace layra {

class WeightedProblem {
 public:
  virtual ~WeightedProblem() = default;
  // Whitened residuals at x and, with `jacobian`, d(predicted / sigma)/dx
  // (rows by free variables). False when x has no usable response.
  virtual bool Evaluate(const Eigen::VectorXd& x,
                        Eigen::VectorXd* residuals,
                        Eigen::MatrixXd* jacobian) = 0;
  // True when free variable k is held against a bound that a descent
  // component `descent` pushes it into (see LinearisedProblem::Pinned).
  virtual bool Pinned(const Eigen::VectorXd& /*x*/, Eigen::Index /*k*/, double /*descent*/) const {
    return false;
  }
};

// A WeightedProblem with an optional penalty x^T P x - 2 q^T x, as the
// minimiser sees it: F = |r|^2 + penalty, H = J^T J + P, g = J^T r - (P x - q).
class WeightedLeastSquares : public DenseProblem {
 public:
  explicit WeightedLeastSquares(WeightedProblem& problem) : problem_(problem) {}
  void SetPenalty(Eigen::MatrixXd p, Eigen::VectorXd q) {
    penalty_ = std::move(p);
    linear_ = std::move(q);
  }
  bool Value(const Eigen::VectorXd& x, double* value) override;
  bool Linearise(const Eigen::VectorXd& x,
                 double* value,
                 Eigen::MatrixXd* normal,
                 Eigen::VectorXd* descent) override;
  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return problem_.Pinned(x, k, descent);
  }
  // |r|^2 at the point last linearised.
  double chi2() const { return chi2_; }

 private:
  double Penalty(const Eigen::VectorXd& x) const;

  WeightedProblem& problem_;
  Eigen::MatrixXd penalty_;  // empty: none
  Eigen::VectorXd linear_;
  Eigen::VectorXd residuals_;
  Eigen::MatrixXd jacobian_;
  double chi2_ = 0.0;
};

class LevenbergMarquardtFit {
 public:
  // `gradient_tolerance`: see MinimiserOptions; a looser one ends sooner
  // where chi^2 is needed to a few parts in 10^4 only.
  LevenbergMarquardtFit(WeightedProblem& problem,
                        Eigen::VectorXd x,
                        double initial_damping,
                        int max_steps = 200,
                        double gradient_tolerance = 1e-4);
  // Evaluates the start; false when it has no response.
  bool Start();
  // One accepted step; false when the fit has ended (x is then the best
  // found).
  bool Step();
  // The fit has ended: at a minimum, or at its step limit (state() says).
  bool converged() const { return minimiser_.state() != MinimiserState::kRunning; }
  MinimiserState state() const { return minimiser_.state(); }
  const Eigen::VectorXd& x() const { return minimiser_.x(); }
  double chi2() const { return minimiser_.value(); }
  double damping() const { return minimiser_.damping(); }
  int steps() const { return minimiser_.steps(); }

 private:
  WeightedLeastSquares objective_;
  DenseLevenbergMarquardt minimiser_;
};

class OccamFit {
 public:
  // `target`: the chi^2 to reach (N for chi^2 / N = 1). `blocky`: weights
  // W_k = 1 / sqrt(s_k^2 + cutoff^2) on the differences s = F x, renewed
  // every step, which favour few sharp changes over many gradual ones.
  // `block`: x holds profiles of this many values one after the other (the
  // layers' m, then tau, ...); differences are taken within each profile.
  OccamFit(WeightedProblem& problem,
           Eigen::VectorXd x,
           double target,
           bool blocky,
           double cutoff,
           int block);
  // Pulls the model toward `reference` with weight a: the roughness becomes
  // |W F x|^2 + a |x - reference|^2.
  void SetReference(Eigen::VectorXd reference, double weight);
  bool Start();
  // One step; false when no mu gives a better model (x is then unchanged).
  bool Step();
  bool converged() const { return converged_; }
  const Eigen::VectorXd& x() const { return x_; }
  double chi2() const { return chi2_; }
  // The mu of the last step taken (0 before the first).
  double weight() const { return mu_; }
  // The roughness the fit minimises, at x.
  double Roughness(const Eigen::VectorXd& x) const;
  // The chi^2 the fit aims at: the target, or just above the least reachable.
  double target() const { return target_; }
  // The least chi^2 the model could reach, once the target proved out of reach.
  std::optional<double> least_reachable() const { return least_; }

 private:
  Eigen::MatrixXd RoughnessMatrix() const;
  // Levenberg-Marquardt steps on chi^2 + mu_min roughness from x; false when
  // none lowers chi^2. *at_minimum: they ended at that objective's minimum.
  bool PlainStep(double mu_min, bool* at_minimum);
  // Plain steps, or, where they reach their minimum, the least reachable
  // misfit as the new target and the step toward the smoothest model there.
  bool PlainOrLeast(double mu_min);
  // First differences within each profile of `block_` values.
  Eigen::MatrixXd Differences() const;

  WeightedProblem& problem_;
  Eigen::VectorXd x_;
  Eigen::VectorXd residuals_;
  Eigen::MatrixXd jacobian_;
  double chi2_ = 0.0;
  double target_;
  std::optional<double> least_;
  Eigen::VectorXd reference_;  // empty: none
  double reference_weight_ = 0.0;
  const bool blocky_;
  const double cutoff_;
  const int block_;
  double mu_ = 0.0;
  bool converged_ = false;
  bool slow_ = false;  // the last step above the target hardly lowered chi^2
};

// The accurate engine's resistivity problem of `data`, for joint fits that
// hold several soundings: whitened residuals (ln observed - ln predicted) /
// sigma with the engine's data errors (`options`), and free variables the
// natural logarithms of the layers' resistivities followed, when
// `free_thicknesses`, by those of the thicknesses; otherwise the thicknesses
// stay at `thickness` (layer count - 1 values).
std::unique_ptr<WeightedProblem> MakeAccurateResistivityProblem(
    const SoundingData& data,
    const EngineOptions& options,
    const std::vector<double>& thickness,
    bool free_thicknesses);

// Depths of the interfaces of the engine's automatic (smooth) model for
// spacings from `smallest` to `largest`, shallowest first.
std::vector<double> AccurateAutomaticInterfaces(double smallest, double largest);

}  // namespace layra

#endif  // LAYRA_INVERSION_ACCURATE_FIT_H_
