// The model command of the real layra-cli binary: streams, JSON shape, exit status.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;
using layra::testing::ExamplePath;
using layra::testing::RunLayraCli;

// The listing goes to stdout; with --json it moves to stderr and stdout holds
// the model (values read are pinned in tests/fileio).
TEST(ModelCommand, ListingOnStdoutOrJsonWithTheListingOnStderr) {
  CliRun run = RunLayraCli("model " + ExamplePath("two_layer.mod"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("two_layer.mod completed.\n"), std::string::npos) << run.out;
  for (const char* name : {"three_layer_generated.mod", "ip_model.mod", "sip_model.mod"}) {
    CliRun json = RunLayraCli("model --json " + ExamplePath(name));
    ASSERT_EQ(json.status, 0) << name << "\n" << json.err;
    EXPECT_NE(json.err.find("Number of layers is "), std::string::npos) << name;
    const nlohmann::json model = nlohmann::json::parse(json.out);
    const size_t layers = model["layerCount"];
    EXPECT_EQ(model["resistivity"].size(), layers) << name;
    EXPECT_EQ(model["thickness"].size(), layers - 1) << name;
    EXPECT_EQ(model["spacings"].size(), model["spacingCount"].get<size_t>()) << name;
    EXPECT_EQ(model["frequencies"].size(), model["frequencyCount"].get<size_t>()) << name;
    if (std::string(name) == "ip_model.mod") {
      EXPECT_EQ(model["chargeability"].size(), layers);
    }
  }
}

TEST(ModelCommand, RefusedFileExitsWithOneAndWritesNoJson) {
  const layra::testing::ScratchDir dir;
  std::ofstream(dir.Path("bad.mod")) << "Bad model\nNumber of layers\n2\nType of model\n"
                                        "Chargeability\nLayers\n10 100\n 20\nSpacings\n0\n"
                                        "Array\nW\n";
  CliRun run = RunLayraCli("model " + dir.Quoted("bad.mod"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("File Format Error:"), std::string::npos) << run.err;
  CliRun json = RunLayraCli("model --json " + dir.Quoted("bad.mod"));
  EXPECT_EQ(json.status, 1);
  EXPECT_TRUE(json.out.empty()) << json.out;
  EXPECT_EQ(RunLayraCli("model /nonexistent/model.mod").status, 1);
}

}  // namespace
