// No value that is not finite reaches the output of layra-cli: a model whose
// response would not be finite is refused before anything is written (a
// failed inversion's JSON is checked in invert_test).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::RunLayraCli;

TEST(FiniteOutput, ForwardRefusesAColeColeExponentAboveOne) {
  const layra::testing::ScratchDir dir;
  const fs::path& directory = dir.path();
  std::ofstream(directory / "absurd.mod")
      << "SIP model\nNumber of layers\n2\nType of model\nFrequency domain SIP model\nLayers\n"
         "5 150 0.1 0.01 1e30\n60 0.2 0.1 0.5\nNumber of spacings\n0\nNumber of frequencies\n"
         "0\nArray type\nWenner\n";
  const fs::path output = directory / "absurd.dat";
  const CliRun run = RunLayraCli("forward --json -o '" + output.string() + "' '" +
                                 (directory / "absurd.mod").string() + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("The Cole-Cole exponent must be above 0 and at most 1!"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(output));
  EXPECT_EQ(run.out.find("nan"), std::string::npos);
}

}  // namespace
