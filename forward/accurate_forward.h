#ifndef LAYRA_FORWARD_ACCURATE_FORWARD_H_
#define LAYRA_FORWARD_ACCURATE_FORWARD_H_

// Apparent resistivity of a horizontally layered earth in double precision at
// every given spacing, with exact sensitivities.
//
// Method: with T(lambda) the resistivity transform of the layers and
// K = T - rho1 (which decays like exp(-2 lambda h1)),
//   Wenner a:              rho_a = rho1 + 2a [I0(a) - I0(2a)]
//   Schlumberger, MN -> 0: rho_a = rho1 + s^2 int K lambda J1(lambda s) dlambda
//   Schlumberger AB/2 = s, MN/2 = b:
//                          rho_a = rho1 + (s^2 - b^2) / (2b) [I0(s - b) - I0(s + b)]
// with I0(r) = int K J0(lambda r) dlambda. A function with K's limit at
// lambda -> 0 and known transforms is taken out of K (an exponential, or over
// a more resistive half-space the transform of a conducting sheet); the
// rest goes through the 201-point order-1 filter of forward/hankel_filter.h,
// the differences I0(r1) - I0(r2) as int_r1^r2 (int K lambda J1(lambda r)
// dlambda) dr by Gauss-Legendre, so that nothing cancels. The kernel is
// computed once on a geometric grid of abscissae with the filter's own step
// (lagged convolution) and each radius between grid radii is reached by
// twelve-point Lagrange interpolation in log(lambda); a datum whose filtered
// part summed in magnitude over that stencil exceeds 1000 times the datum
// (far beyond a thin top layer over a very conductive basement, where the
// interpolation error would show) is evaluated again on a grid four times
// finer. The recurrence uses tanh(lambda h) written with expm1, so layers of
// any thickness stay finite and thin layers lose no digits. Against
// quadrature of the integrals the relative error is below 2e-6 for spacings
// of 0.1 m to 10 km, contrasts to 1000:1 and layers of 0.1 m to 1 km, the
// same for complex resistivities (phase within 1e-5 rad); below 1e-4 at
// contrasts to 1e6 either way for top layers of 0.1 m to 100 m, except over
// a 1e6 times more conductive basement at radii beyond about 1e5 times the
// top thickness (Wenner 10 km over 0.1 m: 4e-4; Schlumberger 20 km: 1e-3),
// where the top layer's kernel, decaying only like exp(-2 lambda h1), still
// matters at the filter's last abscissa.
//
// Every function returns false, and leaves its outputs empty, when the input
// is unusable: no layers, a thickness list that is not one shorter than the
// resistivity list, a resistivity or thickness that is not positive and
// finite, a spacing that is not positive and finite, or an MN/2 that is
// negative or not below its AB/2.

#include <complex>
#include <vector>

#include "state/records.h"

namespace layra::accurate {

// A layered earth: L resistivities (ohm-m), top first, and the L - 1
// thicknesses (m) of all layers but the half-space.
struct Layers {
  std::vector<double> resistivity;
  std::vector<double> thickness;
};

// Electrode geometry. `spacing` is the Wenner a or the Schlumberger AB/2 (m),
// `mn2` the Schlumberger MN/2 (m) of each spacing. An empty `mn2`, or an
// entry of 0, is the ideal limit MN -> 0; a Wenner geometry ignores `mn2`.
struct Geometry {
  ArrayType type = ArrayType::kSchlumberger;
  std::vector<double> spacing;
  std::vector<double> mn2;
};

// Apparent resistivities (ohm-m), one per spacing. When log_jacobian is given
// it receives d ln rhoa_i / d ln p_j, column-major n x (2L - 1) (entry
// i + n j): the L resistivities first, then the L - 1 thicknesses.
bool ApparentResistivity(const Geometry& geometry,
                         const Layers& layers,
                         std::vector<double>& rhoa,
                         std::vector<double>* log_jacobian = nullptr);

// Complex apparent resistivities of complex layer resistivities (the real
// kernel with complex arithmetic; thicknesses real). When jacobian is given it
// receives, column-major n x (2L - 1), d rhoa_i / d rho_j (complex
// derivatives, rhoa being analytic in each rho_j) in the first L columns and
// d rhoa_i / d h_j (ohm-m per m) in the last L - 1. Divided by rhoa_i, an
// entry is d ln rhoa_i: its real part the derivative of ln |rhoa_i|, its
// imaginary part that of the phase angle arg rhoa_i (radians).
bool ComplexApparentResistivity(const Geometry& geometry,
                                const std::vector<std::complex<double>>& resistivity,
                                const std::vector<double>& thickness,
                                std::vector<std::complex<double>>& rhoa,
                                std::vector<std::complex<double>>* jacobian = nullptr);

// Apparent chargeability (Seigel, a fraction) of layer chargeabilities
// m_j in [0, 1): ma = 1 - rhoa(rho) / rhoa(rho / (1 - m)). When jacobian is
// given it receives d ma_i / d m_j, column-major n x L. The apparent
// resistivity of the unperturbed layers goes to rhoa when given. A
// chargeability outside [0, 1) is refused.
bool ApparentChargeability(const Geometry& geometry,
                           const Layers& layers,
                           const std::vector<double>& chargeability,
                           std::vector<double>& ma,
                           std::vector<double>* jacobian = nullptr,
                           std::vector<double>* rhoa = nullptr);

// The Cole-Cole complex resistivity of one layer at one frequency f (Hz),
//   Z = rho0 [1 - m (1 - 1 / (1 + (i 2 pi f tau)^c))],
// and its derivatives with respect to rho0, m, tau and c. A frequency not
// above 0, or tau = 0, gives the DC value rho0 (derivatives by m, tau, c of 0).
struct ColeColeGradient {
  std::complex<double> value;
  std::complex<double> byRho0;
  std::complex<double> byM;
  std::complex<double> byTau;
  std::complex<double> byC;
};
ColeColeGradient ColeColeWithGradient(double rho0, double m, double tau, double c, double f);

// Cole-Cole layers: per layer the DC resistivity rho0 (ohm-m), chargeability
// m, time constant tau (s) and exponent c.
struct ColeColeLayers {
  std::vector<double> rho0;
  std::vector<double> thickness;  // L - 1 entries
  std::vector<double> m;
  std::vector<double> tau;
  std::vector<double> c;
};

// Complex apparent resistivity of Cole-Cole layers at frequency f (Hz). When
// jacobian is given it receives d rhoa_i / d p_j (complex), column-major
// n x (5L - 1), by the chain rule through the complex sensitivities: columns
// rho0_1..L, h_1..L-1, m_1..L, tau_1..L, c_1..L. Refused besides: a list
// whose length is not L, a rho0 that is not positive, a negative tau, or a
// value that is not finite.
bool ColeColeApparentResistivity(const Geometry& geometry,
                                 const ColeColeLayers& layers,
                                 double f,
                                 std::vector<std::complex<double>>& rhoa,
                                 std::vector<std::complex<double>>* jacobian = nullptr);

}  // namespace layra::accurate

#endif  // LAYRA_FORWARD_ACCURATE_FORWARD_H_
