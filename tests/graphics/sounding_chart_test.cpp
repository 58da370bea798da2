#include "graphics/sounding_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/drawing_record.h"
#include "graphics/raster_canvas.h"
#include "state/text_format.h"

namespace layra {
namespace {

constexpr TextMetrics kCell{8, 16};

// A Schlumberger sounding over three layers and a basement: 25 readings
// from 1 to 600 m in three MN/2 segments, two left out, an automatic run
// with equivalent models and a depth of investigation, and a second run to
// compare. `ip` adds chargeabilities, `frequencies` spectra.
ChartInput Sounding(bool ip = false, int frequencies = 0) {
  ChartInput input;
  input.title = "UFU field curve, profile 2, station 14 (Schlumberger)";
  const auto curve = [](double s) {
    return 100.0 * (1 + 2.0 / (1 + std::pow(s / 8.0, 2))) *
           (0.3 + 0.7 / (1 + std::pow(30.0 / s, 1.5)));
  };
  for (double s = 1.0; s <= 600; s *= 1.3) {
    input.spacing.push_back(s);
    input.observed.push_back(curve(s) * (1 + 0.03 * std::sin(s)));
    input.leftOut.push_back(false);
  }
  input.leftOut[5] = input.leftOut[6] = true;
  for (int k = 0; k < 3; ++k) {
    ChartSegment segment;
    segment.mn = k == 0 ? 0.5 : k == 1 ? 5.0 : 50.0;
    for (size_t i = 8u * k; i < input.spacing.size() && i < 8u * k + 10; ++i) {
      segment.spacing.push_back(input.spacing[i]);
      segment.resistivity.push_back(input.observed[i] * (1 + 0.1 * k));
    }
    input.segments.push_back(segment);
  }
  ChartRun run;
  run.label = "Automatic, accurate engine";
  run.notes = {"RMS 2.31 %", "Iteration 8"};
  run.model.resistivity = std::vector<double>{120, 300, 25, 800};
  run.model.thickness = std::vector<double>{2, 6, 20};
  for (size_t i = 0; i < input.spacing.size(); ++i) {
    run.calculated.push_back(input.leftOut[i] ? NAN : curve(input.spacing[i]));
  }
  for (int k = 0; k < 12; ++k) {
    ChartModel model;
    model.resistivity =
        std::vector<double>{120 * (1 + 0.02 * k), 300 * (1 - 0.03 * k), 25 * (1 + 0.04 * k), 800};
    model.thickness = std::vector<double>{2 * (1 + 0.03 * k), 6, 20 * (1 - 0.02 * k)};
    run.equivalent.push_back(model);
  }
  run.depthOfInvestigation = 90;
  ChartRun other;
  other.label = "User model, documented engine";
  other.notes = {"RMS 3.40 %"};
  other.model.resistivity = std::vector<double>{110, 280, 30, 700};
  other.model.thickness = std::vector<double>{2.5, 5, 25};
  for (const double s : input.spacing) other.calculated.push_back(curve(s) * 1.05);
  input.runs = {run, other};
  if (ip) {
    input.ipTitle = "Chargeability (mV/V)";
    for (const double s : input.spacing) {
      input.observedIp.push_back(5 + 10 * std::exp(-std::pow(std::log(s / 20), 2)));
    }
    input.runs[0].calculatedIp = input.observedIp;
    input.runs[0].model.chargeability = std::vector<double>{4, 6, 18, 5};
  }
  for (int f = 0; f < frequencies; ++f) {
    ChartSpectrum spectrum;
    spectrum.frequency = 0.01 * std::pow(3.0, f);
    for (size_t i = 0; i < input.spacing.size(); ++i) {
      spectrum.observedAmplitude.push_back(input.observed[i] * (1 - 0.01 * f));
      spectrum.observedPhase.push_back(-5 - 10 * std::sin(f + 0.1 * i));
      spectrum.calculatedAmplitude.push_back(curve(input.spacing[i]) * (1 - 0.01 * f));
      spectrum.calculatedPhase.push_back(-4.5 - 10 * std::sin(f + 0.1 * i));
    }
    input.spectra.push_back(spectrum);
  }
  return input;
}

ChartRect TextBox(const DrawingItem& text) {
  const int columns = static_cast<int>(DecodeUtf8(text.text).size());
  return {text.x1, text.y1, text.x1 + columns * kCell.averageCharWidth, text.y1 + kCell.charHeight};
}

bool Inside(const ChartRect& box, const ChartRect& area) {
  return box.left >= area.left && box.top >= area.top && box.right <= area.right &&
         box.bottom <= area.bottom;
}

struct Case {
  const char* name;
  int width;
  int height;
  bool ip;
  int frequencies;
  int page;
};

class ChartLayoutTest : public ::testing::TestWithParam<Case> {};

// However large the picture and whichever page: every text inside the
// picture, none over another, none across a frame's edge; the legend clear
// of every frame and of every text outside it.
TEST_P(ChartLayoutTest, NothingCollides) {
  const Case& c = GetParam();
  ChartInput input = Sounding(c.ip, c.frequencies);
  input.page = c.page;
  DrawingRecord drawing(c.width, c.height, kCell);
  const ChartLayout layout = PaintSoundingChart(input, drawing);
  std::vector<ChartRect> frames;
  if (layout.hasResistivity) frames.push_back(layout.resistivity.frame);
  if (layout.hasIp) frames.push_back(layout.ip.frame);
  for (const ChartPanel& panel : layout.frequencies) frames.push_back(panel.frame);
  ASSERT_FALSE(frames.empty());
  std::vector<DrawingItem> texts;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind == DrawingItem::Kind::kText) texts.push_back(item);
  }
  ASSERT_GT(texts.size(), 20u);
  const ChartRect picture{0, 0, c.width, c.height};
  EXPECT_TRUE(Inside(layout.legend, picture));
  for (size_t i = 0; i < texts.size(); ++i) {
    const ChartRect box = TextBox(texts[i]);
    EXPECT_TRUE(Inside(box, picture)) << texts[i].text;
    for (size_t j = i + 1; j < texts.size(); ++j) {
      EXPECT_FALSE(box.Intersects(TextBox(texts[j]))) << texts[i].text << " / " << texts[j].text;
    }
    for (const ChartRect& frame : frames) {
      EXPECT_TRUE(!box.Intersects(frame) || Inside(box, frame)) << texts[i].text;
    }
    if (!Inside(box, layout.legend)) {
      EXPECT_FALSE(box.Intersects(layout.legend)) << texts[i].text;
    }
  }
  for (const ChartRect& frame : frames) EXPECT_FALSE(frame.Intersects(layout.legend));
  // Curves and models are clipped to their frames (the legend's swatches and
  // the frames' ticks lie within a few pixels of them).
  std::vector<ChartRect> areas = frames;
  areas.push_back(layout.legend);
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind != DrawingItem::Kind::kPolyline) continue;
    for (const PointF& p : item.points) {
      bool inside = false;
      for (const ChartRect& area : areas) {
        inside = inside || (p.x >= area.left - 6 && p.x <= area.right + 6 && p.y >= area.top - 6 &&
                            p.y <= area.bottom + 6);
      }
      ASSERT_TRUE(inside) << p.x << ", " << p.y;
    }
  }
  // Nothing the reader needs was left out for want of room.
  std::vector<std::string> wanted;
  if (layout.hasResistivity) wanted = {"ρa, ρ (Ω·m)", "Depth (m)", "AB/2 (m)"};
  if (layout.hasIp) wanted.push_back("Chargeability (mV/V)");
  for (const ChartPanel& panel : layout.frequencies) {
    wanted.push_back(FormatChartNumber(panel.frequency) + " Hz");
  }
  for (const std::string& text : wanted) {
    bool found = false;
    for (const DrawingItem& item : texts) found = found || item.text == text;
    EXPECT_TRUE(found) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(SizesAndPages,
                         ChartLayoutTest,
                         ::testing::Values(Case{"Resistivity800x600", 800, 600, false, 0, 0},
                                           Case{"Resistivity1280x800", 1280, 800, false, 0, 0},
                                           Case{"Resistivity2560x1440", 2560, 1440, false, 0, 0},
                                           Case{"Ip800x600", 800, 600, true, 0, 0},
                                           Case{"Ip1280x800", 1280, 800, true, 0, 0},
                                           Case{"Ip2560x1440", 2560, 1440, true, 0, 0},
                                           Case{"SipFirst800x600", 800, 600, true, 12, 0},
                                           Case{"SipFrequencies800x600", 800, 600, true, 12, 1},
                                           Case{"SipLast800x600", 800, 600, true, 10, 3},
                                           Case{"SipFrequencies1280x800", 1280, 800, true, 12, 2},
                                           Case{"SipFrequencies2560x1440", 2560, 1440, true, 12, 3},
                                           // The plot beside the docks of an 800 x 600 window:
                                           // the legend goes below.
                                           Case{"IpBesideDocks", 530, 510, true, 0, 0},
                                           Case{"SipBesideDocks", 530, 510, true, 12, 1}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

// The texts drawn, in order.
std::vector<std::string> Texts(const DrawingRecord& drawing) {
  std::vector<std::string> texts;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind == DrawingItem::Kind::kText) texts.push_back(item.text);
  }
  return texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  for (const std::string& t : texts) {
    if (t == text) return true;
  }
  return false;
}

// The axes name their quantities and units; a Wenner sounding's spacing is
// a; the IP panel's title is the one given; labels carry no spurious
// decimals.
TEST(SoundingChart, AxesSpeakUnits) {
  ChartInput input = Sounding(true);
  DrawingRecord drawing(1280, 800, kCell);
  PaintSoundingChart(input, drawing);
  std::vector<std::string> texts = Texts(drawing);
  for (const char* title : {"ρa, ρ (Ω·m)",
                            "Depth (m)",
                            "AB/2 (m)",
                            "Chargeability (mV/V)",
                            "100",
                            "Equivalent models (12)",
                            "Below DOI",
                            "MN/2 = 0.5 m"}) {
    EXPECT_TRUE(Has(texts, title)) << title;
  }
  for (const std::string& text : texts) EXPECT_EQ(text.find(".0 "), std::string::npos) << text;
  input.wenner = true;
  input.segments.clear();
  drawing.Clear();
  PaintSoundingChart(input, drawing);
  texts = Texts(drawing);
  EXPECT_TRUE(Has(texts, "a (m)"));
  EXPECT_TRUE(Has(texts, "Observed ρa"));
  EXPECT_FALSE(Has(texts, "AB/2 (m)"));
}

// The layout maps pixels to depths and resistivities both ways, and the
// pointer finds each boundary and each resistivity of the first run's model
// where its step line is drawn.
TEST(SoundingChart, LayoutFindsTheModelWhereItIsDrawn) {
  const ChartInput input = Sounding();
  DrawingRecord drawing(1280, 800, kCell);
  const ChartLayout layout = PaintSoundingChart(input, drawing);
  ASSERT_EQ(layout.layers.size(), 4u);
  for (const double depth : {1.0, 7.5, 40.0}) {
    EXPECT_NEAR(layout.DepthAt(layout.DepthPixel(depth)), depth, 1e-9 * depth);
  }
  EXPECT_NEAR(layout.ResistivityAt(layout.ResistivityPixel(300.0)), 300.0, 1e-9);
  EXPECT_NEAR(layout.layers[0].right, layout.DepthPixel(2.0), 1e-9);
  EXPECT_NEAR(layout.layers[2].right, layout.DepthPixel(28.0), 1e-9);
  EXPECT_NEAR(layout.layers[1].y, layout.ResistivityPixel(300.0), 1e-9);
  for (int i = 0; i < 3; ++i) {
    const ChartLayer& layer = layout.layers[static_cast<size_t>(i)];
    const ChartLayer& below = layout.layers[static_cast<size_t>(i) + 1];
    const ChartHandle boundary = layout.HandleAt(layer.right + 2, (layer.y + below.y) / 2);
    EXPECT_EQ(boundary.kind, ChartHandle::Kind::kBoundary) << i;
    EXPECT_EQ(boundary.layer, i);
    const ChartHandle resistivity = layout.HandleAt((layer.left + layer.right) / 2, layer.y - 3);
    EXPECT_EQ(resistivity.kind, ChartHandle::Kind::kResistivity) << i;
    EXPECT_EQ(resistivity.layer, i);
  }
  EXPECT_EQ(layout.HandleAt(layout.layers[0].left + 5, layout.layers[0].y + 40).kind,
            ChartHandle::Kind::kNone);
  // The model's step line runs through those places.
  bool found = false;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind != DrawingItem::Kind::kPolyline || item.stroke.width != 2.5) continue;
    if (item.points.size() < 8) continue;
    found = std::abs(item.points[2].x - layout.layers[1].left) < 1e-6 &&
            std::abs(item.points[2].y - layout.layers[1].y) < 1e-6;
    if (found) break;
  }
  EXPECT_TRUE(found);
}

// The first run's calculated curve is one line from the first reading to
// the last, through the readings it left out, each drawn hollow with its
// misfit; equivalent models are a band of translucent step lines; the part
// below the depth of investigation is shaded from its depth on.
TEST(SoundingChart, DrawsTheFitItsBandAndItsDepthOfInvestigation) {
  const ChartInput input = Sounding();
  DrawingRecord drawing(1280, 800, kCell);
  const ChartLayout layout = PaintSoundingChart(input, drawing);
  const double first = layout.resistivity.x.Pixel(input.spacing.front());
  const double last = layout.resistivity.x.Pixel(input.spacing.back());
  int curves = 0, band = 0, shaded = 0;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind == DrawingItem::Kind::kPolyline && item.stroke.color == Rgb{215, 35, 35} &&
        item.stroke.width == 2.0 && item.points.size() > 2) {
      ++curves;
      EXPECT_NEAR(item.points.front().x, first, 1e-6);
      EXPECT_NEAR(item.points.back().x, last, 1e-6);
    }
    if (item.kind == DrawingItem::Kind::kPolyline && item.stroke.opacity < 255 &&
        item.points.size() >= 8) {
      ++band;
    }
    if (item.kind == DrawingItem::Kind::kPolygon && item.opacity < 255 &&
        layout.resistivity.frame.Contains(item.points[0].x, item.points[0].y)) {
      ++shaded;
      EXPECT_NEAR(item.points[0].x, std::lround(layout.DepthPixel(90.0)), 1e-9);
      EXPECT_EQ(item.points[1].x, layout.resistivity.frame.right);
    }
  }
  EXPECT_EQ(curves, 1);
  EXPECT_EQ(band, 12);
  EXPECT_EQ(shaded, 1);
  const std::vector<std::string> texts = Texts(drawing);
  int misfits = 0;
  for (const std::string& text : texts)
    misfits += text.size() > 2 && text.back() == '%' && text[0] != 'R';
  EXPECT_EQ(misfits, 2);
}

// A reading left out of the merge stays on its segment's plot, hollow and
// off the segment's line, with its misfit once scaled as the merge scales
// the segment; a run made on other points than the chart's is drawn at its
// own spacings.
TEST(SoundingChart, DrawsReadingsLeftOutOfTheMergeAndRunsAtTheirOwnPoints) {
  ChartInput input = Sounding();
  ChartSegment& segment = input.segments[1];  // readings 8..17, 1.1 times the merged curve
  segment.factor = 1.0 / 1.1;
  segment.leftOut.assign(segment.spacing.size(), false);
  segment.leftOut[1] = true;  // reading 9
  ChartRun& run = input.runs.front();
  std::vector<double> spacing, calculated;
  for (size_t i = 0; i < input.spacing.size(); i += 2) {
    spacing.push_back(input.spacing[i]);
    calculated.push_back(std::isnan(run.calculated[i]) ? 100.0 : run.calculated[i]);
  }
  // The run's curve at reading 9 is log-log between readings 8 and 10.
  const double fit = std::exp(0.5 * (std::log(calculated[4]) + std::log(calculated[5])));
  run.spacing = spacing;
  run.calculated = calculated;
  DrawingRecord drawing(1280, 800, kCell);
  const ChartLayout layout = PaintSoundingChart(input, drawing);
  const std::string misfit = StrFormat("%+.0f %%", 100.0 * (input.observed[9] - fit) / fit);
  EXPECT_TRUE(Has(Texts(drawing), misfit)) << misfit;
  // The second segment's colour: its line one reading short, a ring there.
  const Rgb orange{230, 130, 0};
  const double x = layout.resistivity.x.Pixel(segment.spacing[1]);
  size_t line = 0;
  int rings = 0;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind != DrawingItem::Kind::kPolyline || item.stroke.color != orange) continue;
    if (item.stroke.width == 1.0) line = item.points.size();
    if (item.stroke.width == 1.5 && std::abs(item.points[0].x - x - 4.0) < 1e-6) ++rings;
  }
  EXPECT_EQ(line, segment.spacing.size() - 1);
  EXPECT_EQ(rings, 1);
  int curves = 0;
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind == DrawingItem::Kind::kPolyline && item.stroke.color == Rgb{215, 35, 35} &&
        item.stroke.width == 2.0 && item.points.size() > 2) {
      ++curves;
      ASSERT_EQ(item.points.size(), spacing.size());
      EXPECT_NEAR(item.points[1].x, layout.resistivity.x.Pixel(spacing[1]), 1e-6);
    }
  }
  EXPECT_EQ(curves, 1);
}

// A SIP sounding has a page for every four frequencies; each names its
// frequencies, and a page beyond the last shows the last.
TEST(SoundingChart, PagesThroughTheFrequencies) {
  ChartInput input = Sounding(true, 10);
  EXPECT_EQ(ChartPageCount(input), 4);
  input.page = 9;
  DrawingRecord drawing(1280, 800, kCell);
  const ChartLayout layout = PaintSoundingChart(input, drawing);
  EXPECT_EQ(layout.page, 3);
  EXPECT_FALSE(layout.hasResistivity);
  ASSERT_EQ(layout.frequencies.size(), 2u);
  EXPECT_DOUBLE_EQ(layout.frequencies[1].frequency, input.spectra[9].frequency);
  const std::vector<std::string> texts = Texts(drawing);
  EXPECT_TRUE(Has(texts, "Frequencies 9-10 of 10"));
  EXPECT_TRUE(Has(texts, FormatChartNumber(input.spectra[8].frequency) + " Hz"));
}

}  // namespace
}  // namespace layra

namespace layra {
namespace {

// An equivalent model with a layer far out of the data's range (a poorly
// resolved one) widens the resistivity axis by a decade at most.
TEST(SoundingChart, EquivalentModelsWidenTheAxisByADecadeAtMost) {
  ChartInput input = Sounding();
  DrawingRecord drawing(1280, 800, kCell);
  const ChartLayout before = PaintSoundingChart(input, drawing);
  input.runs.front().equivalent.front().resistivity[1] = 1e7;
  drawing.Clear();
  const ChartLayout after = PaintSoundingChart(input, drawing);
  EXPECT_GT(after.resistivity.y.last, before.resistivity.y.last);
  EXPECT_LT(after.resistivity.y.last, 20000.0);  // ten times the model's 800 ohm-m, with room
}

}  // namespace
}  // namespace layra
