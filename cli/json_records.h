#ifndef LAYRA_CLI_JSON_RECORDS_H_
#define LAYRA_CLI_JSON_RECORDS_H_

// Machine-readable views of the records for --json output. Field names are
// those of the records; codes are written as their integer values; arrays
// hold only the entries in use.

#include <nlohmann/json.hpp>

#include "state/records.h"

namespace layra::cli {

// A float as the shortest decimal that reads back to the same float, so that
// 0.1f is written 0.1 and not 0.10000000149011612.
double JsonFloat(float value);

// The observed sounding, the flags and the starting model that the data-file
// reader fills, with the convergence limit.
nlohmann::json SoundingToJson(const ProgramState& state);

// The layered model: layerCount, resistivity, thickness (layerCount - 1
// entries), depthTop, chargeability, timeConstant, exponent.
nlohmann::json LayeredModelToJson(const LayeredModel& model);

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_RECORDS_H_
