#ifndef LAYRA_INVERSION_EXCLUDED_POINTS_H_
#define LAYRA_INVERSION_EXCLUDED_POINTS_H_

// Points a user leaves out of an inversion. The run works on a copy of the
// sounding without them; afterwards the per-point results are spread back
// over every point of the sounding, with NaN (drawn nowhere) at the points
// that were left out.

#include <array>

#include "state/records.h"

namespace layra {

using PointMask = std::array<unsigned char, kMaxPoints>;

// Points among the first data.pointCount that the mask leaves out.
int CountExcluded(const SoundingData& data, const PointMask& excluded);

// `data` without the points the mask leaves out: every value of a point
// (spacings, resistivity, IP, their errors and the SIP pairs of every
// frequency) moves with it; pointCount becomes the number kept.
SoundingData WithoutExcluded(const SoundingData& data, const PointMask& excluded);

// Spreads the per-point arrays of `outcome`, computed for the kept points in
// order, back to the positions of all `point_count` points.
void SpreadOverAllPoints(InversionOutcome& outcome,
                         const PointMask& excluded,
                         int point_count,
                         int frequency_count);

}  // namespace layra

#endif  // LAYRA_INVERSION_EXCLUDED_POINTS_H_
