#ifndef LAYRA_TESTS_SUPPORT_RECORDING_OBSERVER_H_
#define LAYRA_TESTS_SUPPORT_RECORDING_OBSERVER_H_

// A run observer for tests: keeps what the run showed (lines, messages,
// beeps, the stage of every plot event), draws each plot on a canvas when
// one is given, and answers the run's questions from queues, counting them.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "inversion/inversion_driver.h"
#include "tests/support/recording_sink.h"

namespace layra::testing {

class RecordingObserver : public RunObserver {
 public:
  void Line(const std::string& text) override { listing.Line(text); }
  void Message(const std::string& text, const std::string& caption, MessageIcon icon) override {
    listing.Message(text, caption, icon);
  }
  void Beep() override { listing.Beep(); }
  void ConsoleLine(const std::string& text) override { listing.ConsoleLine(text); }
  void Iteration(const IterationEvent& event) override {
    stages.push_back(event.stage());
    iterations.push_back(event.iteration());
    if (canvas != nullptr) event.Draw(*canvas);
    if (on_iteration) on_iteration(event);
  }
  // Answers, taken from the front; when a queue is empty the limit is kept
  // and no iterations are added.
  void AskConvergenceLimit(InversionSettings& settings) override {
    ++convergence_questions;
    if (convergence_answers.empty()) return;
    settings.convergenceLimit = convergence_answers.front();
    convergence_answers.pop_front();
  }
  int AskAdditionalIterations(const InversionSettings&) override {
    ++iteration_questions;
    if (iteration_answers.empty()) return 0;
    const int more = iteration_answers.front();
    iteration_answers.pop_front();
    return more;
  }

  RecordingSink listing;         // lines, messages, beeps, console lines
  std::vector<RunStage> stages;  // of every plot event
  std::vector<int> iterations;   // of every plot event
  Canvas* canvas = nullptr;      // draws every plot when set
  std::function<void(const IterationEvent&)> on_iteration;
  std::deque<float> convergence_answers;  // new limits, fractions
  std::deque<int> iteration_answers;
  int convergence_questions = 0;
  int iteration_questions = 0;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_RECORDING_OBSERVER_H_
