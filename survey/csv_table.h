#ifndef LAYRA_SURVEY_CSV_TABLE_H_
#define LAYRA_SURVEY_CSV_TABLE_H_

// The small tables a survey is described by (field sheets, survey files), as
// spreadsheets save them: a header row naming the columns, then one row per
// line. Fields are separated by commas, semicolons or tabs, whichever the
// header row uses (tab before semicolon before comma); a field may be quoted
// with double quotes ("" inside quotes is one quote), and a quoted field may
// hold line breaks (a cell with several lines). Lines end with LF, CR LF or
// CR alone. Blank lines and lines starting with '#' are skipped.

#include <optional>
#include <string>
#include <vector>

namespace layra {

struct CsvColumn {
  std::string text;  // the header cell as written, trimmed
  std::string key;   // its name in lower case with the unit and every non-alphanumeric removed
  std::string unit;  // what stood in [...] or (...) after the name, trimmed, in lower case
};

struct CsvRow {
  int line = 0;                     // 1-based line of the file where the row starts
  std::vector<std::string> fields;  // trimmed, unquoted; as many as the header has columns
};

struct CsvTable {
  char separator = ',';
  std::vector<CsvColumn> columns;
  std::vector<CsvRow> rows;

  // Index of the first column whose key is one of `keys`, or -1.
  int Find(const std::vector<std::string>& keys) const;
};

// Splits `text` into a table. False with a message in *error when there is no
// header row, a row has more fields than the header, a quote is not closed,
// or the text holds NUL bytes or starts with a UTF-16 byte order mark (it is
// not 8-bit text).
bool ParseCsvTable(const std::string& text, CsvTable* table, std::string* error);

// A decimal number filling the whole field. In a table separated by
// semicolons or tabs a comma is taken as the decimal mark ("1,5" is 1.5), as
// spreadsheets in many locales write it. Nothing for an empty field, text or
// a number that is not finite.
std::optional<double> ParseCsvNumber(const std::string& field, char separator);

// `field` quoted for a comma-separated file where ParseCsvTable would not
// read it back as it stands: when it holds a comma, a quote or a line break,
// begins or ends with a blank, or begins with '#'.
std::string QuoteCsvField(const std::string& field);

// `field` as a message quotes it: the first 40 bytes and its length when it
// is longer.
std::string ShortField(const std::string& field);

}  // namespace layra

#endif  // LAYRA_SURVEY_CSV_TABLE_H_
