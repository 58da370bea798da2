#ifndef LAYRA_FORWARD_HANKEL_FILTER_H_
#define LAYRA_FORWARD_HANKEL_FILTER_H_

// The 201-point digital linear filters for Hankel transforms of order 0 and 1
// of K. Key (2012), "Is the fast Hankel transform faster than quadrature?",
// Geophysics 77(3), F21-F30, doi:10.1190/geo2011-0237.1:
//   int_0^inf f(lambda) J_nu(lambda r) dlambda
//     ~= (1 / r) sum_k w_nu[k] f(b_k / r),  b_k = exp(kHankelFirstLogBase + k kHankelLogStep).
// The abscissae are e^-12.4 ... e^12.4 in steps of 0.124 in the logarithm.

#include <array>

namespace layra {

constexpr int kHankelFilterLength = 201;
constexpr double kHankelFirstLogBase = -12.4;
constexpr double kHankelLogStep = 0.124;

// Weights of the order-0 filter.
extern const std::array<double, kHankelFilterLength> kHankelJ0Weights;
// Weights of the order-1 filter.
extern const std::array<double, kHankelFilterLength> kHankelJ1Weights;

}  // namespace layra

#endif  // LAYRA_FORWARD_HANKEL_FILTER_H_
