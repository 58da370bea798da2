// The IP stage: with the layer resistivities and thicknesses of the
// resistivity stage held fixed, fits one chargeability per layer to the
// observed apparent chargeabilities through Seigel's relation
// (rho'_j = rho_j / (1 - m_j), m_a = 1 - rhoA / rhoA'). The parameters are
// q_j = sqrt(m_j), so a chargeability can never become negative.

#include <algorithm>
#include <cmath>
#include <vector>

#include "inversion/inversion_run.h"
#include "inversion/least_squares.h"
#include "inversion/sensitivities.h"

namespace layra {

namespace {

constexpr int kFactorRetries = 8;

class IpStage {
 public:
  explicit IpStage(InversionRun& run)
      : run_(run),
        model_(run.state.model),
        n_(run.data_count),
        layers_(run.layer_count),
        rho_a_(n_),
        perturbed_(layers_),
        rho_a_perturbed_(n_),
        sensitivity_(static_cast<size_t>(n_) * layers_),
        residuals_(n_),
        jacobian_(static_cast<size_t>(n_) * layers_),
        normal_(static_cast<size_t>(layers_) * layers_),
        rhs_(layers_),
        step_(layers_),
        q_(layers_),
        saved_q_(layers_) {}

  void Run();

 private:
  // Chargeabilities m = q^2, the perturbed response, the calculated apparent
  // chargeabilities, residuals and misfit (infinite when a chargeability
  // reaches 1 or a value is not finite).
  float Forward();
  bool Solve(double& lambda);
  void SetQ(const std::vector<float>& base, float scale);

  InversionRun& run_;
  LayeredModel& model_;
  const int n_;
  const int layers_;
  std::vector<float> rho_a_;
  std::vector<float> perturbed_;
  std::vector<float> rho_a_perturbed_;
  std::vector<float> sensitivity_;
  std::vector<float> residuals_;
  std::vector<float> jacobian_;
  std::vector<double> normal_;
  std::vector<float> rhs_;
  std::vector<float> step_;
  std::vector<float> q_;
  std::vector<float> saved_q_;
};

float IpStage::Forward() {
  bool valid = true;
  for (int j = 0; j < layers_; ++j) {
    const float m = q_[j] * q_[j];
    model_.chargeability[j] = m;
    valid = valid && std::isfinite(m) && m < 1.0f;
    perturbed_[j] = model_.resistivity[j] / (1.0f - m);
  }
  float* calculated_ip = run_.state.outcome.calculatedIp.data();
  if (!valid) {
    return INFINITY;
  }
  ComputeResponseAndSensitivities(0,
                                  run_.filter,
                                  run_.state.data.spacingA.data(),
                                  model_.thickness.data(),
                                  perturbed_.data(),
                                  layers_,
                                  rho_a_perturbed_.data(),
                                  n_,
                                  sensitivity_.data());
  double sum = 0.0;
  for (int i = 0; i < n_; ++i) {
    calculated_ip[i] = 1.0f - rho_a_[i] / rho_a_perturbed_[i];
    residuals_[i] = run_.observed_ip[i] - calculated_ip[i];
    sum += static_cast<double>(residuals_[i]) * residuals_[i];
  }
  const float misfit = static_cast<float>(std::sqrt(sum / n_));
  return std::isfinite(misfit) ? misfit : INFINITY;
}

bool IpStage::Solve(double& lambda) {
  for (int i = 0; i < n_; ++i) {
    const double ratio =
        rho_a_[i] / (static_cast<double>(rho_a_perturbed_[i]) * rho_a_perturbed_[i]);
    for (int j = 0; j < layers_; ++j) {
      const size_t at = i + static_cast<size_t>(j) * n_;
      jacobian_[at] =
          static_cast<float>(2.0 * q_[j] * sensitivity_[at] * model_.resistivity[j] * ratio);
    }
  }
  for (int attempt = 0; attempt <= kFactorRetries; ++attempt) {
    if (attempt > 0) lambda *= 2.0;
    BuildNormalEquations(
        jacobian_.data(), residuals_.data(), n_, layers_, 0, 0.0f, normal_.data(), rhs_.data());
    if (run_.user_model) {
      AddDiagonalDamping(normal_.data(), layers_, lambda);
    } else {
      AddRoughnessDamping(normal_.data(), run_.roughness.data(), layers_, lambda);
    }
    if (CholeskyFactor(normal_.data(), layers_, run_.host) == 0) {
      CholeskySolve(step_.data(), layers_, rhs_.data(), normal_.data());
      return std::all_of(step_.begin(), step_.end(), [](float dp) { return std::isfinite(dp); });
    }
  }
  return false;
}

void IpStage::SetQ(const std::vector<float>& base, float scale) {
  for (int j = 0; j < layers_; ++j) q_[j] = base[j] + scale * step_[j];
}

void IpStage::Run() {
  ProgramState& state = run_.state;
  const InversionSettings& settings = state.settings;
  // The apparent resistivity of the final resistivity model.
  std::vector<float> unused(static_cast<size_t>(n_) * layers_);
  ComputeResponseAndSensitivities(0,
                                  run_.filter,
                                  state.data.spacingA.data(),
                                  model_.thickness.data(),
                                  model_.resistivity.data(),
                                  layers_,
                                  rho_a_.data(),
                                  n_,
                                  unused.data());
  double mean = 0.0;
  for (int i = 0; i < n_; ++i) mean += std::fabs(run_.observed_ip[i]);
  // Chargeabilities must stay below 1 to have a response.
  const float start = std::min(std::max(static_cast<float>(mean / n_), 0.001f), 0.95f);
  std::fill(q_.begin(), q_.end(), std::sqrt(start));

  // The roughness of the IP parameters always uses the standard model
  // constraint.
  if (!run_.user_model) {
    run_.roughness.assign(static_cast<size_t>(layers_) * layers_, 0.0);
    BuildRoughness(
        1, q_.data(), 0, settings.modelCutoff, run_.roughness.data(), layers_, kFirstDifference);
  }
  float misfit = Forward();
  double lambda = settings.initialDampingFactor;
  int iteration = 0;
  bool grown = false;
  while (iteration < settings.iterationLimit && !grown && std::isfinite(misfit)) {
    const float before = misfit;
    if (!Solve(lambda)) break;
    saved_q_ = q_;
    SetQ(saved_q_, 1.0f);
    misfit = Forward();
    if (!(misfit <= before)) {
      SetQ(saved_q_, 0.35f);
      misfit = Forward();
      if (!(misfit <= before)) lambda *= 2.0;
    }
    if (!std::isfinite(misfit)) {
      // Chargeabilities at or above 1 have no response: keep the previous ones.
      q_ = saved_q_;
      misfit = Forward();
    }
    grown = misfit > before;
    ++iteration;
    run_.ip_misfit = misfit;
    DrawRunPlot(run_, PlotKind::kIp);
  }
  run_.ip_misfit = misfit;
  state.outcome.finalIpMisfit = misfit;
  run_.perturbed_sensitivity = sensitivity_;
  run_.ip_done = true;
  DrawRunPlot(run_, PlotKind::kIp);
}

}  // namespace

void RunIpStage(InversionRun& run) {
  IpStage stage(run);
  stage.Run();
}

}  // namespace layra
