#include "survey/survey_run.h"

#include <filesystem>
#include <memory>

#include "analysis/uncertainty_report.h"
#include "inversion/job_runner.h"

namespace layra {
void SetSoundingDoi(const SoundingDocument& document, SoundingResult* result) {
  result->doiKnown = false;
  result->doi = 0.0;
  const SoundingRun* run = document.LastRun();
  if (run == nullptr || run->options.from_model ||
      run->options.engine.engine != EngineKind::kAccurate) {
    return;
  }
  RunUncertainty analysis;
  std::string message;
  if (!AnalyseRun(document.data, *run, &analysis, &message)) return;
  result->doiKnown = true;
  result->doi = analysis.smooth.doi;
}

const char* SoundingStatusName(SoundingStatus status) {
  switch (status) {
    case SoundingStatus::kOk:
      return "ok";
    case SoundingStatus::kRefused:
      return "refused";
    case SoundingStatus::kFailed:
      return "failed";
  }
  return "failed";
}

namespace {

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Reads and inverts one sounding.
SoundingResult InvertSurveySounding(const SurveySounding& sounding,
                                    const SurveyRunOptions& options) {
  SoundingResult result;
  FileRunRequest request;
  request.from_model = options.userModel;
  request.engine.engine = options.engine;
  request.results_path =
      (std::filesystem::path(options.outputDirectory) / (sounding.name + ".INV")).string();
  UnattendedObserver observer;
  FileRun file = ReadAndRun(sounding.file, request, observer);
  if (file.document != nullptr) result.dataKind = file.document->data.dataKind;
  if (file.run() == nullptr) {
    result.status = SoundingStatus::kRefused;
    result.message = FirstLine(file.refusal);
    return result;
  }
  const InversionOutcome& outcome = file.run()->outcome;
  if (outcome.runStatus != RunStatus::kCompleted) {
    result.message = FirstLine(outcome.runMessage);
    return result;
  }
  result.status = SoundingStatus::kOk;
  result.resultsFile = outcome.resultsFile;
  result.model = outcome.model;
  result.iterations = outcome.lastIteration;
  result.misfit = outcome.finalMisfit;
  result.calculated.assign(outcome.calculatedResistivity.begin(),
                           outcome.calculatedResistivity.begin() + file.document->data.pointCount);
  SetSoundingDoi(*file.document, &result);
  if (options.keepDocument) result.document = std::move(file.document);
  return result;
}

}  // namespace

std::vector<SoundingResult> InvertSurvey(
    const std::vector<SurveySounding>& soundings,
    const SurveyRunOptions& options,
    const std::function<void(int index, const SoundingResult&)>& done) {
  std::vector<SoundingResult> results(soundings.size());
  RunJobs<SoundingResult>(
      static_cast<int>(soundings.size()),
      options.jobs,
      [&](int i) {
        SoundingResult result;
        if (options.cancel != nullptr && options.cancel->load()) {
          result.message = "Cancelled.";
        } else {
          result = InvertSurveySounding(soundings[static_cast<size_t>(i)], options);
        }
        return result;
      },
      [&](int i, SoundingResult& result) {
        results[static_cast<size_t>(i)] = std::move(result);
        if (done) done(i, results[static_cast<size_t>(i)]);
      });
  return results;
}

}  // namespace layra
