// The read command of the real layra-cli: streams, JSON shape, exit status and
// refusals (the values read are pinned in tests/fileio).

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
  EXPECT_NE(run.err.find("Reading of data file "), std::string::npos) << "listing on stderr";
  return nlohmann::json::parse(run.out);
}

TEST(ReadCommand, ListingOnStdoutWithoutAMessage) {
  CliRun run = RunLayraCli("read " + ExamplePath("schlumberger_two_levels.dat"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("Reading of data file "), std::string::npos);
}

// Arrays are sized by their counts: points, point x frequency pairs, layers.
TEST(ReadCommand, JsonArraysMatchTheirCounts) {
  nlohmann::json data = ReadJson("schlumberger_two_levels.dat");
  const size_t points = data["pointCount"];
  for (const char* key : {"spacingA", "apparentResistivity", "resistivityError"}) {
    EXPECT_EQ(data[key].size(), points) << key;
  }
  EXPECT_EQ(data["startingModel"]["layerCount"], 0);

  data = ReadJson("sip_amplitude_phase.dat");
  const size_t pairs = data["pointCount"].get<size_t>() * data["frequencyCount"].get<size_t>();
  EXPECT_EQ(data["sipValue1"].size(), pairs);
  EXPECT_EQ(data["sipValue2"].size(), pairs);

  const nlohmann::json layers = ReadJson("starting_model.dat")["startingModel"];
  const size_t count = layers["layerCount"];
  EXPECT_GE(count, 1u);
  EXPECT_EQ(layers["resistivity"].size(), count);
  EXPECT_EQ(layers["thickness"].size(), count - 1);
}

// A title saved in Latin-1 is not UTF-8: the JSON gets U+FFFD for its bad
// byte instead of the program ending.
TEST(ReadCommand, JsonOfATitleThatIsNotUtf8) {
  const layra::testing::ScratchDir dir;
  std::ofstream(dir.Path("latin1.dat"))
      << "M\xFChlberg\nArray\nWenner\nNumber of data points\n5\nData type\nResistivity\n"
         "Errors\nNo\nData section\n1 10\n2 20\n3 30\n4 40\n6 50\nNo\nNo\n";
  const CliRun run = RunLayraCli("read --json " + dir.Quoted("latin1.dat"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(nlohmann::json::parse(run.out)["title"], "M\uFFFDhlberg");
}

TEST(ReadCommand, RefusalsExitWithOneAndReportOnStandardError) {
  const layra::testing::ScratchDir dir;
  std::ofstream(dir.Path("four.dat")) << "Four points\nArray\nWenner\nNumber of data points\n4\n"
                                         "Data type\nResistivity\nErrors\nNo\nData section\n"
                                         "1 10\n2 20\n3 30\n4 40\n";
  CliRun run = RunLayraCli("read --json " + dir.Quoted("four.dat"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("File Format Error:"), std::string::npos) << run.err;
  EXPECT_EQ(RunLayraCli("read " + dir.Quoted("no_such_file.dat")).status, 1);
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
