#include "fileio/datum_levels.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fileio/data_file.h"
#include "fileio/text_input.h"

namespace layra {
namespace {

// Start of the copy that the merge rebuilds the point list from.
constexpr int kCopyOffset = kMaxPoints;

// The per-point columns that move with a point, SIP values apart.
std::vector<FloatArray<kPointArraySize>*> PointColumns(SoundingData& data) {
  return {&data.spacingA,
          &data.spacingB,
          &data.apparentResistivity,
          &data.resistivityError,
          &data.ipValue,
          &data.ipError};
}

// SIP values per point: frequencyCount pairs for SIP data, none otherwise.
int SipPairsPerPoint(const SoundingData& data) {
  if (data.dataKind != DataKind::kSip) return 0;
  if (data.frequencyCount <= 0 || data.frequencyCount > kMaxFrequencies) return 0;
  return data.frequencyCount;
}

struct Level {
  int start;
  int count;
};

}  // namespace

void SortPointRange(SoundingData& data,
                    int start,
                    int count,
                    const FloatArray<kPointArraySize>& key) {
  if (count < 2) return;
  std::vector<float> keys(key.begin() + start, key.begin() + start + count);
  std::vector<int> index(count);
  SortWithIndex(1, count, keys.data(), index.data());

  std::vector<float> scratch(count);
  for (FloatArray<kPointArraySize>* column : PointColumns(data)) {
    ApplyPermutation(column->data() + start, count, scratch.data(), index.data());
  }
  int pairs = SipPairsPerPoint(data);
  if (pairs == 0) return;
  for (FloatArray<kSipValueSize>* values : {&data.sipValue1, &data.sipValue2}) {
    std::vector<float> rows(values->begin() + start * pairs,
                            values->begin() + (start + count) * pairs);
    for (int k = 0; k < count; ++k) {
      int from = index[k] - 1;
      for (int f = 0; f < pairs; ++f) (*values)[(start + k) * pairs + f] = rows[from * pairs + f];
    }
  }
}

void SortWennerPoints(SoundingData& data) {
  SortPointRange(data, 0, data.pointCount, data.spacingA);
}

DatumLevelOutcome MergeDatumLevels(SoundingData& data) {
  DatumLevelOutcome outcome;
  const int n = data.pointCount;
  SortPointRange(data, 0, n, data.spacingB);

  // Cut the points into runs of equal b; each run is sorted by a. Runs from
  // the twentieth distinct b on are sorted too but not recorded as levels.
  std::vector<Level> levels;
  int recorded_end = n;
  int distinct = 0;
  for (int i = 0, j = 0; i < n; i = j) {
    j = i + 1;
    while (j < n && data.spacingB[j] == data.spacingB[i]) ++j;
    SortPointRange(data, i, j - i, data.spacingA);
    ++distinct;
    if (distinct > kRecordedDatumLevels) {
      if (!outcome.tooManyLevels) recorded_end = i;
      outcome.tooManyLevels = true;
      continue;
    }
    levels.push_back({i, j - i});
  }
  data.pointsPerLevel.fill(0);
  data.overlapCount.fill(0);
  data.levelShiftFactor.fill(0.0f);
  data.datumLevelCount = static_cast<int>(levels.size());
  for (size_t k = 0; k < levels.size(); ++k) data.pointsPerLevel[k] = levels[k].count;

  // The copy the merged list is rebuilt from.
  for (FloatArray<kPointArraySize>* column : PointColumns(data)) {
    for (int p = 0; p < n; ++p) (*column)[kCopyOffset + p] = (*column)[p];
  }
  const int pairs = SipPairsPerPoint(data);
  std::vector<float> sip1(data.sipValue1.begin(), data.sipValue1.begin() + n * pairs);
  std::vector<float> sip2(data.sipValue2.begin(), data.sipValue2.begin() + n * pairs);

  // Coincident spacings of each level with the level before it.
  std::vector<char> duplicate(n, 0);
  bool any_overlap = false;
  for (size_t k = 1; k < levels.size(); ++k) {
    int count = 0;
    float sum = 0.0f;
    const Level& level = levels[k];
    const Level& previous = levels[k - 1];
    for (int j = level.start; j < level.start + level.count; ++j) {
      for (int m = previous.start; m < previous.start + previous.count; ++m) {
        if (data.spacingA[j] == data.spacingA[m]) {
          ++count;
          sum += data.apparentResistivity[m] / data.apparentResistivity[j];
          duplicate[j] = 1;
        }
      }
    }
    data.overlapCount[k - 1] = count;
    data.levelShiftFactor[k - 1] = count > 0 ? sum / static_cast<float>(count) : 1.0f;
    if (count > 0) any_overlap = true;
  }
  if (!any_overlap) return outcome;

  // Rebuild: level 1 stays in place; every later point that is not a
  // duplicate is copied down with its resistivity scaled.
  int kept = levels.empty() ? 0 : levels[0].count;
  auto keep = [&](int from, float factor) {
    for (FloatArray<kPointArraySize>* column : PointColumns(data)) {
      (*column)[kept] = (*column)[kCopyOffset + from];
    }
    float scaled = data.apparentResistivity[kCopyOffset + from] * factor;
    data.apparentResistivity[kept] = scaled;
    if (!(std::isfinite(scaled) && scaled >= kMinRecordedValue) && outcome.invalidPoint < 0) {
      outcome.invalidPoint = kept;
    }
    for (int f = 0; f < pairs; ++f) {
      data.sipValue1[kept * pairs + f] = sip1[from * pairs + f];
      data.sipValue2[kept * pairs + f] = sip2[from * pairs + f];
    }
    ++kept;
  };
  float running = data.levelShiftFactor[0];
  for (size_t k = 1; k < levels.size(); ++k) {
    const Level& level = levels[k];
    for (int j = level.start; j < level.start + level.count; ++j) {
      if (!duplicate[j]) keep(j, running);
    }
    if (k + 1 < levels.size()) running *= data.levelShiftFactor[k];
  }
  for (int j = recorded_end; j < n; ++j) keep(j, running);
  data.pointCount = kept;
  return outcome;
}

std::vector<MeasuredSegment> MeasuredSegments(const SoundingData& data) {
  std::vector<MeasuredSegment> segments;
  if (data.arrayType != ArrayType::kSchlumberger || data.datumLevelCount < 2) return segments;
  const int n = std::clamp(data.pointCountAsRead, 0, kPointArraySize - kCopyOffset);
  for (int p = kCopyOffset; p < kCopyOffset + n; ++p) {
    if (segments.empty() || segments.back().mn != data.spacingB[p]) {
      segments.push_back({data.spacingB[p], {}, {}});
    }
    segments.back().spacing.push_back(data.spacingA[p]);
    segments.back().resistivity.push_back(data.apparentResistivity[p]);
  }
  return segments;
}

std::vector<PointLevel> PointLevels(const SoundingData& data) {
  const int n = std::max(data.pointCount, 0);
  std::vector<PointLevel> points(static_cast<size_t>(n));
  const int levels = std::clamp(data.datumLevelCount, 0, kMaxDatumLevels);
  if (!Traits(data.arrayType).second_spacing || levels == 0) return points;
  bool merged = false;
  for (int k = 0; k + 1 < levels; ++k) merged = merged || data.overlapCount[k] > 0;
  // Level k keeps its points less those it shares with level k - 1; each
  // following level is scaled by the running product of the shift factors.
  int p = 0;
  float factor = 1.0f;
  for (int k = 0; k < levels && p < n; ++k) {
    if (k > 0 && merged) factor *= data.levelShiftFactor[k - 1];
    const int count = data.pointsPerLevel[k] - (k > 0 && merged ? data.overlapCount[k - 1] : 0);
    for (int j = 0; j < count && p < n; ++j, ++p) points[p] = {k + 1, merged ? factor : 1.0f};
  }
  // Points of levels beyond the recorded ones carry the last factor.
  for (; p < n; ++p) points[p] = {levels + 1, merged ? factor : 1.0f};
  return points;
}

}  // namespace layra
