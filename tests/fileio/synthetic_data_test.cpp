#include "fileio/synthetic_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fileio/text_input.h"
#include "tests/fileio/temp_file.h"

namespace layra {
namespace {

using testing::Lines;
using testing::TempFile;

const std::string kNoStartingModel = "0\n0\n0\n0\n0\n";

// The arguments of one call; arrays the kind does not use stay empty.
struct Sounding {
  SipForm form = SipForm::kAmplitudePhase;
  DataKind kind = DataKind::kResistivity;
  ArrayType type = ArrayType::kWenner;
  std::vector<float> frequencies;
  std::vector<float> rho;
  std::vector<float> chargeability;
  std::vector<float> second;
  std::vector<float> first;
  std::vector<float> spacings;
  std::string title = "t";

  bool Write(const std::string& path, std::string* error = nullptr) const {
    auto data = [](const std::vector<float>& values) {
      return values.empty() ? nullptr : values.data();
    };
    return WriteSyntheticData(form,
                              kind,
                              type,
                              path,
                              static_cast<int>(frequencies.size()),
                              data(frequencies),
                              static_cast<int>(spacings.size()),
                              data(rho),
                              data(chargeability),
                              data(second),
                              data(first),
                              data(spacings),
                              title,
                              error);
  }
  std::string Text() const {
    TempFile file(".dat");
    EXPECT_TRUE(Write(file.path()));
    return file.Read();
  }
};

TEST(WriteSyntheticData, ResistivityFilesAndTheSchlumbergerBSpacing) {
  Sounding sounding;
  sounding.spacings = {1, 2, 4};
  sounding.rho = {100, 80, 60};
  sounding.title = "Synthetic two-layer sounding";
  EXPECT_EQ(sounding.Text(),
            "Synthetic two-layer sounding\nArray type (Wenner or Schlumberger)\nWenner array\n"
            "Number of data points\n3\nData type\nResistivity data\n"
            "Error in measurements inluded (Yes,No)\nNo\nData section\n"
            "     1.000    100.0000\n     2.000     80.0000\n     4.000     60.0000\n" +
                kNoStartingModel);
  // Every Schlumberger line shares one b spacing.
  sounding.type = ArrayType::kSchlumberger;
  sounding.spacings = {1.5f, 3.0f, 6.0f, 12.0f};
  sounding.rho = {40.5f, 52.25f, 70.0f, 91.125f};
  const auto lines = Lines(sounding.Text());
  ASSERT_EQ(lines.size(), 10u + 4u + 5u);
  EXPECT_EQ(lines[2], "Schlumberger array");
  EXPECT_EQ(lines[10], "     1.500      0.1500     40.5000");
  EXPECT_EQ(lines[13], "    12.000      0.1500     91.1250");
}

TEST(WriteSyntheticData, ChargeabilityIsWrittenInMsec) {
  Sounding sounding;
  sounding.kind = DataKind::kIp;
  sounding.spacings = {2, 4};
  sounding.rho = {120, 95.5f};
  sounding.chargeability = {0.025f, 0.5f};
  for (ArrayType type : {ArrayType::kWenner, ArrayType::kSchlumberger}) {
    sounding.type = type;
    const auto lines = Lines(sounding.Text());
    ASSERT_EQ(lines.size(), 13u + 2u + 5u);
    EXPECT_EQ(lines[6], "IP data");
    EXPECT_EQ(lines[7], "Chargeability");
    EXPECT_EQ(lines[8], "msec");
    EXPECT_EQ(lines[9], "0.1,1.0");
    if (type == ArrayType::kWenner) {
      EXPECT_EQ(lines[13], "     2.000   120.0000000    25.0000000");
      EXPECT_EQ(lines[14], "     4.000    95.5000000   500.0000000");
    } else {
      EXPECT_EQ(lines[13], "     2.000      0.2000   120.0000000    25.0000000");
    }
  }
}

TEST(WriteSyntheticData, SipValuesPerSpacingInFrequencyOrder) {
  Sounding sounding;
  sounding.kind = DataKind::kSip;
  sounding.spacings = {1, 10};
  sounding.rho = {50, 70};
  sounding.frequencies = {0.1f, 1.0f, 10.0f};
  // Spacing p, frequency f at p + f * n.
  sounding.first = {49, 69, 48, 68, 47, 67};
  sounding.second = {-1.5f, -2.5f, -3.5f, -4.5f, -5.5f, -6.5f};
  sounding.title = "SIP";
  for (SipForm form : {SipForm::kAmplitudePhase, SipForm::kInphaseOutphase}) {
    sounding.form = form;
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
    EXPECT_EQ(sounding.Text(), expected_head + expected_points + kNoStartingModel);
  }
}

TEST(WriteSyntheticData, WrittenNumbersReadBackThroughTheTextPrimitives) {
  Sounding sounding;
  sounding.kind = DataKind::kSip;
  sounding.type = ArrayType::kSchlumberger;
  sounding.spacings = {1.25f, 2.5f, 5.0f, 10.0f};
  sounding.rho = {101.23456f, 88.8f, 70.5f, 66.6f};
  sounding.frequencies = {1, 2, 4, 8};
  for (int i = 0; i < 16; ++i) {
    sounding.first.push_back(60.0f + 0.37f * i);
    sounding.second.push_back(-0.123456f * i);
  }
  TempFile file(".dat");
  ASSERT_TRUE(sounding.Write(file.path()));
  TextFile text = LoadTextFile(file.path());
  ASSERT_TRUE(text.HasBuffer());
  const std::string content(text.bytes.begin(), text.bytes.end());
  long cursor = static_cast<long>(content.find("Data section\n") + 13);
  const long length = text.length;
  auto next = [&] { return ReadReal(text.bytes, cursor, length); };
  for (int p = 0; p < 4; ++p) {
    SCOPED_TRACE(p);
    EXPECT_NEAR(next(), sounding.spacings[p], 5e-4);
    EXPECT_NEAR(next(), 0.125, 5e-5);
    EXPECT_NEAR(next(), sounding.rho[p], 5e-6 * sounding.rho[p]);
    for (int f = 0; f < 4; ++f) {
      EXPECT_NEAR(next(), sounding.first[p + f * 4], 1e-5);
      EXPECT_NEAR(next(), sounding.second[p + f * 4], 1e-7);
    }
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadInt(text.bytes, cursor, length), 0);
}

TEST(WriteSyntheticData, ReportsAFileThatCannotBeWritten) {
  Sounding sounding;
  sounding.spacings = {1, 2};
  sounding.rho = {10, 20};
  std::string error;
  EXPECT_FALSE(sounding.Write("/nonexistent/directory/out.dat", &error));
  EXPECT_EQ(error, "/nonexistent/directory/out.dat: No such file or directory");
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(sounding.Write("/dev/full")) << "a write that fails must not pass for success";
  }
}

// A data set written with WriteDataFile reads back point for point.
TEST(WriteDataFile, ReadsBackWhole) {
  for (const DataKind kind : {DataKind::kResistivity, DataKind::kIp}) {
    SoundingData data;
    data.title = "Imported\nsheet";
    data.arrayType = ArrayType::kSchlumberger;
    data.dataKind = kind;
    data.errorsIncluded = 1;
    data.pointCount = 6;
    const float spacings[] = {1.5f, 2.25f, 3.0f, 4.5f, 4.5f, 6.0f};
    const float b[] = {0.5f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f};
    for (int p = 0; p < 6; ++p) {
      data.spacingA[p] = spacings[p];
      data.spacingB[p] = b[p];
      data.apparentResistivity[p] = 100.0f / (p + 1) + 0.123456f;
      data.resistivityError[p] = 0.01f * (p + 1);
      data.ipValue[p] = 10.0f + p;
      data.ipError[p] = 0.5f;
    }
    TempFile file(".dat");
    std::string error;
    ASSERT_TRUE(WriteDataFile(data, file.path(), &error)) << error;
    const testing::DataRead read(file.path());
    ASSERT_EQ(read.status, 0);
    const SoundingFile& state = *read.file;
    EXPECT_EQ(state.data.title, "Imported sheet");
    EXPECT_EQ(state.data.dataKind, kind);
    ASSERT_EQ(state.data.pointCountAsRead, 6);
    // Two datum levels (b 0.5 and 1) overlapping at 4.5 m are merged on reading.
    EXPECT_EQ(state.data.datumLevelCount, 2);
    EXPECT_EQ(state.userModelAvailable, 0);
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(state.data.spacingA[p], spacings[p]) << "point " << p;
      EXPECT_EQ(state.data.apparentResistivity[p], data.apparentResistivity[p]) << "point " << p;
      EXPECT_EQ(state.data.resistivityError[p], data.resistivityError[p]) << "point " << p;
      if (kind == DataKind::kIp) {
        EXPECT_EQ(state.data.ipValue[p], data.ipValue[p]) << "point " << p;
      }
    }
  }
}

TEST(WriteDataFile, AFailedWriteReportsAndLeavesNothing) {
  SoundingData data;
  data.arrayType = ArrayType::kWenner;
  data.pointCount = 5;
  std::string error;
  EXPECT_FALSE(WriteDataFile(data, "/nonexistent/directory/out.dat", &error));
  EXPECT_NE(error.find("/nonexistent/directory/out.dat"), std::string::npos) << error;
}

}  // namespace
}  // namespace layra
