#ifndef LAYRA_FILEIO_SYNTHETIC_DATA_H_
#define LAYRA_FILEIO_SYNTHETIC_DATA_H_

// Saves a computed sounding (the forward-modelling window's response of a
// model) as a sounding data file that the data-file reader takes back as an
// observed data set: resistivity, chargeability in msec, or SIP values at the
// given frequencies, with no measurement errors and no starting model.

#include <string>

#include "state/records.h"

namespace layra {

// The unit line of the chargeabilities such a file holds.
constexpr char kSyntheticIpUnit[] = "msec";

// Writes the data file `path` (created or truncated).
//   sip_form        amplitude and phase, or in-phase and out-of-phase (kind 2)
//   kind            resistivity, IP or SIP data
//   array_type      Wenner (1) or anything else, written as Schlumberger
//   nf, frequencies number of frequencies and their values in Hz (kind 2)
//   n               number of spacings, the data points
//   rho             calculated apparent resistivity per spacing
//   chargeability   calculated apparent chargeability per spacing, a fraction
//                   (written in thousandths)
//   sip_second      phase or out-of-phase component; sip_first amplitude or
//                   in-phase component; spacing p, frequency f at p + f * n
//   spacings        the spacings (m); for Schlumberger the b column holds
//                   0.1 times the first spacing on every line, so all points
//                   form one datum level
//   title           first line of the file
// Arrays that the kind does not use may be null. The file is written whole
// or not at all: returns false, with "<path>: <system's reason>" in *error
// (when given), when it could not be written; an earlier file of that name is
// then left as it was.
bool WriteSyntheticData(SipForm sip_form,
                        DataKind kind,
                        ArrayType array_type,
                        const std::string& path,
                        int nf,
                        const float* frequencies,
                        int n,
                        const float* rho,
                        const float* chargeability,
                        const float* sip_second,
                        const float* sip_first,
                        const float* spacings,
                        const std::string& title,
                        std::string* error = nullptr);

// Why the computed response of `model` would make a data file that the
// data-file reader refuses (a point or frequency count outside its limits, a
// value written as 0 or not as a number), or an empty string.
std::string UnreadableResponseReason(const ForwardModel& model);

// The data file of an observed resistivity or IP data set (not SIP), as the
// data-file reader takes it back: title (line breaks become blanks), array,
// the points in their order with each Schlumberger point's own b spacing,
// the resistivity errors (and IP errors) when data.errorsIncluded is set,
// IP values as chargeabilities in msec, and no starting model. Numbers are
// written in the fewest digits (6 to 9) that read back as the same float.
std::string FormatDataFile(const SoundingData& data);

// Writes FormatDataFile(data) to `path` whole or not at all; false with
// "<path>: <reason>" in *error when it could not be written.
bool WriteDataFile(const SoundingData& data, const std::string& path, std::string* error);

// Writes the computed response of a forward model as the forward window's
// Save does: amplitude and phase when model.outputSipForm is amplitude-phase,
// otherwise the real (in-phase) and imaginary (out-of-phase) parts. Returns
// false, with the reason in *error (when given), when the response would not
// read back (nothing is written) or the file could not be written.
bool SaveForwardModel(const ForwardModel& model,
                      const std::string& path,
                      std::string* error = nullptr);

}  // namespace layra

#endif  // LAYRA_FILEIO_SYNTHETIC_DATA_H_
