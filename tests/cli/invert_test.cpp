// Runs the real layra-cli invert and show on the example soundings.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::RunLayraCli;
using nlohmann::json;

// The example files, each quoted and led by a blank.
std::string Examples(const std::vector<std::string>& names) {
  std::string files;
  for (const std::string& name : names) files += " " + layra::testing::ExamplePath(name);
  return files;
}

class InvertCommand : public ::testing::Test {
 protected:
  // Results files go to the test's own directory, never beside the examples.
  CliRun Run(const std::string& arguments, const std::string& files) const {
    return RunLayraCli(arguments + " --output-dir " + dir_.Quoted("") + files);
  }
  // Inverts wenner.dat into w.INV with the extra arguments.
  CliRun InvertWenner(const std::string& extra = "") const {
    return RunLayraCli("invert" + extra + " -o " + dir_.Quoted("w.INV") + Examples({"wenner.dat"}));
  }

  layra::testing::ScratchDir dir_;
};

// The JSON describes each kind of file, the same whatever the number of jobs.
TEST_F(InvertCommand, JsonDescribesEachFileWhateverTheJobs) {
  std::string files;
  for (const char* name :
       {"wenner", "schlumberger_two_levels", "ip_chargeability", "sip_amplitude_phase"}) {
    files += Examples({std::string(name) + ".dat"});
  }
  const CliRun one = Run("invert --json -j 1", files);
  const CliRun two = Run("invert --json -j 2", files);
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  const json results = json::parse(one.out);
  EXPECT_EQ(results, json::parse(two.out));
  ASSERT_EQ(results.size(), 4u);
  for (const auto& file : results) {
    EXPECT_EQ(file["status"], "ok");
    const int iterations = file["iterations"];
    EXPECT_GE(iterations, 1);
    ASSERT_EQ(file["misfits"].size(), static_cast<size_t>(iterations + 1));
    EXPECT_DOUBLE_EQ(file["misfits"][iterations].get<double>(), file["misfit"].get<double>());
    EXPECT_LT(file["misfit"].get<double>(), 1.0);  // a fraction, not per cent
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

// One file's refusal or failure does not stop the others; two jobs never write
// one results file at the same time; --user-model needs the file's model.
TEST_F(InvertCommand, EachFileHasItsOwnOutcome) {
  std::ofstream(dir_.Path("broken.dat")) << "A title\nWenner\nNumber of data points\n3\n";
  const CliRun run =
      Run("invert --json -j 2 " + dir_.Quoted("missing.dat") + " " + dir_.Quoted("broken.dat"),
          Examples({"wenner.dat", "wenner.dat"}));
  EXPECT_NE(run.status, 0);
  const json results = json::parse(run.out);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0]["status"], "refused");
  EXPECT_NE(results[0]["message"].get<std::string>().find("Cannot open"), std::string::npos);
  EXPECT_EQ(results[0]["resultsFile"], "");
  EXPECT_EQ(results[1]["status"], "refused");
  EXPECT_EQ(results[2]["status"], "ok");
  EXPECT_EQ(results[3]["status"], "failed");
  EXPECT_NE(results[3]["message"].get<std::string>().find("wenner.INV"), std::string::npos);
  const std::string text = dir_.Read("wenner.INV");  // one complete run
  EXPECT_EQ(text.find("Initial Model"), text.rfind("Initial Model"));

  const CliRun user =
      Run("invert --json --user-model", Examples({"starting_model.dat", "wenner.dat"}));
  EXPECT_NE(user.status, 0);
  const json models = json::parse(user.out);
  EXPECT_EQ(models[0]["status"], "ok");
  EXPECT_EQ(models[1]["status"], "refused");  // wenner.dat has no starting model
}

// Where the settings dialogs clamp, the command line refuses the value and
// names the range: it has no field to show the clamped value in.
TEST_F(InvertCommand, OptionsOutOfRangeAreRefusedWithTheRange) {
  const struct {
    const char* option;
    const char* message;
  } cases[] = {
      {"--iterations 1000", "--iterations: Value 1000 not in range [1 - 25]"},
      {"--iterations 0", "--iterations: Value 0 not in range [1 - 25]"},
      {"--convergence 1e9", "--convergence: Value 1e9 not in range [0.01 - 100]"},
      {"--convergence nan", "--convergence: Value nan not in range [0.01 - 100]"},
      {"--damping 5,0.01", "--damping: Initial damping factor 5 not in range [0.01 - 1]"},
      {"--damping 0.1,0.5", "--damping: Minimum damping factor 0.5 not in range [0.001 - 0.25]"},
      {"--more-iterations 30", "--more-iterations: Value 30 not in range [0 - 25]"},
      {"--error-floor nan", "--error-floor: Value nan not in range [0 - 100]"},
      {"--assumed-error nan", "--assumed-error: Value nan not in range [0.01 - 100]"},
  };
  for (const auto& c : cases) {
    const CliRun run = Run(std::string("invert ") + c.option, Examples({"wenner.dat"}));
    EXPECT_NE(run.status, 0) << c.option;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(dir_.Exists("wenner.INV")) << c.option;
  }
  // The ends of the ranges are taken; --more-iterations answers the
  // iteration-limit prompt: 1 + 2 iterations.
  for (const auto& [options, iterations] : std::vector<std::pair<std::string, int>>{
           {"--damping 1,0.25", 1}, {"--more-iterations 2", 3}}) {
    const CliRun run =
        Run("invert --json --iterations 1 --convergence 0.01 " + options, Examples({"wenner.dat"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)[0]["iterations"], iterations) << options;
  }
}

// A list option takes its own argument's values only: a data file after it,
// and the options after that, are read as what they are.
TEST_F(InvertCommand, ListOptionsStopAtTheirOwnArgument) {
  const struct {
    std::string options;
    std::string data;
  } cases[] = {{"--damping 0.1,0.01", "wenner"},
               {"--engine accurate --user-model --fix h1", "starting_model"},
               {"--engine accurate --user-model --bound rho1=1:1000", "starting_model"}};
  for (const auto& c : cases) {
    const CliRun run = RunLayraCli("invert " + c.options + Examples({c.data + ".dat"}) +
                                   " --output-dir " + dir_.Quoted(""));
    EXPECT_EQ(run.status, 0) << c.options << "\n" << run.err;
    EXPECT_TRUE(dir_.Exists(c.data + ".INV")) << c.options;
  }
}

// -o names one file only; a refused run leaves an earlier results file as it
// was and no value that is not finite in its JSON; an uncreatable results file
// is named, not offered a retry.
TEST_F(InvertCommand, RefusedRunsLoseNoResultsAndNameWhatFailed) {
  const CliRun two =
      RunLayraCli("invert -o " + dir_.Quoted("x.INV") + Examples({"wenner.dat", "wenner.dat"}));
  EXPECT_EQ(two.status, 2);
  EXPECT_FALSE(dir_.Exists("x.INV"));

  std::string text =
      layra::testing::ReadWholeFile(std::string(LAYRA_EXAMPLES_DIR) + "/starting_model.dat");
  text.replace(text.find("layers\n3\n"), 9, "layers\n1\n");
  std::ofstream(dir_.Path("one_layer.dat")) << text;
  std::ofstream(dir_.Path("keep.INV")) << "an earlier run\n";
  const CliRun refused = RunLayraCli("invert --user-model -o " + dir_.Quoted("keep.INV") + " " +
                                     dir_.Quoted("one_layer.dat"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(dir_.Read("keep.INV"), "an earlier run\n");
  const CliRun failed = Run("invert --json --user-model", " " + dir_.Quoted("one_layer.dat"));
  EXPECT_NE(failed.status, 0);
  const json result = json::parse(failed.out)[0];
  EXPECT_EQ(result["status"], "failed");
  EXPECT_FALSE(result.contains("calculatedResistivity"));
  EXPECT_EQ(failed.out.find("null"), std::string::npos) << failed.out;

  const std::string missing = dir_.Path("missing/x.INV");
  const CliRun uncreatable = RunLayraCli("invert -o '" + missing + "'" + Examples({"wenner.dat"}));
  EXPECT_EQ(uncreatable.status, 1);
  EXPECT_NE(uncreatable.out.find(missing), std::string::npos) << uncreatable.out;
  EXPECT_EQ(uncreatable.err.find("try again"), std::string::npos) << uncreatable.err;
  // A folder named for the results files is made when it does not exist.
  const CliRun fresh =
      RunLayraCli("invert --output-dir " + dir_.Quoted("new/folder") + Examples({"wenner.dat"}));
  EXPECT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_TRUE(dir_.Exists("new/folder/wenner.INV"));
}

// show reads back what invert wrote, and both plot: invert the last
// iteration, show a chosen one.
TEST_F(InvertCommand, ShowReadsBackAndPlotsWhatInvertWrote) {
  const CliRun invert = InvertWenner(" --json --size 640x400 --plot " + dir_.Quoted("invert.png"));
  ASSERT_EQ(invert.status, 0) << invert.err;
  EXPECT_GT(fs::file_size(dir_.Path("invert.png")), 1000u);
  const json inverted = json::parse(invert.out)[0];
  const CliRun show = RunLayraCli("show --json " + dir_.Quoted("w.INV"));
  ASSERT_EQ(show.status, 0) << show.err;
  const json results = json::parse(show.out);
  const int iterations = inverted["iterations"];
  EXPECT_EQ(results["iterationCount"], iterations);
  // Every iteration read back is pinned in tests/fileio; here the last one.
  ASSERT_EQ(results["misfit"].size(), static_cast<size_t>(iterations + 1));
  EXPECT_NEAR(results["misfit"][iterations].get<double>(), inverted["misfit"].get<double>(), 1e-4);
  EXPECT_EQ(results["modelLayerCount"], inverted["model"]["layerCount"]);
  ASSERT_EQ(results["layerResistivity"].size(), static_cast<size_t>(iterations + 1));
  const double rho1 = inverted["model"]["resistivity"][0];
  EXPECT_NEAR(results["layerResistivity"][iterations][0].get<double>(), rho1, 1e-3 + 1e-6 * rho1);
  EXPECT_EQ(results["calculatedResistivity"][0].size(), results["apparentResistivity"].size());
  EXPECT_EQ(results["dataConstraint"], 0);

  const CliRun plot = RunLayraCli("show --iteration 1 --plot " + dir_.Quoted("show.svg") + " " +
                                  dir_.Quoted("w.INV"));
  ASSERT_EQ(plot.status, 0) << plot.err;
  const std::string svg = dir_.Read("show.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("Iteration 1"), std::string::npos);
  // An iteration the file does not hold is refused, not replaced by the last.
  const CliRun beyond = RunLayraCli("show --iteration 99 --plot " + dir_.Quoted("beyond.svg") +
                                    " " + dir_.Quoted("w.INV"));
  EXPECT_EQ(beyond.status, 2);
  EXPECT_NE(beyond.err.find("--iteration 99: " + dir_.Path("w.INV") + " holds iterations 0 to " +
                            std::to_string(iterations) + "."),
            std::string::npos)
      << beyond.err;
  EXPECT_FALSE(dir_.Exists("beyond.svg"));
}

// Many files, two at a time: each file's block and summary line come in the
// order given (plot labels are not progress), each results file is written
// beside its data, and the JSON array is the one a single dump of all would give.
TEST_F(InvertCommand, ManyFilesStreamInTheOrderGiven) {
  std::string files;
  for (int i = 0; i < 11; ++i) {
    const std::string name = "sounding" + std::to_string(i) + ".dat";
    fs::copy_file(std::string(LAYRA_EXAMPLES_DIR) + "/wenner.dat", dir_.Path(name));
    files += " " + dir_.Quoted(name);
  }
  const CliRun text = RunLayraCli("invert -j 2" + files);
  const CliRun json_run = RunLayraCli("invert --json -j 2" + files);
  ASSERT_EQ(text.status, 0) << text.err;
  ASSERT_EQ(json_run.status, 0) << json_run.err;
  size_t block = 0;
  size_t summary = text.out.find("Misfit %");
  ASSERT_NE(summary, std::string::npos);
  for (int i = 0; i < 11; ++i) {
    const std::string name = dir_.Path("sounding" + std::to_string(i) + ".dat");
    block = text.out.find("== " + name + "\n", block);
    summary = text.out.find("\n" + name + " ", summary);
    EXPECT_LT(block, summary) << name;
    EXPECT_TRUE(dir_.Exists("sounding" + std::to_string(i) + ".INV"));
  }
  EXPECT_NE(summary, std::string::npos);
  EXPECT_EQ(text.out.find("Electrode spacing"), std::string::npos);
  const json results = json::parse(json_run.out);
  EXPECT_EQ(json_run.out, results.dump(2) + "\n");
  ASSERT_EQ(results.size(), 11u);
  EXPECT_EQ(results[10]["file"], dir_.Path("sounding10.dat"));
}

// A picture cut short (here by the file size limit, as by a full disk) is
// reported with its path and reason and leaves the earlier file untouched.
TEST_F(InvertCommand, APictureThatCannotBeWrittenWholeLeavesTheEarlierOne) {
  ASSERT_EQ(InvertWenner().status, 0);
  for (const std::string type : {"png", "svg", "bmp"}) {
    const std::string picture = dir_.Path("plot." + type);
    std::ofstream(picture) << "earlier";
    const std::string command = "ulimit -f 16; trap '' XFSZ; exec '" LAYRA_CLI_PATH "' show " +
                                dir_.Quoted("w.INV") + " --size 3000x3000 --plot '" + picture +
                                "' >/dev/null 2>" + dir_.Quoted("err");
    const int raw = std::system(("sh -c \"" + command + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << type;
    const std::string error = dir_.Read("err");
    EXPECT_NE(error.find("'" + picture + "': File too large"), std::string::npos) << error;
    EXPECT_EQ(dir_.Read("plot." + type), "earlier") << type;
  }
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().filename().string().rfind(".layra", 0), std::string::npos)
        << entry.path();
  }
}

// The documented engine, chosen or by default, writes the stored example's
// results byte for byte; the accurate engine writes the same layout (show
// reads it back) and names itself with its error-weighted misfit.
TEST_F(InvertCommand, EnginesWriteOneLayoutAndTheDocumentedOneTheStoredBytes) {
  for (const std::string engine : {"", " --engine documented"}) {
    ASSERT_EQ(Run("invert" + engine, Examples({"wenner.dat"})).status, 0);
    EXPECT_EQ(dir_.Read("wenner.INV"),
              layra::testing::ReadWholeFile(std::string(LAYRA_EXAMPLES_DIR) + "/wenner.INV"))
        << engine;
  }
  const CliRun accurate = Run("invert --json --engine accurate --robust", Examples({"wenner.dat"}));
  ASSERT_EQ(accurate.status, 0) << accurate.err;
  const json result = json::parse(accurate.out)[0];
  EXPECT_EQ(result["engine"], "accurate");
  EXPECT_TRUE(result.contains("chi2") && result.contains("regularisation")) << result;
  const CliRun show = RunLayraCli("show --json " + dir_.Quoted("wenner.INV"));
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(json::parse(show.out)["iterationCount"], result["iterations"]);

  const CliRun fixed =
      Run("invert --json --engine accurate --user-model --fix rho2,h1 --bound rho1=150:180",
          Examples({"starting_model.dat"}));
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  const json model = json::parse(fixed.out)[0];
  EXPECT_EQ(model["fixed"], json({"rho2", "h1"}));
  EXPECT_EQ(model["bounds"]["rho1"], json({150.0, 180.0}));
  EXPECT_EQ(model["model"]["resistivity"][1].get<double>(), 50.0);
  EXPECT_EQ(model["model"]["thickness"][0].get<double>(), 2.5);
  EXPECT_LE(model["model"]["resistivity"][0].get<double>(), 180.0);
}

// Engine choices that cannot be honoured are refused with a message.
TEST_F(InvertCommand, EngineChoicesAreChecked) {
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"--engine exact", "--engine"},
      {"--engine accurate --error-floor 150", "--error-floor"},
      {"--engine accurate --user-model --bound rho1=5", "NAME=LOW:HIGH"},
      {"--engine accurate --user-model --bound rho1=9:5", "LOW must be below HIGH"},
      {"--user-model --fix rho1", "--engine accurate"},
      {"--engine accurate --user-model --fix rho9", "no parameter rho9"},
      {"--engine accurate --user-model --bound rho1=5:9 --bound rho1=6:7", "rho1 is bounded twice"},
      {"--engine accurate --user-model --fix rho1 --bound rho1=5:9", "both fixed and bounded"},
      {"--user-model --uncertainty", "--uncertainty needs --engine accurate"},
      {"--engine accurate --user-model --robust", "--robust"},
      {"--engine accurate --layers 3", "only choice is auto"},
      {"--engine accurate --layers auto --user-model", "--layers auto needs"},
  };
  for (const auto& c : cases) {
    const CliRun run = Run(std::string("invert ") + c.arguments, Examples({"starting_model.dat"}));
    EXPECT_NE(run.status, 0) << c.arguments;
    EXPECT_NE((run.out + run.err).find(c.message), std::string::npos) << c.arguments << run.err;
  }
  EXPECT_FALSE(dir_.Exists("starting_model.INV"));
}

// How an accurate fit ended: "ok" with the error estimated from the data;
// "above target" (exit status 3) where the file's errors are understated;
// --layers auto prints its table and runs from the chosen model.
TEST_F(InvertCommand, AccurateFitsSayHowTheyEnded) {
  std::string text = layra::testing::ReadWholeFile(std::string(LAYRA_EXAMPLES_DIR) + "/wenner.dat");
  text.replace(text.find("(Yes,No)\nNo"), 11, "(Yes,No)\nYes");
  std::string with_errors;
  std::istringstream lines(text);
  bool in_data = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("User", 0) == 0) in_data = false;
    if (in_data) line += "  0.2";  // ohm-m: a fifth of the scatter
    if (line == "Data section") in_data = true;
    with_errors += line + "\n";
  }
  {
    std::ofstream out(dir_.Path("errors.dat"));
    out << with_errors;
  }
  const CliRun estimated = Run("invert --json --engine accurate", Examples({"wenner.dat"}));
  ASSERT_EQ(estimated.status, 0) << estimated.err;
  const json ok = json::parse(estimated.out)[0];
  EXPECT_EQ(ok["status"], "ok");
  EXPECT_GT(ok["errorEstimate"].get<double>(), 0.5);
  EXPECT_TRUE(ok["atBound"].empty());

  const CliRun understated =
      Run("invert --json --engine accurate --error-floor 0.1", " " + dir_.Quoted("errors.dat"));
  EXPECT_EQ(understated.status, 3) << understated.err;
  const json above = json::parse(understated.out)[0];
  EXPECT_EQ(above["status"], "above target");
  EXPECT_NE(above["reason"].get<std::string>().find("least reachable"), std::string::npos);
  EXPECT_TRUE(above["errorEstimate"].is_null());

  const CliRun chosen = Run("invert --engine accurate --layers auto", Examples({"wenner.dat"}));
  ASSERT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_NE(chosen.out.find("chosen"), std::string::npos);
  EXPECT_NE(chosen.out.find("Starts: "), std::string::npos);
}

// --uncertainty: the table in the listing and the JSON key in the form of
// each kind of run; a fixed parameter keeps its value as its whole range.
TEST_F(InvertCommand, UncertaintyTableAndJson) {
  const CliRun few = Run("invert --json --engine accurate --uncertainty --user-model --fix h1",
                         Examples({"starting_model.dat"}));
  ASSERT_EQ(few.status, 0) << few.err;
  const json u = json::parse(few.out)[0]["uncertainty"];
  std::vector<std::string> keys;
  for (const auto& item : u.items()) keys.push_back(item.key());
  EXPECT_EQ(keys,
            (std::vector<std::string>{"conductance",
                                      "confidence",
                                      "correlation",
                                      "equivalentModels",
                                      "parameters",
                                      "transverseResistance",
                                      "varianceScale"}));
  const std::vector<std::string> names = {"rho1", "rho2", "rho3", "h1", "h2"};
  ASSERT_EQ(u["parameters"].size(), names.size());
  for (size_t k = 0; k < names.size(); ++k) EXPECT_EQ(u["parameters"][k]["name"], names[k]);
  EXPECT_EQ(u["parameters"][3]["low"], u["parameters"][3]["high"]);  // h1 is fixed
  EXPECT_EQ(u["parameters"][3]["factor"].get<double>(), 1.0);
  EXPECT_EQ(u["correlation"].size(), names.size());
  EXPECT_EQ(u["conductance"].size(), 2u);
  EXPECT_EQ(u["transverseResistance"][1]["layer"], 2);
  ASSERT_GE(u["equivalentModels"].size(), 1u);
  EXPECT_EQ(u["equivalentModels"][0]["thickness"].size(), 2u);

  const CliRun smooth =
      Run("invert --json --engine accurate --uncertainty", Examples({"wenner.dat"}));
  ASSERT_EQ(smooth.status, 0) << smooth.err;
  const json run = json::parse(smooth.out)[0];
  EXPECT_TRUE(run["uncertainty"].contains("doi"));
  EXPECT_EQ(run["uncertainty"]["doiIndex"].size(), run["model"]["resistivity"].size());

  const CliRun listing =
      Run("invert --engine accurate --uncertainty --user-model", Examples({"starting_model.dat"}));
  ASSERT_EQ(listing.status, 0) << listing.err;
  for (const char* text : {"Equivalence analysis", "x/ factor", "T (ohm-m2)", "\nh2 "}) {
    EXPECT_NE(listing.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
