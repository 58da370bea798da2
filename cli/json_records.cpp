#include "cli/json_records.h"

#include <algorithm>

#include "cli/json_util.h"

namespace layra::cli {

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

}  // namespace layra::cli
