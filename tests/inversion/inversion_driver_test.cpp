#include "inversion/inversion_driver.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "tests/inversion/synthetic_sounding.h"
#include "tests/support/recording_canvas.h"
#include "tests/support/scripted_host.h"

namespace layra {
namespace {

namespace fs = std::filesystem;
using testing::FillSounding;
using testing::LogSpacings;
using testing::RecordingCanvas;
using testing::ScriptedHost;
using testing::SetModel;

const std::vector<float> kTrueResistivity = {100.0f, 20.0f, 500.0f};
const std::vector<float> kTrueThickness = {5.0f, 15.0f};

std::vector<std::string> Progress(const RecordingCanvas& canvas) {
  std::vector<std::string> lines;
  for (const auto& text : canvas.text_history()) {
    if (text.x == 8) lines.push_back(text.text);
  }
  return lines;
}

class InversionDriverTest : public ::testing::Test {
 protected:
  void ThreeLayerSounding(double noise = 0.0, unsigned seed = 7) {
    FillSounding(state_,
                 ArrayType::kSchlumberger,
                 LogSpacings(1.0f, 300.0f, 30),
                 kTrueResistivity,
                 kTrueThickness,
                 data_file_,
                 noise,
                 seed);
  }

  // An interactive run whose save chooser accepts the offered name.
  void RunInteractive(int user_model) {
    host_.save_answers.push_back(results_file_);
    RunInversion(state_, user_model, 0, canvas_, host_);
  }

  // A user-model run from near the true model.
  void RunFromNearModel(float convergence_limit) {
    SetModel(state_.model, {70.0f, 35.0f, 300.0f}, {3.5f, 22.0f});
    state_.settings.convergenceLimit = convergence_limit;
    state_.settings.iterationLimit = 25;
    RunInteractive(1);
  }

  std::string ResultsText() const { return testing::ReadWholeFile(results_file_); }

  // The results file as the reader takes it; its messages go to `reader`.
  std::unique_ptr<InversionResults> ReadBack(ScriptedHost* reader = nullptr) const {
    auto results = std::make_unique<InversionResults>();
    RecordingCanvas listing;
    ScriptedHost quiet;
    if (ReadResultsFile(results_file_, *results, listing, 16, reader ? *reader : quiet) != 0)
      return nullptr;
    return results;
  }

  // Progress lines stay in the drawing record after a plot clears the window.
  int ProgressLines(const std::string& prefix, bool whole = true) const {
    int count = 0;
    for (const std::string& line : Progress(canvas_))
      count += whole ? line == prefix : line.rfind(prefix, 0) == 0;
    return count;
  }

  testing::ScratchDir directory_;
  const std::string data_file_ = directory_.Path("sounding.dat");
  const std::string results_file_ = directory_.Path("sounding.INV");
  ProgramState state_;
  RecordingCanvas canvas_;
  ScriptedHost host_;
};

// A left-out (wild) point is not fitted, counted or written, but stays in the
// sounding without a calculated value.
TEST_F(InversionDriverTest, UserModelRunRecoversTheThreeLayerModelWithoutALeftOutPoint) {
  ThreeLayerSounding();
  const float wild = state_.data.apparentResistivity[12] * 5.0f;
  state_.data.apparentResistivity[12] = wild;
  state_.excludedPoints[12] = 1;
  RunFromNearModel(0.0005f);
  ASSERT_EQ(state_.outcome.runStatus, RunStatus::kCompleted) << state_.outcome.runMessage;
  EXPECT_EQ(state_.model.layerCount, 3);
  for (int j = 0; j < 3; ++j) {
    EXPECT_NEAR(state_.model.resistivity[j], kTrueResistivity[j], 0.02 * kTrueResistivity[j]);
    if (j < 2) {
      EXPECT_NEAR(state_.model.thickness[j], kTrueThickness[j], 0.02 * kTrueThickness[j]);
    }
  }
  EXPECT_NEAR(state_.model.depthTop[2], 20.0f, 0.4f);
  EXPECT_LT(state_.outcome.finalMisfit, 0.0005f);
  for (const char* line : {"Number of data points is 29.",
                           "Number of model parameters is 5.",
                           "Number of model layers is 3."})
    EXPECT_EQ(ProgressLines(line), 1) << line;
  EXPECT_EQ(host_.save_titles, std::vector<std::string>{"File Name for Inversion Results"});
  EXPECT_EQ(host_.save_defaults[0], results_file_);
  EXPECT_EQ(state_.data.pointCount, 30);
  EXPECT_EQ(state_.data.apparentResistivity[12], wild);
  EXPECT_TRUE(std::isnan(state_.outcome.calculatedResistivity[12]));
  EXPECT_GT(state_.outcome.calculatedResistivity[13], 0.0f);
  const auto results = ReadBack();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->pointCount, 29);
}

// Automatic runs converge with either model constraint; the data constraint is
// reset to standard.
TEST_F(InversionDriverTest, AutomaticRunReachesTheConvergenceLimit) {
  for (int robust : {0, 1}) {
    SCOPED_TRACE(robust ? "robust" : "standard");
    state_ = ProgramState{};
    host_ = ScriptedHost{};
    canvas_ = RecordingCanvas{};
    ThreeLayerSounding();
    state_.settings.modelConstraint = robust;
    state_.settings.dataConstraint = 1;
    RunInteractive(0);
    ASSERT_EQ(state_.outcome.runStatus, RunStatus::kCompleted) << state_.outcome.runMessage;
    EXPECT_LT(state_.outcome.finalMisfit, 0.02f);
    EXPECT_LE(state_.outcome.lastIteration, 8);
    EXPECT_EQ(host_.convergence_prompts, 1);
    EXPECT_EQ(host_.iteration_prompts, 0);
    EXPECT_EQ(state_.settings.dataConstraint, 0);
    EXPECT_EQ(state_.settings.modelConstraint, robust);
    EXPECT_NE(ResultsText().find("RMS error"), std::string::npos);
    for (int k = 0; k <= state_.outcome.lastIteration; ++k) {
      char line[64];
      std::snprintf(line,
                    sizeof line,
                    "Iteration %2d  RMS error %8.2f",
                    k,
                    100.0 * state_.outcome.misfits[k]);
      EXPECT_EQ(ProgressLines(line), 1) << line;
    }
  }
}

// The second iteration that does not lower the misfit ends the stage, even
// with an improving one between.
TEST_F(InversionDriverTest, TwoIterationsThatDoNotImproveEndTheStage) {
  ThreeLayerSounding(0.1, 1);
  RunFromNearModel(0.0001f);
  const InversionOutcome& outcome = state_.outcome;
  ASSERT_LT(outcome.lastIteration, 25) << "the fit kept improving; the rule was not reached";
  std::vector<int> not_improving;
  for (int k = 1; k <= outcome.lastIteration; ++k) {
    if (!(outcome.misfits[k] < outcome.misfits[k - 1])) not_improving.push_back(k);
  }
  ASSERT_EQ(not_improving.size(), 2u);
  EXPECT_GT(not_improving[1] - not_improving[0], 1) << "expected an improving iteration between";
  EXPECT_EQ(not_improving[1], outcome.lastIteration);
  EXPECT_EQ(host_.iteration_prompts, 0);
  EXPECT_GE(host_.beeps, 2);
}

// Improving iterations shrink the damping down to its minimum; others raise it.
TEST(NextDampingFactor, ShrinksToTheMinimumAndGrowsAfterAFailure) {
  EXPECT_LT(NextDampingFactor(0.1, 1, 0.01), 0.1);
  EXPECT_EQ(NextDampingFactor(0.012, 1, 0.01), 0.01);
  EXPECT_GT(NextDampingFactor(0.01, 0, 0.01), 0.01);
}

TEST_F(InversionDriverTest, ZeroIterationsWriteAndPlotOnlyTheStartingModel) {
  ThreeLayerSounding();
  state_.settings.iterationLimit = 0;
  RunInteractive(0);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
  EXPECT_EQ(state_.outcome.lastIteration, 0);
  EXPECT_EQ(ProgressLines("Iteration  0", false), 1);
  EXPECT_EQ(ProgressLines("Iteration  1", false), 0);
  EXPECT_EQ(ResultsText().find("Iteration 1"), std::string::npos);
  EXPECT_NE(ResultsText().find("Initial Model"), std::string::npos);
  EXPECT_GE(canvas_.clear_count(), 1);
}

TEST_F(InversionDriverTest, SilentRunAsksNothingAndLeavesNoResultsFile) {
  ThreeLayerSounding();
  RunInversion(state_, 0, 1, canvas_, host_);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
  EXPECT_TRUE(host_.save_titles.empty());
  EXPECT_EQ(host_.convergence_prompts, 0);
  EXPECT_EQ(host_.iteration_prompts, 0);
  EXPECT_EQ(state_.resultsFileName, directory_.Path("sounding.INx"));
  EXPECT_FALSE(fs::exists(directory_.path() / "sounding.INx"));
  EXPECT_GT(state_.outcome.lastIteration, 0);
}

// An uncreatable results file is asked for again; No fails the run, cancelling
// the chooser ends it at once.
TEST_F(InversionDriverTest, ResultsFileChooserTriesAgainOrEnds) {
  ThreeLayerSounding();
  state_.settings.iterationLimit = 1;
  host_.save_answers.push_back(directory_.Path("missing/x.INV"));
  host_.save_answers.push_back(results_file_);
  host_.yes_no_answers.push_back(MessageAnswer::kYes);
  RunInversion(state_, 0, 0, canvas_, host_);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].caption, "Try again");
  EXPECT_EQ(host_.messages[0].icon, MessageIcon::kQuestion);
  EXPECT_NE(host_.messages[0].text.find("Do you want to try again with a different name?"),
            std::string::npos);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
  EXPECT_EQ(state_.resultsFileName, results_file_);
  EXPECT_TRUE(fs::exists(results_file_));

  ScriptedHost second;
  second.save_answers.push_back(directory_.Path("missing/x.INV"));
  RunInversion(state_, 0, 0, canvas_, second);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kFailed);
  EXPECT_EQ(second.messages.size(), 1u);
  EXPECT_EQ(state_.outcome.runMessage,
            "Cannot create the results file " + directory_.Path("missing/x.INV") +
                ": No such file or directory");

  ScriptedHost cancelling;
  cancelling.save_answers.push_back(std::nullopt);
  RecordingCanvas canvas;
  RunInversion(state_, 0, 0, canvas, cancelling);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kCancelled);
  EXPECT_EQ(canvas.calls(), 0);
}

// Undamped, with a layer no spacing sees, the normal matrix is singular: the
// run reports it and keeps its model.
TEST_F(InversionDriverTest, SingularNormalMatrixLeavesTheModelUntouched) {
  ThreeLayerSounding();
  SetModel(state_.model, {80.0f, 30.0f, 400.0f}, {1e6f, 10.0f});
  state_.settings.initialDampingFactor = 0.0f;
  state_.settings.minimumDampingFactor = 0.0f;
  RunInteractive(1);
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_EQ(host_.messages.back().caption, "Error Message");
  EXPECT_EQ(state_.outcome.lastIteration, 0);
  EXPECT_FLOAT_EQ(state_.model.resistivity[0], 80.0f);
  EXPECT_FLOAT_EQ(state_.model.thickness[0], 1e6f);
}

// Steps so long that exp() overflows are rejected: the model stays finite and
// positive.
TEST_F(InversionDriverTest, OverflowingStepsNeverEnterTheModel) {
  ThreeLayerSounding();
  SetModel(state_.model, {100.0f, 20.0f, 5.0f}, {5.0f, 400.0f});
  state_.settings.initialDampingFactor = 1e-30f;
  state_.settings.minimumDampingFactor = 1e-30f;
  state_.settings.iterationLimit = 5;
  RunInteractive(1);
  const LayeredModel& model = state_.model;
  for (int j = 0; j < 5; ++j) {
    const float v = j < 3 ? model.resistivity[j] : model.thickness[j - 3];
    EXPECT_TRUE(std::isfinite(v) && v > 0.0f) << v;
  }
  ASSERT_GE(state_.outcome.lastIteration, 1);
  for (int k = 0; k <= state_.outcome.lastIteration; ++k) {
    EXPECT_TRUE(std::isfinite(state_.outcome.misfits[k])) << "iteration " << k;
  }
  EXPECT_EQ(state_.outcome.misfits[1], state_.outcome.misfits[0]);
  EXPECT_FLOAT_EQ(state_.model.resistivity[2], 5.0f);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
}

// The iteration-limit prompt adds iterations up to the 25 a run may write, and
// the file reads back with all of them.
TEST_F(InversionDriverTest, PromptedRunReadsBackAllTwentyFiveIterations) {
  ThreeLayerSounding(0.05);
  state_.settings.convergenceLimit = 0.0001f;
  state_.settings.iterationLimit = 2;
  state_.settings.minimumDampingFactor = 0.25f;  // slow progress: no early end
  state_.settings.initialDampingFactor = 1.0f;
  host_.iteration_answers = {3, 40};  // 40 is held to 25
  RunInteractive(0);
  ASSERT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
  EXPECT_GE(host_.iteration_prompts, 2);
  EXPECT_EQ(state_.settings.iterationLimit, kMaxRunIterations);
  const int last = state_.outcome.lastIteration;
  ASSERT_EQ(last, kMaxRunIterations) << "the run stopped early; this test needs 25 iterations";
  const auto results = ReadBack();
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->iterationCount, last);
  EXPECT_EQ(results->blocksNotStored, 0);
  EXPECT_NEAR(results->misfit[last], state_.outcome.misfits[last], 1e-4);
  EXPECT_NEAR(results->layerResistivity[InversionResults::At(0, last)],
              state_.model.resistivity[0],
              1e-3 + 1e-6 * state_.model.resistivity[0]);
}

// A results file that takes no more data is reported and stops the run.
TEST_F(InversionDriverTest, ResultsFileThatCannotBeWrittenStopsTheRun) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  ThreeLayerSounding();
  host_.save_answers.push_back("/dev/full");
  RunInversion(state_, 0, 0, canvas_, host_);
  EXPECT_EQ(state_.outcome.runStatus, RunStatus::kFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].caption, "Error Message");
  EXPECT_NE(host_.messages[0].text.find("/dev/full"), std::string::npos);
  EXPECT_EQ(state_.outcome.lastIteration, 0);
}

// A thin resistive skin over a near-conductor drives the Wenner filter below
// zero: the run completes with the kernel's guard, warns, and writes only numbers.
TEST_F(InversionDriverTest, StartingModelBeyondTheFilterIsGuardedAndWarned) {
  FillSounding(
      state_, ArrayType::kWenner, LogSpacings(0.01f, 0.3f, 8), {100.0f, 50.0f}, {0.1f}, data_file_);
  SetModel(state_.model, {20000.0f, 0.1f, 100.0f}, {0.01f, 3.0f});
  state_.settings.iterationLimit = 1;
  RunInteractive(1);
  ASSERT_EQ(state_.outcome.warnings.size(), 1u);
  EXPECT_NE(state_.outcome.warnings[0].find("accuracy\nof the filter"), std::string::npos);
  bool warned = false;
  for (const auto& message : host_.messages) warned = warned || message.caption == "Warning";
  EXPECT_TRUE(warned);
  const std::string text = ResultsText();
  EXPECT_NE(text.find("Iteration 1"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  EXPECT_EQ(text.find("inf"), std::string::npos);
}

// Refused runs say why and leave an earlier results file and the data file as
// they were (model checks come before the file is chosen).
TEST_F(InversionDriverTest, RefusedRunsSayWhyAndKeepEarlierFiles) {
  const auto one_layer = [&] {
    FillSounding(state_, ArrayType::kWenner, std::vector<float>(6, 10.0f), {50.0f}, {}, data_file_);
  };
  const auto user_model = [&](std::vector<float> rho, std::vector<float> h) {
    return [=] {
      ThreeLayerSounding();
      SetModel(state_.model, rho, h);
    };
  };
  const auto four_left = [&] {
    user_model({70.0f, 35.0f, 300.0f}, {3.5f, 22.0f})();
    for (int p = 0; p < 26; ++p) state_.excludedPoints[p] = 1;
  };
  const auto no_folder = [&] {
    ThreeLayerSounding();
    state_.data.dataFileName = directory_.Path("missing/sounding.dat");
  };
  const auto too_many = user_model(std::vector<float>(31, 50.0f), std::vector<float>(30, 2.0f));
  const auto zero_rho = user_model({80.0f, 0.0f, 400.0f}, {4.0f, 10.0f});
  const auto three_layer = [&] { ThreeLayerSounding(); };
  const std::string kLayerCount =
      "You model has 1 layers.\nThe model must have at least 2 layers\nand not model that 30 "
      "layers.";
  struct Case {
    const char* name;
    std::function<void()> prepare;
    int user_model, silent;
    const char* caption;  // of the one message; nullptr: not checked
    std::string text;     // in that message; "=" before it: the whole message
    bool save_to_data_file = false;
  };
  const std::vector<Case> cases = {
      {"no data", [] {}, 0, 0, nullptr, ""},
      {"one layer, silent", one_layer, 0, 1, "Message", "=" + kLayerCount},
      {"31-layer user model", too_many, 1, 0, nullptr, ""},
      {"zero resistivity", zero_rho, 1, 0, "Error Message", ""},
      {"all but four points left out", four_left, 1, 0, "Error Message", "Only 4 data points"},
      {"no folder", no_folder, 0, 1, "Name Error Message", "This data set will not be processed."},
      {"over the data file", three_layer, 0, 0, "Try again", "is the data file of this run", true},
  };
  const std::string kept = "an earlier run's results\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state_ = ProgramState{};
    c.prepare();
    std::ofstream(results_file_) << kept;
    std::ofstream(data_file_) << "the data\n";
    ScriptedHost host;
    host.save_answers.push_back(c.save_to_data_file ? data_file_ : results_file_);
    RunInversion(state_, c.user_model, c.silent, canvas_, host);
    EXPECT_EQ(state_.outcome.runStatus, RunStatus::kFailed);
    EXPECT_EQ(host.save_titles.empty(), !c.save_to_data_file);
    EXPECT_EQ(ResultsText(), kept);
    EXPECT_EQ(testing::ReadWholeFile(data_file_), "the data\n");
    EXPECT_FALSE(fs::exists(directory_.path() / "sounding.INx"));
    if (!c.caption) continue;
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, c.caption);
    if (c.text[0] == '=') {
      EXPECT_EQ("=" + host.messages[0].text, c.text);
    } else {
      EXPECT_NE(host.messages[0].text.find(c.text), std::string::npos);
    }
  }
}

// A run cut off by a full disk (a file size limit) inside a block keeps its
// finished iterations; the reader drops the cut block.
TEST_F(InversionDriverTest, RunCutOffByAFullDiskKeepsItsFinishedIterations) {
  ThreeLayerSounding();
  state_.settings.iterationLimit = 4;
  state_.settings.convergenceLimit = 0.0001f;
  const auto start = std::make_unique<ProgramState>(state_);
  RunInteractive(0);
  ASSERT_GE(state_.outcome.lastIteration, 3);
  const std::string whole = ResultsText();
  const size_t cut = whole.find("Iteration 2") + 40;

  const auto state = std::make_unique<ProgramState>(*start);
  ScriptedHost host;
  host.save_answers.push_back(results_file_);
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = saved;
  limited.rlim_cur = cut;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  RunInversion(*state, 0, 0, canvas_, host);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(state->outcome.runStatus, RunStatus::kFailed);
  EXPECT_EQ(ResultsText(), whole.substr(0, cut));
  ScriptedHost reader_host;
  const auto results = ReadBack(&reader_host);
  ASSERT_NE(results, nullptr);
  EXPECT_EQ(results->iterationCount, 1);
  ASSERT_EQ(reader_host.messages.size(), 1u);
  EXPECT_NE(reader_host.messages[0].text.find("(iteration 2) is incomplete"), std::string::npos);
}

// Each canvas gets every plot, the last one once, or none; the progress lines
// are the same, and noisy data end near their noise level.
TEST_F(InversionDriverTest, EachCanvasGetsTheRunPlotsItWants) {
  class Wanting : public RecordingCanvas {
   public:
    explicit Wanting(RunPlots plots) : plots_(plots) {}
    RunPlots WantsRunPlots() const override { return plots_; }

   private:
    RunPlots plots_;
  };
  std::vector<std::unique_ptr<Wanting>> canvases;
  for (RunPlots plots : {RunPlots::kEach, RunPlots::kLast, RunPlots::kNone}) {
    ThreeLayerSounding(0.03);
    state_.settings.convergenceLimit = 0.0001f;
    canvases.push_back(std::make_unique<Wanting>(plots));
    host_.save_answers.push_back(results_file_);
    RunInversion(state_, 0, 0, *canvases.back(), host_);
    ASSERT_EQ(state_.outcome.runStatus, RunStatus::kCompleted);
    EXPECT_GT(state_.outcome.finalMisfit, 0.015f);
    EXPECT_LT(state_.outcome.finalMisfit, 0.04f);
  }
  const Wanting& each = *canvases[0];
  const Wanting& last = *canvases[1];
  const Wanting& none = *canvases[2];
  EXPECT_GT(each.clear_count(), 2);
  EXPECT_EQ(last.clear_count(), 1);
  EXPECT_EQ(none.clear_count(), 0);
  EXPECT_EQ(last.TextLines(), each.TextLines());
  EXPECT_EQ(last.segments().size(), each.segments().size());
  EXPECT_EQ(last.rectangles().size(), each.rectangles().size());
  EXPECT_EQ(Progress(last), Progress(each));
  EXPECT_EQ(Progress(none), Progress(each));
}

}  // namespace
}  // namespace layra
