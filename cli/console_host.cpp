#include "cli/console_host.h"

namespace layra::cli {

MessageAnswer ConsoleHost::ShowMessage(const std::string& text,
                                       const std::string& caption,
                                       MessageIcon /*icon*/,
                                       MessageButtons buttons) {
  err_ << caption << ": " << text << '\n';
  err_.flush();
  return buttons == MessageButtons::kOk ? MessageAnswer::kOk : yes_no_answer_;
}

bool ConsoleHost::ChooseOpenFile(std::string& path, const std::string& /*title*/) {
  return !path.empty();
}

bool ConsoleHost::ChooseSaveFile(std::string& path, const std::string& /*title*/) {
  return !path.empty();
}

int ConsoleHost::AskConvergenceLimit(InversionSettings& /*settings*/) {
  return 1;  // keep the limit
}

int ConsoleHost::AskAdditionalIterations(InversionSettings& settings) {
  settings.additionalIterations = more_iterations_;
  more_iterations_ = 0;  // answered once per run
  return 1;
}

void ConsoleHost::ConsoleLine(const std::string& text) { err_ << text; }

}  // namespace layra::cli
