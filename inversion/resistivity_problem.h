#ifndef LAYRA_INVERSION_RESISTIVITY_PROBLEM_H_
#define LAYRA_INVERSION_RESISTIVITY_PROBLEM_H_

// The accurate engine's resistivity problem of one sounding: whitened
// residuals (ln observed - ln predicted) / sigma of the apparent
// resistivities, sigma the relative data errors, and free variables those of
// a ParameterTransform of rho1..rhoL, h1..h(L-1).

#include <Eigen/Dense>
#include <vector>

#include "inversion/accurate_fit.h"
#include "inversion/parameter_transform.h"
#include "state/records.h"

namespace layra {

// Apparent resistivities of resistivity and thickness parameters held in a
// transform: rho1..rhoL, then h1..h(L-1).
class ResistivityProblem : public WeightedProblem {
 public:
  ResistivityProblem(const SoundingData& data,
                     int layers,
                     std::vector<double> sigma,
                     ParameterTransform transform);

  bool Evaluate(const Eigen::VectorXd& x,
                Eigen::VectorXd* residuals,
                Eigen::MatrixXd* jacobian) override;
  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return transform_.Pinned(static_cast<int>(k), x(k), descent);
  }

  ParameterTransform& transform() { return transform_; }
  const std::vector<double>& response() const { return response_; }
  const std::vector<double>& log_observed() const { return log_observed_; }
  const std::vector<double>& sigma() const { return sigma_; }
  int layers() const { return layers_; }

 private:
  const ArrayType array_type_;
  const int layers_;
  const std::vector<double> spacings_;
  const std::vector<double> sigma_;
  std::vector<double> log_observed_;
  ParameterTransform transform_;
  std::vector<double> response_;
};

}  // namespace layra

#endif  // LAYRA_INVERSION_RESISTIVITY_PROBLEM_H_
