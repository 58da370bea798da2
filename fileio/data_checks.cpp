#include "fileio/data_checks.h"

#include <cmath>

#include "state/text_format.h"

namespace layra {
namespace {

// Points i and i + 1 belong to one curve: the spacing grows, and for
// Schlumberger data that were not merged both lie on one datum level.
bool Neighbours(const SoundingData& data, int i, bool merged) {
  if (!(data.spacingA[i + 1] > data.spacingA[i])) return false;
  if (!Traits(data.arrayType).second_spacing || merged) return true;
  return data.spacingB[i + 1] == data.spacingB[i];
}

double LogSlope(const SoundingData& data, int i, int j) {
  return std::log(static_cast<double>(data.apparentResistivity[j]) / data.apparentResistivity[i]) /
         std::log(static_cast<double>(data.spacingA[j]) / data.spacingA[i]);
}

}  // namespace

std::vector<std::string> CheckSounding(const SoundingData& data) {
  std::vector<std::string> warnings;
  const int n = data.pointCount;
  bool merged = false;
  for (int k = 1; k < data.datumLevelCount && k < kMaxDatumLevels; ++k) {
    merged = merged || data.overlapCount[k - 1] > 0;
  }

  for (int i = 0; i + 1 < n; ++i) {
    if (!Neighbours(data, i, merged)) continue;
    const double slope = LogSlope(data, i, i + 1);
    if (slope > kMaxRisingSlope) {
      warnings.push_back(
          StrFormat("Point %d (spacing %.2f m) rises from point %d with a log-log slope of %.1f;\n"
                    "no layered earth gives more than %.0f: check the reading.",
                    i + 2,
                    data.spacingA[i + 1],
                    i + 1,
                    slope,
                    kMaxRisingSlope));
    }
  }

  for (int k = 1; k < data.datumLevelCount && k < kMaxDatumLevels; ++k) {
    const int overlap = data.overlapCount[k - 1];
    const double factor = data.levelShiftFactor[k - 1];
    if (overlap < 1) continue;
    if (overlap == 1) {
      warnings.push_back(
          StrFormat("Datum level %d is shifted by a factor of %.3f resting on a single\n"
                    "overlapping point.",
                    k + 1,
                    factor));
    } else if (std::fabs(factor - 1.0) > kMaxShiftDeviation) {
      warnings.push_back(
          StrFormat("Datum level %d is shifted by a factor of %.3f, more than %.0f%%\n"
                    "away from 1.",
                    k + 1,
                    factor,
                    100.0 * kMaxShiftDeviation));
    }
  }

  for (int i = 1; i + 1 < n; ++i) {
    if (!Neighbours(data, i - 1, merged) || !Neighbours(data, i, merged)) continue;
    const double along = std::log(static_cast<double>(data.spacingA[i]) / data.spacingA[i - 1]) /
                         std::log(static_cast<double>(data.spacingA[i + 1]) / data.spacingA[i - 1]);
    const double trend = std::log(static_cast<double>(data.apparentResistivity[i - 1])) +
                         along * std::log(static_cast<double>(data.apparentResistivity[i + 1]) /
                                          data.apparentResistivity[i - 1]);
    const double off =
        std::exp(std::fabs(std::log(static_cast<double>(data.apparentResistivity[i])) - trend));
    if (off > kOutlierFactor) {
      warnings.push_back(StrFormat(
          "Point %d (spacing %.2f m) lies a factor of %.2f off the trend of its neighbours.",
          i + 1,
          data.spacingA[i],
          off));
    }
  }
  return warnings;
}

}  // namespace layra
