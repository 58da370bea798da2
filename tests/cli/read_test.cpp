// Runs the real layra-cli on the example files and on refused files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;

TEST(ReadCommand, EveryExampleReadsWithoutAMessage) {
  for (const char* name : {"wenner.dat",
                           "schlumberger_two_levels.dat",
                           "ip_chargeability.dat",
                           "sip_amplitude_phase.dat",
                           "starting_model.dat"}) {
    CliRun run = layra::testing::RunLayraCli("read " + layra::testing::ExamplePath(name));
    EXPECT_EQ(run.status, 0) << name;
    EXPECT_EQ(run.err, "") << name;
    EXPECT_NE(run.out.find("Reading of data file "), std::string::npos) << name;
  }
}

TEST(ReadCommand, JsonHoldsTheSortedWennerPoints) {
  CliRun run =
      layra::testing::RunLayraCli("read --json " + layra::testing::ExamplePath("wenner.dat"));
  ASSERT_EQ(run.status, 0);
  nlohmann::json data = nlohmann::json::parse(run.out);        // stdout is pure JSON
  EXPECT_NE(run.err.find("Wenner array"), std::string::npos);  // the listing moved to stderr
  EXPECT_EQ(data["arrayType"], 1);
  EXPECT_EQ(data["dataKind"], 0);
  const int points = data["pointCount"];
  EXPECT_GE(points, 5);
  ASSERT_EQ(data["spacingA"].size(), static_cast<size_t>(points));
  ASSERT_EQ(data["apparentResistivity"].size(), static_cast<size_t>(points));
  for (int i = 1; i < points; ++i) EXPECT_LT(data["spacingA"][i - 1], data["spacingA"][i]);
  EXPECT_EQ(data["userModelAvailable"], 0);
  EXPECT_EQ(data["startingModel"]["layerCount"], 0);
}

TEST(ReadCommand, JsonHoldsTheMergedSchlumbergerLevels) {
  CliRun run = layra::testing::RunLayraCli(
      "read --json " + layra::testing::ExamplePath("schlumberger_two_levels.dat"));
  ASSERT_EQ(run.status, 0);
  nlohmann::json data = nlohmann::json::parse(run.out);
  EXPECT_EQ(data["arrayType"], 7);
  EXPECT_EQ(data["datumLevelCount"], 2);
  const int overlaps = data["overlapCount"][0];
  EXPECT_GT(overlaps, 0);
  EXPECT_EQ(data["pointCount"], data["pointCountAsRead"].get<int>() - overlaps);
  const double factor = data["levelShiftFactor"][0];
  EXPECT_GT(factor, 0.0);
  // The merged curve has no repeated spacing and runs level by level.
  const auto& a = data["spacingA"];
  for (size_t i = 1; i < a.size(); ++i) EXPECT_LT(a[i - 1], a[i]) << i;
  EXPECT_EQ(data["resistivityError"].size(), a.size());
}

TEST(ReadCommand, JsonHoldsSipValuesAndTheStartingModel) {
  CliRun sip = layra::testing::RunLayraCli("read --json " +
                                           layra::testing::ExamplePath("sip_amplitude_phase.dat"));
  ASSERT_EQ(sip.status, 0);
  nlohmann::json data = nlohmann::json::parse(sip.out);
  EXPECT_EQ(data["dataKind"], 2);
  EXPECT_EQ(data["sipForm"], 1);
  const size_t pairs = data["pointCount"].get<size_t>() * data["frequencyCount"].get<size_t>();
  EXPECT_EQ(data["sipValue1"].size(), pairs);
  EXPECT_EQ(data["sipValue2"].size(), pairs);
  for (const auto& phase : data["sipValue2"]) EXPECT_GT(phase.get<double>(), 0.0);

  CliRun model = layra::testing::RunLayraCli("read --json " +
                                             layra::testing::ExamplePath("starting_model.dat"));
  ASSERT_EQ(model.status, 0);
  data = nlohmann::json::parse(model.out);
  EXPECT_EQ(data["userModelAvailable"], 1);
  const auto& layers = data["startingModel"];
  const int count = layers["layerCount"];
  EXPECT_GE(count, 1);
  EXPECT_EQ(layers["resistivity"].size(), static_cast<size_t>(count));
  EXPECT_EQ(layers["thickness"].size(), static_cast<size_t>(count - 1));
  EXPECT_EQ(layers["depthTop"][0], 0.0);
  EXPECT_EQ(data["convergenceLimit"], 0.02);
}

TEST(ReadCommand, RefusalsExitWithOneAndReportOnStandardError) {
  const std::string path = ::testing::TempDir() + "read_test_four_points.dat";
  std::ofstream(path) << "Four points\nArray\nWenner\nNumber of data points\n4\nData type\n"
                         "Resistivity\nErrors\nNo\nData section\n1 10\n2 20\n3 30\n4 40\n";
  CliRun run = layra::testing::RunLayraCli("read --json \"" + path + "\"");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("File Format Error: Your data set has 4 data points.\nThe minimum number "
                         "of data points is 5."),
            std::string::npos);

  CliRun missing = layra::testing::RunLayraCli("read \"" + ::testing::TempDir() +
                                               "read_test_no_such_file.dat\"");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file "), std::string::npos);
}

TEST(ReadCommand, FieldSoundingsRead) {
  namespace fs = std::filesystem;
  const fs::path dir = LAYRA_FIELDCASES_DIR;
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no field soundings at " << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".dat") continue;
    ++files;
    CliRun run = layra::testing::RunLayraCli("read --json \"" + entry.path().string() + "\"");
    EXPECT_EQ(run.status, 0) << entry.path();
    nlohmann::json data = nlohmann::json::parse(run.out);
    EXPECT_GE(data["pointCount"].get<int>(), 5) << entry.path();
  }
  EXPECT_GT(files, 0);
}

}  // namespace
