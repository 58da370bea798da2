#ifndef LAYRA_INVERSION_NOISE_ESTIMATE_H_
#define LAYRA_INVERSION_NOISE_ESTIMATE_H_

// The noise level of a sounding estimated from the data themselves, by
// generalised cross-validation of the smooth fit (Wahba 1977, SIAM J. Numer.
// Anal. 14, 651-667; for nonlinear problems linearised at the current model
// as in Haber & Oldenburg 2000, Computational Geosciences 4, 41-63): with
// the unweighted residuals r = ln observed - ln predicted and sensitivities J
// at the model x, the regularised models x(mu) = (J^T J + mu R)^-1 J^T (r +
// J x) have linearised residuals r(mu) = r + J x - J x(mu) and influence
// matrix A(mu) = J (J^T J + mu R)^-1 J^T. The weight minimising
//   V(mu) = N |r(mu)|^2 / (N - tr A(mu))^2
// predicts left-out data best, and sigma^2 = |r(mu)|^2 / (N - tr A(mu)) is
// the variance of the noise, the residual sum over its degrees of freedom.
// The weights are scanned over 14 decades by a generalised eigenvalue
// decomposition of (J^T J, R), so each costs one pass over J. Linearised at a
// model far from x(mu), the estimate is too optimistic: the caller moves to
// x(mu) and estimates again until the weight settles, so that the residuals
// are those of the model itself.

#include <Eigen/Dense>
#include <vector>

namespace layra {

struct NoiseEstimate {
  double sigma = 0.0;      // standard deviation of ln rho_a (a fraction)
  double weight = 0.0;     // mu of the GCV minimum
  double effective = 0.0;  // tr A(mu): parameters the data determine
  Eigen::VectorXd model;   // x(mu)
};

// False when the data are too few for an estimate (fewer than 4 degrees of
// freedom at every weight) or the decomposition fails.
// `around` > 0 limits the weights to a decade either side of it, where the
// linearisation at x (a model found with a weight near `around`) holds;
// with `exact`, the estimate is that of the weight `around` itself.
bool EstimateNoise(const Eigen::MatrixXd& jacobian,
                   const Eigen::VectorXd& residuals,
                   const Eigen::VectorXd& x,
                   const Eigen::MatrixXd& roughness,
                   double around,
                   NoiseEstimate* estimate,
                   bool exact = false);

// The noise of ln rho_a from the data alone: a quadratic in ln s fitted to
// every run of kLocalWindow consecutive data (by spacing), the residual sums
// pooled over their degrees of freedom. A sounding curve is smooth over a
// few neighbouring spacings, so what the quadratics leave is mostly noise
// (where the curve bends sharply between them, also some of the curve: the
// estimate then errs high). 0 when the data are too few.
constexpr int kLocalWindow = 6;
double LocalFitNoise(const std::vector<double>& spacing, const std::vector<double>& log_rho);

}  // namespace layra

#endif  // LAYRA_INVERSION_NOISE_ESTIMATE_H_
