#include "survey/field_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

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
}

}  // namespace
}  // namespace layra
