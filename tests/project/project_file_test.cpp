// Projects: a workspace of soundings saved as JSON and opened again equal,
// a missing data file that costs nothing else, and the files refused.

#include "project/project_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "analysis/state_chart.h"
#include "inversion/model_segmentation.h"
#include "project/reading_merge.h"
#include "tests/support/scratch_dir.h"

namespace layra::testing {
namespace {

namespace fs = std::filesystem;

// Equal floats, NaN equal to NaN (the calculated value of a left-out point).
template <typename Values>
void ExpectSameValues(const Values& a, const Values& b, const char* what, size_t count = 0) {
  for (size_t i = 0; i < (count > 0 ? count : a.size()); ++i) {
    if (std::isnan(a[i]) && std::isnan(b[i])) continue;
    ASSERT_EQ(a[i], b[i]) << what << " [" << i << "]";
  }
}

void ExpectSameModel(const LayeredModel& a, const LayeredModel& b) {
  ASSERT_EQ(a.layerCount, b.layerCount);
  const size_t layers = static_cast<size_t>(a.layerCount);
  if (layers == 0) return;
  ExpectSameValues(a.resistivity, b.resistivity, "resistivity", layers);
  ExpectSameValues(a.thickness, b.thickness, "thickness", layers - 1);
  ExpectSameValues(a.depthTop, b.depthTop, "depthTop", layers);
  ExpectSameValues(a.chargeability, b.chargeability, "chargeability", layers);
}

void ExpectSameDocument(const SoundingDocument& a, const SoundingDocument& b) {
  ASSERT_EQ(a.data.pointCount, b.data.pointCount);
  ExpectSameValues(a.data.apparentResistivity, b.data.apparentResistivity, "merged");
  EXPECT_EQ(a.excluded, b.excluded);
  EXPECT_EQ(a.engine.engine, b.engine.engine);
  EXPECT_EQ(a.engine.fixed, b.engine.fixed);
  EXPECT_EQ(a.settings.iterationLimit, b.settings.iterationLimit);
  EXPECT_EQ(a.settings.convergenceLimit, b.settings.convergenceLimit);
  ExpectSameModel(a.model, b.model);
  ASSERT_EQ(a.runs.size(), b.runs.size());
  for (size_t r = 0; r < a.runs.size(); ++r) {
    const InversionOutcome& x = a.runs[r].outcome;
    const InversionOutcome& y = b.runs[r].outcome;
    EXPECT_EQ(a.runs[r].options.from_model, b.runs[r].options.from_model);
    EXPECT_EQ(a.runs[r].options.excluded, b.runs[r].options.excluded);
    EXPECT_EQ(a.runs[r].spacing, b.runs[r].spacing);
    EXPECT_EQ(a.runs[r].options.engine.engine, b.runs[r].options.engine.engine);
    EXPECT_EQ(x.runStatus, y.runStatus);
    EXPECT_EQ(x.stopReason, y.stopReason);
    EXPECT_EQ(x.lastIteration, y.lastIteration);
    EXPECT_EQ(x.finalMisfit, y.finalMisfit);
    EXPECT_EQ(x.chi2, y.chi2);
    EXPECT_EQ(x.fit.status, y.fit.status);
    ExpectSameModel(x.model, y.model);
    ExpectSameValues(x.calculatedResistivity, y.calculatedResistivity, "calculated");
    ExpectSameValues(x.misfits, y.misfits, "misfits");
  }
}

std::unique_ptr<SoundingDocument> Read(const std::string& path) {
  DiscardingSink quiet;
  return ReadSoundingDocument(path, quiet);
}

class ProjectFileTest : public ::testing::Test {
 protected:
  ScratchDir scratch_;
  // A copy of the example `name` in the scratch folder's "data" subfolder.
  std::string Data(const std::string& name) {
    fs::create_directories(scratch_.path() / "data");
    const fs::path target = scratch_.path() / "data" / name;
    fs::copy_file(
        fs::path(LAYRA_EXAMPLES_DIR) / name, target, fs::copy_options::overwrite_existing);
    return target.string();
  }
};

// Two soundings with runs of both engines, points left out, a working model
// and an equivalence analysis: saved, opened again, equal.
TEST_F(ProjectFileTest, SavedAndOpenedAgainEqual) {
  Project project;
  for (const char* name : {"schlumberger_two_levels.dat", "wenner.dat"}) {
    ProjectSounding sounding;
    sounding.dataFile = Data(name);
    sounding.document = Read(sounding.dataFile);
    ASSERT_NE(sounding.document, nullptr);
    project.soundings.push_back(std::move(sounding));
  }
  SoundingDocument& first = *project.soundings[0].document;
  // Reading 11 left out of the merge (the second segment's factor changes).
  std::vector<bool> readings(22, false);
  readings[10] = true;
  std::string message;
  ASSERT_TRUE(MergeReadings(first.readings, readings, &first.data, &message)) << message;
  first.data.dataFileName = project.soundings[0].dataFile;
  project.soundings[0].leftOutReadings = {11};
  UnattendedObserver quiet;
  first.excluded[2] = 1;
  first.Run(first.NextRunOptions(false), quiet);
  first.engine.engine = EngineKind::kAccurate;
  first.engine.fixed = {"h1"};
  first.model = SegmentModel(first.runs.back().outcome.model, 3);
  first.Run(first.NextRunOptions(true), quiet);
  ASSERT_EQ(first.runs.back().outcome.runStatus, RunStatus::kCompleted);
  RunUncertainty analysis;
  ASSERT_TRUE(AnalyseRun(first.data, first.runs.back(), &analysis, &message)) << message;
  project.soundings[0].shownRun = 1;
  project.soundings[0].comparedRuns = {0};
  project.soundings[0].analysedRun = 1;
  project.soundings[0].uncertainty = analysis;
  project.current = 1;

  const std::string path = (scratch_.path() / "survey.layra").string();
  ASSERT_TRUE(SaveProject(project, path, &message)) << message;
  // Data files by relative path.
  EXPECT_NE(ReadWholeFile(path).find("\"data/wenner.dat\""), std::string::npos);

  Project opened;
  DiscardingSink listing;
  ASSERT_TRUE(OpenProject(path, &opened, listing, &message)) << message;
  ASSERT_EQ(opened.soundings.size(), 2u);
  EXPECT_EQ(opened.current, 1);
  for (size_t s = 0; s < 2; ++s) {
    ASSERT_NE(opened.soundings[s].document, nullptr);
    ExpectSameDocument(*project.soundings[s].document, *opened.soundings[s].document);
  }
  const ProjectSounding& back = opened.soundings[0];
  EXPECT_EQ(back.shownRun, 1);
  EXPECT_EQ(back.comparedRuns, std::vector<int>{0});
  ASSERT_TRUE(back.uncertainty.has_value());
  ASSERT_EQ(back.uncertainty->few.parameters.size(), analysis.few.parameters.size());
  for (size_t p = 0; p < analysis.few.parameters.size(); ++p) {
    EXPECT_EQ(back.uncertainty->few.parameters[p].low, analysis.few.parameters[p].low);
    EXPECT_EQ(back.uncertainty->few.parameters[p].high, analysis.few.parameters[p].high);
  }
  EXPECT_EQ(back.uncertainty->few.equivalent_models.size(), analysis.few.equivalent_models.size());
  // The same text written again: nothing lost or changed on the way.
  EXPECT_EQ(ProjectJson(opened, path), ReadWholeFile(path));
}

// A run made before a reading was left out of the merge keeps the points it
// was fitted to: drawn at them, listed at the points they share with the
// data now, saved and opened again whole. The reading left out stays on its
// segment's plot, marked, and the segment's factor is the merge's.
TEST_F(ProjectFileTest, ARunKeepsThePointsItWasMadeOn) {
  Project project;
  project.soundings.emplace_back();
  ProjectSounding& sounding = project.soundings.back();
  sounding.dataFile = Data("schlumberger_two_levels.dat");
  sounding.document = Read(sounding.dataFile);
  ASSERT_NE(sounding.document, nullptr);
  SoundingDocument& d = *sounding.document;
  UnattendedObserver quiet;
  d.Run(d.NextRunOptions(false), quiet);
  const SoundingRun before = d.runs.back();
  ASSERT_EQ(before.spacing, PointSpacings(d.data));

  std::vector<bool> readings(22, false);
  readings[2] = true;  // a reading of the first segment only
  std::string message;
  ASSERT_TRUE(MergeReadings(d.readings, readings, &d.data, &message)) << message;
  d.data.dataFileName = sounding.dataFile;
  sounding.leftOutReadings = {3};
  const size_t points = before.spacing.size();
  ASSERT_EQ(static_cast<size_t>(d.data.pointCount) + 1, points);

  StateChartOptions options;
  options.leftOutReadings = readings;
  const ChartInput chart = StateChart(d, &d.runs.back(), options);
  ASSERT_EQ(chart.runs.size(), 1u);
  ASSERT_EQ(chart.runs[0].spacing.size(), points);
  EXPECT_EQ(chart.runs[0].calculated.back(), before.outcome.calculatedResistivity[points - 1]);
  ASSERT_EQ(chart.segments.size(), 2u);
  EXPECT_EQ(chart.segments[0].spacing.size() + chart.segments[1].spacing.size(), 22u);
  EXPECT_EQ(std::count(chart.segments[0].leftOut.begin(), chart.segments[0].leftOut.end(), true),
            1);
  EXPECT_NEAR(chart.segments[1].factor * chart.segments[1].resistivity.back(),
              chart.observed.back(),
              1e-5 * chart.observed.back());

  const SoundingRun listed = RunOnPoints(d.runs.back(), d.data);
  EXPECT_EQ(listed.outcome.calculatedResistivity[2], before.outcome.calculatedResistivity[3]);
  EXPECT_EQ(listed.outcome.calculatedResistivity[0], before.outcome.calculatedResistivity[0]);

  const std::string path = (scratch_.path() / "merged.layra").string();
  ASSERT_TRUE(SaveProject(project, path, &message)) << message;
  Project opened;
  DiscardingSink listing;
  ASSERT_TRUE(OpenProject(path, &opened, listing, &message)) << message;
  ASSERT_NE(opened.soundings[0].document, nullptr);
  ExpectSameDocument(d, *opened.soundings[0].document);
}

// A data file gone: the project opens with the sounding's problem said, the
// others whole, and saving keeps the missing sounding as it was.
TEST_F(ProjectFileTest, MissingDataFileLosesNothingElse) {
  Project project;
  for (const char* name : {"wenner.dat", "schlumberger_two_levels.dat"}) {
    ProjectSounding sounding;
    sounding.dataFile = Data(name);
    sounding.document = Read(sounding.dataFile);
    sounding.document->excluded[1] = 1;
    project.soundings.push_back(std::move(sounding));
  }
  const std::string path = (scratch_.path() / "p.layra").string();
  std::string message;
  ASSERT_TRUE(SaveProject(project, path, &message));
  fs::remove(project.soundings[0].dataFile);

  Project opened;
  DiscardingSink listing;
  ASSERT_TRUE(OpenProject(path, &opened, listing, &message)) << message;
  ASSERT_EQ(opened.soundings.size(), 2u);
  EXPECT_EQ(opened.soundings[0].document, nullptr);
  EXPECT_NE(opened.soundings[0].problem.find("wenner.dat does not exist"), std::string::npos);
  ASSERT_NE(opened.soundings[1].document, nullptr);
  EXPECT_EQ(opened.soundings[1].document->excluded[1], 1);
  // Saved elsewhere: the missing sounding comes along, its path re-made.
  fs::create_directories(scratch_.path() / "elsewhere");
  const std::string moved = (scratch_.path() / "elsewhere" / "p.layra").string();
  ASSERT_TRUE(SaveProject(opened, moved, &message));
  const nlohmann::json kept = nlohmann::json::parse(ReadWholeFile(moved))["soundings"][0];
  EXPECT_EQ(kept["dataFile"], "../data/wenner.dat");
  EXPECT_EQ(kept["leftOut"], nlohmann::json::array({2}));
}

TEST_F(ProjectFileTest, RefusesWhatIsNotAProjectOfThisVersion) {
  struct Case {
    const char* text;
    const char* says;
  } cases[] = {
      {"not json", "not a LAYRA project"},
      {"{\"version\": 1}", "not a LAYRA project"},
      {"{\"soundings\": []}", "no version"},
      {"{\"version\": 99, \"soundings\": []}", "later version"},
  };
  for (const Case& c : cases) {
    Project project;
    DiscardingSink listing;
    std::string message;
    EXPECT_FALSE(ProjectFromJson(c.text, scratch_.path().string(), &project, listing, &message));
    EXPECT_NE(message.find(c.says), std::string::npos) << c.text << ": " << message;
  }
}

}  // namespace
}  // namespace layra::testing
