#ifndef LAYRA_PROJECT_READING_MERGE_H_
#define LAYRA_PROJECT_READING_MERGE_H_

// Readings left out before the datum levels are merged. A sounding file's
// readings (SoundingFile::readings, in the file's order) are sorted and,
// for Schlumberger data, their MN/2 segments merged into one curve with
// factors from the readings the segments share. Leaving out a raw reading
// (a bad one, or one that sets a merge factor wrongly) means merging again
// without it: the factors are recomputed from the readings left in.

#include <string>
#include <vector>

#include "state/records.h"

namespace layra {

// The data `readings` give without the readings marked in `left_out` (by
// position in the file's order; entries beyond it count as kept): sorted and
// merged as a read does, checked again (data.warnings). False with the
// reason in *error when too few readings are left or the merge gives a
// point no results file can hold; *merged is then unchanged.
bool MergeReadings(const SoundingData& readings,
                   const std::vector<bool>& left_out,
                   SoundingData* merged,
                   std::string* error);

// For each reading of `readings`, the point of `merged` it became (0-based),
// or -1 when it is left out or coincides with a point of an earlier MN/2
// segment (which the merge drops).
std::vector<int> MergedPointOfReadings(const SoundingData& readings,
                                       const std::vector<bool>& left_out,
                                       const SoundingData& merged);

}  // namespace layra

#endif  // LAYRA_PROJECT_READING_MERGE_H_
