#ifndef LAYRA_PROJECT_PROJECT_FILE_H_
#define LAYRA_PROJECT_PROJECT_FILE_H_

// A project: the soundings a user works on together, saved as one
// human-readable JSON file (*.layra). Each sounding keeps its data file by a
// path relative to the project file (the data are read again when the
// project is opened), and everything done on it: points left out, the next
// run's settings and engine choices, the working model, every run with its
// options and results, the run shown and those compared, and the
// equivalence analysis of a run. A sounding whose data file cannot be read
// when the project is opened is kept as it was written, so that saving the
// project again loses nothing of it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "inversion/sounding_document.h"
#include "platform/listing_sink.h"

namespace layra {

// The version written in the "version" field; a project of a later version
// is refused.
constexpr int kProjectVersion = 1;

struct ProjectSounding {
  std::string dataFile;  // absolute path of the data file
  // The sounding read and its state restored; null when its data file
  // could not be read (then `stored` keeps its JSON and `problem` says why).
  std::unique_ptr<SoundingDocument> document;
  std::string stored;
  std::string problem;
  std::vector<std::string> listing;  // the reader's listing when the project was opened
  int shownRun = -1;                 // the run shown (Model table, plot), -1 none
  bool modelShown = false;           // the working model is shown (being edited) instead
  // Readings left out before the datum levels are merged (1-based, in the
  // file's order); the document's data are merged without them.
  std::vector<int> leftOutReadings;
  std::vector<int> comparedRuns;  // runs overlaid on the plot besides it
  int analysedRun = -1;           // the run `uncertainty` is the analysis of
  std::optional<RunUncertainty> uncertainty;
};

struct Project {
  std::vector<ProjectSounding> soundings;
  int current = -1;  // the sounding shown, -1 none
};

// The project as JSON text; data file paths relative to the folder of
// `project_path`.
std::string ProjectJson(const Project& project, const std::string& project_path);

// Writes the project to `path` whole or not at all; false with the reason
// in *error.
bool SaveProject(const Project& project, const std::string& path, std::string* error);

// Reads the project file `path`: each data file is read again (its listing
// lines to the sounding's `listing`, its messages to `messages`) and the
// sounding's state restored. False with
// the reason in *error when the file is not a project this program can
// read; a data file that cannot be read only makes its sounding's `problem`.
bool OpenProject(const std::string& path,
                 Project* project,
                 ListingSink& listing,
                 std::string* error);

// The same from JSON text, data file paths relative to `folder`.
bool ProjectFromJson(const std::string& text,
                     const std::string& folder,
                     Project* project,
                     ListingSink& messages,
                     std::string* error);

}  // namespace layra

#endif  // LAYRA_PROJECT_PROJECT_FILE_H_
