#ifndef LAYRA_SURVEY_SURVEY_RUN_H_
#define LAYRA_SURVEY_SURVEY_RUN_H_

// Inverts the soundings of a survey without asking anything: each sounding is
// read and inverted on its own state, as the command line's invert does with
// its defaults (the convergence prompt keeps the limit, the iteration-limit
// prompt adds no iterations), and writes its results file
// <output directory>/<name>.INV. Soundings run in parallel on `jobs` threads;
// the outcome of each is independent of the number of jobs.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "state/records.h"
#include "survey/survey_file.h"

namespace layra {

struct SurveyRunOptions {
  bool userModel = false;  // invert from each file's own starting model
  EngineKind engine = EngineKind::kDocumented;
  std::string outputDirectory;  // results files go here ("" = the working folder)
  int jobs = 1;
  // When given and set (from any thread), soundings not yet begun are left
  // undone, failed with the message "Cancelled."; those running finish.
  const std::atomic<bool>* cancel = nullptr;
  // Keep each inverted sounding's state (data, model, outcome) in its result,
  // for a joint fit of the survey's profiles afterwards.
  bool keepState = false;
};

enum class SoundingStatus { kOk, kRefused, kFailed };

struct SoundingResult {
  SoundingStatus status = SoundingStatus::kFailed;
  std::string message;      // why a sounding was refused or failed (first line of a box)
  std::string resultsFile;  // written when status is kOk
  DataKind dataKind = DataKind::kResistivity;
  LayeredModel model;  // the final model when status is kOk
  int iterations = 0;
  float misfit = 0.0f;  // resistivity misfit, a fraction
  // Depth of investigation (metres) of an automatic run of the accurate
  // engine; the analysis does not take the documented engine's runs nor
  // user-model runs, and then doiKnown stays false.
  bool doiKnown = false;
  double doi = 0.0;
  // Calculated apparent resistivity at the data points, in the order the
  // data-file reader leaves them.
  std::vector<float> calculated;
  // The sounding's state after the run, when SurveyRunOptions::keepState.
  std::shared_ptr<ProgramState> state;
};

// Inverts one sounding.
SoundingResult InvertSurveySounding(const SurveySounding& sounding,
                                    const SurveyRunOptions& options);

// Inverts every sounding; `done` (when given) is called after each, from the
// thread that ran it, with the index of the sounding (calls are serialised).
std::vector<SoundingResult> InvertSurvey(
    const std::vector<SurveySounding>& soundings,
    const SurveyRunOptions& options,
    const std::function<void(int index, const SoundingResult&)>& done = nullptr);

// Sets result->doi from the completed automatic run in `state` when the run
// used the accurate engine (user_model false); otherwise leaves it unknown.
void SetSoundingDoi(const ProgramState& state, bool user_model, SoundingResult* result);

const char* SoundingStatusName(SoundingStatus status);

}  // namespace layra

#endif  // LAYRA_SURVEY_SURVEY_RUN_H_
