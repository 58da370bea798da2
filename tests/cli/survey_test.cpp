// Runs the real layra-cli import and survey on the example survey.

#include <gtest/gtest.h>
#include <sys/stat.h>

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
  // UTM 33N: 500000 m east is the zone's central meridian, 15 E.
  EXPECT_NEAR(points["features"][0]["geometry"]["coordinates"][0].get<double>(), 15.0, 1e-7);
  EXPECT_NEAR(points["features"][0]["geometry"]["coordinates"][1].get<double>(), 48.753, 1e-3);
  EXPECT_EQ(points["features"][0]["properties"]["results_file"], "A1.INV");
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
               {"--lateral nan", 0, "--lateral: Value nan not in range [0 - 1e+06]"},
               {"-j 0", 0, "--jobs"},
               {"-j -3", 0, "--jobs"},
               {"--depth -5", 0, "--depth: Value -5 not in range"},
               {"--depth nan", 0, "--depth: Value nan not in range"},
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

// No output of a survey run replaces its survey file or a data file: the
// check comes before any inversion and names both.
TEST_F(SurveyCommands, NoOutputReplacesWhatTheSurveyReads) {
  fs::copy_file(kSurveyDir + "/A1.dat", directory_ / "A1.dat");
  fs::copy_file(kSurveyDir + "/A2.dat", directory_ / "A2.dat");
  const std::string rows = "name,file,x,y,elevation\nA1,A1.dat,0,0,0\nA2,A2.dat,10,0,0\n";
  for (const char* name : {"models.csv", "soundings.geojson"}) {
    std::ofstream(directory_ / name) << rows;
    const std::string before = ReadWholeFile((directory_ / name).string());
    const CliRun run =
        RunLayraCli("survey " + Quoted(directory_ / name) + " --output-dir " + Quoted(directory_));
    EXPECT_EQ(run.status, 2) << name;
    EXPECT_NE(run.err.find("is the input file " + (directory_ / name).string()), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadWholeFile((directory_ / name).string()), before);
    EXPECT_FALSE(fs::exists(directory_ / "A1.INV"));
    fs::remove(directory_ / name);
  }
  std::ofstream(directory_ / "s.csv")
      << "name,file,x,y,elevation\nA1,A1.dat,0,0,0\nA2,A1.INV,1,0,0\n";
  const CliRun results_over_data =
      RunLayraCli("survey " + Quoted(directory_ / "s.csv") + " --output-dir " + Quoted(directory_));
  EXPECT_EQ(results_over_data.status, 2);
  EXPECT_NE(results_over_data.err.find("Results file of A1"), std::string::npos)
      << results_over_data.err;
}

// Profiles whose names fall together as file names ("A B" and "A_B", "" and
// "none") still get a section each.
TEST_F(SurveyCommands, EveryProfileGetsItsOwnSection) {
  std::string survey = "name,file,x,y,elevation,profile\n";
  const char* profiles[] = {"A B", "A_B", "", "none"};
  for (int k = 0; k < 8; ++k) {
    survey += "S" + std::to_string(k) + "," + kSurveyDir + "/A" + std::to_string(k + 1) + ".dat," +
              std::to_string(40 * k) + ",0,0,\"" + profiles[k / 2] + "\"\n";
  }
  std::ofstream(directory_ / "s.csv") << survey;
  const CliRun run =
      RunLayraCli("survey " + Quoted(directory_ / "s.csv") + " -j 2 --output-dir " +
                  Quoted(directory_ / "out") + " --section " + Quoted(directory_ / "sec.svg"));
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"sec_A_B.svg", "sec_A_B_2.svg", "sec_none.svg", "sec_none_2.svg"}) {
    EXPECT_NE(run.err.find("Written " + (directory_ / name).string()), std::string::npos)
        << name << "\n"
        << run.err;
    EXPECT_TRUE(fs::exists(directory_ / name)) << name;
  }
}

// A profile that cannot be fitted together keeps its soundings' own models:
// they were inverted, and the closing lines say so.
TEST_F(SurveyCommands, AProfileNotFittedTogetherIsNotCountedAsNotInverted) {
  const std::string three = ReadWholeFile(std::string(LAYRA_EXAMPLES_DIR) + "/starting_model.dat");
  std::string four = three;
  four.replace(four.find("layers\n3\n"), 9, "layers\n4\n");
  four.replace(four.find("  800.0"), 7, "  100.0 20.0\n  800.0");
  std::ofstream(directory_ / "a.dat") << three;
  std::ofstream(directory_ / "b.dat") << four;
  std::ofstream(directory_ / "c.dat") << three;
  std::ofstream(directory_ / "s.csv")
      << "file,x,y,elevation\na.dat,0,0,0\nb.dat,20,0,0\nc.dat,40,0,0\n";
  const CliRun run =
      RunLayraCli("survey " + Quoted(directory_ / "s.csv") +
                  " --user-model --lateral 1 --output-dir " + Quoted(directory_ / "out"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("different layer counts"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("3 of 3 soundings were inverted alone, not laterally constrained."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("were not inverted"), std::string::npos) << run.err;
}

// Positions that cannot be in the named system are refused before any
// inversion, ones far from where it is used are warned of, and without a
// system the map layer says it cannot place the soundings.
TEST_F(SurveyCommands, MapLayerPlacesSoundingsOrSaysWhyNot) {
  const fs::path survey = directory_ / "s.csv";
  const fs::path out = directory_ / "out";
  auto write_survey = [&](const std::string& second_position) {
    std::ofstream(survey) << "name,file,x,y,elevation\nA1," << kSurveyDir << "/A1.dat,500000,"
                          << "5400000,0\nA2," << kSurveyDir << "/A2.dat," << second_position
                          << ",0\n";
  };
  write_survey("5e7,5400000");
  CliRun run =
      RunLayraCli("survey " + Quoted(survey) + " --crs EPSG:32633 --output-dir " + Quoted(out));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("row 3: x 50000000, y 5400000 cannot be a position in EPSG:32633"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(out));
  run = RunLayraCli("survey " + Quoted(survey) + " --crs EPSG:4326 --output-dir " + Quoted(out));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("is not a projected coordinate system"), std::string::npos) << run.err;

  write_survey("5400000,500000");  // x and y swapped
  run = RunLayraCli("survey " + Quoted(survey) + " --crs EPSG:32633 --output-dir " + Quoted(out));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Warning: A2 at x 5400000, y 500000 lies at longitude"), std::string::npos)
      << run.err;
  run = RunLayraCli("survey " + Quoted(survey) + " --output-dir " + Quoted(out));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Note: without --crs the soundings have no place on the map"),
            std::string::npos)
      << run.err;
  const nlohmann::json points =
      nlohmann::json::parse(ReadWholeFile((out / "soundings.geojson").string()));
  EXPECT_TRUE(points["features"][0]["geometry"].is_null());
  EXPECT_EQ(points["features"][1]["properties"]["x"], 5400000.0);
}

// A FIFO or a device named as a sheet or a survey is refused at once, not
// read for ever.
TEST_F(SurveyCommands, FifosAndDevicesAreRefusedAtOnce) {
  const fs::path fifo = directory_ / "f.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", directory_ / "zero.csv");
  for (const std::string& command :
       {"import " + Quoted(fifo),
        "import " + Quoted(directory_ / "zero.csv"),
        "survey " + Quoted(fifo) + " --output-dir " + Quoted(directory_ / "out")}) {
    const CliRun run = RunLayraCli(command, 20);
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_NE(run.err.find("is not a regular file."), std::string::npos) << run.err;
  }
}

// import writes only data files that read back, and says what it decided:
// where V and I disagree with the sheet's resistivity, and which row made a
// 3:1 sheet Schlumberger.
TEST_F(SurveyCommands, ImportWritesWhatReadsBackAndSaysWhatItDecided) {
  const fs::path sheet = directory_ / "s.csv";
  const fs::path data = directory_ / "s.dat";
  std::ofstream(sheet) << "a,rho_a\n1,1e-40\n2,90\n3,80\n4,70\n6,60\n";
  CliRun run = RunLayraCli("import " + Quoted(sheet));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Row 2, column \"rho_a\": the apparent resistivity"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(data));
  run = RunLayraCli("import " + Quoted(kSurveyDir + "/A5_sheet.csv") + " -o " + Quoted(data) +
                    " --title " + std::string(100000, 'T'));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--title holds 100000 characters"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(data));

  std::ofstream(sheet) << "AB/2,MN/2,V,I,rho_a\n3,1,100,10,125.66\n6,2,50,10,125.66\n"
                          "9,3,20,10,75.4\n12,4,10,10,50.27\n15,4.5,10,10,80\n";
  run = RunLayraCli("import " + Quoted(sheet));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("Note: Row 6, column \"MN/2\": MN/2 is not a third of AB/2 (15, 4.5)"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Warning: Row 6: V and I give an apparent resistivity of 71.47 ohm-m, "
                         "column \"rho_a\" 80; V and I are used."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("Row 2:"), std::string::npos) << run.err;
  EXPECT_EQ(RunLayraCli("read " + Quoted(data)).status, 0);
}
}  // namespace
