#include "inversion/sounding_document.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "inversion/job_runner.h"
#include "tests/support/recording_observer.h"
#include "tests/support/scratch_dir.h"

namespace layra {
namespace {

std::string Example(const char* name) { return std::string(LAYRA_EXAMPLES_DIR "/") + name; }

// Everything of a sounding a later read could keep from an earlier one.
void ExpectSameSounding(const SoundingData& a, const SoundingData& b) {
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.arrayType, b.arrayType);
  EXPECT_EQ(a.dataKind, b.dataKind);
  EXPECT_EQ(a.pointCount, b.pointCount);
  EXPECT_EQ(a.ipQuantity, b.ipQuantity);
  EXPECT_EQ(a.ipQuantityText, b.ipQuantityText);
  EXPECT_EQ(a.ipUnitText, b.ipUnitText);
  EXPECT_EQ(a.frequencyCount, b.frequencyCount);
  EXPECT_EQ(a.datumLevelCount, b.datumLevelCount);
  EXPECT_EQ(a.levelShiftFactor, b.levelShiftFactor);
  EXPECT_EQ(a.warnings, b.warnings);
  EXPECT_EQ(a.apparentResistivity, b.apparentResistivity);
  EXPECT_EQ(a.ipValue, b.ipValue);
}

// A file read over another leaves nothing of it: datum levels of a
// Schlumberger file, the IP unit of an IP file, the starting model.
TEST(ReadDataFile, AFileReadOverAnotherEqualsItReadAlone) {
  const struct {
    const char* first;
    const char* second;
  } pairs[] = {{"schlumberger_two_levels.dat", "wenner.dat"},
               {"ip_chargeability.dat", "sip_amplitude_phase.dat"},
               {"starting_model.dat", "wenner.dat"}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.second);
    DiscardingSink quiet;
    auto over = std::make_unique<SoundingFile>();
    auto alone = std::make_unique<SoundingFile>();
    ASSERT_EQ(ReadDataFile(Example(pair.first), *over, quiet), 0);
    ASSERT_EQ(ReadDataFile(Example(pair.second), *over, quiet), 0);
    ASSERT_EQ(ReadDataFile(Example(pair.second), *alone, quiet), 0);
    ExpectSameSounding(over->data, alone->data);
    ExpectSameSounding(over->readings, alone->readings);
    EXPECT_EQ(over->userModelAvailable, alone->userModelAvailable);
    EXPECT_EQ(over->startingModel.layerCount, alone->startingModel.layerCount);
  }
}

// The readings stay as the file gives them: in its order and before the
// datum levels are merged.
TEST(ReadDataFile, KeepsTheReadingsBeforeTheMerge) {
  DiscardingSink quiet;
  auto file = std::make_unique<SoundingFile>();
  ASSERT_EQ(ReadDataFile(Example("schlumberger_two_levels.dat"), *file, quiet), 0);
  const SoundingData& readings = file->readings;
  EXPECT_EQ(readings.pointCount, file->data.pointCountAsRead);
  EXPECT_LT(file->data.pointCount, readings.pointCount) << "overlapping points are merged";
  EXPECT_EQ(readings.datumLevelCount, 0);
  EXPECT_EQ(readings.spacingA[10], 15.0f);  // the first point of the second segment
  EXPECT_EQ(readings.spacingB[10], 5.0f);
  EXPECT_EQ(readings.apparentResistivity[10], 131.79f);
  EXPECT_EQ(readings.dataFileName, file->data.dataFileName);
}

// A new document starts with the settings it is given; a file's starting
// model brings the working model and the convergence limit.
TEST(ReadSoundingDocument, StartsWithTheSettingsGivenAndTheFilesModel) {
  InversionSettings settings;
  settings.convergenceLimit = 0.07f;
  settings.iterationLimit = 12;
  EngineOptions engine;
  engine.engine = EngineKind::kAccurate;
  testing::RecordingSink listing;
  const auto plain = ReadSoundingDocument(Example("wenner.dat"), listing, settings, engine);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->settings.convergenceLimit, 0.07f);
  EXPECT_EQ(plain->settings.iterationLimit, 12);
  EXPECT_EQ(plain->engine.engine, EngineKind::kAccurate);
  EXPECT_EQ(plain->model.layerCount, 0);
  EXPECT_FALSE(listing.lines.empty());

  const auto with_model =
      ReadSoundingDocument(Example("starting_model.dat"), listing, settings, engine);
  ASSERT_NE(with_model, nullptr);
  ASSERT_EQ(with_model->userModelAvailable, 1);
  EXPECT_EQ(with_model->settings.convergenceLimit, with_model->convergenceLimit);
  EXPECT_EQ(with_model->model.layerCount, with_model->startingModel.layerCount);
  EXPECT_EQ(with_model->model.resistivity[0], with_model->startingModel.resistivity[0]);

  EXPECT_EQ(ReadSoundingDocument(Example("missing.dat"), listing), nullptr);
}

// An automatic run leaves the document its settings (the data constraint
// reset to standard); a run from a model fits in the least-squares sense
// and keeps the document's constraints. Each run is kept.
TEST(SoundingDocument, RunsAreKeptWithTheSettingsTheyLeave) {
  testing::RecordingSink listing;
  const auto document = ReadSoundingDocument(Example("starting_model.dat"), listing);
  ASSERT_NE(document, nullptr);
  document->settings.dataConstraint = 1;
  document->settings.modelConstraint = 1;
  testing::RecordingObserver observer;
  const RunOptions from_model = document->NextRunOptions(true);
  EXPECT_EQ(from_model.settings.dataConstraint, 0);
  EXPECT_EQ(from_model.settings.modelConstraint, 0);
  EXPECT_EQ(from_model.start_model.layerCount, document->model.layerCount);
  document->Run(from_model, observer);
  EXPECT_EQ(document->settings.dataConstraint, 1);
  EXPECT_EQ(document->settings.modelConstraint, 1);
  document->Run(document->NextRunOptions(false), observer);
  EXPECT_EQ(document->settings.dataConstraint, 0);
  EXPECT_EQ(document->settings.modelConstraint, 1);
  ASSERT_EQ(document->runs.size(), 2u);
  EXPECT_TRUE(document->runs[0].options.from_model);
  EXPECT_EQ(document->runs[0].outcome.model.layerCount, document->model.layerCount);
  EXPECT_GT(document->runs[1].outcome.model.layerCount, document->model.layerCount);
}

// Read and run: a file that cannot be opened or has no model for a run from
// one is refused and says why; a convergence limit of the request replaces
// the file's.
TEST(ReadAndRun, RefusesWhatCannotRunAndRunsTheRest) {
  testing::ScratchDir directory;
  testing::RecordingObserver observer;
  FileRunRequest request;
  const FileRun missing = ReadAndRun(directory.Path("none.dat"), request, observer);
  EXPECT_EQ(missing.document, nullptr);
  EXPECT_EQ(missing.refusal, "Cannot open file " + directory.Path("none.dat"));

  request.from_model = true;
  const FileRun no_model = ReadAndRun(Example("wenner.dat"), request, observer);
  ASSERT_NE(no_model.document, nullptr);
  EXPECT_EQ(no_model.run(), nullptr);
  EXPECT_EQ(no_model.refusal, "The input data file did not have an initial model.");

  request.settings.convergenceLimit = 0.3f;
  request.convergence_limit_set = true;
  request.results_path = directory.Path("run.INV");
  const FileRun ran = ReadAndRun(Example("starting_model.dat"), request, observer);
  ASSERT_NE(ran.run(), nullptr);
  EXPECT_EQ(ran.run()->options.settings.convergenceLimit, 0.3f);
  EXPECT_EQ(ran.run()->outcome.runStatus, RunStatus::kCompleted);
  EXPECT_EQ(ran.run()->outcome.resultsFile, request.results_path);
  EXPECT_TRUE(observer.listing.Listed("Number of model layers is 3."));
}

// Datum levels that disagree wildly: the smooth fit's steps once threw the
// layers the data do not see to 0 and beyond a float, and the thinned path
// wrote them ("inf") into the results file.
TEST(ReadAndRun, AccurateRunShowsOnlyModelsWithinTheBounds) {
  testing::ScratchDir directory;
  testing::RecordingObserver observer;
  FileRunRequest request;
  request.settings.iterationLimit = 3;
  request.engine.engine = EngineKind::kAccurate;
  request.results_path = directory.Path("run.INV");
  const FileRun ran = ReadAndRun(LAYRA_TEST_DATA "/discordant_datum_levels.dat", request, observer);
  ASSERT_NE(ran.run(), nullptr);
  const std::string text = testing::ReadWholeFile(request.results_path);
  EXPECT_EQ(text.find("inf"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  const LayeredModel& model = ran.run()->outcome.model;
  for (int j = 0; j < model.layerCount; ++j) {
    EXPECT_GE(model.resistivity[j], 0.0099f) << j;
    EXPECT_LE(model.resistivity[j], 1.01e6f) << j;
  }
}

TEST(ResultsFileFor, CutsTheExtensionOfTheFileNameOnly) {
  const struct {
    const char* data;
    const char* results;
  } cases[] = {{"site/a.dat", "site/a.INV"},
               {"site.v2/a", "site.v2/a.INV"},
               {"a.b.dat", "a.b.INV"},
               {"noext", "noext.INV"}};
  for (const auto& c : cases) EXPECT_EQ(ResultsFileFor(c.data), c.results) << c.data;
  EXPECT_EQ(ResultsFileFor("site/a.dat", ".INx"), "site/a.INx");
}

// Results are handed on in the order of the jobs, each once, however the
// jobs' durations interleave them.
TEST(RunJobs, HandsResultsOnInOrderOnce) {
  for (int jobs : {1, 3}) {
    std::vector<int> handed;
    std::atomic<int> ran{0};
    RunJobs<int>(
        20,
        jobs,
        [&](int i) {
          ++ran;
          std::this_thread::sleep_for(std::chrono::microseconds(((i * 7) % 5) * 200));
          return i * i;
        },
        [&](int i, int& square) {
          EXPECT_EQ(square, i * i);
          handed.push_back(i);
        });
    EXPECT_EQ(ran.load(), 20);
    ASSERT_EQ(handed.size(), 20u) << jobs << " jobs";
    for (int i = 0; i < 20; ++i) EXPECT_EQ(handed[static_cast<size_t>(i)], i);
  }
}

}  // namespace
}  // namespace layra
