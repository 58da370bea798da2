#include "inversion/levenberg_marquardt.h"

#include <Eigen/SparseCholesky>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace layra {

namespace {

// A variable the data do not see is damped at this fraction of the largest
// diagonal entry.
constexpr double kScaleFloor = 1e-9;
// Steps refused in a row before the damping is taken to have collapsed the
// trust region even though the step is not yet negligible (lambda has then
// grown by 2^(1 + 2 + ... + 60)).
constexpr int kMaxRefusals = 60;
// The last three steps together lowered F by less than this part of it.
constexpr double kNegligibleDecrease = 1e-10;

Eigen::VectorXd Diagonal(const Eigen::MatrixXd& m) { return m.diagonal(); }
Eigen::VectorXd Diagonal(const Eigen::SparseMatrix<double>& m) { return m.diagonal(); }

}  // namespace

// The damped system (H + lambda D) dx = g: dense by LDLT, sparse by a
// simplicial LDLT whose ordering is found once (the pattern of H stays).
template <>
struct LevenbergMarquardt<Eigen::MatrixXd>::Solver {
  bool Solve(const Eigen::MatrixXd& normal,
             const Eigen::VectorXd& scale,
             double lambda,
             const Eigen::VectorXd& rhs,
             Eigen::VectorXd* step) {
    Eigen::MatrixXd damped = normal;
    damped.diagonal() += lambda * scale;
    factor.compute(damped);
    if (factor.info() != Eigen::Success) return false;
    *step = factor.solve(rhs);
    return factor.info() == Eigen::Success;
  }
  Eigen::LDLT<Eigen::MatrixXd> factor;
};

template <>
struct LevenbergMarquardt<Eigen::SparseMatrix<double>>::Solver {
  bool Solve(const Eigen::SparseMatrix<double>& normal,
             const Eigen::VectorXd& scale,
             double lambda,
             const Eigen::VectorXd& rhs,
             Eigen::VectorXd* step) {
    Eigen::SparseMatrix<double> damped = normal;
    for (Eigen::Index j = 0; j < damped.cols(); ++j) damped.coeffRef(j, j) += lambda * scale(j);
    if (!analysed) {
      factor.analyzePattern(damped);
      analysed = true;
    }
    factor.factorize(damped);
    if (factor.info() != Eigen::Success) return false;
    *step = factor.solve(rhs);
    return factor.info() == Eigen::Success;
  }
  Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> factor;
  bool analysed = false;
};

template <typename Matrix>
LevenbergMarquardt<Matrix>::LevenbergMarquardt(LinearisedProblem<Matrix>& problem,
                                               Eigen::VectorXd x,
                                               const MinimiserOptions& options)
    : problem_(problem),
      options_(options),
      x_(std::move(x)),
      lambda_(options.initial_damping),
      solver_(std::make_unique<Solver>()) {}

template <typename Matrix>
LevenbergMarquardt<Matrix>::~LevenbergMarquardt() = default;

template <typename Matrix>
bool LevenbergMarquardt<Matrix>::Start() {
  started_ = true;
  steps_ = 0;
  nu_ = 2.0;
  std::fill(std::begin(decreases_), std::end(decreases_), 0.0);
  if (!problem_.Linearise(x_, &value_, &normal_, &descent_) || !std::isfinite(value_) ||
      !descent_.allFinite()) {
    state_ = MinimiserState::kNoResponse;
    return false;
  }
  state_ = x_.size() == 0 ? MinimiserState::kConverged : MinimiserState::kRunning;
  if (state_ == MinimiserState::kRunning && Stationary()) state_ = MinimiserState::kConverged;
  return true;
}

template <typename Matrix>
bool LevenbergMarquardt<Matrix>::Stationary() const {
  const Eigen::VectorXd diagonal = Diagonal(normal_);
  const double largest = diagonal.size() > 0 ? diagonal.maxCoeff() : 0.0;
  const double floor = kScaleFloor * largest + std::numeric_limits<double>::min();
  const double limit = options_.gradient_tolerance * options_.gradient_tolerance *
                       std::max(value_, std::numeric_limits<double>::min());
  for (Eigen::Index k = 0; k < x_.size(); ++k) {
    const double g = descent_(k);
    if (problem_.Pinned(x_, k, g)) continue;
    if (g * g / std::max(diagonal(k), floor) > limit) return false;
  }
  return true;
}

template <typename Matrix>
bool LevenbergMarquardt<Matrix>::Step() {
  if (state_ != MinimiserState::kRunning) return false;
  if (steps_ >= options_.max_steps) {
    state_ = MinimiserState::kStepLimit;
    return false;
  }
  scale_ = Diagonal(normal_);
  const double largest = scale_.size() > 0 ? scale_.maxCoeff() : 0.0;
  for (Eigen::Index j = 0; j < scale_.size(); ++j)
    scale_(j) = std::max(scale_(j), kScaleFloor * largest + std::numeric_limits<double>::min());
  Eigen::VectorXd step;
  for (int refusal = 0; refusal <= kMaxRefusals; ++refusal) {
    if (solver_->Solve(normal_, scale_, lambda_, descent_, &step) && step.allFinite()) {
      bool negligible = true;
      for (Eigen::Index k = 0; k < x_.size() && negligible; ++k)
        negligible = std::fabs(step(k)) <= options_.step_tolerance * (1.0 + std::fabs(x_(k)));
      if (negligible) break;
      const Eigen::VectorXd trial = x_ + step;
      double value = std::numeric_limits<double>::infinity();
      const double predicted = descent_.dot(step) + lambda_ * step.dot(scale_.cwiseProduct(step));
      if (problem_.Value(trial, &value) && std::isfinite(value) && value < value_ &&
          predicted > 0.0) {
        const double rho = (value_ - value) / predicted;
        double new_value = value;
        Matrix normal;
        Eigen::VectorXd descent;
        if (problem_.Linearise(trial, &new_value, &normal, &descent) && descent.allFinite()) {
          const double decrease = value_ - new_value;
          x_ = trial;
          value_ = new_value;
          normal_ = std::move(normal);
          descent_ = std::move(descent);
          const double cube = (2.0 * rho - 1.0) * (2.0 * rho - 1.0) * (2.0 * rho - 1.0);
          lambda_ *= std::max(1.0 / 3.0, 1.0 - cube);
          lambda_ = std::max(lambda_, std::numeric_limits<double>::min());
          nu_ = 2.0;
          ++steps_;
          decreases_[steps_ % 3] = decrease;
          if (Stationary()) {
            state_ = MinimiserState::kConverged;
          } else if (steps_ >= 3 && decreases_[0] + decreases_[1] + decreases_[2] <=
                                        kNegligibleDecrease * value_) {
            state_ = MinimiserState::kStalled;
          }
          return true;
        }
      }
    }
    lambda_ *= nu_;
    nu_ = std::min(nu_ * 2.0, 1e150);
    if (!std::isfinite(lambda_)) break;
  }
  state_ = MinimiserState::kStalled;
  return false;
}

template <typename Matrix>
MinimiserState LevenbergMarquardt<Matrix>::Run() {
  if (!started_ && !Start()) return state_;
  while (Step()) {
  }
  return state_;
}

template class LevenbergMarquardt<Eigen::MatrixXd>;
template class LevenbergMarquardt<Eigen::SparseMatrix<double>>;

}  // namespace layra
