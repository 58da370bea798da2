#include "survey/survey_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace layra {
namespace {

namespace fs = std::filesystem;

class InvertSurveyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.outputDirectory = (fs::path(::testing::TempDir()) /
                                ("survey_run_test_" + std::to_string(::getpid()) + "_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                                   .string();
    fs::remove_all(options_.outputDirectory);
    fs::create_directories(options_.outputDirectory);
    const std::string examples = std::string(LAYRA_EXAMPLES_DIR) + "/survey/";
    soundings_ = {{2, examples + "A1.dat", "A1", "A", 0.0, 0.0, 0.0},
                  {3, examples + "missing.dat", "M", "A", 50.0, 0.0, 0.0},
                  {4, examples + "A5.dat", "A5", "A", 100.0, 0.0, 0.0}};
  }
  void TearDown() override { fs::remove_all(options_.outputDirectory); }

  SurveyRunOptions options_;
  std::vector<SurveySounding> soundings_;
};

TEST_F(InvertSurveyTest, ARefusedSoundingLeavesTheOthersAndJobsChangeNothing) {
  const std::vector<SoundingResult> one = InvertSurvey(soundings_, options_);
  options_.jobs = 3;
  int reported = 0;
  const std::vector<SoundingResult> three =
      InvertSurvey(soundings_, options_, [&](int, const SoundingResult&) { ++reported; });
  EXPECT_EQ(reported, 3);
  ASSERT_EQ(one.size(), 3u);
  EXPECT_EQ(one[1].status, SoundingStatus::kRefused);
  EXPECT_NE(one[1].message.find("missing.dat"), std::string::npos) << one[1].message;
  for (int i : {0, 2}) {
    ASSERT_EQ(one[i].status, SoundingStatus::kOk) << one[i].message;
    EXPECT_TRUE(fs::exists(one[i].resultsFile)) << one[i].resultsFile;
    EXPECT_EQ(fs::path(one[i].resultsFile).filename(), soundings_[i].name + ".INV");
    EXPECT_EQ(one[i].misfit, three[i].misfit);
    EXPECT_EQ(one[i].calculated.size(), 16u);  // the examples have 16 points
    ASSERT_EQ(one[i].model.layerCount, three[i].model.layerCount);
    EXPECT_EQ(one[i].model.resistivity, three[i].model.resistivity);
  }
}

TEST_F(InvertSurveyTest, CancelLeavesSoundingsNotBegunUndone) {
  std::atomic<bool> cancel{true};
  options_.cancel = &cancel;
  for (const SoundingResult& result : InvertSurvey(soundings_, options_)) {
    EXPECT_EQ(result.status, SoundingStatus::kFailed);
    EXPECT_EQ(result.message, "Cancelled.");
  }
  EXPECT_TRUE(fs::is_empty(options_.outputDirectory));
}

}  // namespace
}  // namespace layra
