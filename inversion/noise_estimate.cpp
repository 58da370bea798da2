#include "inversion/noise_estimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace layra {

namespace {

constexpr int kWeightsPerDecade = 10;
constexpr int kDecadesEitherSide = 7;
// Fewest degrees of freedom N - tr A left for an estimate.
constexpr double kFewestDegrees = 4.0;

}  // namespace

bool EstimateNoise(const Eigen::MatrixXd& jacobian,
                   const Eigen::VectorXd& residuals,
                   const Eigen::VectorXd& x,
                   const Eigen::MatrixXd& roughness,
                   double around,
                   NoiseEstimate* estimate,
                   bool exact) {
  const Eigen::Index n = jacobian.rows();
  const Eigen::Index m = jacobian.cols();
  if (n < kFewestDegrees + 1 || m < 1 || roughness.rows() != m) return false;
  const Eigen::MatrixXd normal = jacobian.transpose() * jacobian;
  // R is singular (a constant has no roughness): a ridge far below its scale
  // makes it definite without changing the weights that matter.
  Eigen::MatrixXd definite = roughness;
  definite.diagonal().array() += 1e-9 * std::max(roughness.trace() / m, 1e-300);
  const Eigen::GeneralizedSelfAdjointEigenSolver<Eigen::MatrixXd> solver(normal, definite);
  if (solver.info() != Eigen::Success) return false;
  // With V^T R V = I and V^T J^T J V = diag(gamma): x(mu) = V (gamma + mu)^-1 V^T b.
  const Eigen::VectorXd gamma = solver.eigenvalues().cwiseMax(0.0);
  const Eigen::MatrixXd& v = solver.eigenvectors();
  const Eigen::VectorXd data = residuals + jacobian * x;
  const Eigen::VectorXd c = v.transpose() * (jacobian.transpose() * data);
  const Eigen::MatrixXd u = jacobian * v;
  const double base = around > 0.0 ? around : normal.trace() / std::max(roughness.trace(), 1e-300);
  const int decades = around > 0.0 ? (exact ? 0 : 1) : kDecadesEitherSide;
  double best = std::numeric_limits<double>::infinity();
  for (int step = -decades * kWeightsPerDecade; step <= decades * kWeightsPerDecade; ++step) {
    const double mu = base * std::pow(10.0, static_cast<double>(step) / kWeightsPerDecade);
    Eigen::VectorXd coefficients(m);
    double trace = 0.0;
    for (Eigen::Index k = 0; k < m; ++k) {
      coefficients(k) = c(k) / (gamma(k) + mu);
      trace += gamma(k) / (gamma(k) + mu);
    }
    const double degrees = static_cast<double>(n) - trace;
    if (degrees < kFewestDegrees) continue;
    const double sum = (data - u * coefficients).squaredNorm();
    const double gcv = static_cast<double>(n) * sum / (degrees * degrees);
    if (!(gcv < best)) continue;
    best = gcv;
    estimate->sigma = std::sqrt(sum / degrees);
    estimate->weight = mu;
    estimate->effective = trace;
    estimate->model = v * coefficients;
  }
  return std::isfinite(best) && std::isfinite(estimate->sigma);
}

double LocalFitNoise(const std::vector<double>& spacing, const std::vector<double>& log_rho) {
  const size_t n = std::min(spacing.size(), log_rho.size());
  if (n < static_cast<size_t>(kLocalWindow)) return 0.0;
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(
      order.begin(), order.end(), [&](size_t a, size_t b) { return spacing[a] < spacing[b]; });
  double sum = 0.0, degrees = 0.0;
  for (size_t first = 0; first + kLocalWindow <= n; ++first) {
    Eigen::MatrixXd a(kLocalWindow, 3);
    Eigen::VectorXd b(kLocalWindow);
    const double centre = std::log(spacing[order[first + kLocalWindow / 2]]);
    for (int k = 0; k < kLocalWindow; ++k) {
      const double u = std::log(spacing[order[first + k]]) - centre;
      a(k, 0) = 1.0;
      a(k, 1) = u;
      a(k, 2) = u * u;
      b(k) = log_rho[order[first + k]];
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(a);
    sum += (a * qr.solve(b) - b).squaredNorm();
    degrees += kLocalWindow - static_cast<double>(qr.rank());
  }
  return degrees > 0.0 ? std::sqrt(sum / degrees) : 0.0;
}

}  // namespace layra
