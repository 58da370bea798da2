#include "windows/display_window.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <algorithm>

#include "fileio/results_file.h"
#include "graphics/bmp_file.h"
#include "graphics/sounding_plot.h"
#include "state/text_format.h"
#include "windows/child_dialogs.h"
#include "windows/panel_listing.h"
#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/result_tables.h"
#include "windows/screen_capture.h"

namespace layra {
namespace {

const char kWelcomeMessage[] =
    "Welcome to Display Window.\nAfter completing your job, please click\n"
    "Exit to return to the Main Menu.";
const char kNoResultsMessage[] = "You need to read in a file\nwith the inversion results!";
const char kBlocksNotStoredMessage[] =
    "The results file holds %d more iterations than can be shown.\n"
    "Iterations 0 to %d are shown.";

}  // namespace

DisplayWindow::DisplayWindow(ShellState& shell,
                             DialogRunner& runner,
                             std::function<void(int)> set_window_open,
                             QWidget* owner)
    : ChildWindow(
          shell, runner, std::move(set_window_open), owner, "DisplayWindow", kWelcomeMessage),
      results_(std::make_unique<InversionResults>()),
      layer_resistivity_(kMaxPoints, 0.0f),
      layer_thickness_(kMaxPoints, 0.0f),
      calculated_rho_(kMaxPoints, 0.0f) {
  setFocusPolicy(Qt::StrongFocus);
  model_table_ = new ModelTable(this);
  AddDock(*this,
          model_table_,
          QStringLiteral("Model"),
          QStringLiteral("modelDock"),
          Qt::RightDockWidgetArea);
  BuildMenus();
  setFocus();
}

void DisplayWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddCommand(file,
             kDisplayReadResults,
             QStringLiteral("&Read resistivity inversion results file"),
             QStringLiteral("command300"));
  file->addSeparator();
  AddPictureCommands(file);
  file->addSeparator();
  AddCommand(
      file, kDisplayQuit, QStringLiteral("&Quit Display Window"), QStringLiteral("command350"));

  QMenu* display = menuBar()->addMenu(QStringLiteral("&Display"));
  AddCommand(
      display, kDisplayModel, QStringLiteral("&Display model"), QStringLiteral("command310"));

  QMenu* print = menuBar()->addMenu(QStringLiteral("&Print"));
  AddCommand(print,
             kDisplaySaveScreen,
             QStringLiteral("Save screen as &BMP file"),
             QStringLiteral("command321"));

  QMenu* exit = menuBar()->addMenu(QStringLiteral("E&xit"));
  AddCommand(
      exit, kDisplayQuit, QStringLiteral("&Quit Display Window"), QStringLiteral("command350quit"));
}

void DisplayWindow::DisplayWndProc(int command) {
  last_command_ = command;
  switch (command) {
    case kDisplayReadResults:
      ReadResults();
      break;
    case kDisplayModel:
      DisplayModel();
      break;
    case kDisplaySaveScreen:
      SaveScreen();
      break;
    case kDisplayQuit:
      close();
      break;
    default:
      break;
  }
}

bool DisplayWindow::HandleKey(int key) {
  int step = 0;
  switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Q:
      close();
      return true;
    case Qt::Key_PageUp:
      step = -1;
      break;
    case Qt::Key_PageDown:
      step = 1;
      break;
    case Qt::Key_R:
      step = 0;
      break;
    default:
      return false;
  }
  if (layer_count_ > 1 && point_count_ > 2) {
    ChooseIteration(std::clamp(current_iteration_ + step, 0, iteration_count_));
    PlotCurrentIteration();
  }
  return true;
}

void DisplayWindow::keyPressEvent(QKeyEvent* event) {
  if (!HandleKey(event->key())) {
    QMainWindow::keyPressEvent(event);
  }
}

int DisplayWindow::ChooseIteration(int requested) {
  int chosen = requested;
  if (requested < 0) {
    ChooseIterBox dialog(current_iteration_, iteration_count_, dialog_result_, this);
    runner_.Run(dialog);
    chosen = current_iteration_;
  }
  chosen = std::clamp(chosen, 0, std::max(iteration_count_, 0));
  const InversionResults& results = *results_;
  for (int i = 0; i < layer_count_; ++i) {
    layer_resistivity_[i] = results.layerResistivity[InversionResults::At(i, chosen)];
  }
  for (int i = 0; i + 1 < layer_count_; ++i) {
    layer_thickness_[i] = results.layerThickness[InversionResults::At(i, chosen)];
  }
  for (int j = 0; j < point_count_; ++j) {
    calculated_rho_[j] = results.calculatedResistivity[InversionResults::At(j, chosen)];
  }
  misfit_ = results.misfit[chosen];
  current_iteration_ = chosen;
  return chosen;
}

void DisplayWindow::ReadResults() {
  ClearWindow(*canvas_);
  std::string path = "*.inv";
  if (!host_->ChooseOpenFile(path, "1D Resistivity Inversion Model File")) {
    return;
  }
  file_name_ = path;
  ReadResultsFrom(path);
}

void DisplayWindow::OpenResults(const std::string& path) {
  ClearWindow(*canvas_);
  file_name_ = path;
  if (ReadResultsFrom(path) && layer_count_ > 1 && point_count_ > 2) {
    ChooseIteration(iteration_count_);
    PlotCurrentIteration();
  }
}

bool DisplayWindow::ReadResultsFrom(const std::string& path) {
  listing_->clear();
  // Read into a record of its own: a refused file must not leave half of
  // itself among the iterations of the file shown before.
  auto read = std::make_unique<InversionResults>();
  PanelListing listing(*host_, [this](const std::string& line) { AddListingLine(line); });
  if (ReadResultsFile(path, *read, listing) != 0) {
    point_count_ = 0;
    return false;
  }
  results_ = std::move(read);
  point_count_ = results_->pointCount;
  layer_count_ = results_->modelLayerCount;
  iteration_count_ = results_->iterationCount;
  current_iteration_ = iteration_count_;
  if (results_->blocksNotStored > 0) {
    host_->ShowMessage(
        StrFormat(kBlocksNotStoredMessage, results_->blocksNotStored, iteration_count_),
        "Message",
        MessageIcon::kInformation,
        MessageButtons::kOk);
  }
  return true;
}

void DisplayWindow::DisplayModel() {
  ClearWindow(*canvas_);
  if (iteration_count_ < 1) {
    host_->Warn(kNoResultsMessage, "Message");
    return;
  }
  ChooseIteration(-1);
  PlotCurrentIteration();
}

void DisplayWindow::PlotCurrentIteration() {
  ClearWindow(*canvas_);
  DrawCurrentIteration(*canvas_);
  canvas_->setRedrawer([this](Canvas& canvas) { DrawCurrentIteration(canvas); });
  ModelView model;
  model.layers = layer_count_;
  model.resistivity = layer_resistivity_.data();
  model.thickness = layer_thickness_.data();
  model_table_->ShowModel(model);
}

void DisplayWindow::DrawCurrentIteration(Canvas& canvas) const {
  PlotResultsIteration(*results_, current_iteration_, canvas);
}

void DisplayWindow::SaveScreen() {
  SaveScreenAsBmp(
      *canvas_, *host_, shell_.screenImageFileName, file_name_, shell_.dataDirectory, [this] {
        HandleKey(Qt::Key_R);
      });
  ClearWindow(*canvas_);
  // The plot comes back once the picture has been saved.
  if (layer_count_ > 1 && point_count_ > 2 && iteration_count_ > 0) {
    PlotCurrentIteration();
  }
}

std::string DisplayWindow::PictureFileName() const {
  return file_name_.empty() ? std::string() : MakeSiblingName(file_name_, "");
}

}  // namespace layra
