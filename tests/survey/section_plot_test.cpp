#include "survey/section_plot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "state/text_format.h"
#include "survey/colour_map.h"
#include "survey/survey_tables.h"
#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

using testing::RecordingCanvas;

LayeredModel Model(const std::vector<float>& resistivity, const std::vector<float>& thickness) {
  LayeredModel model;
  model.layerCount = static_cast<int>(resistivity.size());
  for (int j = 0; j < model.layerCount; ++j) {
    model.resistivity[j] = resistivity[j];
    if (j + 1 < model.layerCount) model.thickness[j] = thickness[j];
    if (j > 0) model.depthTop[j] = model.depthTop[j - 1] + model.thickness[j - 1];
  }
  return model;
}

// The resistivity whose colour in `layout` is nearest to `colour`.
double ResistivityOfColour(const SectionLayout& layout, Rgb colour) {
  double best = 0.0;
  int best_distance = 1 << 30;
  for (int k = 0; k <= 400; ++k) {
    const double value =
        std::pow(10.0, layout.logMin + k / 400.0 * (layout.logMax - layout.logMin));
    const Rgb c = layout.ColourOf(value);
    const int d = (c.red - colour.red) * (c.red - colour.red) +
                  (c.green - colour.green) * (c.green - colour.green) +
                  (c.blue - colour.blue) * (c.blue - colour.blue);
    if (d < best_distance) {
      best_distance = d;
      best = value;
    }
  }
  return best;
}

TEST(Viridis, EndsAndMiddleAreThePublishedColours) {
  // Entries 0, 128 and 255 of the published table: #440154, #21918c, #fde725.
  EXPECT_EQ(Viridis(0.0), (Rgb{68, 1, 84}));
  EXPECT_EQ(Viridis(128.0 / 255.0), (Rgb{33, 145, 140}));
  EXPECT_EQ(Viridis(1.0), (Rgb{253, 231, 37}));
  EXPECT_EQ(Viridis(-3.0), Viridis(0.0));
}

// Inverts the example survey's soundings (the first `count`, all when 0) in a
// scratch directory.
std::vector<SoundingResult> InvertExampleSurvey(SurveyRunOptions options,
                                                std::vector<SurveySounding>* soundings,
                                                size_t count = 0) {
  std::string error;
  EXPECT_TRUE(ReadSurveyFile(
      std::string(LAYRA_EXAMPLES_DIR) + "/survey/channel_survey.csv", soundings, &error))
      << error;
  if (count > 0) soundings->resize(count);
  options.outputDirectory =
      ::testing::TempDir() + "/section_plot_test_" + std::to_string(::getpid());
  std::filesystem::create_directories(options.outputDirectory);
  std::vector<SoundingResult> results = InvertSurvey(*soundings, options);
  std::filesystem::remove_all(options.outputDirectory);
  for (const SoundingResult& r : results) EXPECT_EQ(r.status, SoundingStatus::kOk) << r.message;
  return results;
}

// Three soundings 50 m apart; the middle one has a 10 ohm-m layer from 4 to 12 m
// in 300 ohm-m ground.
SectionProfile Channel(double middle_elevation = 100.0) {
  SectionProfile profile;
  profile.name = "P1";
  profile.columns = {{"W", 0.0, 100.0, Model({300.0f}, {})},
                     {"C", 50.0, middle_elevation, Model({300.0f, 10.0f, 300.0f}, {4.0f, 8.0f})},
                     {"E", 100.0, 100.0, Model({300.0f}, {})}};
  return profile;
}

TEST(PlotSection, TheConductiveBlockLandsWhereItIs) {
  RecordingCanvas canvas(800, 500);
  SectionOptions options;
  options.depth = 20.0;
  const SectionLayout layout = PlotSection(Channel(), options, canvas);
  const Rgb conductor = layout.ColourOf(10.0);
  const Rgb ground = layout.ColourOf(300.0);
  EXPECT_EQ(conductor, Viridis(0.0));  // the least resistivity shown takes the dark end
  EXPECT_EQ(ground, Viridis(1.0));
  struct Probe {
    double distance, depth;
    Rgb expected;
  };
  // The middle column reaches half-way to its neighbours: 25..75 m.
  const Probe probes[] = {{50.0, 8.0, conductor},
                          {30.0, 5.0, conductor},
                          {70.0, 11.0, conductor},
                          {50.0, 2.0, ground},
                          {50.0, 15.0, ground},
                          {20.0, 8.0, ground},
                          {80.0, 8.0, ground}};
  for (const Probe& p : probes) {
    EXPECT_EQ(canvas.GetPixel(layout.X(p.distance), layout.Y(p.depth)), p.expected)
        << p.distance << " m, " << p.depth << " m";
  }
  for (const char* label : {"C", "10", "100", "ohm-m", "Depth (m)"}) {
    EXPECT_NE(canvas.FindText(label), nullptr) << label;
  }
}

TEST(PlotSection, InterpolatesLogResistivityAndFollowsTheGround) {
  RecordingCanvas canvas(800, 500);
  SectionOptions options;
  options.depth = 20.0;
  options.interpolate = true;
  options.elevation = true;
  const SectionLayout layout = PlotSection(Channel(110.0), options, canvas);
  EXPECT_DOUBLE_EQ(layout.verticalTop, 110.0);
  // Half-way between 10 and 300 ohm-m lies their geometric mean; the ground
  // half-way between 100 and 110 m is at 105 m, 8 m below it at 97 m.
  EXPECT_NEAR(ResistivityOfColour(layout, canvas.GetPixel(layout.X(25.0), layout.Y(97.0))),
              std::sqrt(10.0 * 300.0),
              0.05 * std::sqrt(10.0 * 300.0));
  EXPECT_NEAR(
      ResistivityOfColour(layout, canvas.GetPixel(layout.X(50.0), layout.Y(102.0))), 10.0, 0.5);
  EXPECT_EQ(canvas.GetPixel(layout.X(0.0), layout.Y(108.0)), kWhite);  // above the ground
}

TEST(BuildSectionProfiles, DistancesAlongEachProfileSkipSoundingsWithoutModel) {
  std::vector<SurveySounding> soundings = {{2, "a", "a", "P", 0.0, 0.0, 0.0},
                                           {3, "b", "b", "Q", 5.0, 5.0, 0.0},
                                           {4, "c", "c", "P", 30.0, 40.0, 0.0},
                                           {5, "d", "d", "P", 60.0, 80.0, 0.0},
                                           {6, "e", "e", "P", 60.0, 90.0, 0.0}};
  std::vector<SoundingResult> results(5);
  for (SoundingResult& r : results) {
    r.status = SoundingStatus::kOk;
    r.model = Model({100.0f}, {});
  }
  results[3].status = SoundingStatus::kFailed;
  const std::vector<SectionProfile> profiles = BuildSectionProfiles(soundings, results);
  ASSERT_EQ(profiles.size(), 2u);
  EXPECT_EQ(profiles[0].name, "P");
  ASSERT_EQ(profiles[0].columns.size(), 3u);
  EXPECT_DOUBLE_EQ(profiles[0].columns[1].distance, 50.0);
  EXPECT_DOUBLE_EQ(profiles[0].columns[2].distance, 50.0 + std::hypot(30.0, 50.0));
  EXPECT_EQ(profiles[0].columns[2].sounding, 4);  // its index in the survey
  EXPECT_EQ(profiles[1].columns.size(), 1u);
}

// The example survey: eight soundings 50 m apart with a 10 ohm-m channel from 3
// to 15 m below the three at 150, 200 and 250 m, in 400 ohm-m gravel. After
// inversion the section shows the channel there and nowhere else.
TEST(PlotSection, ExampleSurveyShowsTheChannelWhereItWasMade) {
  std::vector<SurveySounding> soundings;
  SurveyRunOptions options;
  options.jobs = 2;
  const std::vector<SoundingResult> results = InvertExampleSurvey(options, &soundings);
  ASSERT_FALSE(::testing::Test::HasFailure());
  const std::vector<SectionProfile> profiles = BuildSectionProfiles(soundings, results);
  ASSERT_EQ(profiles.size(), 1u);
  RecordingCanvas canvas(1000, 600);
  SectionOptions section;
  section.depth = 40.0;
  const SectionLayout layout = PlotSection(profiles[0], section, canvas);
  for (double distance : {150.0, 200.0, 250.0}) {
    EXPECT_LT(ResistivityOfColour(layout, canvas.GetPixel(layout.X(distance), layout.Y(9.0))), 30.0)
        << distance << " m";
  }
  for (double distance : {0.0, 50.0, 100.0, 300.0, 350.0}) {
    EXPECT_GT(ResistivityOfColour(layout, canvas.GetPixel(layout.X(distance), layout.Y(9.0))),
              200.0)
        << distance << " m";
  }
}

// With the accurate engine each sounding gets its depth of investigation:
// within the spacings of its data, in models.csv, and the section is washed
// out below it but keeps the colour of the model above it.
TEST(PlotSection, AccurateRunsShadeBelowTheirDepthOfInvestigation) {
  std::vector<SurveySounding> soundings;
  SurveyRunOptions options;
  options.engine = EngineKind::kAccurate;
  options.keepDocument = true;
  const std::vector<SoundingResult> results = InvertExampleSurvey(options, &soundings, 1);
  ASSERT_FALSE(::testing::Test::HasFailure());
  ASSERT_TRUE(results[0].doiKnown);
  const SoundingData& data = results[0].document->data;
  const auto spacings = data.spacingA.begin();
  const double doi = results[0].doi;
  EXPECT_GT(doi, *std::min_element(spacings, spacings + data.pointCount));
  EXPECT_LT(doi, *std::max_element(spacings, spacings + data.pointCount));
  const std::string csv = FormatModelsCsv(soundings, results);
  const std::string first_row = csv.substr(0, csv.find('\n', csv.find('\n') + 1));
  EXPECT_EQ(first_row.substr(first_row.rfind(',') + 1), StrFormat("%.4g", doi));

  RecordingCanvas canvas(1000, 600);
  SectionOptions section;
  section.depth = 2.0 * doi;
  const SectionLayout layout =
      PlotSection(BuildSectionProfiles(soundings, results)[0], section, canvas);
  const LayeredModel& model = results[0].model;
  auto model_colour = [&](double depth) {
    int j = 0;
    while (j + 1 < model.layerCount && model.depthTop[j + 1] <= depth) ++j;
    return layout.ColourOf(model.resistivity[j]);
  };
  const int x = layout.X(0.0) + 2;
  EXPECT_TRUE(canvas.GetPixel(x, layout.Y(0.8 * doi)) == model_colour(0.8 * doi));
  EXPECT_FALSE(canvas.GetPixel(x, layout.Y(1.5 * doi)) == model_colour(1.5 * doi));
}

}  // namespace
}  // namespace layra
