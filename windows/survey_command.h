#ifndef LAYRA_WINDOWS_SURVEY_COMMAND_H_
#define LAYRA_WINDOWS_SURVEY_COMMAND_H_

// Display > Survey section: reads a survey file, inverts its soundings on
// worker threads while a progress dialog with a Cancel button is shown, then
// opens the section window. The results files go into the folder
// "<survey name>_results" beside the survey file.

#include <functional>
#include <string>
#include <vector>

#include "state/engine_options.h"

class QWidget;

namespace layra {

class DialogRunner;
class QtHost;
class SurveySectionWindow;
struct SoundingResult;
struct SurveySounding;

// Called with a sounding of the survey and its result when it is clicked in
// the section window.
using OpenSurveySounding = std::function<void(const SurveySounding&, const SoundingResult&)>;
// Called once the survey is run with its soundings and their results, in
// the survey file's order.
using SurveyRunDone =
    std::function<void(const std::vector<SurveySounding>&, std::vector<SoundingResult>&)>;

// Runs the survey at `path` with `engine`. Refusals, failed soundings and a cancelled run
// are told through `host`. Returns the section window (a window of its own,
// a child of `owner`, deleted when closed), or nullptr when no sounding was
// inverted. A click on a sounding's column calls `open_sounding` (when given).
// The window's picture commands ask through `host` and `runner`.
SurveySectionWindow* OpenSurveySection(const std::string& path,
                                       QWidget* owner,
                                       QtHost& host,
                                       DialogRunner& runner,
                                       EngineKind engine,
                                       OpenSurveySounding open_sounding = nullptr,
                                       SurveyRunDone run_done = nullptr);

}  // namespace layra

#endif  // LAYRA_WINDOWS_SURVEY_COMMAND_H_
