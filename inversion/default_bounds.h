#ifndef LAYRA_INVERSION_DEFAULT_BOUNDS_H_
#define LAYRA_INVERSION_DEFAULT_BOUNDS_H_

// Physical bounds of a few-layer fit of the accurate engine. Every
// resistivity and thickness the user neither fixes nor bounds is held, by the
// same transform as a user's bound, within
//   resistivity  kLowestResistivity .. kHighestResistivity  (0.01 .. 1e6 ohm-m)
//   thickness    kThinnestLayer .. kThickestLayerFactor x the largest spacing
//                (0.01 m .. 10 x AB/2 or a)
// wide enough for real earths, and narrow enough that no parameter runs away
// to a value without a response (0, infinity) where the data do not see it.

#include <vector>

#include "inversion/parameter_transform.h"
#include "state/fit_report.h"
#include "state/records.h"

namespace layra {

constexpr double kLowestResistivity = 0.01;
constexpr double kHighestResistivity = 1e6;
constexpr double kThinnestLayer = 0.01;
constexpr double kThickestLayerFactor = 10.0;

// Bounds the resistivities and thicknesses of `parameters` that are neither
// fixed nor bounded already.
void ApplyDefaultBounds(const SoundingData& data, std::vector<ModelParameter>& parameters);

// The free, bounded resistivities and thicknesses within a part in 1000 of
// their (logarithmic) range from a bound; `options` tells a user's bound from
// a default one.
std::vector<BoundHit> FindBoundHits(const std::vector<ModelParameter>& parameters,
                                    const EngineOptions& options);

}  // namespace layra

#endif  // LAYRA_INVERSION_DEFAULT_BOUNDS_H_
