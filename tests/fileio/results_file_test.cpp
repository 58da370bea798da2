#include "fileio/results_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/fileio/temp_file.h"
#include "tests/support/recording_sink.h"

namespace layra {
namespace {

using testing::Lines;
using testing::RecordingSink;
using testing::TempFile;

// One inversion run as the driver hands it to the writer.
struct RunRecord {
  ArrayType arrayType = ArrayType::kWenner;
  DataKind kind = DataKind::kResistivity;
  int errors = 0;
  int userModel = 0;
  int fixed = 0;
  std::vector<float> a = {1, 2, 3, 5, 8, 13};
  std::vector<float> b = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  std::vector<float> observed = {100, 90.5f, 80.25f, 61, 47.125f, 40};
  std::vector<float> error = {1, 2, 3, 4, 5, 6};
  std::vector<float> thickness = {2.5f, 7.75f};
  std::vector<float> resistivity = {110, 35.5f, 400};
  InversionSettings settings;

  int points() const { return static_cast<int>(a.size()); }
  int layers() const { return static_cast<int>(resistivity.size()); }
  // Model and calculated values of iteration j differ from those of every
  // other iteration, so a value stored in the wrong column shows.
  std::vector<float> Calculated(int j) const {
    std::vector<float> values;
    for (float spacing : a) values.push_back(10.0f * spacing + 0.5f * static_cast<float>(j));
    return values;
  }
  std::vector<float> Resistivities(int j) const {
    std::vector<float> values = resistivity;
    for (float& value : values) value += static_cast<float>(j);
    return values;
  }
  float Misfit(int j) const { return 0.2f / static_cast<float>(j + 1); }

  bool Append(const std::string& path, int j, ResultsFileStream* stream = nullptr) const {
    std::vector<float> calculated = Calculated(j);
    std::vector<float> model = Resistivities(j);
    return AppendResults(fixed,
                         kind,
                         errors,
                         userModel,
                         arrayType,
                         path,
                         j,
                         layers(),
                         points(),
                         thickness.data(),
                         model.data(),
                         calculated.data(),
                         observed.data(),
                         error.data(),
                         a.data(),
                         b.data(),
                         Misfit(j),
                         "Test sounding",
                         settings,
                         stream);
  }
  bool Write(const std::string& path, int iterations) const {
    bool ok = true;
    for (int j = 0; j <= iterations; ++j) ok = Append(path, j) && ok;
    return ok;
  }
};

struct ReadOutcome {
  int status = -1;
  std::unique_ptr<InversionResults> results = std::make_unique<InversionResults>();
  RecordingSink listing;
};

std::unique_ptr<ReadOutcome> ReadFile(const std::string& path) {
  auto outcome = std::make_unique<ReadOutcome>();
  outcome->status = ReadResultsFile(path, *outcome->results, outcome->listing);
  return outcome;
}

std::unique_ptr<ReadOutcome> ReadText(const std::string& text) {
  TempFile file(".INV", text);
  return ReadFile(file.path());
}

// The read was refused with the one message `text` (its start when `prefix`).
void ExpectRefused(const ReadOutcome& read, const std::string& text, bool prefix = false) {
  EXPECT_EQ(read.status, 1) << text;
  ASSERT_EQ(read.listing.messages.size(), 1u) << text;
  const std::string& said = read.listing.messages[0].text;
  EXPECT_EQ(prefix ? said.substr(0, text.size()) : said, text);
  EXPECT_EQ(read.listing.messages[0].caption, "File Format Error") << text;
}

// The text of `run` written with blocks 0..iterations.
std::string Written(const RunRecord& run, int iterations) {
  TempFile file(".INV");
  EXPECT_TRUE(run.Write(file.path(), iterations));
  return file.Read();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST(AppendResults, WritesBlockZeroAndIterationBlocks) {
  TempFile file(".INV");
  RunRecord run;

  run.a = {1, 2, 3, 4, 6};
  run.observed = {100, 90, 80, 70, 60};
  run.errors = 1;
  run.settings.dataConstraint = 0;
  run.settings.modelConstraint = 1;
  ASSERT_TRUE(run.Write(file.path(), 1));
  const std::string expected =
      "Test sounding\nArray Type (Wenner or Schlumbeger)\nWenner array\nNumber of data points\n5\n"
      "Data Type (Resistivity,IP,IP)\nResistivity\nError in measurements inluded (Yes,No)\nYes\n"
      "Data Section\n"
      "     1.000     100.000       1.000\n     2.000      90.000       2.000\n"
      "     3.000      80.000       3.000\n     4.000      70.000       4.000\n"
      "     6.000      60.000       5.000\n"
      "User Starting Model Available (Yes/No)\nNo\nInversion results\nInitial Model\n"
      "Number of model layers\n3\nLayer  Resistivity  Thickness\n"
      " 1     110.000       2.500\n 2      35.500       7.750\n 3     400.000\n"
      "Data  Spacing  App. Res.\n"
      " 1       1.000      10.000\n 2       2.000      20.000\n 3       3.000      30.000\n"
      " 4       4.000      40.000\n 5       6.000      60.000\n"
      "Initial model resistivity % RMS error\n20.00\n"
      "Type of data constrain\n0\nType of model constrain\n1\n"
      "Iteration 1\nLayer  Resistivity   Thickness\n"
      " 1      111.000       2.500\n 2       36.500       7.750\n 3      401.000\n"
      "Data  Spacing  App. Res.\n"
      " 1       1.000      10.500\n 2       2.000      20.500\n 3       3.000      30.500\n"
      " 4       4.000      40.500\n 5       6.000      60.500\n"
      "Resistivity % RMS error\n    10.000\n";
  EXPECT_EQ(file.Read(), expected);
}

TEST(AppendResults, SchlumbergerMeanErrorAndUserModel) {
  RunRecord run;
  run.arrayType = ArrayType::kSchlumberger;
  run.kind = DataKind::kSip;
  run.userModel = 1;
  run.fixed = 1;
  run.settings.dataConstraint = 1;
  const auto lines = Lines(Written(run, 1));
  EXPECT_EQ(lines[2], "Schlumberger array");
  EXPECT_EQ(lines[6], "SIP");
  EXPECT_EQ(lines[8], "No");
  EXPECT_EQ(lines[10], "     1.000       0.500     100.000");
  // The run's starting model, then the same 3 layers as the initial model.
  const auto user_model = Lines(
      "User Starting Model Available (Yes/No)\nYes\nFix Parameters (Yes/No)\nYes\n"
      "Number of model layers\n3\nModel Parameters\n   110.000       2.500\n"
      "    35.500       7.750\n   400.000\nInversion results\n");
  for (size_t i = 0; i < user_model.size(); ++i) EXPECT_EQ(lines[16 + i], user_model[i]) << i;
  EXPECT_EQ(lines[35], " 1       1.000       0.500      10.000");
  int mean_labels = 0;
  for (const std::string& line : lines) {
    mean_labels +=
        line == "Initial model resistivity % mean error" || line == "Resistivity % mean error";
    EXPECT_EQ(line.find("RMS"), std::string::npos);
  }
  EXPECT_EQ(mean_labels, 2);
}

TEST(AppendResults, ReportsAFileThatCannotBeWritten) {
  RunRecord run;
  EXPECT_FALSE(run.Append("/nonexistent/directory/run.INV", 0));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(run.Append("/dev/full", 0)) << "a failed write must not pass for success";
  }
}

// A kept-open stream writes the same text, leaves the file alone until block
// 0, and creates nothing before it.
TEST(ResultsFileStream, WritesWhatReopeningWritesAndLeavesRefusedRunsNoTrace) {
  RunRecord run;
  const std::string expected = Written(run, 3);
  {
    TempFile file(".INV", "an earlier run's results\n");
    ResultsFileStream stream;
    std::string reason;
    ASSERT_TRUE(stream.Open(file.path(), &reason)) << reason;
    EXPECT_EQ(file.Read(), "an earlier run's results\n");
    for (int j = 0; j <= 3; ++j) ASSERT_TRUE(run.Append(file.path(), j, &stream));
    EXPECT_EQ(file.Read(), expected) << "each block reaches the file as it is written";
    EXPECT_TRUE(stream.Close());
    EXPECT_EQ(file.Read(), expected);
  }
  TempFile unused(".INV");
  {
    ResultsFileStream stream;
    std::string reason;
    std::filesystem::remove(unused.path());
    ASSERT_TRUE(stream.Open(unused.path(), &reason)) << reason;
  }
  EXPECT_FALSE(std::filesystem::exists(unused.path()));
  ResultsFileStream stream;
  std::string reason;
  EXPECT_FALSE(stream.Open("/nonexistent/directory/run.INV", &reason));
  EXPECT_FALSE(reason.empty());
}

TEST(ReadResultsFile, ReadsBackEveryIterationOfARun) {
  TempFile file(".INV");
  RunRecord run;
  run.errors = 1;
  run.userModel = 1;
  run.settings.dataConstraint = 1;
  run.settings.modelConstraint = 1;
  ASSERT_TRUE(run.Write(file.path(), 3));
  auto read = ReadFile(file.path());
  ASSERT_EQ(read->status, 0);
  const InversionResults& results = *read->results;
  EXPECT_EQ(results.title, "Test sounding");
  EXPECT_EQ(results.arrayType, ArrayType::kWenner);
  EXPECT_EQ(results.pointCount, 6);
  EXPECT_EQ(results.errorsIncluded, 1);
  EXPECT_EQ(results.iterationCount, 3);
  EXPECT_EQ(results.blocksNotStored, 0);
  EXPECT_EQ(results.modelLayerCount, 3);
  EXPECT_EQ(results.dataConstraint, 1);
  EXPECT_EQ(results.modelConstraint, 1);
  EXPECT_EQ(results.userModelAvailable, 1);
  EXPECT_EQ(results.someParametersFixed, 0);
  const LayeredModel& start = results.startingModel;
  ASSERT_EQ(start.layerCount, 3);
  EXPECT_FLOAT_EQ(start.resistivity[1], 35.5f);
  EXPECT_FLOAT_EQ(start.thickness[1], 7.75f);
  EXPECT_FLOAT_EQ(start.depthTop[2], 10.25f);
  // Values come back to the written precision: 3 decimals, misfit 2 for block 0.
  for (int column = 0; column <= 3; ++column) {
    EXPECT_NEAR(results.misfit[column], run.Misfit(column), column == 0 ? 5e-5 : 5e-6) << column;
    const auto model = run.Resistivities(column);
    const auto calculated = run.Calculated(column);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(results.layerResistivity[InversionResults::At(k, column)], model[k], 5e-4);
      if (k < 2) {
        EXPECT_NEAR(
            results.layerThickness[InversionResults::At(k, column)], run.thickness[k], 5e-4);
      }
    }
    for (int p = 0; p < 6; ++p) {
      SCOPED_TRACE(::testing::Message() << "point " << p << " column " << column);
      EXPECT_NEAR(
          results.calculatedResistivity[InversionResults::At(p, column)], calculated[p], 5e-4);
      EXPECT_NEAR(results.spacingA[p], run.a[p], 5e-4);
      EXPECT_NEAR(results.apparentResistivity[p], run.observed[p], 5e-4);
      EXPECT_NEAR(results.resistivityError[p], run.error[p], 5e-4);
    }
  }
  const auto lines = read->listing.TextLines();
  EXPECT_EQ(lines.front().rfind("File length ", 0), 0u);
  for (const std::string& listed :
       Lines("Inversion results present.\nUser Starting model available.\nNo parameters fixed.\n"
             "   110.000      2.500\n   400.000\nInitial model apparent resistivity error 20.00%.\n"
             "Iteration 3 apparent resistivity error 5.00%.\n 6     13.00     40.00      6.00\n")) {
    EXPECT_TRUE(read->listing.Listed(listed)) << listed;
  }
  EXPECT_EQ(lines.back(), "Reading of data file " + file.path() + " completed.");
  EXPECT_EQ(read->listing.beeps, 1);
  EXPECT_TRUE(read->listing.messages.empty());
}

TEST(ReadResultsFile, StoresAtMostTheCapacityAndCountsTheRest) {
  RunRecord run;
  auto read = ReadText(Written(run, kResultsColumns - 1 + 4));
  ASSERT_EQ(read->status, 0);
  const InversionResults& results = *read->results;
  EXPECT_EQ(results.iterationCount, kResultsColumns - 1);
  EXPECT_EQ(results.blocksNotStored, 4);
  const int last = kResultsColumns - 1;
  EXPECT_NEAR(results.misfit[last], run.Misfit(last), 5e-6);
  EXPECT_NEAR(results.layerResistivity[InversionResults::At(0, last)], 110.0f + last, 5e-4);
  EXPECT_TRUE(
      read->listing.Listed("4 further iteration blocks not stored (capacity 25 iterations)."));
  EXPECT_EQ(read->listing.TextLines().back().rfind("Reading of data file ", 0), 0u);
}

// The largest run the writer records (90 Schlumberger points, 30 layers, 25
// iterations, widest numbers) fits the length limit and reads back whole.
TEST(ReadResultsFile, ReadsTheLargestFilesTheWriterProduces) {
  RunRecord run;
  run.arrayType = ArrayType::kSchlumberger;
  run.errors = 1;
  run.a.clear();
  for (int i = 0; i < kMaxDataPoints; ++i) run.a.push_back(1.0f + i);
  run.b.assign(run.a.size(), 0.5f);
  run.observed.assign(run.a.size(), 3e38f);
  run.error.assign(run.a.size(), 3e38f);
  run.thickness.assign(29, 3e38f);
  run.resistivity.assign(30, 50.0f);
  const std::string text = Written(run, kMaxRunIterations);
  EXPECT_GT(text.size(), 100000u);
  EXPECT_LT(static_cast<long>(text.size()), kMaxResultsFileLength);
  auto read = ReadText(text);
  ASSERT_EQ(read->status, 0) << (read->listing.messages.empty() ? ""
                                                                : read->listing.messages[0].text);
  EXPECT_EQ(read->results->pointCount, kMaxDataPoints);
  EXPECT_EQ(read->results->iterationCount, kMaxRunIterations);
  EXPECT_EQ(read->results->blocksNotStored, 0);
}

// A cut inside a block keeps the blocks before it and drops the cut one with
// a message; a cut between blocks is read silently.
TEST(ReadResultsFile, DropsAnIncompleteLastBlockAndSaysSo) {
  const RunRecord run;
  const std::string text = Written(run, 3);
  const size_t third = text.find("Iteration 3");
  struct Cut {
    size_t at;
    int iterations;
    const char* block;
  };
  const std::vector<Cut> cuts = {
      {third + 12, 2, "iteration 3"},                        // after its header
      {text.find(" 4 ", third) + 3, 2, "iteration 3"},       // inside its data
      {text.find("\n 5 ", third), 2, "iteration 3"},         // after a whole value of its data
      {text.find("\n 2 ", third), 2, "iteration 3"},         // after a whole layer line
      {text.size() - 3, 2, "iteration 3"},                   // inside the misfit
      {text.size() - 1, 3, nullptr},                         // only the last line end missing
      {text.find("Type of data"), -1, "the initial model"},  // before its constraint kinds
      {text.find("Initial model resistivity"), -1, "the initial model"},
      {text.find("Iteration 1"), 0, nullptr},         // a file of block 0 alone
      {text.find("Inversion results"), -1, nullptr},  // a file without results
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.at);
    auto read = ReadText(text.substr(0, cut.at));
    ASSERT_EQ(read->status, 0);
    EXPECT_EQ(read->results->iterationCount, std::max(cut.iterations, 0));
    EXPECT_EQ(read->results->modelLayerCount, cut.iterations < 0 ? 0 : 3);
    EXPECT_EQ(read->results->pointCount, 6);
    EXPECT_EQ(read->listing.TextLines().back().rfind("Reading of data file ", 0), 0u);
    if (cut.block == nullptr) {
      EXPECT_TRUE(read->listing.messages.empty());
      EXPECT_EQ(!read->listing.Listed("Inversion results present."), cut.iterations < 0);
      continue;
    }
    ASSERT_EQ(read->listing.messages.size(), 1u);
    EXPECT_NE(read->listing.messages[0].text.find(std::string("(") + cut.block + ") is incomplete"),
              std::string::npos)
        << read->listing.messages[0].text;
    EXPECT_TRUE(read->listing.Listed(std::string(cut.block) + " is incomplete and was dropped."));
  }
}

TEST(ReadResultsFile, KeepsCalculatedValuesWithTheirSpacingsWhenSorting) {
  // A merged Schlumberger set is written level by level, not in ascending a.
  RunRecord run;
  run.arrayType = ArrayType::kSchlumberger;
  run.errors = 1;
  run.a = {1, 2, 4, 3, 6, 12};
  run.b = {0.5f, 0.5f, 0.5f, 2, 2, 2};
  run.observed = {10, 20, 40, 30, 60, 120};
  run.error = {0.1f, 0.2f, 0.4f, 0.3f, 0.6f, 1.2f};
  auto read = ReadText(Written(run, 2));
  ASSERT_EQ(read->status, 0);
  const InversionResults& results = *read->results;
  for (int p = 0; p < 6; ++p) {
    const float a = results.spacingA[p];
    if (p > 0) {
      EXPECT_LT(results.spacingA[p - 1], a);
    }
    EXPECT_FLOAT_EQ(results.apparentResistivity[p], 10.0f * a) << "spacing " << a;
    EXPECT_FLOAT_EQ(results.resistivityError[p], 0.1f * a) << "spacing " << a;
    EXPECT_FLOAT_EQ(results.spacingB[p], a == 3 || a == 6 || a == 12 ? 2.0f : 0.5f);
    for (int column = 0; column <= 2; ++column) {
      EXPECT_FLOAT_EQ(results.calculatedResistivity[InversionResults::At(p, column)],
                      10.0f * a + 0.5f * column)
          << "spacing " << a << " column " << column;
    }
  }
}

// Bad counts and values are refused with the data file's messages; points
// read before a bad layer count stay.
TEST(ReadResultsFile, RefusesBadCountsAndDataWithTheDataFileMessages) {
  const std::string text = Written(RunRecord(), 1);
  auto replace = [&](const std::string& from, const std::string& to) {
    return Replaced(text, from, to);
  };
  auto points = [&](const std::string& count) {
    return replace("Number of data points\n6\n", "Number of data points\n" + count + "\n");
  };
  auto layers = [&](const std::string& count) {
    return replace("Number of model layers\n3\n", "Number of model layers\n" + count + "\n");
  };
  const std::string holds = "The data section holds 12 numbers instead of ";
  const std::string layer_range =
      " model layers.\nThe number of model layers must be between 1 and 90.";
  struct Case {
    std::string text;
    std::string message;
    int points_kept = 0;
    bool prefix = false;
  };
  const Case cases[] = {
      {points("7"), holds + "14!", 0, true},
      {points("5"), holds + "10!", 0, true},
      {points("0"), "Your data set has 0 data points.\nThe minimum number of data points is 1."},
      {points("91"), "Your data set has 91 data points.\nThe maximum number of data points is 90."},
      {replace("     3.000      80.250", "     0.000      80.250"),
       "Data point number 3 has a spacing of 0.00!\nThe electrode spacing must be positive!"},
      {replace("     5.000      61.000", "     5.000     -61.000"),
       "Data point number 4 has a resistivity of -61.00!\nThe apparent resistivity must be "
       "positive!"},
      {layers("0"), "The inversion results have 0" + layer_range, 6},
      {layers("91"), "The inversion results have 91" + layer_range, 6},
  };
  for (const Case& c : cases) {
    auto read = ReadText(c.text);
    ExpectRefused(*read, c.message, c.prefix);
    EXPECT_EQ(read->results->pointCount, c.points_kept) << c.message;
    if (c.points_kept > 0) {
      EXPECT_EQ(read->results->iterationCount, 0);
    }
  }
  // A starting model larger than the model arrays is refused too.
  RunRecord with_model;
  with_model.userModel = 1;
  auto read = ReadText(Replaced(
      Written(with_model, 0), "Number of model layers\n3\n", "Number of model layers\n5000\n"));
  ExpectRefused(*read,
                "The starting model has 5000 layers.\nThe number of model layers must be between "
                "1 and 100.");
  EXPECT_EQ(read->results->startingModel.layerCount, 0);
}

// A value beyond the float range is refused naming its block, never listed.
TEST(ReadResultsFile, RefusesValuesThatAreNotFiniteInAnyBlock) {
  const std::string text = Written(RunRecord(), 2);
  const struct {
    std::string from, to, where;
  } cases[] = {
      {" 1      112.000", " 1      1e39", "Iteration 2"},
      {" 1     110.000", " 1     1e39", "The initial model"},
      {"RMS error\n    10.000", "RMS error\n1e39", "Iteration 1"},
      {"     1.000     100.000", "     1.000     1e39", "Data point number 1"},
  };
  for (const auto& c : cases) {
    auto read = ReadText(Replaced(text, c.from, c.to));
    ExpectRefused(
        *read, c.where + " holds a value out of range!\nEvery number in the file must be finite.");
    for (const std::string& line : read->listing.TextLines()) {
      EXPECT_EQ(line.find("inf"), std::string::npos) << c.where << ": " << line;
    }
  }
}

TEST(ReadResultsFile, RefusesShortAndMissingFiles) {
  auto short_file = ReadText("Title\nWenner\n5\nResistivity\nNo\n");
  ExpectRefused(*short_file, "", true);
  EXPECT_EQ(short_file->listing.beeps, 1);
  auto missing = ReadFile("/nonexistent/run.INV");
  EXPECT_EQ(missing->status, 1);
  EXPECT_TRUE(missing->listing.messages.empty());
  EXPECT_EQ(missing->results->pointCount, 0);
}

}  // namespace
}  // namespace layra
