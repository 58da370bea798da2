#include "inversion/accurate_fit.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace layra {

namespace {

// Trade-off weights tried in each Occam step: half-decade steps over five
// decades either side of the ratio of the traces of J^T J and F^T W^2 F.
constexpr int kWeightSteps = 10;
constexpr int kBisections = 6;
constexpr int kRougherTries = 3;
// Once the target is held, a step that lowers the roughness by less than this
// fraction ends the smooth inversion.
constexpr double kRoughnessSettled = 0.02;
// Once the target proves out of reach, the fit aims this fraction above the
// least chi^2 it can reach.
constexpr double kLeastReachableMargin = 0.02;
// Steps of the Levenberg-Marquardt fallback of one Occam step.
constexpr int kPlainSteps = 20;
constexpr double kPlainDamping = 0.01;
// An Occam step above the target that lowers chi^2 by less than this
// fraction hands over to the Levenberg-Marquardt steps.
constexpr double kSlowDecrease = 0.01;

}  // namespace

bool WeightedLeastSquares::Value(const Eigen::VectorXd& x, double* value) {
  if (!problem_.Evaluate(x, &residuals_, nullptr)) return false;
  *value = residuals_.squaredNorm() + Penalty(x);
  return std::isfinite(*value);
}

bool WeightedLeastSquares::Linearise(const Eigen::VectorXd& x,
                                     double* value,
                                     Eigen::MatrixXd* normal,
                                     Eigen::VectorXd* descent) {
  if (!problem_.Evaluate(x, &residuals_, &jacobian_) || !jacobian_.allFinite()) return false;
  chi2_ = residuals_.squaredNorm();
  *value = chi2_ + Penalty(x);
  *normal = jacobian_.transpose() * jacobian_;
  *descent = jacobian_.transpose() * residuals_;
  if (penalty_.size() > 0) {
    *normal += penalty_;
    *descent -= penalty_ * x - linear_;
  }
  return std::isfinite(*value);
}

double WeightedLeastSquares::Penalty(const Eigen::VectorXd& x) const {
  if (penalty_.size() == 0) return 0.0;
  return x.dot(penalty_ * x) - 2.0 * linear_.dot(x);
}

namespace {

MinimiserOptions FitOptions(double initial_damping,
                            int max_steps,
                            double gradient_tolerance = 1e-4) {
  MinimiserOptions options;
  options.initial_damping = initial_damping;
  options.max_steps = max_steps;
  options.gradient_tolerance = gradient_tolerance;
  return options;
}

}  // namespace

LevenbergMarquardtFit::LevenbergMarquardtFit(WeightedProblem& problem,
                                             Eigen::VectorXd x,
                                             double initial_damping,
                                             int max_steps,
                                             double gradient_tolerance)
    : objective_(problem),
      minimiser_(
          objective_, std::move(x), FitOptions(initial_damping, max_steps, gradient_tolerance)) {}

bool LevenbergMarquardtFit::Start() { return minimiser_.Start(); }

bool LevenbergMarquardtFit::Step() { return minimiser_.Step(); }

OccamFit::OccamFit(WeightedProblem& problem,
                   Eigen::VectorXd x,
                   double target,
                   bool blocky,
                   double cutoff,
                   int block)
    : problem_(problem),
      x_(std::move(x)),
      target_(target),
      blocky_(blocky),
      cutoff_(cutoff),
      block_(std::max(block, 1)) {}

Eigen::MatrixXd OccamFit::Differences() const {
  const Eigen::Index n = x_.size();
  std::vector<Eigen::Index> starts;
  for (Eigen::Index k = 0; k + 1 < n; ++k) {
    if ((k + 1) % block_ != 0) starts.push_back(k);
  }
  Eigen::MatrixXd f = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(starts.size()), n);
  for (size_t row = 0; row < starts.size(); ++row) {
    f(row, starts[row]) = -1.0;
    f(row, starts[row] + 1) = 1.0;
  }
  return f;
}

void OccamFit::SetReference(Eigen::VectorXd reference, double weight) {
  reference_ = std::move(reference);
  reference_weight_ = weight;
}

bool OccamFit::Start() {
  if (!problem_.Evaluate(x_, &residuals_, &jacobian_)) return false;
  chi2_ = residuals_.squaredNorm();
  return std::isfinite(chi2_);
}

double OccamFit::Roughness(const Eigen::VectorXd& x) const {
  const Eigen::VectorXd s = Differences() * x;
  double sum = 0.0;
  if (!blocky_) {
    sum = s.squaredNorm();
  } else {
    for (Eigen::Index k = 0; k < s.size(); ++k) sum += std::sqrt(s(k) * s(k) + cutoff_ * cutoff_);
  }
  if (reference_.size() > 0) sum += reference_weight_ * (x - reference_).squaredNorm();
  return sum;
}

Eigen::MatrixXd OccamFit::RoughnessMatrix() const {
  const Eigen::MatrixXd f = Differences();
  Eigen::MatrixXd r;
  if (!blocky_) {
    r = f.transpose() * f;
  } else {
    const Eigen::VectorXd s = f * x_;
    Eigen::VectorXd w(s.size());
    for (Eigen::Index k = 0; k < s.size(); ++k)
      w(k) = 1.0 / std::sqrt(s(k) * s(k) + cutoff_ * cutoff_);
    r = f.transpose() * w.asDiagonal() * f;
  }
  if (reference_.size() > 0) r.diagonal().array() += reference_weight_;
  return r;
}

bool OccamFit::PlainStep(double mu_min, bool* at_minimum) {
  WeightedLeastSquares objective(problem_);
  const Eigen::MatrixXd roughness = RoughnessMatrix();
  Eigen::VectorXd linear = Eigen::VectorXd::Zero(x_.size());
  if (reference_.size() > 0) linear = reference_weight_ * reference_;
  objective.SetPenalty(mu_min * roughness, mu_min * linear);
  DenseLevenbergMarquardt minimiser(objective, x_, FitOptions(kPlainDamping, kPlainSteps));
  if (!minimiser.Start()) return false;
  *at_minimum = AtMinimum(minimiser.Run());
  Eigen::VectorXd residuals;
  Eigen::MatrixXd jacobian;
  if (!problem_.Evaluate(minimiser.x(), &residuals, &jacobian)) return false;
  const double chi2 = residuals.squaredNorm();
  if (!(chi2 < chi2_ * (1.0 - 1e-6))) return false;
  x_ = minimiser.x();
  residuals_ = std::move(residuals);
  jacobian_ = std::move(jacobian);
  chi2_ = chi2;
  mu_ = mu_min;
  return true;
}

bool OccamFit::Step() {
  const Eigen::Index k = x_.size();
  if (k == 0) {
    converged_ = true;
    return false;
  }
  const Eigen::MatrixXd normal = jacobian_.transpose() * jacobian_;
  const Eigen::VectorXd rhs = jacobian_.transpose() * (residuals_ + jacobian_ * x_);
  const Eigen::MatrixXd roughness = RoughnessMatrix();
  // The reference's pull, mu a reference, joins the right-hand side.
  const Eigen::VectorXd pull = reference_.size() > 0
                                   ? Eigen::VectorXd(reference_weight_ * reference_)
                                   : Eigen::VectorXd::Zero(k);
  const double base = normal.trace() / std::max(roughness.trace(), 1e-300);
  const double mu_min = base * std::pow(10.0, -0.5 * kWeightSteps);
  // Occam steps that hardly lower chi^2 above the target give way to
  // Levenberg-Marquardt steps.
  if (slow_ && chi2_ > target_) return PlainOrLeast(mu_min);

  struct Candidate {
    double mu = 0.0;
    Eigen::VectorXd x;
    double linear_chi2 = 0.0;
    double chi2 = std::numeric_limits<double>::quiet_NaN();  // not yet evaluated
  };
  std::vector<Candidate> candidates;
  candidates.reserve(2 * kWeightSteps + 5);
  for (int g = kWeightSteps; g >= -kWeightSteps; --g) {  // smoothest first
    Candidate c;
    c.mu = base * std::pow(10.0, 0.5 * g);
    Eigen::MatrixXd system = normal + c.mu * roughness;
    const Eigen::LDLT<Eigen::MatrixXd> factor(system);
    c.x = factor.solve(rhs + c.mu * pull);
    if (factor.info() != Eigen::Success || !c.x.allFinite()) continue;
    c.linear_chi2 = (residuals_ - jacobian_ * (c.x - x_)).squaredNorm();
    candidates.push_back(std::move(c));
  }
  if (candidates.empty()) {
    converged_ = true;
    return false;
  }
  const auto grid_size = static_cast<std::ptrdiff_t>(candidates.size());
  Eigen::VectorXd residuals;
  auto evaluate = [&](Candidate& c) {
    if (std::isnan(c.chi2)) {
      c.chi2 = problem_.Evaluate(c.x, &residuals, nullptr)
                   ? residuals.squaredNorm()
                   : std::numeric_limits<double>::infinity();
      if (!std::isfinite(c.chi2)) c.chi2 = std::numeric_limits<double>::infinity();
    }
    return c.chi2;
  };
  // The Occam choice over the values `chi2_of` gives: the smoothest model
  // that reaches the target, or the best fitting one.
  auto choose = [&](auto chi2_of) -> Candidate* {
    for (Candidate& c : candidates) {
      if (chi2_of(c) <= target_) return &c;
    }
    Candidate* best = &candidates.front();
    for (Candidate& c : candidates) {
      if (chi2_of(c) < chi2_of(*best)) best = &c;
    }
    return best;
  };
  const double roughness_now = Roughness(x_);
  auto better = [&](Candidate& c) {
    const double chi2 = evaluate(c);
    if (chi2_ > target_) return chi2 < chi2_ * (1.0 - 1e-6);
    return chi2 <= target_ && Roughness(c.x) < roughness_now * (1.0 - 1e-6);
  };
  auto solve = [&](double mu, Candidate* c) {
    c->mu = mu;
    const Eigen::LDLT<Eigen::MatrixXd> factor(normal + mu * roughness);
    c->x = factor.solve(rhs + mu * pull);
    c->linear_chi2 = (residuals_ - jacobian_ * (c->x - x_)).squaredNorm();
    c->chi2 = std::numeric_limits<double>::quiet_NaN();
    return factor.info() == Eigen::Success && c->x.allFinite();
  };
  // Between a model that reaches the target by the values `chi2_of` gives
  // and a smoother mu that misses it, bisect ln mu for the smoothest model
  // that reaches it.
  auto bisect = [&](Candidate reaching, double missing_mu, auto chi2_of) {
    double low = std::log(reaching.mu), high = std::log(missing_mu);
    for (int bisection = 0; bisection < kBisections; ++bisection) {
      Candidate trial;
      if (!solve(std::exp(0.5 * (low + high)), &trial)) break;
      if (chi2_of(trial) <= target_) {
        low = std::log(trial.mu);
        reaching = std::move(trial);
      } else {
        high = std::log(trial.mu);
      }
    }
    return reaching;
  };
  // Between a grid model that reaches the target and the next smoother one,
  // which does not, bisect for the smoothest model that reaches it.
  auto refine = [&](Candidate* chosen, auto chi2_of) {
    const auto at = chosen - candidates.data();
    if (at < 1 || at >= grid_size || chi2_of(*chosen) > target_ ||
        !(chi2_of(candidates[at - 1]) > target_)) {
      return *chosen;
    }
    return bisect(*chosen, candidates[at - 1].mu, chi2_of);
  };

  // Once the linearised misfits reach the target they pick the model and
  // the forward confirms it: a model that misses the target is exchanged for
  // rougher ones. Before that, and when that fails, every candidate is
  // evaluated and the forward picks.
  Candidate* chosen = nullptr;
  Candidate* linear = choose([](const Candidate& c) { return c.linear_chi2; });
  if (linear->linear_chi2 <= target_) {
    Candidate c = refine(linear, [](const Candidate& k) { return k.linear_chi2; });
    double missed_mu = 0.0;  // the smallest mu seen to miss the target
    for (int rougher = 0; rougher < kRougherTries && evaluate(c) > target_; ++rougher) {
      missed_mu = c.mu;
      if (!solve(c.mu / std::sqrt(10.0), &c)) break;
    }
    if (missed_mu > 0.0 && evaluate(c) <= target_) {
      // Between the model that reaches the target and the smoother one that
      // missed it, bisect by the forward.
      c = bisect(std::move(c), missed_mu, evaluate);
    }
    if (std::isfinite(c.linear_chi2) && better(c)) {
      candidates.push_back(std::move(c));
      chosen = &candidates.back();
    }
  }
  if (chosen == nullptr) {
    chosen = choose([&](Candidate& c) { return evaluate(c); });
    if (chi2_ > target_ && evaluate(*chosen) > target_) {
      // Models rougher than the best one may overshoot where the problem is
      // far from linear: half their step can fit better still.
      const auto best_at = chosen - candidates.data();
      Candidate best = *chosen;
      for (auto k = best_at + 1; k < grid_size; ++k) {
        Candidate half = candidates[k];
        half.x = x_ + 0.5 * (half.x - x_);
        half.chi2 = std::numeric_limits<double>::quiet_NaN();
        if (evaluate(half) < best.chi2) best = std::move(half);
      }
      candidates.push_back(std::move(best));
      chosen = &candidates.back();
    }
    if (better(*chosen)) {
      Candidate c = refine(chosen, [&](Candidate& k) { return evaluate(k); });
      candidates.push_back(std::move(c));
      chosen = &candidates.back();
    } else {
      // Shorter steps toward the chosen model (above the target) or toward
      // the smoothest one the linearised misfits allow (once it is held).
      Candidate shorter = chi2_ > target_ ? *chosen : *linear;
      bool found = false;
      for (int halving = 1; halving <= 4 && !found; ++halving) {
        shorter.x = x_ + 0.5 * (shorter.x - x_);
        shorter.chi2 = std::numeric_limits<double>::quiet_NaN();
        found = better(shorter);
      }
      if (!found) {
        if (chi2_ <= target_) {
          converged_ = true;
          return false;
        }
        return PlainOrLeast(mu_min);
      }
      candidates.push_back(shorter);
      chosen = &candidates.back();
    }
  }
  const double chi2_before = chi2_;
  const double roughness_after = Roughness(chosen->x);
  if (!problem_.Evaluate(chosen->x, &residuals_, &jacobian_)) {
    converged_ = true;
    return false;
  }
  x_ = chosen->x;
  chi2_ = residuals_.squaredNorm();
  mu_ = chosen->mu;
  // Done once the target is held and the roughness hardly changes; above the
  // target the fit goes on while any step lowers chi^2.
  converged_ =
      chi2_before <= target_ && roughness_now - roughness_after < kRoughnessSettled * roughness_now;
  slow_ = chi2_ > target_ && chi2_before - chi2_ < kSlowDecrease * chi2_before;
  return true;
}

bool OccamFit::PlainOrLeast(double mu_min) {
  // A plain step may lower chi^2 where no weight does; once it reaches its
  // own minimum, chi^2 is the least this model reaches, and the fit goes on
  // to the smoothest model just above it.
  slow_ = false;
  bool at_minimum = false;
  if (PlainStep(mu_min, &at_minimum) && !at_minimum) {
    converged_ = false;
    return true;
  }
  least_ = chi2_;
  target_ = chi2_ * (1.0 + kLeastReachableMargin);
  converged_ = false;
  return Step() || at_minimum;
}

}  // namespace layra
