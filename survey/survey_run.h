#ifndef LAYRA_SURVEY_SURVEY_RUN_H_
#define LAYRA_SURVEY_SURVEY_RUN_H_

// Inverts the soundings of a survey unattended, each in a document of its
// own as the command line's invert does with its defaults, into
// <output directory>/<name>.INV; on `jobs` threads, with outcomes that do
// not depend on their number.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "inversion/sounding_document.h"
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
  // Keep each inverted sounding's document (data, run, model) in its
  // result, for a joint fit of the survey's profiles afterwards.
  bool keepDocument = false;
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
  // The sounding's document after the run, when SurveyRunOptions::keepDocument.
  std::shared_ptr<SoundingDocument> document;
};

// Inverts every sounding; `done` (when given) is called for each in the
// order of the soundings, as soon as it and those before it are done (calls
// are serialised).
std::vector<SoundingResult> InvertSurvey(
    const std::vector<SurveySounding>& soundings,
    const SurveyRunOptions& options,
    const std::function<void(int index, const SoundingResult&)>& done = nullptr);

// Sets result->doi from the document's last run when it was a completed
// automatic run of the accurate engine; otherwise leaves it unknown.
void SetSoundingDoi(const SoundingDocument& document, SoundingResult* result);

const char* SoundingStatusName(SoundingStatus status);

}  // namespace layra

#endif  // LAYRA_SURVEY_SURVEY_RUN_H_
