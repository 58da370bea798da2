#include "cli/json_records.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace layra::cli {
namespace {

template <typename Array>
nlohmann::json FloatList(const Array& values, int count) {
  nlohmann::json list = nlohmann::json::array();
  count = std::clamp(count, 0, static_cast<int>(values.size()));
  for (int k = 0; k < count; ++k) list.push_back(JsonFloat(values[k]));
  return list;
}

template <typename Array>
nlohmann::json IntList(const Array& values, int count) {
  nlohmann::json list = nlohmann::json::array();
  count = std::clamp(count, 0, static_cast<int>(values.size()));
  for (int k = 0; k < count; ++k) list.push_back(values[k]);
  return list;
}

}  // namespace

double JsonFloat(float value) {
  if (!std::isfinite(value)) return value;
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    double shortest = std::strtod(text, nullptr);
    if (static_cast<float>(shortest) == value) return shortest;
  }
  return value;
}

nlohmann::json LayeredModelToJson(const LayeredModel& model) {
  const int layers = std::clamp(model.layerCount, 0, kMaxLayers);
  nlohmann::json out;
  out["layerCount"] = model.layerCount;
  out["resistivity"] = FloatList(model.resistivity, layers);
  out["thickness"] = FloatList(model.thickness, layers - 1);
  out["depthTop"] = FloatList(model.depthTop, layers);
  out["chargeability"] = FloatList(model.chargeability, layers);
  out["timeConstant"] = FloatList(model.timeConstant, layers);
  out["exponent"] = FloatList(model.exponent, layers);
  return out;
}

nlohmann::json SoundingToJson(const ProgramState& state) {
  const SoundingData& data = state.data;
  const int points = std::clamp(data.pointCount, 0, kMaxPoints);
  const int frequencies =
      data.dataKind == DataKind::kSip ? std::clamp(data.frequencyCount, 0, kMaxFrequencies) : 0;
  const int levels = std::clamp(data.datumLevelCount, 0, kMaxDatumLevels);

  nlohmann::json out;
  out["title"] = data.title;
  out["arrayType"] = static_cast<int>(data.arrayType);
  out["dataKind"] = static_cast<int>(data.dataKind);
  out["pointCount"] = data.pointCount;
  out["pointCountAsRead"] = data.pointCountAsRead;
  out["errorsIncluded"] = data.errorsIncluded;
  out["spacingA"] = FloatList(data.spacingA, points);
  out["spacingB"] = FloatList(data.spacingB, points);
  out["apparentResistivity"] = FloatList(data.apparentResistivity, points);
  out["resistivityError"] = FloatList(data.resistivityError, points);
  out["ipValue"] = FloatList(data.ipValue, points);
  out["ipError"] = FloatList(data.ipError, points);
  out["ipQuantity"] = static_cast<int>(data.ipQuantity);
  out["ipQuantityText"] = data.ipQuantityText;
  out["ipUnitText"] = data.ipUnitText;
  out["ipParameter1"] = JsonFloat(data.ipParameter1);
  out["ipParameter2"] = JsonFloat(data.ipParameter2);
  out["frequencyCount"] = data.frequencyCount;
  out["frequencies"] = FloatList(data.frequencies, frequencies);
  out["sipForm"] = static_cast<int>(data.sipForm);
  out["sipValue1"] = FloatList(data.sipValue1, points * frequencies);
  out["sipValue2"] = FloatList(data.sipValue2, points * frequencies);
  out["datumLevelCount"] = data.datumLevelCount;
  out["pointsPerLevel"] = IntList(data.pointsPerLevel, levels);
  out["overlapCount"] = IntList(data.overlapCount, levels);
  out["levelShiftFactor"] = FloatList(data.levelShiftFactor, levels);
  out["userModelAvailable"] = state.userModelAvailable;
  out["someParametersFixed"] = state.someParametersFixed;
  out["convergenceLimit"] = JsonFloat(state.settings.convergenceLimit);
  out["startingModel"] = LayeredModelToJson(state.startingModel);
  return out;
}

}  // namespace layra::cli
