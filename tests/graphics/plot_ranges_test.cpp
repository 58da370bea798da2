#include "graphics/plot_ranges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace layra {
namespace {

std::vector<float> Logs(std::vector<float> values) {
  for (float& v : values) v = v > 0.0f ? static_cast<float>(std::log10(v)) : NAN;
  return values;
}

struct RangeCase {
  std::vector<float> values;
  float min, max;
};

void ExpectRanges(AxisRange (*range_of)(const std::vector<float>&),
                  const std::vector<RangeCase>& cases) {
  for (const RangeCase& c : cases) {
    const AxisRange range = range_of(c.values);
    EXPECT_EQ(range.min, c.min) << "from " << c.values.front() << " to " << c.values.back();
    EXPECT_EQ(range.max, c.max) << "from " << c.values.front() << " to " << c.values.back();
  }
}

// Whole decades around the values; a minimum of exactly 10 lies on the bottom
// line and gets one decade lower; a range without width (every value 1 ohm-m)
// is widened; values without a logarithm are left out.
TEST(LogAxisRange, CoversTheValuesInWholeDecades) {
  ExpectRanges([](const std::vector<float>& v) { return LogAxisRange(Logs(v)); },
               {{{12.0f, 850.0f, 40.0f}, 1.0f, 3.0f},
                {{10.0f, 850.0f}, 0.0f, 3.0f},
                {{0.05f, 0.5f}, -2.0f, 0.0f},
                {{1.0f, 1.0f, 1.0f}, -1.0f, 1.0f},
                {{100.0f}, 1.0f, 3.0f},
                {{0.0f, -5.0f, 20.0f, 300.0f}, 1.0f, 3.0f},
                {{0.0f, -5.0f}, 0.0f, 1.0f}});
  const AxisRange range = LogAxisRange(Logs({0.1f}));
  EXPECT_LT(range.min, -1.0f);
  EXPECT_GT(range.max, -1.0f);
}

// IP axes step by one, ten or a hundred; the bottom is never above 0 and moves
// a step down for negative values; all-zero values give one step. Phase axes
// step by units or tens.
TEST(IpAndPhaseAxisRange, StepsByTheSizeOfTheValues) {
  ExpectRanges(IpAxisRange,
               {{{0.5f, 12.0f, 3.0f}, 0.0f, 13.0f},
                {{20.0f, 450.0f}, 0.0f, 500.0f},
                {{5.0f, 120.0f}, 0.0f, 130.0f},
                {{-5.0f, 8.0f}, -5.0f, 9.0f},
                {{0.0f, 0.0f}, 0.0f, 1.0f}});
  const AxisRange nan = IpAxisRange({NAN, NAN});
  EXPECT_LT(nan.min, nan.max);
  ExpectRanges(
      PhaseAxisRange,
      {{{2.5f, 17.2f}, 2.0f, 18.0f}, {{-3.0f, 44.0f}, -10.0f, 50.0f}, {{6.0f, 6.0f}, 6.0f, 7.0f}});
}

TEST(MakeSpacingAxis, EndsAtTheDecadeAboveTheLastSpacingOrInterface) {
  // Spacings 1..100, interfaces at 10 and 30 m: v = max(2, log10 60) = 2 -> 1..100.
  SpacingAxis axis = MakeSpacingAxis(Logs({1.0f, 10.0f, 100.0f}), {10.0f, 20.0f, 0.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_EQ(axis.xmax, 2.0f);
  ASSERT_EQ(axis.boundary.size(), 4u);
  EXPECT_EQ(axis.boundary[0], 0.0f);
  EXPECT_NEAR(axis.boundary[1], std::log10(20.0), 1e-6);
  EXPECT_NEAR(axis.boundary[2], std::log10(60.0), 1e-6);
  EXPECT_EQ(axis.boundary[3], 2.0f);
  // A deep interface (200 m, shown at 400) extends the axis to 10^3.
  axis = MakeSpacingAxis(Logs({1.5f, 100.0f}), {5.0f, 195.0f, 1.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_EQ(axis.xmax, 3.0f);
  // Even just beyond a decade the last point stays on the graph (a sounding
  // ending at AB/2 = 110 m used to lose its last point off the right edge).
  axis = MakeSpacingAxis(Logs({1.0f, 110.0f}), {1.0f, 1.0f});
  EXPECT_EQ(axis.xmax, 3.0f);
  axis = MakeSpacingAxis(Logs({1.0f, 120.0f}), {1.0f, 1.0f});
  EXPECT_EQ(axis.xmax, 3.0f);
}

TEST(MakeSpacingAxis, ThinFirstLayerExtendsTheAxisLeft) {
  // First spacing 10 m (decade 1), first layer 0.8 m thick: shown at 1.6 m,
  // in the decade 10^0 left of the axis start.
  SpacingAxis axis = MakeSpacingAxis(Logs({10.0f, 100.0f}), {0.8f, 20.0f, 1.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_GT(axis.boundary[1], axis.boundary[0]);
  // Exactly on the decade line: one more decade so the layer keeps a width.
  axis = MakeSpacingAxis(Logs({10.0f, 100.0f}), {5.0f, 20.0f, 1.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_GT(axis.boundary[1], axis.boundary[0]);
  // Thick enough: unchanged.
  axis = MakeSpacingAxis(Logs({10.0f, 100.0f}), {8.0f, 20.0f, 1.0f});
  EXPECT_EQ(axis.xmin, 1.0f);
  // Never more than three decades.
  axis = MakeSpacingAxis(Logs({10.0f, 100.0f}), {1e-6f, 20.0f, 1.0f});
  EXPECT_EQ(axis.xmin, -2.0f);
  for (size_t i = 1; i < axis.boundary.size(); ++i) {
    EXPECT_GE(axis.boundary[i], axis.boundary[i - 1]) << "boundary " << i;
  }
}

TEST(MakeSpacingAxis, DegenerateInputKeepsOneDecadeAndOrderedBoundaries) {
  // A single spacing of 1 m and a half-space: start and end decades coincide.
  SpacingAxis axis = MakeSpacingAxis(Logs({1.0f}), {1.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_EQ(axis.xmax, 1.0f);
  ASSERT_EQ(axis.boundary.size(), 2u);
  EXPECT_EQ(axis.boundary[1], 1.0f);
  // No data at all.
  axis = MakeSpacingAxis({}, {});
  EXPECT_EQ(axis.xmax - axis.xmin, 1.0f);
  EXPECT_EQ(axis.boundary.size(), 1u);
  // Non-positive spacings and thicknesses are left out; boundaries never decrease.
  axis = MakeSpacingAxis(Logs({0.0f, 2.0f, 50.0f}), {3.0f, -2.0f, 0.0f, 10.0f, 1.0f});
  EXPECT_EQ(axis.xmin, 0.0f);
  EXPECT_EQ(axis.xmax, 2.0f);
  for (size_t i = 0; i < axis.boundary.size(); ++i) {
    EXPECT_TRUE(std::isfinite(axis.boundary[i])) << "boundary " << i;
    if (i > 0) {
      EXPECT_GE(axis.boundary[i], axis.boundary[i - 1]) << "boundary " << i;
    }
  }
}

}  // namespace
}  // namespace layra
