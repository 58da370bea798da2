#include "inversion/inversion_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "tests/inversion/synthetic_sounding.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/recording_observer.h"
#include "tests/support/recording_sink.h"

namespace layra {
namespace {

namespace fs = std::filesystem;
using testing::FileSizeLimit;
using testing::FillSounding;
using testing::LogSpacings;
using testing::RecordingCanvas;
using testing::RecordingObserver;
using testing::SetModel;

const std::vector<float> kTrueResistivity = {100.0f, 20.0f, 500.0f};
const std::vector<float> kTrueThickness = {5.0f, 15.0f};

class InversionDriverTest : public ::testing::Test {
 protected:
  void ThreeLayerSounding(double noise = 0.0, unsigned seed = 7) {
    FillSounding(*document_,
                 ArrayType::kSchlumberger,
                 LogSpacings(1.0f, 300.0f, 30),
                 kTrueResistivity,
                 kTrueThickness,
                 data_file_,
                 noise,
                 seed);
  }

  // A run of the document writing the results file.
  const InversionOutcome& Run(bool from_model) {
    RunOptions options = document_->NextRunOptions(from_model);
    options.results_path = results_file_;
    return document_->Run(options, observer_).outcome;
  }

  // A run from near the true model.
  const InversionOutcome& RunFromNearModel(float convergence_limit) {
    SetModel(document_->model, {70.0f, 35.0f, 300.0f}, {3.5f, 22.0f});
    document_->settings.convergenceLimit = convergence_limit;
    document_->settings.iterationLimit = 25;
    return Run(true);
  }

  std::string ResultsText() const { return testing::ReadWholeFile(results_file_); }

  // The results file as the reader takes it; its messages go to `reader`.
  std::unique_ptr<InversionResults> ReadBack(testing::RecordingSink* reader = nullptr) const {
    auto results = std::make_unique<InversionResults>();
    testing::RecordingSink quiet;
    if (ReadResultsFile(results_file_, *results, reader ? *reader : quiet) != 0) return nullptr;
    return results;
  }

  int ProgressLines(const std::string& prefix, bool whole = true) const {
    int count = 0;
    for (const std::string& line : observer_.listing.lines)
      count += whole ? line == prefix : line.rfind(prefix, 0) == 0;
    return count;
  }

  testing::ScratchDir directory_;
  const std::string data_file_ = directory_.Path("sounding.dat");
  const std::string results_file_ = directory_.Path("sounding.INV");
  std::unique_ptr<SoundingDocument> document_ = std::make_unique<SoundingDocument>();
  RecordingObserver observer_;
};

// A left-out (wild) point is not fitted, counted or written, but stays in the
// sounding without a calculated value.
TEST_F(InversionDriverTest, UserModelRunRecoversTheThreeLayerModelWithoutALeftOutPoint) {
  ThreeLayerSounding();
  const float wild = document_->data.apparentResistivity[12] * 5.0f;
  document_->data.apparentResistivity[12] = wild;
  document_->excluded[12] = 1;
  const InversionOutcome& outcome = RunFromNearModel(0.0005f);
  ASSERT_EQ(outcome.runStatus, RunStatus::kCompleted) << outcome.runMessage;
  EXPECT_EQ(outcome.stopReason, StopReason::kConverged);
  const LayeredModel& model = outcome.model;
  EXPECT_EQ(model.layerCount, 3);
  for (int j = 0; j < 3; ++j) {
    EXPECT_NEAR(model.resistivity[j], kTrueResistivity[j], 0.02 * kTrueResistivity[j]);
    if (j < 2) {
      EXPECT_NEAR(model.thickness[j], kTrueThickness[j], 0.02 * kTrueThickness[j]);
    }
  }
  EXPECT_NEAR(model.depthTop[2], 20.0f, 0.4f);
  EXPECT_LT(outcome.finalMisfit, 0.0005f);
  for (const char* line : {"Number of data points is 29.",
                           "Number of model parameters is 5.",
                           "Number of model layers is 3."})
    EXPECT_EQ(ProgressLines(line), 1) << line;
  EXPECT_EQ(outcome.resultsFile, results_file_);
  EXPECT_EQ(document_->data.pointCount, 30);
  EXPECT_EQ(document_->data.apparentResistivity[12], wild);
  EXPECT_TRUE(std::isnan(outcome.calculatedResistivity[12]));
  EXPECT_GT(outcome.calculatedResistivity[13], 0.0f);
  const auto results = ReadBack();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->pointCount, 29);
}

// Automatic runs converge with either model constraint; the data constraint is
// reset to standard in the settings the run leaves.
TEST_F(InversionDriverTest, AutomaticRunReachesTheConvergenceLimit) {
  for (int robust : {0, 1}) {
    SCOPED_TRACE(robust ? "robust" : "standard");
    document_ = std::make_unique<SoundingDocument>();
    observer_ = RecordingObserver{};
    ThreeLayerSounding();
    document_->settings.modelConstraint = robust;
    document_->settings.dataConstraint = 1;
    const InversionOutcome& outcome = Run(false);
    ASSERT_EQ(outcome.runStatus, RunStatus::kCompleted) << outcome.runMessage;
    EXPECT_EQ(outcome.stopReason, StopReason::kConverged);
    EXPECT_LT(outcome.finalMisfit, 0.02f);
    EXPECT_LE(outcome.lastIteration, 8);
    EXPECT_EQ(observer_.convergence_questions, 1);
    EXPECT_EQ(observer_.iteration_questions, 0);
    EXPECT_EQ(outcome.settings.dataConstraint, 0);
    EXPECT_EQ(outcome.settings.modelConstraint, robust);
    EXPECT_NE(ResultsText().find("RMS error"), std::string::npos);
    for (int k = 0; k <= outcome.lastIteration; ++k) {
      char line[64];
      std::snprintf(
          line, sizeof line, "Iteration %2d  RMS error %8.2f", k, 100.0 * outcome.misfits[k]);
      EXPECT_EQ(ProgressLines(line), 1) << line;
    }
  }
}

// The second iteration that does not lower the misfit ends the stage, even
// with an improving one between.
TEST_F(InversionDriverTest, TwoIterationsThatDoNotImproveEndTheStage) {
  ThreeLayerSounding(0.1, 1);
  const InversionOutcome& outcome = RunFromNearModel(0.0001f);
  ASSERT_LT(outcome.lastIteration, 25) << "the fit kept improving; the rule was not reached";
  EXPECT_EQ(outcome.stopReason, StopReason::kNoImprovement);
  std::vector<int> not_improving;
  for (int k = 1; k <= outcome.lastIteration; ++k) {
    if (!(outcome.misfits[k] < outcome.misfits[k - 1])) not_improving.push_back(k);
  }
  ASSERT_EQ(not_improving.size(), 2u);
  EXPECT_GT(not_improving[1] - not_improving[0], 1) << "expected an improving iteration between";
  EXPECT_EQ(not_improving[1], outcome.lastIteration);
  EXPECT_EQ(observer_.iteration_questions, 0);
  EXPECT_GE(observer_.listing.beeps, 2);
}

// Improving iterations shrink the damping down to its minimum; others raise it.
TEST(NextDampingFactor, ShrinksToTheMinimumAndGrowsAfterAFailure) {
  EXPECT_LT(NextDampingFactor(0.1, 1, 0.01), 0.1);
  EXPECT_EQ(NextDampingFactor(0.012, 1, 0.01), 0.01);
  EXPECT_GT(NextDampingFactor(0.01, 0, 0.01), 0.01);
}

TEST_F(InversionDriverTest, ZeroIterationsWriteAndPlotOnlyTheStartingModel) {
  ThreeLayerSounding();
  document_->settings.iterationLimit = 0;
  const InversionOutcome& outcome = Run(false);
  EXPECT_EQ(outcome.runStatus, RunStatus::kCompleted);
  EXPECT_EQ(outcome.stopReason, StopReason::kIterationLimit);
  EXPECT_EQ(outcome.lastIteration, 0);
  EXPECT_EQ(ProgressLines("Iteration  0", false), 1);
  EXPECT_EQ(ProgressLines("Iteration  1", false), 0);
  EXPECT_EQ(ResultsText().find("Iteration 1"), std::string::npos);
  EXPECT_NE(ResultsText().find("Initial Model"), std::string::npos);
  ASSERT_FALSE(observer_.iterations.empty());
  for (int iteration : observer_.iterations) EXPECT_EQ(iteration, 0);
}

// A scratch results file is written while the run goes and removed at its
// end; a run without one writes nothing.
TEST_F(InversionDriverTest, ScratchResultsFileIsRemovedAndNoneIsWrittenWithoutAPath) {
  ThreeLayerSounding();
  RunOptions options = document_->NextRunOptions(false);
  options.results_path = directory_.Path("sounding.INx");
  options.remove_results = true;
  // A copy: the next run adds to the document's runs, which may move them.
  const InversionOutcome scratch = document_->Run(options, observer_).outcome;
  EXPECT_EQ(scratch.runStatus, RunStatus::kCompleted);
  EXPECT_GT(scratch.lastIteration, 0);
  EXPECT_TRUE(scratch.resultsFile.empty());
  options.results_path.clear();
  const InversionOutcome& none = document_->Run(options, observer_).outcome;
  EXPECT_EQ(none.runStatus, RunStatus::kCompleted);
  EXPECT_EQ(none.finalMisfit, scratch.finalMisfit);
  EXPECT_TRUE(fs::is_empty(directory_.path()));
}

// Undamped, with a layer no spacing sees, the normal matrix is singular: the
// run reports it and keeps its model.
TEST_F(InversionDriverTest, SingularNormalMatrixLeavesTheModelUntouched) {
  ThreeLayerSounding();
  SetModel(document_->model, {80.0f, 30.0f, 400.0f}, {1e6f, 10.0f});
  document_->settings.initialDampingFactor = 0.0f;
  document_->settings.minimumDampingFactor = 0.0f;
  const InversionOutcome& outcome = Run(true);
  ASSERT_FALSE(observer_.listing.messages.empty());
  EXPECT_EQ(observer_.listing.messages.back().caption, "Error Message");
  EXPECT_EQ(outcome.stopReason, StopReason::kNoImprovement);
  EXPECT_EQ(outcome.lastIteration, 0);
  EXPECT_FLOAT_EQ(outcome.model.resistivity[0], 80.0f);
  EXPECT_FLOAT_EQ(outcome.model.thickness[0], 1e6f);
}

// Steps so long that exp() overflows are rejected: the model stays finite and
// positive.
TEST_F(InversionDriverTest, OverflowingStepsNeverEnterTheModel) {
  ThreeLayerSounding();
  SetModel(document_->model, {100.0f, 20.0f, 5.0f}, {5.0f, 400.0f});
  document_->settings.initialDampingFactor = 1e-30f;
  document_->settings.minimumDampingFactor = 1e-30f;
  document_->settings.iterationLimit = 5;
  const InversionOutcome& outcome = Run(true);
  const LayeredModel& model = outcome.model;
  for (int j = 0; j < 5; ++j) {
    const float v = j < 3 ? model.resistivity[j] : model.thickness[j - 3];
    EXPECT_TRUE(std::isfinite(v) && v > 0.0f) << v;
  }
  ASSERT_GE(outcome.lastIteration, 1);
  for (int k = 0; k <= outcome.lastIteration; ++k) {
    EXPECT_TRUE(std::isfinite(outcome.misfits[k])) << "iteration " << k;
  }
  EXPECT_EQ(outcome.misfits[1], outcome.misfits[0]);
  EXPECT_FLOAT_EQ(model.resistivity[2], 5.0f);
  EXPECT_EQ(outcome.runStatus, RunStatus::kCompleted);
}

// The iteration-limit question adds iterations up to the 25 a run may write,
// and the file reads back with all of them.
TEST_F(InversionDriverTest, AddedIterationsReadBackAllTwentyFive) {
  ThreeLayerSounding(0.05);
  document_->settings.convergenceLimit = 0.0001f;
  document_->settings.iterationLimit = 2;
  document_->settings.minimumDampingFactor = 0.25f;  // slow progress: no early end
  document_->settings.initialDampingFactor = 1.0f;
  observer_.iteration_answers = {3, 40};  // 40 is held to 25
  const InversionOutcome& outcome = Run(false);
  ASSERT_EQ(outcome.runStatus, RunStatus::kCompleted);
  EXPECT_GE(observer_.iteration_questions, 2);
  EXPECT_EQ(outcome.settings.iterationLimit, kMaxRunIterations);
  EXPECT_EQ(document_->settings.iterationLimit, kMaxRunIterations) << "the document keeps it";
  const int last = outcome.lastIteration;
  ASSERT_EQ(last, kMaxRunIterations) << "the run stopped early; this test needs 25 iterations";
  EXPECT_EQ(outcome.stopReason, StopReason::kIterationLimit);
  const auto results = ReadBack();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->iterationCount, last);
  EXPECT_EQ(results->blocksNotStored, 0);
  EXPECT_NEAR(results->misfit[last], outcome.misfits[last], 1e-4);
  EXPECT_NEAR(results->layerResistivity[InversionResults::At(0, last)],
              outcome.model.resistivity[0],
              1e-3 + 1e-6 * outcome.model.resistivity[0]);
}

// Asked to stop after iteration 2, a run ends there, keeps the blocks written
// so far and says so.
TEST_F(InversionDriverTest, CancelledRunKeepsItsFinishedIterationsAndSaysSo) {
  ThreeLayerSounding(0.05);
  document_->settings.convergenceLimit = 0.0001f;
  std::atomic<bool> cancel{false};
  observer_.on_iteration = [&](const IterationEvent& event) {
    if (event.iteration() == 2) cancel = true;
  };
  RunOptions options = document_->NextRunOptions(false);
  options.results_path = results_file_;
  const InversionOutcome& outcome = document_->Run(options, observer_, &cancel).outcome;
  EXPECT_EQ(outcome.runStatus, RunStatus::kCancelled);
  EXPECT_EQ(outcome.stopReason, StopReason::kCancelled);
  EXPECT_EQ(outcome.lastIteration, 2);
  EXPECT_NE(outcome.runMessage.find("stopped after iteration 2"), std::string::npos);
  EXPECT_NE(outcome.runMessage.find("holds iterations 0 to 2"), std::string::npos);
  EXPECT_EQ(outcome.resultsFile, results_file_);
  EXPECT_EQ(ProgressLines("The inversion was stopped after iteration 2."), 1);
  const auto results = ReadBack();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->iterationCount, 2);
}

// A results file that takes no more data (a file size limit as a full disk)
// is reported and stops the run; an earlier file stays as it was, since block
// 0 replaces it only when whole. A device is refused before the run.
TEST_F(InversionDriverTest, ResultsFileThatCannotBeWrittenStopsTheRun) {
  ThreeLayerSounding();
  std::ofstream(results_file_) << "an earlier run's results\n";
  {
    const FileSizeLimit limit(100);
    const InversionOutcome& outcome = Run(false);
    EXPECT_EQ(outcome.runStatus, RunStatus::kFailed);
    EXPECT_EQ(outcome.lastIteration, 0);
  }
  ASSERT_EQ(observer_.listing.messages.size(), 1u);
  EXPECT_EQ(observer_.listing.messages[0].caption, "Error Message");
  EXPECT_NE(observer_.listing.messages[0].text.find(results_file_), std::string::npos);
  EXPECT_EQ(ResultsText(), "an earlier run's results\n");

  if (!fs::exists("/dev/full")) return;
  RunOptions options = document_->NextRunOptions(false);
  options.results_path = "/dev/full";
  const InversionOutcome& outcome = document_->Run(options, observer_).outcome;
  EXPECT_EQ(outcome.runStatus, RunStatus::kFailed);
  EXPECT_NE(outcome.runMessage.find("/dev/full: is not a regular file"), std::string::npos)
      << outcome.runMessage;
}

// A thin resistive skin over a near-conductor drives the Wenner filter below
// zero: the run completes with the kernel's guard, warns, and writes only numbers.
TEST_F(InversionDriverTest, StartingModelBeyondTheFilterIsGuardedAndWarned) {
  FillSounding(*document_,
               ArrayType::kWenner,
               LogSpacings(0.01f, 0.3f, 8),
               {100.0f, 50.0f},
               {0.1f},
               data_file_);
  SetModel(document_->model, {20000.0f, 0.1f, 100.0f}, {0.01f, 3.0f});
  document_->settings.iterationLimit = 1;
  const InversionOutcome& outcome = Run(true);
  ASSERT_EQ(outcome.warnings.size(), 1u);
  EXPECT_NE(outcome.warnings[0].find("accuracy\nof the filter"), std::string::npos);
  bool warned = false;
  for (const auto& message : observer_.listing.messages)
    warned = warned || message.caption == "Warning";
  EXPECT_TRUE(warned);
  const std::string text = ResultsText();
  EXPECT_NE(text.find("Iteration 1"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  EXPECT_EQ(text.find("inf"), std::string::npos);
}

// Refused runs say why and leave an earlier results file and the data file as
// they were (the model is checked before the file is created); RunCanStart
// tells the refusals that come before the file apart.
TEST_F(InversionDriverTest, RefusedRunsSayWhyAndKeepEarlierFiles) {
  const auto one_layer = [&] {
    FillSounding(
        *document_, ArrayType::kWenner, std::vector<float>(6, 10.0f), {50.0f}, {}, data_file_);
  };
  const auto user_model = [&](std::vector<float> rho, std::vector<float> h) {
    return [=] {
      ThreeLayerSounding();
      SetModel(document_->model, rho, h);
    };
  };
  const auto four_left = [&] {
    user_model({70.0f, 35.0f, 300.0f}, {3.5f, 22.0f})();
    for (int p = 0; p < 26; ++p) document_->excluded[p] = 1;
  };
  const auto three_layer = [&] { ThreeLayerSounding(); };
  const auto too_many = user_model(std::vector<float>(31, 50.0f), std::vector<float>(30, 2.0f));
  const auto zero_rho = user_model({80.0f, 0.0f, 400.0f}, {4.0f, 10.0f});
  const std::string kLayerCount =
      "You model has 1 layers.\nThe model must have at least 2 layers\nand not model that 30 "
      "layers.";
  struct Case {
    const char* name;
    std::function<void()> prepare;
    bool from_model;
    std::string results;  // the results path of the run
    const char* caption;  // of the one message; nullptr: no message, the outcome says why
    std::string text;     // in that message (or the outcome's); "=" before it: the whole one
  };
  const std::string missing = directory_.Path("missing/sounding.INV");
  const std::vector<Case> cases = {
      {"no data", [] {}, false, results_file_, "Error Message", "You must first read"},
      {"one layer", one_layer, false, results_file_, "Message", "=" + kLayerCount},
      {"31-layer user model", too_many, true, results_file_, "Message", "31 layers"},
      {"zero resistivity", zero_rho, true, results_file_, "Error Message", "Layer 2"},
      {"all but four points left out", four_left, true, results_file_, "Error Message", "Only 4"},
      {"no folder", three_layer, false, missing, nullptr, "Cannot create the results file"},
      {"over the data file", three_layer, false, data_file_, nullptr, "is the data file"},
  };
  const std::string kept = "an earlier run's results\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    document_ = std::make_unique<SoundingDocument>();
    observer_ = RecordingObserver{};
    c.prepare();
    std::ofstream(results_file_) << kept;
    std::ofstream(data_file_) << "the data\n";
    RunOptions options = document_->NextRunOptions(c.from_model);
    options.results_path = c.results;
    EXPECT_EQ(RunCanStart(document_->data, options), c.caption == nullptr);
    const InversionOutcome& outcome = document_->Run(options, observer_).outcome;
    EXPECT_EQ(outcome.runStatus, RunStatus::kFailed);
    EXPECT_EQ(outcome.stopReason, StopReason::kFailed);
    EXPECT_EQ(ResultsText(), kept);
    EXPECT_EQ(testing::ReadWholeFile(data_file_), "the data\n");
    EXPECT_FALSE(fs::exists(missing));
    std::string said = outcome.runMessage;
    if (c.caption != nullptr) {
      ASSERT_EQ(observer_.listing.messages.size(), 1u);
      EXPECT_EQ(observer_.listing.messages[0].caption, c.caption);
      said = observer_.listing.messages[0].text;
    } else {
      EXPECT_TRUE(observer_.listing.messages.empty());
      EXPECT_TRUE(observer_.listing.lines.empty()) << "refused before its progress lines";
    }
    if (c.text[0] == '=') {
      EXPECT_EQ("=" + said, c.text);
    } else {
      EXPECT_NE(said.find(c.text), std::string::npos) << said;
    }
  }
}

// A run cut off by a full disk (a file size limit) inside a block keeps its
// finished iterations: the cut block is taken off again, and the file reads
// back silently.
TEST_F(InversionDriverTest, RunCutOffByAFullDiskKeepsItsFinishedIterations) {
  ThreeLayerSounding();
  document_->settings.iterationLimit = 4;
  document_->settings.convergenceLimit = 0.0001f;
  ASSERT_GE(Run(false).lastIteration, 3);
  const std::string whole = ResultsText();
  const size_t second = whole.find("Iteration 2");

  RunStatus status;
  {
    const FileSizeLimit limit(second + 40);
    status = Run(false).runStatus;
  }
  EXPECT_EQ(status, RunStatus::kFailed);
  EXPECT_EQ(ResultsText(), whole.substr(0, second));
  testing::RecordingSink reader;
  const auto results = ReadBack(&reader);
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->iterationCount, 1);
  EXPECT_TRUE(reader.messages.empty());
}

// Every plot of a run reaches the observer, the last one in the state the run
// ends in: drawn later from its snapshot it is the picture drawn at once.
TEST_F(InversionDriverTest, TheLastPlotKeptIsThePlotDrawnLast) {
  ThreeLayerSounding(0.03);
  document_->settings.convergenceLimit = 0.0001f;
  RecordingCanvas each;
  observer_.canvas = &each;
  std::unique_ptr<PlotSnapshot> last;
  observer_.on_iteration = [&](const IterationEvent& event) { last = event.Snapshot(); };
  const InversionOutcome& outcome = Run(false);
  ASSERT_EQ(outcome.runStatus, RunStatus::kCompleted);
  EXPECT_GT(outcome.finalMisfit, 0.015f);
  EXPECT_LT(outcome.finalMisfit, 0.04f);
  EXPECT_GT(each.clear_count(), outcome.lastIteration);
  ASSERT_NE(last, nullptr);
  RecordingCanvas later;
  PlotSounding(last->input(), later);
  EXPECT_EQ(later.TextLines(), each.TextLines());
  EXPECT_EQ(later.segments().size(), each.segments().size());
  EXPECT_EQ(later.rectangles().size(), each.rectangles().size());
}

}  // namespace
}  // namespace layra
