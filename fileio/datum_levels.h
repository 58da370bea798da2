#ifndef LAYRA_FILEIO_DATUM_LEVELS_H_
#define LAYRA_FILEIO_DATUM_LEVELS_H_

// Reordering of the points of a sounding after it has been read: Wenner
// points by spacing, Schlumberger points into datum levels (runs of equal b)
// that are then merged into one curve. Every value of a point moves with it:
// a, b, apparent resistivity, its error, the IP value, its error and the SIP
// pairs of all frequencies.

#include <vector>

#include "state/records.h"

namespace layra {

// Datum levels recorded at most: the level of the twentieth distinct b and
// every level after it are not cut (and not merged); their points are kept.
constexpr int kRecordedDatumLevels = kMaxDatumLevels - 1;

// Sorts points start..start+count-1 (0-based) into ascending order of `key`
// (data.spacingA or data.spacingB) with SortWithIndex, moving every value of
// each point with it.
void SortPointRange(SoundingData& data,
                    int start,
                    int count,
                    const FloatArray<kPointArraySize>& key);

// Sorts data.pointCount Wenner points into ascending spacing.
void SortWennerPoints(SoundingData& data);

struct DatumLevelOutcome {
  // A twentieth distinct b was met: the caller shows the datum-levels message.
  bool tooManyLevels = false;
  // 0-based position of a merged point whose scaled apparent resistivity is
  // not a finite number of at least kMinRecordedValue (what the results file
  // can record), or -1. The merged set is unusable then.
  int invalidPoint = -1;
};

// Sorts the data.pointCount Schlumberger points by b, cuts them into datum
// levels (each sorted by a), fills datumLevelCount, pointsPerLevel,
// overlapCount and levelShiftFactor, and, when some level shares spacings
// with the level before it, merges the levels into one curve: level 1 as it
// is, each following level without its coincident points and with its
// resistivities multiplied by the running product of the shift factors.
// pointCount becomes the number of points kept. Points of levels beyond the
// recorded ones are kept after the merged levels, in ascending b and then a,
// scaled by the factor of the last recorded level. Entries 100 onward of the
// point arrays hold the sorted points before the merge.
DatumLevelOutcome MergeDatumLevels(SoundingData& data);

// The datum level of each of the data.pointCount points after a read, and the
// factor its resistivity was multiplied by when the levels were merged.
struct PointLevel {
  int level = 0;        // 1-based datum level; 0 for Wenner data
  float factor = 1.0f;  // 1 for the first level and when nothing was merged
};
std::vector<PointLevel> PointLevels(const SoundingData& data);

// The readings of one MN/2 segment of a Schlumberger sounding as they were
// read, before the segments were merged: spacings a (AB/2) ascending.
struct MeasuredSegment {
  float mn = 0.0f;  // b (MN/2), m
  std::vector<float> spacing;
  std::vector<float> resistivity;  // as read, ohm-m
};

// The segments of the Schlumberger data read last (from the copy the merge
// keeps), in ascending MN/2; empty for Wenner data and data of one segment.
std::vector<MeasuredSegment> MeasuredSegments(const SoundingData& data);

}  // namespace layra

#endif  // LAYRA_FILEIO_DATUM_LEVELS_H_
