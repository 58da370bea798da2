#ifndef LAYRA_WINDOWS_QT_HOST_H_
#define LAYRA_WINDOWS_QT_HOST_H_

// The desktop program's Host: message boxes with the program's captions and
// icons, the system beep, file choosers, the two prompts an inversion shows
// and the console line. Every dialog runs through a DialogRunner.

#include <string>

#include "platform/host.h"
#include "state/records.h"
#include "windows/dialog_runner.h"
#include "windows/file_dialog_description.h"

class QWidget;

namespace layra {

class QtHost : public Host {
 public:
  // `owner` parents every dialog; `state` supplies the data directory the
  // file choosers start in and the shared dialog-result field.
  QtHost(QWidget* owner, DialogRunner& runner, ProgramState& state);

  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon icon,
                            MessageButtons buttons) override;
  void Beep() override;
  bool ChooseOpenFile(std::string& path, const std::string& title) override;
  bool ChooseSaveFile(std::string& path, const std::string& title) override;
  int AskConvergenceLimit(InversionSettings& settings) override;
  int AskAdditionalIterations(InversionSettings& settings) override;
  void ConsoleLine(const std::string& text) override;

  // Once set, the two inversion prompts are no longer shown: the convergence
  // prompt keeps the limit and the iteration prompt asks for no more
  // iterations, so a running inversion ends at its next stopping point. Set
  // when the user closes the main window during a run.
  void setStopRequested(bool stop) { stop_requested_ = stop; }
  bool stopRequested() const { return stop_requested_; }

  const FileDialogSpec& fileDialog() const { return file_dialog_; }
  DialogRunner& runner() { return runner_; }

 private:
  bool ChooseFile(std::string& path, const std::string& title, bool save);

  QWidget* owner_;
  DialogRunner& runner_;
  ProgramState& state_;
  FileDialogSpec file_dialog_;
  bool stop_requested_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_QT_HOST_H_
