#include "inversion/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/recording_sink.h"

namespace layra {
namespace {

TEST(ComputeMisfit, RobustAndStandardValuesWithResidualsInLogObservedOverCalculated) {
  // Nine exact points and one 0.1 off in ln rho: mean |r| = 0.01,
  // sqrt(mean r^2) = sqrt(0.001) = 0.0316.
  std::vector<float> observed(10, 100.0f), calculated(10, 100.0f), residuals(10);
  EXPECT_EQ(ComputeMisfit(0, residuals.data(), observed.data(), calculated.data(), 10, nullptr),
            0.0f);
  observed[4] = static_cast<float>(100.0 * std::exp(0.1));
  float largest = 0.0f;
  EXPECT_NEAR(ComputeMisfit(1, residuals.data(), observed.data(), calculated.data(), 10, &largest),
              0.01,
              1e-6);
  EXPECT_NEAR(largest, 0.1f, 1e-6);
  EXPECT_NEAR(residuals[4], 0.1f, 1e-6);
  EXPECT_NEAR(ComputeMisfit(0, residuals.data(), observed.data(), calculated.data(), 10, nullptr),
              0.0316228,
              1e-6);
}

// F^T F of the first-difference filter (empty first row) and of the
// second-difference filter F = [-1 1 0; 1 -2 1; 0 1 -1], plus 0.1 on the
// diagonal; the standard kind does not look at the model values.
TEST(BuildRoughness, StandardIsFilterSquaredPlusTenthOnDiagonal) {
  const std::vector<double> first = {1, -1, 0, 0, -1, 2, -1, 0, 0, -1, 2, -1, 0, 0, -1, 1};
  const std::vector<double> second = {2, -3, 1, -3, 6, -3, 1, -3, 2};
  for (const auto& [filter, expected] :
       {std::pair{kFirstDifference, first}, std::pair{kSecondDifference, second}}) {
    const int n = filter == kFirstDifference ? 4 : 3;
    std::vector<double> cm(n * n);
    std::vector<float> rho = {10.0f, 100.0f, 5.0f, 7.0f};
    BuildRoughness(0, rho.data(), 0, 0.001f, cm.data(), n, filter);
    for (int a = 0; a < n; ++a) {
      for (int b = 0; b < n; ++b) {
        EXPECT_DOUBLE_EQ(cm[a + b * n], expected[a * n + b] + (a == b ? 0.1 : 0.0))
            << "order " << n << ": " << a << "," << b;
      }
    }
  }
}

TEST(BuildRoughness, RobustWeightsOfAFlatModelAreOneOverCutoff) {
  const int n = 3;
  std::vector<double> cm(n * n);
  std::vector<float> rho = {50.0f, 50.0f, 50.0f};
  BuildRoughness(0, rho.data(), 1, 0.01f, cm.data(), n, kFirstDifference);
  // Every row weight is 1/0.01 = 100.
  EXPECT_NEAR(cm[0 + 0 * n], 100.0 + 0.1, 1e-3);
  EXPECT_NEAR(cm[1 + 1 * n], 200.0 + 0.1, 1e-3);
  EXPECT_NEAR(cm[0 + 1 * n], -100.0, 1e-3);
  // A jump between layers 2 and 3 lowers the weight of that difference.
  std::vector<float> log_values = {1.0f, 1.0f, 3.0f};
  BuildRoughness(1, log_values.data(), 1, 0.01f, cm.data(), n, kFirstDifference);
  EXPECT_NEAR(cm[1 + 2 * n], -1.0 / std::sqrt(4.0 + 1e-4), 1e-4);
  EXPECT_NEAR(cm[0 + 1 * n], -100.0, 1e-3);
}

TEST(NormalEquations, RobustWeightsDownweightTheOutlier) {
  // Three equal columns: the weighted mean of the residuals, the outlier at
  // weight 1/sqrt(eps^2 + r^2).
  const std::vector<float> jacobian = {1, 1, 1};
  const std::vector<float> residuals = {0.01f, 0.01f, 1.0f};
  std::vector<double> normal(1);
  std::vector<float> rhs(1);
  BuildNormalEquations(
      jacobian.data(), residuals.data(), 3, 1, 1, 0.001f, normal.data(), rhs.data());
  const double w_small = 1.0 / std::sqrt(1e-6 + 1e-4), w_large = 1.0 / std::sqrt(1e-6 + 1.0);
  EXPECT_NEAR(normal[0], 2 * w_small + w_large, 1e-3);
  EXPECT_NEAR(rhs[0], 2 * w_small * 0.01 + w_large * 1.0, 1e-3);
}

// A layer the data cannot see is still solvable with roughness damping.
TEST(CholeskyFactor, RoughnessDampingWithAnEmptyColumnStaysPositiveDefinite) {
  const int rows = 3, p = 3;
  const std::vector<float> jacobian = {1, 0.5f, 0.2f, 0.3f, 1, 0.4f, 0, 0, 0};
  const std::vector<float> residuals = {0.1f, -0.2f, 0.05f};
  std::vector<double> normal(p * p), cm(p * p);
  std::vector<float> rhs(p), step(p), rho = {1, 1, 1};
  BuildNormalEquations(
      jacobian.data(), residuals.data(), rows, p, 0, 0.0f, normal.data(), rhs.data());
  BuildRoughness(0, rho.data(), 0, 0.001f, cm.data(), p, kFirstDifference);
  AddRoughnessDamping(normal.data(), cm.data(), p, 0.01);
  testing::RecordingSink listing;
  ASSERT_EQ(CholeskyFactor(normal.data(), p, listing), 0);
  CholeskySolve(step.data(), p, rhs.data(), normal.data());
  for (float dp : step) EXPECT_TRUE(std::isfinite(dp));
}

TEST(CholeskyFactor, NonPositivePivotIsReportedAndReturnsOne) {
  testing::RecordingSink listing;
  std::vector<double> indefinite = {1.0, 2.0, 2.0, 1.0};  // eigenvalues 3 and -1
  EXPECT_EQ(CholeskyFactor(indefinite.data(), 2, listing), 1);
  ASSERT_EQ(listing.console.size(), 1u);
  EXPECT_EQ(listing.console[0], "matrix not positive definite\n");

  std::vector<double> not_a_number = {NAN, 0.0, 0.0, 1.0};
  EXPECT_EQ(CholeskyFactor(not_a_number.data(), 2, listing), 1);
  std::vector<double> zero_pivot = {0.0, 0.0, 0.0, 1.0};
  EXPECT_EQ(CholeskyFactor(zero_pivot.data(), 2, listing), 1);
  EXPECT_EQ(listing.console.size(), 3u);
}

}  // namespace
}  // namespace layra
