#include "survey/survey_run.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "analysis/uncertainty_report.h"
#include "fileio/data_file.h"
#include "inversion/inversion_driver.h"
#include "platform/null_canvas.h"
#include "state/user_model_rules.h"

namespace layra {
namespace {

// Answers without asking: messages are kept (the first one explains a
// refusal), the results file goes where the survey puts it, the convergence
// limit is kept and no iterations are added; a question is answered No.
class QuietHost : public Host {
 public:
  explicit QuietHost(std::string results_path) : results_path_(std::move(results_path)) {}

  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& /*caption*/,
                            MessageIcon /*icon*/,
                            MessageButtons buttons) override {
    if (first_message_.empty()) first_message_ = text;
    return buttons == MessageButtons::kOk ? MessageAnswer::kOk : MessageAnswer::kNo;
  }
  void Beep() override {}
  bool ChooseOpenFile(std::string& path, const std::string&) override { return !path.empty(); }
  bool ChooseSaveFile(std::string& path, const std::string&) override {
    path = results_path_;
    return true;
  }
  int AskConvergenceLimit(InversionSettings&) override { return 1; }
  int AskAdditionalIterations(InversionSettings& settings) override {
    settings.additionalIterations = 0;
    return 1;
  }
  void ConsoleLine(const std::string&) override {}

  const std::string& first_message() const { return first_message_; }

 private:
  std::string results_path_;
  std::string first_message_;
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

void SetSoundingDoi(const ProgramState& state, bool user_model, SoundingResult* result) {
  result->doiKnown = false;
  result->doi = 0.0;
  if (user_model || state.engine.engine != EngineKind::kAccurate) return;
  RunUncertainty analysis;
  std::string message;
  if (!AnalyseRun(state, false, &analysis, &message)) return;
  result->doiKnown = true;
  result->doi = analysis.smooth.doi;
}

const char* SoundingStatusName(SoundingStatus status) {
  switch (status) {
    case SoundingStatus::kOk:
      return "ok";
    case SoundingStatus::kRefused:
      return "refused";
    default:
      return "failed";
  }
}

SoundingResult InvertSurveySounding(const SurveySounding& sounding,
                                    const SurveyRunOptions& options) {
  SoundingResult result;
  const std::string results_path =
      (std::filesystem::path(options.outputDirectory) / (sounding.name + ".INV")).string();
  // The record holds fixed arrays of several hundred kilobytes; keep it off the stack.
  auto state = std::make_unique<ProgramState>();
  QuietHost host(results_path);
  NullCanvas canvas;  // no listing or plot is wanted here
  state->textLineHeight = canvas.Metrics().charHeight;
  state->engine.engine = options.engine;
  if (ReadDataFile(sounding.file, *state, canvas, host) != 0) {
    result.status = SoundingStatus::kRefused;
    result.message = host.first_message().empty() ? "Cannot open file " + sounding.file
                                                  : FirstLine(host.first_message());
    return result;
  }
  result.dataKind = state->data.dataKind;
  state->dataRead = 1;
  // As the main window does after a read that carried a starting model.
  if (state->userModelAvailable) CopyStartingModel(state->startingModel, state->model);
  if (options.userModel) {
    if (!state->userModelAvailable) {
      result.status = SoundingStatus::kRefused;
      result.message = "The input data file did not have an initial model.";
      return result;
    }
    // The user-model run fits in the least-squares sense.
    state->settings.dataConstraint = 0;
    state->settings.modelConstraint = 0;
    RunInversion(*state, 1, 0, canvas, host);
  } else {
    RunInversion(*state, 0, 0, canvas, host);
  }
  const InversionOutcome& outcome = state->outcome;
  if (outcome.runStatus != RunStatus::kCompleted) {
    result.message =
        FirstLine(outcome.runMessage.empty() ? host.first_message() : outcome.runMessage);
    return result;
  }
  result.status = SoundingStatus::kOk;
  result.resultsFile = state->resultsFileName;
  result.model = state->model;
  result.iterations = outcome.lastIteration;
  result.misfit = outcome.finalMisfit;
  result.calculated.assign(outcome.calculatedResistivity.begin(),
                           outcome.calculatedResistivity.begin() + state->data.pointCount);
  SetSoundingDoi(*state, options.userModel, &result);
  if (options.keepState) result.state = std::move(state);
  return result;
}

std::vector<SoundingResult> InvertSurvey(
    const std::vector<SurveySounding>& soundings,
    const SurveyRunOptions& options,
    const std::function<void(int index, const SoundingResult&)>& done) {
  const int count = static_cast<int>(soundings.size());
  std::vector<SoundingResult> results(soundings.size());
  std::atomic<int> next{0};
  std::mutex mutex;
  auto worker = [&]() {
    for (int i = next++; i < count; i = next++) {
      SoundingResult& result = results[static_cast<size_t>(i)];
      if (options.cancel != nullptr && options.cancel->load()) {
        result.message = "Cancelled.";
      } else {
        result = InvertSurveySounding(soundings[static_cast<size_t>(i)], options);
      }
      if (done) {
        std::lock_guard<std::mutex> lock(mutex);
        done(i, result);
      }
    }
  };
  const int jobs = std::max(1, std::min(options.jobs, count));
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  return results;
}

}  // namespace layra
