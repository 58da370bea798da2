#ifndef LAYRA_FORWARD_FORWARD_CALCULATION_H_
#define LAYRA_FORWARD_FORWARD_CALCULATION_H_

// The forward-modelling window's Calculate: the response of the model read
// from a model file, with its listing.

#include "platform/canvas.h"
#include "platform/host.h"
#include "state/records.h"

namespace layra {

// Selects the filter of model.arrayType, computes the apparent resistivity at
// every spacing, the apparent chargeability for IP and SIP models and the
// spectral response (frequency-major) for SIP models, and lists the results
// at x = 8 from one line height below the top. A SIP model adds the line
// "Complex model", the message "Calculations completed" and clears the
// canvas. Without layers or spacings nothing is computed, the host is told and
// the call returns false.
bool CalculateForwardResponse(ForwardModel& model, Canvas& canvas, int line_height, Host& host);

}  // namespace layra

#endif  // LAYRA_FORWARD_FORWARD_CALCULATION_H_
