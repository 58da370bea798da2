#include "project/project_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <utility>

#include "fileio/atomic_file.h"
#include "project/reading_merge.h"

namespace layra {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

// Numbers: a value that is not finite (a left-out point's calculated value)
// is written as null and read back as NaN.
json Number(double value) { return std::isfinite(value) ? json(value) : json(nullptr); }
double ToNumber(const json& value) {
  return value.is_number() ? value.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

template <typename Values>
json List(const Values& values, int count) {
  json list = json::array();
  for (int i = 0; i < count && i < static_cast<int>(values.size()); ++i) {
    list.push_back(Number(static_cast<double>(values[static_cast<size_t>(i)])));
  }
  return list;
}
template <typename Values>
void FromList(const json& list, Values& values) {
  if (!list.is_array()) return;
  for (size_t i = 0; i < list.size() && i < values.size(); ++i) {
    values[i] = static_cast<typename Values::value_type>(ToNumber(list[i]));
  }
}
std::vector<double> Doubles(const json& list) {
  std::vector<double> values;
  if (list.is_array()) {
    for (const json& value : list) values.push_back(ToNumber(value));
  }
  return values;
}

// Points left out, 1-based.
json LeftOut(const std::array<unsigned char, kMaxPoints>& excluded) {
  json points = json::array();
  for (int p = 0; p < kMaxPoints; ++p) {
    if (excluded[static_cast<size_t>(p)]) points.push_back(p + 1);
  }
  return points;
}
void FromLeftOut(const json& points, std::array<unsigned char, kMaxPoints>& excluded) {
  excluded.fill(0);
  if (!points.is_array()) return;
  for (const json& point : points) {
    const int p = point.is_number_integer() ? point.get<int>() - 1 : -1;
    if (p >= 0 && p < kMaxPoints) excluded[static_cast<size_t>(p)] = 1;
  }
}

json ModelJson(const LayeredModel& model) {
  const int layers = model.layerCount;
  return {{"layers", layers},
          {"resistivity", List(model.resistivity, layers)},
          {"thickness", List(model.thickness, std::max(layers - 1, 0))},
          {"depthTop", List(model.depthTop, layers)},
          {"chargeability", List(model.chargeability, layers)},
          {"timeConstant", List(model.timeConstant, layers)},
          {"exponent", List(model.exponent, layers)}};
}
LayeredModel ModelFrom(const json& object) {
  LayeredModel model;
  model.layerCount = std::clamp(object.value("layers", 0), 0, kMaxLayers);
  FromList(object.value("resistivity", json()), model.resistivity);
  FromList(object.value("thickness", json()), model.thickness);
  FromList(object.value("depthTop", json()), model.depthTop);
  FromList(object.value("chargeability", json()), model.chargeability);
  FromList(object.value("timeConstant", json()), model.timeConstant);
  FromList(object.value("exponent", json()), model.exponent);
  return model;
}

json SettingsJson(const InversionSettings& s) {
  return {{"initialDampingFactor", s.initialDampingFactor},
          {"minimumDampingFactor", s.minimumDampingFactor},
          {"iterationLimit", s.iterationLimit},
          {"convergenceLimit", s.convergenceLimit},
          {"dataConstraint", s.dataConstraint},
          {"modelConstraint", s.modelConstraint},
          {"dataCutoff", s.dataCutoff},
          {"modelCutoff", s.modelCutoff},
          {"additionalIterations", s.additionalIterations}};
}
InversionSettings SettingsFrom(const json& o) {
  InversionSettings s;
  s.initialDampingFactor = o.value("initialDampingFactor", s.initialDampingFactor);
  s.minimumDampingFactor = o.value("minimumDampingFactor", s.minimumDampingFactor);
  s.iterationLimit = o.value("iterationLimit", s.iterationLimit);
  s.convergenceLimit = o.value("convergenceLimit", s.convergenceLimit);
  s.dataConstraint = o.value("dataConstraint", s.dataConstraint);
  s.modelConstraint = o.value("modelConstraint", s.modelConstraint);
  s.dataCutoff = o.value("dataCutoff", s.dataCutoff);
  s.modelCutoff = o.value("modelCutoff", s.modelCutoff);
  s.additionalIterations = o.value("additionalIterations", s.additionalIterations);
  return s;
}

json EngineJson(const EngineOptions& e) {
  json bounds = json::array();
  for (const ParameterBound& bound : e.bounds) {
    bounds.push_back({{"name", bound.name}, {"low", bound.low}, {"high", bound.high}});
  }
  return {{"engine", EngineName(e.engine)},
          {"errorFloorPercent", e.errorFloorPercent},
          {"assumedErrorPercent", e.assumedErrorPercent},
          {"estimateErrors", e.estimateErrors},
          {"fixed", e.fixed},
          {"bounds", bounds}};
}
EngineOptions EngineFrom(const json& o) {
  EngineOptions e;
  e.engine = o.value("engine", std::string()) == "accurate" ? EngineKind::kAccurate
                                                            : EngineKind::kDocumented;
  e.errorFloorPercent = o.value("errorFloorPercent", e.errorFloorPercent);
  e.assumedErrorPercent = o.value("assumedErrorPercent", e.assumedErrorPercent);
  e.estimateErrors = o.value("estimateErrors", e.estimateErrors);
  e.fixed = o.value("fixed", std::vector<std::string>());
  for (const json& bound : o.value("bounds", json::array())) {
    e.bounds.push_back(
        {bound.value("name", std::string()), bound.value("low", 0.0), bound.value("high", 0.0)});
  }
  return e;
}

json FitJson(const FitReport& f) {
  json hits = json::array();
  for (const BoundHit& hit : f.bound_hits) {
    hits.push_back(
        {{"name", hit.name}, {"high", hit.high}, {"bound", hit.bound}, {"user", hit.user}});
  }
  return {{"assessed", f.assessed},
          {"status", FitStatusName(f.status)},
          {"reason", f.reason},
          {"targetChi2", Number(f.target_chi2)},
          {"leastChi2", Number(f.least_chi2)},
          {"fileErrors", f.file_errors},
          {"errorEstimated", f.error_estimated},
          {"errorPercent", Number(f.error_percent)},
          {"boundHits", hits},
          {"starts", f.starts},
          {"bestStart", f.best_start},
          {"bestStartName", f.best_start_name},
          {"ownStartChi2", Number(f.own_start_chi2)}};
}
FitReport FitFrom(const json& o) {
  FitReport f;
  f.assessed = o.value("assessed", false);
  const std::string status = o.value("status", std::string("ok"));
  f.status = status == "above target"     ? FitStatus::kAboveTarget
             : status == "not at minimum" ? FitStatus::kNotAtMinimum
                                          : FitStatus::kOk;
  f.reason = o.value("reason", std::string());
  f.target_chi2 = ToNumber(o.value("targetChi2", json(0.0)));
  f.least_chi2 = ToNumber(o.value("leastChi2", json(0.0)));
  f.file_errors = o.value("fileErrors", false);
  f.error_estimated = o.value("errorEstimated", false);
  f.error_percent = ToNumber(o.value("errorPercent", json(0.0)));
  for (const json& hit : o.value("boundHits", json::array())) {
    f.bound_hits.push_back({hit.value("name", std::string()),
                            hit.value("high", false),
                            hit.value("bound", 0.0),
                            hit.value("user", false)});
  }
  f.starts = o.value("starts", 0);
  f.best_start = o.value("bestStart", 0);
  f.best_start_name = o.value("bestStartName", std::string());
  f.own_start_chi2 = ToNumber(o.value("ownStartChi2", json(0.0)));
  return f;
}

// The names the file gives run states and stop reasons.
constexpr const char* kStatusNames[] = {"completed", "cancelled", "failed"};
constexpr const char* kStopNames[] = {
    "converged", "iteration limit", "no improvement", "cancelled", "failed", "misfit above target"};
template <size_t N>
int IndexOf(const char* const (&names)[N], const std::string& name, int otherwise) {
  for (size_t i = 0; i < N; ++i) {
    if (name == names[i]) return static_cast<int>(i);
  }
  return otherwise;
}

json RunJson(const SoundingRun& run, const SoundingData& data) {
  const RunOptions& o = run.options;
  const InversionOutcome& r = run.outcome;
  // The run's values cover the points it was made on, which may differ from
  // the data's points now.
  const int points = std::clamp(run.PointCount(data), 0, kMaxPoints);
  const int sip = data.dataKind == DataKind::kSip ? points * data.frequencyCount : 0;
  json options = {{"fromModel", o.from_model},
                  {"startModel", ModelJson(o.start_model)},
                  {"fileFixesParameters", o.file_fixes_parameters},
                  {"settings", SettingsJson(o.settings)},
                  {"engine", EngineJson(o.engine)},
                  {"thicknessFactor", o.thickness_factor},
                  {"leftOut", LeftOut(o.excluded)},
                  {"resultsFile", o.results_path},
                  {"removeResults", o.remove_results}};
  json outcome = {{"status", kStatusNames[static_cast<int>(r.runStatus)]},
                  {"stopReason", kStopNames[static_cast<int>(r.stopReason)]},
                  {"message", r.runMessage},
                  {"resultsFile", r.resultsFile},
                  {"model", ModelJson(r.model)},
                  {"settings", SettingsJson(r.settings)},
                  {"lastIteration", r.lastIteration},
                  {"misfit", Number(r.finalMisfit)},
                  {"ipMisfit", Number(r.finalIpMisfit)},
                  {"sipMisfit", Number(r.finalSipMisfit)},
                  {"chi2", Number(r.chi2)},
                  {"regularisation", Number(r.regularisation)},
                  {"calculatedResistivity", List(r.calculatedResistivity, points)},
                  {"calculatedIp", List(r.calculatedIp, points)},
                  {"calculatedAmplitude", List(r.calculatedAmplitude, sip)},
                  {"calculatedPhase", List(r.calculatedPhase, sip)},
                  {"fittedTimeConstant", List(r.fittedTimeConstant, points)},
                  {"fittedExponent", List(r.fittedExponent, points)},
                  {"misfits", List(r.misfits, r.lastIteration + 1)},
                  {"warnings", r.warnings},
                  {"fit", FitJson(r.fit)}};
  json stored = {{"options", options}, {"outcome", outcome}};
  if (!run.spacing.empty())
    stored["spacing"] = List(run.spacing, static_cast<int>(run.spacing.size()));
  return stored;
}
SoundingRun RunFrom(const json& o) {
  SoundingRun run;
  const json options = o.value("options", json::object());
  RunOptions& p = run.options;
  p.from_model = options.value("fromModel", false);
  p.start_model = ModelFrom(options.value("startModel", json::object()));
  p.file_fixes_parameters = options.value("fileFixesParameters", false);
  p.settings = SettingsFrom(options.value("settings", json::object()));
  p.engine = EngineFrom(options.value("engine", json::object()));
  p.thickness_factor = options.value("thicknessFactor", 1.25f);
  FromLeftOut(options.value("leftOut", json()), p.excluded);
  p.results_path = options.value("resultsFile", std::string());
  p.remove_results = options.value("removeResults", false);
  const json outcome = o.value("outcome", json::object());
  InversionOutcome& r = run.outcome;
  r.runStatus =
      static_cast<RunStatus>(IndexOf(kStatusNames, outcome.value("status", std::string()), 2));
  r.stopReason =
      static_cast<StopReason>(IndexOf(kStopNames, outcome.value("stopReason", std::string()), 4));
  r.runMessage = outcome.value("message", std::string());
  r.resultsFile = outcome.value("resultsFile", std::string());
  r.model = ModelFrom(outcome.value("model", json::object()));
  r.settings = SettingsFrom(outcome.value("settings", json::object()));
  r.lastIteration = std::clamp(outcome.value("lastIteration", 0), 0, kMaxRunIterations);
  r.finalMisfit = static_cast<float>(ToNumber(outcome.value("misfit", json(0.0))));
  r.finalIpMisfit = static_cast<float>(ToNumber(outcome.value("ipMisfit", json(0.0))));
  r.finalSipMisfit = static_cast<float>(ToNumber(outcome.value("sipMisfit", json(0.0))));
  r.chi2 = ToNumber(outcome.value("chi2", json(0.0)));
  r.regularisation = ToNumber(outcome.value("regularisation", json(0.0)));
  FromList(outcome.value("calculatedResistivity", json()), r.calculatedResistivity);
  FromList(outcome.value("calculatedIp", json()), r.calculatedIp);
  FromList(outcome.value("calculatedAmplitude", json()), r.calculatedAmplitude);
  FromList(outcome.value("calculatedPhase", json()), r.calculatedPhase);
  FromList(outcome.value("fittedTimeConstant", json()), r.fittedTimeConstant);
  FromList(outcome.value("fittedExponent", json()), r.fittedExponent);
  FromList(outcome.value("misfits", json()), r.misfits);
  r.warnings = outcome.value("warnings", std::vector<std::string>());
  r.fit = FitFrom(outcome.value("fit", json::object()));
  // Projects written before runs kept their points have none: the data's.
  const json spacing = o.value("spacing", json());
  if (spacing.is_array()) {
    FloatArray<kMaxPoints> values{};
    FromList(spacing, values);
    run.spacing.assign(values.begin(),
                       values.begin() + std::min<size_t>(spacing.size(), values.size()));
  }
  return run;
}

json RangesJson(const std::vector<LayerRange>& ranges) {
  json list = json::array();
  for (const LayerRange& r : ranges) {
    list.push_back({{"layer", r.layer},
                    {"value", Number(r.value)},
                    {"low", Number(r.low)},
                    {"high", Number(r.high)}});
  }
  return list;
}
std::vector<LayerRange> RangesFrom(const json& list) {
  std::vector<LayerRange> ranges;
  for (const json& r : list) {
    ranges.push_back({r.value("layer", 0),
                      ToNumber(r.value("value", json())),
                      ToNumber(r.value("low", json())),
                      ToNumber(r.value("high", json()))});
  }
  return ranges;
}

json UncertaintyJson(const RunUncertainty& u) {
  if (!u.few_layer) {
    return {{"kind", "smooth"},
            {"doi", Number(u.smooth.doi)},
            {"doiReached", u.smooth.doi_reached},
            {"doiIndex", List(u.smooth.doi_index, static_cast<int>(u.smooth.doi_index.size()))}};
  }
  const FewLayerUncertainty& f = u.few;
  json parameters = json::array();
  for (const ParameterRange& p : f.parameters) {
    parameters.push_back({{"name", p.name},
                          {"value", Number(p.value)},
                          {"low", Number(p.low)},
                          {"high", Number(p.high)},
                          {"factor", Number(p.factor)},
                          {"fixed", p.fixed},
                          {"openLow", p.open_low},
                          {"openHigh", p.open_high}});
  }
  json models = json::array();
  for (const EquivalentModel& m : f.equivalent_models) {
    models.push_back({{"resistivity", List(m.resistivity, static_cast<int>(m.resistivity.size()))},
                      {"thickness", List(m.thickness, static_cast<int>(m.thickness.size()))}});
  }
  json correlation = json::array();
  for (const std::vector<double>& row : f.correlation) {
    correlation.push_back(List(row, static_cast<int>(row.size())));
  }
  return {{"kind", "few-layer"},
          {"dataCount", f.data_count},
          {"bestChi2", Number(f.best_chi2)},
          {"thresholdChi2", Number(f.threshold_chi2)},
          {"varianceScale", Number(f.variance_scale)},
          {"acceptableFound", f.acceptable_found},
          {"parameters", parameters},
          {"conductance", RangesJson(f.conductance)},
          {"transverse", RangesJson(f.transverse)},
          {"correlation", correlation},
          {"equivalentModels", models}};
}
RunUncertainty UncertaintyFrom(const json& o) {
  RunUncertainty u;
  u.few_layer = o.value("kind", std::string()) == "few-layer";
  if (!u.few_layer) {
    u.smooth.doi = ToNumber(o.value("doi", json(0.0)));
    u.smooth.doi_reached = o.value("doiReached", false);
    u.smooth.doi_index = Doubles(o.value("doiIndex", json()));
    return u;
  }
  FewLayerUncertainty& f = u.few;
  f.data_count = o.value("dataCount", 0);
  f.best_chi2 = ToNumber(o.value("bestChi2", json()));
  f.threshold_chi2 = ToNumber(o.value("thresholdChi2", json()));
  f.variance_scale = ToNumber(o.value("varianceScale", json(1.0)));
  f.acceptable_found = o.value("acceptableFound", 0);
  for (const json& p : o.value("parameters", json::array())) {
    ParameterRange range;
    range.name = p.value("name", std::string());
    range.value = ToNumber(p.value("value", json()));
    range.low = ToNumber(p.value("low", json()));
    range.high = ToNumber(p.value("high", json()));
    range.factor = ToNumber(p.value("factor", json(1.0)));
    range.fixed = p.value("fixed", false);
    range.open_low = p.value("openLow", false);
    range.open_high = p.value("openHigh", false);
    f.parameters.push_back(range);
  }
  f.conductance = RangesFrom(o.value("conductance", json::array()));
  f.transverse = RangesFrom(o.value("transverse", json::array()));
  for (const json& row : o.value("correlation", json::array())) {
    f.correlation.push_back(Doubles(row));
  }
  for (const json& m : o.value("equivalentModels", json::array())) {
    f.equivalent_models.push_back(
        {Doubles(m.value("resistivity", json())), Doubles(m.value("thickness", json()))});
  }
  return u;
}

json SoundingJson(const ProjectSounding& sounding, const fs::path& folder) {
  std::error_code failed;
  fs::path relative = fs::path(sounding.dataFile).lexically_relative(folder);
  if (relative.empty()) relative = fs::path(sounding.dataFile);
  const std::string data_file = relative.generic_string();
  if (sounding.document == nullptr) {
    // Kept as it was read, with its data file named from the new place.
    json kept = json::parse(sounding.stored, nullptr, false);
    if (kept.is_discarded() || !kept.is_object()) kept = json::object();
    kept["dataFile"] = data_file;
    return kept;
  }
  const SoundingDocument& d = *sounding.document;
  json runs = json::array();
  for (const SoundingRun& run : d.runs) runs.push_back(RunJson(run, d.data));
  json object = {{"dataFile", data_file},
                 {"title", d.data.title},
                 {"leftOut", LeftOut(d.excluded)},
                 {"settings", SettingsJson(d.settings)},
                 {"engine", EngineJson(d.engine)},
                 {"thicknessFactor", d.thicknessFactor},
                 {"model", ModelJson(d.model)},
                 {"runs", runs},
                 {"shownRun", sounding.shownRun},
                 {"modelShown", sounding.modelShown},
                 {"leftOutReadings", sounding.leftOutReadings},
                 {"comparedRuns", sounding.comparedRuns}};
  if (sounding.uncertainty) {
    object["equivalence"] = {{"run", sounding.analysedRun},
                             {"result", UncertaintyJson(*sounding.uncertainty)}};
  }
  return object;
}

// Restores what `object` keeps of a sounding onto the document read from
// its data file. Runs and indexes that do not fit the data read are dropped.
void RestoreSounding(const json& object, ProjectSounding& sounding) {
  SoundingDocument& d = *sounding.document;
  // Readings left out of the merge first: the points below are its points.
  std::vector<bool> readings(static_cast<size_t>(std::max(d.readings.pointCount, 0)), false);
  for (int reading : object.value("leftOutReadings", std::vector<int>())) {
    if (reading < 1 || reading > d.readings.pointCount) continue;
    readings[static_cast<size_t>(reading - 1)] = true;
    sounding.leftOutReadings.push_back(reading);
  }
  std::string refused;
  if (!sounding.leftOutReadings.empty()) {
    SoundingData merged;
    if (MergeReadings(d.readings, readings, &merged, &refused)) {
      merged.dataFileName = d.data.dataFileName;
      d.data = merged;
    } else {
      sounding.leftOutReadings.clear();
    }
  }
  FromLeftOut(object.value("leftOut", json()), d.excluded);
  for (int p = d.data.pointCount; p < kMaxPoints; ++p) d.excluded[static_cast<size_t>(p)] = 0;
  d.settings = SettingsFrom(object.value("settings", json::object()));
  d.engine = EngineFrom(object.value("engine", json::object()));
  d.thicknessFactor = object.value("thicknessFactor", d.thicknessFactor);
  if (object.contains("model")) d.model = ModelFrom(object["model"]);
  for (const json& run : object.value("runs", json::array())) d.runs.push_back(RunFrom(run));
  const int runs = static_cast<int>(d.runs.size());
  const int shown = object.value("shownRun", -1);
  sounding.shownRun = shown >= 0 && shown < runs ? shown : -1;
  sounding.modelShown = object.value("modelShown", false) && d.model.layerCount > 0;
  for (int compared : object.value("comparedRuns", std::vector<int>())) {
    if (compared >= 0 && compared < runs) sounding.comparedRuns.push_back(compared);
  }
  if (object.contains("equivalence")) {
    const json& analysis = object["equivalence"];
    const int run = analysis.value("run", -1);
    if (run >= 0 && run < runs) {
      sounding.analysedRun = run;
      sounding.uncertainty = UncertaintyFrom(analysis.value("result", json::object()));
    }
  }
}

}  // namespace

std::string ProjectJson(const Project& project, const std::string& project_path) {
  const fs::path folder = fs::absolute(fs::path(project_path)).parent_path();
  json soundings = json::array();
  for (const ProjectSounding& sounding : project.soundings) {
    soundings.push_back(SoundingJson(sounding, folder));
  }
  json root = {{"format", "layra project"},
               {"version", kProjectVersion},
               {"current", project.current},
               {"soundings", soundings}};
  return root.dump(1) + "\n";
}

bool SaveProject(const Project& project, const std::string& path, std::string* error) {
  return WriteFileAtomically(path, ProjectJson(project, path), error);
}

bool ProjectFromJson(const std::string& text,
                     const std::string& folder,
                     Project* project,
                     ListingSink& messages,
                     std::string* error) {
  const json root = json::parse(text, nullptr, false);
  if (root.is_discarded() || !root.is_object() || !root.contains("soundings") ||
      !root["soundings"].is_array()) {
    *error = "This is not a LAYRA project file (JSON with a list of soundings).";
    return false;
  }
  const json version = root.value("version", json());
  if (!version.is_number_integer() || version.get<int>() < 1) {
    *error = "The project file has no version.";
    return false;
  }
  if (version.get<int>() > kProjectVersion) {
    *error = "The project file was written by a later version of LAYRA (project version " +
             std::to_string(version.get<int>()) + ").";
    return false;
  }
  Project read;
  for (const json& object : root["soundings"]) {
    if (!object.is_object()) continue;
    ProjectSounding sounding;
    const std::string named = object.value("dataFile", std::string());
    fs::path data_file(named);
    if (data_file.is_relative()) data_file = fs::path(folder) / data_file;
    sounding.dataFile = data_file.lexically_normal().string();
    std::error_code failed;
    if (named.empty() || !fs::is_regular_file(data_file, failed)) {
      sounding.stored = object.dump();
      sounding.problem = "The data file " + sounding.dataFile + " does not exist.";
    } else {
      // The settings are those the project keeps, restored after the read.
      struct Collecting : ListingSink {
        Collecting(std::vector<std::string>& lines, ListingSink& to) : lines(lines), to(to) {}
        void Line(const std::string& text) override { lines.push_back(text); }
        void Message(const std::string& text,
                     const std::string& caption,
                     MessageIcon icon) override {
          to.Message(text, caption, icon);
        }
        std::vector<std::string>& lines;
        ListingSink& to;
      } listing(sounding.listing, messages);
      sounding.document = ReadSoundingDocument(sounding.dataFile, listing);
      if (sounding.document == nullptr) {
        sounding.stored = object.dump();
        sounding.problem = "The data file " + sounding.dataFile + " could not be read.";
      } else {
        RestoreSounding(object, sounding);
      }
    }
    read.soundings.push_back(std::move(sounding));
  }
  const int current = root.value("current", -1);
  read.current = current >= 0 && current < static_cast<int>(read.soundings.size()) ? current : -1;
  *project = std::move(read);
  return true;
}

bool OpenProject(const std::string& path,
                 Project* project,
                 ListingSink& messages,
                 std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "Cannot open the project file " + path + ".";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  const fs::path folder = fs::absolute(fs::path(path)).parent_path();
  if (!ProjectFromJson(text.str(), folder.string(), project, messages, error)) {
    *error = path + ":\n" + *error;
    return false;
  }
  return true;
}

}  // namespace layra
