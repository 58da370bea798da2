#include "forward/least_squares_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/recording_sink.h"

namespace layra {
namespace {

using ::layra::testing::RecordingSink;

TEST(SolveDampedLeastSquares, SingularMatrixIsReportedAndStepKept) {
  const float jacobian[4] = {0, 0, 0, 0};
  const double residuals[2] = {1.0, 2.0};
  RecordingSink listing;
  float step[2] = {0.25f, -0.5f};
  EXPECT_EQ(SolveDampedLeastSquares(jacobian, 2, 2, residuals, step, 0.0, listing),
            kLeastSquaresNotPositiveDefinite);
  EXPECT_EQ(step[0], 0.25f);
  EXPECT_EQ(step[1], -0.5f);
  EXPECT_EQ(listing.beeps, 1);
  EXPECT_EQ(listing.lines, std::vector<std::string>{"Least-squares matrix not positive definite!"});
}

}  // namespace
}  // namespace layra
