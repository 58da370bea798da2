#include "graphics/sounding_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "graphics/panel_curves.h"
#include "graphics/plot_primitives.h"
#include "graphics/plot_snapshot.h"
#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

using testing::RecordingCanvas;
using testing::TextItem;

constexpr int W = 8;
constexpr int H = 16;

// Where a panel was drawn, read back from its texts: x0 from the value-axis
// title, the bottom from the spacing-axis title, the top from the depth title.
struct Frame {
  int x0;
  int y0;
  int top;
};

std::vector<Frame> Frames(const RecordingCanvas& canvas) {
  std::vector<int> x0s, y0s, tops;
  for (const auto& item : canvas.texts()) {
    if (item.text == "App." && item.color == kBlack) x0s.push_back(item.x + 5 * W + 2);
    if (item.text == "App. IP") x0s.push_back(item.x + 7 * W + 2);
    if (item.text == " Electrode spacing" || item.text == " Elec. spac.") {
      y0s.push_back(item.y - H);
    }
    if (item.text == " Depth of layers") tops.push_back(item.y + 2 * H + 1);
  }
  std::vector<Frame> frames;
  for (size_t i = 0; i < x0s.size() && i < y0s.size() && i < tops.size(); ++i) {
    frames.push_back({x0s[i], y0s[i], tops[i]});
  }
  return frames;
}

// Every coordinate the plot produced lies within a sane distance of the window.
void ExpectSaneCoordinates(const RecordingCanvas& canvas) {
  for (const auto& item : canvas.record().items()) {
    for (int v : {item.x1, item.y1, item.x2, item.y2}) {
      ASSERT_LT(std::abs(v), 5000) << "item kind " << static_cast<int>(item.kind);
    }
  }
}

// How many texts equal `text`.
int CountTexts(const RecordingCanvas& canvas, const std::string& text) {
  return static_cast<int>(std::count_if(canvas.texts().begin(),
                                        canvas.texts().end(),
                                        [&](const TextItem& item) { return item.text == text; }));
}

// The plot of `input` in the default 1280 x 800 window, checked for sane
// coordinates.
RecordingCanvas Plotted(const PlotInput& input, int width = 1280, int height = 800) {
  RecordingCanvas canvas(width, height, {W, H});
  PlotSounding(input, canvas);
  ExpectSaneCoordinates(canvas);
  return canvas;
}

// A three-layer sounding: 100 ohm-m over 10 ohm-m over 1000 ohm-m, 2 m and 10 m.
struct Sounding {
  std::vector<float> spacing{1.0f, 2.0f, 4.6f, 10.0f, 21.5f, 46.4f, 100.0f};
  std::vector<float> observed{98.0f, 90.0f, 60.0f, 28.0f, 30.0f, 65.0f, 140.0f};
  std::vector<float> calculated{99.0f, 88.0f, 58.0f, 29.0f, 31.0f, 62.0f, 135.0f};
  std::vector<float> layer_rho{100.0f, 10.0f, 1000.0f};
  std::vector<float> thickness{2.0f, 10.0f, 0.0f};
  std::vector<float> ip{1.0f, 2.0f, 5.0f, 9.0f, 12.0f, 8.0f, 4.0f};
  std::vector<float> layer_ip{1.0f, 12.0f, 3.0f};
  std::vector<float> amp, phase;
  std::vector<float> tau{0.01f, 0.02f, 0.05f, 0.1f, 0.2f, 0.3f, 0.3f};
  std::vector<float> c{0.3f, 0.35f, 0.4f, 0.5f, 0.5f, 0.45f, 0.4f};
  std::vector<float> layer_tau{0.01f, 0.3f, 0.001f};
  std::vector<float> layer_c{0.3f, 0.5f, 0.2f};

  PlotInput Input(PlotKind kind, int frequencies = 0) {
    const int n = static_cast<int>(spacing.size());
    amp.clear();
    phase.clear();
    for (int f = 0; f < frequencies; ++f) {
      for (int j = 0; j < n; ++j) {
        amp.push_back(observed[j] * (1.0f - 0.01f * f));
        phase.push_back(2.0f + f + j);
      }
    }
    PlotInput input;
    input.plotKind = kind;
    input.iteration = 2;
    input.nData = n;
    input.nLayers = 3;
    input.observedRho = observed.data();
    input.calculatedRho = calculated.data();
    input.spacing = spacing.data();
    input.layerRho = layer_rho.data();
    input.thickness = thickness.data();
    input.title = "Test sounding";
    input.misfit = 0.031f;
    input.observedIP = input.calculatedIP = ip.data();
    input.layerIP = layer_ip.data();
    input.misfitIP = 0.5f;
    input.nFreq = frequencies;
    input.observedAmp = input.calculatedAmp = amp.data();
    input.observedPhase = input.calculatedPhase = phase.data();
    input.layerTau = layer_tau.data();
    input.layerC = layer_c.data();
    input.observedTau = input.calculatedTau = tau.data();
    input.observedC = input.calculatedC = c.data();
    return input;
  }
};

// The plain layout leaves room for the long legend texts; the compact one
// draws a wider graph with shorter texts. The pen the caller had is restored.
TEST(PlotSounding, ResistivityPanelLayout) {
  Sounding sounding;
  Frame layouts[2];
  for (int compact : {0, 1}) {
    SCOPED_TRACE(compact ? "compact" : "plain");
    RecordingCanvas canvas;
    canvas.SelectPen(Pen{PenStyle::kDot, kRed});
    PlotInput input = sounding.Input(PlotKind::kResistivity);
    input.compact = compact;
    PlotSounding(input, canvas);
    EXPECT_EQ(canvas.clear_count(), 1);
    auto frames = Frames(canvas);
    ASSERT_EQ(frames.size(), 1u);
    layouts[compact] = frames[0];
    // Spacing axis 1..100 m, resistivity axis 1..10^4 ohm-m (1000 is within 5 % of the top).
    for (const char* label : {"1.0", "10.0", "100.0", "1000.0", "10000.0", "RMS error 3.10%"}) {
      EXPECT_NE(canvas.FindText(label), nullptr) << label;
    }
    EXPECT_NE(canvas.FindText(compact ? "Iter. 2" : "Iteration 2"), nullptr);
    const auto* title = canvas.FindText("Test sounding");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->x, (1280 - 13 * W) / 2);
    EXPECT_EQ(title->y, 1);
    EXPECT_EQ(canvas.rectangles().size(), 3u + 1u);  // three model blocks and the legend swatch
    EXPECT_EQ(canvas.pen(), (Pen{PenStyle::kDot, kRed}));
    ExpectSaneCoordinates(canvas);
  }
  EXPECT_LT(layouts[1].x0, layouts[0].x0);
  EXPECT_GT(layouts[1].y0 - layouts[1].top, layouts[0].y0 - layouts[0].top);
  for (const Frame& frame : layouts) EXPECT_TRUE(frame.top > H && frame.y0 + 2 * H <= 800);
  // A forward model (no iteration) gets the legend without observed data.
  PlotInput forward = sounding.Input(PlotKind::kResistivity);
  forward.iteration = -1;
  const RecordingCanvas canvas = Plotted(forward);
  EXPECT_EQ(canvas.FindText("Obs. app. res."), nullptr);
  EXPECT_NE(canvas.FindText(" Model"), nullptr);
}

TEST(PlotSounding, IpPlotHasTwoPanelsAboveEachOther) {
  Sounding sounding;
  for (int compact : {0, 1}) {
    SCOPED_TRACE(compact ? "compact" : "plain");
    PlotInput input = sounding.Input(PlotKind::kIp);
    input.compact = compact;
    const RecordingCanvas canvas = Plotted(input);
    auto frames = Frames(canvas);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_LT(frames[0].y0 + 2 * H, 400);  // the top half, room for the spacing labels
    EXPECT_GT(frames[1].top, 400);
    EXPECT_EQ(frames[1].y0 - frames[1].top, frames[0].y0 - frames[0].top);
    EXPECT_EQ(frames[1].x0, frames[0].x0);
    EXPECT_NE(canvas.FindText("RMS error 0.500"), nullptr);
  }
}

TEST(PlotSounding, FourFrequenciesFillTwoRows) {
  Sounding sounding;
  const RecordingCanvas canvas = Plotted(sounding.Input(PlotKind::kSipFrequencies, 4));
  auto frames = Frames(canvas);
  ASSERT_EQ(frames.size(), 6u);
  // Three rows of two equal panels, the right-hand column right of the centre.
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].x0, frames[i % 2].x0) << "panel " << i;
    EXPECT_EQ(frames[i].y0, frames[i - i % 2].y0) << "panel " << i;
    EXPECT_EQ(frames[i].y0 - frames[i].top, frames[0].y0 - frames[0].top) << "panel " << i;
    EXPECT_GT(frames[i].top, i >= 2 ? frames[i - 2].y0 + H : 0) << "panel " << i;
  }
  EXPECT_GT(frames[1].x0, 640);
  EXPECT_LT(frames[5].y0, 800);
  // Legends only for the left-hand column: the right-hand ones would overwrite them.
  EXPECT_EQ(CountTexts(canvas, "Computed model"), 3);
  EXPECT_EQ(canvas.FindText("Cal. app. I.P."), nullptr);
  EXPECT_NE(canvas.FindText("RMS error 3.10%"), nullptr);
  // Phase curves in blue on the four frequency panels.
  int blue = 0;
  for (const auto& s : canvas.segments()) blue += s.pen == Pen{PenStyle::kSolid, PaletteBlue};
  EXPECT_GT(blue, 0);
  EXPECT_EQ(canvas.pen(), Pen{});
}

// However many frequencies, and in a tiny window, every panel keeps its frame
// the right way up within the window.
TEST(PlotSounding, ManyFrequenciesAllFitInTheWindow) {
  Sounding sounding;
  for (int frequencies : {5, 6, 9, 20, 40}) {
    SCOPED_TRACE(frequencies);
    const RecordingCanvas canvas = Plotted(sounding.Input(PlotKind::kSipFrequencies, frequencies));
    auto frames = Frames(canvas);
    ASSERT_EQ(frames.size(), 2u + frequencies);
    for (const auto& frame : frames) {
      EXPECT_LE(frame.y0 + 2 * H, 800);
      EXPECT_LT(frame.top, frame.y0);
    }
  }
  Plotted(sounding.Input(PlotKind::kSipFrequencies, 8), 120, 90);
}

TEST(PlotSounding, ColeColeParametersInTheSecondRow) {
  Sounding sounding;
  const RecordingCanvas canvas = Plotted(sounding.Input(PlotKind::kSipColeCole, 4));
  auto frames = Frames(canvas);
  ASSERT_EQ(frames.size(), 4u);
  // Two rows share the height in halves: no third of the window left empty.
  EXPECT_GT(frames[2].top, 400);
  EXPECT_GT(frames[3].y0, 800 - 2 * H);
  EXPECT_NE(canvas.FindText("Tau"), nullptr);
  EXPECT_NE(canvas.FindText("C"), nullptr);
  // The Tau legend names its panel, not the resistivity; the IP misfit is in
  // the Tau legend and in the right-hand IP panel's frame.
  EXPECT_EQ(CountTexts(canvas, "App. Res."), 1);
  EXPECT_GE(CountTexts(canvas, "RMS error 0.500"), 2);
  EXPECT_NE(canvas.FindText("0.001"), nullptr);  // tau of the deepest layer
}

TEST(PlotSounding, DegenerateRangesStillGiveAReadablePlot) {
  // One point, every resistivity 1 ohm-m, every IP value 0, one spacing decade.
  Sounding sounding;
  sounding.spacing = sounding.observed = sounding.calculated = sounding.layer_rho = {1.0f};
  sounding.thickness = sounding.ip = sounding.layer_ip = {0.0f};
  PlotInput input = sounding.Input(PlotKind::kIp);
  input.nLayers = 1;
  const RecordingCanvas canvas = Plotted(input);
  ASSERT_EQ(Frames(canvas).size(), 2u);
  for (const char* label : {"0.1", "1.0", "10.0", "0.00", "1.00"}) {
    EXPECT_NE(canvas.FindText(label), nullptr) << label;
  }
  // The one point is drawn inside the graph: its "+" crosses at (x0, middle).
  const Frame frame = Frames(canvas)[0];
  EXPECT_EQ(canvas.GetPixel(frame.x0 + 2, (frame.y0 + frame.top) / 2), kBlack);

  input = PlotInput{};  // data but no arrays at all: only the frames
  input.plotKind = PlotKind::kSipColeCole;
  input.nData = 5;
  input.nLayers = 3;
  input.nFreq = 6;
  const RecordingCanvas empty = Plotted(input);
  EXPECT_EQ(Frames(empty).size(), 4u);
  EXPECT_EQ(empty.rectangles().size(), 2u);  // only the legend swatches of the left column
}

TEST(PlotSounding, ThinFirstLayerIsShown) {
  Sounding sounding;
  sounding.spacing = {10.0f, 20.0f, 46.0f, 100.0f, 210.0f, 460.0f, 1000.0f};
  sounding.thickness = {0.5f, 10.0f, 0.0f};  // shown at 1 m, left of the 10 m decade
  const RecordingCanvas canvas = Plotted(sounding.Input(PlotKind::kResistivity));
  const auto& blocks = canvas.rectangles();
  ASSERT_GE(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].x1, Frames(canvas)[0].x0);
  EXPECT_GT(blocks[0].x2, blocks[0].x1 + 10);
  // The axis now begins one decade lower, at 0.1 m.
  const auto* first = canvas.FindText("0.1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->y, Frames(canvas)[0].y0 + 1);
}

TEST(PlotSounding, PagedFrequenciesShowSixAtATimeWithTheirFrequency) {
  Sounding sounding;
  const std::vector<float> hertz = {0.1f, 0.2f, 0.5f, 1, 2, 5, 10, 20};
  for (int page : {0, 1, 5}) {
    SCOPED_TRACE(page);
    PlotInput input = sounding.Input(PlotKind::kSipFrequencies, 8);
    input.frequencies = hertz.data();
    input.frequencyPage = page;
    const RecordingCanvas canvas = Plotted(input);
    const bool first_page = page == 0;
    EXPECT_EQ(Frames(canvas).size(), 2u + (first_page ? 6u : 2u));
    EXPECT_EQ(canvas.FindText("0.1 Hz") != nullptr, first_page);
    EXPECT_EQ(canvas.FindText("20 Hz") != nullptr, !first_page);
  }
}

// Acceptable models are grey step lines with the model redrawn over them;
// below the depth of investigation the graph is hatched and labelled; a plot
// without either has neither.
TEST(PlotSounding, EquivalentModelsAndDepthOfInvestigation) {
  Sounding s;
  const RecordingCanvas plain = Plotted(s.Input(PlotKind::kResistivity));
  PlotInput input = s.Input(PlotKind::kResistivity);
  input.equivalentModels = {{{100.0f, 5.0f, 1000.0f}, {2.0f, 5.0f}},
                            {{100.0f, 20.0f, 1000.0f}, {2.0f, 20.0f}}};
  input.depthOfInvestigation = 10.0f;
  const RecordingCanvas sure = Plotted(input);
  auto count = [](const RecordingCanvas& canvas, Rgb color) {
    int n = 0;
    for (const auto& segment : canvas.segments()) n += segment.pen.color == color;
    return n;
  };
  EXPECT_EQ(count(plain, kEquivalentGrey) + count(plain, kHatchGrey), 0);
  EXPECT_EQ(count(sure, kEquivalentGrey), 2 * 5);  // three levels and two joins each
  const Frame frame = Frames(sure).at(0);
  const TextItem* label = sure.FindText("below DOI");
  ASSERT_NE(label, nullptr);
  for (const auto& segment : sure.segments()) {
    if (segment.pen.color != kHatchGrey) continue;
    // Right of the DOI (at spacing 2 x 10 m) and inside the graph.
    EXPECT_GT(std::min(segment.x1, segment.x2), label->x - 3);
    EXPECT_GE(std::min(segment.y1, segment.y2), frame.top);
    EXPECT_LT(std::max(segment.y1, segment.y2), frame.y0);
  }
  EXPECT_GT(count(sure, kHatchGrey), 10);
}

// A snapshot draws the plot its input gave, after the arrays it was given have
// been overwritten and freed.
TEST(PlotSnapshot, DrawsThePlotAfterItsArraysAreGone) {
  for (PlotKind kind : {PlotKind::kResistivity, PlotKind::kIp, PlotKind::kSipColeCole}) {
    SCOPED_TRACE(static_cast<int>(kind));
    auto sounding = std::make_unique<Sounding>();
    const RecordingCanvas direct = Plotted(sounding->Input(kind, 4));
    const PlotSnapshot snapshot(sounding->Input(kind, 4));
    for (std::vector<float>* values :
         {&sounding->observed, &sounding->layer_rho, &sounding->amp, &sounding->tau}) {
      std::fill(values->begin(), values->end(), 7.0f);
    }
    sounding.reset();
    const RecordingCanvas later = Plotted(snapshot.input());
    EXPECT_EQ(later.TextLines(), direct.TextLines());
    ASSERT_EQ(later.segments().size(), direct.segments().size());
    for (size_t i = 0; i < later.segments().size(); ++i) {
      EXPECT_EQ(later.segments()[i].y2, direct.segments()[i].y2) << "segment " << i;
    }
  }
}

}  // namespace
}  // namespace layra
