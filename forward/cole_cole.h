#ifndef LAYRA_FORWARD_COLE_COLE_H_
#define LAYRA_FORWARD_COLE_COLE_H_

// The Cole-Cole complex resistivity of one polarisable layer at one frequency,
//   Z = rho0 [1 - m (1 - 1 / (1 + (i 2 pi f tau)^c))],
// with rho0 the DC resistivity (ohm-m), m the chargeability (a fraction), tau
// the time constant (s), c the exponent and f the frequency (Hz). Phases are
// in milliradians, the negative of the angle: -1000 atan(Im / Re), positive
// for the usual negative imaginary part.

namespace layra {

// Phase in milliradians of Re + i Im: -1000 atan(Im / Re). Where the real part
// is 0 the quotient has no value; the phase is then the limit for a small
// positive real part, 1570.796 when Im < 0 and -1570.796 when Im > 0, and 0
// when both parts are 0.
float PhaseMilliradians(float real, float imaginary);

// Returns the real part; writes the imaginary part, the amplitude
// sqrt(Re^2 + Im^2) and the phase. A frequency not above 0 gives the DC value
// rho0 with phase 0.
float ColeColeResponse(float rho0,
                       float m,
                       float tau,
                       float c,
                       float f,
                       float* imaginary,
                       float* amplitude,
                       float* phase);

// Partial derivatives of the Cole-Cole value with respect to tau and c.
struct ColeColePartials {
  float realByTau = 0.0f;
  float realByC = 0.0f;
  float imaginaryByTau = 0.0f;
  float imaginaryByC = 0.0f;
  float amplitudeByTau = 0.0f;
  float amplitudeByC = 0.0f;
  float phaseByTau = 0.0f;  // milliradians per second
  float phaseByC = 0.0f;
};

// The values of ColeColeResponse and their exact analytic derivatives with
// respect to tau and c. For f not above 0: rho0, 0, |rho0|, 0 and all
// derivatives 0.
float ColeColeDerivatives(float rho0,
                          float m,
                          float tau,
                          float c,
                          float f,
                          float* imaginary,
                          float* amplitude,
                          float* phase,
                          ColeColePartials* partials);

}  // namespace layra

#endif  // LAYRA_FORWARD_COLE_COLE_H_
