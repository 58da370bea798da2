#ifndef LAYRA_FILEIO_DATA_FILE_H_
#define LAYRA_FILEIO_DATA_FILE_H_

#include <string>

#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

// Largest IP value (in magnitude) a data file may hold, in whatever quantity
// the file gives (chargeability in msec or mV/V, percent frequency effect,
// phase in milliradians, metal factor): above every measured value of these,
// and a bound that keeps the linear IP axis to a few hundred ticks.
constexpr float kMaxIpMagnitude = 10000.0f;

// Smallest electrode spacing (m) and apparent resistivity (ohm-m) a data file
// may hold: the results file writes them with three decimals.
constexpr float kMinRecordedValue = 0.001f;

// What a sounding data file holds.
struct SoundingFile {
  // The points sorted and, for Schlumberger data, the datum levels merged;
  // dataFileName is the path read.
  SoundingData data;
  // The points as the file gives them, in its order, before sorting and
  // merging (pointCount = data.pointCountAsRead).
  SoundingData readings;
  // The file's starting model (layer count 0 when it carries none it can
  // use), whether it marks parameters as fixed, and its convergence limit
  // (a fraction; with the starting model only).
  LayeredModel startingModel;
  int userModelAvailable = 0;
  int someParametersFixed = 0;
  float convergenceLimit = 0.0f;
};

// Reads the sounding data file `path` into `file` (emptied first, so that
// nothing of an earlier file stays): lists what it reads to `sink`, reorders the points and merges
// Schlumberger datum levels. Refusals are messages to `sink`. Returns 0 when the file was read, 1
// when it was refused (then file.data.pointCount is 0).
int ReadDataFile(const std::string& path, SoundingFile& file, ListingSink& sink);

}  // namespace layra

#endif  // LAYRA_FILEIO_DATA_FILE_H_
