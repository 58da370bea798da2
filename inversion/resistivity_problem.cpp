#include "inversion/resistivity_problem.h"

#include <cmath>
#include <memory>
#include <utility>

#include "inversion/accurate_response.h"
#include "inversion/data_errors.h"

namespace layra {

ResistivityProblem::ResistivityProblem(const SoundingData& data,
                                       int layers,
                                       std::vector<double> sigma,
                                       ParameterTransform transform)
    : array_type_(data.arrayType),
      layers_(layers),
      spacings_(data.spacingA.begin(), data.spacingA.begin() + data.pointCount),
      sigma_(std::move(sigma)),
      transform_(std::move(transform)) {
  for (int i = 0; i < data.pointCount; ++i) {
    log_observed_.push_back(std::log(static_cast<double>(data.apparentResistivity[i])));
  }
}

bool ResistivityProblem::Evaluate(const Eigen::VectorXd& x,
                                  Eigen::VectorXd* residuals,
                                  Eigen::MatrixXd* jacobian) {
  std::vector<double> derivative;
  transform_.FromFree(std::vector<double>(x.data(), x.data() + x.size()), &derivative);
  const std::vector<double> values = transform_.Values();
  const std::vector<double> rho(values.begin(), values.begin() + layers_);
  const std::vector<double> h(values.begin() + layers_, values.end());
  std::vector<double> log_jacobian;
  if (!AccurateApparentResistivity(
          array_type_, spacings_, rho, h, response_, jacobian ? &log_jacobian : nullptr)) {
    return false;
  }
  const int n = static_cast<int>(spacings_.size());
  residuals->resize(n);
  for (int i = 0; i < n; ++i)
    (*residuals)(i) = (log_observed_[i] - std::log(response_[i])) / sigma_[i];
  if (jacobian != nullptr) {
    const int free = transform_.FreeCount();
    jacobian->resize(n, free);
    for (int k = 0; k < free; ++k) {
      const int p = transform_.FreeIndex(k);
      const double by = derivative[k] / values[p];  // d ln p / dx
      for (int i = 0; i < n; ++i) {
        (*jacobian)(i, k) = log_jacobian[i + static_cast<size_t>(p) * n] * by / sigma_[i];
      }
    }
  }
  return residuals->allFinite();
}

std::unique_ptr<WeightedProblem> MakeAccurateResistivityProblem(
    const SoundingData& data,
    const EngineOptions& options,
    const std::vector<double>& thickness,
    bool free_thicknesses) {
  const int layers = static_cast<int>(thickness.size()) + 1;
  std::vector<ModelParameter> parameters;
  AppendParameters(ParameterKind::kResistivity, std::vector<double>(layers, 1.0), parameters);
  AppendParameters(ParameterKind::kThickness, thickness, parameters);
  if (!free_thicknesses) {
    for (int j = layers; j < 2 * layers - 1; ++j) parameters[j].fixed = true;
  }
  return std::make_unique<ResistivityProblem>(
      data, layers, ResistivityErrors(data, options), ParameterTransform(std::move(parameters)));
}

}  // namespace layra
