#include "cli/json_records.h"

#include <algorithm>

#include "cli/json_util.h"

namespace layra::cli {

namespace {

// Column k (0 = the initial model) of a results matrix, `rows` values.
std::vector<double> Column(const FloatArray<kMaxPoints * kResultsColumns>& matrix,
                           int rows,
                           int k) {
  std::vector<double> column;
  for (int i = 0; i < rows; ++i)
    column.push_back(ShortestDecimal(matrix[InversionResults::At(i, k)]));
  return column;
}

nlohmann::json Columns(const FloatArray<kMaxPoints * kResultsColumns>& matrix,
                       int rows,
                       int columns) {
  nlohmann::json json = nlohmann::json::array();
  for (int k = 0; k < columns; ++k) json.push_back(Column(matrix, std::max(rows, 0), k));
  return json;
}

}  // namespace

nlohmann::json LayeredModelToJson(const LayeredModel& model) {
  const int layers = std::clamp(model.layerCount, 0, kMaxLayers);
  nlohmann::json out;
  out["layerCount"] = model.layerCount;
  out["resistivity"] = FirstValues(model.resistivity, layers);
  out["thickness"] = FirstValues(model.thickness, layers - 1);
  out["depthTop"] = FirstValues(model.depthTop, layers);
  out["chargeability"] = FirstValues(model.chargeability, layers);
  out["timeConstant"] = FirstValues(model.timeConstant, layers);
  out["exponent"] = FirstValues(model.exponent, layers);
  return out;
}

nlohmann::json SoundingToJson(const SoundingDocument& document) {
  const SoundingData& data = document.data;
  const int points = std::clamp(data.pointCount, 0, kMaxPoints);
  const int frequencies =
      data.dataKind == DataKind::kSip ? std::clamp(data.frequencyCount, 0, kMaxFrequencies) : 0;
  const int levels = std::clamp(data.datumLevelCount, 0, kMaxDatumLevels);

  nlohmann::json out;
  out["title"] = data.title;
  out["arrayType"] = Traits(data.arrayType).code;
  out["dataKind"] = static_cast<int>(data.dataKind);
  out["pointCount"] = data.pointCount;
  out["pointCountAsRead"] = data.pointCountAsRead;
  out["errorsIncluded"] = data.errorsIncluded;
  out["spacingA"] = FirstValues(data.spacingA, points);
  out["spacingB"] = FirstValues(data.spacingB, points);
  out["apparentResistivity"] = FirstValues(data.apparentResistivity, points);
  out["resistivityError"] = FirstValues(data.resistivityError, points);
  out["ipValue"] = FirstValues(data.ipValue, points);
  out["ipError"] = FirstValues(data.ipError, points);
  out["ipQuantity"] = static_cast<int>(data.ipQuantity);
  out["ipQuantityText"] = data.ipQuantityText;
  out["ipUnitText"] = data.ipUnitText;
  out["ipParameter1"] = ShortestDecimal(data.ipParameter1);
  out["ipParameter2"] = ShortestDecimal(data.ipParameter2);
  out["frequencyCount"] = data.frequencyCount;
  out["frequencies"] = FirstValues(data.frequencies, frequencies);
  out["sipForm"] = static_cast<int>(data.sipForm);
  out["sipValue1"] = FirstValues(data.sipValue1, points * frequencies);
  out["sipValue2"] = FirstValues(data.sipValue2, points * frequencies);
  out["datumLevelCount"] = data.datumLevelCount;
  out["pointsPerLevel"] = FirstValues(data.pointsPerLevel, levels);
  out["overlapCount"] = FirstValues(data.overlapCount, levels);
  out["levelShiftFactor"] = FirstValues(data.levelShiftFactor, levels);
  out["userModelAvailable"] = document.userModelAvailable;
  out["someParametersFixed"] = document.someParametersFixed;
  out["convergenceLimit"] = ShortestDecimal(document.settings.convergenceLimit);
  out["startingModel"] = LayeredModelToJson(document.startingModel);
  out["warnings"] = data.warnings;
  return out;
}

nlohmann::json ForwardModelToJson(const ForwardModel& model) {
  const LayeredModel& layers = model.model;
  const int count = layers.layerCount;
  nlohmann::json json;
  json["title"] = model.title;
  json["modelKind"] = static_cast<int>(model.modelKind);
  json["layerCount"] = count;
  json["thickness"] = FirstValues(layers.thickness, count - 1);
  json["resistivity"] = FirstValues(layers.resistivity, count);
  json["chargeability"] = FirstValues(layers.chargeability, count);
  json["timeConstant"] = FirstValues(layers.timeConstant, count);
  json["exponent"] = FirstValues(layers.exponent, count);
  json["depthTop"] = FirstValues(layers.depthTop, count);
  json["spacingCount"] = model.spacingCount;
  json["spacings"] = FirstValues(model.spacings, model.spacingCount);
  json["frequencyCount"] = model.frequencyCount;
  json["frequencies"] = FirstValues(model.frequencies, model.frequencyCount);
  json["arrayType"] = Traits(model.arrayType).code;
  return json;
}

nlohmann::json InversionResultsToJson(const InversionResults& results) {
  const int n = results.pointCount;
  const int layers = results.modelLayerCount;
  const int columns = results.modelLayerCount > 0 ? results.iterationCount + 1 : 0;
  nlohmann::json json;
  json["title"] = results.title;
  json["arrayType"] = Traits(results.arrayType).code;
  json["dataKind"] = static_cast<int>(results.dataKind);
  json["pointCount"] = n;
  json["spacingA"] = FirstValues(results.spacingA, n);
  json["spacingB"] = FirstValues(results.spacingB, n);
  json["apparentResistivity"] = FirstValues(results.apparentResistivity, n);
  json["userModelAvailable"] = results.userModelAvailable;
  json["modelLayerCount"] = layers;
  json["iterationCount"] = results.iterationCount;
  json["layerResistivity"] = Columns(results.layerResistivity, layers, columns);
  json["layerThickness"] = Columns(results.layerThickness, layers - 1, columns);
  json["calculatedResistivity"] = Columns(results.calculatedResistivity, n, columns);
  json["misfit"] = FirstValues(results.misfit, columns);
  json["dataConstraint"] = results.dataConstraint;
  json["modelConstraint"] = results.modelConstraint;
  return json;
}

}  // namespace layra::cli
