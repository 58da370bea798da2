#include "forward/resistivity_kernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "forward/filter_set.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

std::vector<float> Sounding(ArrayType array,
                            const std::vector<float>& thickness,
                            const std::vector<float>& resistivity,
                            const std::vector<float>& spacings) {
  return testing::ForwardResponse(array, spacings, resistivity, thickness);
}

// Two layers by the method of images, k = (rho2 - rho1) / (rho2 + rho1):
//   Wenner a:        rho1 [1 + 4 sum k^n (1/sqrt(1 + (2nh/a)^2) - 1/sqrt(4 + (2nh/a)^2))]
//   Schlumberger s:  rho1 [1 + 2 sum k^n (1 + (2nh/s)^2)^(-3/2)]
double ImageSeries(ArrayType array, double rho1, double rho2, double h, double spacing) {
  const double k = (rho2 - rho1) / (rho2 + rho1);
  double sum = 0.0;
  double k_power = 1.0;
  for (int n = 1; n < 1000000; ++n) {
    k_power *= k;
    if (std::fabs(k_power) < 1e-15) break;
    const double x = 2.0 * n * h / spacing;
    if (array == ArrayType::kWenner) {
      sum += k_power * (1.0 / std::sqrt(1.0 + x * x) - 1.0 / std::sqrt(4.0 + x * x));
    } else {
      sum += k_power * std::pow(1.0 + x * x, -1.5);
    }
  }
  return rho1 * (1.0 + (array == ArrayType::kWenner ? 4.0 : 2.0) * sum);
}

class KernelByArray : public ::testing::TestWithParam<ArrayType> {};

TEST_P(KernelByArray, HalfSpaceReturnsItsResistivity) {
  std::vector<float> spacings;
  for (int i = 0; i < 30; ++i) spacings.push_back(0.5f * std::pow(1.37f, static_cast<float>(i)));
  // One layer, or two of the same resistivity.
  for (const auto& [h, rho] :
       {std::pair<std::vector<float>, std::vector<float>>{{}, {37.5f}}, {{7.0f}, {37.5f, 37.5f}}}) {
    const std::vector<float> out = Sounding(GetParam(), h, rho, spacings);
    for (size_t i = 0; i < out.size(); ++i)
      EXPECT_NEAR(out[i], 37.5f, 2e-5 * 37.5f) << "spacing " << spacings[i];
  }
}

// Against the image series over four decades: the filter's own 0.12 % at a grid
// point (a single spacing is one); the spline adds up to 2.4 % for 1:100, 0.5 %
// for 1:10 and milder.
TEST_P(KernelByArray, AgreesWithImageSeriesOverContrastsAndFourDecades) {
  const ArrayType array = GetParam();
  const float h = 10.0f;
  std::vector<float> spacings;
  for (int i = 0; i <= 40; ++i) spacings.push_back(std::pow(10.0f, i / 10.0f));  // 1..10^4 m
  for (double contrast : {0.01, 0.1, 0.3, 10.0, 100.0}) {
    const float rho1 = 100.0f;
    const float rho2 = static_cast<float>(100.0 * contrast);
    const std::vector<float> interpolated = Sounding(array, {h}, {rho1, rho2}, spacings);
    const double spline_tolerance = (contrast < 0.1) ? 0.03 : 0.005;
    for (size_t i = 0; i < spacings.size(); ++i) {
      const double expected = ImageSeries(array, rho1, rho2, h, spacings[i]);
      const double at_grid = Sounding(array, {h}, {rho1, rho2}, {spacings[i]})[0];
      EXPECT_NEAR(at_grid / expected, 1.0, 0.0015)
          << "contrast " << contrast << " spacing " << spacings[i];
      EXPECT_NEAR(interpolated[i] / expected, 1.0, spline_tolerance)
          << "contrast " << contrast << " spacing " << spacings[i];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothArrays,
                         KernelByArray,
                         ::testing::Values(ArrayType::kSchlumberger, ArrayType::kWenner));

// Published check values of the filter method: 100 ohm-m, 10 m thick, over
// 10 ohm-m, and 10 ohm-m, 10 m thick, over 1000 ohm-m; the 30 m values lie
// between grid points of a sounding that starts at 10 m.
TEST(ComputeApparentResistivity, TwoLayerCheckValues) {
  struct Check {
    ArrayType array;
    float rho1, rho2;
    std::vector<float> spacings;
    std::vector<float> expected;
  };
  for (const Check& c : {Check{ArrayType::kSchlumberger, 100, 10, {10, 30}, {86.91f, 27.57f}},
                         Check{ArrayType::kWenner, 100, 10, {10, 30}, {73.39f, 17.9f}},
                         Check{ArrayType::kSchlumberger, 10, 1000, {100}, {91.52f}},
                         Check{ArrayType::kWenner, 10, 1000, {100}, {122.54f}}}) {
    const std::vector<float> out = Sounding(c.array, {10.0f}, {c.rho1, c.rho2}, c.spacings);
    for (size_t i = 0; i < out.size(); ++i) {
      EXPECT_NEAR(out[i], c.expected[i], i == 0 ? 0.005f : 0.003f * c.expected[i])
          << c.rho1 << " over " << c.rho2 << " at " << c.spacings[i];
    }
  }
}

TEST(MakeSpacingGrid, EndsTwoPointsBeyondLastSpacing) {
  const float ratio = 1.4677989f;
  std::vector<float> spacings;
  for (int i = 1; i <= 90; ++i) spacings.push_back(static_cast<float>(i));
  std::vector<float> grid = {99.0f};  // replaced, not appended to
  ASSERT_EQ(MakeSpacingGrid(spacings.data(), 90, ratio, grid), 14);
  ASSERT_EQ(grid.size(), 14u);
  EXPECT_EQ(grid[0], 1.0f);
  EXPECT_LT(grid[11], 90.0f);
  EXPECT_GE(grid[12], 90.0f);
  const float single = 25.0f;
  EXPECT_EQ(MakeSpacingGrid(&single, 1, ratio, grid), 3);
}

TEST(MakeSpacingGrid, StopsWhenTheGridCannotGrow) {
  std::vector<float> grid;
  const float zero_first[2] = {0.0f, 10.0f};
  EXPECT_EQ(MakeSpacingGrid(zero_first, 2, 1.4677989f, grid), 1);
  const float nan_first[2] = {std::numeric_limits<float>::quiet_NaN(), 10.0f};
  EXPECT_EQ(MakeSpacingGrid(nan_first, 2, 1.4677989f, grid), 1);
  EXPECT_EQ(MakeSpacingGrid(zero_first, 0, 1.4677989f, grid), 0);
  EXPECT_TRUE(grid.empty());
}

TEST(LayerTransform, RecurrenceLimits) {
  const float rho[3] = {20.0f, 200.0f, 2.0f};
  EXPECT_EQ(LayerTransform(1, nullptr, rho, 0.3f), 20.0f);
  // A top layer thick for the abscissa hides the layers below.
  const float thick[2] = {100.0f, 1.0f};
  EXPECT_EQ(LayerTransform(3, thick, rho, 0.25f), 20.0f);
  // A zero thickness leaves the transform of the layers below unchanged.
  const float zero_top[2] = {0.0f, 5.0f};
  const float below_thickness[1] = {5.0f};
  EXPECT_EQ(LayerTransform(3, zero_top, rho, 0.1f),
            LayerTransform(2, below_thickness, rho + 1, 0.1f));
}

// A filter longer than 50 coefficients is evaluated whole, without overrun.
TEST(FilterSounding, LongFilterIsNotTruncatedOrOverrun) {
  const FilterSet filter = SelectFilter(ArrayType::kSchlumberger);
  std::vector<float> padded(filter.coefficients.begin(), filter.coefficients.end());
  padded.resize(64, 0.0f);
  const float grid[3] = {5.0f, 5.0f * filter.ratio, 5.0f * filter.ratio * filter.ratio};
  const float thickness[1] = {4.0f}, resistivity[2] = {10.0f, 300.0f};
  auto run = [&](int length, const float* coefficients) {
    std::vector<float> out(3);
    FilterSounding(filter.ratio,
                   filter.shift,
                   grid,
                   length,
                   coefficients,
                   3,
                   thickness,
                   resistivity,
                   2,
                   out.data());
    return out;
  };
  EXPECT_EQ(run(64, padded.data()), run(14, filter.coefficients.data()));
}

TEST(Spline, TwoKnotsExtrapolateTheLineAndANanPointDoesNotStallTheSearch) {
  float x2[2] = {1.0f, 3.0f}, y2[2] = {2.0f, 6.0f}, b[4], c[4], d[4];
  SplineFit(2, x2, y2, b, c, d);
  const float u[2] = {0.0f, 4.0f};
  float out[2];
  SplineEval(2, out, 2, u, x2, y2, b, c, d);
  EXPECT_FLOAT_EQ(out[0], 0.0f);
  EXPECT_FLOAT_EQ(out[1], 8.0f);

  float x[4] = {0.0f, 1.0f, 2.0f, 3.0f}, y[4] = {0.0f, 1.0f, 4.0f, 9.0f};
  SplineFit(4, x, y, b, c, d);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  SplineEval(1, out, 4, &nan, x, y, b, c, d);
  EXPECT_TRUE(std::isnan(out[0]));
}

// A model without layers has no response; nothing is read before the arrays.
TEST(ComputeApparentResistivity, NoLayersGiveZeros) {
  const FilterSet filter = SelectFilter(ArrayType::kWenner);
  const float spacings[2] = {1.0f, 10.0f};
  float out[2] = {5.0f, 5.0f};
  ComputeApparentResistivity(filter.ratio,
                             filter.shift,
                             spacings,
                             filter.length,
                             filter.coefficients.data(),
                             nullptr,
                             nullptr,
                             0,
                             out,
                             2);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[1], 0.0f);
  EXPECT_EQ(LayerTransform(0, nullptr, nullptr, 1.0f), 0.0f);
}

// Regression: a 150 000 : 1 contrast drives the filter below zero; its logarithm
// used to make the whole curve NaN.
TEST_P(KernelByArray, ExtremeContrastStaysFiniteAndPositive) {
  std::vector<float> spacings;
  for (float s = 0.001f; s <= 1000.0f; s *= 3.0f) spacings.push_back(s);
  const auto rho = Sounding(GetParam(), {5.0f, 2.0f}, {150.0f, 3.0f, 0.001f}, spacings);
  for (size_t i = 0; i < rho.size(); ++i) {
    EXPECT_TRUE(std::isfinite(rho[i]) && rho[i] > 0.0f) << "spacing " << spacings[i];
  }
  EXPECT_NEAR(rho.front(), 150.0f, 0.01f) << "the top layer still shows at small spacings";
}

}  // namespace
}  // namespace layra
