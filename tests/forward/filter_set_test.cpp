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

TEST(SelectFilter, SchlumbergerOnlyForCodeSeven) {
  const FilterSet schlumberger = SelectFilter(ArrayType::kSchlumberger);
  EXPECT_EQ(schlumberger.length, 14);
  EXPECT_EQ(schlumberger.shift, 0.028526099f);
  EXPECT_EQ(schlumberger.coefficients[0], 0.0039640581f);
  EXPECT_EQ(schlumberger.coefficients[13], 0.018424783f);
  EXPECT_EQ(schlumberger.ratio, 1.4677989f);

  for (int code : {0, 1, 2, 6, 8}) {
    const FilterSet filter = SelectFilter(static_cast<ArrayType>(code));
    EXPECT_EQ(filter.shift, 0.050846901f) << "code " << code;
    EXPECT_EQ(filter.coefficients[0], -0.00407974f) << "code " << code;
    EXPECT_EQ(filter.coefficients[13], 0.01034382f) << "code " << code;
    EXPECT_EQ(filter.ratio, 1.4677989f) << "code " << code;
  }
}

}  // namespace
}  // namespace layra
