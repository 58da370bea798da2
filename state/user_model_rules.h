#ifndef LAYRA_STATE_USER_MODEL_RULES_H_
#define LAYRA_STATE_USER_MODEL_RULES_H_

// The user's starting model for an inversion: how it is read from the edit
// fields of the model dialog and which models the shell accepts.

#include <array>
#include <string>

#include "state/records.h"

namespace layra {

// The dialog's edit fields in order: the layer count, then resistivity and
// thickness of layers 1..8 in pairs, then the resistivity of a ninth layer.
constexpr int kUserModelFieldCount = 18;
constexpr int kUserModelMinLayers = 2;
constexpr int kUserModelMaxEnteredLayers = 9;   // the dialog takes up to 9
constexpr int kUserModelMaxAcceptedLayers = 9;  // every count the dialog takes
constexpr float kUserModelMaxResistivity = 10000000.0f;
constexpr float kUserModelMaxThickness = 1000000.0f;

using UserModelFields = std::array<std::string, kUserModelFieldCount>;

// Reads the fields into `user_model`. A layer count outside 2..9 keeps
// `remembered_count` as the layer count and reads nothing else. Otherwise,
// for L layers, the resistivity and thickness of layers 1..L-1 come from their
// pairs of fields and the resistivity of layer L from the field after them;
// entries of deeper layers are left as they were.
void ReadUserModelFields(const UserModelFields& fields,
                         int remembered_count,
                         LayeredModel& user_model);

// Text of the model dialog's fields for `user_model` (empty beyond its layers;
// the layer count field empty when there is no model yet).
UserModelFields UserModelFieldTexts(const LayeredModel& user_model);

// Accepts a model of 2..9 layers whose resistivities lie in (0, 1e7] and
// whose thicknesses lie in (0, 1e6]: copies it into `working` (layer count,
// resistivities, thicknesses and depths of the layer tops) and returns true.
// Otherwise leaves `working` unchanged, puts the message for the user into
// `message` and returns false.
bool AcceptUserModel(const LayeredModel& user_model, LayeredModel& working, std::string& message);

// Copies layer count, resistivities, thicknesses and depths of `from` into
// `to`, as the shell does with a starting model read from a data file.
void CopyStartingModel(const LayeredModel& from, LayeredModel& to);

}  // namespace layra

#endif  // LAYRA_STATE_USER_MODEL_RULES_H_
