#ifndef LAYRA_WINDOWS_QT_HOST_H_
#define LAYRA_WINDOWS_QT_HOST_H_

// What the desktop program asks of the user and of the system: message boxes
// with the program's captions and icons, the system beep, file choosers, the
// two questions an inversion asks and the console line. Every dialog runs
// through a DialogRunner.

#include <string>

#include "platform/listing_sink.h"
#include "state/records.h"
#include "windows/dialog_runner.h"
#include "windows/file_dialog_description.h"
#include "windows/shell_state.h"

class QWidget;

namespace layra {

enum class MessageButtons { kOk, kYesNo };
enum class MessageAnswer { kOk, kYes, kNo };

class QtHost {
 public:
  // `owner` parents every dialog; `shell` supplies the data directory the
  // file choosers start in and the shared dialog-result field.
  QtHost(QWidget* owner, DialogRunner& runner, ShellState& shell);

  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon icon,
                            MessageButtons buttons);
  // Shorthand for the common case: OK button, exclamation icon.
  void Warn(const std::string& text, const std::string& caption) {
    ShowMessage(text, caption, MessageIcon::kExclamation, MessageButtons::kOk);
  }
  void Beep();

  // File choosers: `path` holds the default name or pattern and receives the
  // path chosen (true); Cancel leaves it (false). The open chooser takes only
  // existing files; the save chooser asks before overwriting one.
  bool ChooseOpenFile(std::string& path, const std::string& title);
  bool ChooseSaveFile(std::string& path, const std::string& title);

  // The convergence prompt of a run that met its limit: may change
  // settings.convergenceLimit. Returns 1 for OK, 2 for Cancel.
  int AskConvergenceLimit(InversionSettings& settings);
  // The iteration-limit prompt: sets settings.additionalIterations. Returns
  // 1 for OK, 2 for Cancel.
  int AskAdditionalIterations(InversionSettings& settings);
  // A diagnostic line for the program's console (standard error).
  void ConsoleLine(const std::string& text);

  const FileDialogSpec& fileDialog() const { return file_dialog_; }
  DialogRunner& runner() { return runner_; }

 private:
  bool ChooseFile(std::string& path, const std::string& title, bool save);

  QWidget* owner_;
  DialogRunner& runner_;
  ShellState& shell_;
  FileDialogSpec file_dialog_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_QT_HOST_H_
