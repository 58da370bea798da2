// The SIP stage: with resistivities, thicknesses and chargeabilities held as
// the earlier stages left them, fits one Cole-Cole time constant and one
// exponent per layer (as ln tau and ln c, 2L parameters) to the observed
// amplitude and phase spectra, in exactly four damped steps. A step that
// would raise the misfit is not kept.

#include <algorithm>
#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/cole_cole_fit.h"
#include "forward/sip_response.h"
#include "inversion/inversion_run.h"
#include "inversion/least_squares.h"

namespace layra {

namespace {

constexpr int kSipIterations = 4;

class SipStage {
 public:
  explicit SipStage(InversionRun& run)
      : run_(run),
        state_(run.state),
        model_(run.state.model),
        n_(run.data_count),
        layers_(run.layer_count),
        frequencies_(run.state.data.frequencyCount),
        values_(static_cast<size_t>(n_) * frequencies_),
        observed_amplitude_(values_),
        observed_phase_(values_),
        amplitude_(values_),
        phase_(values_),
        real_(values_),
        imaginary_(values_),
        residuals_(2 * values_),
        jacobian_(2 * values_ * 2 * layers_),
        normal_(static_cast<size_t>(2 * layers_) * 2 * layers_),
        rhs_(2 * layers_),
        step_(2 * layers_),
        observed_tau_(n_),
        observed_c_(n_),
        calculated_tau_(n_),
        calculated_c_(n_) {}

  void Run();

 private:
  // Observed spectra as amplitude and phase: data given as in-phase and
  // out-of-phase parts are converted, so both forms are compared alike.
  void LoadObserved();
  // Spectral response of the working model, residuals (observed minus
  // calculated, amplitudes then phases) and their sum of squares (infinite
  // when a value is not finite).
  float Forward();
  void BuildJacobian();
  bool Solve(double& lambda);
  void FitCalculatedSpectra();
  void Draw();

  InversionRun& run_;
  ProgramState& state_;
  LayeredModel& model_;
  const int n_;
  const int layers_;
  const int frequencies_;
  const size_t values_;
  std::vector<float> observed_amplitude_;  // point-major: datum i, frequency k at i * nf + k
  std::vector<float> observed_phase_;
  std::vector<float> amplitude_;
  std::vector<float> phase_;
  std::vector<float> real_;
  std::vector<float> imaginary_;
  std::vector<float> residuals_;
  std::vector<float> jacobian_;
  std::vector<double> normal_;
  std::vector<float> rhs_;
  std::vector<float> step_;
  std::vector<float> observed_tau_;
  std::vector<float> observed_c_;
  std::vector<float> calculated_tau_;
  std::vector<float> calculated_c_;
};

void SipStage::LoadObserved() {
  const SoundingData& data = state_.data;
  for (size_t v = 0; v < values_; ++v) {
    const float first = data.sipValue1[v];
    const float second = data.sipValue2[v];
    if (data.sipForm == SipForm::kAmplitudePhase) {
      observed_amplitude_[v] = first;
      observed_phase_[v] = second;
    } else {
      observed_amplitude_[v] = std::sqrt(first * first + second * second);
      observed_phase_[v] = PhaseMilliradians(first, second);
    }
  }
}

float SipStage::Forward() {
  const FilterSet& filter = run_.filter;
  ComputeSpectralResponse(filter.shift,
                          filter.length,
                          filter.coefficients.data(),
                          filter.ratio,
                          state_.data.spacingA.data(),
                          layers_,
                          frequencies_,
                          state_.data.frequencies.data(),
                          model_.thickness.data(),
                          model_.resistivity.data(),
                          model_.chargeability.data(),
                          model_.timeConstant.data(),
                          model_.exponent.data(),
                          n_,
                          amplitude_.data(),
                          phase_.data(),
                          real_.data(),
                          imaginary_.data(),
                          SpectralLayout::kPointMajor);
  double sum = 0.0;
  for (size_t v = 0; v < values_; ++v) {
    residuals_[v] = observed_amplitude_[v] - amplitude_[v];
    residuals_[values_ + v] = observed_phase_[v] - phase_[v];
    sum += static_cast<double>(residuals_[v]) * residuals_[v] +
           static_cast<double>(residuals_[values_ + v]) * residuals_[values_ + v];
  }
  return std::isfinite(sum) ? static_cast<float>(sum) : INFINITY;
}

void SipStage::BuildJacobian() {
  const std::vector<float>& sensitivity = run_.perturbed_sensitivity;
  const size_t rows = 2 * values_;
  for (int j = 0; j < layers_; ++j) {
    for (int k = 0; k < frequencies_; ++k) {
      float imaginary = 0.0f, amplitude = 0.0f, phase = 0.0f;
      ColeColePartials partials;
      ColeColeDerivatives(model_.resistivity[j],
                          model_.chargeability[j],
                          model_.timeConstant[j],
                          model_.exponent[j],
                          state_.data.frequencies[k],
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
          {j, model_.timeConstant[j], partials.realByTau, partials.imaginaryByTau},
          {layers_ + j, model_.exponent[j], partials.realByC, partials.imaginaryByC},
      };
      for (int i = 0; i < n_; ++i) {
        const size_t v = static_cast<size_t>(i) * frequencies_ + k;
        const double s = sensitivity[i + static_cast<size_t>(j) * n_];
        const double a = amplitude_[v];
        const double phi = -0.001 * phase_[v];
        for (const auto& p : parameters) {
          const double x = s * p.real_by;
          const double y = s * p.imaginary_by;
          float* column = &jacobian_[static_cast<size_t>(p.column) * rows];
          column[v] =
              static_cast<float>(-p.value * (a * std::sin(phi) * y + a * std::cos(phi) * x) / a);
          column[values_ + v] = static_cast<float>(
              p.value * 1000.0 * (a * std::cos(phi) * y - a * std::sin(phi) * x) / (a * a));
        }
      }
    }
  }
}

bool SipStage::Solve(double& lambda) {
  const int parameters = 2 * layers_;
  BuildNormalEquations(jacobian_.data(),
                       residuals_.data(),
                       static_cast<int>(2 * values_),
                       parameters,
                       0,
                       0.0f,
                       normal_.data(),
                       rhs_.data());
  AddDiagonalDamping(normal_.data(), parameters, lambda);
  if (CholeskyFactor(normal_.data(), parameters, run_.host) != 0) return false;
  // The Jacobian is that of the residuals: the step solves (J^T J + lambda I) dp = -J^T r.
  for (float& g : rhs_) g = -g;
  CholeskySolve(step_.data(), parameters, rhs_.data(), normal_.data());
  return std::all_of(step_.begin(), step_.end(), [](float dp) { return std::isfinite(dp); });
}

void SipStage::FitCalculatedSpectra() {
  const float* rho = state_.outcome.calculatedResistivity.data();
  const float* ip = state_.outcome.calculatedIp.data();
  for (int i = 0; i < n_; ++i) {
    const size_t v = static_cast<size_t>(i) * frequencies_;
    float c = 0.0f, rms = 0.0f;
    calculated_tau_[i] = FitColeColeSpectrum(frequencies_,
                                             rho[i],
                                             ip[i],
                                             state_.data.frequencies.data(),
                                             &amplitude_[v],
                                             &phase_[v],
                                             &c,
                                             &rms,
                                             run_.canvas,
                                             &run_.host);
    calculated_c_[i] = c;
  }
}

void SipStage::Draw() {
  FitCalculatedSpectra();
  // The plot takes the spectra frequency by frequency.
  std::vector<float> observed_amplitude(values_), observed_phase(values_);
  std::vector<float> calculated_amplitude(values_), calculated_phase(values_);
  for (int i = 0; i < n_; ++i) {
    for (int k = 0; k < frequencies_; ++k) {
      const size_t from = static_cast<size_t>(i) * frequencies_ + k;
      const size_t to = static_cast<size_t>(k) * n_ + i;
      observed_amplitude[to] = observed_amplitude_[from];
      observed_phase[to] = observed_phase_[from];
      calculated_amplitude[to] = amplitude_[from];
      calculated_phase[to] = phase_[from];
    }
  }
  ColeColePanels panels;
  panels.observed_tau = observed_tau_.data();
  panels.observed_c = observed_c_.data();
  panels.calculated_tau = calculated_tau_.data();
  panels.calculated_c = calculated_c_.data();
  panels.observed_amplitude = observed_amplitude.data();
  panels.observed_phase = observed_phase.data();
  panels.calculated_amplitude = calculated_amplitude.data();
  panels.calculated_phase = calculated_phase.data();
  DrawRunPlot(run_, PlotKind::kSipColeCole, &panels);
}

void SipStage::Run() {
  if (frequencies_ < 1 || run_.perturbed_sensitivity.size() != static_cast<size_t>(n_) * layers_)
    return;
  LoadObserved();
  // Each datum's own spectrum fitted with its resistivity and chargeability
  // held: the layers start from the geometric mean of the fitted time
  // constants and the mean of the exponents.
  double log_tau = 0.0, c_sum = 0.0;
  int fitted = 0;
  for (int i = 0; i < n_; ++i) {
    const size_t v = static_cast<size_t>(i) * frequencies_;
    float c = 0.0f, rms = 0.0f;
    const float tau = FitColeColeSpectrum(frequencies_,
                                          state_.data.apparentResistivity[i],
                                          run_.observed_ip[i],
                                          state_.data.frequencies.data(),
                                          &observed_amplitude_[v],
                                          &observed_phase_[v],
                                          &c,
                                          &rms,
                                          run_.canvas,
                                          &run_.host);
    observed_tau_[i] = tau;
    observed_c_[i] = c;
    state_.outcome.fittedTimeConstant[i] = tau;
    state_.outcome.fittedExponent[i] = c;
    if (std::isfinite(tau) && tau > 0.0f && std::isfinite(c) && c > 0.0f) {
      log_tau += std::log(static_cast<double>(tau));
      c_sum += c;
      ++fitted;
    }
  }
  // A spectrum that admits no fit leaves the layers at a neutral start.
  const float start_tau = fitted > 0 ? static_cast<float>(std::exp(log_tau / fitted)) : 1.0f;
  const float start_c = fitted > 0 ? static_cast<float>(c_sum / fitted) : 0.5f;
  std::fill(model_.timeConstant.begin(), model_.timeConstant.begin() + layers_, start_tau);
  std::fill(model_.exponent.begin(), model_.exponent.begin() + layers_, start_c);

  double lambda = state_.settings.initialDampingFactor;
  float misfit = Forward();
  std::vector<float> saved_tau(layers_), saved_c(layers_);
  for (int iteration = 0; iteration < kSipIterations && std::isfinite(misfit); ++iteration) {
    const float before = misfit;
    BuildJacobian();
    if (!Solve(lambda)) {
      // No usable step: this update is spent without changing the model.
      lambda *= 2.0;
      Draw();
      continue;
    }
    std::copy(
        model_.timeConstant.begin(), model_.timeConstant.begin() + layers_, saved_tau.begin());
    std::copy(model_.exponent.begin(), model_.exponent.begin() + layers_, saved_c.begin());
    bool usable = true;
    for (int j = 0; j < layers_; ++j) {
      model_.timeConstant[j] = saved_tau[j] * std::exp(step_[j]);
      model_.exponent[j] = saved_c[j] * std::exp(step_[layers_ + j]);
      usable = usable && std::isfinite(model_.timeConstant[j]) && model_.timeConstant[j] > 0.0f &&
               std::isfinite(model_.exponent[j]) && model_.exponent[j] > 0.0f;
    }
    if (usable) misfit = Forward();
    if (!usable || !(misfit <= before)) {
      // A step that raises the misfit is undone and the damping doubled:
      // with next to no damping, the steps of this ill-resolved problem can
      // run to exponents of thousands and a fit many times worse than the
      // start.
      lambda *= 2.0;
      std::copy(saved_tau.begin(), saved_tau.end(), model_.timeConstant.begin());
      std::copy(saved_c.begin(), saved_c.end(), model_.exponent.begin());
      misfit = Forward();
    }
    Draw();
    if (misfit < before) lambda *= 0.75;
  }
  std::copy(amplitude_.begin(), amplitude_.end(), state_.outcome.calculatedAmplitude.begin());
  std::copy(phase_.begin(), phase_.end(), state_.outcome.calculatedPhase.begin());
  state_.outcome.finalSipMisfit = misfit;
}

}  // namespace

void RunSipStage(InversionRun& run) {
  SipStage stage(run);
  stage.Run();
}

}  // namespace layra
