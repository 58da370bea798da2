#include "forward/cole_cole_fit.h"

#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/least_squares_step.h"

namespace layra {

namespace {

constexpr float kFallbackExponent = 0.5f;
constexpr int kDecadeCount = 8;
constexpr int kMaxDampedSteps = 5;

// Residuals (measured minus calculated, amplitudes first, then phases) and
// their sum of squares.
double Residuals(int nf,
                 const float* measured_amplitudes,
                 const float* measured_phases,
                 const float* amplitudes,
                 const float* phases,
                 double* residuals) {
  double sum = 0.0;
  for (int k = 0; k < nf; ++k) {
    residuals[k] = static_cast<double>(measured_amplitudes[k]) - amplitudes[k];
    residuals[nf + k] = static_cast<double>(measured_phases[k]) - phases[k];
  }
  for (int r = 0; r < 2 * nf; ++r) sum += residuals[r] * residuals[r];
  return sum;
}

}  // namespace

void SpectrumResponse(int frequency_count,
                      const float* frequencies,
                      float* amplitudes,
                      float* phases,
                      float rho0,
                      float m,
                      float tau,
                      float c) {
  for (int k = 0; k < frequency_count; ++k) {
    float imaginary;
    ColeColeResponse(rho0, m, tau, c, frequencies[k], &imaginary, &amplitudes[k], &phases[k]);
  }
}

void SpectrumJacobian(int frequency_count,
                      const float* frequencies,
                      float* amplitudes,
                      float* phases,
                      float rho0,
                      float m,
                      float tau,
                      float c,
                      float* jacobian) {
  const int rows = 2 * frequency_count;
  for (int k = 0; k < frequency_count; ++k) {
    float imaginary;
    ColeColePartials partials;
    ColeColeDerivatives(
        rho0, m, tau, c, frequencies[k], &imaginary, &amplitudes[k], &phases[k], &partials);
    // d(residual)/d(ln p) = -p d(calculated)/dp.
    jacobian[k] = -tau * partials.amplitudeByTau;
    jacobian[frequency_count + k] = -tau * partials.phaseByTau;
    jacobian[rows + k] = -c * partials.amplitudeByC;
    jacobian[rows + frequency_count + k] = -c * partials.phaseByC;
  }
}

float ColeColeStartingExponent(int frequency_count, const float* frequencies, const float* phases) {
  double steepest = 0.0;
  for (int k = 0; k + 1 < frequency_count; ++k) {
    if (!(phases[k] > 0.0f && phases[k + 1] > 0.0f)) continue;
    if (!(frequencies[k] > 0.0f && frequencies[k + 1] > 0.0f)) continue;
    const double run = std::fabs(std::log(static_cast<double>(frequencies[k + 1])) -
                                 std::log(static_cast<double>(frequencies[k])));
    if (!(run > 0.0)) continue;
    const double rise = std::fabs(std::log(static_cast<double>(phases[k + 1])) -
                                  std::log(static_cast<double>(phases[k])));
    const double slope = rise / run;
    if (slope > steepest) steepest = slope;
  }
  return steepest > 0.0 ? static_cast<float>(steepest) : kFallbackExponent;
}

float FitColeColeSpectrum(int frequency_count,
                          float rho0,
                          float m,
                          const float* frequencies,
                          const float* amplitudes,
                          const float* phases,
                          float* c,
                          float* rms,
                          ListingSink& listing) {
  const int nf = frequency_count;
  if (nf < 1) {
    *c = kFallbackExponent;
    *rms = 0.0f;
    return 0.0f;
  }
  const int rows = 2 * nf;
  std::vector<float> calculated(static_cast<size_t>(rows));
  float* calculated_amplitudes = calculated.data();
  float* calculated_phases = calculated.data() + nf;
  std::vector<double> residuals(static_cast<size_t>(rows));
  std::vector<float> jacobian(static_cast<size_t>(rows) * 2);
  float step[2] = {0.0f, 0.0f};

  float exponent = ColeColeStartingExponent(nf, frequencies, phases);

  // Decade search for the starting time constant; the first of equal misfits wins.
  float tau = 0.001f;
  float best_tau = tau;
  double best_misfit = 0.0;
  for (int decade = 0; decade < kDecadeCount; ++decade) {
    SpectrumResponse(
        nf, frequencies, calculated_amplitudes, calculated_phases, rho0, m, tau, exponent);
    const double misfit = Residuals(
        nf, amplitudes, phases, calculated_amplitudes, calculated_phases, residuals.data());
    if (decade == 0 || misfit < best_misfit) {
      best_misfit = misfit;
      best_tau = tau;
    }
    tau = tau * 10.0f;
  }
  tau = best_tau;

  SpectrumJacobian(nf,
                   frequencies,
                   calculated_amplitudes,
                   calculated_phases,
                   rho0,
                   m,
                   tau,
                   exponent,
                   jacobian.data());
  double misfit =
      Residuals(nf, amplitudes, phases, calculated_amplitudes, calculated_phases, residuals.data());

  float lambda = 1.0f;
  for (int iteration = 0; iteration < kMaxDampedSteps; ++iteration) {
    const float previous_tau = tau;
    const float previous_exponent = exponent;
    const double previous_misfit = misfit;
    // On a failed solve the step buffer keeps its last content (zero before
    // the first step) and the misfit test below decides.
    SolveDampedLeastSquares(jacobian.data(), rows, 2, residuals.data(), step, lambda, listing);
    tau = static_cast<float>(std::exp(std::log(static_cast<double>(tau)) + step[0]));
    exponent = static_cast<float>(std::exp(std::log(static_cast<double>(exponent)) + step[1]));
    SpectrumJacobian(nf,
                     frequencies,
                     calculated_amplitudes,
                     calculated_phases,
                     rho0,
                     m,
                     tau,
                     exponent,
                     jacobian.data());
    misfit = Residuals(
        nf, amplitudes, phases, calculated_amplitudes, calculated_phases, residuals.data());
    // A misfit that grew, or that is no longer a number, undoes the step.
    if (!(misfit <= previous_misfit)) {
      tau = previous_tau;
      exponent = previous_exponent;
      misfit = previous_misfit;
      break;
    }
    lambda = lambda * 0.35f;
  }

  *c = exponent;
  *rms = static_cast<float>(std::sqrt(misfit / rows));
  return tau;
}

}  // namespace layra
