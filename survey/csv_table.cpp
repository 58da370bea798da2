#include "survey/csv_table.h"

#include <algorithm>
#include <cctype>

#include "state/text_format.h"

namespace layra {
namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// "V [mV]" -> key "v", unit "mv"; "AB/2 (m)" -> key "ab2", unit "m".
CsvColumn MakeColumn(const std::string& cell) {
  CsvColumn column;
  column.text = Trim(cell);
  std::string name = column.text;
  const size_t open = name.find_first_of("[(");
  if (open != std::string::npos) {
    const char close = name[open] == '[' ? ']' : ')';
    const size_t end = name.find(close, open + 1);
    column.unit =
        ToLowerAscii(Trim(name.substr(open + 1, end == std::string::npos ? end : end - open - 1)));
    name = name.substr(0, open);
  }
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      column.key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return column;
}

char DetectSeparator(const std::string& header) {
  for (char candidate : {'\t', ';', ','}) {
    if (header.find(candidate) != std::string::npos) return candidate;
  }
  return ',';
}

// Where a line starting at `at` ends (its CR, LF or CR LF), and where the
// next one starts.
std::size_t LineEnd(const std::string& text, std::size_t at, std::size_t* next) {
  const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
  *next = end +
          (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n'
               ? 2
               : 1);
  return end;
}

// Splits the row that starts at `at` into fields, following a quoted field
// over line breaks, and leaves *at at the start of the next row; *lines
// counts the lines the row took. False when a quoted field is not closed.
bool SplitRow(const std::string& text,
              std::size_t* at,
              char separator,
              int* lines,
              std::vector<std::string>* fields) {
  fields->clear();
  std::string field;
  bool quoted = false;
  bool was_quoted = false;
  *lines = 1;
  std::size_t i = *at;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        // A line break inside quotes belongs to the field.
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++*lines;
        field += c;
      }
    } else if (c == '\r' || c == '\n') {
      break;
    } else if (c == '"' && Trim(field).empty()) {
      quoted = true;
      was_quoted = true;
      field.clear();
    } else if (c == separator) {
      fields->push_back(was_quoted ? field : Trim(field));
      field.clear();
      was_quoted = false;
    } else if (!(was_quoted && (c == ' ' || c == '\t'))) {
      field += c;
    }
  }
  fields->push_back(was_quoted ? field : Trim(field));
  LineEnd(text, i, at);
  return !quoted;
}

}  // namespace

int CsvTable::Find(const std::vector<std::string>& keys) const {
  for (size_t c = 0; c < columns.size(); ++c) {
    for (const std::string& key : keys) {
      if (columns[c].key == key) return static_cast<int>(c);
    }
  }
  return -1;
}

bool ParseCsvTable(const std::string& text, CsvTable* table, std::string* error) {
  *table = CsvTable();
  // Text that is not 8-bit text: UTF-16 holds a NUL in every other byte.
  if (text.find('\0') != std::string::npos || text.compare(0, 2, "\xFF\xFE") == 0 ||
      text.compare(0, 2, "\xFE\xFF") == 0) {
    *error =
        "The file holds UTF-16 text or binary data (NUL bytes); save it as plain text (CSV, "
        "UTF-8).";
    return false;
  }
  bool have_header = false;
  int line_number = 1;
  std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // byte order mark
  std::vector<std::string> fields;
  while (start < text.size()) {
    std::size_t next = 0;
    const std::size_t end = LineEnd(text, start, &next);
    const std::string trimmed = Trim(text.substr(start, end - start));
    if (trimmed.empty() || trimmed[0] == '#') {
      start = next;
      ++line_number;
      continue;
    }
    if (!have_header) table->separator = DetectSeparator(text.substr(start, end - start));
    const int row_line = line_number;
    int lines = 1;
    if (!SplitRow(text, &start, table->separator, &lines, &fields)) {
      *error = "Row " + std::to_string(row_line) + ": a quoted field is not closed.";
      return false;
    }
    line_number += lines;
    if (!have_header) {
      for (const std::string& cell : fields) table->columns.push_back(MakeColumn(cell));
      have_header = true;
      continue;
    }
    // Spreadsheets pad short rows with empty fields and often leave a
    // trailing separator; only text beyond the header's columns is refused.
    while (fields.size() > table->columns.size() && fields.back().empty()) fields.pop_back();
    if (fields.size() > table->columns.size()) {
      *error = "Row " + std::to_string(row_line) + " has " + std::to_string(fields.size()) +
               " fields, but the header names only " + std::to_string(table->columns.size()) +
               " columns.";
      return false;
    }
    fields.resize(table->columns.size());
    table->rows.push_back({row_line, fields});
  }
  if (!have_header) {
    *error = "The file has no header row naming its columns.";
    return false;
  }
  return true;
}

std::optional<double> ParseCsvNumber(const std::string& field, char separator) {
  std::string text = Trim(field);
  if (text.empty()) return std::nullopt;
  if (separator != ',' && text.find('.') == std::string::npos) {
    const size_t comma = text.find(',');
    if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos) {
      text[comma] = '.';
    }
  }
  double value = 0.0;
  if (!ParseNumber(text, &value)) return std::nullopt;
  return value;
}

std::string QuoteCsvField(const std::string& field) {
  // Quoted where the reader would otherwise split, trim or skip the field.
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const bool plain =
      field.find_first_of(",\"\r\n") == std::string::npos &&
      (field.empty() || (!blank(field.front()) && !blank(field.back()) && field.front() != '#'));
  if (plain) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string ShortField(const std::string& field) {
  constexpr std::size_t kShown = 40;
  if (field.size() <= kShown) return field;
  std::size_t cut = kShown;
  // Not inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(field[cut]) & 0xC0) == 0x80) --cut;
  return field.substr(0, cut) + "... (" + std::to_string(field.size()) + " characters)";
}

}  // namespace layra
