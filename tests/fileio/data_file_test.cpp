#include "fileio/data_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fileio/datum_levels.h"
#include "state/text_format.h"
#include "tests/fileio/temp_file.h"

namespace layra {
namespace {

using testing::RecordingSink;

constexpr char kFormat[] = "File Format Error";

// The header lines of a data file up to and including the data type.
std::string Header(const std::string& array, int points, const std::string& kind) {
  return "Test sounding\nArray type (Wenner or Schlumberger)\n" + array +
         "\nNumber of data points\n" + std::to_string(points) + "\nData type\n" + kind + "\n";
}

std::string Errors(bool yes) {
  return std::string("Error in measurements inluded (Yes,No)\n") + (yes ? "Yes" : "No") +
         "\nData section\n";
}

const std::string kNoModel = "User Starting Model Available (Yes/No)\nNo\n";
const std::string kIpSection = "Chargeability\nmsec\n0.1,1.0\n";
const std::string kIpPoints = "1 1 1 2 2 2 3 3 3 4 4 4 5 5 5\n";

// Wenner resistivity points a = 1..count, rho = 100 + a.
std::string WennerPoints(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += StrFormat("%d %d\n", i, 100 + i);
  return text;
}

// A resistivity file without errors or starting model.
std::string Plain(const std::string& points, int count = 5, const std::string& array = "W") {
  return Header(array, count, "R") + Errors(false) + points + kNoModel;
}

std::string IpFile(const std::string& section, const std::string& points = kIpPoints) {
  return Header("W", 5, "I") + section + Errors(false) + points + kNoModel;
}

std::string SipSection(const std::vector<double>& frequencies, const std::string& form) {
  std::string text = "Frequency domian\nNumber of frequencies\n" +
                     std::to_string(frequencies.size()) + "\nFrequency values\n";
  for (double f : frequencies) text += StrFormat("%.4f\n", f);
  return text + "Type of SIP data (Amplitude-Phase,Inphase-Outphase)\n" + form + "\n";
}

std::string SipFile(const std::string& array,
                    int count,
                    const std::vector<double>& frequencies,
                    const std::string& form,
                    const std::string& points) {
  return Header(array, count, "SIP data") + SipSection(frequencies, form) + Errors(false) + points +
         kNoModel;
}

std::string ModelFile(const std::string& kind_and_section,
                      const std::string& points,
                      const std::string& layers_and_limit) {
  return Header("W", 5, kind_and_section) + Errors(false) + points +
         "User Starting Model Available (Yes/No)\nYes\nFix Parameters (Yes/No)\nyes\n"
         "Number of model layers\n" +
         layers_and_limit;
}

// A resistivity file whose starting model section is `layers_and_limit`.
std::string WithModel(const std::string& layers_and_limit) {
  return ModelFile("R", WennerPoints(5), layers_and_limit);
}

// The first values of `column` are `expected`: exactly, or to 4 ulps when `near`.
template <typename Column>
void ExpectFirst(const Column& column, const std::vector<float>& expected, bool near = false) {
  for (size_t i = 0; i < expected.size(); ++i) {
    if (near) {
      EXPECT_FLOAT_EQ(column[i], expected[i]) << "point " << i;
    } else {
      EXPECT_EQ(column[i], expected[i]) << "point " << i;
    }
  }
}

class DataFileTest : public ::testing::Test {
 protected:
  int Read(const std::string& contents) {
    path_ = ::testing::TempDir() + "datafile_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat";
    std::ofstream(path_, std::ios::binary) << contents;
    host_ = RecordingSink();
    return ReadDataFile(path_, *state_, host_);
  }
  std::vector<std::string> Lines() const { return host_.TextLines(); }
  bool Listed(const std::string& line) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  void ExpectRefusedWith(const std::string& text, const std::string& caption = kFormat) {
    EXPECT_EQ(state_->data.pointCount, 0);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text, text);
    EXPECT_EQ(host_.messages[0].caption, caption);
    EXPECT_EQ(host_.messages[0].icon, MessageIcon::kExclamation);
  }

  std::unique_ptr<SoundingFile> state_ = std::make_unique<SoundingFile>();
  RecordingSink host_;  // the listing, messages and beeps
  std::string path_;
};

TEST_F(DataFileTest, AcceptsFiveToNinetyPointsAndFourToTwentyFrequencies) {
  for (int count : {4, 5, 90, 91}) {
    const bool inside = count == 5 || count == 90;
    EXPECT_EQ(Read(Plain(WennerPoints(count), count)), inside ? 0 : 1) << count;
    if (inside) {
      EXPECT_EQ(state_->data.pointCount, count);
      EXPECT_EQ(state_->data.pointCountAsRead, count);
      EXPECT_TRUE(host_.messages.empty()) << count;
    } else {
      ExpectRefusedWith(
          StrFormat("Your data set has %d data points.\nThe %s number of data points is %d.",
                    count,
                    count < 5 ? "minimum" : "maximum",
                    count < 5 ? 5 : 90));
    }
  }
  for (int count : {3, 4, 20, 21}) {
    std::vector<double> frequencies;
    for (int f = 0; f < count; ++f) frequencies.push_back(0.1 * (f + 1));
    std::string points;
    for (int i = 1; i <= 5; ++i) {
      points += StrFormat("%d 100", i);
      for (int f = 0; f < count; ++f) points += " 99 5";
      points += "\n";
    }
    const bool inside = count == 4 || count == 20;
    EXPECT_EQ(Read(SipFile("W", 5, frequencies, "Amplitude-Phase", points)), inside ? 0 : 1)
        << count;
    if (inside) {
      EXPECT_EQ(state_->data.frequencyCount, count);
      EXPECT_TRUE(host_.messages.empty()) << count;
    } else {
      ExpectRefusedWith(
          StrFormat("Your data set has %d frequencies.\nIt must be between 4 and 20.", count));
    }
  }
}

TEST_F(DataFileTest, SortsDescendingWennerPointsWithEveryValueMovingAlong) {
  std::string points =
      "40 400 4 0.4 14\n"
      "30 300 3 0.3 13\n"
      "20 200 2 0.2 12\n"
      "10 100 1 0.1 11\n"
      "5 50 0.5 0.05 10.5\n";
  ASSERT_EQ(Read(Header("Wenner", 5, "IP data") + kIpSection + Errors(true) + points + kNoModel),
            0);
  const SoundingData& data = state_->data;
  ExpectFirst(data.spacingA, {5, 10, 20, 30, 40});
  ExpectFirst(data.apparentResistivity, {50, 100, 200, 300, 400});
  ExpectFirst(data.resistivityError, {0.5f, 1, 2, 3, 4}, true);
  ExpectFirst(data.ipValue, {0.05f, 0.1f, 0.2f, 0.3f, 0.4f}, true);
  ExpectFirst(data.ipError, {10.5f, 11, 12, 13, 14}, true);
  // Listed in file order.
  const auto lines = Lines();
  const auto first = std::find(lines.begin(), lines.end(), "No.   Spac.  App. Res.   App. I.P.");
  ASSERT_NE(first, lines.end());
  EXPECT_EQ(*(first + 1), " 1     40.00    400.00      4.00      0.40     14.00");
  EXPECT_EQ(*(first + 5), " 5      5.00     50.00      0.50      0.05     10.50");
}

TEST_F(DataFileTest, SipValuesAndDerivedIpMoveWithTheirPoints) {
  std::string points;
  // Points in descending spacing; point with spacing s has rho 10*s and
  // amplitudes 10*s - f - 1 at frequency f, phases s + f.
  for (int s : {50, 40, 30, 20, 10}) {
    points += StrFormat("%d %d", s, 10 * s);
    for (int f = 0; f < 4; ++f) points += StrFormat(" %d %d", 10 * s - f - 1, s + f);
    points += "\n";
  }
  ASSERT_EQ(Read(Header("W", 5, "sip") + SipSection({1, 2, 4, 8}, "amplitude") + Errors(false) +
                 points + kNoModel),
            0);
  const SoundingData& data = state_->data;
  EXPECT_EQ(data.dataKind, DataKind::kSip);
  EXPECT_EQ(data.sipForm, SipForm::kAmplitudePhase);
  for (int i = 0; i < 5; ++i) {
    int s = 10 * (i + 1);
    EXPECT_EQ(data.spacingA[i], s);
    for (int f = 0; f < 4; ++f) {
      EXPECT_EQ(data.sipValue1[i * 4 + f], 10 * s - f - 1) << i << "," << f;
      EXPECT_EQ(data.sipValue2[i * 4 + f], s + f) << i << "," << f;
    }
    // The largest relative drop is at the last frequency: 4 / (10 s).
    EXPECT_FLOAT_EQ(data.ipValue[i], 4.0f / (10 * s)) << i;
    EXPECT_EQ(data.ipError[i], 0.0f);
  }
  EXPECT_TRUE(Listed(" 1     50.00    500.00      0.01    496.00    53.000"));
}

// Two datum levels b = 1 and b = 5 sharing the spacings 10 and 15, where the
// second level reads twice the resistivity of the first.
std::string TwoLevelFile(bool overlapping) {
  const std::string shared =
      overlapping ? "10 5 140 6\n20 5 120 8\n15 5 120 7\n" : "18 5 140 6\n20 5 120 8\n25 5 120 7\n";
  return Header("Schlumberger", 10, "Resistivity") + Errors(true) +
         "2 1 100 1\n4 1 90 2\n6 1 80 3\n10 1 70 4\n15 1 60 5\n40 5 100 10\n" + shared +
         "30 5 110 9\n" + kNoModel;
}

TEST_F(DataFileTest, MergesOverlappingSchlumbergerLevels) {
  ASSERT_EQ(Read(TwoLevelFile(true)), 0);
  const SoundingData& data = state_->data;
  EXPECT_EQ(data.pointCountAsRead, 10);
  EXPECT_EQ(data.pointCount, 8);
  EXPECT_EQ(data.datumLevelCount, 2);
  EXPECT_EQ(data.pointsPerLevel[0], 5);
  EXPECT_EQ(data.pointsPerLevel[1], 5);
  EXPECT_EQ(data.overlapCount[0], 2);
  EXPECT_FLOAT_EQ(data.levelShiftFactor[0], 0.5f);
  ExpectFirst(data.spacingA, {2, 4, 6, 10, 15, 20, 30, 40});
  ExpectFirst(data.spacingB, {1, 1, 1, 1, 1, 5, 5, 5});
  ExpectFirst(data.apparentResistivity, {100, 90, 80, 70, 60, 60, 55, 50}, true);
  ExpectFirst(data.resistivityError, {1, 2, 3, 4, 5, 8, 9, 10}, true);
  // Each kept point's level and the factor its resistivity was scaled by.
  const std::vector<PointLevel> levels = PointLevels(data);
  ASSERT_EQ(levels.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(levels[i].level, i < 5 ? 1 : 2) << i;
    EXPECT_FLOAT_EQ(levels[i].factor, i < 5 ? 1.0f : 0.5f) << i;
  }
  // The readings of each segment as read, the coincident ones included.
  const std::vector<MeasuredSegment> segments = MeasuredSegments(data);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_EQ(segments[1].mn, 5.0f);
  EXPECT_EQ(segments[0].spacing, (std::vector<float>{2, 4, 6, 10, 15}));
  EXPECT_EQ(segments[1].spacing, (std::vector<float>{10, 15, 20, 30, 40}));
  EXPECT_EQ(segments[1].resistivity, (std::vector<float>{140, 120, 120, 110, 100}));

  // Levels that share no spacing are kept whole and unscaled.
  ASSERT_EQ(Read(TwoLevelFile(false)), 0);
  EXPECT_EQ(data.pointCount, 10);
  EXPECT_EQ(data.overlapCount[0], 0);
  EXPECT_EQ(data.levelShiftFactor[0], 1.0f);
  ExpectFirst(data.spacingA, {2, 4, 6, 10, 15, 18, 20, 25, 30, 40});
  ExpectFirst(data.apparentResistivity, {100, 90, 80, 70, 60, 140, 120, 120, 110, 100});
}

TEST_F(DataFileTest, SipValuesFollowTheirPointsThroughTheMerge) {
  // Point with spacing a carries the pairs (a, a + 0.5) at every frequency;
  // level b = 2 repeats a = 4 and reads twice as high.
  std::string points;
  for (auto [a, b, rho] :
       {std::tuple{8, 2, 160}, {1, 1, 10}, {4, 2, 80}, {2, 1, 20}, {4, 1, 40}, {16, 2, 320}}) {
    points += StrFormat("%d %d %d", a, b, rho);
    for (int f = 0; f < 4; ++f) points += StrFormat(" %d %d.5", a, a);
    points += "\n";
  }
  ASSERT_EQ(Read(SipFile("S", 6, {1, 2, 4, 8}, "In-phase", points)), 0);
  const SoundingData& data = state_->data;
  ASSERT_EQ(data.pointCount, 5);
  ExpectFirst(data.spacingA, {1, 2, 4, 8, 16});
  ExpectFirst(data.apparentResistivity, {10, 20, 40, 80, 160}, true);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(data.sipValue1[i], data.spacingA[i / 4]) << i;
    EXPECT_EQ(data.sipValue2[i], data.spacingA[i / 4] + 0.5f) << i;
  }
}

TEST_F(DataFileTest, AnswerAndDataTypeLinesAreJudgedByTheirFirstCharacter) {
  // Blank and all-blank answer lines are passed over: the next line answers.
  for (const std::string answer : {"yes", "\n   \r\n Yes", "No", "x"}) {
    const bool yes = answer.find_first_of("yY") != std::string::npos;
    ASSERT_EQ(Read(Header("W", 5, "R") + "Errors\n" + answer + "\nData\n" +
                   (yes ? "1 1 0 2 2 0 3 3 0 4 4 0 5 5 0\n" : WennerPoints(5)) + kNoModel),
              0);
    EXPECT_EQ(state_->data.errorsIncluded, yes ? 1 : 0) << answer;
  }
  for (const char* line : {"Resistivity", "2", "ip"}) {
    const bool ip = line[0] == 'I' || line[0] == 'i';
    ASSERT_EQ(Read(Header("W", 5, line) + (ip ? kIpSection : "") + Errors(false) +
                   (ip ? kIpPoints : WennerPoints(5)) + kNoModel),
              0)
        << line;
    EXPECT_EQ(state_->data.dataKind, ip ? DataKind::kIp : DataKind::kResistivity) << line;
    EXPECT_EQ(Lines()[3], line);
  }
}

TEST_F(DataFileTest, ClassifiesTheIpQuantity) {
  const std::string terms = "IP values given in terms of ";
  const std::tuple<const char*, IpQuantity, std::string> cases[] = {
      {"Chargeability", IpQuantity::kChargeability, "chargeability"},
      {"Metal factor", IpQuantity::kMetalFactor, "metal factor"},
      {"Phase", IpQuantity::kPhaseAngle, "Phase Angle"},
      {"PFE", IpQuantity::kPercentFrequencyEffect, "Percent Frequency Effect"}};
  for (const auto& [text, quantity, listed] : cases) {
    ASSERT_EQ(Read(IpFile(std::string(text) + "\nunit\n0.1,1.0\n")), 0) << text;
    EXPECT_EQ(state_->data.ipQuantity, quantity) << text;
    EXPECT_EQ(state_->data.ipQuantityText, text);
    EXPECT_EQ(state_->data.ipUnitText, "unit");
    EXPECT_EQ(Lines()[4], terms + listed);
  }
  // Percent frequency effect reads its two frequencies; other quantities
  // take any window (the refusals are with the other refusals below).
  ASSERT_EQ(Read(IpFile("PFE\npercent\n0.1,1.0\n")), 0);
  EXPECT_FLOAT_EQ(state_->data.ipParameter1, 0.1f);
  EXPECT_FLOAT_EQ(state_->data.ipParameter2, 1.0f);
  EXPECT_EQ(Read(IpFile("Chargeability\nmsec\n1.0,0.1\n")), 0);
}

TEST_F(DataFileTest, ReadsTheStartingModelAndConvergenceLimit) {
  ASSERT_EQ(Read(ModelFile("IP\nChargeability\nmsec\n0.1,1.0",
                           "1 1 25 2 2 25 3 3 25 4 4 25 5 5 25\n",
                           "3\nModel Parameters\n100 25 2\n50 0.5 8\n200 0.95\n"
                           "Convergence limit\n0.05\n")),
            0);
  const LayeredModel& model = state_->startingModel;
  EXPECT_EQ(state_->userModelAvailable, 1);
  EXPECT_EQ(state_->someParametersFixed, 1);
  EXPECT_EQ(model.layerCount, 3);
  ExpectFirst(model.chargeability, {0.025f, 0.5f, 0.95f}, true);
  ExpectFirst(model.resistivity, {100, 50, 200});
  ExpectFirst(model.thickness, {2, 8});
  ExpectFirst(model.depthTop, {0, 2, 10});
  // Limits below 0.1 % are raised to it.
  EXPECT_FLOAT_EQ(state_->convergenceLimit, 0.001f);

  ASSERT_EQ(Read(WithModel("2\nP\n100 5\n10\nLimit\n2\n")), 0);
  EXPECT_FLOAT_EQ(state_->convergenceLimit, 0.02f);

  // The full layer capacity.
  std::string hundred = "100\nP\n";
  for (int k = 0; k < 99; ++k) hundred += "100 1\n";
  ASSERT_EQ(Read(WithModel(hundred + "50\nLimit\n2\n")), 0);
  EXPECT_EQ(state_->startingModel.layerCount, 100);
  EXPECT_FLOAT_EQ(state_->startingModel.depthTop[99], 99.0f);

  // A file without a model read over one with a model keeps nothing of it.
  ASSERT_EQ(Read(Plain(WennerPoints(5))), 0);
  EXPECT_EQ(state_->userModelAvailable, 0);
  EXPECT_EQ(state_->someParametersFixed, 0);
  EXPECT_EQ(state_->startingModel.layerCount, 0);
  EXPECT_EQ(state_->convergenceLimit, 0.0f);
}

TEST_F(DataFileTest, ListsEveryLineInOrder) {
  ASSERT_EQ(Read("  Title with blanks   \n" + std::string("Array\nw\nNumber\n5\nData type\nIP\n") +
                 kIpSection + Errors(true) +
                 "1 100 2 10 1\n2 90 2 11 1\n3 80 2 12 1\n4 70 2 13 1\n5 60 2 14 1\n"
                 "Starting model\nYes\nFix\nNo\nLayers\n2\nParams\n100 30 4\n60 0.2\nLimit\n2\n"),
            0);
  const std::vector<std::string> expected = testing::Lines(
      "Title with blanks\nWenner array\nNumber of datum points is 5\nIP\n"
      "IP values given in terms of chargeability\nI.P. data\nError in measurements included\n"
      "No.   Spac.  App. Res.   App. I.P.\n"
      " 1      1.00    100.00      2.00     10.00      1.00\n"
      " 2      2.00     90.00      2.00     11.00      1.00\n"
      " 3      3.00     80.00      2.00     12.00      1.00\n"
      " 4      4.00     70.00      2.00     13.00      1.00\n"
      " 5      5.00     60.00      2.00     14.00      1.00\n"
      "Starting model\nYes\nUser Starting model available.\nNo parameters fixed.\n"
      "Number of model layers is 2.\nResistivity    I.P.    Thickness\n"
      "    100.000       0.030       4.000\n     60.000       0.200\n"
      "Convergence limit is 2.00%\nReading of data file " +
      path_ + " completed.\n");
  EXPECT_EQ(Lines(), expected);
  // One empty line before the closing line.
  ASSERT_GE(host_.lines.size(), 2u);
  EXPECT_EQ(host_.lines[host_.lines.size() - 2], "");
  EXPECT_EQ(host_.beeps, 1);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(state_->data.title, "Title with blanks");
  EXPECT_EQ(state_->data.dataFileName, path_);
}

TEST_F(DataFileTest, ListsSchlumbergerSipHeaderFrequenciesAndPoints) {
  std::string points;
  for (int i = 1; i <= 5; ++i) points += StrFormat("%d 0.5 100 90 2 95 3 80 4 85 5\n", i);
  ASSERT_EQ(Read(SipFile("S", 5, {0.5, 2, 8, 32.125}, "Inphase-Outphase", points)), 0);
  const auto lines = Lines();
  ASSERT_GE(lines.size(), 14u);
  EXPECT_EQ(lines[1], "Schlumberger array");
  const auto expected = testing::Lines(
      "Spectral IP data with 4 frequencies\n 1     0.5000\n 2     2.0000\n 3     8.0000\n"
      " 4    32.1250\nIn-phase and out-phase data\nError in measurements not available.\n"
      "No.   a Spac.   b Spac.  App. Res.\n"
      " 1      1.00    100.00      0.20     85.00     5.000\n");
  for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(lines[4 + k], expected[k]) << k;
  EXPECT_EQ(state_->data.sipForm, SipForm::kInphaseOutphase);
}

// Unusable values are refused naming them; nothing of the file stays.
TEST_F(DataFileTest, RefusesUnusableValuesNamingThem) {
  std::string sip_points;
  for (int i = 1; i <= 5; ++i) sip_points += StrFormat("%d 100 99 1 98 2 97 3 96 4\n", i);
  std::string bad_amplitude = sip_points;
  bad_amplitude.replace(bad_amplitude.find("98 2"), 4, "-5 2");
  const std::string finite = "!\nEvery number in the file must be finite.";
  const std::string frequencies = "There is an error in value for IP measurement frequency values!";
  auto numbers = [](int count) {
    return StrFormat(
        "The data section holds %d numbers instead of 10!\n5 data points of 2 numbers "
        "each need 10: a value is missing or extra.",
        count);
  };
  struct Case {
    std::string file;
    std::string message;
    std::string caption = kFormat;
  };
  std::vector<Case> cases = {
      {Plain("1 10\n2 20\n-3 30\n4 40\n5 50\n"),
       "Data point number 3 has a spacing of -3.00!\nThe electrode spacing must be positive!"},
      {Plain("1 10\n2 20\n3 30\n4 0\n5 50\n"),
       "Data point number 4 has a resistivity of 0.00!\nThe apparent resistivity must be "
       "positive!"},
      {Header("W", 5, "R") + Errors(false) + "1 10\n2 20\n3 30\n", numbers(6)},
      {Plain("1 10\n2 20\n3 30\n4 nan\n5 50\n"),
       "Data point number 4 holds \"nan\", which is not a number!\nIt stands on line 14 of the "
       "file."},
      {Plain(WennerPoints(6)), numbers(12)},
      {Plain(WennerPoints(5), 5, "Dipole-dipole"),
       "The array type \"Dipole-dipole\" is not known.\nThe array must be Wenner or "
       "Schlumberger."},
      {Plain("1 10\n2 1e39\n3 30\n4 40\n5 50\n"),
       "The resistivity of data point number 2 is out of range" + finite},
      {IpFile(kIpSection, "1 1 1 2 2 2 3 3 -1e300 4 4 4 5 5 5\n"),
       "The IP value of data point number 3 is out of range" + finite},
      {IpFile(kIpSection, "1 1 1 2 2 2 3 3 1e9 4 4 4 5 5 5\n"),
       "Data point number 3 has an IP value of 1000000000.00!\nThe IP value must be between "
       "-10000 and 10000!"},
      {Plain("1 10\n2 1e-39\n3 30\n4 40\n5 50\n"),
       "Data point number 2 has a resistivity of 1e-39!\nThe apparent resistivity must be at "
       "least 0.001 ohm-m!"},
      {Plain("1 10\n2 20\n3 30\n4 40\n0.0004 50\n"),
       "Data point number 5 has a spacing of 0.0004!\nThe electrode spacing must be at least "
       "0.001 m!"},
      {IpFile("PFE\npercent\n0,1\n"), frequencies, "Data Error"},
      {IpFile("PFE\npercent\n1,1\n"), frequencies, "Data Error"},
      {SipFile("W", 5, {1, 0, 4, 8}, "A", sip_points),
       "Frequency number 2 is 0.0000!\nThe frequencies must be positive!"},
      {SipFile("W", 5, {1, 2, 4, 8}, "A", bad_amplitude),
       "Data point number 1 has an amplitude of -5.00 at frequency number 2!\nThe amplitude "
       "must be positive!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(Read(c.file), 1);
    ExpectRefusedWith(c.message, c.caption);
    EXPECT_EQ(state_->userModelAvailable, 0);
    EXPECT_EQ(state_->startingModel.layerCount, 0);
  }
  // In-phase values may be of either sign.
  EXPECT_EQ(Read(SipFile("W", 5, {1, 2, 4, 8}, "I", bad_amplitude)), 0);
}

// An unusable starting model is reported and dropped; the data are kept.
TEST_F(DataFileTest, UnusableStartingModelIsDroppedAndTheDataKept) {
  std::vector<std::pair<std::string, std::string>> cases = {
      {WithModel("2\nP\n-100 5\n10\nLimit\n2\n"),
       "Layer number 1 of the starting model has a resistivity of -100.000!\nThe layer "
       "resistivity must be positive!"},
      {WithModel("3\nP\n100 5\n10 0\n20\nLimit\n2\n"),
       "Layer number 2 of the starting model has a thickness of 0.000!\nThe layer thickness "
       "must be positive!"},
      {WithModel("2\nP\n100 5\n10\nLimit\n1e40\n"),
       "The convergence limit is out of range!\nEvery number in the file must be finite."},
      // "Yes" and nothing after it.
      {WithModel(""),
       "Your starting model has 0 layers.\nThe number of model layers must be between 1 and "
       "100."},
  };
  cases.push_back({WithModel("101\nP\n100 5\n10\nLimit\n2\n"),
                   "Your starting model has 101 layers.\nThe number of model layers must be "
                   "between 1 and 100."});
  for (const auto& [file, reason] : cases) {
    SCOPED_TRACE(reason);

    EXPECT_EQ(Read(file), 0);
    EXPECT_EQ(state_->data.pointCount, 5);
    EXPECT_EQ(state_->userModelAvailable, 0);
    EXPECT_EQ(state_->startingModel.layerCount, 0);
    EXPECT_EQ(state_->convergenceLimit, 0.0f);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "The starting model of this file cannot be used:\n" + reason +
                  "\nThe data have been read without it.");
    EXPECT_EQ(host_.messages[0].caption, "Data Error");
  }
}

TEST_F(DataFileTest, RefusesFilesOutsideTheLengthLimits) {
  std::string file = Header("W", 5, "R");
  file.resize(49, ' ');
  EXPECT_EQ(Read(file), 1);
  ExpectRefusedWith(
      "Please check the format of this file with\n a text editor!. It does not follow the format "
      "this\nprogram requires.");
  EXPECT_EQ(host_.beeps, 1);
  EXPECT_TRUE(host_.lines.empty());

  std::string huge = Plain(WennerPoints(5));
  huge.resize(100000, ' ');
  EXPECT_EQ(Read(huge), 1);
  ExpectRefusedWith("File " + path_ + " is larger than 99999 bytes.");

  // A file that cannot be opened is refused silently.
  state_->data.pointCount = 7;
  host_ = RecordingSink();
  EXPECT_EQ(ReadDataFile(::testing::TempDir() + "datafile_missing/none.dat", *state_, host_), 1);
  EXPECT_EQ(state_->data.pointCount, 0);
  EXPECT_TRUE(host_.messages.empty());
}

// Not a text file: refused naming it, before reading (a FIFO would block).
TEST_F(DataFileTest, RefusesWhatIsNotATextFileNamingIt) {
  const std::string directory = ::testing::TempDir() + "datafile_directory.dat";
  const std::string fifo = ::testing::TempDir() + "datafile_fifo.dat";
  std::filesystem::create_directories(directory);
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& [path, problem] : std::vector<std::pair<std::string, std::string>>{
           {directory, "is a directory"}, {fifo, "is not a regular file"}}) {
    host_ = RecordingSink();
    EXPECT_EQ(ReadDataFile(path, *state_, host_), 1) << path;
    ExpectRefusedWith("File " + path + " " + problem + ".");
  }
  std::filesystem::remove(directory);
  std::filesystem::remove(fifo);

  // UTF-16 text: every other byte is NUL.
  std::string utf16 = "\xff\xfe";
  for (char c : Plain(WennerPoints(5))) utf16 += std::string(1, c) + '\0';
  EXPECT_EQ(Read(utf16), 1);
  ExpectRefusedWith("File " + path_ +
                    " holds UTF-16 text or binary data (NUL bytes); save it as plain text.");
}

TEST_F(DataFileTest, NineteenDatumLevelsAreReadWithoutAMessage) {
  std::string points;
  for (int k = 19; k >= 1; --k)
    points += StrFormat("%d %d 100\n%d %d 110\n", 10 * k, k, 10 * k + 1, k);
  ASSERT_EQ(Read(Plain(points, 38, "S")), 0);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(state_->data.datumLevelCount, 19);
  EXPECT_EQ(state_->data.pointCount, 38);
}

// Points beyond the level capacity are kept after the message, unmerged.
TEST_F(DataFileTest, PointsBeyondTheLevelCapacityAreKeptAfterTheMessage) {
  // Level k: a = k, k + 1 at rho 2^k; each overlaps the previous one.
  std::string points;
  for (int k = 1; k <= 21; ++k) {
    points += StrFormat("%d %d %d\n%d %d %d\n", k, k, 1 << k, k + 1, k, 1 << k);
  }
  ASSERT_EQ(Read(Plain(points, 42, "S")), 0);
  const SoundingData& data = state_->data;
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text,
            "Too many datum levels!\nMaximum number of datum levels is 20.");
  EXPECT_EQ(host_.messages[0].caption, "Datum levels error");
  EXPECT_EQ(host_.beeps, 2);  // the message and the end of the read
  EXPECT_EQ(data.datumLevelCount, 19);
  EXPECT_EQ(data.overlapCount[17], 1);
  EXPECT_FLOAT_EQ(data.levelShiftFactor[17], 0.5f);
  // Levels 1..19 merged onto level 1's curve; levels 20, 21 kept unscaled.
  ASSERT_EQ(data.pointCount, 2 + 18 + 4);
  for (int i = 0; i < 20; ++i) EXPECT_FLOAT_EQ(data.apparentResistivity[i], 2.0f) << i;
  ExpectFirst(&data.spacingA[20], {20, 21, 21, 22});
  ExpectFirst(&data.spacingB[20], {20, 20, 21, 21});
  ExpectFirst(&data.apparentResistivity[20], {4, 4, 8, 8}, true);
}

// A merge leaving the float range or below 0.001 is refused naming the point.
TEST_F(DataFileTest, RefusesAMergeThatLeavesTheFloatRange) {
  const std::pair<const char*, const char*> cases[] = {
      {"1 1 3e38\n2 1 3e38\n3 1 3e38\n2 5 0.001\n3 5 0.001\n4 5 1\n", "point 4 (spacing 4.00)"},
      {"1 1 0.01\n2 1 0.01\n3 1 0.01\n2 5 1\n3 5 1\n4 5 0.01\n",
       "point 4 (spacing 4.00) a resistivity of 0.0001"}};
  for (const auto& [points, named] : cases) {
    ASSERT_EQ(Read(Plain(points, 6, "S")), 1);
    EXPECT_EQ(state_->data.pointCount, 0);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].caption, kFormat);
    EXPECT_NE(host_.messages[0].text.find(named), std::string::npos) << host_.messages[0].text;
  }
}

}  // namespace
}  // namespace layra
