#ifndef LAYRA_INVERSION_LEVENBERG_MARQUARDT_H_
#define LAYRA_INVERSION_LEVENBERG_MARQUARDT_H_

// The one Levenberg-Marquardt minimiser of the accurate engine, for dense
// problems (a sounding's few-layer fit, the steps of the smooth fit that
// Occam's weights cannot make, the refits of the uncertainty analysis) and
// sparse ones (the soundings of a profile fitted together).
//
// It minimises F(x) = |r(x)|^2 + x^T P x - 2 q^T x, r the whitened residuals
// and P, q an optional quadratic penalty (ties, roughness, a reference), from
// the problem's Gauss-Newton matrix H = J^T J + P and descent direction
// g = J^T r - (P x - q) = -grad F / 2 (J = d predicted / dx, so dr/dx = -J).
// Each step solves (H + lambda D) dx = g with D = diag(H) (Marquardt's
// scaling, floored so that a variable the data do not see is still damped).
// A step is taken when it lowers F; lambda follows the gain ratio
// rho = (F(x) - F(x + dx)) / (g^T dx + lambda dx^T D dx) as in Nielsen's
// rule (Madsen, Nielsen & Tingleff 2004, "Methods for non-linear least
// squares problems", IMM DTU, eq. 3.16): lambda *= max(1/3, 1 - (2 rho - 1)^3)
// after a step taken, lambda *= nu, nu *= 2 after one refused.
//
// The minimisation ends only at a minimum or when no step can be found:
// - converged: every free variable's scaled descent g_k^2 / D_k, the decrease
//   a move of that variable alone could bring, is below
//   gradient_tolerance^2 * F (variables held against a bound that g pushes
//   them into do not count: the projected gradient);
// - stalled: the damping grew until the step is negligible (every
//   |dx_k| <= step_tolerance (1 + |x_k|)) without lowering F, or the last
//   three steps together lowered F by less than a part in 1e10.
// - step limit: max_steps steps were taken and F still falls;
// - no response: the start has none.

#include <Eigen/Dense>
#include <Eigen/SparseCore>
#include <memory>

namespace layra {

enum class MinimiserState {
  kRunning,
  kConverged,   // the projected gradient is negligible: a minimum
  kStalled,     // no step lowers F any more: the trust region has collapsed
  kStepLimit,   // stopped by the step limit while F still fell
  kNoResponse,  // the start has no usable value
};

// True for the states that end at a minimum.
inline bool AtMinimum(MinimiserState state) {
  return state == MinimiserState::kConverged || state == MinimiserState::kStalled;
}

struct MinimiserOptions {
  double initial_damping = 0.01;  // lambda of the first step, in units of D
  int max_steps = 200;            // steps taken (not trials)
  double gradient_tolerance = 1e-4;
  double step_tolerance = 1e-12;
};

template <typename Matrix>
class LinearisedProblem {
 public:
  virtual ~LinearisedProblem() = default;
  // F at x; false when x has no usable response.
  virtual bool Value(const Eigen::VectorXd& x, double* value) = 0;
  // F, H and g at x; false when x has no usable response.
  virtual bool Linearise(const Eigen::VectorXd& x,
                         double* value,
                         Matrix* normal,
                         Eigen::VectorXd* descent) = 0;
  // True when variable k is held against a bound that a descent component
  // `descent` would push it further into.
  virtual bool Pinned(const Eigen::VectorXd& /*x*/, Eigen::Index /*k*/, double /*descent*/) const {
    return false;
  }
};

using DenseProblem = LinearisedProblem<Eigen::MatrixXd>;
using SparseProblem = LinearisedProblem<Eigen::SparseMatrix<double>>;

template <typename Matrix>
class LevenbergMarquardt {
 public:
  LevenbergMarquardt(LinearisedProblem<Matrix>& problem,
                     Eigen::VectorXd x,
                     const MinimiserOptions& options = MinimiserOptions());
  ~LevenbergMarquardt();
  LevenbergMarquardt(const LevenbergMarquardt&) = delete;
  LevenbergMarquardt& operator=(const LevenbergMarquardt&) = delete;

  // Linearises at the start; false when it has no response.
  bool Start();
  // Takes one step that lowers F; false when the minimisation has ended
  // (state() says why; x is then the best point found).
  bool Step();
  // Steps until the end; the final state.
  MinimiserState Run();

  MinimiserState state() const { return state_; }
  const Eigen::VectorXd& x() const { return x_; }
  double value() const { return value_; }
  int steps() const { return steps_; }
  double damping() const { return lambda_; }
  // H and g at x.
  const Matrix& normal() const { return normal_; }
  const Eigen::VectorXd& descent() const { return descent_; }

 private:
  struct Solver;
  bool Stationary() const;

  LinearisedProblem<Matrix>& problem_;
  const MinimiserOptions options_;
  Eigen::VectorXd x_;
  double value_ = 0.0;
  Matrix normal_;
  Eigen::VectorXd descent_;
  Eigen::VectorXd scale_;  // D
  double lambda_;
  double nu_ = 2.0;
  int steps_ = 0;
  double decreases_[3] = {0.0, 0.0, 0.0};  // of the last three steps
  MinimiserState state_ = MinimiserState::kRunning;
  bool started_ = false;
  std::unique_ptr<Solver> solver_;
};

using DenseLevenbergMarquardt = LevenbergMarquardt<Eigen::MatrixXd>;
using SparseLevenbergMarquardt = LevenbergMarquardt<Eigen::SparseMatrix<double>>;

}  // namespace layra

#endif  // LAYRA_INVERSION_LEVENBERG_MARQUARDT_H_
