#include "graphics/chart_axes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace layra {
namespace {

// A tenth of a decade of room each side, at least a decade in all; values
// that have no place on a log axis are left out.
TEST(LogRange, LeavesRoomAndSpansADecadeAtLeast) {
  const auto range = LogRange({12.0, 850.0, 0.0, -3.0, NAN});
  EXPECT_NEAR(std::log10(range.first), std::log10(12.0) - 0.1, 1e-12);
  EXPECT_NEAR(std::log10(range.second), std::log10(850.0) + 0.1, 1e-12);
  const auto narrow = LogRange({100.0, 120.0});
  EXPECT_NEAR(std::log10(narrow.second / narrow.first), 1.0, 1e-12);
  EXPECT_NEAR(std::sqrt(narrow.first * narrow.second), std::sqrt(100.0 * 120.0), 1e-9);
  const auto none = LogRange({0.0});
  EXPECT_EQ(none.first, 1.0);
  EXPECT_EQ(none.second, 1000.0);
}

TEST(NiceTicks, StepsOfOneTwoOrFiveCoverTheRange) {
  const struct {
    double low, high;
    int count;
    double first, last, step;
  } cases[] = {
      {0.0, 18.9, 5, 0.0, 20.0, 5.0},
      {-15.0, 5.5, 4, -20.0, 10.0, 10.0},
      {0.0, 0.0, 5, -0.6, 0.6, 0.2},  // no width: a step either side
      {3.0, 480.0, 5, 0.0, 500.0, 100.0},
  };
  for (const auto& c : cases) {
    const LinearTicks ticks = NiceTicks(c.low, c.high, c.count);
    EXPECT_NEAR(ticks.first, c.first, 1e-9) << c.high;
    EXPECT_NEAR(ticks.last, c.last, 1e-9) << c.high;
    EXPECT_NEAR(ticks.step, c.step, 1e-9) << c.high;
  }
}

// Decades, and 2 and 5 between them when a decade is wide; every other
// decade when they stand too close for their labels.
TEST(LogLabels, ThinOutWhereTheyWouldTouch) {
  ChartAxis axis;
  axis.first = 1.0;
  axis.last = 1000.0;
  axis.lastPixel = 900.0;
  EXPECT_EQ(LogLabels(axis, 50), (std::vector<double>{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}));
  axis.lastPixel = 180.0;
  EXPECT_EQ(LogLabels(axis, 50), (std::vector<double>{1, 10, 100, 1000}));
  axis.last = 1e6;
  EXPECT_EQ(LogLabels(axis, 50), (std::vector<double>{1, 100, 1e4, 1e6}));
}

TEST(ChartAxis, MapsValuesToPixelsAndBack) {
  ChartAxis log;
  log.first = 10.0;
  log.last = 1000.0;
  log.firstPixel = 500.0;
  log.lastPixel = 100.0;
  EXPECT_DOUBLE_EQ(log.Pixel(100.0), 300.0);
  EXPECT_NEAR(log.Value(200.0), std::pow(10.0, 2.5), 1e-9);
  EXPECT_TRUE(std::isnan(log.Pixel(0.0)));
  ChartAxis linear = log;
  linear.logarithmic = false;
  linear.first = -10.0;
  linear.last = 30.0;
  EXPECT_DOUBLE_EQ(linear.Pixel(0.0), 400.0);
  EXPECT_DOUBLE_EQ(linear.Value(100.0), 30.0);
}

// A line leaving the box is cut at its edge and one coming back starts a new
// piece; a point that is not finite breaks the line.
TEST(ClipPolyline, KeepsThePiecesInsideTheBox) {
  const auto pieces = ClipPolyline(
      {{-10, 5}, {5, 5}, {5, 20}, {8, 20}, {8, 8}, {9, 8}, {NAN, 3}, {1, 1}, {2, 2}}, 0, 0, 10, 10);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 3u);
  EXPECT_DOUBLE_EQ(pieces[0][0].x, 0.0);
  EXPECT_DOUBLE_EQ(pieces[0][2].y, 10.0);
  EXPECT_DOUBLE_EQ(pieces[1][0].y, 10.0);  // back in from the bottom edge
  EXPECT_DOUBLE_EQ(pieces[1].back().x, 9.0);
  EXPECT_DOUBLE_EQ(pieces[2][0].x, 1.0);
  EXPECT_TRUE(ClipPolyline({{20, 20}, {30, 30}}, 0, 0, 10, 10).empty());
}

TEST(FormatChartNumber, WritesWhatTheValueNeeds) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{100000.0, "100 000"},
               {10000.0, "10 000"},
               {1000.0, "1000"},
               {2.5, "2.5"},
               {0.25, "0.25"},
               {0.001, "0.001"},
               {1e6, "1e6"},
               {2e-4, "2e-4"},
               {-20.0, "-20"},
               {0.0, "0"},
               {50.0, "50"},
               {1e7, "1e7"}};
  for (const auto& c : cases) EXPECT_EQ(FormatChartNumber(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace layra
