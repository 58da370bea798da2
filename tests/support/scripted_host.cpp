#include "tests/support/scripted_host.h"

namespace layra::testing {

MessageAnswer ScriptedHost::ShowMessage(const std::string& text,
                                        const std::string& caption,
                                        MessageIcon icon,
                                        MessageButtons buttons) {
  messages.push_back({text, caption, icon, buttons});
  if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  if (yes_no_answers.empty()) return MessageAnswer::kNo;
  MessageAnswer answer = yes_no_answers.front();
  yes_no_answers.pop_front();
  return answer;
}

namespace {
bool Take(std::deque<std::optional<std::string>>& queue, std::string& path) {
  if (queue.empty()) return false;
  std::optional<std::string> answer = queue.front();
  queue.pop_front();
  if (!answer) return false;
  path = *answer;
  return true;
}
}  // namespace

bool ScriptedHost::ChooseOpenFile(std::string& path, const std::string& title) {
  open_titles.push_back(title);
  return Take(open_answers, path);
}

bool ScriptedHost::ChooseSaveFile(std::string& path, const std::string& title) {
  save_titles.push_back(title);
  save_defaults.push_back(path);
  return Take(save_answers, path);
}

int ScriptedHost::AskConvergenceLimit(InversionSettings& settings) {
  ++convergence_prompts;
  if (!convergence_answers.empty()) {
    settings.convergenceLimit = convergence_answers.front();
    convergence_answers.pop_front();
  }
  return 1;
}

int ScriptedHost::AskAdditionalIterations(InversionSettings& settings) {
  ++iteration_prompts;
  settings.additionalIterations = 0;
  if (!iteration_answers.empty()) {
    settings.additionalIterations = iteration_answers.front();
    iteration_answers.pop_front();
  }
  return 1;
}

}  // namespace layra::testing
