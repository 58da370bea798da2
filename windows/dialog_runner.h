#ifndef LAYRA_WINDOWS_DIALOG_RUNNER_H_
#define LAYRA_WINDOWS_DIALOG_RUNNER_H_

// Every modal dialog of the desktop program (settings dialogs, message boxes,
// file choosers) is run through a DialogRunner. The program's runner executes
// it modally; tests install one that fills in and closes each dialog without
// ever blocking.

class QDialog;

namespace layra {

class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // Runs `dialog` until it is closed; returns its result code.
  virtual int Run(QDialog& dialog);
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_DIALOG_RUNNER_H_
