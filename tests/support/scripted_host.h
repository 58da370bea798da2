#ifndef LAYRA_TESTS_SUPPORT_SCRIPTED_HOST_H_
#define LAYRA_TESTS_SUPPORT_SCRIPTED_HOST_H_

// A Host for tests: answers from queues and records every message, beep,
// file choice and prompt, so nothing blocks and everything can be asserted.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace layra::testing {

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  MessageButtons buttons;
};

class ScriptedHost : public Host {
 public:
  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon icon,
                            MessageButtons buttons) override;
  void Beep() override { ++beeps; }
  bool ChooseOpenFile(std::string& path, const std::string& title) override;
  bool ChooseSaveFile(std::string& path, const std::string& title) override;
  int AskConvergenceLimit(InversionSettings& settings) override;
  int AskAdditionalIterations(InversionSettings& settings) override;
  void ConsoleLine(const std::string& text) override { console.push_back(text); }

  // Answers, taken from the front; when a queue is empty: Yes/No answers No,
  // file choosers cancel, the convergence prompt keeps the limit (OK) and the
  // iteration prompt answers 0 (OK).
  std::deque<MessageAnswer> yes_no_answers;
  std::deque<std::optional<std::string>> open_answers;  // nullopt = cancel
  std::deque<std::optional<std::string>> save_answers;
  std::deque<float> convergence_answers;  // new limit as a fraction
  std::deque<int> iteration_answers;

  // What happened.
  std::vector<RecordedMessage> messages;
  std::vector<std::string> open_titles;
  std::vector<std::string> save_titles;
  std::vector<std::string> save_defaults;  // the default name offered to each save chooser
  std::vector<std::string> console;
  int beeps = 0;
  int convergence_prompts = 0;
  int iteration_prompts = 0;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_SCRIPTED_HOST_H_
