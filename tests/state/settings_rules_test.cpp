// Reading and limiting what the user types into the settings fields.

#include "state/settings_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace layra {
namespace {

TEST(ParseDecimal, ReadsTheLeadingNumberAndStops) {
  EXPECT_DOUBLE_EQ(ParseDecimal("2"), 2.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("  0.25"), 0.25);
  EXPECT_DOUBLE_EQ(ParseDecimal("+1.5e2"), 150.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("-0.3"), -0.3);
  EXPECT_DOUBLE_EQ(ParseDecimal(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ParseDecimal("7."), 7.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("12abc"), 12.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("3,5"), 3.0);
  EXPECT_DOUBLE_EQ(ParseDecimal("1e"), 1.0);  // an incomplete exponent is not part of it
  EXPECT_DOUBLE_EQ(ParseDecimal("2E-2"), 0.02);
}

TEST(ParseDecimal, TextThatIsNotANumberReadsZero) {
  for (const char* text : {"", "   ", "abc", "nan", "inf", "-", ".", "+.", "e5", "x1"}) {
    EXPECT_EQ(ParseDecimal(text), 0.0) << '"' << text << '"';
  }
}

TEST(ParseDecimal, OutOfRangeExponentsGoToInfinityOrZero) {
  EXPECT_TRUE(std::isinf(ParseDecimal("1e999")));
  EXPECT_GT(ParseDecimal("1e999"), 0.0);
  EXPECT_LT(ParseDecimal("-1e999"), 0.0);
  EXPECT_EQ(ParseDecimal("1e-999"), 0.0);
}

TEST(ParseUnsigned, OnlyDigitsWithSurroundingBlanks) {
  EXPECT_EQ(ParseUnsigned("40"), 40);
  EXPECT_EQ(ParseUnsigned("  7  "), 7);
  EXPECT_EQ(ParseUnsigned("0"), 0);
  for (const char* text : {"", "-3", "+3", "2.5", "5x", "x5", "1 2"}) {
    EXPECT_EQ(ParseUnsigned(text), 0) << '"' << text << '"';
  }
  EXPECT_EQ(ParseUnsigned("99999999999999999999"), 2147483647);
}

TEST(ParseInteger, SignedLeadingNumber) {
  EXPECT_EQ(ParseInteger("9"), 9);
  EXPECT_EQ(ParseInteger(" -4"), -4);
  EXPECT_EQ(ParseInteger("3 layers"), 3);
  EXPECT_EQ(ParseInteger("7.9"), 7);
  EXPECT_EQ(ParseInteger("layers"), 0);
  EXPECT_EQ(ParseInteger("-99999999999"), -2147483647 - 1);
}

TEST(FieldText, KeepsCapacityMinusOneCharacters) {
  EXPECT_EQ(FieldText("0123456789", 5), "0123");
  EXPECT_EQ(FieldText("01", 5), "01");
  EXPECT_EQ(FieldText("01", 1), "");
}

TEST(SettingsClamps, HoldEachFieldWithinItsLimits) {
  EXPECT_EQ(ClampInitialDamping(5.0), 1.0f);
  EXPECT_EQ(ClampInitialDamping(0.0), 0.01f);
  EXPECT_EQ(ClampInitialDamping(0.2), 0.2f);
  EXPECT_EQ(ClampMinimumDamping(0.5), 0.25f);
  EXPECT_EQ(ClampMinimumDamping(0.0), 0.001f);
  EXPECT_EQ(ClampDataCutoff(0.5), 0.1f);
  EXPECT_EQ(ClampDataCutoff(0.0), 0.0001f);
  EXPECT_EQ(ClampModelCutoff(2.0), 1.0f);
  EXPECT_EQ(ClampModelCutoff(-1.0), 0.0001f);
  EXPECT_EQ(ClampIterationLimit(0), 1);
  EXPECT_EQ(ClampIterationLimit(40), 25);
  EXPECT_EQ(ClampIterationLimit(-7), 1);
  EXPECT_EQ(ClampIterationLimit(12), 12);
  EXPECT_EQ(ClampInitialDamping(HUGE_VAL), 1.0f);
}

TEST(ConvergenceLimit, PercentIsStoredAsClampedFraction) {
  EXPECT_EQ(ConvergenceLimitFromPercent(2.0), 0.02f);
  EXPECT_EQ(ConvergenceLimitFromPercent(0.0), 0.0001f);
  EXPECT_EQ(ConvergenceLimitFromPercent(150.0), 1.0f);
  EXPECT_EQ(ConvergencePercentText(0.02f), "2.000");
  EXPECT_EQ(ConvergencePercentText(0.0001f), "0.010");
  EXPECT_EQ(ConvergencePercentText(1.0f), "100.000");
}

TEST(SettingsTexts, ShownFormats) {
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
