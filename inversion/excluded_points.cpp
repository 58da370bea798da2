#include "inversion/excluded_points.h"

#include <cmath>
#include <vector>

namespace layra {
namespace {

// Moves entry `from` of a point-major array of `width` values per point to
// position `to`.
template <typename Array>
void MoveBlock(Array& values, int from, int to, int width) {
  for (int k = 0; k < width; ++k) values[to * width + k] = values[from * width + k];
}

}  // namespace

int CountExcluded(const SoundingData& data, const PointMask& excluded) {
  int count = 0;
  for (int p = 0; p < data.pointCount && p < kMaxPoints; ++p) count += excluded[p] ? 1 : 0;
  return count;
}

SoundingData WithoutExcluded(const SoundingData& data, const PointMask& excluded) {
  SoundingData kept = data;
  const int pairs = data.dataKind == DataKind::kSip ? data.frequencyCount : 0;
  int count = 0;
  for (int p = 0; p < data.pointCount && p < kMaxPoints; ++p) {
    if (excluded[p]) continue;
    for (FloatArray<kPointArraySize>* column : {&kept.spacingA,
                                                &kept.spacingB,
                                                &kept.apparentResistivity,
                                                &kept.resistivityError,
                                                &kept.ipValue,
                                                &kept.ipError}) {
      (*column)[count] = (*column)[p];
    }
    MoveBlock(kept.sipValue1, p, count, pairs);
    MoveBlock(kept.sipValue2, p, count, pairs);
    ++count;
  }
  kept.pointCount = count;
  return kept;
}

void SpreadOverAllPoints(InversionOutcome& outcome,
                         const PointMask& excluded,
                         int point_count,
                         int frequency_count) {
  // From the last point down, so that no kept value is overwritten before it
  // has moved.
  int kept = 0;
  for (int p = 0; p < point_count; ++p) kept += excluded[p] ? 0 : 1;
  for (int p = point_count - 1; p >= 0; --p) {
    if (excluded[p]) {
      outcome.calculatedResistivity[p] = NAN;
      outcome.calculatedIp[p] = NAN;
      outcome.fittedTimeConstant[p] = NAN;
      outcome.fittedExponent[p] = NAN;
      for (int f = 0; f < frequency_count; ++f) {
        outcome.calculatedAmplitude[p * frequency_count + f] = NAN;
        outcome.calculatedPhase[p * frequency_count + f] = NAN;
      }
      continue;
    }
    --kept;
    outcome.calculatedResistivity[p] = outcome.calculatedResistivity[kept];
    outcome.calculatedIp[p] = outcome.calculatedIp[kept];
    outcome.fittedTimeConstant[p] = outcome.fittedTimeConstant[kept];
    outcome.fittedExponent[p] = outcome.fittedExponent[kept];
    MoveBlock(outcome.calculatedAmplitude, kept, p, frequency_count);
    MoveBlock(outcome.calculatedPhase, kept, p, frequency_count);
  }
}

}  // namespace layra
