#include "graphics/raster.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace layra {
namespace {

using Pixels = std::vector<std::pair<int, int>>;

Pixels Line(int x0, int y0, int x1, int y1, PenStyle style = PenStyle::kSolid) {
  Pixels pixels;
  RasterizeLine(x0, y0, x1, y1, style, [&](int x, int y) { pixels.emplace_back(x, y); });
  return pixels;
}

TEST(RasterizeLine, LeavesOutTheEndPointInEveryDirection) {
  EXPECT_EQ(Line(0, 0, 3, 0), (Pixels{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(Line(0, 3, 0, 0), (Pixels{{0, 3}, {0, 2}, {0, 1}}));
  EXPECT_EQ(Line(0, 0, 2, 2), (Pixels{{0, 0}, {1, 1}}));
  EXPECT_TRUE(Line(5, 5, 5, 5).empty()) << "a line to its own start draws nothing";
}

TEST(RasterizeLine, DashedAndDottedPatternsRestartWithEachLine) {
  EXPECT_EQ(Line(0, 0, 48, 0, PenStyle::kDash).size(), 36u);  // 18 of every 24
  EXPECT_EQ(Line(0, 0, 12, 0, PenStyle::kDot),
            (Pixels{{0, 0}, {1, 0}, {2, 0}, {6, 0}, {7, 0}, {8, 0}}));
}

TEST(RasterizeRectangle, OutlinesInThePenAndFillsTheInside) {
  std::set<std::pair<int, int>> edge;
  std::set<std::pair<int, int>> fill;
  // Corners given reversed: put in order first.
  RasterizeRectangle(
      4,
      3,
      0,
      0,
      PenStyle::kSolid,
      [&](int x, int y) { edge.emplace(x, y); },
      [&](int x, int y) { fill.emplace(x, y); });
  EXPECT_EQ(edge.size(), 10u) << "the outline of a 4 x 3 box";
  EXPECT_EQ(fill, (std::set<std::pair<int, int>>{{1, 1}, {2, 1}}));
  EXPECT_EQ(edge.count({4, 3}), 0u) << "right and bottom are exclusive";
  EXPECT_EQ(edge.count({3, 2}), 1u);
}

}  // namespace
}  // namespace layra
