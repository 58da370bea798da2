#ifndef LAYRA_CLI_JSON_RECORDS_H_
#define LAYRA_CLI_JSON_RECORDS_H_

// Machine-readable views of the records for --json output, and for the
// Python module's records. Field names are those of the records; codes are
// written as their integer values; arrays hold only the entries in use.

#include <nlohmann/json.hpp>

#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra::cli {

// The observed sounding, the flags and the starting model that the data-file
// reader fills, with the convergence limit of the next run.
nlohmann::json SoundingToJson(const SoundingDocument& document);

// The layered model: layerCount, resistivity, thickness (layerCount - 1
// entries), depthTop, chargeability, timeConstant, exponent.
nlohmann::json LayeredModelToJson(const LayeredModel& model);

// A forward model file as read: title, modelKind, layerCount, the layers'
// thickness, resistivity, chargeability, timeConstant, exponent and
// depthTop, spacingCount, spacings, frequencyCount, frequencies, arrayType.
nlohmann::json ForwardModelToJson(const ForwardModel& model);

// A results file as read: the data, the constraints and, per column (0 the
// starting model, then every iteration), layerResistivity, layerThickness,
// calculatedResistivity and misfit.
nlohmann::json InversionResultsToJson(const InversionResults& results);

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_RECORDS_H_
