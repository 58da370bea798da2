#include "survey/csv_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace layra {
namespace {

// Rows as "line:field|field|..." strings, or the error.
std::vector<std::string> Rows(const std::string& text) {
  CsvTable table;
  std::string error;
  if (!ParseCsvTable(text, &table, &error)) return {"error: " + error};
  std::vector<std::string> rows;
  for (const CsvRow& row : table.rows) {
    std::string joined = std::to_string(row.line) + ":";
    for (size_t f = 0; f < row.fields.size(); ++f) joined += (f > 0 ? "|" : "") + row.fields[f];
    rows.push_back(joined);
  }
  return rows;
}

// Every line end a spreadsheet or an old editor writes, and cells of several
// lines (Alt+Enter): the rows, and the line each starts on, are the same.
TEST(ParseCsvTable, ReadsEveryLineEndAndCellsOfSeveralLines) {
  const std::vector<std::string> expected = {"2:1|a", "3:2|b"};
  for (const char* end : {"\n", "\r\n", "\r"}) {
    const std::string e = end;
    EXPECT_EQ(Rows("x,remark" + e + "1,a" + e + "2,b" + e), expected) << "line end " << int(e[0]);
  }
  EXPECT_EQ(Rows("x,remark\n1,\"wet,\nclay \"\"soft\"\"\"\r\n\n2,b\n"),
            std::vector<std::string>({"2:1|wet,\nclay \"soft\"", "5:2|b"}));
  EXPECT_EQ(Rows("x,remark\n1,\"open\n2,b\n"),
            std::vector<std::string>({"error: Row 2: a quoted field is not closed."}));
}

// Text that is not 8-bit (UTF-16, binary) is refused as a whole: a NUL would
// otherwise cut a name or a number short.
TEST(ParseCsvTable, RefusesNulBytesAndUtf16) {
  const std::string utf16(
      "\xFF\xFE"
      "x\0,\0y\0",
      8);
  for (const std::string& text : {std::string("x,y\n1\0"
                                              "20,2\n",
                                              11),
                                  utf16}) {
    const std::vector<std::string> rows = Rows(text);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].find("UTF-16 text or binary data"), std::string::npos) << rows[0];
  }
}

// What the writer quotes reads back unchanged, whatever it holds.
TEST(QuoteCsvField, WritesWhatTheReaderReadsBack) {
  const std::vector<std::string> fields = {
      "plain", "a,b", "say \"x\"", "two\nlines", "cr\ronly", " padded ", "\ttab", "#1", "", "a;b"};
  for (const std::string& field : fields) {
    const std::vector<std::string> rows = Rows("name,n\n" + QuoteCsvField(field) + ",1\n");
    ASSERT_EQ(rows.size(), 1u) << field;
    EXPECT_EQ(rows[0].substr(rows[0].find(':') + 1), field + "|1");
  }
  EXPECT_EQ(QuoteCsvField("plain"), "plain");
}

TEST(ShortField, KeepsLongFieldsOutOfMessages) {
  EXPECT_EQ(ShortField("12.5x"), "12.5x");
  const std::string shown = ShortField(std::string(1 << 20, '7'));
  EXPECT_EQ(shown, std::string(40, '7') + "... (1048576 characters)");
}

}  // namespace
}  // namespace layra
