#include "graphics/panel_axes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/plot_primitives.h"
#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

using testing::RecordingCanvas;
using testing::TextItem;

constexpr int W = 8;
constexpr int H = 16;

PlotPanel MakeTestPanel(PanelKind kind, float ymin, float ymax, float xmin = 0, float xmax = 2) {
  PlotPanel panel;
  panel.kind = kind;
  panel.charWidth = W;
  panel.lineHeight = H;
  panel.x0 = 200;
  panel.width = 600;
  panel.y0 = 500;
  panel.height = 400;
  panel.ymin = ymin;
  panel.ymax = ymax;
  panel.xmin = xmin;
  panel.xmax = xmax;
  panel.xscale = panel.width / (xmax - xmin);
  panel.yscale = panel.height / (ymax - ymin);
  panel.iteration = 3;
  panel.misfit = 0.025f;
  return panel;
}

RecordingCanvas Drawn(const PlotPanel& panel) {
  RecordingCanvas canvas;
  DrawPanelAxes(canvas, panel);
  return canvas;
}

// The labels right-aligned one character left of the value axis.
std::vector<std::string> LeftLabels(const RecordingCanvas& canvas) {
  std::vector<std::string> labels;
  for (const auto& item : canvas.texts()) {
    if (item.x + static_cast<int>(item.text.size()) * W + W == 200) labels.push_back(item.text);
  }
  return labels;
}

std::vector<TextItem> TextsAt(const RecordingCanvas& canvas, int y) {
  std::vector<TextItem> items;
  for (const auto& item : canvas.texts()) {
    if (item.y == y) items.push_back(item);
  }
  return items;
}

std::vector<std::string> Strings(const std::vector<TextItem>& items) {
  std::vector<std::string> strings;
  for (const auto& item : items) strings.push_back(item.text);
  return strings;
}

// Where a text was drawn, as (x, y); (-1, -1) when it was not drawn.
using Place = std::pair<int, int>;
Place PlaceOf(const RecordingCanvas& canvas, const std::string& text) {
  const TextItem* item = canvas.FindText(text);
  return item ? Place{item->x, item->y} : Place{-1, -1};
}
int YOf(const RecordingCanvas& canvas, const std::string& text) {
  return PlaceOf(canvas, text).second;
}

int CountLines(const RecordingCanvas& canvas, const Pen& pen) {
  int count = 0;
  for (const auto& segment : canvas.segments()) count += segment.pen == pen ? 1 : 0;
  return count;
}

TEST(DrawPanelAxes, SpacingAndDepthLabelsShowTheirDecades) {
  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3, -2, 1);
  const RecordingCanvas canvas = Drawn(panel);
  auto spacing = TextsAt(canvas, panel.y0 + 1);
  EXPECT_EQ(Strings(spacing), (std::vector<std::string>{"0.01", "0.1", "1.0", "10.0"}));
  // Centred on the decade columns 200, 400, 600, 800; the first moved right by W.
  ASSERT_EQ(spacing.size(), 4u);
  EXPECT_EQ(spacing[0].x, 200 - 4 * W / 2 + W);
  EXPECT_EQ(spacing[1].x, 400 - 3 * W / 2);
  EXPECT_EQ(spacing[3].x, 800 - 4 * W / 2);
  // Depth = 0.5 x spacing, in magenta, with the decimals the depth needs.
  auto depth = TextsAt(canvas, panel.top() - H - 3);
  EXPECT_EQ(Strings(depth), (std::vector<std::string>{"0.005", "0.05", "0.5", "5.0"}));
  for (const auto& item : depth) EXPECT_EQ(item.color, PaletteMagenta) << item.text;
  EXPECT_EQ(depth[0].x, 200 - 5 * W / 2 + W);
  const int title_x = 200 + 300 - 18 * W / 2;
  EXPECT_EQ(PlaceOf(canvas, " Depth of layers"), Place(title_x, panel.top() - 2 * H - 1));
  for (const auto& item : TextsAt(canvas, panel.top() - 2 * H - 1)) {
    EXPECT_EQ(item.color, PaletteMagenta) << item.text;
  }
  EXPECT_EQ(PlaceOf(canvas, " Electrode spacing"), Place(title_x, panel.y0 + H));
  EXPECT_EQ(canvas.text_color(), kBlack);
}

TEST(DrawPanelAxes, LogAxisLabelsEveryDecadeWithTheTopAtTheFrame) {
  const RecordingCanvas canvas = Drawn(MakeTestPanel(PanelKind::kResistivity, 1, 3));
  EXPECT_EQ(PlaceOf(canvas, "10.0"), Place(200 - 5 * W, 500 - H / 2));
  EXPECT_EQ(YOf(canvas, "100.0"), 300 - H / 2);
  EXPECT_EQ(PlaceOf(canvas, "1000.0"), Place(200 - 7 * W, 100 - H / 2));
  // Inner decade ticks 6 pixels long on both sides of a resistivity panel;
  // minor ticks at 2..9 x each decade, truncated.
  int minor_y = static_cast<int>(500 - std::log10(2.0f) * 200.0f);
  bool left_major = false, right_major = false, left_minor = false, right_minor = false;
  for (const auto& s : canvas.segments()) {
    left_major |= s.x1 == 200 && s.x2 == 206 && s.y1 == 300;
    right_major |= s.x1 == 794 && s.x2 == 800 && s.y1 == 300;
    left_minor |= s.x1 == 200 && s.x2 == 203 && s.y1 == minor_y;
    right_minor |= s.x1 == 797 && s.x2 == 800 && s.y1 == minor_y;
  }
  EXPECT_TRUE(left_major && right_major && left_minor && right_minor);
}

TEST(DrawPanelAxes, SmallLogDecadesKeepTheirDigits) {
  const RecordingCanvas canvas = Drawn(MakeTestPanel(PanelKind::kTau, -3, 0));
  for (const char* label : {"0.001", "0.01", "0.1", "1.0"}) {
    EXPECT_NE(canvas.FindText(label), nullptr) << label;
  }
  EXPECT_EQ(canvas.FindText("0.0"), nullptr);
  EXPECT_NE(canvas.FindText("Tau"), nullptr);
}

TEST(DrawPanelAxes, LogAxisTitlePositionsByDecadeCount) {
  // One decade: a quarter and three quarters down the graph, one line up.
  const RecordingCanvas one = Drawn(MakeTestPanel(PanelKind::kResistivity, 1, 2));
  EXPECT_EQ(PlaceOf(one, "App."), Place(200 - 4 * W - 2 - W, 100 + 100 - H));
  EXPECT_EQ(PlaceOf(one, "Resis."), Place(200 - 6 * W - 2 - W, 100 + 300 - H));
  // Two decades: a quarter and three quarters of the decade height.
  const RecordingCanvas two = Drawn(MakeTestPanel(PanelKind::kExponent, -1, 1));
  EXPECT_EQ(YOf(two, "App."), 100 + 100 - H);
  EXPECT_EQ(PlaceOf(two, "C"), Place(200 - W - 2 - W, 100 + 300 - H));
  // Four decades (rows at 500, 400, 300, 200, 100): above the labels of rows 3 and 2.
  const RecordingCanvas four = Drawn(MakeTestPanel(PanelKind::kResistivity, 0, 4));
  EXPECT_EQ(YOf(four, "App."), 300 - H / 2 - H);
  EXPECT_EQ(YOf(four, "Resis."), 400 - H / 2 - H);
}

TEST(DrawPanelAxes, IpAxisLabelsOddRowsOnlyFromSixIntervals) {
  EXPECT_EQ(LeftLabels(Drawn(MakeTestPanel(PanelKind::kIp, 0, 110))),
            (std::vector<std::string>{"0.00", "20.00", "40.00", "60.00", "80.00", "100.00"}));
  const RecordingCanvas four = Drawn(MakeTestPanel(PanelKind::kIp, 0, 40));
  EXPECT_EQ(LeftLabels(four),
            (std::vector<std::string>{"0.00", "10.00", "20.00", "30.00", "40.00"}));
  // Rows at 500, 400, ..., 100; the title between rows 2 and 3.
  EXPECT_EQ(YOf(four, "20.00"), 300 - H / 2);
  EXPECT_EQ(PlaceOf(four, "App. IP"), Place(200 - 7 * W - 2, (400 + 300) / 2 - H / 2));
  // An axis without range (the scale would divide by zero) draws one row.
  PlotPanel panel = MakeTestPanel(PanelKind::kIp, 0, 1);
  panel.ymax = 0;
  panel.yscale = 0;
  const RecordingCanvas flat = Drawn(panel);
  EXPECT_NE(flat.FindText("0.00"), nullptr);
  EXPECT_EQ(YOf(flat, "App. IP"), 500 - H / 2);
}

TEST(DrawPanelAxes, IntervalCounts) {
  EXPECT_EQ(IpAxisIntervals(110), 11);
  EXPECT_EQ(IpAxisIntervals(13), 1);
  EXPECT_EQ(IpAxisIntervals(4), 1);  // rounds to 0: still bottom and top rows
  EXPECT_EQ(IpAxisIntervals(0), 0);
  EXPECT_EQ(IpAxisIntervals(500), 5);
  EXPECT_EQ(IpAxisIntervals(NAN), 0);
  EXPECT_EQ(PhaseAxisIntervals(16), 16);
  EXPECT_EQ(PhaseAxisIntervals(60), 6);
  // Absurd ranges are capped instead of drawing millions of ticks.
  EXPECT_EQ(IpAxisIntervals(20000), 200);
  EXPECT_EQ(IpAxisIntervals(1e30f), kMaxLinearAxisIntervals);
  EXPECT_EQ(IpAxisIntervals(INFINITY), kMaxLinearAxisIntervals);
  EXPECT_EQ(PhaseAxisIntervals(1e9f), kMaxLinearAxisIntervals);
  EXPECT_EQ(DecadeDecimals(-2), 2);
  EXPECT_EQ(DecadeDecimals(3), 1);
  EXPECT_EQ(DepthDecimals(0), 1);
  EXPECT_EQ(DepthDecimals(-1), 2);
}

TEST(DrawPanelAxes, ForwardModelLegendHasNoMisfit) {
  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.iteration = -1;
  const RecordingCanvas canvas = Drawn(panel);
  const int top = panel.top();
  EXPECT_EQ(PlaceOf(canvas, "Cal. app. res."), Place(W / 2, top - H));
  EXPECT_EQ(YOf(canvas, "Apparent"), top - H + H + H / 2 + H + 4);
  EXPECT_EQ(YOf(canvas, "Resistivity"), top - H + H + H / 2 + 2 * H + 4);
  EXPECT_NE(canvas.FindText(" Model"), nullptr);
  EXPECT_EQ(canvas.FindText("Computed model"), nullptr);
  for (const auto& item : canvas.texts()) {
    EXPECT_EQ(item.text.find("error"), std::string::npos) << item.text;
    EXPECT_EQ(item.text.find("Iter"), std::string::npos) << item.text;
  }
  // The "+" symbol: a vertical 7-pixel stroke centred at (4W, top - H + H + H/2).
  bool plus = false;
  for (const auto& s : canvas.segments()) {
    plus |= s.x1 == 4 * W && s.x2 == 4 * W && s.y1 == top + H / 2 - 3 && s.y2 == top + H / 2 + 3;
  }
  EXPECT_TRUE(plus);
}

TEST(DrawPanelAxes, IterationLegendTextsByKindAndConstraint) {
  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  const RecordingCanvas canvas = Drawn(panel);
  int y = panel.top() - H;
  EXPECT_EQ(YOf(canvas, "Cal. app. res."), y);
  EXPECT_EQ(YOf(canvas, "Obs. app. res."), y + 2 * H + 4);
  EXPECT_EQ(YOf(canvas, "Iteration 3"), y + 4 * H + 8);
  EXPECT_EQ(YOf(canvas, "App. Res."), y + 5 * H + 12);
  EXPECT_EQ(YOf(canvas, "RMS error 2.50%"), y + 6 * H + 13);
  EXPECT_EQ(YOf(canvas, "Computed model"), y + 7 * H + 17);
  // The model swatch: 30 x 20 in magenta under the last line.
  ASSERT_FALSE(canvas.rectangles().empty());
  const auto& swatch = canvas.rectangles().back();
  EXPECT_EQ(Place(swatch.x1, swatch.y1), Place(2 * W, y + 8 * H + 21));
  EXPECT_EQ(Place(swatch.x2 - swatch.x1, swatch.y2 - swatch.y1), Place(30, 20));
  EXPECT_EQ(swatch.pen.color, PaletteMagenta);
  EXPECT_EQ(canvas.pen(), Pen{});

  panel = MakeTestPanel(PanelKind::kIp, 0, 13);
  panel.misfit = 0.1234f;
  panel.dataConstraint = 1;
  panel.compact = 1;
  const RecordingCanvas ip = Drawn(panel);
  for (const char* text : {"Cal. app. I.P.",
                           "Obs. app. I.P.",
                           "Iter. 3",
                           "App. I.P.",
                           "Mean error 0.123",
                           " Model",
                           " Elec. spac."}) {
    EXPECT_NE(ip.FindText(text), nullptr) << text;
  }

  panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.dataConstraint = 1;
  const RecordingCanvas robust = Drawn(panel);
  EXPECT_NE(robust.FindText("Mean error 2.50%"), nullptr);

  // An engine line goes under the misfit and moves the model swatch down.
  panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.engineLabel = "Accurate, chi2/N 0.97";
  const RecordingCanvas engine = Drawn(panel);
  EXPECT_EQ(YOf(engine, "Accurate, chi2/N 0.97"), y + 7 * H + 17);
  EXPECT_EQ(YOf(engine, "Computed model"), y + 8 * H + 21);
}

TEST(DrawPanelAxes, GridLinesOnlyWhenCompact) {
  const RecordingCanvas plain = Drawn(MakeTestPanel(PanelKind::kResistivity, 1, 3));
  EXPECT_EQ(CountLines(plain, Pen{PenStyle::kDash, PaletteBlue}), 0);
  EXPECT_EQ(CountLines(plain, Pen{PenStyle::kDot, PaletteBlue}), 0);

  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.compact = 1;
  const RecordingCanvas compact = Drawn(panel);
  // One inner value row and one inner spacing column dashed; the 3x minor
  // tick of each of the two value and two spacing decades dotted.
  EXPECT_EQ(CountLines(compact, Pen{PenStyle::kDash, PaletteBlue}), 2);
  EXPECT_EQ(CountLines(compact, Pen{PenStyle::kDot, PaletteBlue}), 4);
  EXPECT_EQ(compact.pen(), Pen{});
}

TEST(DrawPanelAxes, PhaseAxisOnTheRightInBlue) {
  PlotPanel panel = MakeTestPanel(PanelKind::kSipFrequency, 1, 3);
  panel.phaseMin = 0;
  panel.phaseMax = 10;  // 10 intervals of 40 pixels
  const RecordingCanvas canvas = Drawn(panel);
  std::vector<TextItem> right;
  for (const auto& item : canvas.texts()) {
    if (item.x == 802) right.push_back(item);
  }
  ASSERT_EQ(right.size(), 13u);  // 11 labels and the two title words
  EXPECT_EQ(right[0].text, "0.0");
  EXPECT_EQ(right[10].text, "10.0");
  EXPECT_EQ(right[10].y, 100 - H / 2);
  // m = 5: "App." between rows 6 and 7, "Phase" between rows 5 and 6.
  EXPECT_EQ(right[11].text, "App.");
  EXPECT_EQ(right[11].color, PaletteBlue);
  EXPECT_EQ(right[11].y, (300 + 260) / 2 - H / 2);
  EXPECT_EQ(right[12].text, "Phase");
  EXPECT_EQ(right[12].y, (340 + 300) / 2 - H / 2);
  EXPECT_EQ(canvas.text_color(), kBlack);
  EXPECT_EQ(canvas.pen(), Pen{});

  panel.phaseMax = 2;
  const RecordingCanvas narrow = Drawn(panel);
  EXPECT_EQ(YOf(narrow, "App. Phase"), 500 - 200 - 2 * H);
  for (const auto& item : TextsAt(narrow, 500 - 200 - 2 * H)) EXPECT_EQ(item.color, PaletteBlue);
}

TEST(DrawPanelAxes, CrowdedPhaseLabelsSkipRows) {
  PlotPanel panel = MakeTestPanel(PanelKind::kSipFrequency, 1, 3);
  panel.height = 100;  // 13 intervals of under 8 pixels
  panel.yscale = 50;
  panel.phaseMin = 0;
  panel.phaseMax = 13;
  const RecordingCanvas canvas = Drawn(panel);
  std::vector<std::string> labels;
  for (const auto& item : canvas.texts()) {
    if (item.x == 802 && item.color == kBlack) labels.push_back(item.text);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"0.0", "3.0", "6.0", "9.0", "12.0"}));
  EXPECT_EQ(PhaseLabelStride(400, 10, H), 1);
  EXPECT_EQ(PhaseLabelStride(100, 13, H), 3);
  EXPECT_EQ(PhaseLabelStride(0, 13, H), 1);
}

TEST(DrawPanelAxes, PanelWithoutLegendLeavesTheMarginAlone) {
  PlotPanel panel = MakeTestPanel(PanelKind::kIp, 0, 13);
  panel.showLegend = 0;
  const RecordingCanvas canvas = Drawn(panel);
  for (const auto& item : canvas.texts()) EXPECT_GT(item.x, W) << item.text;
  EXPECT_TRUE(canvas.rectangles().empty());
}

TEST(DrawPanelAxes, FrameSidesPaintTheirCorners) {
  const RecordingCanvas canvas = Drawn(MakeTestPanel(PanelKind::kIp, 0, 13));
  for (auto [x, y] :
       std::vector<std::pair<int, int>>{{200, 500}, {800, 500}, {200, 100}, {800, 100}}) {
    EXPECT_EQ(canvas.GetPixel(x, y), kBlack) << x << "," << y;
  }
}

}  // namespace
}  // namespace layra
