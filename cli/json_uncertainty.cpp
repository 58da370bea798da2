#include "cli/json_uncertainty.h"

namespace layra::cli {

namespace {

nlohmann::json Layers(const std::vector<LayerRange>& ranges) {
  nlohmann::json out = nlohmann::json::array();
  for (const LayerRange& r : ranges) {
    out.push_back({{"layer", r.layer}, {"value", r.value}, {"low", r.low}, {"high", r.high}});
  }
  return out;
}

}  // namespace

nlohmann::json UncertaintyToJson(const RunUncertainty& result) {
  if (!result.few_layer) {
    return {{"doi", result.smooth.doi}, {"doiIndex", result.smooth.doi_index}};
  }
  const FewLayerUncertainty& u = result.few;
  nlohmann::json parameters = nlohmann::json::array();
  for (const ParameterRange& p : u.parameters) {
    nlohmann::json entry = {{"name", p.name},
                            {"value", p.value},
                            {"low", p.low},
                            {"high", p.high},
                            {"factor", p.factor}};
    // A range that reached the search limit or a bound: the data leave it open.
    if (p.open_low || p.open_high) {
      entry["open"] = p.open_low && p.open_high ? "both" : p.open_low ? "low" : "high";
    }
    parameters.push_back(entry);
  }
  nlohmann::json models = nlohmann::json::array();
  for (const EquivalentModel& m : u.equivalent_models) {
    models.push_back({{"resistivity", m.resistivity}, {"thickness", m.thickness}});
  }
  return {{"parameters", parameters},
          {"confidence", 0.95},
          {"varianceScale", u.variance_scale},
          {"conductance", Layers(u.conductance)},
          {"transverseResistance", Layers(u.transverse)},
          {"correlation", u.correlation},
          {"equivalentModels", models}};
}

}  // namespace layra::cli
