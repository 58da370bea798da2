#include "forward/least_squares_step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/recording_canvas.h"
#include "tests/support/scripted_host.h"

namespace layra {
namespace {

using ::layra::testing::RecordingCanvas;
using ::layra::testing::ScriptedHost;

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
