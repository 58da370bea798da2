#ifndef LAYRA_CLI_CONSOLE_HOST_H_
#define LAYRA_CLI_CONSOLE_HOST_H_

// The command line's Host: every message box is printed to stderr as
// "Caption: text" and never blocks; beeps are ignored; file choosers take the
// path they are offered; the inversion prompts are answered from options.

#include <iostream>

#include "platform/host.h"

namespace layra::cli {

class ConsoleHost : public Host {
 public:
  explicit ConsoleHost(std::ostream& err = std::cerr) : err_(err) {}

  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon icon,
                            MessageButtons buttons) override;
  void Beep() override {}
  bool ChooseOpenFile(std::string& path, const std::string& title) override;
  bool ChooseSaveFile(std::string& path, const std::string& title) override;
  int AskConvergenceLimit(InversionSettings& settings) override;
  int AskAdditionalIterations(InversionSettings& settings) override;
  void ConsoleLine(const std::string& text) override;

  // Answer of the iteration-limit prompt (additional iterations).
  void set_more_iterations(int count) { more_iterations_ = count; }
  // Answer of Yes/No questions (No unless set).
  void set_yes_no_answer(MessageAnswer answer) { yes_no_answer_ = answer; }

 private:
  std::ostream& err_;
  int more_iterations_ = 0;
  MessageAnswer yes_no_answer_ = MessageAnswer::kNo;
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_CONSOLE_HOST_H_
