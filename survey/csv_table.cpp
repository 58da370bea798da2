#include "survey/csv_table.h"

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

// Splits one line; false when a quoted field is not closed.
bool SplitLine(const std::string& line, char separator, std::vector<std::string>* fields) {
  fields->clear();
  std::string field;
  bool quoted = false;
  bool was_quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && Trim(field).empty()) {
      quoted = true;
      was_quoted = true;
      field.clear();
    } else if (c == separator) {
      fields->push_back(was_quoted ? field : Trim(field));
      field.clear();
      was_quoted = false;
    } else if (!(was_quoted && (c == ' ' || c == '\t' || c == '\r'))) {
      field += c;
    }
  }
  fields->push_back(was_quoted ? field : Trim(field));
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
  bool have_header = false;
  int line_number = 0;
  size_t start = 0;
  std::vector<std::string> fields;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++line_number;
    if (line_number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // BOM
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    if (!have_header) table->separator = DetectSeparator(line);
    if (!SplitLine(line, table->separator, &fields)) {
      *error = "Row " + std::to_string(line_number) + ": a quoted field is not closed.";
      return false;
    }
    if (!have_header) {
      for (const std::string& cell : fields) table->columns.push_back(MakeColumn(cell));
      have_header = true;
      continue;
    }
    // Spreadsheets pad short rows with empty fields and often leave a
    // trailing separator; only text beyond the header's columns is refused.
    while (fields.size() > table->columns.size() && fields.back().empty()) fields.pop_back();
    if (fields.size() > table->columns.size()) {
      *error = "Row " + std::to_string(line_number) + " has " + std::to_string(fields.size()) +
               " fields, but the header names only " + std::to_string(table->columns.size()) +
               " columns.";
      return false;
    }
    fields.resize(table->columns.size());
    table->rows.push_back({line_number, fields});
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
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace layra
