#ifndef LAYRA_PLATFORM_HOST_H_
#define LAYRA_PLATFORM_HOST_H_

// What the program asks of the user and of the system: message boxes, the
// beep, file choosers and the prompts an inversion needs while it runs.

#include <string>

#include "state/records.h"

namespace layra {

enum class MessageIcon { kInformation, kExclamation, kQuestion };
enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

class Host {
 public:
  virtual ~Host() = default;

  virtual MessageAnswer ShowMessage(const std::string& text,
                                    const std::string& caption,
                                    MessageIcon icon,
                                    MessageButtons buttons) = 0;

  // Shorthand for the common case: OK button, exclamation icon.
  void Warn(const std::string& text, const std::string& caption) {
    ShowMessage(text, caption, MessageIcon::kExclamation, MessageButtons::kOk);
  }

  // The default system beep.
  virtual void Beep() = 0;

  // File choosers. On entry `path` holds the default name or pattern; on a
  // choice it receives the full path and the call returns true. Cancel
  // returns false and leaves `path` as it was. The open chooser asks before
  // creating a file that does not exist; the save chooser asks before
  // overwriting one.
  virtual bool ChooseOpenFile(std::string& path, const std::string& title) = 0;
  virtual bool ChooseSaveFile(std::string& path, const std::string& title) = 0;

  // The convergence prompt shown when a run has converged: may change
  // settings.convergenceLimit. Returns 1 for OK, 2 for Cancel.
  virtual int AskConvergenceLimit(InversionSettings& settings) = 0;
  // The iteration-limit prompt: sets settings.additionalIterations (0 when
  // cancelled). Returns 1 for OK, 2 for Cancel.
  virtual int AskAdditionalIterations(InversionSettings& settings) = 0;

  // A diagnostic line for the program's console.
  virtual void ConsoleLine(const std::string& text) = 0;
};

}  // namespace layra

#endif  // LAYRA_PLATFORM_HOST_H_
