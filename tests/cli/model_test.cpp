// The model command of the real layra-cli binary on the example model files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;

std::vector<float> Floats(const nlohmann::json& values) { return values.get<std::vector<float>>(); }

TEST(ModelCommand, ListsEveryExampleOnStdout) {
  for (const char* name : {"two_layer.mod",
                           "three_layer_generated.mod",
                           "ip_model.mod",
                           "sip_model.mod",
                           "sip_generated.mod",
                           "schlumberger_model.mod"}) {
    CliRun run = layra::testing::RunLayraCli("model " + layra::testing::ExamplePath(name));
    EXPECT_EQ(run.status, 0) << name << "\n" << run.err;
    EXPECT_TRUE(run.err.empty()) << name << "\n" << run.err;
    EXPECT_NE(run.out.find("Number of layers is "), std::string::npos) << name;
    EXPECT_NE(run.out.find(std::string(name) + " completed.\n"), std::string::npos) << name;
  }
  CliRun schlumberger =
      layra::testing::RunLayraCli("model " + layra::testing::ExamplePath("schlumberger_model.mod"));
  EXPECT_NE(schlumberger.out.find("\nSchlumberger array\n"), std::string::npos);
  EXPECT_NE(schlumberger.out.find("\nNumber of spacings is 16\n"), std::string::npos);
}

TEST(ModelCommand, JsonHoldsTheFieldsRead) {
  CliRun run = layra::testing::RunLayraCli(
      "model --json " + layra::testing::ExamplePath("three_layer_generated.mod"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Number of layers is 3."), std::string::npos) << "listing on stderr";
  const nlohmann::json model = nlohmann::json::parse(run.out);
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

  CliRun ip =
      layra::testing::RunLayraCli("model --json " + layra::testing::ExamplePath("ip_model.mod"));
  ASSERT_EQ(ip.status, 0) << ip.err;
  const nlohmann::json ip_model = nlohmann::json::parse(ip.out);
  EXPECT_EQ(ip_model["modelKind"], 1);
  const auto chargeability = Floats(ip_model["chargeability"]);
  ASSERT_EQ(chargeability.size(), 3u);
  EXPECT_NEAR(chargeability[0], 0.005f, 1e-7f) << "5 msec";
  EXPECT_NEAR(chargeability[1], 0.045f, 1e-7f);

  CliRun sip =
      layra::testing::RunLayraCli("model --json " + layra::testing::ExamplePath("sip_model.mod"));
  ASSERT_EQ(sip.status, 0) << sip.err;
  const nlohmann::json sip_model = nlohmann::json::parse(sip.out);
  EXPECT_EQ(sip_model["modelKind"], 2);
  EXPECT_EQ(sip_model["frequencyCount"], 12);
  EXPECT_EQ(Floats(sip_model["timeConstant"]), (std::vector<float>{0.001f, 0.1f, 0.01f}));

  CliRun generated = layra::testing::RunLayraCli("model --json " +
                                                 layra::testing::ExamplePath("sip_generated.mod"));
  ASSERT_EQ(generated.status, 0) << generated.err;
  const nlohmann::json generated_model = nlohmann::json::parse(generated.out);
  EXPECT_EQ(generated_model["frequencyCount"], 24);
  EXPECT_FLOAT_EQ(Floats(generated_model["frequencies"]).front(), 1.0f);

  CliRun schlumberger = layra::testing::RunLayraCli(
      "model --json " + layra::testing::ExamplePath("schlumberger_model.mod"));
  ASSERT_EQ(schlumberger.status, 0) << schlumberger.err;
  EXPECT_EQ(nlohmann::json::parse(schlumberger.out)["arrayType"], 7);
}

TEST(ModelCommand, RefusedFileExitsWithOneAndShowsTheMessage) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("layra_cli_bad_" + std::to_string(::getpid()) + ".mod"))
                               .string();
  {
    std::ofstream out(path);
    out << "Bad model\nNumber of layers\n2\nType of model\nChargeability\nLayers\n10 100\n 20\n"
           "Spacings\n0\nArray\nW\n";
  }
  CliRun run = layra::testing::RunLayraCli("model '" + path + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("File Format Error: Error in format for type\nof model which is given "
                         "as\nChargeability."),
            std::string::npos)
      << run.err;
  CliRun json = layra::testing::RunLayraCli("model --json '" + path + "'");
  EXPECT_EQ(json.status, 1);
  EXPECT_TRUE(json.out.empty()) << json.out;
  std::filesystem::remove(path);

  CliRun missing = layra::testing::RunLayraCli("model /nonexistent/model.mod");
  EXPECT_EQ(missing.status, 1);
}

}  // namespace
