#include "survey/field_sheet.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace layra {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Five readings under `header`, each row made by `row(k)` for k = 1..5.
template <typename RowFunction>
std::string Sheet(const std::string& header, RowFunction row) {
  std::string text = header + "\n";
  for (int k = 1; k <= 5; ++k) text += row(k) + "\n";
  return text;
}

SoundingData Parse(const std::string& text, ArrayType array) {
  SoundingData data;
  std::string error;
  EXPECT_TRUE(ParseFieldSheet(text, array, &data, &error)) << error << "\n" << text;
  return data;
}

// Every spelling of the columns, with every separator, reads the same sounding.
TEST(ParseFieldSheet, ColumnAliasesAndSeparators) {
  const std::pair<std::string, std::string> cases[] = {
      {"AB/2,MN/2,rho_a", ","},
      {"ab2;mn2;rhoa", ";"},
      {"AB_2 (m)\tMN/2 [m]\tResistivity [ohm-m]", "\t"},
      {"\"AB/2\",\"MN/2\",RHO_A [Ω·m]", ","},
      {"AB/2 (m),MN/2 (m),App. Res. (Ohm m)", ","}};
  for (const auto& [header, separator] : cases) {
    auto row = [&](int k) {
      return std::to_string(2 * k) + separator + "0.5" + separator + std::to_string(100 + k);
    };
    const SoundingData data = Parse(Sheet(header, row), ArrayType::kSchlumberger);
    ASSERT_EQ(data.pointCount, 5) << header;
    EXPECT_EQ(data.errorsIncluded, 0);
    EXPECT_EQ(data.dataKind, DataKind::kResistivity);
    EXPECT_EQ(data.spacingA[4], 10.0f) << header;
    EXPECT_EQ(data.spacingB[4], 0.5f) << header;
    EXPECT_EQ(data.apparentResistivity[4], 105.0f) << header;
  }
}

// V and I in any of their units give rho = K V / I.
TEST(ParseFieldSheet, VoltageAndCurrentUnits) {
  struct Case {
    std::string header;
    double volts_per_unit, amperes_per_unit;
  };
  const Case cases[] = {{"a,V,I", 1e-3, 1e-3},
                        {"a,voltage [mV],current [mA]", 1e-3, 1e-3},
                        {"a,V (V),I (A)", 1.0, 1.0},
                        {"a,V [µV],I [mA]", 1e-6, 1e-3},
                        {"a,V [mV],I [uA]", 1e-3, 1e-6}};
  for (const Case& c : cases) {
    const SoundingData data = Parse(
        Sheet(c.header, [](int k) { return std::to_string(k) + ",250,40"; }), ArrayType::kWenner);
    for (int p = 0; p < 5; ++p) {
      const double expected =
          2.0 * kPi * (p + 1) * (250.0 * c.volts_per_unit) / (40.0 * c.amperes_per_unit);
      EXPECT_NEAR(data.apparentResistivity[p], expected, 1e-6 * expected) << c.header;
    }
  }
}

TEST(ParseFieldSheet, ErrorsAndChargeabilitiesAreCarried) {
  const SoundingData data = Parse(Sheet("AB/2;MN/2;I [mA];V [mV];error [%];ip [%];ip_error",
                                        [](int k) {
                                          return std::to_string(3 * k) + ";1;100;" +
                                                 std::to_string(50 * k) + ";2;1,5;0,2";
                                        }),
                                  ArrayType::kSchlumberger);
  ASSERT_EQ(data.pointCount, 5);
  EXPECT_EQ(data.dataKind, DataKind::kIp);
  EXPECT_EQ(data.errorsIncluded, 1);
  const double rho = GeometricFactor(ArrayType::kSchlumberger, 6.0, 1.0) * 100.0 / 100.0;
  EXPECT_NEAR(data.apparentResistivity[1], rho, 1e-5 * rho);
  EXPECT_NEAR(data.resistivityError[1], 0.02 * rho, 1e-5 * rho);  // 2 % of rho
  EXPECT_FLOAT_EQ(data.ipValue[1], 15.0f);                        // 1.5 % is 15 mV/V
  EXPECT_FLOAT_EQ(data.ipError[1], 0.2f);                         // msec by default
}

// Each refusal names the row (the line of the file) and the column.
TEST(ParseFieldSheet, BadSheetsAreRefusedWithRowAndColumn) {
  const std::string good = "AB/2,MN/2,V [mV],I [mA]\n1,0.2,100,10\n2,0.2,40,10\n3,0.2,20,10\n";
  const std::string tail = "4,0.2,10,10\n6,0.2,5,10\n";
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {good + "4,0.2,abc,10\n" + tail, "Row 5, column \"V [mV]\": \"abc\" is not a number."},
      {good + "4,0.2,,10\n" + tail, "Row 5, column \"V [mV]\": the value is missing."},
      {good + "4,0.2,10,0\n" + tail, "Row 5, column \"I [mA]\": the current must not be 0."},
      {good + "4,5,10,10\n" + tail, "Row 5, column \"MN/2\": MN/2 must be positive"},
      {good + "-4,0.2,10,10\n" + tail, "Row 5, column \"AB/2\": the spacing must be positive."},
      {good + "4,0.2,-10,10\n" + tail, "Row 5, column \"V [mV]\": V and I give"},
      {good + "4,0.2,10,10,7\n" + tail, "Row 5 has 5 fields"},
      {good + "4,0.2,1e30,1e-30\n" + tail, "Row 5, column \"V [mV]\": the value is out of range."},
      {good, "The sheet has 3 readings; a sounding needs at least 5."},
      {"AB/2,MN/2,V [kV],I\n", "Column \"V [kV]\": unknown unit \"kv\""},
      {"AB/2,rho_a\n", "needs a column \"MN/2\""},
      {"AB/2,MN/2,V\n", "only one of \"V\" and \"I\""},
      {"AB/2,MN/2,remarks\n", "needs a column \"rho_a\" or the columns \"V\" and \"I\""},
      // Values the data file written from the sheet could not hold.
      {"AB/2,MN/2,rho_a\n1,0.2,1e-4\n",
       "Row 2, column \"rho_a\": the apparent resistivity 0.0001 ohm-m is below the 0.001"},
      {"AB/2,MN/2,rho_a,ip\n1,0.2,10,1e30\n",
       "Row 2, column \"ip\": the chargeability 1e+30 mV/V is beyond the 10000"},
      {"AB/2,MN/2,rho_a\n1,0.5,100\n2,0.5,100\n3,0.5,1e30\n3,1,0.01\n4,1,1e10\n6,1,100\n",
       "Merging the datum levels gives the reading at AB/2 = 4, MN/2 = 1 an apparent resistivity "
       "of inf"},
      // A field of a megabyte is not echoed whole.
      {good + "4,0.2," + std::string(1 << 20, 'x') + ",10\n" + tail,
       "Row 5, column \"V [mV]\": \"" + std::string(40, 'x') + "... (1048576 characters)\" is"},
  };
  for (const Case& c : cases) {
    SoundingData data;
    std::string error;
    EXPECT_FALSE(ParseFieldSheet(c.text, ArrayType::kSchlumberger, &data, &error)) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << error << "\nexpected: " << c.message;
  }
  SoundingData data;
  std::string error;
  EXPECT_TRUE(ParseFieldSheet(good + tail, ArrayType::kSchlumberger, &data, &error)) << error;
  EXPECT_FALSE(ParseFieldSheet("AB/2,rho\n1,10\n", ArrayType::kWenner, &data, &error));
  EXPECT_NE(error.find("needs a column \"a\""), std::string::npos) << error;
}

// A sheet saved with CR line ends (an old spreadsheet) or with a remark of
// two lines (Alt+Enter) reads like any other.
TEST(ParseFieldSheet, ReadsCrLineEndsAndRemarksOfSeveralLines) {
  const std::string sheet = Sheet(
      "a;rho_a;Remarks", [](int k) { return std::to_string(k) + ";" + std::to_string(10 * k); });
  std::string cr = sheet;
  for (char& c : cr) c = c == '\n' ? '\r' : c;
  std::string remarks = sheet;
  remarks.insert(remarks.find("\n3;30"), ";\"wet;\nclay\"");
  for (const std::string& text : {cr, remarks}) {
    const SoundingData data = Parse(text, ArrayType::kWenner);
    EXPECT_EQ(data.pointCount, 5);
    EXPECT_EQ(data.apparentResistivity[4], 50.0f);
  }
}

// Where V and I and the resistivity column disagree beyond rounding, each
// such row is named; V and I are used.
TEST(ParseFieldSheet, NamesRowsWhereVAndIDisagreeWithTheResistivity) {
  // K of AB/2 = 20, MN/2 = 1 is 626.7477: 44.82 mV / 35.20 mA give 798.04.
  const std::string text =
      "AB/2 (m),MN/2 (m),V (mV),I (mA),App. Res. (Ohm m)\n5,1,1441.82,38.81,1400.55\n"
      "10,1,207.94,25.60,1263.14\n20,1,44.82,35.20,789.04\n30,1,16.45,68.37,339.77\n"
      "40,1,2.62,64.37,102.23\n";
  const SoundingData data = Parse(text, ArrayType::kSchlumberger);
  ASSERT_EQ(data.warnings.size(), 1u);
  EXPECT_EQ(data.warnings[0],
            "Row 4: V and I give an apparent resistivity of 798.04 ohm-m, column \"App. Res. "
            "(Ohm m)\" 789.04; V and I are used.");
  EXPECT_NEAR(data.apparentResistivity[2], 798.04, 0.01);
}

// A sheet names its array: "a" is Wenner, and so are AB/2 and MN/2 when
// every reading has AB/2 = 3 MN/2 (read as a = 2 MN/2, same K).
TEST(FieldSheetArray, ComesFromTheColumns) {
  const std::string wenner_as_ab = Sheet("AB/2 (m),MN/2 (m),V (mV),I (mA)", [](int k) {
    return std::to_string(1.5 * k) + "," + std::to_string(0.5 * k) + ",100,10";
  });
  const struct {
    std::string text;
    ArrayType array;
  } cases[] = {{"a,rho_a\n1,10\n", ArrayType::kWenner},
               {"AB/2,MN/2,rho_a\n3,1,10\n6,1,10\n", ArrayType::kSchlumberger},
               {wenner_as_ab, ArrayType::kWenner},
               {"rho_a\n10\n", ArrayType::kSchlumberger}};
  for (const auto& c : cases) EXPECT_EQ(FieldSheetArray(c.text), c.array) << c.text;
  const SoundingData data = Parse(wenner_as_ab, ArrayType::kWenner);
  EXPECT_EQ(data.spacingA[1], 2.0f);
  EXPECT_NEAR(data.apparentResistivity[1], 2 * kPi * 2.0 * 10.0, 1e-3);
  SoundingData refused;
  std::string error;
  EXPECT_FALSE(
      ParseFieldSheet("AB/2,MN/2,rho_a\n3,0.5,10\n", ArrayType::kWenner, &refused, &error));
  EXPECT_NE(error.find("Row 2, column \"MN/2\": MN/2 is not a third of AB/2"), std::string::npos)
      << error;
  // Readings that are 3:1 up to one that is not: the note names that row.
  std::string note;
  EXPECT_EQ(FieldSheetArray(wenner_as_ab + "7,2.5,100,10\n", &note), ArrayType::kSchlumberger);
  EXPECT_EQ(note.rfind("Row 7, column \"MN/2 (m)\": MN/2 is not a third of AB/2 (7, 2.5)", 0), 0u)
      << note;
  EXPECT_NE(note.find("the first 5 readings are Wenner"), std::string::npos) << note;
  note.clear();
  EXPECT_EQ(FieldSheetArray("AB/2,MN/2,rho_a\n3,0.5,10\n", &note), ArrayType::kSchlumberger);
  EXPECT_EQ(note, "");
}

// Only a regular file of text is read: a FIFO (whose reading would wait for
// ever), a device (endless), a folder and UTF-16 text are refused by name.
TEST(ReadFieldSheetFile, ReadsOnlyRegularTextFiles) {
  testing::ScratchDir dir;
  const std::string fifo = dir.Path("sheet.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.Path("zero.csv"));
  std::ofstream(dir.Path("utf16.csv"), std::ios::binary) << std::string(
      "\xFF\xFE"
      "a\0,\0",
      6);
  std::ofstream(dir.Path("good.csv")) << "a,rho\n1,2\n";
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "is not a regular file."},
      {dir.Path("zero.csv"), "is not a regular file."},
      {dir.Path(""), "is a directory."},
      {dir.Path("utf16.csv"), "holds UTF-16 text or binary data"},
      {dir.Path("missing.csv"), "cannot be opened: No such file or directory."}};
  for (const auto& [path, reason] : cases) {
    std::string text, error;
    EXPECT_FALSE(ReadFieldSheetFile(path, &text, &error)) << path;
    EXPECT_EQ(error.rfind("The field sheet " + path + " ", 0), 0u) << error;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  std::string text, error;
  EXPECT_TRUE(ReadFieldSheetFile(dir.Path("good.csv"), &text, &error)) << error;
  EXPECT_EQ(text, "a,rho\n1,2\n");
}

}  // namespace
}  // namespace layra
