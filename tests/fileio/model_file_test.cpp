#include "fileio/model_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "state/text_format.h"
#include "tests/fileio/temp_file.h"
#include "tests/support/recording_sink.h"

namespace layra {
namespace {

using testing::RecordingSink;
using testing::TempFile;

// A model file with the given type line, layer section, spacing section
// (from the spacing count on) and array type line.
std::string ModelText(const std::string& type_line,
                      int layers,
                      const std::string& layer_values,
                      const std::string& spacing_section,
                      const std::string& array_line = "Wenner") {
  return "Test model\nNumber of layers\n" + std::to_string(layers) + "\nType of model\n" +
         type_line + "\nLayers\n" + layer_values + "\nNumber of spacings\n" + spacing_section +
         "\nArray type\n" + array_line + "\n";
}

struct ReadOutcome {
  int status = -1;
  std::unique_ptr<ForwardModel> model = std::make_unique<ForwardModel>();
  RecordingSink listing;
};

std::unique_ptr<ReadOutcome> Read(const std::string& text) {
  auto outcome = std::make_unique<ReadOutcome>();
  TempFile file(".mod", text);
  outcome->status = ReadModelFile(file.path(), *outcome->model, outcome->listing);
  return outcome;
}

// A resistivity model file of `layers` layers without spacings.
std::string Resistivity(int layers, const std::string& values) {
  return ModelText("Resistivity model", layers, values, "0");
}

// A two-layer spectral IP model file with the given spacing section.
std::string Sip(const std::string& values, const std::string& spacings = "0") {
  return ModelText("Frequency domain SIP model", 2, values, spacings);
}

// The read was refused with the one message `text` and keeps no model.
void ExpectRefused(const ReadOutcome& read, const std::string& text) {
  EXPECT_EQ(read.status, 1) << text;
  ASSERT_EQ(read.listing.messages.size(), 1u) << text;
  EXPECT_EQ(read.listing.messages[0].text, text);
  EXPECT_EQ(read.listing.messages[0].caption, "File Format Error");
  EXPECT_EQ(read.model->model.layerCount, 0) << text;
}

std::vector<float> Spacings(const ForwardModel& model) {
  return std::vector<float>(model.spacings.begin(), model.spacings.begin() + model.spacingCount);
}

TEST(ReadModelFile, GeneratesSpacingsBelowTheDeepestInterface) {
  auto read = Read(Resistivity(2, "10 100\n 20"));
  ASSERT_EQ(read->status, 0);
  const ForwardModel& model = *read->model;
  ASSERT_EQ(model.spacingCount, 4) << "11.6 is not below the depth of 10";
  const float expected[] = {2.5f, 3.67f, 5.39f, 7.91f};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(model.spacings[i], expected[i], 0.005f) << i;
  // Generated spacings are not listed.
  for (const std::string& line : read->listing.TextLines()) {
    EXPECT_EQ(line.find("Number of spacings"), std::string::npos);
  }
}

TEST(ReadModelFile, GeneratesTwentyFourFrequenciesFromTheLongestTimeConstant) {
  auto read = Read(
      Sip("10 100 0.1 0.01 0.5\n 50 0.2 0.1 0.3", "3\nSpacings\n1 2 4\nNumber of frequencies\n0"));
  ASSERT_EQ(read->status, 0);
  const ForwardModel& model = *read->model;
  EXPECT_EQ(model.modelKind, DataKind::kSip);
  ASSERT_EQ(model.frequencyCount, kGeneratedFrequencyCount);
  EXPECT_FLOAT_EQ(model.frequencies[0], 1.0f);
  EXPECT_NEAR(model.frequencies[23], 6813.0f, 1.0f);
}

// Non-polarisable layers may have time constant 0; with none polarisable the
// generated frequencies stay finite.
TEST(ReadModelFile, AcceptsNonPolarisableLayersWithTimeConstantZero) {
  for (const std::string& layers : {std::string("10 100 0 0 0.5\n 50 0.2 0.1 0.3"),
                                    std::string("10 100 0 0 0.5\n 50 0 0 0.3")}) {
    auto read = Read(Sip(layers, "0\nNumber of frequencies\n0"));
    ASSERT_EQ(read->status, 0) << layers;
    EXPECT_TRUE(read->listing.messages.empty());
    const ForwardModel& model = *read->model;
    EXPECT_FLOAT_EQ(model.model.timeConstant[0], 0.0f);
    ASSERT_EQ(model.frequencyCount, kGeneratedFrequencyCount);
    EXPECT_TRUE(std::isfinite(model.frequencies[kGeneratedFrequencyCount - 1])) << layers;
    EXPECT_GT(model.frequencies[0], 0.0f);
  }
}

TEST(ReadModelFile, KeepsSixtyFourSpacingsAndStillReadsTheArrayType) {
  std::string values;
  for (int i = 1; i <= 70; ++i) values += std::to_string(i) + (i % 10 == 0 ? "\n" : " ");
  auto read =
      Read(ModelText("Resistivity model", 2, "10 100\n 20", "70\nSpacings\n" + values, "S"));
  ASSERT_EQ(read->status, 0);
  const ForwardModel& model = *read->model;
  ASSERT_EQ(model.spacingCount, 64);
  EXPECT_FLOAT_EQ(model.spacings[63], 64.0f);
  EXPECT_EQ(model.arrayType, ArrayType::kSchlumberger) << "the 6 extra values are read over";
  EXPECT_TRUE(read->listing.Listed("Number of spacings is 70"));
  EXPECT_TRUE(read->listing.Listed("64     64.000"));
  EXPECT_FALSE(read->listing.Listed("65     65.000"));
}

TEST(ClassifyModelTypeLine, FollowsTheOrderOfTheTests) {
  struct Case {
    const char* line;
    bool known;
    DataKind kind;
  };
  const Case cases[] = {
      {"Resistivity model", true, DataKind::kResistivity},
      {"Resistivity and IP model", true, DataKind::kResistivity},  // the R comes first
      {"aR", true, DataKind::kResistivity},
      {"ip", true, DataKind::kIp},
      {"SIP model", true, DataKind::kIp},  // second character I
      {"xxI", true, DataKind::kIp},
      {"FRI", true, DataKind::kIp},  // F skips the R test
      {"Frequency domain SIP model", true, DataKind::kSip},
      {"Sounding with IP", true, DataKind::kSip},  // S first, no R or I in three
      {"xs", true, DataKind::kSip},
      {"Chargeability", false, DataKind::kResistivity},
      {"", false, DataKind::kResistivity},
      {"xxS", false, DataKind::kResistivity},
  };
  for (const Case& test : cases) {
    DataKind kind = DataKind::kResistivity;
    EXPECT_EQ(ClassifyModelTypeLine(test.line, kind), test.known) << test.line;
    if (test.known) {
      EXPECT_EQ(kind, test.kind) << test.line;
    }
  }
}

// Spacings given out of order are listed as read and sorted.
TEST(ReadModelFile, SortsSpacingsAndTakesSchlumbergerOnlyForAnS) {
  const std::pair<std::string, ArrayType> cases[] = {
      {"S", ArrayType::kSchlumberger},
      {"schlumberger", ArrayType::kSchlumberger},
      {"W", ArrayType::kWenner},
      {"Dipole", ArrayType::kWenner},
  };
  for (const auto& [line, type] : cases) {
    auto read =
        Read(ModelText("Resistivity model", 2, "10 100\n 20", "4\nSpacings\n8 1 4 2", line));
    ASSERT_EQ(read->status, 0) << line;
    EXPECT_EQ(read->model->arrayType, type) << line;
    EXPECT_EQ(Spacings(*read->model), (std::vector<float>{1, 2, 4, 8}));
    EXPECT_TRUE(read->listing.Listed(" 1      8.000")) << "listed as read";
    EXPECT_TRUE(read->listing.Listed("Spacings sorted into ascending order."));
  }
  // A file that ends before the array type line.
  auto read = Read(
      "Test model ending early\nNumber of layers\n2\nType\nResistivity\nLayers\n10 100 20\n"
      "Spacings\n2\nlabel\n1 2\n");
  ASSERT_EQ(read->status, 0);
  EXPECT_EQ(read->model->arrayType, ArrayType::kWenner);
  EXPECT_TRUE(read->listing.Listed("Wenner array"));
}

TEST(ReadModelFile, ChargeabilitiesAboveZeroPointNineNineAreThousandths) {
  auto read = Read(ModelText("IP model", 3, "5 100 30\n 10 50 0.99\n 200 1.0", "0"));
  ASSERT_EQ(read->status, 0);
  const auto& chargeability = read->model->model.chargeability;
  EXPECT_FLOAT_EQ(chargeability[0], 0.03f);
  EXPECT_FLOAT_EQ(chargeability[1], 0.99f);
  EXPECT_FLOAT_EQ(chargeability[2], 0.001f);
  EXPECT_TRUE(read->listing.Listed(" 1      5.00    100.00       0.03"));
}

TEST(ReadModelFile, ListsLayersDepthsAndTheFinalLine) {
  auto read = Read(ModelText("Frequency domain SIP model",
                             3,
                             "5 150 0.02 0.001 0.5\n 20 60 25 0.1 0.3\n 300 0.05 0.01 0.6",
                             "2\nSpacings\n1.5 3\nFrequencies\n2\n0.1 10"));
  ASSERT_EQ(read->status, 0);
  const ForwardModel& model = *read->model;
  EXPECT_EQ(model.model.layerCount, 3);
  EXPECT_FLOAT_EQ(model.model.depthTop[2], 25.0f);
  EXPECT_FLOAT_EQ(model.model.timeConstant[2], 0.01f);
  EXPECT_EQ(model.frequencyCount, 2);
  const std::vector<std::string> expected = testing::Lines(
      "Test model\nNumber of layers is 3.\nFrequency domain SIP model\n"
      "No.   Thick    Resis.        IP        Tau         C\n"
      " 1      5.00    150.00       0.02       0.00      0.50\n"
      " 2     20.00     60.00       0.03       0.10      0.30\n"
      " 3                 300.00       0.05       0.01      0.60\n"
      "Number of spacings is  2\n 1      1.500\n 2      3.000\n"
      "Number of frequencies is  2\n 1      0.100\n 2     10.000\nWenner array\n");
  const auto lines = read->listing.TextLines();
  ASSERT_EQ(lines.size(), expected.size() + 1);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << i;
  EXPECT_EQ(lines.back().rfind("Reading of data file ", 0), 0u);
  EXPECT_NE(lines.back().find(".mod completed."), std::string::npos);
  // One empty line before the last one.
  const auto& all = read->listing.lines;
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2], "");  // one empty line before the last
  EXPECT_EQ(read->listing.beeps, 1);
  EXPECT_TRUE(read->listing.messages.empty());
}

TEST(ReadModelFile, ResistivityModelClearsValuesOfAPreviousModel) {
  auto outcome = std::make_unique<ReadOutcome>();
  TempFile sip(".mod",
               Sip("5 150 0.2 0.5 0.5\n 300 0.3 0.5 0.6", "2\nSpacings\n1 2\nFrequencies\n0"));
  TempFile plain(".mod", ModelText("Resistivity model", 2, "5 150\n 300", "2\nSpacings\n1 2"));
  ForwardModel& model = *outcome->model;
  ASSERT_EQ(ReadModelFile(sip.path(), model, outcome->listing), 0);
  ASSERT_EQ(ReadModelFile(plain.path(), model, outcome->listing), 0);
  EXPECT_EQ(model.modelKind, DataKind::kResistivity);
  EXPECT_EQ(model.frequencyCount, 0);
  EXPECT_EQ(model.model.chargeability[0], 0.0f);
  EXPECT_EQ(model.model.timeConstant[1], 0.0f);
}

// Values the engine cannot use are refused naming them; nothing is kept.
TEST(ReadModelFile, RefusesValuesTheEngineCannotUse) {
  const std::string good = "5 100 0.1 0.1 0.5\n 20 0.1 0.1 0.5";
  auto exponent = [](const char* value) {
    return StrFormat(
        "Layer %c has an exponent of %s!\nThe Cole-Cole exponent must be above 0 and "
        "at most 1!",
        value[0] == '0' ? '1' : '2',
        value);
  };
  const std::pair<std::string, std::string> cases[] = {
      {ModelText("Chargeability", 2, "10 100\n 20", "0"),
       "Error in format for type\nof model which is given as\nChargeability."},
      {Resistivity(3, "5 100\n 0 50\n 20"),
       "Layer 2 has a thickness of 0.00!\nThe thickness must be positive!"},
      {Resistivity(2, "5 100\n 0"),
       "Layer 2 has a resistivity of 0.00!\nThe resistivity must be positive!"},
      {Resistivity(2, "5 1e40\n 20"),
       "Layer 1 has a resistivity of a value out of range!\nThe resistivity must be a finite "
       "number!"},
      {ModelText("IP model", 2, "5 100 1500\n 20 0.1", "0"),
       "Layer 1 has a chargeability of 1500.000!\nThe chargeability must be below 1\n"
       "(below 1000 when given in thousandths)!"},
      {Sip("5 100 0.1 0 0.5\n 20 0.1 0.1 0.5"),
       "Layer 1 has a time constant of 0!\nThe time constant must be positive!"},
      {Sip("5 100 0.1 0.1 0.5\n 20 0.1 0.1 1e99"),
       "Layer 2 has an exponent of a value out of range!\nThe exponent must be a finite number!"},
      {Sip("5 100 0.1 0.1 0\n 20 0.1 0.1 0.5"), exponent("0")},
      {Sip("5 100 0.1 0.1 0.5\n 20 0.1 0.1 1.01"), exponent("1.01")},
      {Sip("5 100 0.1 1e-37 0.5\n 20 0.1 0.1 0.5"),
       "Layer 1 has a time constant of 1e-37!\nThe time constant must be between 1e-06 and "
       "10000 s!"},
      {Sip("5 100 0.1 0.1 0.5\n 20 0.1 2e4 0.5"),
       "Layer 2 has a time constant of 20000!\nThe time constant must be between 1e-06 and "
       "10000 s!"},
      {Sip(good, "2\nSpacings\n1 2\nF\n2\n10 2e9"),
       "Frequency 2 has a value of 2e+09!\nThe frequency must be between 1e-06 and 1e+09 Hz!"},
      {Sip(good, "2\nSpacings\n1 2\nF\n2\n10 0"),
       "Frequency 2 has a value of 0!\nThe frequency must be positive!"},
      {ModelText("Resistivity model", 2, "5 100\n 20", "3\nSpacings\n1 -2 4"),
       "Spacing 2 has a value of -2.000!\nThe electrode spacing must be positive!"},
      {ModelText("Resistivity model", 2, "5 100\n 20", "3\nSpacings\n1 2"),
       "Spacing 3 has a value of 0.000!\nThe electrode spacing must be positive!"},
  };
  for (const auto& [text, message] : cases) {
    auto read = Read(text);
    ExpectRefused(*read, message);
    EXPECT_EQ(read->model->spacingCount, 0) << message;
    EXPECT_EQ(read->model->frequencyCount, 0) << message;
    for (const std::string& line : read->listing.TextLines()) {
      EXPECT_EQ(line.find("inf"), std::string::npos) << "listed: " << line;
    }
  }
}

TEST(ReadModelFile, RefusesLayerCountsOutsideTwoToTwentyWithTheCount) {
  for (int layers : {1, 21}) {
    auto read = Read(Resistivity(layers, "10 100\n 20"));
    ExpectRefused(
        *read,
        StrFormat("Your model has %d layers.\nThe number of layers must be between 2 and 20.",
                  layers));
    EXPECT_TRUE(read->listing.Listed("Number of layers is " + std::to_string(layers) + "."));
  }
  std::string layers;
  for (int k = 0; k < 19; ++k) layers += "1 10\n";
  auto twenty = Read(Resistivity(20, layers + "10"));
  EXPECT_EQ(twenty->status, 0);
  EXPECT_FLOAT_EQ(twenty->model->model.depthTop[19], 19.0f);
}

TEST(ReadModelFile, RefusesShortAndMissingFiles) {
  auto short_file = Read("Title\n2\nResistivity\n10 100 20\n0\nW\n");  // 38 bytes
  ExpectRefused(
      *short_file,
      "Please check the format of this file with\n a text editor!. It does not follow the "
      "format this\nprogram requires.");
  EXPECT_EQ(short_file->listing.beeps, 1);

  ReadOutcome missing;
  missing.model->model.layerCount = 5;
  EXPECT_EQ(ReadModelFile("/nonexistent/dir/model.mod", *missing.model, missing.listing), 1);
  EXPECT_TRUE(missing.listing.messages.empty());
  EXPECT_EQ(missing.model->model.layerCount, 0);
}

}  // namespace
}  // namespace layra
