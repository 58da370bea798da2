#include "forward/least_squares_step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/recording_canvas.h"
#include "tests/support/scripted_host.h"

namespace layra {
namespace {

using ::layra::testing::RecordingCanvas;
using ::layra::testing::ScriptedHost;

// The step satisfies its damped normal equations (J^T J + lambda I) dx = -J^T r
// for a system of order 4, and nothing is drawn.
TEST(SolveDampedLeastSquares, StepSatisfiesNormalEquationsOfOrderFour) {
  const int rows = 7;
  const int n = 4;
  float jacobian[rows * n];
  double residuals[rows];
  for (int r = 0; r < rows; ++r) {
    residuals[r] = std::sin(1.0 + r);
    for (int j = 0; j < n; ++j)
      jacobian[j * rows + r] = static_cast<float>(std::cos(r * 1.3 + j * j));
  }
  RecordingCanvas canvas;
  float step[n];
  const double lambda = 0.01;
  ASSERT_EQ(SolveDampedLeastSquares(jacobian, rows, n, residuals, step, lambda, canvas),
            kLeastSquaresSolved);
  for (int i = 0; i < n; ++i) {
    double lhs = lambda * step[i];
    double rhs = 0.0;
    for (int r = 0; r < rows; ++r) {
      double row = 0.0;
      for (int j = 0; j < n; ++j) row += static_cast<double>(jacobian[j * rows + r]) * step[j];
      lhs += jacobian[i * rows + r] * row;
      rhs -= jacobian[i * rows + r] * residuals[r];
    }
    EXPECT_NEAR(lhs, rhs, 1e-5) << "row " << i;
  }
  EXPECT_TRUE(canvas.texts().empty());
}

TEST(SolveDampedLeastSquares, SingularMatrixIsReportedAndStepKept) {
  const float jacobian[4] = {0, 0, 0, 0};
  const double residuals[2] = {1.0, 2.0};
  RecordingCanvas canvas;
  ScriptedHost host;
  float step[2] = {0.25f, -0.5f};
  EXPECT_EQ(SolveDampedLeastSquares(jacobian, 2, 2, residuals, step, 0.0, canvas, &host),
            kLeastSquaresNotPositiveDefinite);
  EXPECT_EQ(step[0], 0.25f);
  EXPECT_EQ(step[1], -0.5f);
  EXPECT_EQ(host.beeps, 1);
  EXPECT_NE(canvas.FindText("Least-squares matrix not positive definite!"), nullptr);
  // Without a host the notice still appears.
  RecordingCanvas quiet;
  EXPECT_EQ(SolveDampedLeastSquares(jacobian, 2, 2, residuals, step, -1.0, quiet),
            kLeastSquaresNotPositiveDefinite);
  EXPECT_NE(quiet.FindText("Least-squares matrix not positive definite!"), nullptr);
}

}  // namespace
}  // namespace layra
