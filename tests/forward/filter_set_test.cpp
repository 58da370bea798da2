#include "forward/filter_set.h"

#include <gtest/gtest.h>

namespace layra {
namespace {

// Each array has its own filter, told apart by its shift factor.
TEST(SelectFilter, EachArrayHasItsOwnFilter) {
  const FilterSet wenner = SelectFilter(ArrayType::kWenner);
  const FilterSet schlumberger = SelectFilter(ArrayType::kSchlumberger);
  EXPECT_NE(schlumberger.coefficients, wenner.coefficients);
  EXPECT_FLOAT_EQ(wenner.shift, 0.050846901f);
  EXPECT_FLOAT_EQ(schlumberger.shift, 0.028526099f);
}

}  // namespace
}  // namespace layra
