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

// A 600 x 400 graph from x 200 to 800 and y 100 (top) to 500 (bottom).
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

int YOf(const RecordingCanvas& canvas, const std::string& text) {
  const TextItem* item = canvas.FindText(text);
  return item ? item->y : -1;
}

// The texts, in this order, each drawn lower than the one before.
void ExpectTopToBottom(const RecordingCanvas& canvas, const std::vector<std::string>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_NE(canvas.FindText(texts[i]), nullptr) << texts[i];
    EXPECT_LT(i > 0 ? YOf(canvas, texts[i - 1]) : -1, YOf(canvas, texts[i])) << texts[i];
  }
}

int CountLines(const RecordingCanvas& canvas, const Pen& pen) {
  int count = 0;
  for (const auto& segment : canvas.segments()) count += segment.pen == pen ? 1 : 0;
  return count;
}

// Spacing labels under the graph and depth labels (half the spacing, in
// magenta) over it, each centred on its decade column; the titles outside.
TEST(DrawPanelAxes, SpacingAndDepthLabelsShowTheirDecades) {
  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3, -2, 1);
  const RecordingCanvas canvas = Drawn(panel);
  auto spacing = TextsAt(canvas, panel.y0 + 1);
  ASSERT_EQ(Strings(spacing), (std::vector<std::string>{"0.01", "0.1", "1.0", "10.0"}));
  int column = 200;
  for (const auto& item : spacing) {
    EXPECT_LE(std::abs(item.x + static_cast<int>(item.text.size()) * W / 2 - column), W)
        << item.text;
    column += 200;
  }
  EXPECT_GE(spacing[0].x, 200 - W);  // clear of the value labels, which end at 200 - W
  const TextItem* depth_label = canvas.FindText("0.005");
  ASSERT_NE(depth_label, nullptr);
  auto depth = TextsAt(canvas, depth_label->y);
  EXPECT_EQ(Strings(depth), (std::vector<std::string>{"0.005", "0.05", "0.5", "5.0"}));
  for (const auto& item : depth) EXPECT_EQ(item.color, PaletteMagenta) << item.text;
  const TextItem* depth_title = canvas.FindText(" Depth of layers");
  ASSERT_NE(depth_title, nullptr);
  EXPECT_EQ(depth_title->color, PaletteMagenta);
  EXPECT_LT(depth_title->y, depth_label->y);
  EXPECT_LE(depth_label->y + H, panel.top());
  EXPECT_GT(YOf(canvas, " Electrode spacing"), panel.y0 + 1);
  EXPECT_EQ(canvas.text_color(), kBlack);
}

// Every decade labelled left of the axis, the top one at the frame; decade
// ticks on both sides, the minor ticks shorter.
TEST(DrawPanelAxes, LogAxisLabelsEveryDecadeWithTheTopAtTheFrame) {
  const RecordingCanvas canvas = Drawn(MakeTestPanel(PanelKind::kResistivity, 1, 3));
  EXPECT_EQ(LeftLabels(canvas), (std::vector<std::string>{"10.0", "100.0", "1000.0"}));
  EXPECT_EQ(YOf(canvas, "10.0"), 500 - H / 2);
  EXPECT_EQ(YOf(canvas, "1000.0"), 100 - H / 2);
  const int minor_y = static_cast<int>(500 - std::log10(2.0f) * 200.0f);
  int left_major = 0, right_major = 0, left_minor = 0, right_minor = 0;
  for (const auto& s : canvas.segments()) {
    if (s.y1 != s.y2) continue;
    if (s.y1 == 300 && s.x1 == 200) left_major = s.x2 - s.x1;
    if (s.y1 == 300 && s.x2 == 800) right_major = s.x2 - s.x1;
    if (s.y1 == minor_y && s.x1 == 200) left_minor = s.x2 - s.x1;
    if (s.y1 == minor_y && s.x2 == 800) right_minor = s.x2 - s.x1;
  }
  EXPECT_GT(left_minor, 0);
  EXPECT_GT(right_minor, 0);
  EXPECT_GT(left_major, left_minor);
  EXPECT_GT(right_major, right_minor);
}

TEST(DrawPanelAxes, SmallLogDecadesKeepTheirDigits) {
  const RecordingCanvas canvas = Drawn(MakeTestPanel(PanelKind::kTau, -3, 0));
  EXPECT_EQ(LeftLabels(canvas), (std::vector<std::string>{"0.001", "0.01", "0.1", "1.0"}));
  EXPECT_NE(canvas.FindText("Tau"), nullptr);
}

// Whatever the number of decades, the two title words stand left of the axis,
// the first above the second, clear of every label.
TEST(DrawPanelAxes, LogAxisTitleStaysClearOfTheLabels) {
  const struct {
    PanelKind kind;
    float ymin, ymax;
    const char* first;
    const char* second;
  } cases[] = {{PanelKind::kResistivity, 1, 2, "App.", "Resis."},
               {PanelKind::kExponent, -1, 1, "App.", "C"},
               {PanelKind::kResistivity, 0, 4, "App.", "Resis."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ymax - c.ymin);
    const RecordingCanvas canvas = Drawn(MakeTestPanel(c.kind, c.ymin, c.ymax));
    ASSERT_NO_FATAL_FAILURE(ExpectTopToBottom(canvas, {c.first, c.second}));
    for (const char* word : {c.first, c.second}) {
      const TextItem* title = canvas.FindText(word);
      EXPECT_LE(title->x + static_cast<int>(title->text.size()) * W, 200) << word;
      for (const std::string& label : LeftLabels(canvas)) {
        EXPECT_GE(std::abs(YOf(canvas, label) - title->y), H) << word << " / " << label;
      }
    }
  }
}

TEST(DrawPanelAxes, IpAxisLabelsOddRowsOnlyFromSixIntervals) {
  EXPECT_EQ(LeftLabels(Drawn(MakeTestPanel(PanelKind::kIp, 0, 110))),
            (std::vector<std::string>{"0.00", "20.00", "40.00", "60.00", "80.00", "100.00"}));
  const RecordingCanvas four = Drawn(MakeTestPanel(PanelKind::kIp, 0, 40));
  EXPECT_EQ(LeftLabels(four),
            (std::vector<std::string>{"0.00", "10.00", "20.00", "30.00", "40.00"}));
  // The title between the middle rows.
  EXPECT_LT(YOf(four, "20.00"), YOf(four, "App. IP"));
  EXPECT_LT(YOf(four, "App. IP"), YOf(four, "10.00"));
  // An axis without range (the scale would divide by zero) draws one row.
  PlotPanel panel = MakeTestPanel(PanelKind::kIp, 0, 1);
  panel.ymax = 0;
  panel.yscale = 0;
  const RecordingCanvas flat = Drawn(panel);
  EXPECT_NE(flat.FindText("0.00"), nullptr);
  EXPECT_EQ(YOf(flat, "App. IP"), 500 - H / 2);
}

// Rounded to whole steps, never below the bottom and top rows, capped for
// absurd ranges, none for a range that is not a number.
TEST(DrawPanelAxes, IntervalCounts) {
  EXPECT_EQ(IpAxisIntervals(110), 11);
  EXPECT_EQ(IpAxisIntervals(4), 1);
  EXPECT_EQ(IpAxisIntervals(0), 0);
  EXPECT_EQ(IpAxisIntervals(NAN), 0);
  EXPECT_EQ(PhaseAxisIntervals(16), 16);
  EXPECT_EQ(PhaseAxisIntervals(60), 6);
  EXPECT_EQ(IpAxisIntervals(1e30f), kMaxLinearAxisIntervals);
  EXPECT_EQ(IpAxisIntervals(INFINITY), kMaxLinearAxisIntervals);
  EXPECT_EQ(PhaseAxisIntervals(1e9f), kMaxLinearAxisIntervals);
}

// The legend stands left of the graph, its lines top to bottom; a forward
// model has no misfit or iteration, an inversion's swatch comes last and an
// engine line goes under the misfit.
TEST(DrawPanelAxes, LegendTextsByKindAndConstraint) {
  PlotPanel panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.iteration = -1;
  const RecordingCanvas forward = Drawn(panel);
  ExpectTopToBottom(forward, {"Cal. app. res.", "Apparent", "Resistivity", " Model"});
  EXPECT_EQ(forward.FindText("Computed model"), nullptr);
  for (const auto& item : forward.texts()) {
    EXPECT_EQ(item.text.find("error"), std::string::npos) << item.text;
    EXPECT_EQ(item.text.find("Iter"), std::string::npos) << item.text;
  }
  bool plus = false;  // the vertical stroke of the "+" symbol, left of the graph
  for (const auto& s : forward.segments()) plus |= s.x1 == s.x2 && s.x1 < 200 && s.y2 - s.y1 > 4;
  EXPECT_TRUE(plus);

  panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  const RecordingCanvas canvas = Drawn(panel);
  const std::vector<std::string> lines = {"Cal. app. res.",
                                          "Obs. app. res.",
                                          "Iteration 3",
                                          "App. Res.",
                                          "RMS error 2.50%",
                                          "Computed model"};
  ASSERT_NO_FATAL_FAILURE(ExpectTopToBottom(canvas, lines));
  for (const std::string& line : lines) {
    const TextItem* item = canvas.FindText(line);
    EXPECT_LT(item->x + static_cast<int>(line.size()) * W, 200) << line;
  }
  ASSERT_FALSE(canvas.rectangles().empty());
  const auto& swatch = canvas.rectangles().back();
  EXPECT_GT(swatch.y1, YOf(canvas, "Computed model"));
  EXPECT_LT(swatch.x2, 200);
  EXPECT_EQ(swatch.pen.color, PaletteMagenta);
  EXPECT_EQ(canvas.pen(), Pen{});

  panel.engineLabel = "Accurate, chi2/N 0.97";
  const RecordingCanvas engine = Drawn(panel);
  ExpectTopToBottom(engine, {"RMS error 2.50%", "Accurate, chi2/N 0.97", "Computed model"});
  EXPECT_GT(YOf(engine, "Computed model"), YOf(canvas, "Computed model"));

  panel = MakeTestPanel(PanelKind::kResistivity, 1, 3);
  panel.dataConstraint = 1;
  EXPECT_NE(Drawn(panel).FindText("Mean error 2.50%"), nullptr);

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

// Phase labels right of the graph, in rows from the bottom; the blue title
// between the middle rows, or on one line when the axis is short.
TEST(DrawPanelAxes, PhaseAxisOnTheRightInBlue) {
  PlotPanel panel = MakeTestPanel(PanelKind::kSipFrequency, 1, 3);
  panel.phaseMin = 0;
  panel.phaseMax = 10;
  const RecordingCanvas canvas = Drawn(panel);
  std::vector<TextItem> right;
  for (const auto& item : canvas.texts()) {
    if (item.x > 800) right.push_back(item);
  }
  ASSERT_EQ(right.size(), 13u);  // 11 labels and the two title words
  EXPECT_EQ(right[0].text, "0.0");
  EXPECT_EQ(right[10].text, "10.0");
  EXPECT_EQ(right[10].y, 100 - H / 2);
  for (int i = 1; i <= 10; ++i) EXPECT_LT(right[i].y, right[i - 1].y) << right[i].text;
  EXPECT_EQ(right[11].text, "App.");
  EXPECT_EQ(right[12].text, "Phase");
  for (const TextItem& word : {right[11], right[12]}) {
    EXPECT_EQ(word.color, PaletteBlue);
    EXPECT_LT(word.y, right[4].y) << word.text;
    EXPECT_GT(word.y, right[7].y) << word.text;
  }
  EXPECT_LT(right[11].y, right[12].y);
  EXPECT_EQ(canvas.text_color(), kBlack);
  EXPECT_EQ(canvas.pen(), Pen{});

  panel.phaseMax = 2;
  const RecordingCanvas narrow = Drawn(panel);
  const TextItem* title = narrow.FindText("App. Phase");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->color, PaletteBlue);
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
    if (item.x > 800 && item.color == kBlack) labels.push_back(item.text);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"0.0", "3.0", "6.0", "9.0", "12.0"}));
  EXPECT_EQ(PhaseLabelStride(400, 10, H), 1);
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
