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
  SoundingData data;      // sorted, datum levels merged; dataFileName the path
  SoundingData readings;  // the points in the file's order, before both
  // The file's starting model (layer count 0 when it has none it can use),
  // whether it marks parameters as fixed, its convergence limit (a fraction).
  LayeredModel startingModel;
  int userModelAvailable = 0;
  int someParametersFixed = 0;
  float convergenceLimit = 0.0f;
};

// Reads the sounding data file `path` into `file` (emptied first): lists it
// to `sink`, sorts the points and merges Schlumberger datum levels; refusals
// are messages to `sink`. 0 when read, 1 when refused (no points then).
int ReadDataFile(const std::string& path, SoundingFile& file, ListingSink& sink);

}  // namespace layra

#endif  // LAYRA_FILEIO_DATA_FILE_H_
