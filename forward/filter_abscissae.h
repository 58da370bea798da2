#ifndef LAYRA_FORWARD_FILTER_ABSCISSAE_H_
#define LAYRA_FORWARD_FILTER_ABSCISSAE_H_

// The arithmetic every filter evaluation shares, real or complex, so that the
// resistivity kernel and the spectral response sample the transform at the
// same single-precision abscissae and sum the window the same way.

#include <cmath>

namespace layra {

// Largest abscissa of the window for a spacing: 2 / (spacing * shift),
// rounded to float. The factor 2 matches the transform's tanh(u / 2).
inline float FirstAbscissa(float spacing, float shift) {
  return static_cast<float>(2.0 / (static_cast<double>(spacing) * shift));
}

// Factor from one abscissa to the next smaller one: 1 / ratio, as a float.
inline float AbscissaStep(float ratio) { return static_cast<float>(1.0 / ratio); }

// Next abscissa, rounded to float: each one is the previous one times the
// step, never the first one times a power of it.
inline float NextAbscissa(float lambda, float step) { return lambda * step; }

// The filter sum c[0]*w[0] + ... + c[L-1]*w[L-1]: the first product rounded
// to float, the rest accumulated in double, the sum rounded to float.
inline float ApplyFilter(const float* coefficients, const float* window, int filter_length) {
  if (filter_length < 1) return 0.0f;
  double sum = static_cast<float>(static_cast<double>(coefficients[0]) * window[0]);
  for (int k = 1; k < filter_length; ++k) sum += static_cast<double>(coefficients[k]) * window[k];
  return static_cast<float>(sum);
}

// Marks a layer that is electrically infinitely thick at an abscissa
// (u = lambda * h above 20): the transform restarts at that layer's own
// resistivity. tanh(u / 2) never reaches this value.
constexpr double kThickLayer = 2.0;

// tanh(u / 2) of one layer at one abscissa as the recurrence uses it,
// (e^u - 1) / (1 + e^u) with u = lambda * h rounded to float, or kThickLayer
// when u exceeds 20. It depends on neither resistivity nor frequency.
inline double LayerFactor(float lambda, float thickness) {
  const float u = lambda * thickness;
  if (u > 20.0f) return kThickLayer;
  const double e = std::exp(static_cast<double>(u));
  return (e + (-1.0)) / (1.0 + e);
}

}  // namespace layra

#endif  // LAYRA_FORWARD_FILTER_ABSCISSAE_H_
