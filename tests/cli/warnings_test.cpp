// Where the filter's guard replaces values of a response (extreme resistivity
// contrasts), forward and invert say so in the listing, as a message and in
// the JSON "warnings", and both compute the same response.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "state/text_format.h"
#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::StrFormat;
using layra::testing::CliRun;
using layra::testing::RunLayraCli;

constexpr char kGuardText[] = "exceed the accuracy\nof the filter";

// 20 layers of 2 m alternating 1e6 and 1e-3 ohm-m: the filter's own error
// carries grid values below zero.
std::string AlternatingLayers(const char* separator_after_rho) {
  std::string text;
  for (int k = 0; k < 20; ++k) {
    const char* rho = k % 2 == 0 ? "1e6" : "1e-3";
    text += k < 19 ? StrFormat("%s%s2.0\n", rho, separator_after_rho) : StrFormat("%s\n", rho);
  }
  return text;
}

TEST(FilterGuardWarning, ForwardAndInversionWarnAndAgree) {
  const layra::testing::ScratchDir dir;
  const fs::path& directory = dir.path();
  std::string model = "Extreme contrasts\nLayers\n20\nType\nResistivity model\nLayers\n";
  for (int k = 0; k < 20; ++k) {
    model += k < 19 ? (k % 2 == 0 ? "2.0 1e6\n" : "2.0 1e-3\n") : "1e6\n";
  }
  std::ofstream(directory / "contrast.mod") << model << "Spacings\n0\nArray\nWenner\n";
  const CliRun forward =
      RunLayraCli("forward --json '" + (directory / "contrast.mod").string() + "'");
  ASSERT_EQ(forward.status, 0) << forward.err;
  const nlohmann::json response = nlohmann::json::parse(forward.out);
  ASSERT_EQ(response["warnings"].size(), 1u);
  EXPECT_NE(response["warnings"][0].get<std::string>().find(kGuardText), std::string::npos);
  EXPECT_NE(forward.err.find(std::string("Warning: The resistivity contrasts")), std::string::npos)
      << forward.err;

  // The forward response as data, inverted from the same model: the
  // inversion computes the same response (no misfit) and warns too.
  const auto spacings = response["spacings"].get<std::vector<double>>();
  const auto rho = response["calcResistivity"].get<std::vector<double>>();
  std::string data =
      StrFormat("Contrast data\nArray\nWenner\nPoints\n%zu\nType\nResistivity\nErrors\nNo\nData\n",
                spacings.size());
  for (size_t i = 0; i < spacings.size(); ++i) {
    data += StrFormat("%.4f %.4f\n", spacings[i], rho[i]);
  }
  data += "Model\nYes\nFix\nNo\nLayers\n20\nModel\n" + AlternatingLayers(" ") + "Limit\n2\n";
  std::ofstream(directory / "contrast.dat") << data;
  const CliRun invert =
      RunLayraCli("invert --json --user-model --iterations 1 --output-dir '" + directory.string() +
                  "' '" + (directory / "contrast.dat").string() + "'");
  ASSERT_EQ(invert.status, 0) << invert.err;
  const nlohmann::json result = nlohmann::json::parse(invert.out)[0];
  EXPECT_LT(result["misfits"][0].get<double>(), 1e-4);
  // The data checks add their own warnings first; the guard's comes last.
  ASSERT_FALSE(result["warnings"].empty());
  EXPECT_NE(result["warnings"].back().get<std::string>().find(kGuardText), std::string::npos);
  EXPECT_NE(invert.err.find("accuracy"), std::string::npos) << "listing or message";
}

}  // namespace
