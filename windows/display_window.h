#ifndef LAYRA_WINDOWS_DISPLAY_WINDOW_H_
#define LAYRA_WINDOWS_DISPLAY_WINDOW_H_

// The results display window: re-reads a saved inversion results file and
// plots any of its iterations (observed and calculated apparent
// resistivities with the model of that iteration), chosen by dialog or
// stepped with Page Up and Page Down. A child window of the main window:
// while it exists the main window's mode flag is set. The plot is drawn
// straight onto the canvas and is not redrawn on paint.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "state/records.h"
#include "windows/child_window.h"
#include "windows/dialog_runner.h"

class QAction;
class QMenu;

namespace layra {

class ModelTable;
class Canvas;
class QtCanvas;
class QtHost;

// Commands of the DISPLAYWINDOW menu.
enum DisplayCommandId : int {
  kDisplayReadResults = 300,
  kDisplayModel = 310,
  kDisplaySaveScreen = 321,
  kDisplayQuit = 350,
};

class DisplayWindow : public ChildWindow {
  Q_OBJECT

 public:
  // `shell` also holds the buffer in which a capture builds its temporary
  // name.
  DisplayWindow(ShellState& shell,
                DialogRunner& runner,
                std::function<void(int)> set_window_open,
                QWidget* owner = nullptr);

  // The window procedure's command part: carries out menu command `command`.
  void DisplayWndProc(int command);
  // The window procedure's key part: Escape and Q close the window; Page Up,
  // Page Down and R show the previous, the next or the current iteration
  // again (only with more than one layer and more than two points). Returns
  // false for keys the window does not handle.
  bool HandleKey(int key);

  // Makes iteration `requested` current (asks for it with ChooseIterBox when
  // negative), copies its model, calculated apparent resistivities and misfit
  // out of the stored iterations and returns it; always within 0..N.
  int ChooseIteration(int requested);

  // Reads the results file `path` as Read resistivity inversion results file
  // does and, when it was accepted, shows its last iteration.
  void OpenResults(const std::string& path);
  // The model of the iteration shown.
  ModelTable& modelTable() { return *model_table_; }

  const InversionResults& results() const { return *results_; }
  int iterationCount() const { return iteration_count_; }
  int currentIteration() const { return current_iteration_; }
  int pointCount() const { return point_count_; }
  int layerCount() const { return layer_count_; }
  // The current iteration's layer resistivities and thicknesses, calculated
  // apparent resistivities (one per point) and misfit (a fraction).
  const std::vector<float>& currentResistivity() const { return layer_resistivity_; }
  const std::vector<float>& currentThickness() const { return layer_thickness_; }
  const std::vector<float>& currentCalculated() const { return calculated_rho_; }
  float currentMisfit() const { return misfit_; }
  // The last results file read; after a capture, the chosen picture's path.
  const std::string& fileName() const { return file_name_; }

 protected:
  void Dispatch(int command) override { DisplayWndProc(command); }
  std::string PictureFileName() const override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void ReadResults();
  // Reads the results file `path`; true when it was accepted.
  bool ReadResultsFrom(const std::string& path);
  void DisplayModel();
  void SaveScreen();
  // Clears the canvas and plots the current iteration.
  void PlotCurrentIteration();
  // Plots the current iteration on `canvas`, at that canvas's size.
  void DrawCurrentIteration(Canvas& canvas) const;

  // The stored iterations of the last results file read.
  std::unique_ptr<InversionResults> results_;
  // The current iteration's model, calculated apparent resistivities and misfit.
  std::vector<float> layer_resistivity_;
  std::vector<float> layer_thickness_;
  std::vector<float> calculated_rho_;
  float misfit_ = 0.0f;
  int point_count_ = 0;      // n
  int layer_count_ = 0;      // L
  int iteration_count_ = 0;  // N
  int current_iteration_ = 0;
  int dialog_result_ = 0;
  std::string file_name_;
  ModelTable* model_table_ = nullptr;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_DISPLAY_WINDOW_H_
