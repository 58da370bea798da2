#include "fileio/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/comma_locale.h"

namespace layra {
namespace {

// A buffer over `text` with a cursor, read with the text primitives.
struct Reader {
  explicit Reader(const std::string& text) : bytes(text.begin(), text.end()) {}
  long length() const { return static_cast<long>(bytes.size()); }
  std::string Line(int* kept = nullptr) {
    std::string line;
    const int n = ReadLine(bytes, bytes.size(), line, cursor, 80);
    if (kept) *kept = n;
    return line;
  }
  int Int() { return ReadInt(bytes, cursor, length()); }
  double Real() { return ReadReal(bytes, cursor, length()); }
  std::vector<unsigned char> bytes;
  long cursor = 0;
};

TEST(ReadLine, SkipsBlanksStopsAtLineEndsAndCutsAtSeventyNine) {
  Reader r("  \r\n\r\n  Title text  \r\nnext\n   \n");
  int kept = 0;
  EXPECT_EQ(r.Line(&kept), "Title text  ");
  EXPECT_EQ(kept, 12);
  ASSERT_LT(r.cursor, r.length());
  EXPECT_EQ(r.bytes[r.cursor], '\r');
  EXPECT_EQ(r.Line(), "next");
  // Only blanks left: an empty line and the cursor at the end.
  EXPECT_EQ(r.Line(&kept), "");
  EXPECT_EQ(kept, 0);
  EXPECT_EQ(r.cursor, r.length());

  std::string long_line(120, 'x');
  long_line[78] = 'y';
  long_line[79] = 'z';
  Reader cut(long_line + "\nfollowing line\n");
  EXPECT_EQ(cut.Line(&kept), long_line.substr(0, 79));
  EXPECT_EQ(kept, 79);
  EXPECT_EQ(cut.Line(), "following line");

  // After a number: the rest of its line, or the next line when only blanks remain.
  Reader after("12 label\n34   \nword\n");
  EXPECT_EQ(after.Int(), 12);
  EXPECT_EQ(after.Line(), "label");
  EXPECT_EQ(after.Int(), 34);
  EXPECT_EQ(after.Line(), "word");
}

TEST(ReadInt, PassesOverLabelsTakesLeadingDigitsAndSaturates) {
  Reader r("Number of data points\r\n24\r\n12.7 -3e2 . +5");
  for (int expected : {24, 12, -3, 0 /* a lone point */, 5, 0 /* nothing left */}) {
    EXPECT_EQ(r.Int(), expected);
  }
  Reader huge("99999999999999999999 -99999999999999999999");
  EXPECT_EQ(huge.Int(), 2147483647);
  EXPECT_LT(huge.Int(), -2147483647);
}

TEST(ReadReal, ReadsLabelledValuesExponentsStopsAtDAndAtEightyCharacters) {
  Reader r("a= 1.5e1, b=2\n1.5D2\t7,\r\n-0.25E-1");
  // d ends the value and the D2 belongs to its token.
  for (double expected : {15.0, 2.0, 1.5, 7.0, -0.025}) EXPECT_DOUBLE_EQ(r.Real(), expected);

  Reader long_token(std::string(100, '1') + " and nothing else");
  long_token.Real();
  EXPECT_EQ(long_token.cursor, 80);
  long_token.Real();  // the rest of the digits
  EXPECT_EQ(long_token.Real(), 0.0) << "letters alone";
  EXPECT_EQ(long_token.cursor, long_token.length());
}

// ReadReal agrees with strtod in the "C" locale on every token over the number alphabet.
TEST(ReadReal, ReadsEveryTokenAsStrtodDoesInTheCLocale) {
  std::vector<std::string> tokens = {"1" + std::string(60, '0') + "e300"};
  std::istringstream listed(
      "+1 +-1 -+1 --1 +.5 -. . 1.5e 1e+ 1e5.3 1e400 -1e400 1e-400 -1e-400 1.8e308 4e-324 "
      "2e-324 0.001e-400 0.0e999 123.4e306 0.000001e309");
  for (std::string token; listed >> token;) tokens.push_back(token);
  std::mt19937 random(11);
  const std::string alphabet = "+-.0123456789eE00112233";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> size(1, 14);
  for (int i = 0; i < 3000; ++i) {
    std::string token(1, alphabet[pick(random) % 13]);  // a byte that starts a number
    for (int n = size(random); n > 0; --n) token.push_back(alphabet[pick(random)]);
    tokens.push_back(token);
  }
  int differences = 0;
  for (const std::string& token : tokens) {
    const double ours = Reader(token).Real();
    const double library = std::strtod(token.c_str(), nullptr);
    if ((ours != library || std::signbit(ours) != std::signbit(library)) && differences++ < 5) {
      ADD_FAILURE() << '"' << token << "\" read as " << ours << ", strtod gives " << library;
    }
  }
  EXPECT_EQ(differences, 0);
}

TEST(ReadReal, ReadsAPointWhateverTheCLibraryLocale) {
  layra::testing::ScopedCommaNumbers comma;
  if (!comma.active()) GTEST_SKIP() << layra::testing::GetCommaLocale().reason;
  Reader r("1.50 120.33 2,5");
  EXPECT_EQ(r.Real(), 1.5);
  EXPECT_EQ(r.Real(), 120.33);
  EXPECT_EQ(r.Real(), 2.0) << "a comma separates numbers";
}

TEST(Trim, RemovesBlanksAnd255ButKeepsTabs) {
  std::string text = "\xff  a b\t \xff ";
  EXPECT_EQ(TrimLeft(text), 7);
  EXPECT_EQ(text, "a b\t \xff ");
  EXPECT_EQ(TrimRight(text), 4);
  EXPECT_EQ(text, "a b\t");
  std::string blanks = "   ";
  EXPECT_EQ(TrimRight(blanks), 0);
}

TEST(SortWithIndex, AscendingAndDescendingWithPermutation) {
  for (int ascending : {1, 0}) {
    float values[] = {3, 1, 2};
    int index[3];
    SortWithIndex(ascending, 3, values, index);
    EXPECT_EQ(std::vector<float>(values, values + 3),
              (ascending ? std::vector<float>{1, 2, 3} : std::vector<float>{3, 2, 1}));
    EXPECT_EQ(std::vector<int>(index, index + 3),
              (ascending ? std::vector<int>{2, 3, 1} : std::vector<int>{1, 3, 2}));
  }
  // The permutation moves a companion array along.
  float spacing[] = {10, 1, 100, 5, 50};
  float rho[] = {110, 11, 1100, 55, 550};
  int order[5];
  float scratch[5];
  SortWithIndex(1, 5, spacing, order);
  ApplyPermutation(rho, 5, scratch, order);
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(rho[k], spacing[k] * 11) << k;
}

TEST(ScanNumberSection, CountsWhatTheNumberReadersTakeUpToTheNextLabel) {
  struct Case {
    std::string text;  // the label line that ends at the cursor, then the section
    int numbers, trailing_zero_lines;
    std::string not_a_number;
    int numbers_before, line;
  };
  const Case cases[] = {
      {"Data\n1 2\r\n3,4\n\n5 6\nUser model\n7 8\n", 6, 0, "", 0, 0},
      {"Data\n1 2\n3 4\n0\n0\n0\n", 7, 3, "", 0, 0},
      {"Data\n1 2\n3 NaN\n4 5\n", 5, 0, "NaN", 3, 3},
      {"Data\n1 2\n-inf 4\nLabel\n", 4, 0, "-inf", 2, 3},
      // Words between numbers are passed over, digits after them are numbers.
      {"Data\n1 ohm 2 model3\n", 3, 0, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Reader r(c.text);
    const NumberSection section =
        ScanNumberSection(r.bytes, static_cast<long>(c.text.find('\n')), r.length());
    EXPECT_EQ(section.numbers, c.numbers);
    EXPECT_EQ(section.trailing_zero_lines, c.trailing_zero_lines);
    EXPECT_EQ(section.not_a_number, c.not_a_number);
    if (!c.not_a_number.empty()) {
      EXPECT_EQ(section.numbers_before, c.numbers_before);
      EXPECT_EQ(section.line, c.line);
    }
  }
}

TEST(LoadTextFile, ReadsWholeFileAndRefusesBuffersOutsideTheLimits) {
  std::string path = ::testing::TempDir() + "/layra_text_input.txt";
  std::ofstream(path, std::ios::binary) << "hello\r\n";
  TextFile file = LoadTextFile(path);
  EXPECT_TRUE(file.opened);
  EXPECT_EQ(file.length, 7);
  ASSERT_TRUE(file.HasBuffer());
  EXPECT_EQ(file.bytes[5], '\r');
  std::ofstream(path, std::ios::binary) << std::string(100000, 'a');
  file = LoadTextFile(path);
  EXPECT_TRUE(file.opened);
  EXPECT_FALSE(file.HasBuffer());
  std::remove(path.c_str());
  EXPECT_FALSE(LoadTextFile(path).opened);
}

}  // namespace
}  // namespace layra
