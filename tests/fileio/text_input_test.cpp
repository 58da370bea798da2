#include "fileio/text_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/comma_locale.h"

namespace layra {
namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

TEST(ReadLine, SkipsBlankLinesAndLeadingBlanksAndStopsOnCarriageReturn) {
  auto buffer = Bytes("  \r\n\r\n  Title text  \r\nnext\n   \n");
  long cursor = 0;
  std::string line;
  EXPECT_EQ(ReadLine(buffer, buffer.size(), line, cursor, 80), 12);
  EXPECT_EQ(line, "Title text  ");
  ASSERT_LT(cursor, static_cast<long>(buffer.size()));
  EXPECT_EQ(buffer[cursor], '\r');
  ReadLine(buffer, buffer.size(), line, cursor, 80);
  EXPECT_EQ(line, "next");
  // Only blanks left: an empty line and the cursor at the end.
  EXPECT_EQ(ReadLine(buffer, buffer.size(), line, cursor, 80), 0);
  EXPECT_EQ(line, "");
  EXPECT_EQ(cursor, static_cast<long>(buffer.size()));
}

TEST(ReadLine, KeepsSeventyNineCharactersAndDropsTheRestOfTheLine) {
  std::string long_line(120, 'x');
  long_line[78] = 'y';
  long_line[79] = 'z';
  auto buffer = Bytes(long_line + "\nfollowing line\n");
  long cursor = 0;
  std::string line;
  EXPECT_EQ(ReadLine(buffer, buffer.size(), line, cursor, 80), 79);
  EXPECT_EQ(line.size(), 79u);
  EXPECT_EQ(line.back(), 'y');
  ReadLine(buffer, buffer.size(), line, cursor, 80);
  EXPECT_EQ(line, "following line");
}

TEST(ReadLine, ReturnsRestOfLineAfterANumberOrTheNextLine) {
  auto buffer = Bytes("12 label\n34   \nword\n");
  long cursor = 0;
  std::string line;
  EXPECT_EQ(ReadInt(buffer, cursor, buffer.size()), 12);
  ReadLine(buffer, buffer.size(), line, cursor, 80);
  EXPECT_EQ(line, "label");
  EXPECT_EQ(ReadInt(buffer, cursor, buffer.size()), 34);
  ReadLine(buffer, buffer.size(), line, cursor, 80);
  EXPECT_EQ(line, "word") << "trailing blanks after a number are not a line";
}

TEST(ReadInt, PassesOverLabelLinesAndTakesLeadingDigits) {
  auto buffer = Bytes("Number of data points\r\n24\r\n12.7 -3e2 . +5");
  long cursor = 0;
  long length = buffer.size();
  EXPECT_EQ(ReadInt(buffer, cursor, length), 24);
  EXPECT_EQ(ReadInt(buffer, cursor, length), 12);
  EXPECT_EQ(ReadInt(buffer, cursor, length), -3);
  EXPECT_EQ(ReadInt(buffer, cursor, length), 0) << "a lone point";
  EXPECT_EQ(ReadInt(buffer, cursor, length), 5);
  EXPECT_EQ(ReadInt(buffer, cursor, length), 0) << "empty token at the end";
}

TEST(ReadInt, SaturatesInsteadOfOverflowing) {
  auto buffer = Bytes("99999999999999999999 -99999999999999999999");
  long cursor = 0;
  EXPECT_EQ(ReadInt(buffer, cursor, buffer.size()), 2147483647);
  EXPECT_LT(ReadInt(buffer, cursor, buffer.size()), -2147483647);
}

TEST(ReadReal, ReadsLabelledValuesExponentsAndStopsAtD) {
  auto buffer = Bytes("a= 1.5e1, b=2\n1.5D2 7\n-0.25E-1");
  long cursor = 0;
  long length = buffer.size();
  EXPECT_DOUBLE_EQ(ReadReal(buffer, cursor, length), 15.0);
  EXPECT_DOUBLE_EQ(ReadReal(buffer, cursor, length), 2.0);
  EXPECT_DOUBLE_EQ(ReadReal(buffer, cursor, length), 1.5) << "d ends the value";
  EXPECT_DOUBLE_EQ(ReadReal(buffer, cursor, length), 7.0) << "the D2 belonged to the token";
  EXPECT_DOUBLE_EQ(ReadReal(buffer, cursor, length), -0.025);
}

TEST(ReadReal, TokensStopAtEightyCharactersAndLettersAloneGiveZero) {
  auto buffer = Bytes(std::string(100, '1') + " and nothing else");
  long cursor = 0;
  ReadReal(buffer, cursor, buffer.size());
  EXPECT_EQ(cursor, 80);
  ReadReal(buffer, cursor, buffer.size());  // the rest of the digits
  EXPECT_EQ(ReadReal(buffer, cursor, buffer.size()), 0.0);
  EXPECT_EQ(cursor, static_cast<long>(buffer.size()));
}

// ReadReal takes exactly the numbers the C library's strtod takes in the "C"
// locale: every token over the number alphabet, including signs, stray points,
// incomplete exponents and values beyond the double range.
TEST(ReadReal, ReadsEveryTokenAsStrtodDoesInTheCLocale) {
  std::vector<std::string> tokens = {"+1",
                                     "+-1",
                                     "-+1",
                                     "--1",
                                     "+.5",
                                     "-.",
                                     ".",
                                     "1.5e",
                                     "1e+",
                                     "1e5.3",
                                     "1e400",
                                     "-1e400",
                                     "1e-400",
                                     "-1e-400",
                                     "1.8e308",
                                     "4e-324",
                                     "2e-324",
                                     "0.001e-400",
                                     "0.0e999",
                                     "123.4e306",
                                     "0.000001e309",
                                     "1" + std::string(60, '0') + "e300"};
  std::mt19937 random(11);
  const std::string alphabet = "+-.0123456789eE00112233";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> size(1, 14);
  for (int i = 0; i < 100000; ++i) {
    std::string token(1, alphabet[pick(random) % 13]);  // a byte that starts a number
    for (int n = size(random); n > 0; --n) token.push_back(alphabet[pick(random)]);
    tokens.push_back(token);
  }
  int differences = 0;
  for (const std::string& token : tokens) {
    auto buffer = Bytes(token);
    long cursor = 0;
    const double ours = ReadReal(buffer, cursor, buffer.size());
    const double library = std::strtod(token.c_str(), nullptr);
    const bool same = ours == library && std::signbit(ours) == std::signbit(library);
    if (!same && differences++ < 5) {
      ADD_FAILURE() << '"' << token << "\" read as " << ours << ", strtod gives " << library;
    }
  }
  EXPECT_EQ(differences, 0);
}

TEST(ReadReal, ReadsAPointWhateverTheCLibraryLocale) {
  layra::testing::ScopedCommaNumbers comma;
  if (!comma.active()) GTEST_SKIP() << layra::testing::GetCommaLocale().reason;
  auto buffer = Bytes("1.50 120.33 2,5");
  long cursor = 0;
  EXPECT_EQ(ReadReal(buffer, cursor, buffer.size()), 1.5);
  EXPECT_EQ(ReadReal(buffer, cursor, buffer.size()), 120.33);
  EXPECT_EQ(ReadReal(buffer, cursor, buffer.size()), 2.0) << "a comma separates numbers";
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
  float values[] = {3, 1, 2};
  int index[3];
  SortWithIndex(1, 3, values, index);
  EXPECT_EQ(std::vector<float>(values, values + 3), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(std::vector<int>(index, index + 3), (std::vector<int>{2, 3, 1}));
  float down[] = {3, 1, 2};
  SortWithIndex(0, 3, down, index);
  EXPECT_EQ(std::vector<float>(down, down + 3), (std::vector<float>{3, 2, 1}));
  EXPECT_EQ(std::vector<int>(index, index + 3), (std::vector<int>{1, 3, 2}));

  // The permutation moves a companion array along.
  float spacing[] = {10, 1, 100, 5, 50};
  float rho[] = {110, 11, 1100, 55, 550};
  int order[5];
  float scratch[5];
  SortWithIndex(1, 5, spacing, order);
  ApplyPermutation(rho, 5, scratch, order);
  for (int k = 0; k < 5; ++k) EXPECT_FLOAT_EQ(rho[k], spacing[k] * 11) << k;
}

// The section counts numbers as the number readers take them, up to the
// next label line.
TEST(ScanNumberSection, CountsWhatTheNumberReadersTakeUpToTheNextLabel) {
  struct Case {
    std::string text;  // the label line that ends at the cursor, then the section
    int numbers;
    int trailing_zero_lines;
    std::string not_a_number;
    int numbers_before;
    int line;
  };
  const std::vector<Case> cases = {
      {"Data\n1 2\r\n3,4\n\n5 6\nUser model\n7 8\n", 6, 0, "", 0, 0},
      {"Data\n1 2\n3 4\n0\n0\n0\n", 7, 3, "", 0, 0},
      {"Data\n1 2\n3 NaN\n4 5\n", 5, 0, "NaN", 3, 3},
      {"Data\n1 2\n-inf 4\nLabel\n", 4, 0, "-inf", 2, 3},
      // Words between numbers are passed over, digits after them are numbers.
      {"Data\n1 ohm 2 model3\n", 3, 0, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<unsigned char> bytes(c.text.begin(), c.text.end());
    const NumberSection section = ScanNumberSection(
        bytes, static_cast<long>(c.text.find('\n')), static_cast<long>(bytes.size()));
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
