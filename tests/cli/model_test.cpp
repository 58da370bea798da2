// The model command of the real layra-cli binary on the example model files.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;
using layra::testing::ExamplePath;
using layra::testing::RunLayraCli;

std::vector<float> Floats(const nlohmann::json& values) { return values.get<std::vector<float>>(); }

nlohmann::json ModelJson(const char* name) {
  CliRun run = RunLayraCli("model --json " + ExamplePath(name));
  EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
  EXPECT_NE(run.err.find("Number of layers is "), std::string::npos) << "listing on stderr";
  return nlohmann::json::parse(run.out);
}

TEST(ModelCommand, ListsEveryExampleOnStdout) {
  for (const char* name : {"two_layer.mod",
                           "three_layer_generated.mod",
                           "ip_model.mod",
                           "sip_model.mod",
                           "sip_generated.mod",
                           "schlumberger_model.mod"}) {
    CliRun run = RunLayraCli("model " + ExamplePath(name));
    EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
    EXPECT_TRUE(run.err.empty()) << name << "\n" << run.err;
    EXPECT_NE(run.out.find("Number of layers is "), std::string::npos) << name;
    EXPECT_NE(run.out.find(std::string(name) + " completed.\n"), std::string::npos) << name;
  }
}

TEST(ModelCommand, JsonHoldsTheFieldsRead) {
  const nlohmann::json model = ModelJson("three_layer_generated.mod");
  EXPECT_EQ(model["modelKind"], 0);
  EXPECT_EQ(model["layerCount"], 3);
  EXPECT_EQ(model["arrayType"], 1);
  EXPECT_EQ(Floats(model["thickness"]), (std::vector<float>{4, 40}));
  EXPECT_EQ(Floats(model["resistivity"]), (std::vector<float>{60, 400, 15}));
  EXPECT_EQ(Floats(model["depthTop"]), (std::vector<float>{0, 4, 44}));
  // Generated from 0.25 times the first thickness, below the depth of 44 m.
  ASSERT_EQ(model["spacingCount"], 10);
  const auto spacings = Floats(model["spacings"]);
  ASSERT_EQ(spacings.size(), 10u);
  EXPECT_FLOAT_EQ(spacings.front(), 1.0f);
  EXPECT_NEAR(spacings.back(), 31.62f, 0.01f);
  EXPECT_EQ(model["frequencyCount"], 0);
  EXPECT_TRUE(model["frequencies"].empty());

  const nlohmann::json ip = ModelJson("ip_model.mod");
  EXPECT_EQ(ip["modelKind"], 1);
  const auto chargeability = Floats(ip["chargeability"]);
  ASSERT_EQ(chargeability.size(), 3u);
  EXPECT_NEAR(chargeability[0], 0.005f, 1e-7f) << "5 msec";

  const nlohmann::json sip = ModelJson("sip_model.mod");
  EXPECT_EQ(sip["modelKind"], 2);
  EXPECT_EQ(sip["frequencyCount"], 12);
  EXPECT_EQ(Floats(sip["timeConstant"]), (std::vector<float>{0.001f, 0.1f, 0.01f}));
  EXPECT_EQ(ModelJson("sip_generated.mod")["frequencyCount"], 24);
  EXPECT_EQ(ModelJson("schlumberger_model.mod")["arrayType"], 7);
}

TEST(ModelCommand, RefusedFileExitsWithOneAndShowsTheMessage) {
  const layra::testing::ScratchDir dir;
  std::ofstream(dir.Path("bad.mod")) << "Bad model\nNumber of layers\n2\nType of model\n"
                                        "Chargeability\nLayers\n10 100\n 20\nSpacings\n0\n"
                                        "Array\nW\n";
  CliRun run = RunLayraCli("model " + dir.Quoted("bad.mod"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("File Format Error: Error in format for type\nof model which is given "
                         "as\nChargeability."),
            std::string::npos)
      << run.err;
  CliRun json = RunLayraCli("model --json " + dir.Quoted("bad.mod"));
  EXPECT_EQ(json.status, 1);
  EXPECT_TRUE(json.out.empty()) << json.out;
  EXPECT_EQ(RunLayraCli("model /nonexistent/model.mod").status, 1);
}

}  // namespace
