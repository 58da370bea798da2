#ifndef LAYRA_FILEIO_DATA_CHECKS_H_
#define LAYRA_FILEIO_DATA_CHECKS_H_

// Checks of a sounding that has been read (points ordered, datum levels
// merged) for readings no layered earth explains and for merges resting on
// little. Each finding is a warning; the data are still used.

#include <string>
#include <vector>

#include "state/records.h"

namespace layra {

// Apparent resistivity may rise with spacing at most in proportion to it
// (log-log slope 1, the asymptote over an insulating basement) for either
// array; a steeper rise between neighbouring points is a bad reading.
constexpr double kMaxRisingSlope = 1.0;
// A datum-level shift factor further than this from 1 is reported.
constexpr double kMaxShiftDeviation = 0.15;
// A point off the log-log line through its two neighbours by more than this
// factor is reported.
constexpr double kOutlierFactor = 1.5;

// Warnings, in order: rising slopes above kMaxRisingSlope between
// neighbouring points of one level (or of the merged curve), datum levels
// whose shift factor is off by more than kMaxShiftDeviation or rests on a
// single overlapping point, and points off their neighbours' trend by more
// than kOutlierFactor. Points are named 1-based in the order of `data`.
std::vector<std::string> CheckSounding(const SoundingData& data);

}  // namespace layra

#endif  // LAYRA_FILEIO_DATA_CHECKS_H_
