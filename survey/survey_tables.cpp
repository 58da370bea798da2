#include "survey/survey_tables.h"

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "state/text_format.h"
#include "survey/csv_table.h"

namespace layra {
namespace {

std::string Number(double value) { return StrFormat("%.10g", value); }
std::string Stored(float value) { return StrFormat("%.7g", static_cast<double>(value)); }

// The value of a number as written in `text` (one of the texts above), for
// the GeoJSON properties that give the same digits as models.csv; NaN (null
// in JSON) for a text that is not a number.
double ValueOf(const std::string& text) {
  double value = NAN;
  ParseNumber(text, &value);
  return value;
}

}  // namespace

int MostConductiveLayer(const LayeredModel& model) {
  int best = -1;
  for (int j = 0; j < model.layerCount; ++j) {
    if (best < 0 || model.resistivity[j] < model.resistivity[best]) best = j;
  }
  return best;
}

std::string FormatModelsCsv(const std::vector<SurveySounding>& soundings,
                            const std::vector<SoundingResult>& results) {
  bool ip = false;
  bool sip = false;
  for (const SoundingResult& result : results) {
    if (result.status != SoundingStatus::kOk) continue;
    ip = ip || result.dataKind != DataKind::kResistivity;
    sip = sip || result.dataKind == DataKind::kSip;
  }
  std::string text = "name,profile,x,y,elevation,layer,top,bottom,resistivity";
  if (ip) text += ",chargeability";
  if (sip) text += ",tau,c";
  text += ",misfit,doi\n";
  for (size_t i = 0; i < soundings.size() && i < results.size(); ++i) {
    const SurveySounding& sounding = soundings[i];
    const SoundingResult& result = results[i];
    if (result.status != SoundingStatus::kOk) continue;
    const LayeredModel& model = result.model;
    for (int j = 0; j < model.layerCount; ++j) {
      const bool last = j + 1 == model.layerCount;
      text += QuoteCsvField(sounding.name) + ',' + QuoteCsvField(sounding.profile) + ',' +
              Number(sounding.x) + ',' + Number(sounding.y) + ',' + Number(sounding.elevation) +
              ',' + std::to_string(j + 1) + ',' + Stored(model.depthTop[j]) + ',' +
              (last ? "" : Stored(model.depthTop[j] + model.thickness[j])) + ',' +
              Stored(model.resistivity[j]);
      const bool has_ip = result.dataKind != DataKind::kResistivity;
      const bool has_sip = result.dataKind == DataKind::kSip;
      if (ip) text += ',' + (has_ip ? Stored(model.chargeability[j]) : "");
      if (sip) {
        text += ',' + (has_sip ? Stored(model.timeConstant[j]) : "") + ',' +
                (has_sip ? Stored(model.exponent[j]) : "");
      }
      text += ',' + StrFormat("%.4g", 100.0 * result.misfit) + ',' +
              (result.doiKnown ? StrFormat("%.4g", result.doi) : "") + '\n';
    }
  }
  return text;
}

std::string FormatSoundingsGeoJson(const std::vector<SurveySounding>& soundings,
                                   const std::vector<SoundingResult>& results,
                                   const std::string& crs,
                                   const std::vector<MapPosition>& positions,
                                   const std::string& folder) {
  using nlohmann::json;
  namespace fs = std::filesystem;
  const fs::path base = fs::absolute(folder.empty() ? fs::path(".") : fs::path(folder));
  json features = json::array();
  for (size_t i = 0; i < soundings.size() && i < results.size(); ++i) {
    const SurveySounding& sounding = soundings[i];
    const SoundingResult& result = results[i];
    const bool ok = result.status == SoundingStatus::kOk;
    json properties;
    properties["name"] = sounding.name;
    properties["profile"] = sounding.profile;
    properties["x"] = sounding.x;
    properties["y"] = sounding.y;
    properties["elevation"] = sounding.elevation;
    if (!crs.empty()) properties["crs"] = crs;
    properties["status"] = SoundingStatusName(result.status);
    properties["message"] = result.message;
    properties["results_file"] = result.resultsFile.empty()
                                     ? std::string()
                                     : fs::absolute(result.resultsFile)
                                           .lexically_normal()
                                           .lexically_relative(base.lexically_normal())
                                           .generic_string();
    properties["layers"] = ok ? json(result.model.layerCount) : json(nullptr);
    properties["iterations"] = ok ? json(result.iterations) : json(nullptr);
    properties["misfit"] =
        ok ? json(ValueOf(StrFormat("%.4g", 100.0 * result.misfit))) : json(nullptr);
    const int layer = ok ? MostConductiveLayer(result.model) : -1;
    const LayeredModel& model = result.model;
    const bool bottom = layer >= 0 && layer + 1 < model.layerCount;
    auto stored = [](float value) { return ValueOf(Stored(value)); };
    properties["conductive_top"] = layer >= 0 ? json(stored(model.depthTop[layer])) : json(nullptr);
    properties["conductive_bottom"] =
        bottom ? json(stored(model.depthTop[layer] + model.thickness[layer])) : json(nullptr);
    properties["conductive_resistivity"] =
        layer >= 0 ? json(stored(model.resistivity[layer])) : json(nullptr);
    if (ok && result.doiKnown) properties["doi"] = ValueOf(StrFormat("%.4g", result.doi));
    // Seven decimals of a degree are about a centimetre.
    json geometry = nullptr;
    if (i < positions.size()) {
      geometry = {{"type", "Point"},
                  {"coordinates",
                   {ValueOf(StrFormat("%.7f", positions[i].longitude)),
                    ValueOf(StrFormat("%.7f", positions[i].latitude))}}};
    }
    features.push_back({{"type", "Feature"}, {"geometry", geometry}, {"properties", properties}});
  }
  // One feature a line: small enough to read, and a diff shows what changed.
  std::string text = "{\"type\": \"FeatureCollection\",\n\"features\": [\n";
  for (size_t i = 0; i < features.size(); ++i) {
    // Texts that are not UTF-8 (a name or a path in Latin-1) get U+FFFD for
    // their bad bytes: JSON is UTF-8.
    text += features[i].dump(-1, ' ', false, json::error_handler_t::replace) +
            (i + 1 < features.size() ? ",\n" : "\n");
  }
  return text + "]}\n";
}

}  // namespace layra
