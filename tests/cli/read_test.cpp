// Runs the real layra-cli read command on the example files and on refused files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;
using layra::testing::ExamplePath;
using layra::testing::RunLayraCli;

nlohmann::json ReadJson(const char* name) {
  CliRun run = RunLayraCli("read --json " + ExamplePath(name));
  EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
  // The listing moves to stderr; stdout is pure JSON.
  EXPECT_NE(run.err.find("Reading of data file "), std::string::npos) << name;
  return nlohmann::json::parse(run.out);
}

void ExpectAscending(const nlohmann::json& values) {
  for (size_t i = 1; i < values.size(); ++i) EXPECT_LT(values[i - 1], values[i]) << i;
}

TEST(ReadCommand, EveryExampleReadsWithoutAMessage) {
  for (const char* name : {"wenner.dat",
                           "schlumberger_two_levels.dat",
                           "ip_chargeability.dat",
                           "sip_amplitude_phase.dat",
                           "starting_model.dat"}) {
    CliRun run = RunLayraCli("read " + ExamplePath(name));
    EXPECT_EQ(run.status, 0) << name;
    EXPECT_EQ(run.err, "") << name;
    EXPECT_NE(run.out.find("Reading of data file "), std::string::npos) << name;
  }
}

TEST(ReadCommand, JsonHoldsTheSortedAndMergedPoints) {
  nlohmann::json data = ReadJson("wenner.dat");
  EXPECT_EQ(data["arrayType"], 1);
  EXPECT_EQ(data["dataKind"], 0);
  const int points = data["pointCount"];
  EXPECT_GE(points, 5);
  ASSERT_EQ(data["spacingA"].size(), static_cast<size_t>(points));
  ASSERT_EQ(data["apparentResistivity"].size(), static_cast<size_t>(points));
  ExpectAscending(data["spacingA"]);
  EXPECT_EQ(data["userModelAvailable"], 0);
  EXPECT_EQ(data["startingModel"]["layerCount"], 0);

  data = ReadJson("schlumberger_two_levels.dat");
  EXPECT_EQ(data["arrayType"], 7);
  EXPECT_EQ(data["datumLevelCount"], 2);
  const int overlaps = data["overlapCount"][0];
  EXPECT_GT(overlaps, 0);
  EXPECT_EQ(data["pointCount"], data["pointCountAsRead"].get<int>() - overlaps);
  EXPECT_GT(data["levelShiftFactor"][0].get<double>(), 0.0);
  // The merged curve has no repeated spacing.
  ExpectAscending(data["spacingA"]);
  EXPECT_EQ(data["resistivityError"].size(), data["spacingA"].size());
}

TEST(ReadCommand, JsonHoldsSipValuesAndTheStartingModel) {
  nlohmann::json data = ReadJson("sip_amplitude_phase.dat");
  EXPECT_EQ(data["dataKind"], 2);
  EXPECT_EQ(data["sipForm"], 1);
  const size_t pairs = data["pointCount"].get<size_t>() * data["frequencyCount"].get<size_t>();
  EXPECT_EQ(data["sipValue1"].size(), pairs);
  EXPECT_EQ(data["sipValue2"].size(), pairs);
  for (const auto& phase : data["sipValue2"]) EXPECT_GT(phase.get<double>(), 0.0);

  data = ReadJson("starting_model.dat");
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
  const layra::testing::ScratchDir dir;
  std::ofstream(dir.Path("four.dat")) << "Four points\nArray\nWenner\nNumber of data points\n4\n"
                                         "Data type\nResistivity\nErrors\nNo\nData section\n"
                                         "1 10\n2 20\n3 30\n4 40\n";
  CliRun run = RunLayraCli("read --json " + dir.Quoted("four.dat"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("File Format Error: Your data set has 4 data points.\nThe minimum number "
                         "of data points is 5."),
            std::string::npos);
  CliRun missing = RunLayraCli("read " + dir.Quoted("no_such_file.dat"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file "), std::string::npos);
  // A FIFO is named, not opened (opening it would wait for a writer).
  ASSERT_EQ(::mkfifo(dir.Path("fifo.dat").c_str(), 0600), 0);
  CliRun named = RunLayraCli("read " + dir.Quoted("fifo.dat"));
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.err.find("File " + dir.Path("fifo.dat") + " is not a regular file."),
            std::string::npos)
      << named.err;
}

TEST(ReadCommand, FieldSoundingsRead) {
  namespace fs = std::filesystem;
  const fs::path dir = LAYRA_FIELDCASES_DIR;
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no field soundings at " << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".dat") continue;
    ++files;
    CliRun run = RunLayraCli("read --json \"" + entry.path().string() + "\"");
    EXPECT_EQ(run.status, 0) << entry.path();
    EXPECT_GE(nlohmann::json::parse(run.out)["pointCount"].get<int>(), 5) << entry.path();
  }
  EXPECT_GT(files, 0);
}

}  // namespace
