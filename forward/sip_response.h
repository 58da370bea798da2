#ifndef LAYRA_FORWARD_SIP_RESPONSE_H_
#define LAYRA_FORWARD_SIP_RESPONSE_H_

// Spectral IP of a layered earth: every layer carries a Cole-Cole complex
// resistivity at each frequency, and a complex form of the resistivity filter
// runs directly at each spacing (a grid of that one point, no spline).
// Real and imaginary parts are stored in single precision after every layer
// of the recurrence and after every filter sum, as in the real kernel.

namespace layra {

// Where ComputeSpectralResponse puts spacing i at frequency k.
enum class SpectralLayout {
  kFrequencyMajor,  // k * spacing_count + i: the forward-modelling window
  kPointMajor,      // i * frequency_count + k: the inversion, like the observed data
};

// Amplitude (ohm-m), phase (milliradians), real and imaginary parts of the
// apparent complex resistivity at every spacing and frequency. Per layer:
// rho0 (ohm-m), chargeability m, tau (s), exponent c; thickness[0..n-2].
// Each output holds spacing_count * frequency_count values.
void ComputeSpectralResponse(float shift,
                             int filter_length,
                             const float* coefficients,
                             float ratio,
                             const float* spacings,
                             int layer_count,
                             int frequency_count,
                             const float* frequencies,
                             const float* thickness,
                             const float* rho0,
                             const float* m,
                             const float* tau,
                             const float* c,
                             int spacing_count,
                             float* amplitude,
                             float* phase,
                             float* real,
                             float* imaginary,
                             SpectralLayout layout = SpectralLayout::kFrequencyMajor);

}  // namespace layra

#endif  // LAYRA_FORWARD_SIP_RESPONSE_H_
