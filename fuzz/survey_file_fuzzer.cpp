// Feeds arbitrary bytes to the survey-file reader. A survey it accepts must
// give outputs the program reads back: every name makes a results file name
// of its own in the output folder, and models.csv and soundings.geojson read
// back (by the table reader and a JSON parser) with the names, profiles and
// positions of the survey. A survey it refuses must say why.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "survey/csv_table.h"
#include "survey/survey_file.h"
#include "survey/survey_run.h"
#include "survey/survey_tables.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// models.csv writes positions with ten significant digits.
void CheckClose(const std::string& field, double expected) {
  const std::optional<double> value = layra::ParseCsvNumber(field, ',');
  Check(value.has_value());
  Check(std::fabs(*value - expected) <= 1e-9 * std::fabs(expected) + 1e-300);
}

bool Utf8(const std::string& text) {
  try {
    static_cast<void>(nlohmann::json(text).dump());
    return true;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  namespace fs = std::filesystem;
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  std::vector<layra::SurveySounding> soundings;
  std::string error;
  if (!layra::ParseSurveyFile(text, "/survey", &soundings, &error)) {
    Check(!error.empty());
    return 0;
  }
  // Each name is one file name of its own in the output folder.
  std::set<std::string> files;
  for (const layra::SurveySounding& s : soundings) {
    const fs::path file = fs::path("/out") / (s.name + ".INV");
    Check(s.name.find('\0') == std::string::npos);
    Check(file.parent_path() == "/out" && file.filename() == s.name + ".INV");
    Check(files.insert(file.string()).second);
    Check(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.elevation));
  }
  // The tables of a run in which every sounding has a one-layer model.
  std::vector<layra::SoundingResult> results(soundings.size());
  for (layra::SoundingResult& r : results) {
    r.status = layra::SoundingStatus::kOk;
    r.model.layerCount = 1;
    r.model.resistivity[0] = 100.0f;
  }
  layra::CsvTable table;
  Check(layra::ParseCsvTable(layra::FormatModelsCsv(soundings, results), &table, &error));
  Check(table.rows.size() == soundings.size());
  for (size_t i = 0; i < soundings.size(); ++i) {
    const std::vector<std::string>& row = table.rows[i].fields;
    Check(row[0] == soundings[i].name && row[1] == soundings[i].profile);
    CheckClose(row[2], soundings[i].x);
    CheckClose(row[3], soundings[i].y);
    CheckClose(row[4], soundings[i].elevation);
  }
  const nlohmann::json map = nlohmann::json::parse(
      layra::FormatSoundingsGeoJson(soundings, results, "", {}, "/out"), nullptr, false);
  Check(!map.is_discarded() && map["features"].size() == soundings.size());
  for (size_t i = 0; i < soundings.size(); ++i) {
    // Names and profiles that are UTF-8 text read back as they are (other
    // bytes become U+FFFD).
    const nlohmann::json& properties = map["features"][i]["properties"];
    Check(!Utf8(soundings[i].name) || properties["name"] == soundings[i].name);
    Check(!Utf8(soundings[i].profile) || properties["profile"] == soundings[i].profile);
  }
  return 0;
}
