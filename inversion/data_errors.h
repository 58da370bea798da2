#ifndef LAYRA_INVERSION_DATA_ERRORS_H_
#define LAYRA_INVERSION_DATA_ERRORS_H_

// Standard deviations of the observed data for the error-weighted fits of the
// accurate engine. The file's error is used where it gives one, never below
// the error floor; data without an error get the assumed error. Floor and
// assumed error are percentages of the datum (EngineOptions).

#include <optional>
#include <vector>

#include "state/records.h"

namespace layra {

// Relative standard deviation (a fraction of the value) of each apparent
// resistivity: resistivityError / apparentResistivity where the file gives
// errors and that is positive, never below the floor; otherwise the assumed
// error.
std::vector<double> ResistivityErrors(const SoundingData& data, const EngineOptions& options);

// The factor that turns IP values of the file into fractions, from the IP
// unit line: 0.001 for thousandths (msec, mV/V, mrad, per mille), 0.01 for
// percent, 1 for fractions (V/V). Empty when the line names no known unit.
std::optional<double> IpUnitFactor(const std::string& unit_text);

// What multiplies an IP value of the file to give a fraction: the unit
// line's factor where it names a unit; otherwise 0.001 (thousandths) for a
// set holding any magnitude of 1 or more, else 1.
double IpValueScale(const SoundingData& data);

// IP values as fractions, each times IpValueScale.
std::vector<float> IpFractionsByUnit(const SoundingData& data);

// Absolute standard deviation (a fraction) of each observed IP value
// `observed` (fractions): the file's ipError (scaled like the values) where
// errors are given, never below the floor percentage of the value; otherwise
// the assumed percentage of the value. Never below kIpErrorAbsoluteFloor.
constexpr double kIpErrorAbsoluteFloor = 1e-4;  // 0.1 msec
std::vector<double> IpErrors(const SoundingData& data,
                             const std::vector<float>& observed,
                             const EngineOptions& options);

}  // namespace layra

#endif  // LAYRA_INVERSION_DATA_ERRORS_H_
