#include "state/user_model_rules.h"

#include <algorithm>
#include <cstddef>

#include "state/settings_rules.h"
#include "state/text_format.h"

namespace layra {
namespace {

// Field index (0-based) of layer i's resistivity and thickness, i 1-based.
std::size_t ResistivityField(int layer) { return static_cast<std::size_t>(1 + 2 * (layer - 1)); }
std::size_t ThicknessField(int layer) { return static_cast<std::size_t>(2 + 2 * (layer - 1)); }

bool InRange(float value, float max) { return value > 0.0f && value <= max; }

}  // namespace

void ReadUserModelFields(const UserModelFields& fields,
                         int remembered_count,
                         LayeredModel& user_model) {
  int count = ParseInteger(FieldText(fields[0], kLayerCountFieldCapacity));
  if (count < kUserModelMinLayers || count > kUserModelMaxEnteredLayers) {
    user_model.layerCount = remembered_count;
    return;
  }
  user_model.layerCount = count;
  for (int layer = 1; layer < count; ++layer) {
    user_model.resistivity[layer - 1] = static_cast<float>(
        ParseDecimal(FieldText(fields[ResistivityField(layer)], kLayerValueFieldCapacity)));
    user_model.thickness[layer - 1] = static_cast<float>(
        ParseDecimal(FieldText(fields[ThicknessField(layer)], kLayerValueFieldCapacity)));
  }
  user_model.resistivity[count - 1] = static_cast<float>(
      ParseDecimal(FieldText(fields[ResistivityField(count)], kLastResistivityFieldCapacity)));
}

UserModelFields UserModelFieldTexts(const LayeredModel& user_model) {
  UserModelFields texts;
  int count = user_model.layerCount;
  if (count < kUserModelMinLayers || count > kUserModelMaxEnteredLayers) {
    return texts;
  }
  texts[0] = StrFormat("%d", count);
  for (int layer = 1; layer <= count; ++layer) {
    texts[ResistivityField(layer)] = StrFormat("%g", user_model.resistivity[layer - 1]);
    if (layer < count) {
      texts[ThicknessField(layer)] = StrFormat("%g", user_model.thickness[layer - 1]);
    }
  }
  return texts;
}

bool AcceptUserModel(const LayeredModel& user_model, LayeredModel& working, std::string& message) {
  const int count = user_model.layerCount;
  bool accepted = count >= kUserModelMinLayers && count <= kUserModelMaxAcceptedLayers;
  for (int layer = 1; accepted && layer <= count; ++layer) {
    accepted = InRange(user_model.resistivity[layer - 1], kUserModelMaxResistivity) &&
               (layer == count || InRange(user_model.thickness[layer - 1], kUserModelMaxThickness));
  }
  if (accepted) {
    CopyStartingModel(user_model, working);
    working.depthTop[0] = 0.0f;
    for (int layer = 1; layer < count; ++layer) {
      working.depthTop[layer] = working.depthTop[layer - 1] + working.thickness[layer - 1];
    }
    message.clear();
    return true;
  }
  if (count <= kUserModelMinLayers) {
    message = StrFormat(
        "There was an error in the input model.\nNumber of layers is %d.\n"
        "There must be at least 2 layers!",
        count);
    return false;
  }
  message = StrFormat(
      "There was an error in the input model.\nNumber of layers is %d.\n"
      "The parameters for the layers are as follows:-\nLayer   Resis.        Thick.\n",
      count);
  const int listed = std::min(count, kMaxLayers);
  for (int layer = 1; layer < listed; ++layer) {
    message += StrFormat(" %1d  %12.3f  %12.3f\n",
                         layer,
                         user_model.resistivity[layer - 1],
                         user_model.thickness[layer - 1]);
  }
  message += StrFormat(" %1d  %12.3f\n", listed, user_model.resistivity[listed - 1]);
  return false;
}

void CopyStartingModel(const LayeredModel& from, LayeredModel& to) {
  to.layerCount = from.layerCount;
  to.resistivity = from.resistivity;
  to.thickness = from.thickness;
  to.depthTop = from.depthTop;
}

}  // namespace layra
