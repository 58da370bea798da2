#include "forward/resistivity_kernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    if (IsWenner(array)) {
      sum += k_power * (1.0 / std::sqrt(1.0 + x * x) - 1.0 / std::sqrt(4.0 + x * x));
    } else {
      sum += k_power * std::pow(1.0 + x * x, -1.5);
    }
  }
  return rho1 * (1.0 + (IsWenner(array) ? 4.0 : 2.0) * sum);
}

class KernelByArray : public ::testing::TestWithParam<ArrayType> {};

TEST_P(KernelByArray, HalfSpaceReturnsItsResistivity) {
  std::vector<float> spacings;
  for (int i = 0; i < 30; ++i) spacings.push_back(0.5f * std::pow(1.37f, static_cast<float>(i)));
  for (float rho : {1.0f, 37.5f, 5000.0f}) {
    const std::vector<float> out = Sounding(GetParam(), {}, {rho}, spacings);
    for (size_t i = 0; i < out.size(); ++i)
      EXPECT_NEAR(out[i], rho, 2e-5 * rho) << "spacing " << spacings[i];
    // Two layers of the same resistivity are a half-space too.
    const std::vector<float> two = Sounding(GetParam(), {7.0f}, {rho, rho}, spacings);
    for (size_t i = 0; i < two.size(); ++i)
      EXPECT_NEAR(two[i], rho, 2e-5 * rho) << "spacing " << spacings[i];
  }
}

// At a grid point (a single spacing always is one) the error is the filter's
// own, about 0.12 % for contrasts up to 100:1; between grid points the log-log
// spline adds up to about 2.4 % where a steep descent onto a good conductor
// bends (1:100), below 0.5 % for 1:10 and milder. Four decades over a 10 m layer.
TEST_P(KernelByArray, AgreesWithImageSeriesOverContrastsAndFourDecades) {
  const ArrayType array = GetParam();
  const float h = 10.0f;
  std::vector<float> spacings;
  for (int i = 0; i <= 40; ++i) spacings.push_back(std::pow(10.0f, i / 10.0f));  // 1..10^4 m
  for (double contrast : {0.01, 0.03, 0.1, 0.3, 3.0, 10.0, 30.0, 100.0}) {
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
  EXPECT_NEAR(grid[12], 99.99974f, 1e-4f);
  EXPECT_NEAR(grid[13], 146.77951f, 1e-4f);

  const float single = 25.0f;
  ASSERT_EQ(MakeSpacingGrid(&single, 1, ratio, grid), 3);
  EXPECT_EQ(grid[1], single * ratio);
  EXPECT_EQ(grid[2], grid[1] * ratio);
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
  // lambda * h above 20: the top layer is infinitely thick at this abscissa.
  const float thick[2] = {100.0f, 1.0f};
  EXPECT_EQ(LayerTransform(3, thick, rho, 0.25f), 20.0f);
  // A zero thickness leaves the transform of the layers below unchanged.
  const float zero_top[2] = {0.0f, 5.0f};
  const float below_thickness[1] = {5.0f};
  EXPECT_EQ(LayerTransform(3, zero_top, rho, 0.1f),
            LayerTransform(2, below_thickness, rho + 1, 0.1f));
}

// A filter longer than 50 coefficients is evaluated whole: trailing zero
// coefficients change nothing, and no fixed-size window is overrun.
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

TEST(Spline, InterpolatesKnotsAndReproducesACubic) {
  // The end conditions match the third derivative of the end cubics, so a
  // cubic is reproduced exactly, inside and beyond the knots.
  const int n = 9;
  float x[n], y[n], b[n], c[n], d[n];
  auto cubic = [](double t) { return t * t * t - 2.0 * t * t + 0.5 * t + 1.0; };
  for (int i = 0; i < n; ++i) {
    x[i] = 0.5f * i + ((i % 2) ? 0.1f : 0.0f);
    y[i] = static_cast<float>(cubic(x[i]));
  }
  SplineFit(n, x, y, b, c, d);
  float at_knots[n];
  SplineEval(n, at_knots, n, x, x, y, b, c, d);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(at_knots[i], y[i], 1e-5f) << "knot " << i;
  const float u[5] = {-0.3f, 0.77f, 2.2f, 4.1f, 4.6f};
  float out[5];
  SplineEval(5, out, n, u, x, y, b, c, d);
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(out[k], cubic(u[k]), 2e-4) << "u " << u[k];
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

// Regression: a contrast of 150 000 : 1 drives the filter's own error below
// zero at the largest spacings; its logarithm used to make the whole curve NaN.
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
