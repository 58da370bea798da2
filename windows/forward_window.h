#ifndef LAYRA_WINDOWS_FORWARD_WINDOW_H_
#define LAYRA_WINDOWS_FORWARD_WINDOW_H_

// The forward modelling window: reads a layered model file, computes the
// sounding the model gives (apparent resistivity, and for IP and SIP models
// the apparent chargeability and the spectral response), lists and plots it
// and saves it as a sounding data file. A child window of the main window:
// while it exists the main window's mode flag is set. Listings and plots are
// drawn straight onto its canvas by the commands and stay there until the
// next command clears it.

#include <functional>
#include <memory>
#include <string>

#include "state/records.h"
#include "windows/child_window.h"
#include "windows/dialog_runner.h"

class QAction;
class QMenu;

namespace layra {

class ModelTable;
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
  kForwardNextFrequencies = 521,
  kForwardPreviousFrequencies = 522,
  kForwardArrayType = 1040,
};

class ForwardWindow : public ChildWindow {
  Q_OBJECT

 public:
  // `engine` computes the responses: the engine chosen for the program's
  // runs (it cannot change while this window is open).
  ForwardWindow(ShellState& shell,
                EngineKind engine,
                DialogRunner& runner,
                std::function<void(int)> set_window_open,
                QWidget* owner = nullptr);

  // The window procedure's command part: carries out menu command `command`
  // as if it had been chosen from the menu.
  void ForwardWndProc(int command);

  // Reads the model file `path` as Read resistivity model file does.
  void OpenModel(const std::string& path);

  const ForwardModel& model() const { return *model_; }
  // The model read, with every value to full precision.
  ModelTable& modelTable() { return *model_table_; }
  // 1 after a successful Calculate; 0 after a model read or an array change.
  int calculatedFlag() const { return calculated_; }
  // The page of frequency panels a SIP model's plot shows (0 first).
  int frequencyPage() const { return frequency_page_; }

 protected:
  void Dispatch(int command) override { ForwardWndProc(command); }
  std::string PictureFileName() const override;
  // Page Up and Page Down step through the frequency panels of a SIP plot.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void ReadModel();
  void Calculate();
  void Display();
  void Save();
  void ChooseSipOutput();
  void ChangeArrayType();
  // Shows the message of Display and Save before Calculate; true if shown.
  bool RefusedBeforeCalculate();
  // Shows the page `step` pages on from the one shown, within the pages.
  void StepFrequencyPage(int step);
  // Shows the model read in the model table and, for IP and SIP models, lists
  // its chargeabilities, time constants and exponents to enough digits to
  // tell 5 from 10 mV/V and to show 0.001 s.
  void ShowModelRead();
  // The Model table from the model, editable.
  void ShowModelTable();
  // Applies `edit` to the model (the Model table's), then computes and draws
  // the curve again when one was computed.
  void EditModel(const std::function<bool(LayeredModel&)>& edit);

  const EngineKind engine_;
  std::unique_ptr<ForwardModel> model_;
  int calculated_ = 0;
  bool response_saved_ = false;  // the response computed last was saved as a data file
  int frequency_page_ = 0;
  ModelTable* model_table_ = nullptr;
  ArrayType array_type_at_dialog_ = ArrayType::kWenner;
  std::string model_file_name_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_FORWARD_WINDOW_H_
