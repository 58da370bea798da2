#ifndef LAYRA_FORWARD_IP_RESPONSE_H_
#define LAYRA_FORWARD_IP_RESPONSE_H_

// Time-domain IP of a layered earth by perturbing the layer conductivities:
// the apparent chargeability is (rho'_a - rho_a) / rho'_a, where rho'_a is the
// sounding of the layer resistivities rho0 / (1 - m).

#include "forward/filter_set.h"
#include "state/records.h"

namespace layra {

// Writes the apparent resistivity (ohm-m) and the apparent chargeability (a
// fraction) at each of `spacing_count` ascending spacings. Uses the model's
// layerCount, resistivity, thickness and chargeability; every chargeability
// must be below 1 (at 1 the perturbed resistivity is infinite).
void ComputeApparentChargeability(const LayeredModel& model,
                                  const float* spacings,
                                  int spacing_count,
                                  const FilterSet& filter,
                                  float* apparent_resistivity,
                                  float* apparent_chargeability);

}  // namespace layra

#endif  // LAYRA_FORWARD_IP_RESPONSE_H_
