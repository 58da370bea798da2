#ifndef LAYRA_WINDOWS_SURVEY_COMMAND_H_
#define LAYRA_WINDOWS_SURVEY_COMMAND_H_

// Display > Survey section: reads a survey file, inverts its soundings on
// worker threads while a progress dialog with a Cancel button is shown, then
// opens the section window. The results files go into the folder
// "<survey name>_results" beside the survey file.

#include <string>

class QWidget;

namespace layra {

class Host;
class SurveySectionWindow;

// Runs the survey at `path`. Refusals, failed soundings and a cancelled run
// are told through `host`. Returns the section window (a window of its own,
// a child of `owner`, deleted when closed), or nullptr when no sounding was
// inverted.
SurveySectionWindow* OpenSurveySection(const std::string& path, QWidget* owner, Host& host);

}  // namespace layra

#endif  // LAYRA_WINDOWS_SURVEY_COMMAND_H_
