#include "survey/lateral_inversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "fileio/synthetic_data.h"
#include "tests/inversion/synthetic_sounding.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_sink.h"

namespace layra {
namespace {

using testing::ReadWholeFile;

constexpr int kSoundings = 5;
constexpr int kNoisy = 2;  // the middle sounding

// A profile of five soundings 50 m apart over one three-layer ground, each
// file with a starting model of `layers` layers; the middle sounding has 15 %
// noise, the others 1 %.
class LateralInversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.outputDirectory = directory_.path().string();
    options_.engine = EngineKind::kAccurate;
    options_.keepDocument = true;
  }

  void WriteProfile(const std::vector<int>& layers) {
    for (int s = 0; s < kSoundings; ++s) {
      // The last sounding spans a shorter range: its own smooth model has
      // fewer layers than the profile's grid.
      const std::vector<float> spacings =
          testing::LogSpacings(1.0f, s + 1 == kSoundings ? 60.0f : 150.0f, 20);
      auto state = std::make_unique<SoundingDocument>();
      testing::FillSounding(*state,
                            ArrayType::kSchlumberger,
                            spacings,
                            {100.0f, 20.0f, 300.0f},
                            {4.0f, 15.0f},
                            "",
                            s == kNoisy ? 0.15 : 0.01,
                            11 + s);
      std::string text = FormatDataFile(state->data);
      text.resize(text.rfind("No\n"));
      text += "Yes\nFix Parameters (Yes/No)\nNo\nNumber of model layers\n" +
              std::to_string(layers[s]) + "\nModel Parameters\n";
      // Near the ground's own layers: 90 over 30 over 200 ohm-m, 3 and 12 m
      // thick; a fourth layer splits the second.
      const char* lines[] = {"90 3\n", "30 12\n", "30 6\n"};
      for (int j = 0; j + 1 < layers[s]; ++j) text += lines[j];
      text += "200\n";
      text += "Convergence limit in percent\n2.0\n";
      const std::string name = "S" + std::to_string(s + 1);
      const std::string file = directory_.Path(name + ".dat");
      std::ofstream(file) << text;
      soundings_.push_back({s + 2, file, name, "P", 50.0 * s, 0.0, 0.0});
    }
  }

  std::vector<SoundingResult> Independent() {
    std::vector<SoundingResult> results = InvertSurvey(soundings_, options_);
    for (const SoundingResult& r : results) EXPECT_EQ(r.status, SoundingStatus::kOk) << r.message;
    return results;
  }

  testing::ScratchDir directory_;
  SurveyRunOptions options_;
  std::vector<SurveySounding> soundings_;
};

double LogResistivityAt(const LayeredModel& model, double depth) {
  int j = 0;
  while (j + 1 < model.layerCount && model.depthTop[j + 1] <= depth) ++j;
  return std::log(model.resistivity[j]);
}

// How far the noisy sounding's model lies from the mean of its neighbours',
// over depths of 1 to 40 m.
double Departure(const std::vector<SoundingResult>& results) {
  double sum = 0.0;
  for (double depth = 1.0; depth <= 40.0; depth *= 1.1) {
    const double neighbours = 0.5 * (LogResistivityAt(results[kNoisy - 1].model, depth) +
                                     LogResistivityAt(results[kNoisy + 1].model, depth));
    sum += std::fabs(LogResistivityAt(results[kNoisy].model, depth) - neighbours);
  }
  return sum;
}

// Weight 0 keeps the independent inversions and files; ties pull the noisy
// sounding towards its neighbours (smooth and few-layer), and every results file
// reads back with the joint model as its last block.
TEST_F(LateralInversionTest, TiesPullANoisySoundingTowardsItsNeighbours) {
  WriteProfile(std::vector<int>(kSoundings, 3));
  for (bool user_model : {false, true}) {
    SCOPED_TRACE(user_model ? "few layers" : "smooth");
    options_.userModel = user_model;
    std::vector<SoundingResult> results = Independent();
    const std::vector<SoundingResult> independent = results;
    const std::string file = ReadWholeFile(results[kNoisy].resultsFile);
    std::vector<LateralOutcome> outcomes = InvertLaterally(soundings_, results, 0.0, user_model);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].iterations, 0);
    for (int s = 0; s < kSoundings; ++s) {
      ASSERT_EQ(results[s].model.layerCount, independent[s].model.layerCount);
      EXPECT_EQ(results[s].model.resistivity, independent[s].model.resistivity);
      EXPECT_EQ(results[s].model.thickness, independent[s].model.thickness);
      EXPECT_EQ(results[s].misfit, independent[s].misfit);
    }
    EXPECT_EQ(ReadWholeFile(results[kNoisy].resultsFile), file);

    const double before = Departure(results);
    const int blocks = results[kNoisy].iterations;
    outcomes = InvertLaterally(soundings_, results, 10.0, user_model);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].message.empty()) << outcomes[0].message;
    EXPECT_GT(outcomes[0].iterations, 0);
    EXPECT_LT(Departure(results), 0.5 * before);
    EXPECT_EQ(results[kNoisy].iterations, blocks + 1);
    for (const SoundingResult& r : results) {
      auto read = std::make_unique<InversionResults>();
      testing::RecordingSink host;
      ASSERT_EQ(ReadResultsFile(r.resultsFile, *read, host), 0) << r.resultsFile;
      EXPECT_TRUE(host.messages.empty()) << r.resultsFile;
      EXPECT_EQ(read->iterationCount, r.iterations) << r.resultsFile;
      EXPECT_EQ(read->modelLayerCount, r.model.layerCount) << r.resultsFile;
    }
  }
}

// A disk that takes no more (a file size limit) during the joint step fails
// every sounding whose joint model cannot be written, and its results file
// keeps the sounding's own run, appended to (few layers) or rewritten
// (smooth models on the profile's grid).
TEST_F(LateralInversionTest, AJointModelThatCannotBeWrittenFailsItsSounding) {
  WriteProfile(std::vector<int>(kSoundings, 3));
  for (bool user_model : {false, true}) {
    SCOPED_TRACE(user_model ? "few layers" : "smooth");
    options_.userModel = user_model;
    std::vector<SoundingResult> results = Independent();
    std::vector<std::string> files;
    for (const SoundingResult& r : results) files.push_back(ReadWholeFile(r.resultsFile));
    {
      const testing::FileSizeLimit full(1);
      InvertLaterally(soundings_, results, 10.0, user_model);
    }
    for (int s = 0; s < kSoundings; ++s) {
      EXPECT_EQ(results[s].status, SoundingStatus::kFailed) << s;
      EXPECT_NE(results[s].message.find("Cannot write the joint model"), std::string::npos);
      EXPECT_EQ(ReadWholeFile(results[s].resultsFile), files[s]) << s;
    }
  }
}

TEST_F(LateralInversionTest, FewLayerProfileWithDifferentLayerCountsIsRefused) {
  WriteProfile({3, 3, 4, 3, 3});
  options_.userModel = true;
  std::vector<SoundingResult> results = Independent();
  const std::vector<SoundingResult> independent = results;
  const std::vector<LateralOutcome> outcomes = InvertLaterally(soundings_, results, 1.0, true);
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_NE(outcomes[0].message.find("different layer counts"), std::string::npos);
  EXPECT_EQ(results[kNoisy].model.resistivity, independent[kNoisy].model.resistivity);
}

}  // namespace
}  // namespace layra
