#ifndef LAYRA_SURVEY_SURVEY_FILE_H_
#define LAYRA_SURVEY_SURVEY_FILE_H_

// The survey file: a CSV table (see csv_table.h) listing the soundings of a
// survey, one per row, with the columns
//   file       the sounding's data file; a relative path is taken from the
//              survey file's folder
//   x, y       position in metres in a projected coordinate system
//   elevation  (elev, z) of the ground at the sounding, metres
//   name       (optional) the sounding's name, default the data file's name
//              without its extension; names the results file, so it must be
//              unique in the survey and usable as a file name
//   profile    (optional) the profile the sounding belongs to; soundings of
//              one profile are drawn in one section in the order listed

#include <string>
#include <vector>

namespace layra {

// The longest survey file read: some two million soundings.
constexpr long kMaxSurveyFileLength = 256L << 20;

// The largest magnitude of x, y and elevation (m) a survey file may give.
constexpr double kMaxSurveyCoordinate = 1e8;

struct SurveySounding {
  int line = 0;      // row of the survey file
  std::string file;  // as resolved: relative paths joined to the survey's folder
  std::string name;
  std::string profile;  // empty when the survey has no profile column
  double x = 0.0;
  double y = 0.0;
  double elevation = 0.0;
};

// Reads the survey file at `path` (a regular file shorter than
// kMaxSurveyFileLength bytes). False with a message in *error (naming the
// file, or the row and column of a bad entry) when it cannot be read or any
// row is bad; nothing is returned then.
bool ReadSurveyFile(const std::string& path,
                    std::vector<SurveySounding>* soundings,
                    std::string* error);

// The same for the text of a survey file whose folder is `folder`.
bool ParseSurveyFile(const std::string& text,
                     const std::string& folder,
                     std::vector<SurveySounding>* soundings,
                     std::string* error);

// Checks a --crs text: "EPSG:" followed by a code of digits. False with a
// message otherwise.
bool CheckCrs(const std::string& crs, std::string* error);

}  // namespace layra

#endif  // LAYRA_SURVEY_SURVEY_FILE_H_
