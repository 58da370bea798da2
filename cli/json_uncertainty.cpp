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
    parameters.push_back({{"name", p.name},
                          {"value", p.value},
                          {"low", p.low},
                          {"high", p.high},
                          {"factor", p.factor}});
  }
  nlohmann::json models = nlohmann::json::array();
  for (const EquivalentModel& m : u.equivalent_models) {
    models.push_back({{"resistivity", m.resistivity}, {"thickness", m.thickness}});
  }
  return {{"parameters", parameters},
          {"conductance", Layers(u.conductance)},
          {"transverseResistance", Layers(u.transverse)},
          {"correlation", u.correlation},
          {"equivalentModels", models}};
}

}  // namespace layra::cli
