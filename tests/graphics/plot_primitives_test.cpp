#include "graphics/plot_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

using testing::RecordingCanvas;

// Halves go away from zero; huge and undefined values stay within the
// coordinate limit.
TEST(RoundHalfAway, RoundsHalvesAwayFromZeroWithinTheCoordinateLimit) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(-0.4), 0);
  EXPECT_EQ(RoundHalfAway(-2.5001), -3);
  EXPECT_EQ(RoundHalfAway(1e30), kCoordinateLimit);
  EXPECT_EQ(RoundHalfAway(-std::numeric_limits<double>::infinity()), -kCoordinateLimit);
  EXPECT_EQ(RoundHalfAway(std::nan("")), 0);
  EXPECT_EQ(TruncateCoordinate(-7.9), -7);
  EXPECT_EQ(TruncateCoordinate(1e300), kCoordinateLimit);
}

TEST(FormatTickLabel, UsesTheFormatOfEachDecimalCount) {
  EXPECT_EQ(FormatTickLabel(100, 1), "100.0");
  EXPECT_EQ(FormatTickLabel(0.01, 2), "0.01");
  EXPECT_EQ(FormatTickLabel(0.5, 3), "0.500");
  EXPECT_EQ(FormatTickLabel(1e-6, 6), "0.000001");
  EXPECT_EQ(FormatTickLabel(0.5, 9), "0.500000");
  // Decimals 0 or less: an integer, rounded half away from zero.
  EXPECT_EQ(FormatTickLabel(2.5, 0), "3");
  EXPECT_EQ(FormatTickLabel(-2.5, -1), "-3");
}

TEST(FindMinMax, ScansAllValues) {
  const float values[] = {5.0f, 3.0f, 9.0f, -1.0f, 9.5f, 4.0f};
  EXPECT_EQ(FindMinMax(6, values), std::make_pair(-1.0f, 9.5f));
  EXPECT_EQ(FindMinMax(1, values), std::make_pair(5.0f, 5.0f));
  EXPECT_EQ(FindMinMax(0, values), std::make_pair(0.0f, 0.0f));
}

// A segment paints both its ends; a "+" marker is a seven-pixel cross.
TEST(DrawSegmentAndPlusMarker, PaintTheirWholeShape) {
  RecordingCanvas canvas(50, 50);
  canvas.SelectPen(Pen{PenStyle::kSolid, kRed});
  DrawSegment(canvas, 25, 25, 40, 32);
  EXPECT_EQ(canvas.GetPixel(25, 25), kRed);
  EXPECT_EQ(canvas.GetPixel(40, 32), kRed);
  canvas.SelectPen(Pen{});
  DrawPlusMarker(canvas, 10, 10);
  for (int d = -3; d <= 3; ++d) {
    EXPECT_EQ(canvas.GetPixel(10, 10 + d), kBlack) << "vertical offset " << d;
    EXPECT_EQ(canvas.GetPixel(10 + d, 10), kBlack) << "horizontal offset " << d;
  }
  EXPECT_EQ(canvas.GetPixel(10, 14), kWhite);
  EXPECT_EQ(canvas.GetPixel(6, 10), kWhite);
  EXPECT_EQ(canvas.GetPixel(11, 11), kWhite);
}

}  // namespace
}  // namespace layra
