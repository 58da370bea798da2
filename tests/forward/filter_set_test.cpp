#include "forward/filter_set.h"

#include <gtest/gtest.h>

namespace layra {
namespace {

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
