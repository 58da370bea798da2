#ifndef LAYRA_WINDOWS_FORWARD_WINDOW_H_
#define LAYRA_WINDOWS_FORWARD_WINDOW_H_

// The forward modelling window: reads a layered model file, computes the
// sounding the model gives (apparent resistivity, and for IP and SIP models
// the apparent chargeability and the spectral response), lists and plots it
// and saves it as a sounding data file. A child window of the main window:
// while it exists the main window's mode flag is set. Listings and plots are
// drawn straight onto its canvas by the commands and stay there until the
// next command clears it.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "state/records.h"
#include "windows/dialog_runner.h"

class QAction;
class QMenu;

namespace layra {

class QtCanvas;
class QtHost;

// Commands of the FORWARDWINDOW menu.
enum ForwardCommandId : int {
  kForwardReadModel = 501,
  kForwardCalculate = 502,
  kForwardSave = 505,
  kForwardSipOutput = 506,
  kForwardQuit = 510,
  kForwardDisplay = 520,
  kForwardArrayType = 1040,
};

class ForwardWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `program` supplies the data directory the file choosers start in and the
  // shared dialog-result field; every dialog and message runs through
  // `runner`. `set_window_open` is called with 1 now and with 0 when the
  // window goes away (closed, or destroyed with its owner).
  ForwardWindow(ProgramState& program,
                DialogRunner& runner,
                std::function<void(int)> set_window_open,
                QWidget* owner = nullptr);
  ~ForwardWindow() override;

  // The window procedure's command part: carries out menu command `command`
  // as if it had been chosen from the menu.
  void ForwardWndProc(int command);

  // What the first paint does once: clears the canvas, takes the line height
  // and shows the welcome message.
  void HandleFirstPaint();

  const ForwardModel& model() const { return *model_; }
  // 1 after a successful Calculate; 0 after a model read or an array change.
  int calculatedFlag() const { return calculated_; }
  // -1 until the first paint, then 0, then the id of each command.
  int lastCommand() const { return last_command_; }
  QtCanvas& canvas() { return *canvas_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& name);
  void ReadModel();
  void Calculate();
  void Display();
  void Save();
  void ChooseSipOutput();
  void ChangeArrayType();
  // Shows the message of Display and Save before Calculate; true if shown.
  bool RefusedBeforeCalculate();
  // What destroying the window does, once: the beep and clearing the
  // window-open flag.
  void Destroy();

  ProgramState& program_;
  DialogRunner& runner_;
  std::function<void(int)> set_window_open_;
  std::unique_ptr<QtHost> host_;
  std::unique_ptr<ForwardModel> model_;
  QtCanvas* canvas_;
  int calculated_ = 0;
  int window_open_ = 0;
  int last_command_ = -1;
  int line_height_ = 16;
  ArrayType array_type_at_dialog_ = ArrayType::kWenner;
  std::string model_file_name_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_FORWARD_WINDOW_H_
