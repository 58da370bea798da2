#include "forward/filter_set.h"

#include <gtest/gtest.h>

namespace layra {
namespace {

double CoefficientSum(const FilterSet& filter) {
  double sum = 0.0;
  for (float c : filter.coefficients) sum += c;
  return sum;
}

// A mistyped coefficient shows up in the sum: each set sums to 1 within
// single-precision rounding, which is what makes a half-space return itself.
TEST(SelectFilter, BothSetsSumToOne) {
  EXPECT_NEAR(CoefficientSum(SelectFilter(ArrayType::kSchlumberger)), 1.0, 2e-6);
  EXPECT_NEAR(CoefficientSum(SelectFilter(ArrayType::kWenner)), 1.0, 2e-6);
}

// Only code 7 selects the Schlumberger set; every other code the Wenner one.
TEST(SelectFilter, SchlumbergerOnlyForCodeSeven) {
  const FilterSet wenner = SelectFilter(ArrayType::kWenner);
  EXPECT_NE(SelectFilter(ArrayType::kSchlumberger).coefficients, wenner.coefficients);
  for (int code : {0, 1, 2, 6, 8}) {
    const FilterSet filter = SelectFilter(static_cast<ArrayType>(code));
    EXPECT_EQ(filter.coefficients, wenner.coefficients) << "code " << code;
    EXPECT_EQ(filter.shift, wenner.shift) << "code " << code;
  }
}

}  // namespace
}  // namespace layra
