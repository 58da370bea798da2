#include "project/reading_merge.h"

#include <algorithm>

#include "fileio/data_checks.h"
#include "fileio/datum_levels.h"
#include "state/text_format.h"

namespace layra {
namespace {

bool LeftOut(const std::vector<bool>& left_out, int reading) {
  return reading < static_cast<int>(left_out.size()) && left_out[static_cast<size_t>(reading)];
}

}  // namespace

bool MergeReadings(const SoundingData& readings,
                   const std::vector<bool>& left_out,
                   SoundingData* merged,
                   std::string* error) {
  SoundingData data = readings;
  const int frequencies = data.dataKind == DataKind::kSip ? data.frequencyCount : 0;
  int kept = 0;
  for (int p = 0; p < readings.pointCount; ++p) {
    if (LeftOut(left_out, p)) continue;
    data.spacingA[kept] = readings.spacingA[p];
    data.spacingB[kept] = readings.spacingB[p];
    data.apparentResistivity[kept] = readings.apparentResistivity[p];
    data.resistivityError[kept] = readings.resistivityError[p];
    data.ipValue[kept] = readings.ipValue[p];
    data.ipError[kept] = readings.ipError[p];
    for (int f = 0; f < frequencies; ++f) {
      data.sipValue1[kept * frequencies + f] = readings.sipValue1[p * frequencies + f];
      data.sipValue2[kept * frequencies + f] = readings.sipValue2[p * frequencies + f];
    }
    ++kept;
  }
  if (kept < kMinDataPoints) {
    *error = StrFormat("At least %d readings must be left in.", kMinDataPoints);
    return false;
  }
  data.pointCount = kept;
  data.pointCountAsRead = kept;
  if (Traits(data.arrayType).second_spacing) {
    const DatumLevelOutcome outcome = MergeDatumLevels(data);
    if (outcome.invalidPoint >= 0) {
      *error = StrFormat(
          "Merging the datum levels without these readings gives point %d (spacing %.2f) a "
          "resistivity of %g.",
          outcome.invalidPoint + 1,
          static_cast<double>(data.spacingA[outcome.invalidPoint]),
          static_cast<double>(data.apparentResistivity[outcome.invalidPoint]));
      return false;
    }
  } else {
    SortWennerPoints(data);
  }
  data.warnings = CheckSounding(data);
  *merged = data;
  return true;
}

std::vector<int> MergedPointOfReadings(const SoundingData& readings,
                                       const std::vector<bool>& left_out,
                                       const SoundingData& merged) {
  std::vector<int> point(static_cast<size_t>(std::max(readings.pointCount, 0)), -1);
  const bool second = Traits(readings.arrayType).second_spacing;
  for (int r = 0; r < readings.pointCount; ++r) {
    if (LeftOut(left_out, r)) continue;
    for (int p = 0; p < merged.pointCount; ++p) {
      if (merged.spacingA[p] == readings.spacingA[r] &&
          (!second || merged.spacingB[p] == readings.spacingB[r])) {
        point[static_cast<size_t>(r)] = p;
        break;
      }
    }
  }
  return point;
}

}  // namespace layra
