#ifndef LAYRA_FORWARD_FORWARD_CALCULATION_H_
#define LAYRA_FORWARD_FORWARD_CALCULATION_H_

// The forward-modelling window's Calculate: the response of the model read
// from a model file, with its listing.

#include "platform/listing_sink.h"
#include "state/engine_options.h"
#include "state/records.h"

namespace layra {

// Selects the filter of model.arrayType, computes the apparent resistivity at
// every spacing, the apparent chargeability for IP and SIP models and the
// spectral response (frequency-major) for SIP models, and lists the results
// to `listing`. A SIP model adds the line "Complex model" and the message
// "Calculations completed" (after which the window is cleared). Without
// layers or spacings nothing is computed, the listing's message says so and
// the call returns false.
//
// `engine` chooses the method: the documented filter-and-spline path, or the
// accurate engine (double precision at every spacing, Schlumberger in the
// ideal MN -> 0 limit), whose listing starts with the line "Engine:
// accurate". The accurate engine refuses, with a message, a model with a
// resistivity or thickness that is not positive, or in an IP or SIP model a
// chargeability outside [0, 1) or a negative time constant.
bool CalculateForwardResponse(ForwardModel& model,
                              ListingSink& listing,
                              EngineKind engine = EngineKind::kDocumented);

}  // namespace layra

#endif  // LAYRA_FORWARD_FORWARD_CALCULATION_H_
