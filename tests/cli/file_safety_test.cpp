// The real layra-cli never writes over a file the same run reads, and saves
// a forward response only as a file the data-file reader takes back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::RunLayraCli;

class FileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"wenner.dat", "wenner.INV", "two_layer.mod", "sip_generated.mod"}) {
      fs::copy_file(fs::path(LAYRA_EXAMPLES_DIR) / name, directory_ / name);
    }
  }
  // Runs layra-cli with the arguments, in which "@" stands for the test's
  // directory and a slash.
  CliRun Run(std::string arguments) const {
    for (size_t at = arguments.find('@'); at != std::string::npos; at = arguments.find('@', at)) {
      arguments.replace(at, 1, directory_.string() + "/");
    }
    return RunLayraCli(arguments);
  }
  std::string Contents(const std::string& name) const { return dir_.Read(name); }

  layra::testing::ScratchDir dir_;
  const fs::path& directory_ = dir_.path();
};

// Each output named as an input (under another spelling too) is refused
// before anything is read or written, naming both files.
TEST_F(FileSafety, NoOutputIsWrittenOverAnInput) {
  struct Case {
    std::string arguments;
    std::string input;  // the file that must survive
    std::string output_kind;
  };
  const std::vector<Case> cases = {
      {"invert -o @wenner.dat @wenner.dat", "wenner.dat", "Results file"},
      {"invert -o @sub/../wenner.dat @wenner.dat", "wenner.dat", "Results file"},
      {"invert -o @link.dat @wenner.dat", "wenner.dat", "Results file"},
      {"invert --output-dir @sub/.. @sub/../link.dat @wenner.INV", "wenner.INV", "Results file"},
      {"invert @wenner.dat @wenner.INV", "wenner.INV", "Results file"},
      {"invert --plot @wenner.dat @wenner.dat", "wenner.dat", "Plot file"},
      {"forward @two_layer.mod -o @two_layer.mod", "two_layer.mod", "Synthetic data file"},
      {"forward @two_layer.mod --plot @two_layer.mod", "two_layer.mod", "Plot file"},
      {"show @wenner.INV --plot @wenner.INV", "wenner.INV", "Plot file"},
  };
  fs::create_directories(directory_ / "sub");
  fs::create_symlink(directory_ / "wenner.dat", directory_ / "link.dat");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::string before = Contents(c.input);
    const CliRun run = Run(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.output_kind), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("is the input file " + (directory_ / c.input).string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Contents(c.input), before);
  }
}

// Two data files whose results file is one (".a" and ".b" both give ".INV")
// are not run at the same time into it: the second is refused, naming both.
TEST_F(FileSafety, FilesSharingAResultsFileRunOnlyTheFirst) {
  fs::copy_file(directory_ / "wenner.dat", directory_ / ".a");
  fs::copy_file(directory_ / "wenner.dat", directory_ / ".b");
  const CliRun run = Run("invert -j 2 @.a @.b");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("failed (Results file " + (directory_ / ".INV").string() +
                         " is already written for " + (directory_ / ".a").string()),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(fs::exists(directory_ / ".INV"));
}

// A response with fewer than 5 spacings or more than 20 frequencies would
// make a data file the reader refuses: nothing is written, an earlier file
// stays, and the message says why.
TEST_F(FileSafety, ForwardSavesOnlyResponsesThatReadBack) {
  std::ofstream(directory_ / "four_spacings.mod")
      << "Two layers, generated spacings\nNumber of layers\n2\nType\nResistivity model\nLayers\n"
         "10 100\n20\nNumber of spacings\n0\nArray type\nWenner\n";
  std::ofstream(directory_ / "tiny_spacing.mod")
      << "Two layers, a spacing below a millimetre\nNumber of layers\n2\nType\nResistivity "
         "model\nLayers\n10 100\n20\nNumber of spacings\n5\nSpacings\n0.0008 1 2 4 8\n"
         "Array type\nWenner\n";
  std::ofstream(directory_ / "huge_ip.mod")
      << "Negative chargeability\nNumber of layers\n3\nType\nIP model\nLayers\n7 120 5\n25 80 "
         "-45\n500 10\nNumber of spacings\n5\nSpacings\n10 20 30 50 70\nArray type\nWenner\n";
  struct Case {
    const char* model;
    const char* reason;
  };
  for (const Case& c :
       {Case{"four_spacings.mod", "it has 4 spacings, and a data file holds 5 to 90 points."},
        Case{"sip_generated.mod", "it has 24 frequencies, and a data file holds 4 to 20."},
        Case{"tiny_spacing.mod", "spacing 1 (0.0008 m) is below the 0.001 m"},
        Case{"huge_ip.mod", "msec) is beyond\nthe 10000 msec a data file can hold."}}) {
    SCOPED_TRACE(c.model);
    std::ofstream(directory_ / "out.dat") << "earlier\n";
    const CliRun run = Run(std::string("forward @") + c.model + " -o @out.dat");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(Contents("out.dat"), "earlier\n");
  }
  // A failed write says why and leaves nothing beside the target.
  const CliRun full = Run("forward @two_layer.mod -o @missing/out.dat");
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find("missing/out.dat: No such file or directory"), std::string::npos)
      << full.err;
}

}  // namespace
