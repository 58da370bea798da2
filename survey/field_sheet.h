#ifndef LAYRA_SURVEY_FIELD_SHEET_H_
#define LAYRA_SURVEY_FIELD_SHEET_H_

// Field sheets: the readings of one sounding as a crew writes them down, one
// row per reading, saved from a spreadsheet as CSV (see csv_table.h). Columns
// are found by name, case and punctuation ignored, a unit in brackets after
// the name ("V [mV]", "I (A)"):
//   Wenner        a                      electrode spacing (m), or AB/2
//                                        and MN/2 with AB/2 = 3 MN/2 (a is
//                                        then 2 MN/2)
//   Schlumberger  AB/2 (ab2), MN/2 (mn2) half current and potential electrode
//                                        spacings (m); MN/2 is the data
//                                        file's b spacing
//   rho_a (rhoa, rho, resistivity,       apparent resistivity (ohm-m), or
//     "App. Res.")
//   V (voltage) and I (current)          potential difference (mV, or V, uV)
//                                        and current (mA, or A, uA): the
//                                        apparent resistivity is K V / I with
//                                        the array's geometric factor K; where
//                                        a row has V and I they are used
//   error (err)                          standard error of the apparent
//                                        resistivity, ohm-m or "%" of it
//   ip (chargeability)                   chargeability, msec or mV/V, or "%"
//                                        (1 % = 10 mV/V)
//   ip_error (iperr)                     its error, in the same unit
// Other columns (station, remarks, ...) are ignored.

#include <string>

#include "state/records.h"

namespace layra {

// The longest field sheet read: far beyond 90 readings with remarks, and
// short of what a wrong file (a disk image, a device) would hold.
constexpr long kMaxFieldSheetLength = 4L << 20;

// The text of the field sheet `path`: a regular file shorter than
// kMaxFieldSheetLength bytes. False with a message naming the file and the
// reason otherwise (it cannot be opened, is a directory, a device or a FIFO,
// is too long, holds UTF-16 text or binary data).
bool ReadFieldSheetFile(const std::string& path, std::string* text, std::string* error);

// The title of a data file imported from the sheet file `sheet_name` (no
// folder): "Imported from <name>", cut to the kLineCapacity - 1 bytes the
// data-file reader keeps of a line.
std::string ImportedTitle(const std::string& sheet_name);

// Reads the sheet `text` as readings of `array` into a fresh data set in
// *data (title left empty, points in the sheet's order). False with a message
// in *error that names the row (the line of the file) and the column of the
// first bad reading; *data is then unspecified. A reading is refused too
// where the data file written from it would not read back: a spacing or an
// apparent resistivity below kMinRecordedValue, a chargeability beyond
// kMaxIpMagnitude, or Schlumberger datum levels whose merge scales a reading
// out of range. Rows whose V and I disagree with their apparent resistivity
// column are named in data->warnings.
bool ParseFieldSheet(const std::string& text,
                     ArrayType array,
                     SoundingData* data,
                     std::string* error);

// The array the sheet was measured with: Wenner when it has a column "a" and
// none "AB/2", or AB/2 and MN/2 with AB/2 = 3 MN/2 in every reading;
// otherwise Schlumberger (and reading the sheet then says what it lacks).
// When readings were 3:1 up to one that is not, *note (when given) names
// that row as the reason for Schlumberger.
ArrayType FieldSheetArray(const std::string& text, std::string* note = nullptr);

}  // namespace layra

#endif  // LAYRA_SURVEY_FIELD_SHEET_H_
