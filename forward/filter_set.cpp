#include "forward/filter_set.h"

namespace layra {

namespace {

// Coefficient 1 pairs with the largest abscissa of the window.
constexpr std::array<float, kFilterLength> kWennerCoefficients = {
    -0.00407974f,
    0.049960058f,
    -0.31449199f,
    1.0696808f,
    -1.3078296f,
    -0.77357805f,
    1.0113817f,
    0.78045887f,
    0.2525917f,
    0.23301002f,
    -0.063776962f,
    0.086323962f,
    -0.02999467f,
    0.01034382f,
};

constexpr std::array<float, kFilterLength> kSchlumbergerCoefficients = {
    0.0039640581f,
    -0.036241762f,
    0.20226325f,
    -0.86057174f,
    2.5049272f,
    -3.5847223f,
    0.71660602f,
    1.1815078f,
    0.44988114f,
    0.40461126f,
    -0.098111078f,
    0.14842083f,
    -0.050959546f,
    0.018424783f,
};

constexpr float kSchlumbergerShift = 0.028526099f;
constexpr float kWennerShift = 0.050846901f;

}  // namespace

FilterSet SelectFilter(ArrayType array_type) {
  FilterSet filter;
  switch (array_type) {
    case ArrayType::kSchlumberger:
      filter.coefficients = kSchlumbergerCoefficients;
      filter.shift = kSchlumbergerShift;
      break;
    case ArrayType::kWenner:
      filter.coefficients = kWennerCoefficients;
      filter.shift = kWennerShift;
      break;
  }
  return filter;
}

}  // namespace layra
