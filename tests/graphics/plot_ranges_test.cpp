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

// The axis ends at the decade above the last spacing or interface (shown at
// twice its depth) and starts at the decade of the first spacing, or up to
// three decades lower so that a thin first layer keeps a width. Non-positive
// spacings and thicknesses are left out; the boundaries are finite and never
// decrease.
TEST(MakeSpacingAxis, SpansTheSpacingsAndInterfacesInWholeDecades) {
  const struct {
    std::vector<float> spacings, thicknesses;
    float xmin, xmax;
  } cases[] = {
      {{1.0f, 10.0f, 100.0f}, {10.0f, 20.0f, 0.0f}, 0.0f, 2.0f},  // interfaces at 20 and 60
      {{1.5f, 100.0f}, {5.0f, 195.0f, 1.0f}, 0.0f, 3.0f},         // 200 m deep, shown at 400
      // Just beyond a decade the last point stays on the graph (a sounding
      // ending at AB/2 = 110 m used to lose its last point off the right edge).
      {{1.0f, 110.0f}, {1.0f, 1.0f}, 0.0f, 3.0f},
      {{10.0f, 100.0f}, {0.8f, 20.0f, 1.0f}, 0.0f, 2.0f},    // shown at 1.6 m
      {{10.0f, 100.0f}, {5.0f, 20.0f, 1.0f}, 0.0f, 2.0f},    // exactly on the decade line
      {{10.0f, 100.0f}, {8.0f, 20.0f, 1.0f}, 1.0f, 2.0f},    // thick enough: unchanged
      {{10.0f, 100.0f}, {1e-6f, 20.0f, 1.0f}, -2.0f, 2.0f},  // never more than three decades
      {{1.0f}, {1.0f}, 0.0f, 1.0f},                          // start and end decades coincide
      {{0.0f, 2.0f, 50.0f}, {3.0f, -2.0f, 0.0f, 10.0f, 1.0f}, 0.0f, 2.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.spacings) + " " +
                 ::testing::PrintToString(c.thicknesses));
    const SpacingAxis axis = MakeSpacingAxis(Logs(c.spacings), c.thicknesses);
    EXPECT_EQ(axis.xmin, c.xmin);
    EXPECT_EQ(axis.xmax, c.xmax);
    ASSERT_FALSE(axis.boundary.empty());
    for (size_t i = 0; i < axis.boundary.size(); ++i) {
      EXPECT_TRUE(std::isfinite(axis.boundary[i])) << "boundary " << i;
      EXPECT_GE(axis.boundary[i], axis.boundary[i > 0 ? i - 1 : 0]) << "boundary " << i;
    }
    if (c.spacings.front() == 10.0f && c.xmin == 0.0f) {
      EXPECT_GT(axis.boundary[1], axis.boundary[0]);  // the thin layer keeps a width
    }
  }
  SpacingAxis axis = MakeSpacingAxis(Logs({1.0f, 10.0f, 100.0f}), {10.0f, 20.0f, 0.0f});
  ASSERT_EQ(axis.boundary.size(), 4u);
  EXPECT_EQ(axis.boundary[0], 0.0f);
  EXPECT_NEAR(axis.boundary[1], std::log10(20.0), 1e-6);
  EXPECT_NEAR(axis.boundary[2], std::log10(60.0), 1e-6);
  EXPECT_EQ(axis.boundary[3], 2.0f);
  axis = MakeSpacingAxis(Logs({1.0f}), {1.0f});
  EXPECT_EQ(axis.boundary, (std::vector<float>{0.0f, 1.0f}));
  axis = MakeSpacingAxis({}, {});  // no data at all
  EXPECT_EQ(axis.xmax - axis.xmin, 1.0f);
  EXPECT_EQ(axis.boundary.size(), 1u);
}

}  // namespace
}  // namespace layra
