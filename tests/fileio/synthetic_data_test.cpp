#include "fileio/synthetic_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fileio/text_input.h"
#include "tests/fileio/temp_file.h"

namespace layra {
namespace {

using testing::TempFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kNoStartingModel = "0\n0\n0\n0\n0\n";

TEST(WriteSyntheticData, WennerResistivityFile) {
  TempFile file(".dat");
  const float spacings[] = {1, 2, 4};
  const float rho[] = {100, 80, 60};
  ASSERT_TRUE(WriteSyntheticData(SipForm::kAmplitudePhase,
                                 DataKind::kResistivity,
                                 ArrayType::kWenner,
                                 file.path(),
                                 0,
                                 nullptr,
                                 3,
                                 rho,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 spacings,
                                 "Synthetic two-layer sounding"));
  EXPECT_EQ(file.Read(),
            "Synthetic two-layer sounding\n"
            "Array type (Wenner or Schlumberger)\n"
            "Wenner array\n"
            "Number of data points\n3\n"
            "Data type\n"
            "Resistivity data\n"
            "Error in measurements inluded (Yes,No)\nNo\nData section\n"
            "     1.000    100.0000\n"
            "     2.000     80.0000\n"
            "     4.000     60.0000\n" +
                kNoStartingModel);
}

TEST(WriteSyntheticData, SchlumbergerLinesShareOneBSpacing) {
  TempFile file(".dat");
  const float spacings[] = {1.5f, 3.0f, 6.0f, 12.0f};
  const float rho[] = {40.5f, 52.25f, 70.0f, 91.125f};
  ASSERT_TRUE(WriteSyntheticData(SipForm::kAmplitudePhase,
                                 DataKind::kResistivity,
                                 ArrayType::kSchlumberger,
                                 file.path(),
                                 0,
                                 nullptr,
                                 4,
                                 rho,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 spacings,
                                 "S"));
  const auto lines = Lines(file.Read());
  ASSERT_EQ(lines.size(), 10u + 4u + 5u);
  EXPECT_EQ(lines[2], "Schlumberger array");
  EXPECT_EQ(lines[10], "     1.500      0.1500     40.5000");
  EXPECT_EQ(lines[11], "     3.000      0.1500     52.2500");
  EXPECT_EQ(lines[13], "    12.000      0.1500     91.1250");
}

TEST(WriteSyntheticData, ChargeabilityIsWrittenInMsec) {
  const float spacings[] = {2, 4};
  const float rho[] = {120, 95.5f};
  const float chargeability[] = {0.025f, 0.5f};
  for (ArrayType type : {ArrayType::kWenner, ArrayType::kSchlumberger}) {
    TempFile file(".dat");
    ASSERT_TRUE(WriteSyntheticData(SipForm::kAmplitudePhase,
                                   DataKind::kIp,
                                   type,
                                   file.path(),
                                   0,
                                   nullptr,
                                   2,
                                   rho,
                                   chargeability,
                                   nullptr,
                                   nullptr,
                                   spacings,
                                   "IP"));
    const auto lines = Lines(file.Read());
    ASSERT_EQ(lines.size(), 13u + 2u + 5u);
    EXPECT_EQ(lines[5], "Data type");
    EXPECT_EQ(lines[6], "IP data");
    EXPECT_EQ(lines[7], "Chargeability");
    EXPECT_EQ(lines[8], "msec");
    EXPECT_EQ(lines[9], "0.1,1.0");
    EXPECT_EQ(lines[10], "Error in measurements inluded (Yes,No)");
    if (IsWenner(type)) {
      EXPECT_EQ(lines[13], "     2.000   120.0000000    25.0000000");
      EXPECT_EQ(lines[14], "     4.000    95.5000000   500.0000000");
    } else {
      EXPECT_EQ(lines[13], "     2.000      0.2000   120.0000000    25.0000000");
    }
  }
}

TEST(WriteSyntheticData, SipValuesPerSpacingInFrequencyOrder) {
  const float spacings[] = {1, 10};
  const float rho[] = {50, 70};
  const float frequencies[] = {0.1f, 1.0f, 10.0f};
  // Spacing p, frequency f at p + f * n.
  const float first[] = {49, 69, 48, 68, 47, 67};
  const float second[] = {-1.5f, -2.5f, -3.5f, -4.5f, -5.5f, -6.5f};
  for (SipForm form : {SipForm::kAmplitudePhase, SipForm::kInphaseOutphase}) {
    TempFile file(".dat");
    ASSERT_TRUE(WriteSyntheticData(form,
                                   DataKind::kSip,
                                   ArrayType::kWenner,
                                   file.path(),
                                   3,
                                   frequencies,
                                   2,
                                   rho,
                                   nullptr,
                                   second,
                                   first,
                                   spacings,
                                   "SIP"));
    const std::string expected_head =
        "SIP\nArray type (Wenner or Schlumberger)\nWenner array\nNumber of data points\n2\n"
        "Data type\nSIP data\nFrequency domian\nNumber of frequencies\n3\nFrequency values\n"
        "0.1000\n1.0000\n10.0000\nType of SIP data (Amplitude-Phase,Inphase-Outphase)\n" +
        std::string(form == SipForm::kAmplitudePhase ? "Amplitude-Phase\n" : "Inphase-Outphase\n") +
        "Error in measurements inluded (Yes,No)\nNo\nData section\n";
    const std::string expected_points =
        "     1.000    50.00000000      49.00000000   -1.50000000      48.00000000   -3.50000000"
        "      47.00000000   -5.50000000\n"
        "    10.000    70.00000000      69.00000000   -2.50000000      68.00000000   -4.50000000"
        "      67.00000000   -6.50000000\n";
    EXPECT_EQ(file.Read(), expected_head + expected_points + kNoStartingModel);
  }
}

TEST(WriteSyntheticData, WrittenNumbersReadBackThroughTheTextPrimitives) {
  // The data section read with the number primitives gives a, B, rho and the
  // pairs in order, to the written precision.
  const float spacings[] = {1.25f, 2.5f, 5.0f, 10.0f};
  const float rho[] = {101.23456f, 88.8f, 70.5f, 66.6f};
  const float frequencies[] = {1, 2, 4, 8};
  std::vector<float> first(16), second(16);
  for (int i = 0; i < 16; ++i) {
    first[i] = 60.0f + 0.37f * i;
    second[i] = -0.123456f * i;
  }
  TempFile file(".dat");
  ASSERT_TRUE(WriteSyntheticData(SipForm::kAmplitudePhase,
                                 DataKind::kSip,
                                 ArrayType::kSchlumberger,
                                 file.path(),
                                 4,
                                 frequencies,
                                 4,
                                 rho,
                                 nullptr,
                                 second.data(),
                                 first.data(),
                                 spacings,
                                 "round trip"));
  TextFile text = LoadTextFile(file.path());
  ASSERT_TRUE(text.HasBuffer());
  const std::string content(text.bytes.begin(), text.bytes.end());
  long cursor = static_cast<long>(content.find("Data section\n") + 13);
  const long length = text.length;
  for (int p = 0; p < 4; ++p) {
    EXPECT_NEAR(ReadReal(text.bytes, cursor, length), spacings[p], 5e-4) << "point " << p;
    EXPECT_NEAR(ReadReal(text.bytes, cursor, length), 0.125, 5e-5) << "point " << p;
    EXPECT_NEAR(ReadReal(text.bytes, cursor, length), rho[p], 5e-6 * rho[p]) << "point " << p;
    for (int f = 0; f < 4; ++f) {
      EXPECT_NEAR(ReadReal(text.bytes, cursor, length), first[p + f * 4], 1e-5);
      EXPECT_NEAR(ReadReal(text.bytes, cursor, length), second[p + f * 4], 1e-7);
    }
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadInt(text.bytes, cursor, length), 0);
}

TEST(WriteSyntheticData, ReportsAFileThatCannotBeWritten) {
  const float spacings[] = {1, 2};
  const float rho[] = {10, 20};
  auto write = [&](const std::string& path) {
    return WriteSyntheticData(SipForm::kAmplitudePhase,
                              DataKind::kResistivity,
                              ArrayType::kWenner,
                              path,
                              0,
                              nullptr,
                              2,
                              rho,
                              nullptr,
                              nullptr,
                              nullptr,
                              spacings,
                              "t");
  };
  EXPECT_FALSE(write("/nonexistent/directory/out.dat"));
  EXPECT_FALSE(write(std::filesystem::temp_directory_path().string()));  // a directory
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(write("/dev/full")) << "a write that fails must not pass for success";
  }
}

}  // namespace
}  // namespace layra
