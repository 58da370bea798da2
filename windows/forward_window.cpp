#include "windows/forward_window.h"

#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <algorithm>

#include "analysis/state_chart.h"
#include "fileio/model_file.h"
#include "fileio/same_file.h"
#include "fileio/synthetic_data.h"
#include "forward/forward_calculation.h"
#include "graphics/bmp_file.h"
#include "graphics/forward_plot.h"
#include "graphics/sounding_plot.h"
#include "project/model_response.h"
#include "state/text_format.h"
#include "windows/child_dialogs.h"
#include "windows/painter_canvas.h"
#include "windows/panel_listing.h"
#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/result_tables.h"

namespace layra {
namespace {

const char kWelcomeMessage[] =
    "Welcome to Forward Modelling Window.\nAfter completing your job, please click\n"
    "Exit to return to the Main Menu.";
const char kNotCalculatedMessage[] = "You must first calculate\nthe apparent resistivity values!";
const char kNotWrittenMessage[] =
    "The file\n%s\ncould not be written.\nThe apparent resistivities were not saved.";

}  // namespace

ForwardWindow::ForwardWindow(ShellState& shell,
                             EngineKind engine,
                             DialogRunner& runner,
                             std::function<void(int)> set_window_open,
                             QWidget* owner)
    : ChildWindow(
          shell, runner, std::move(set_window_open), owner, "ForwardWindow", kWelcomeMessage),
      engine_(engine),
      model_(std::make_unique<ForwardModel>()) {
  model_table_ = new ModelTable(this);
  // The model is edited in place; a computed curve is computed and drawn
  // again with each change.
  connect(
      model_table_, &ModelTable::valueEdited, this, [this](int layer, bool thickness, double v) {
        EditModel([&](LayeredModel& model) {
          if (!thickness) return SetResistivity(model, layer, v);
          if (!(v > 0.0) || layer + 1 >= model.layerCount) return false;
          model.thickness[layer] = static_cast<float>(v);
          UpdateDepths(model);
          return true;
        });
      });
  connect(model_table_, &ModelTable::splitRequested, this, [this](int layer) {
    EditModel([layer](LayeredModel& model) { return SplitLayer(model, layer); });
  });
  connect(model_table_, &ModelTable::removeRequested, this, [this](int layer) {
    EditModel([layer](LayeredModel& model) { return RemoveLayer(model, layer); });
  });
  AddDock(*this,
          model_table_,
          QStringLiteral("Model"),
          QStringLiteral("modelDock"),
          Qt::RightDockWidgetArea);
  BuildMenus();
  model_->arrayType = ArrayType::kWenner;
  model_->outputSipForm = SipForm::kAmplitudePhase;
  calculated_ = 0;
  setFocus();
}

void ForwardWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddCommand(file,
             kForwardReadModel,
             QStringLiteral("&Read resistivity model file"),
             QStringLiteral("command501"));
  AddCommand(file,
             kForwardSave,
             QStringLiteral("&Save apparent resistivities"),
             QStringLiteral("command505"));
  AddCommand(
      file, kForwardSipOutput, QStringLiteral("&Type of SIP output"), QStringLiteral("command506"));
  file->addSeparator();
  AddPictureCommands(file);
  file->addSeparator();
  AddCommand(
      file, kForwardQuit, QStringLiteral("&Quit Forward Modelling"), QStringLiteral("command510"));

  QMenu* calculate = menuBar()->addMenu(QStringLiteral("&Calculate"));
  AddCommand(calculate,
             kForwardCalculate,
             QStringLiteral("&Calculate apparent resistivities"),
             QStringLiteral("command502"));
  AddCommand(calculate,
             kForwardArrayType,
             QStringLiteral("Change &array type"),
             QStringLiteral("command1040"));

  QMenu* display = menuBar()->addMenu(QStringLiteral("&Display"));
  AddCommand(display,
             kForwardDisplay,
             QStringLiteral("&Display apparent resistivities"),
             QStringLiteral("command520"));
  AddCommand(display,
             kForwardNextFrequencies,
             QStringLiteral("&Next frequencies\tPage Down"),
             QStringLiteral("nextFrequencies"));
  AddCommand(display,
             kForwardPreviousFrequencies,
             QStringLiteral("&Previous frequencies\tPage Up"),
             QStringLiteral("previousFrequencies"));

  QMenu* exit = menuBar()->addMenu(QStringLiteral("E&xit"));
  AddCommand(exit,
             kForwardQuit,
             QStringLiteral("&Quit Forward Modelling"),
             QStringLiteral("command510quit"));
}

void ForwardWindow::ForwardWndProc(int command) {
  last_command_ = command;
  switch (command) {
    case kForwardReadModel:
      ReadModel();
      break;
    case kForwardCalculate:
      Calculate();
      break;
    case kForwardSave:
      Save();
      break;
    case kForwardSipOutput:
      ChooseSipOutput();
      break;
    case kForwardQuit:
      close();
      break;
    case kForwardDisplay:
      Display();
      break;
    case kForwardArrayType:
      ChangeArrayType();
      break;
    case kForwardNextFrequencies:
      StepFrequencyPage(1);
      break;
    case kForwardPreviousFrequencies:
      StepFrequencyPage(-1);
      break;
    default:
      break;
  }
}

void ForwardWindow::ReadModel() {
  ClearWindow(*canvas_);
  std::string path = "*.mod";
  if (!host_->ChooseOpenFile(path, "1D Resistivity Model File")) {
    return;
  }
  OpenModel(path);
}

void ForwardWindow::OpenModel(const std::string& path) {
  ClearWindow(*canvas_);
  listing_->clear();
  model_file_name_ = path;
  frequency_page_ = 0;
  // A refused file leaves no layers and no spacings: Calculate then refuses.
  PanelListing listing(*host_, [this](const std::string& line) { AddListingLine(line); });
  ReadModelFile(path, *model_, listing);
  calculated_ = 0;
  ShowModelRead();
}

void ForwardWindow::EditModel(const std::function<bool(LayeredModel&)>& edit) {
  LayeredModel model = model_->model;
  if (model.layerCount < kMinForwardLayers || !edit(model) ||
      model.layerCount < kMinForwardLayers || model.layerCount > kMaxForwardLayers) {
    ShowModelTable();  // a value refused: the table shows the model again
    return;
  }
  model_->model = model;
  ShowModelTable();
  AddListingLine("");
  AddListingLine("The model was edited in the table.");
  if (calculated_ == 1) {
    Calculate();
    if (calculated_ == 1 && model_->modelKind != DataKind::kSip) Display();
  }
}

void ForwardWindow::ShowModelTable() {
  const LayeredModel& layers = model_->model;
  const bool ip = model_->modelKind != DataKind::kResistivity;
  const bool sip = model_->modelKind == DataKind::kSip;
  ModelView view;
  view.editable = layers.layerCount >= kMinForwardLayers;
  view.layers = layers.layerCount;
  view.resistivity = layers.resistivity.data();
  view.thickness = layers.thickness.data();
  const ChartIpUnit unit = ForwardIpUnit(*model_);
  if (ip) {
    view.chargeability = layers.chargeability.data();
    view.ip_unit = unit.name.c_str();
    view.ip_fraction = unit.fraction;
  }
  if (sip) {
    view.tau = layers.timeConstant.data();
    view.c = layers.exponent.data();
  }
  model_table_->ShowModel(view);
}

void ForwardWindow::ShowModelRead() {
  ShowModelTable();
  const LayeredModel& layers = model_->model;
  const bool ip = model_->modelKind != DataKind::kResistivity;
  const bool sip = model_->modelKind == DataKind::kSip;
  if (!ip || layers.layerCount <= 0) return;
  // The chargeabilities in the unit of the table and of the data file the
  // response is saved as, named in the header.
  const ChartIpUnit unit = ForwardIpUnit(*model_);
  AddListingLine("");
  AddListingLine(StrFormat("Layer   m (%s)", unit.name.c_str()) +
                 (sip ? "    Tau (s)       C" : ""));
  for (int i = 0; i < layers.layerCount; ++i) {
    std::string line = StrFormat(
        "%5d   %8.6g", i + 1, static_cast<double>(layers.chargeability[i]) / unit.fraction);
    if (sip) {
      line += StrFormat("   %8.4g   %6.4g",
                        static_cast<double>(layers.timeConstant[i]),
                        static_cast<double>(layers.exponent[i]));
    }
    AddListingLine(line);
  }
}

void ForwardWindow::Calculate() {
  ClearWindow(*canvas_);
  AddListingLine("");
  // The filter of the current array type is selected by the calculation; the
  // engine is the one chosen for the program's runs.
  const EngineKind engine = engine_;
  PanelListing listing(*host_, [this](const std::string& line) { AddListingLine(line); });
  calculated_ = CalculateForwardResponse(*model_, listing, engine) ? 1 : 0;
  response_saved_ = false;
  // A spectral calculation ends with its message and an empty window.
  if (calculated_ == 1 && model_->modelKind == DataKind::kSip && model_->frequencyCount > 0) {
    ClearWindow(*canvas_);
  }
}

bool ForwardWindow::RefusedBeforeCalculate() {
  if (calculated_ == 1) {
    return false;
  }
  host_->ShowMessage(
      kNotCalculatedMessage, "Message", MessageIcon::kInformation, MessageButtons::kOk);
  return true;
}

void ForwardWindow::Display() {
  ClearWindow(*canvas_);
  if (RefusedBeforeCalculate()) {
    return;
  }
  // A SIP model's frequencies are shown a page at a time.
  const int page = model_->modelKind == DataKind::kSip ? frequency_page_ : -1;
  PlotForwardModel(*model_, *canvas_, page);
  canvas_->setRedrawer([this, page](Canvas& canvas) { PlotForwardModel(*model_, canvas, page); });
}

void ForwardWindow::StepFrequencyPage(int step) {
  const int pages = FrequencyPageCount(model_->frequencyCount);
  frequency_page_ = std::clamp(frequency_page_ + step, 0, pages - 1);
  if (calculated_ == 1 && model_->modelKind == DataKind::kSip) {
    Display();
  }
}

void ForwardWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp) {
    StepFrequencyPage(event->key() == Qt::Key_PageDown ? 1 : -1);
    return;
  }
  // A computed curve that was not saved is not lost to Esc or Q unasked.
  if ((event->key() == Qt::Key_Escape || event->key() == Qt::Key_Q) && calculated_ == 1 &&
      !response_saved_ &&
      host_->ShowMessage("The computed curve has not been saved as a data file.\n"
                         "Do you want to leave the forward modelling window all the same?",
                         "Leave forward modelling",
                         MessageIcon::kQuestion,
                         MessageButtons::kYesNo) != MessageAnswer::kYes) {
    return;
  }
  ChildWindow::keyPressEvent(event);
}

void ForwardWindow::Save() {
  ClearWindow(*canvas_);
  if (RefusedBeforeCalculate()) {
    return;
  }
  if (!shell_.dataDirectory.empty()) {
    QDir::setCurrent(QString::fromStdString(shell_.dataDirectory));
  }
  std::string path = "*.dat";
  if (!host_->ChooseSaveFile(path, "File Name for apparent resistivity values")) {
    return;
  }
  // The model file is this response's input: saving over it would lose it.
  if (IsSameFile(path, model_file_name_)) {
    host_->Warn(StrFormat(kNotWrittenMessage, path.c_str()) + "\nIt is the model file " +
                    model_file_name_ + ".",
                "Error Message");
    return;
  }
  std::string error;
  if (!SaveForwardModel(*model_, path, &error)) {
    host_->Warn(StrFormat(kNotWrittenMessage, path.c_str()) + "\n" + error, "Error Message");
    return;
  }
  response_saved_ = true;
}

void ForwardWindow::ChooseSipOutput() {
  DataOutDiaBox dialog(model_->outputSipForm, shell_.dialogResult, this);
  runner_.Run(dialog);
}

void ForwardWindow::ChangeArrayType() {
  array_type_at_dialog_ = model_->arrayType;
  ArrayTypeDiaBox dialog(model_->arrayType, shell_.dialogResult, this);
  runner_.Run(dialog);
  if (model_->arrayType != array_type_at_dialog_) {
    // The response computed so far belongs to the other array.
    calculated_ = 0;
  }
}

std::string ForwardWindow::PictureFileName() const {
  return model_file_name_.empty() ? std::string() : MakeSiblingName(model_file_name_, "");
}

}  // namespace layra
