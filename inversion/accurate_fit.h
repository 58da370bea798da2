#ifndef LAYRA_INVERSION_ACCURATE_FIT_H_
#define LAYRA_INVERSION_ACCURATE_FIT_H_

// Step control and regularisation of the accurate engine, on a problem in
// whitened form: residuals r(x) = (observed - predicted(x)) / sigma, so that
// the objective chi^2 = |r|^2 has the expectation N for data with the
// assumed errors.
//
// LevenbergMarquardtFit: each step solves (J^T J + lambda D) dx = J^T r with
// D = diag(J^T J) (Marquardt's scaling); a step that does not lower chi^2 is
// refused, lambda is raised and the step computed again; after an accepted
// step lambda is lowered. The current x is always the best seen.
//
// OccamFit: minimises the roughness |W F x|^2 (F first differences, W the
// weights of the robust, blocky, form or the identity) subject to the data
// fit, as in Constable, Parker & Constable (1987), Geophysics 52, 289-300:
// each step solves the linearised problem (J^T J + mu F^T W^2 F) x' =
// J^T (r + J x) for a range of mu and takes the largest mu whose model
// reaches chi^2 <= target (the discrepancy principle), or, while no mu
// does, the one of least chi^2. A step is taken only when it lowers chi^2
// (while the target is not reached) or the roughness (once it is).

#include <Eigen/Dense>
#include <memory>
#include <vector>

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
};

class LevenbergMarquardtFit {
 public:
  LevenbergMarquardtFit(WeightedProblem& problem, Eigen::VectorXd x, double initial_damping);
  // Evaluates the start; false when it has no response.
  bool Start();
  // One accepted step; false when no damping gives a step that lowers chi^2
  // (x is then unchanged, the best found).
  bool Step();
  // The last accepted step lowered chi^2 by less than a part in 1000, or
  // no step lowers it.
  bool converged() const { return converged_; }
  const Eigen::VectorXd& x() const { return x_; }
  double chi2() const { return chi2_; }
  double damping() const { return lambda_; }

 private:
  WeightedProblem& problem_;
  Eigen::VectorXd x_;
  Eigen::VectorXd residuals_;
  Eigen::MatrixXd jacobian_;
  double chi2_ = 0.0;
  double lambda_;
  bool converged_ = false;
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

 private:
  Eigen::MatrixXd RoughnessMatrix() const;
  // First differences within each profile of `block_` values.
  Eigen::MatrixXd Differences() const;

  WeightedProblem& problem_;
  Eigen::VectorXd x_;
  Eigen::VectorXd residuals_;
  Eigen::MatrixXd jacobian_;
  double chi2_ = 0.0;
  const double target_;
  const bool blocky_;
  const double cutoff_;
  const int block_;
  double mu_ = 0.0;
  bool converged_ = false;
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
