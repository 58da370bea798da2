// Reading and limiting what the user types into the settings fields.

#include "state/settings_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace layra {
namespace {

TEST(ParseDecimal, ReadsTheLeadingNumberAndStops) {
  // An incomplete exponent is not part of the number.
  // clang-format off
  const std::pair<const char*, double> cases[] = {
      {"2", 2.0}, {"  0.25", 0.25}, {"+1.5e2", 150.0}, {"-0.3", -0.3}, {".5", 0.5}, {"7.", 7.0},
      {"12abc", 12.0}, {"3,5", 3.0}, {"1e", 1.0}, {"2E-2", 0.02}};
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(ParseDecimal(text), value) << text;
  for (const char* text : {"", "   ", "abc", "nan", "inf", "-", ".", "+.", "e5", "x1"}) {
    EXPECT_EQ(ParseDecimal(text), 0.0) << '"' << text << '"';
  }
  // Out-of-range exponents go to infinity or zero.
  EXPECT_TRUE(std::isinf(ParseDecimal("1e999")));
  EXPECT_GT(ParseDecimal("1e999"), 0.0);
  EXPECT_LT(ParseDecimal("-1e999"), 0.0);
  EXPECT_EQ(ParseDecimal("1e-999"), 0.0);
}

TEST(ParseIntegers, UnsignedTakesOnlyDigitsSignedTheLeadingNumber) {
  EXPECT_EQ(ParseUnsigned("40"), 40);
  EXPECT_EQ(ParseUnsigned("  7  "), 7);
  EXPECT_EQ(ParseUnsigned("0"), 0);
  for (const char* text : {"", "-3", "+3", "2.5", "5x", "x5", "1 2"}) {
    EXPECT_EQ(ParseUnsigned(text), 0) << '"' << text << '"';
  }
  EXPECT_EQ(ParseUnsigned("99999999999999999999"), 2147483647);
  const std::pair<const char*, int> cases[] = {
      {"9", 9}, {" -4", -4}, {"3 layers", 3}, {"7.9", 7}, {"layers", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseInteger(text), value) << text;
  EXPECT_EQ(ParseInteger("-99999999999"), -2147483647 - 1);
}

TEST(FieldText, KeepsCapacityMinusOneCharacters) {
  EXPECT_EQ(FieldText("0123456789", 5), "0123");
  EXPECT_EQ(FieldText("01", 5), "01");
  EXPECT_EQ(FieldText("01", 1), "");
}

TEST(SettingsClamps, HoldEachFieldWithinItsLimits) {
  // clang-format off
  const struct {
    float (*clamp)(double);
    double value;
    float expected;
  } cases[] = {
      {ClampInitialDamping, 5.0, 1.0f}, {ClampInitialDamping, 0.0, 0.01f},
      {ClampInitialDamping, 0.2, 0.2f}, {ClampInitialDamping, HUGE_VAL, 1.0f},
      {ClampMinimumDamping, 0.5, 0.25f}, {ClampMinimumDamping, 0.0, 0.001f},
      {ClampDataCutoff, 0.5, 0.1f}, {ClampDataCutoff, 0.0, 0.0001f},
      {ClampModelCutoff, 2.0, 1.0f}, {ClampModelCutoff, -1.0, 0.0001f},
      {ConvergenceLimitFromPercent, 2.0, 0.02f}, {ConvergenceLimitFromPercent, 0.0, 0.0001f},
      {ConvergenceLimitFromPercent, 150.0, 1.0f}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(c.clamp(c.value), c.expected) << c.value;
  for (const auto& [count, expected] : {std::pair{0, 1}, {40, 25}, {-7, 1}, {12, 12}}) {
    EXPECT_EQ(ClampIterationLimit(count), expected) << count;
  }
}

TEST(SettingsTexts, ShownFormats) {
  EXPECT_EQ(ConvergencePercentText(0.02f), "2.000");
  EXPECT_EQ(ConvergencePercentText(0.0001f), "0.010");
  EXPECT_EQ(DampingText(0.1f), "0.1000");
  EXPECT_EQ(CutoffText(0.001f), "0.00100");
}

TEST(ApplyRobustModelDamping, LowersMinimumDampingOnlyForRobustModel) {
  InversionSettings settings;
  settings.minimumDampingFactor = 0.05f;
  ApplyRobustModelDamping(settings);
  EXPECT_EQ(settings.minimumDampingFactor, 0.05f);
  settings.modelConstraint = 1;
  ApplyRobustModelDamping(settings);
  EXPECT_EQ(settings.minimumDampingFactor, 0.01f);
  settings.minimumDampingFactor = 0.005f;
  ApplyRobustModelDamping(settings);
  EXPECT_EQ(settings.minimumDampingFactor, 0.005f);
}

}  // namespace
}  // namespace layra
