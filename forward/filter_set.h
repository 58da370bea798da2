#ifndef LAYRA_FORWARD_FILTER_SET_H_
#define LAYRA_FORWARD_FILTER_SET_H_

#include <array>

#include "state/records.h"

namespace layra {

constexpr int kFilterLength = 14;

// The digital linear filter of one array type: 14 coefficients sampled at six
// points per decade (ratio R = 10^(1/6) in single precision) and the shift m
// that places the first abscissa. Coefficient 1 pairs with the largest
// abscissa of the window.
struct FilterSet {
  int length = kFilterLength;
  std::array<float, kFilterLength> coefficients{};
  float ratio = 1.4677989f;
  float shift = 0.0f;
};

// Schlumberger set for code 7, the Wenner set for every other code.
FilterSet SelectFilter(ArrayType array_type);

}  // namespace layra

#endif  // LAYRA_FORWARD_FILTER_SET_H_
