// The forward command of the real layra-cli: a model's response saved with -o
// reads back through the data-file reader with the values that were written.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

using layra::testing::CliRun;
using layra::testing::ExamplePath;
using layra::testing::RunLayraCli;

struct RoundTripCase {
  const char* model;
  const char* array;
  const char* sip_form;
};

class ForwardRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ForwardRoundTrip, SavedResponseReadsBackWithTheWrittenValues) {
  const RoundTripCase& c = GetParam();
  const layra::testing::ScratchDir dir;
  CliRun forward = RunLayraCli("forward " + ExamplePath(c.model) + " --json --array " + c.array +
                               " --sip-form " + c.sip_form + " -o " + dir.Quoted("r.dat"));
  ASSERT_EQ(forward.status, 0) << forward.err;
  CliRun read = RunLayraCli("read --json " + dir.Quoted("r.dat"));
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.err.find("Format Error:"), std::string::npos) << read.err;

  const auto computed = nlohmann::json::parse(forward.out);
  const auto stored = nlohmann::json::parse(read.out);
  const auto spacings = computed["spacings"].get<std::vector<double>>();
  const auto rho = computed["calcResistivity"].get<std::vector<double>>();
  const auto ip = computed["calcIp"].get<std::vector<double>>();
  const int n = static_cast<int>(spacings.size());
  ASSERT_EQ(stored["pointCount"], n);
  EXPECT_EQ(stored["arrayType"], std::string(c.array) == "wenner" ? 1 : 7);
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(stored["spacingA"][i].get<double>(), spacings[i], 0.0005) << "point " << i;
    EXPECT_NEAR(stored["apparentResistivity"][i].get<double>(), rho[i], 5e-5 + 1e-6 * rho[i])
        << "point " << i;
  }
  const int kind = stored["dataKind"];
  if (std::string(c.model) == "ip_model.mod") {
    ASSERT_EQ(kind, 1);
    EXPECT_EQ(stored["ipQuantity"], 1) << "written as chargeability in msec";
    EXPECT_NEAR(stored["ipValue"][n - 1].get<double>(), 1000.0 * ip[n - 1], 1e-4);
  }
  if (std::string(c.model) == "sip_model.mod") {
    ASSERT_EQ(kind, 2);
    const int nf = stored["frequencyCount"];
    ASSERT_EQ(nf, static_cast<int>(computed["frequencies"].size()));
    const bool amplitude_phase = std::string(c.sip_form) == "amplitude-phase";
    EXPECT_EQ(stored["sipForm"], amplitude_phase ? 1 : 0);
    const auto first = computed[amplitude_phase ? "amplitude" : "real"].get<std::vector<double>>();
    const auto second =
        computed[amplitude_phase ? "phase" : "imaginary"].get<std::vector<double>>();
    // Forward results are frequency-major, the data file point-major.
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < nf; ++k) {
        for (const auto& [key, want] : {std::pair{"sipValue1", first[k * n + i]},
                                        std::pair{"sipValue2", second[k * n + i]}}) {
          EXPECT_NEAR(stored[key][i * nf + k].get<double>(), want, 1e-7 + 1e-6 * std::abs(want))
              << key << " " << i << "," << k;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryKindAndArray,
    ForwardRoundTrip,
    ::testing::Values(RoundTripCase{"two_layer.mod", "schlumberger", "amplitude-phase"},
                      RoundTripCase{"ip_model.mod", "wenner", "amplitude-phase"},
                      RoundTripCase{"sip_model.mod", "wenner", "amplitude-phase"},
                      RoundTripCase{"sip_model.mod", "schlumberger", "inphase-outphase"}));

// The engine is named in the JSON and on stderr only when it is the accurate one.
TEST(ForwardCommand, EngineOptionChoosesAndNamesTheEngine) {
  const std::string model = ExamplePath("ip_model.mod");
  CliRun documented = RunLayraCli("forward " + model + " --json");
  CliRun accurate = RunLayraCli("forward " + model + " --json --engine accurate");
  ASSERT_EQ(documented.status, 0) << documented.err;
  ASSERT_EQ(accurate.status, 0) << accurate.err;
  EXPECT_FALSE(nlohmann::json::parse(documented.out).contains("engine"));
  EXPECT_EQ(nlohmann::json::parse(accurate.out)["engine"], "accurate");
  EXPECT_NE(accurate.err.find("Engine: accurate"), std::string::npos) << accurate.err;
  EXPECT_NE(RunLayraCli("forward " + model + " --engine exact").status, 0);
}

// --plot writes the picture (each type is pinned in plot_output_test); an
// unknown type, an unwritable output and a missing model are refused.
TEST(ForwardCommand, PlotsToEachImageTypeAndRefusesWhatItCannotDo) {
  const layra::testing::ScratchDir dir;
  const std::string model = ExamplePath("ip_model.mod");
  CliRun run = RunLayraCli("forward " + model + " --size 640x480 --plot " + dir.Quoted("p.svg"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_GT(std::filesystem::file_size(dir.Path("p.svg")), 100u);
  EXPECT_EQ(RunLayraCli("forward " + model + " --plot out.gif").status, 1);
  CliRun unwritable =
      RunLayraCli("forward " + ExamplePath("two_layer.mod") + " -o /nonexistent-directory/out.dat");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("Cannot write"), std::string::npos) << unwritable.err;
  EXPECT_EQ(RunLayraCli("forward /nonexistent-directory/model.mod").status, 1);
}

}  // namespace
