#ifndef LAYRA_FORWARD_COLE_COLE_FIT_H_
#define LAYRA_FORWARD_COLE_COLE_FIT_H_

// Fit of the Cole-Cole time constant tau and exponent c to the amplitude and
// phase spectrum measured at one spacing, with rho0 and m held fixed. The
// parameters are fitted as ln tau and ln c by damped least squares; amplitude
// (ohm-m) and phase (milliradians) residuals enter unweighted.

#include "platform/listing_sink.h"

namespace layra {

// Amplitudes and phases of the Cole-Cole value at `frequency_count` frequencies.
void SpectrumResponse(int frequency_count,
                      const float* frequencies,
                      float* amplitudes,
                      float* phases,
                      float rho0,
                      float m,
                      float tau,
                      float c);

// As SpectrumResponse, and the Jacobian of the residuals (measured minus
// calculated) with respect to ln tau and ln c: 2 * frequency_count rows by 2
// columns, column by column; row k is the amplitude and row
// frequency_count + k the phase at frequency k.
void SpectrumJacobian(int frequency_count,
                      const float* frequencies,
                      float* amplitudes,
                      float* phases,
                      float rho0,
                      float m,
                      float tau,
                      float c,
                      float* jacobian);

// Exponent the fit starts from: the steepest slope of the phase spectrum on
// log-log axes, max |ln p[k+1] - ln p[k]| / |ln f[k+1] - ln f[k]| over
// neighbouring frequencies. Pairs whose logarithms are undefined (a phase or
// frequency not above 0) or whose frequencies are equal are left out; when no
// pair gives a positive slope the start is 0.5, the middle of the range of c.
float ColeColeStartingExponent(int frequency_count, const float* frequencies, const float* phases);

// Fits tau and c to the measured spectrum and returns tau (s); writes c and
// the misfit sqrt(S / (2 frequency_count)), S the sum of squared residuals.
// A decade search over tau = 0.001..10000 s precedes at most five damped
// steps; a step that raises the misfit is undone and ends the fit. Notices of
// the least-squares step (a line and a beep) go to `listing`.
float FitColeColeSpectrum(int frequency_count,
                          float rho0,
                          float m,
                          const float* frequencies,
                          const float* amplitudes,
                          const float* phases,
                          float* c,
                          float* rms,
                          ListingSink& listing);

}  // namespace layra

#endif  // LAYRA_FORWARD_COLE_COLE_FIT_H_
