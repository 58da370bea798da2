// The documented engine: the filter-and-spline forward in single precision,
// sensitivities with the documented factor 2 on the thickness columns,
// unweighted logarithmic residuals, the Marquardt damping schedule with its
// step retries, and roughness damping for the automatic run. Every number it
// produces is the documented one.
//
// IP stage: with the layer resistivities and thicknesses held, one
// chargeability per layer is fitted through Seigel's relation
// (rho'_j = rho_j / (1 - m_j), m_a = 1 - rhoA / rhoA') as q_j = sqrt(m_j), so a
// chargeability can never become negative.
//
// SIP stage: with resistivities, thicknesses and chargeabilities held, one
// Cole-Cole time constant and one exponent per layer (as ln tau and ln c, 2L
// parameters) are fitted to the amplitude and phase spectra in exactly four
// damped steps. A step that would raise the misfit is not kept.

#include <algorithm>
#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/filter_set.h"
#include "forward/sip_response.h"
#include "inversion/engine.h"
#include "inversion/inversion_driver.h"
#include "inversion/inversion_run.h"
#include "inversion/least_squares.h"
#include "inversion/sensitivities.h"
#include "inversion/starting_model.h"
#include "state/text_format.h"

namespace layra {

namespace {

constexpr int kMaxRunLayers = 30;
constexpr int kSipIterations = 4;

bool AllFinitePositive(const float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(values[i]) || !(values[i] > 0.0f)) return false;
  }
  return true;
}

class DocumentedEngine : public InversionEngine {
 public:
  EngineKind kind() const override { return EngineKind::kDocumented; }
  int BuildAutomaticModel(InversionRun& run) override;
  int MaxRunLayers() const override { return kMaxRunLayers; }
  bool CheckChoices(const InversionRun&, std::string*) const override { return true; }

  void BeginResistivity(InversionRun& run) override;
  void EvaluateResistivity(InversionRun& run) override;
  StepResult StepResistivity(InversionRun& run) override;
  // The stage goes on while the misfit is above the convergence limit.
  std::optional<StopReason> Ended(const InversionRun& run) const override {
    if (run.misfit > run.state.settings.convergenceLimit) return std::nullopt;
    return StopReason::kConverged;
  }
  std::optional<StopReason> EndedAfterStep(InversionRun& run, bool improved) override;

  std::vector<float> ObservedIpFractions(const SoundingData& data) const override;
  bool BeginIp(InversionRun& run) override;
  StepResult StepIp(InversionRun& run, bool* last) override;
  void EndIp(InversionRun& run) override;

  int SipIterationLimit(const InversionRun&) const override { return kSipIterations; }
  bool BeginSip(InversionRun& run, SipSpectra& spectra) override;
  bool StepSip(InversionRun& run, SipSpectra& spectra) override;

 private:
  // Forms, damps and factors the normal equations and solves for step_.
  bool SolveResistivityStep(InversionRun& run);
  // Working model = saved model with the step scaled by `scale`; false when a
  // value would not be a finite number.
  bool ApplyStep(InversionRun& run, float scale);
  void RestoreSaved(InversionRun& run);

  // Chargeabilities m = q^2, the perturbed response, the calculated apparent
  // chargeabilities, IP residuals and misfit (infinite when a chargeability
  // reaches 1 or a value is not finite).
  float IpForward(InversionRun& run);
  bool SolveIp(InversionRun& run);

  // Spectral response of the working model, residuals (observed minus
  // calculated, amplitudes then phases) and their sum of squares.
  float SipForward(InversionRun& run, SipSpectra& spectra);
  void BuildSipJacobian(InversionRun& run, const SipSpectra& spectra);
  bool SolveSip(InversionRun& run);

  FilterSet filter_;  // of the sounding's array
  int n_ = 0;
  int layers_ = 0;
  int parameters_ = 0;
  double lambda_ = 0.0;
  int non_improving_ = 0;
  std::vector<double> roughness_;  // L by L, automatic runs
  std::vector<float> jacobian_;
  std::vector<float> residuals_;
  std::vector<double> normal_;
  std::vector<float> rhs_;
  std::vector<float> step_;
  std::vector<float> saved_resistivity_;
  std::vector<float> saved_thickness_;

  // IP stage.
  std::vector<float> rho_a_;
  std::vector<float> perturbed_;
  std::vector<float> rho_a_perturbed_;
  std::vector<float> sensitivity_;  // S(i, j) = d rhoA'_i / d rho'_j, kept for the SIP stage
  std::vector<float> q_;
  std::vector<float> saved_q_;
  float ip_misfit_ = 0.0f;

  // SIP stage.
  std::vector<float> real_;
  std::vector<float> imaginary_;
};

int DocumentedEngine::BuildAutomaticModel(InversionRun& run) {
  RunState& state = run.state;
  return BuildStartingModel(state.data.spacingA.data(),
                            state.data.apparentResistivity.data(),
                            state.data.pointCount,
                            state.thicknessFactor,
                            state.model);
}

void DocumentedEngine::BeginResistivity(InversionRun& run) {
  filter_ = SelectFilter(run.state.data.arrayType);
  n_ = run.data_count;
  layers_ = run.layer_count;
  parameters_ = run.parameter_count;
  jacobian_.assign(static_cast<size_t>(n_) * parameters_, 0.0f);
  residuals_.assign(n_, 0.0f);
  normal_.assign(static_cast<size_t>(parameters_) * parameters_, 0.0);
  rhs_.assign(parameters_, 0.0f);
  step_.assign(parameters_, 0.0f);
  saved_resistivity_.assign(layers_, 0.0f);
  saved_thickness_.assign(layers_, 0.0f);
  non_improving_ = 0;
  const InversionSettings& settings = run.state.settings;
  lambda_ = settings.initialDampingFactor;
  if (!run.user_model) {
    roughness_.assign(static_cast<size_t>(layers_) * layers_, 0.0);
    BuildRoughness(0,
                   run.state.model.resistivity.data(),
                   0,
                   settings.modelCutoff,
                   roughness_.data(),
                   layers_,
                   kFirstDifference);
  }
}

void DocumentedEngine::EvaluateResistivity(InversionRun& run) {
  const SoundingData& data = run.state.data;
  LayeredModel& model = run.state.model;
  float* calculated = run.state.outcome.calculatedResistivity.data();
  ComputeResponseAndSensitivities(run.user_model,
                                  filter_,
                                  data.spacingA.data(),
                                  model.thickness.data(),
                                  model.resistivity.data(),
                                  layers_,
                                  calculated,
                                  n_,
                                  jacobian_.data());
  ToLogSensitivities(model.resistivity.data(),
                     model.thickness.data(),
                     calculated,
                     jacobian_.data(),
                     n_,
                     layers_,
                     run.user_model,
                     jacobian_.data());
  float misfit = ComputeMisfit(run.state.settings.dataConstraint,
                               residuals_.data(),
                               data.apparentResistivity.data(),
                               calculated,
                               n_,
                               nullptr);
  // A response that is not a finite positive number anywhere makes the model
  // unusable; its misfit compares as worse than any other.
  if (!AllFinitePositive(calculated, n_) || !std::isfinite(misfit)) misfit = INFINITY;
  run.misfit = misfit;
}

bool DocumentedEngine::SolveResistivityStep(InversionRun& run) {
  const InversionSettings& settings = run.state.settings;
  auto form = [&](double lambda) {
    BuildNormalEquations(jacobian_.data(),
                         residuals_.data(),
                         n_,
                         parameters_,
                         settings.dataConstraint != 0 && run.iteration >= 1,
                         settings.dataCutoff,
                         normal_.data(),
                         rhs_.data());
    if (run.user_model) {
      AddDiagonalDamping(normal_.data(), parameters_, lambda);
    } else {
      AddRoughnessDamping(normal_.data(), roughness_.data(), parameters_, lambda);
    }
  };
  return SolveWithDampingRetries(
      lambda_, parameters_, form, normal_.data(), rhs_.data(), step_.data(), run.observer);
}

bool DocumentedEngine::ApplyStep(InversionRun& run, float scale) {
  LayeredModel& model = run.state.model;
  bool finite = true;
  for (int k = 0; k < layers_; ++k) {
    const float value = saved_resistivity_[k] * std::exp(step_[k] * scale);
    finite = finite && std::isfinite(value);
    model.resistivity[k] = value;
  }
  if (run.user_model) {
    for (int k = 0; k < layers_ - 1; ++k) {
      const float value = saved_thickness_[k] * std::exp(step_[layers_ + k] * scale);
      finite = finite && std::isfinite(value);
      model.thickness[k] = value;
    }
  }
  if (!finite) RestoreSaved(run);
  return finite;
}

void DocumentedEngine::RestoreSaved(InversionRun& run) {
  LayeredModel& model = run.state.model;
  std::copy(saved_resistivity_.begin(), saved_resistivity_.end(), model.resistivity.begin());
  std::copy(saved_thickness_.begin(), saved_thickness_.end(), model.thickness.begin());
}

StepResult DocumentedEngine::StepResistivity(InversionRun& run) {
  LayeredModel& model = run.state.model;
  const InversionSettings& settings = run.state.settings;
  const float previous = run.misfit;
  std::copy(
      model.resistivity.begin(), model.resistivity.begin() + layers_, saved_resistivity_.begin());
  std::copy(model.thickness.begin(), model.thickness.begin() + layers_, saved_thickness_.begin());
  if (!run.user_model && settings.modelConstraint != 0 && run.iteration >= 1) {
    BuildRoughness(0,
                   model.resistivity.data(),
                   1,
                   settings.modelCutoff,
                   roughness_.data(),
                   layers_,
                   kFirstDifference);
  }
  if (!SolveResistivityStep(run)) return StepResult::kNoStep;
  bool usable = ApplyStep(run, 1.0f);
  if (usable) {
    for (int k = 0; k < layers_; ++k) {
      if (!(model.resistivity[k] > 0.0f)) {
        run.observer.Beep();
        const std::string message = StrFormat("Negative resistivity for layer %3d", k + 1);
        run.observer.Warn(message, "Error Message");
        RestoreSaved(run);
        EvaluateResistivity(run);
        run.state.outcome.runStatus = RunStatus::kFailed;
        run.state.outcome.runMessage = message;
        return StepResult::kFailed;
      }
    }
    EvaluateResistivity(run);
  }
  // A step that worsens the fit, or would leave numbers that are not
  // finite, is retried at a third and then a tenth of its length.
  for (const float scale : {0.33f, 0.1f}) {
    if (usable && !(run.misfit > previous)) break;
    run.observer.Beep();
    usable = ApplyStep(run, scale) && AllFinitePositive(model.resistivity.data(), layers_);
    if (usable) EvaluateResistivity(run);
  }
  if (!usable || !std::isfinite(run.misfit)) {
    // Not even the shortest step gives a usable model: keep the previous one.
    RestoreSaved(run);
    EvaluateResistivity(run);
  }
  return StepResult::kStepped;
}

std::optional<StopReason> DocumentedEngine::EndedAfterStep(InversionRun& run, bool improved) {
  InversionSettings& settings = run.state.settings;
  lambda_ = NextDampingFactor(lambda_, improved, settings.minimumDampingFactor);
  // The second iteration that does not improve the fit ends the stage,
  // consecutive or not.
  if (!improved && ++non_improving_ > 1) return StopReason::kNoImprovement;
  // A misfit below the convergence limit ends the stage, unless the user,
  // asked, lowers the limit below it.
  if (run.misfit < settings.convergenceLimit) {
    if (!run.Cancelled()) run.observer.AskConvergenceLimit(settings);
    if (run.misfit < settings.convergenceLimit) return StopReason::kConverged;
  }
  return std::nullopt;
}

// IP values as fractions: a set holding any magnitude of 1 or more is in
// thousandths (mV/V, msec) and is scaled by 0.001 as a whole.
std::vector<float> DocumentedEngine::ObservedIpFractions(const SoundingData& data) const {
  std::vector<float> values(data.ipValue.begin(), data.ipValue.begin() + data.pointCount);
  bool thousandths = false;
  for (float v : values) thousandths = thousandths || std::fabs(v) >= 1.0f;
  if (thousandths) {
    for (float& v : values) v *= 0.001f;
  }
  return values;
}

float DocumentedEngine::IpForward(InversionRun& run) {
  LayeredModel& model = run.state.model;
  bool valid = true;
  for (int j = 0; j < layers_; ++j) {
    const float m = q_[j] * q_[j];
    model.chargeability[j] = m;
    valid = valid && std::isfinite(m) && m < 1.0f;
    perturbed_[j] = model.resistivity[j] / (1.0f - m);
  }
  float* calculated_ip = run.state.outcome.calculatedIp.data();
  if (!valid) return INFINITY;
  ComputeResponseAndSensitivities(0,
                                  filter_,
                                  run.state.data.spacingA.data(),
                                  model.thickness.data(),
                                  perturbed_.data(),
                                  layers_,
                                  rho_a_perturbed_.data(),
                                  n_,
                                  sensitivity_.data());
  double sum = 0.0;
  for (int i = 0; i < n_; ++i) {
    calculated_ip[i] = 1.0f - rho_a_[i] / rho_a_perturbed_[i];
    residuals_[i] = run.observed_ip[i] - calculated_ip[i];
    sum += static_cast<double>(residuals_[i]) * residuals_[i];
  }
  const float misfit = static_cast<float>(std::sqrt(sum / n_));
  return std::isfinite(misfit) ? misfit : INFINITY;
}

bool DocumentedEngine::SolveIp(InversionRun& run) {
  const LayeredModel& model = run.state.model;
  for (int i = 0; i < n_; ++i) {
    const double ratio =
        rho_a_[i] / (static_cast<double>(rho_a_perturbed_[i]) * rho_a_perturbed_[i]);
    for (int j = 0; j < layers_; ++j) {
      const size_t at = i + static_cast<size_t>(j) * n_;
      jacobian_[at] =
          static_cast<float>(2.0 * q_[j] * sensitivity_[at] * model.resistivity[j] * ratio);
    }
  }
  auto form = [&](double lambda) {
    BuildNormalEquations(
        jacobian_.data(), residuals_.data(), n_, layers_, 0, 0.0f, normal_.data(), rhs_.data());
    if (run.user_model) {
      AddDiagonalDamping(normal_.data(), layers_, lambda);
    } else {
      AddRoughnessDamping(normal_.data(), roughness_.data(), layers_, lambda);
    }
  };
  return SolveWithDampingRetries(
      lambda_, layers_, form, normal_.data(), rhs_.data(), step_.data(), run.observer);
}

bool DocumentedEngine::BeginIp(InversionRun& run) {
  filter_ = SelectFilter(run.state.data.arrayType);
  RunState& state = run.state;
  const InversionSettings& settings = state.settings;
  LayeredModel& model = state.model;
  n_ = run.data_count;
  layers_ = run.layer_count;
  rho_a_.assign(n_, 0.0f);
  perturbed_.assign(layers_, 0.0f);
  rho_a_perturbed_.assign(n_, 0.0f);
  sensitivity_.assign(static_cast<size_t>(n_) * layers_, 0.0f);
  residuals_.assign(n_, 0.0f);
  jacobian_.assign(static_cast<size_t>(n_) * layers_, 0.0f);
  normal_.assign(static_cast<size_t>(layers_) * layers_, 0.0);
  rhs_.assign(layers_, 0.0f);
  step_.assign(layers_, 0.0f);
  q_.assign(layers_, 0.0f);
  // The apparent resistivity of the final resistivity model.
  std::vector<float> unused(static_cast<size_t>(n_) * layers_);
  ComputeResponseAndSensitivities(0,
                                  filter_,
                                  state.data.spacingA.data(),
                                  model.thickness.data(),
                                  model.resistivity.data(),
                                  layers_,
                                  rho_a_.data(),
                                  n_,
                                  unused.data());
  double mean = 0.0;
  for (int i = 0; i < n_; ++i) mean += std::fabs(run.observed_ip[i]);
  // Chargeabilities must stay below 1 to have a response.
  const float start = std::min(std::max(static_cast<float>(mean / n_), 0.001f), 0.95f);
  std::fill(q_.begin(), q_.end(), std::sqrt(start));

  // The roughness of the IP parameters always uses the standard model
  // constraint.
  if (!run.user_model) {
    roughness_.assign(static_cast<size_t>(layers_) * layers_, 0.0);
    BuildRoughness(
        1, q_.data(), 0, settings.modelCutoff, roughness_.data(), layers_, kFirstDifference);
  }
  ip_misfit_ = IpForward(run);
  run.ip_misfit = ip_misfit_;
  lambda_ = settings.initialDampingFactor;
  return std::isfinite(ip_misfit_);
}

StepResult DocumentedEngine::StepIp(InversionRun& run, bool* last) {
  const float before = ip_misfit_;
  if (!SolveIp(run)) return StepResult::kNoStep;
  saved_q_ = q_;
  auto set_q = [&](float scale) {
    for (int j = 0; j < layers_; ++j) q_[j] = saved_q_[j] + scale * step_[j];
  };
  set_q(1.0f);
  float misfit = IpForward(run);
  if (!(misfit <= before)) {
    set_q(0.35f);
    misfit = IpForward(run);
    if (!(misfit <= before)) lambda_ *= 2.0;
  }
  if (!std::isfinite(misfit)) {
    // Chargeabilities at or above 1 have no response: keep the previous ones.
    q_ = saved_q_;
    misfit = IpForward(run);
  }
  *last = misfit > before || !std::isfinite(misfit);
  ip_misfit_ = misfit;
  run.ip_misfit = misfit;
  return StepResult::kStepped;
}

void DocumentedEngine::EndIp(InversionRun& run) {
  run.ip_misfit = ip_misfit_;
  run.state.outcome.finalIpMisfit = ip_misfit_;
}

float DocumentedEngine::SipForward(InversionRun& run, SipSpectra& spectra) {
  const FilterSet& filter = filter_;
  const RunState& state = run.state;
  const LayeredModel& model = state.model;
  ComputeSpectralResponse(filter.shift,
                          filter.length,
                          filter.coefficients.data(),
                          filter.ratio,
                          state.data.spacingA.data(),
                          layers_,
                          spectra.frequencies,
                          state.data.frequencies.data(),
                          model.thickness.data(),
                          model.resistivity.data(),
                          model.chargeability.data(),
                          model.timeConstant.data(),
                          model.exponent.data(),
                          n_,
                          spectra.amplitude.data(),
                          spectra.phase.data(),
                          real_.data(),
                          imaginary_.data(),
                          SpectralLayout::kPointMajor);
  const size_t values = spectra.amplitude.size();
  double sum = 0.0;
  for (size_t v = 0; v < values; ++v) {
    residuals_[v] = spectra.observed_amplitude[v] - spectra.amplitude[v];
    residuals_[values + v] = spectra.observed_phase[v] - spectra.phase[v];
    sum += static_cast<double>(residuals_[v]) * residuals_[v] +
           static_cast<double>(residuals_[values + v]) * residuals_[values + v];
  }
  return std::isfinite(sum) ? static_cast<float>(sum) : INFINITY;
}

void DocumentedEngine::BuildSipJacobian(InversionRun& run, const SipSpectra& spectra) {
  const LayeredModel& model = run.state.model;
  const int frequencies = spectra.frequencies;
  const size_t values = spectra.amplitude.size();
  const size_t rows = 2 * values;
  for (int j = 0; j < layers_; ++j) {
    for (int k = 0; k < frequencies; ++k) {
      float imaginary = 0.0f, amplitude = 0.0f, phase = 0.0f;
      ColeColePartials partials;
      ColeColeDerivatives(model.resistivity[j],
                          model.chargeability[j],
                          model.timeConstant[j],
                          model.exponent[j],
                          run.state.data.frequencies[k],
                          &imaginary,
                          &amplitude,
                          &phase,
                          &partials);
      // Column j: ln tau_j; column L + j: ln c_j.
      const struct {
        int column;
        double value;
        double real_by;
        double imaginary_by;
      } parameters[2] = {
          {j, model.timeConstant[j], partials.realByTau, partials.imaginaryByTau},
          {layers_ + j, model.exponent[j], partials.realByC, partials.imaginaryByC},
      };
      for (int i = 0; i < n_; ++i) {
        const size_t v = static_cast<size_t>(i) * frequencies + k;
        const double s = sensitivity_[i + static_cast<size_t>(j) * n_];
        const double a = spectra.amplitude[v];
        const double phi = -0.001 * spectra.phase[v];
        for (const auto& p : parameters) {
          const double x = s * p.real_by;
          const double y = s * p.imaginary_by;
          float* column = &jacobian_[static_cast<size_t>(p.column) * rows];
          column[v] =
              static_cast<float>(-p.value * (a * std::sin(phi) * y + a * std::cos(phi) * x) / a);
          column[values + v] = static_cast<float>(
              p.value * 1000.0 * (a * std::cos(phi) * y - a * std::sin(phi) * x) / (a * a));
        }
      }
    }
  }
}

bool DocumentedEngine::SolveSip(InversionRun& run) {
  const int parameters = 2 * layers_;
  BuildNormalEquations(jacobian_.data(),
                       residuals_.data(),
                       static_cast<int>(residuals_.size()),
                       parameters,
                       0,
                       0.0f,
                       normal_.data(),
                       rhs_.data());
  AddDiagonalDamping(normal_.data(), parameters, lambda_);
  if (CholeskyFactor(normal_.data(), parameters, run.observer) != 0) return false;
  // The Jacobian is that of the residuals: the step solves (J^T J + lambda I) dp = -J^T r.
  for (float& g : rhs_) g = -g;
  CholeskySolve(step_.data(), parameters, rhs_.data(), normal_.data());
  return std::all_of(step_.begin(), step_.end(), [](float dp) { return std::isfinite(dp); });
}

bool DocumentedEngine::BeginSip(InversionRun& run, SipSpectra& spectra) {
  if (sensitivity_.size() != static_cast<size_t>(n_) * layers_) return false;
  const size_t values = spectra.amplitude.size();
  real_.assign(values, 0.0f);
  imaginary_.assign(values, 0.0f);
  residuals_.assign(2 * values, 0.0f);
  jacobian_.assign(2 * values * 2 * layers_, 0.0f);
  normal_.assign(static_cast<size_t>(2 * layers_) * 2 * layers_, 0.0);
  rhs_.assign(2 * layers_, 0.0f);
  step_.assign(2 * layers_, 0.0f);
  lambda_ = run.state.settings.initialDampingFactor;
  spectra.misfit = SipForward(run, spectra);
  return true;
}

bool DocumentedEngine::StepSip(InversionRun& run, SipSpectra& spectra) {
  LayeredModel& model = run.state.model;
  const float before = spectra.misfit;
  BuildSipJacobian(run, spectra);
  if (!SolveSip(run)) {
    // No usable step: this update is spent without changing the model.
    lambda_ *= 2.0;
    return true;
  }
  std::vector<float> saved_tau(model.timeConstant.begin(), model.timeConstant.begin() + layers_);
  std::vector<float> saved_c(model.exponent.begin(), model.exponent.begin() + layers_);
  bool usable = true;
  for (int j = 0; j < layers_; ++j) {
    model.timeConstant[j] = saved_tau[j] * std::exp(step_[j]);
    model.exponent[j] = saved_c[j] * std::exp(step_[layers_ + j]);
    usable = usable && std::isfinite(model.timeConstant[j]) && model.timeConstant[j] > 0.0f &&
             std::isfinite(model.exponent[j]) && model.exponent[j] > 0.0f;
  }
  float misfit = before;
  if (usable) misfit = SipForward(run, spectra);
  if (!usable || !(misfit <= before)) {
    // A step that raises the misfit is undone and the damping doubled:
    // with next to no damping, the steps of this ill-resolved problem can
    // run to exponents of thousands and a fit many times worse than the
    // start.
    lambda_ *= 2.0;
    std::copy(saved_tau.begin(), saved_tau.end(), model.timeConstant.begin());
    std::copy(saved_c.begin(), saved_c.end(), model.exponent.begin());
    misfit = SipForward(run, spectra);
  }
  spectra.misfit = misfit;
  if (misfit < before) lambda_ *= 0.75;
  return true;
}

}  // namespace

std::unique_ptr<InversionEngine> MakeDocumentedEngine() {
  return std::make_unique<DocumentedEngine>();
}

std::unique_ptr<InversionEngine> MakeEngine(EngineKind kind) {
  return kind == EngineKind::kAccurate ? MakeAccurateEngine() : MakeDocumentedEngine();
}

}  // namespace layra
