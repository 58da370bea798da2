// Runs the real layra-cli import and survey on the example survey.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::ReadWholeFile;
using layra::testing::RunLayraCli;

const std::string kSurveyDir = std::string(LAYRA_EXAMPLES_DIR) + "/survey";

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// Spacing -> apparent resistivity of the data section of a data file (the last
// number of each point line; a later line of the same spacing wins).
std::map<double, double> Resistivities(const std::string& text) {
  std::map<double, double> values;
  std::istringstream in(text);
  bool data = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("Data section", 0) == 0) {
      data = true;
    } else if (data) {
      std::istringstream fields(line);
      double spacing = 0.0, b = 0.0, rho = 0.0;
      if (!(fields >> spacing >> b >> rho)) break;
      values[spacing] = rho;
    }
  }
  return values;
}

class SurveyCommands : public ::testing::Test {
 protected:
  layra::testing::ScratchDir dir_;
  const fs::path& directory_ = dir_.path();
};

// The field sheet of A5 (voltages and currents, decimal commas, two MN/2)
// gives back the apparent resistivities of A5's data file.
TEST_F(SurveyCommands, ImportedSheetMatchesItsSounding) {
  const fs::path output = directory_ / "A5.dat";
  const CliRun run = RunLayraCli("import " + Quoted(kSurveyDir + "/A5_sheet.csv") +
                                 " --array schlumberger --title 'A5 sheet' -o " + Quoted(output));
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(RunLayraCli("read " + Quoted(output)).status, 0);
  const auto imported = Resistivities(ReadWholeFile(output.string()));
  const auto original = Resistivities(ReadWholeFile(kSurveyDir + "/A5.dat"));
  ASSERT_EQ(imported.size(), original.size());
  for (const auto& [spacing, rho] : original) {
    // Voltages are noted to five digits.
    EXPECT_NEAR(imported.at(spacing), rho, 1e-4 * rho) << "AB/2 " << spacing;
  }
}

TEST_F(SurveyCommands, RefusedSheetWritesNothing) {
  const fs::path sheet = directory_ / "bad.csv";
  std::ofstream(sheet) << "a,rho_a\n1,100\n2,90\nthree,80\n4,70\n6,60\n";
  const CliRun run = RunLayraCli("import " + Quoted(sheet));  // Wenner, from the column "a"
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("\"three\""), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(directory_ / "bad.dat"));
}

// Every sounding is inverted as `invert` does it; one that cannot be read is
// reported, the others go on, and the exit status tells.
TEST_F(SurveyCommands, SurveyWritesEveryOutputAndGoesOnPastARefusal) {
  // The example survey beside its data files, which it names by relative paths.
  for (int k = 1; k <= 8; ++k) {
    const std::string name = "A" + std::to_string(k) + ".dat";
    fs::copy_file(kSurveyDir + "/" + name, directory_ / name);
  }
  const fs::path survey = directory_ / "survey.csv";
  std::ofstream(survey) << ReadWholeFile(kSurveyDir + "/channel_survey.csv")
                        << "A9,missing.dat,500320,5400240,120,A\n";
  const fs::path out = directory_ / "out";
  const CliRun run = RunLayraCli("survey " + Quoted(survey) + " --output-dir " + Quoted(out) +
                                 " -j 2 --crs EPSG:32633 --section " + Quoted(out / "s.svg"));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.out.find("A9"), std::string::npos);
  EXPECT_NE(run.out.find("refused"), std::string::npos);
  EXPECT_TRUE(fs::exists(out / "s.svg"));

  const CliRun invert = RunLayraCli("invert " + Quoted(kSurveyDir + "/A3.dat") + " --output-dir " +
                                    Quoted(directory_));
  ASSERT_EQ(invert.status, 0) << invert.err;
  EXPECT_EQ(ReadWholeFile((out / "A3.INV").string()),
            ReadWholeFile((directory_ / "A3.INV").string()));

  std::istringstream models(ReadWholeFile((out / "models.csv").string()));
  std::string header;  // no chargeability column without IP data
  std::getline(models, header);
  EXPECT_EQ(header, "name,profile,x,y,elevation,layer,top,bottom,resistivity,misfit,doi");
  std::map<std::string, int> layers;
  for (std::string line; std::getline(models, line);) ++layers[line.substr(0, line.find(','))];
  EXPECT_EQ(layers.size(), 8u);
  EXPECT_EQ(layers.count("A9"), 0u);

  const nlohmann::json points =
      nlohmann::json::parse(ReadWholeFile((out / "soundings.geojson").string()));
  ASSERT_EQ(points["features"].size(), 9u);
  EXPECT_EQ(points["features"][0]["properties"]["layers"], layers["A1"]);
  EXPECT_EQ(points["features"][8]["properties"]["status"], "refused");
}

// The joint fit's models reach the tables and the results files, which `show`
// reads with the joint model as their last iteration.
TEST_F(SurveyCommands, LateralRunWritesEveryOutput) {
  const fs::path out = directory_ / "out";
  const std::string survey = Quoted(kSurveyDir + "/channel_survey.csv");
  const CliRun run = RunLayraCli("survey " + survey + " --lateral 2 -j 2 --output-dir " +
                                 Quoted(out) + " --section " + Quoted(out / "s.svg"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Laterally constrained A: 8 soundings"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(out / "s.svg"));
  EXPECT_TRUE(fs::exists(out / "soundings.geojson"));
  const CliRun show = RunLayraCli("show " + Quoted(out / "A5.INV"));
  ASSERT_EQ(show.status, 0) << show.err;
  // The summary's iteration count and misfit of A5 are show's last iteration.
  std::istringstream summary(run.out.substr(run.out.find("\nA5 ") + 1));
  std::string name, layers, iterations, percent;
  summary >> name >> layers >> iterations >> percent;
  EXPECT_NE(show.out.find("Iteration " + iterations + " apparent resistivity error " + percent),
            std::string::npos)
      << show.out;
  EXPECT_NE(ReadWholeFile((out / "models.csv").string()).find("\nA5,A,"), std::string::npos);
}

// Bad choices are refused before any inversion: nothing is written.
TEST_F(SurveyCommands, BadChoicesAreRefusedBeforeAnyInversion) {
  const struct {
    const char* options;
    int status;  // 0: any refusal
    const char* message;
  } cases[] = {{"--lateral -1", 0, ""},
               {"--lateral x", 0, ""},
               {"--lateral 1 --engine documented", 0, ""},
               {"--section s.gif", 2, ".bmp or .pdf"}};
  for (const auto& c : cases) {
    const CliRun run = RunLayraCli("survey " + Quoted(kSurveyDir + "/channel_survey.csv") + " " +
                                   c.options + " --output-dir " + Quoted(directory_ / "no"));
    EXPECT_NE(run.status, 0) << c.options;
    EXPECT_TRUE(c.status == 0 || run.status == c.status) << c.options << ": " << run.status;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(directory_ / "no")) << c.options;
  }
}

}  // namespace
