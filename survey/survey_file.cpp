#include "survey/survey_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>

#include "fileio/text_input.h"
#include "state/text_format.h"
#include "survey/csv_table.h"

namespace layra {
namespace {

std::string RowColumn(const CsvTable& table, const CsvRow& row, int column) {
  return "Row " + std::to_string(row.line) + ", column \"" +
         ShortField(table.columns[static_cast<size_t>(column)].text) + "\": ";
}

// A name that can be a file name on every common system: no separators, no
// characters that systems reserve, no control characters (a NUL would cut
// the name short).
bool UsableName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:*?\"<>|") == std::string::npos &&
         std::none_of(name.begin(), name.end(), [](char c) {
           return static_cast<unsigned char>(c) < 32 || c == 127;
         });
}

}  // namespace

bool ParseSurveyFile(const std::string& text,
                     const std::string& folder,
                     std::vector<SurveySounding>* soundings,
                     std::string* error) {
  namespace fs = std::filesystem;
  CsvTable table;
  if (!ParseCsvTable(text, &table, error)) return false;
  const int file = table.Find({"file", "datafile", "path"});
  const int x = table.Find({"x", "easting"});
  const int y = table.Find({"y", "northing"});
  const int elevation = table.Find({"elevation", "elev", "z"});
  const int name = table.Find({"name", "sounding", "station"});
  const int profile = table.Find({"profile", "line"});
  for (const auto& [column, label] : {std::pair{file, "file"},
                                      std::pair{x, "x"},
                                      std::pair{y, "y"},
                                      std::pair{elevation, "elevation"}}) {
    if (column < 0) {
      *error = std::string("The survey file needs a column \"") + label +
               "\" (columns: file, x, y, elevation, and optionally name and profile).";
      return false;
    }
  }
  std::vector<SurveySounding> result;
  std::set<std::string> names;
  for (const CsvRow& row : table.rows) {
    bool blank = true;
    for (const std::string& field : row.fields) blank = blank && field.empty();
    if (blank) continue;
    SurveySounding sounding;
    sounding.line = row.line;
    const std::string& path = row.fields[static_cast<size_t>(file)];
    if (path.empty()) {
      *error = RowColumn(table, row, file) + "the data file is missing.";
      return false;
    }
    const fs::path data_path(path);
    sounding.file = data_path.is_absolute() || folder.empty()
                        ? path
                        : (fs::path(folder) / data_path).lexically_normal().string();
    for (const auto& [column, target] : {std::pair{x, &sounding.x},
                                         std::pair{y, &sounding.y},
                                         std::pair{elevation, &sounding.elevation}}) {
      const std::string& field = row.fields[static_cast<size_t>(column)];
      const std::optional<double> value = ParseCsvNumber(field, table.separator);
      if (!value) {
        *error = RowColumn(table, row, column) +
                 (field.empty() ? std::string("the value is missing.")
                                : "\"" + ShortField(field) + "\" is not a number.");
        return false;
      }
      // Positions are metres in a projected system (northings reach 10^7);
      // a value far beyond would make distances and sections meaningless.
      if (std::fabs(*value) > kMaxSurveyCoordinate) {
        *error = RowColumn(table, row, column) +
                 StrFormat("%s is beyond the %g m a position can be from the origin.",
                           ShortField(field).c_str(),
                           kMaxSurveyCoordinate);
        return false;
      }
      *target = *value;
    }
    sounding.name = name >= 0 ? row.fields[static_cast<size_t>(name)] : "";
    if (sounding.name.empty()) sounding.name = data_path.stem().string();
    if (!UsableName(sounding.name)) {
      *error = RowColumn(table, row, name >= 0 ? name : file) + "\"" + ShortField(sounding.name) +
               "\" cannot name a results file.";
      return false;
    }
    if (!names.insert(sounding.name).second) {
      *error = RowColumn(table, row, name >= 0 ? name : file) + "the name \"" +
               ShortField(sounding.name) +
               "\" is used twice; each sounding needs its own name for its results file.";
      return false;
    }
    if (profile >= 0) sounding.profile = row.fields[static_cast<size_t>(profile)];
    result.push_back(sounding);
  }
  if (result.empty()) {
    *error = "The survey file lists no soundings.";
    return false;
  }
  *soundings = std::move(result);
  return true;
}

bool ReadSurveyFile(const std::string& path,
                    std::vector<SurveySounding>* soundings,
                    std::string* error) {
  std::string text;
  std::string problem;
  if (!ReadFileText(path, kMaxSurveyFileLength, &text, &problem)) {
    *error = "The survey file " + path + " " + problem + ".";
    return false;
  }
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (!ParseSurveyFile(text, folder, soundings, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool CheckCrs(const std::string& crs, std::string* error) {
  const std::string prefix = "EPSG:";
  bool digits = crs.size() > prefix.size();
  for (size_t i = prefix.size(); i < crs.size(); ++i) {
    digits = digits && std::isdigit(static_cast<unsigned char>(crs[i]));
  }
  if (crs.compare(0, prefix.size(), prefix) == 0 && digits) return true;
  *error = "--crs " + crs + ": give a coordinate system as EPSG:<code>, e.g. EPSG:32633.";
  return false;
}

}  // namespace layra
