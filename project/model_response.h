#ifndef LAYRA_PROJECT_MODEL_RESPONSE_H_
#define LAYRA_PROJECT_MODEL_RESPONSE_H_

// The response of a layered model at the readings of a sounding and its
// misfit, computed with the accurate forward: what a model being edited
// shows on every change (a few layers take well under a millisecond; see
// bench/). Model edits in the same terms: a layer's resistivity or the depth
// of a boundary changed, a layer split or removed.

#include <array>
#include <vector>

#include "state/records.h"

namespace layra {

struct ModelResponse {
  bool ok = false;  // the model has a response (every value finite and positive)
  // Apparent resistivity (ohm-m) at each point of the data (pointCount).
  std::vector<double> calculated;
  // RMS of ln(observed / calculated) over the points not left out, a
  // fraction, as the accurate engine reports its misfit.
  double misfit = 0.0;
};

ModelResponse ComputeModelResponse(const SoundingData& data,
                                   const LayeredModel& model,
                                   const std::array<unsigned char, kMaxPoints>& excluded);

// depthTop recomputed from the thicknesses (layer 1 at 0).
void UpdateDepths(LayeredModel& model);

// The boundary below layer `layer` (0-based, not the basement) moved to
// `depth` (m): that layer's thickness changes, the layers below keep theirs.
// Held between the boundary above and the next boundary below (a layer keeps
// at least 1 % of its thickness, and 0.01 m). False when nothing changed.
bool MoveBoundary(LayeredModel& model, int layer, double depth);
// Layer `layer`'s resistivity set to `resistivity` (ohm-m, > 0).
bool SetResistivity(LayeredModel& model, int layer, double resistivity);
// Layer `layer` split into two of half its thickness (the basement: a new
// layer as thick as the one above it inserted on top of it). False at the
// capacity of the editor (kMaxForwardLayers layers).
bool SplitLayer(LayeredModel& model, int layer);
// Layer `layer` removed, its thickness given to the layer above (the first
// layer's to the one below). False below two layers.
bool RemoveLayer(LayeredModel& model, int layer);

}  // namespace layra

#endif  // LAYRA_PROJECT_MODEL_RESPONSE_H_
