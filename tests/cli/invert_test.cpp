// Runs the real layra-cli invert and show on the example soundings.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::RunLayraCli;

std::string Example(const std::string& name) { return layra::testing::ExamplePath(name); }
std::string Slurp(const fs::path& path) { return layra::testing::ReadWholeFile(path.string()); }

class InvertCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::path(::testing::TempDir()) /
                 (std::string("invert_test_") + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  CliRun Run(const std::string& arguments) const { return RunLayraCli(arguments); }

  // Results files go to the test's own directory, never beside the examples.
  std::string OutputDir() const { return " --output-dir '" + directory_.string() + "'"; }

  fs::path directory_;
};

TEST_F(InvertCommand, InvertsEveryExampleWithProgressAndSummary) {
  const CliRun run =
      Run("invert -j 2" + OutputDir() + " " + Example("wenner.dat") + " " +
          Example("schlumberger_two_levels.dat") + " " + Example("ip_chargeability.dat") + " " +
          Example("sip_amplitude_phase.dat"));
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name :
       {"wenner", "schlumberger_two_levels", "ip_chargeability", "sip_amplitude_phase"}) {
    EXPECT_TRUE(fs::exists(directory_ / (std::string(name) + ".INV"))) << name;
    EXPECT_NE(run.out.find(std::string(name) + ".dat"), std::string::npos) << name;
  }
  EXPECT_NE(run.out.find("Number of data points is"), std::string::npos);
  EXPECT_NE(run.out.find("Iteration  0  RMS error"), std::string::npos);
  EXPECT_NE(run.out.find("Misfit %"), std::string::npos);
  // Plot labels are not progress lines.
  EXPECT_EQ(run.out.find("Electrode spacing"), std::string::npos);
  // Blocks appear in the order of the files whatever finishes first.
  EXPECT_LT(run.out.find("== " + std::string(LAYRA_EXAMPLES_DIR) + "/wenner.dat"),
            run.out.find("== " + std::string(LAYRA_EXAMPLES_DIR) + "/schlumberger_two_levels.dat"));
}

TEST_F(InvertCommand, JsonDescribesEachFileAndParallelJobsGiveTheSameResults) {
  const std::string files = " " + Example("wenner.dat") + " " +
                            Example("schlumberger_two_levels.dat") + " " +
                            Example("ip_chargeability.dat");
  const CliRun one = Run("invert --json -j 1" + OutputDir() + files);
  const CliRun two = Run("invert --json -j 2" + OutputDir() + files);
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  const nlohmann::json results = nlohmann::json::parse(one.out);
  EXPECT_EQ(results, nlohmann::json::parse(two.out));
  ASSERT_EQ(results.size(), 3u);
  for (const auto& file : results) {
    EXPECT_EQ(file["status"], "ok");
    const int iterations = file["iterations"];
    EXPECT_GE(iterations, 1);
    ASSERT_EQ(file["misfits"].size(), static_cast<size_t>(iterations + 1));
    EXPECT_DOUBLE_EQ(file["misfits"][iterations].get<double>(), file["misfit"].get<double>());
    EXPECT_LT(file["misfit"].get<double>(), 1.0);  // a fraction
    const int layers = file["model"]["layerCount"];
    EXPECT_EQ(file["model"]["resistivity"].size(), static_cast<size_t>(layers));
    EXPECT_EQ(file["model"]["thickness"].size(), static_cast<size_t>(layers - 1));
    EXPECT_TRUE(fs::exists(file["resultsFile"].get<std::string>()));
  }
  EXPECT_FALSE(results[0].contains("calculatedIp"));
  ASSERT_TRUE(results[2].contains("calculatedIp"));
  EXPECT_EQ(results[2]["calculatedIp"].size(), results[2]["calculatedResistivity"].size());
  EXPECT_TRUE(results[2].contains("misfitIp"));
}

TEST_F(InvertCommand, ARefusedFileDoesNotStopTheOthers) {
  std::ofstream(directory_ / "broken.dat") << "A title\nWenner\nNumber of data points\n3\n";
  const CliRun run =
      Run("invert --json -j 2" + OutputDir() + " \"" + (directory_ / "missing.dat").string() +
          "\" \"" + (directory_ / "broken.dat").string() + "\" " + Example("wenner.dat"));
  EXPECT_NE(run.status, 0);
  const nlohmann::json results = nlohmann::json::parse(run.out);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0]["status"], "refused");
  EXPECT_NE(results[0]["message"].get<std::string>().find("Cannot open"), std::string::npos);
  EXPECT_EQ(results[1]["status"], "refused");
  EXPECT_EQ(results[2]["status"], "ok");
  EXPECT_EQ(results[0]["resultsFile"], "");
}

// Two jobs must never write one results file at the same time.
TEST_F(InvertCommand, OneResultsFileIsWrittenForOneDataFileOnly) {
  const CliRun run = Run("invert --json -j 2" + OutputDir() + " " + Example("wenner.dat") + " " +
                         Example("wenner.dat"));
  EXPECT_NE(run.status, 0);
  const nlohmann::json results = nlohmann::json::parse(run.out);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0]["status"], "ok");
  EXPECT_EQ(results[1]["status"], "failed");
  EXPECT_NE(results[1]["message"].get<std::string>().find("wenner.INV"), std::string::npos);
  // The one file holds one complete run.
  const std::string text = Slurp(directory_ / "wenner.INV");
  EXPECT_EQ(text.find("Initial Model"), text.rfind("Initial Model"));
}

TEST_F(InvertCommand, UserModelRunsFromTheFilesStartingModel) {
  const CliRun run = Run("invert --json --user-model" + OutputDir() + " " +
                         Example("starting_model.dat") + " " + Example("wenner.dat"));
  EXPECT_NE(run.status, 0);  // wenner.dat has no starting model
  const nlohmann::json results = nlohmann::json::parse(run.out);
  EXPECT_EQ(results[0]["status"], "ok");
  EXPECT_EQ(results[0]["model"]["layerCount"], 3);
  EXPECT_LT(results[0]["misfits"].back().get<double>(), results[0]["misfits"][0].get<double>());
  EXPECT_EQ(results[1]["status"], "refused");
}

// Where the settings dialogs clamp, the command line refuses the value and
// names the range: it has no field to show the clamped value in.
TEST_F(InvertCommand, OptionsOutOfRangeAreRefusedWithTheRange) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--iterations 1000", "--iterations: Value 1000 not in range [1 - 25]"},
      {"--iterations 0", "--iterations: Value 0 not in range [1 - 25]"},
      {"--convergence 1e9", "--convergence: Value 1e9 not in range [0.01 - 100]"},
      {"--convergence nan", "--convergence: Value nan not in range [0.01 - 100]"},
      {"--damping 5,0.01", "--damping: Initial damping factor 5 not in range [0.01 - 1]"},
      {"--damping 0.1,0.5", "--damping: Minimum damping factor 0.5 not in range [0.001 - 0.25]"},
      {"--more-iterations 30", "--more-iterations: Value 30 not in range [0 - 25]"},
  };
  for (const auto& [option, message] : cases) {
    const CliRun run = Run("invert " + option + OutputDir() + " " + Example("wenner.dat"));
    EXPECT_NE(run.status, 0) << option;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(directory_ / "wenner.INV")) << option;
  }
  // The ends of the ranges are taken.
  const CliRun run = Run("invert --json --iterations 1 --convergence 0.01 --damping 1,0.25" +
                         OutputDir() + " " + Example("wenner.dat"));
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json results = nlohmann::json::parse(run.out);
  EXPECT_EQ(results[0]["iterations"], 1);
  // --more-iterations answers the iteration-limit prompt: 1 + 2 iterations.
  const CliRun more = Run("invert --json --iterations 1 --convergence 0.01 --more-iterations 2" +
                          OutputDir() + " " + Example("wenner.dat"));
  ASSERT_EQ(more.status, 0) << more.err;
  EXPECT_EQ(nlohmann::json::parse(more.out)[0]["iterations"], 3);
}

TEST_F(InvertCommand, OutputAndPlotNameOneFileOnly) {
  const CliRun run = Run("invert -o \"" + (directory_ / "x.INV").string() + "\" " +
                         Example("wenner.dat") + " " + Example("wenner.dat"));
  EXPECT_EQ(run.status, 2);
  EXPECT_FALSE(fs::exists(directory_ / "x.INV"));
}

// A refused run leaves an earlier results file as it was; a results file that
// cannot be created is named with the system's reason, not offered a retry.
TEST_F(InvertCommand, RefusedRunsLoseNoResultsAndNameWhatFailed) {
  const fs::path data = directory_ / "one_layer.dat";
  std::string text = Slurp(std::string(LAYRA_EXAMPLES_DIR) + "/starting_model.dat");
  text.replace(text.find("layers\n3\n"), 9, "layers\n1\n");
  std::ofstream(data) << text;
  const fs::path kept = directory_ / "keep.INV";
  std::ofstream(kept) << "an earlier run\n";
  const CliRun refused =
      Run("invert --user-model -o \"" + kept.string() + "\" \"" + data.string() + "\"");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("You model has 1 layers."), std::string::npos) << refused.err;
  EXPECT_EQ(Slurp(kept), "an earlier run\n");

  const std::string missing = (directory_ / "missing" / "x.INV").string();
  const CliRun uncreatable = Run("invert -o \"" + missing + "\" " + Example("wenner.dat"));
  EXPECT_EQ(uncreatable.status, 1);
  EXPECT_NE(uncreatable.out.find("Cannot create the results file " + missing +
                                 ": No such file or directory"),
            std::string::npos)
      << uncreatable.out;
  EXPECT_EQ(uncreatable.err.find("try again"), std::string::npos) << uncreatable.err;
}

TEST_F(InvertCommand, ShowReadsBackWhatInvertWrote) {
  const std::string results_file = (directory_ / "w.INV").string();
  const CliRun invert = Run("invert --json -o \"" + results_file + "\" " + Example("wenner.dat"));
  ASSERT_EQ(invert.status, 0) << invert.err;
  const nlohmann::json inverted = nlohmann::json::parse(invert.out)[0];
  const CliRun show = Run("show --json \"" + results_file + "\"");
  ASSERT_EQ(show.status, 0) << show.err;
  const nlohmann::json results = nlohmann::json::parse(show.out);
  const int iterations = inverted["iterations"];
  EXPECT_EQ(results["iterationCount"], iterations);
  ASSERT_EQ(results["misfit"].size(), static_cast<size_t>(iterations + 1));
  for (int k = 0; k <= iterations; ++k) {
    EXPECT_NEAR(results["misfit"][k].get<double>(), inverted["misfits"][k].get<double>(), 1e-4)
        << k;
  }
  const int layers = inverted["model"]["layerCount"];
  EXPECT_EQ(results["modelLayerCount"], layers);
  ASSERT_EQ(results["layerResistivity"].size(), static_cast<size_t>(iterations + 1));
  ASSERT_EQ(results["layerResistivity"][iterations].size(), static_cast<size_t>(layers));
  ASSERT_EQ(results["layerThickness"][0].size(), static_cast<size_t>(layers - 1));
  for (int j = 0; j < layers; ++j) {
    const double expected = inverted["model"]["resistivity"][j];
    EXPECT_NEAR(
        results["layerResistivity"][iterations][j].get<double>(), expected, 1e-3 + 1e-6 * expected);
  }
  EXPECT_EQ(results["calculatedResistivity"][0].size(), results["apparentResistivity"].size());
  EXPECT_EQ(results["dataConstraint"], 0);
}

TEST_F(InvertCommand, PlotsTheLastIterationAndAChosenOne) {
  const std::string results_file = (directory_ / "w.INV").string();
  const fs::path invert_png = directory_ / "invert.png";
  const CliRun invert = Run("invert --size 640x400 --plot \"" + invert_png.string() + "\" -o \"" +
                            results_file + "\" " + Example("wenner.dat"));
  ASSERT_EQ(invert.status, 0) << invert.err;
  EXPECT_GT(fs::file_size(invert_png), 1000u);
  const fs::path show_svg = directory_ / "show.svg";
  const CliRun show =
      Run("show --iteration 1 --plot \"" + show_svg.string() + "\" \"" + results_file + "\"");
  ASSERT_EQ(show.status, 0) << show.err;
  const std::string svg = Slurp(show_svg);
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("Iteration 1"), std::string::npos);
}

// Many files, two at a time: each file's block and summary line come in the
// order given, and the JSON array is the one a single dump of all would give.
TEST_F(InvertCommand, ManyFilesStreamInTheOrderGiven) {
  std::string files;
  for (int i = 0; i < 11; ++i) {
    const fs::path copy = directory_ / ("sounding" + std::to_string(i) + ".dat");
    fs::copy_file(std::string(LAYRA_EXAMPLES_DIR) + "/wenner.dat", copy);
    files += " '" + copy.string() + "'";
  }
  const CliRun text = Run("invert -j 2" + files);
  const CliRun json = Run("invert --json -j 2" + files);
  ASSERT_EQ(text.status, 0) << text.err;
  ASSERT_EQ(json.status, 0) << json.err;
  size_t block = 0;
  size_t summary = text.out.find("Misfit %");
  ASSERT_NE(summary, std::string::npos);
  for (int i = 0; i < 11; ++i) {
    const std::string name = (directory_ / ("sounding" + std::to_string(i) + ".dat")).string();
    block = text.out.find("== " + name + "\n", block);
    summary = text.out.find("\n" + name + " ", summary);
    EXPECT_LT(block, summary) << name;
  }
  EXPECT_NE(summary, std::string::npos);
  const nlohmann::json results = nlohmann::json::parse(json.out);
  EXPECT_EQ(json.out, results.dump(2) + "\n");
  ASSERT_EQ(results.size(), 11u);
  EXPECT_EQ(results[10]["file"], (directory_ / "sounding10.dat").string());
}

// A picture cut short (here by the file size limit, as by a full disk) is
// reported with its path and reason and leaves the earlier file untouched.
TEST_F(InvertCommand, APictureThatCannotBeWrittenWholeLeavesTheEarlierOne) {
  const std::string results_file = (directory_ / "w.INV").string();
  ASSERT_EQ(Run("invert -o \"" + results_file + "\" " + Example("wenner.dat")).status, 0);
  for (const char* type : {"png", "svg", "bmp"}) {
    const fs::path picture = directory_ / (std::string("plot.") + type);
    std::ofstream(picture) << "earlier";
    const std::string command = "ulimit -f 16; trap '' XFSZ; exec '" LAYRA_CLI_PATH "' show '" +
                                results_file + "' --size 3000x3000 --plot '" + picture.string() +
                                "' >/dev/null 2>'" + (directory_ / "err").string() + "'";
    const int raw = std::system(("sh -c \"" + command + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << type;
    const std::string error = Slurp(directory_ / "err");
    EXPECT_NE(error.find("'" + picture.string() + "': File too large"), std::string::npos) << error;
    EXPECT_EQ(Slurp(picture), "earlier") << type;
  }
  for (const auto& entry : fs::directory_iterator(directory_)) {
    EXPECT_EQ(entry.path().filename().string().rfind(".layra", 0), std::string::npos)
        << entry.path();
  }
}

}  // namespace

// The documented engine, chosen or by default, writes the stored example's
// results byte for byte; the accurate engine writes the same layout (show
// reads it back) and names itself with its error-weighted misfit.
TEST_F(InvertCommand, EnginesWriteOneLayoutAndTheDocumentedOneTheStoredBytes) {
  for (const char* engine : {"", " --engine documented"}) {
    ASSERT_EQ(
        Run(std::string("invert") + engine + OutputDir() + " " + Example("wenner.dat")).status, 0);
    EXPECT_EQ(Slurp(directory_ / "wenner.INV"), Slurp(fs::path(LAYRA_EXAMPLES_DIR) / "wenner.INV"))
        << engine;
  }
  const CliRun accurate =
      Run("invert --json --engine accurate --robust" + OutputDir() + " " + Example("wenner.dat"));
  ASSERT_EQ(accurate.status, 0) << accurate.err;
  const nlohmann::json result = nlohmann::json::parse(accurate.out)[0];
  EXPECT_EQ(result["engine"], "accurate");
  EXPECT_NEAR(result["chi2"].get<double>(), 1.0, 0.2);
  EXPECT_GT(result["regularisation"].get<double>(), 0.0);
  const CliRun show = Run("show --json '" + (directory_ / "wenner.INV").string() + "'");
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(nlohmann::json::parse(show.out)["iterationCount"], result["iterations"]);

  const CliRun fixed =
      Run("invert --json --engine accurate --user-model --fix rho2,h1 --bound "
          "rho1=150:180" +
          OutputDir() + " " + Example("starting_model.dat"));
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  const nlohmann::json model = nlohmann::json::parse(fixed.out)[0];
  EXPECT_EQ(model["fixed"], nlohmann::json({"rho2", "h1"}));
  EXPECT_EQ(model["bounds"]["rho1"], nlohmann::json({150.0, 180.0}));
  EXPECT_EQ(model["model"]["resistivity"][1].get<double>(), 50.0);
  EXPECT_EQ(model["model"]["thickness"][0].get<double>(), 2.5);
  EXPECT_LE(model["model"]["resistivity"][0].get<double>(), 180.0);
}

// Engine choices that cannot be honoured are refused with a message.
TEST_F(InvertCommand, EngineChoicesAreChecked) {
  const std::string file = " " + Example("starting_model.dat");
  struct Case {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"--engine exact", "--engine"},
      {"--engine accurate --error-floor 150", "--error-floor"},
      {"--engine accurate --user-model --bound rho1=5", "NAME=LOW:HIGH"},
      {"--engine accurate --user-model --bound rho1=9:5", "LOW must be below HIGH"},
      {"--user-model --fix rho1", "--engine accurate"},
      {"--engine accurate --user-model --fix rho9", "no parameter rho9"},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(std::string("invert ") + c.arguments + OutputDir() + file);
    EXPECT_NE(run.status, 0) << c.arguments;
    EXPECT_NE((run.out + run.err).find(c.message), std::string::npos) << c.arguments << run.err;
  }
  EXPECT_FALSE(fs::exists(directory_ / "starting_model.INV"));
}
