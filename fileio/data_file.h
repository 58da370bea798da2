#ifndef LAYRA_FILEIO_DATA_FILE_H_
#define LAYRA_FILEIO_DATA_FILE_H_

#include <string>

#include "platform/canvas.h"
#include "platform/host.h"
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

// Reads a sounding data file into state.data, state.startingModel, the flags
// userModelAvailable and someParametersFixed and, when the file carries a
// starting model, state.settings.convergenceLimit; lists what it reads on
// `canvas` (x = 8 from y = 10, state.textLineHeight apart), reorders the
// points and merges Schlumberger datum levels. Refusals are shown through
// `host`. Returns 0 when the file was read, 1 when it was refused (then
// state.data.pointCount is 0).
int ReadDataFile(const std::string& path, ProgramState& state, Canvas& canvas, Host& host);

}  // namespace layra

#endif  // LAYRA_FILEIO_DATA_FILE_H_
