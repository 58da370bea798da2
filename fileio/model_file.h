#ifndef LAYRA_FILEIO_MODEL_FILE_H_
#define LAYRA_FILEIO_MODEL_FILE_H_

// The forward model file (".mod"): a hand-written description of a layered
// earth for the forward-modelling window. In order: the title, a label, the
// number of layers (2..20), a label, the model type line (resistivity, IP or
// frequency-domain SIP), a label, the layers (thickness first, none for the
// half-space; then resistivity, and for IP and SIP models chargeability, for
// SIP models also the Cole-Cole time constant and exponent), a label, the
// number of spacings with the spacings (0 or less: spacings are generated from
// the model), for SIP models a label, the number of frequencies with the
// frequencies (0 or less: 24 frequencies are generated), a label and the array
// type line.

#include <string>

#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

// Ratio between neighbouring generated spacings and frequencies: 10^(1/6)
// rounded to a float. Each generated value is the previous one times this
// ratio, each product rounded to a float.
constexpr float kModelStepRatio = 1.4677989f;
// Cole-Cole time constants and SIP frequencies the forward engine takes. Far
// outside these the response overflows single precision (no finite value
// reaches a listing or a file); inside them lie the time constants of
// polarisable rocks and every frequency an instrument measures, with room to
// spare. Generated frequencies (0.1 / longest time constant onwards) stay
// within the frequency range.
constexpr float kMinTimeConstant = 1e-6f;  // s
constexpr float kMaxTimeConstant = 1e4f;   // s
constexpr float kMinFrequency = 1e-6f;     // Hz
constexpr float kMaxFrequency = 1e9f;      // Hz

// Number of frequencies generated when a SIP model gives none.
constexpr int kGeneratedFrequencyCount = 24;

// Classifies a model type line by its first three characters: a line whose
// first or second character is R gives resistivity (kind 0) unless the first
// is F; then any I among the three gives IP (kind 1); then an S as first or
// second character, or an F first, gives SIP (kind 2). Returns false when the
// line matches none of these.
bool ClassifyModelTypeLine(const std::string& line, DataKind& kind);

// Reads the model file `path` into `model` (title, modelKind, model with its
// layers and depths, spacingCount, spacings, frequencyCount, frequencies,
// arrayType) and lists what it reads to `listing`, with its messages and
// beeps.
//
// Returns 0 when the file was read and 1 when it was refused. A refused file
// leaves model.model.layerCount, spacingCount and frequencyCount at 0, so no
// response is computed from a partial model; the other fields keep what was
// read before the refusal. Refusals: a file that cannot be opened or a layer
// count outside 2..20 (no message); a file shorter than 50 bytes or of
// 100000 bytes and more; an unknown model type; and, because the forward
// engine needs a physical model, a thickness, resistivity, time constant,
// spacing or frequency that is not positive, a chargeability of 1 or more
// (after values above 0.99 are taken as thousandths), a Cole-Cole exponent
// outside (0, 1], a time constant or frequency outside the ranges above, and
// any value too large to be stored as a float. Spacings given out of ascending order are sorted
// into ascending order.
int ReadModelFile(const std::string& path, ForwardModel& model, ListingSink& listing);

}  // namespace layra

#endif  // LAYRA_FILEIO_MODEL_FILE_H_
