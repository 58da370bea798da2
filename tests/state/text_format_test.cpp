// The program's own printf formatting: the same text as the C library in the
// "C" locale for every format the writers use, whatever the locale.

#include "state/text_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/comma_locale.h"

namespace layra {
namespace {

#pragma GCC diagnostic ignored "-Wformat-nonliteral"

// Formats of the results, data and listing writers, and the flags and
// conversions around them. (Not "%#g": the C library writes 999999.5 as
// "1.e+06", dropping the zeros that '#' keeps; StrFormat writes "1.00000e+06".)
const char* const kRealFormats[] = {
    "%8.2f",    "%10.3f", "%.2f",  "%.3f",   "%10.4f", "%.4f",    "%g",      "%13.8f", "%12.7f",
    "%8.3f",    "%12.3f", "%8.6f", "%7.5f",  "%6.4f",  "%5.3f",   "%4.2f",   "%3.1f",  "%.5f",
    "%8.4f",    "%11.3f", "%f",    "%.0f",   "%#.0f",  "%-10.3f", "%+8.2f",  "% .3f",  "%010.3f",
    "%-+12.4f", "%e",     "%.3e",  "%12.4E", "%#.0e",  "%+.2e",   "%G",      "%.1g",   "%.9g",
    "%#.3g",    "%12.6g", "%-12g", "%012g",  "%.0g",   "%.17g",   "%20.15f", "%F"};

// clang-format off
const char* const kIntegerFormats[] = {"%d", "%2d", "%1d", "%3d", "%05d", "%-5d|", "%+d", "% d",
                                       "%.3d", "%.0d", "%x", "%#X", "%#o", "%u", "%8.4d", "%-08d",
                                       "%+.0d"};
// clang-format on

// Values that stress rounding: random magnitudes over the whole range, exact
// binary ties at the printed digits (k/2^n), floats widened to double as the
// writers pass them, and the special values.
std::vector<double> RealValues() {
  std::vector<double> values = {
      0.0,     -0.0,  0.5,      1.5,      2.5,       0.125,    0.0625, 1.0625,      -2.675, 0.005,
      0.015,   1e300, -1e-300,  DBL_MAX,  DBL_MIN,   4.9e-324, 1e21,   123456789.5, 99.995, 9.9995,
      -0.0005, 1e-5,  999999.5, INFINITY, -INFINITY, NAN,      -NAN,   FLT_MAX,     FLT_MIN};
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  std::uniform_int_distribution<int> tie_numerator(-200000, 200000);
  std::uniform_int_distribution<int> tie_power(1, 12);
  for (int i = 0; i < 500; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    values.push_back(i % 2 == 0 ? value : -value);
    values.push_back(static_cast<float>(value));
    values.push_back(std::ldexp(tie_numerator(random), -tie_power(random)));
  }
  for (int e = -320; e <= 308; e += 17) values.push_back(std::pow(10.0, e) * 1.2345678901234567);
  return values;
}

template <typename Value>
std::string LibraryFormat(const char* format, Value value) {
  char text[1024];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Counts the values where StrFormat differs from the C library and keeps the
// first difference for the message.
template <typename Value>
void ExpectSameAsLibrary(const char* format, const std::vector<Value>& values) {
  int differences = 0;
  std::string first;
  for (Value value : values) {
    const std::string ours = StrFormat(format, value);
    const std::string library = LibraryFormat(format, value);
    if (ours != library && differences++ == 0) {
      first = "'" + ours + "' instead of '" + library + "'";
    }
  }
  EXPECT_EQ(differences, 0) << format << ": " << first;
}

TEST(StrFormat, RealsAsTheCLibraryWritesThemInTheCLocale) {
  const std::vector<double> values = RealValues();
  for (const char* format : kRealFormats) ExpectSameAsLibrary(format, values);
}

TEST(StrFormat, IntegersAsTheCLibraryWritesThem) {
  std::vector<int> values = {0, 1, -1, 7, -42, 100, 99999, INT_MAX, INT_MIN};
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) values.push_back(static_cast<int>(random()));
  for (const char* format : kIntegerFormats) ExpectSameAsLibrary(format, values);
}

TEST(StrFormat, StarsStringsAndCharacters) {
  EXPECT_EQ(StrFormat("%-*s|%*s|%.*f|%.*g", 6, "ab", -4, "c", 2, 3.14159, 3, 2.0 / 3.0),
            "ab    |c   |3.14|0.667");
  EXPECT_EQ(StrFormat("%8s %6s %.2s %c%% %5c", "x", "layer", "abc", 'q', 'z'),
            "       x  layer ab q%     z");
  EXPECT_EQ(StrFormat("%ld %zu %lld %hd", -5L, size_t{12}, 1LL << 40, 70000),
            "-5 12 1099511627776 4464");
}

TEST(StrFormat, WritesAPointWhateverTheCLibraryLocale) {
  layra::testing::ScopedCommaNumbers comma;
  if (!comma.active()) GTEST_SKIP() << layra::testing::GetCommaLocale().reason;
  ASSERT_EQ(LibraryFormat("%.2f", 1.5), "1,50") << "the locale should use a decimal comma";
  EXPECT_EQ(StrFormat("%8.2f %10.3f %g %e", 1.5, -120.33, 0.25, 1e5),
            "    1.50   -120.330 0.25 1.000000e+05");
}

// The whole text must be one finite number: what a table cell or an option
// holds. (The prefix reader is compared with strtod in the ReadReal tests.)
TEST(ParseNumber, TakesOneWholeFiniteDecimalOnly) {
  const struct {
    std::string text;
    bool accepted;
    double value;
  } cases[] = {{"12.5", true, 12.5},
               {"+.5e1", true, 5.0},
               {"-0", true, -0.0},
               {"1e-3", true, 0.001},
               {"", false, 0},
               {"1,5", false, 0},
               {" 1", false, 0},
               {"1 ", false, 0},
               {"nan", false, 0},
               {"-inf", false, 0},
               {"1e400", false, 0},
               {"0x10", false, 0},
               {"1e", false, 0},
               {std::string("1\0"
                            "20",
                            4),
                false,
                0}};
  for (const auto& c : cases) {
    double value = 7.0;
    EXPECT_EQ(ParseNumber(c.text, &value), c.accepted) << '"' << c.text << '"';
    EXPECT_EQ(value, c.accepted ? c.value : 7.0) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace layra
