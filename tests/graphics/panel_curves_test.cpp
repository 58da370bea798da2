#include "graphics/panel_curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graphics/plot_primitives.h"
#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

using testing::RecordingCanvas;

PlotPanel TestPanel() {
  PlotPanel panel;
  panel.x0 = 100;
  panel.width = 400;
  panel.y0 = 400;
  panel.height = 300;
  panel.xmin = 0;
  panel.xmax = 2;
  panel.ymin = 1;
  panel.ymax = 4;
  panel.xscale = 200;
  panel.yscale = 100;
  return panel;
}

// left, top, right, bottom
std::vector<int> Box(const testing::Segment& r) { return {r.x1, r.y1, r.x2, r.y2}; }

TEST(DrawModelBlocks, OneRectanglePerLayerWithinTheGraph) {
  RecordingCanvas canvas;
  PlotPanel panel = TestPanel();
  // Layers of 10^2, 10^1 (the axis bottom) and 10^3 ohm-m; boundaries start
  // left of the graph and end right of it.
  DrawModelBlocks(canvas, panel, 500, {2.0f, 1.0f, 3.0f}, {-0.5f, 0.5f, 1.25f, 2.5f});
  const auto& blocks = canvas.rectangles();
  ASSERT_EQ(blocks.size(), 3u);
  // The first never left of x0, the second on the axis bottom one pixel high,
  // the last never right of the limit.
  EXPECT_EQ(Box(blocks[0]), (std::vector<int>{100, 300, 200, 400}));
  EXPECT_EQ(Box(blocks[1]), (std::vector<int>{200, 399, 350, 400}));
  EXPECT_EQ(Box(blocks[2]), (std::vector<int>{350, 200, 500, 400}));
  for (const auto& block : blocks) EXPECT_EQ(block.pen.color, PaletteMagenta);
  EXPECT_EQ(canvas.pen(), Pen{});
}

TEST(DrawModelBlocks, SkipsLayersWithoutAValueAndNeverTurnsOver) {
  RecordingCanvas canvas;
  PlotPanel panel = TestPanel();
  const float no_log = std::log10(0.0f);  // a zero resistivity
  DrawModelBlocks(
      canvas, panel, 500, {no_log, NAN, 2.0f, 2.0f}, {0.0f, 0.5f, 1.0f, -INFINITY, INFINITY});
  const auto& blocks = canvas.rectangles();
  ASSERT_EQ(blocks.size(), 2u);
  for (const auto& block : blocks) {
    EXPECT_GE(block.x1, 100);
    EXPECT_LE(block.x2, 500);
    EXPECT_LE(block.x1, block.x2);
  }
}

TEST(DrawCurvePair, SymbolsAtObservedAndPolylineThroughCalculated) {
  RecordingCanvas canvas;
  PlotPanel panel = TestPanel();
  DrawCurvePair(canvas, panel, {2.0f, 2.5f, 3.0f}, {2.1f, 2.4f, 3.0f}, {0.0f, 0.5f, 1.0f});
  // Each "+" is two segments drawn both ways; each polyline piece one segment both ways.
  EXPECT_EQ(canvas.segments().size(), 3u * 4u + 2u * 2u);
  EXPECT_EQ(canvas.GetPixel(100, 300), kBlack);  // symbol of point 1
  EXPECT_EQ(canvas.GetPixel(200, 250), kBlack);  // symbol of point 2
  EXPECT_EQ(canvas.GetPixel(300, 200), kBlack);  // point 3, also the polyline end
  EXPECT_EQ(canvas.GetPixel(100, 290), kBlack);  // polyline start at 10^2.1
  EXPECT_EQ(canvas.GetPixel(200, 260), kBlack);  // polyline through 10^2.4
  // A point left out of the fit is a hollow square: its centre stays white.
  RecordingCanvas hollow;
  DrawCurvePair(
      hollow, panel, {2.0f, 2.5f, 3.0f}, {2.1f, 2.4f, 3.0f}, {0.0f, 0.5f, 1.0f}, {0, 1, 0});
  EXPECT_EQ(hollow.GetPixel(200, 250), kWhite);
  EXPECT_EQ(hollow.GetPixel(197, 247), kBlack);  // its corner
  EXPECT_EQ(hollow.GetPixel(100, 300), kBlack);  // point 1 keeps its "+"
}

TEST(DrawCurvePair, LeavesOutPointsWithoutAPlace) {
  RecordingCanvas canvas;
  PlotPanel panel = TestPanel();
  DrawCurvePair(canvas, panel, {2.0f, NAN, 3.0f}, {2.0f, 2.5f, -INFINITY}, {0.0f, 0.5f, 1.0f});
  // Symbols of points 1 and 3; segment 1-2 only (point 3 has no calculated value).
  EXPECT_EQ(canvas.segments().size(), 2u * 4u + 1u * 2u);
  for (const auto& s : canvas.segments()) {
    EXPECT_LT(std::abs(s.x1), 2000);
    EXPECT_LT(std::abs(s.y1), 2000);
  }
}

}  // namespace
}  // namespace layra
