#include "windows/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <string>

#include "fileio/data_file.h"
#include "graphics/sounding_plot.h"
#include "inversion/inversion_driver.h"
#include "state/settings_rules.h"
#include "state/user_model_rules.h"
#include "windows/about_dialog.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/menu_command.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/screen_capture.h"
#include "windows/settings_dialogs.h"
#include "windows/survey_command.h"
#include "windows/survey_section_window.h"
#include "windows/user_model_dialog.h"

namespace layra {
namespace {

const char kModeMessage[] = "Please press ESC or Q\nto exit the current mode";
const char kNoDataMessage[] = "You must first read in a data file.";
const char kNoStartingModelMessage[] =
    "The input data file did not have an\ninitial model. The program will now\n"
    "use the automatic inversion subroutine\nto generate a many layered model. This\n"
    "model is to help you select the proper\nparameters for the initial model.";
const char kUserModelAcceptedMessage[] =
    "The program will now invert the data\nset using the user supplied initial model.";
constexpr int kUserModelIterations = 8;

// A directory as the program keeps it: absolute, ending in a separator.
std::string DirectoryWithSeparator(const QString& directory) {
  QString path = QDir(directory).absolutePath();
  if (!path.endsWith(QLatin1Char('/'))) {
    path += QLatin1Char('/');
  }
  return QDir::toNativeSeparators(path).toStdString();
}

// The compact picture of the automatic run shown in the user-model dialog:
// observed data, the many-layer model and its response, with the run's last
// iteration and misfit.
void DrawAutomaticRun(const ProgramState& state, Canvas& canvas) {
  if (state.outcome.runStatus != RunStatus::kCompleted || state.data.pointCount <= 0 ||
      state.model.layerCount <= 0) {
    return;  // the run ended without a model (its message was shown): nothing to show
  }
  PlotInput input;
  input.plotKind = PlotKind::kResistivity;
  input.compact = 1;
  input.iteration = state.outcome.lastIteration;
  input.nData = state.data.pointCount;
  input.nLayers = state.model.layerCount;
  input.observedRho = state.data.apparentResistivity.data();
  input.calculatedRho = state.outcome.calculatedResistivity.data();
  input.spacing = state.data.spacingA.data();
  input.layerRho = state.model.resistivity.data();
  input.thickness = state.model.thickness.data();
  input.title = state.data.title;
  input.misfit = state.outcome.finalMisfit;
  input.dataConstraint = state.settings.dataConstraint;
  PlotSounding(input, canvas);
}

}  // namespace

MainWindow::MainWindow(DialogRunner* runner, QWidget* parent) : QMainWindow(parent) {
  if (runner == nullptr) {
    own_runner_ = std::make_unique<DialogRunner>();
    runner = own_runner_.get();
  }
  runner_ = runner;
  host_ = std::make_unique<QtHost>(this, *runner_, state_);

  setObjectName(QStringLiteral("LAYRAINV"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setWindowIcon(QIcon(QStringLiteral(":/DiaIcon")));

  canvas_ = new QtCanvas(this);
  canvas_->setObjectName(QStringLiteral("canvas"));
  canvas_->setPresentBeforeClear(true);
  canvas_->setFirstPaintHandler([this] {
    // Not from inside the paint event: the about box runs its own event loop.
    QTimer::singleShot(0, this, &MainWindow::HandleFirstPaint);
  });
  setCentralWidget(canvas_);
  resize(1024, 720);

  // The program directory is where the data and results choosers start until
  // a data file has been read.
  QString application_directory = QCoreApplication::applicationDirPath();
  if (application_directory.isEmpty()) {
    application_directory = QDir::currentPath();
  }
  program_directory_ = DirectoryWithSeparator(application_directory);
  state_.dataDirectory = program_directory_;
  state_.resultsDirectory = program_directory_;
  QDir::setCurrent(QString::fromStdString(program_directory_));

  BuildMenus();
}

MainWindow::~MainWindow() {
  // The child window reports its closing to this window: let it go while
  // this window is still whole.
  delete child_window_;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddCommand(file,
             kCommandReadData,
             QStringLiteral("&Read apparent resistivity data file"),
             QStringLiteral("command101"));
  file->addSeparator();
  AddCommand(file, kCommandExit, QStringLiteral("&Exit program"), QStringLiteral("command151"));

  QMenu* inversion = menuBar()->addMenu(QStringLiteral("&Inversion"));
  AddCommand(inversion,
             kCommandAutomaticInversion,
             QStringLiteral("&Automatic Inversion"),
             QStringLiteral("command121"));
  AddCommand(inversion,
             kCommandUserModelInversion,
             QStringLiteral("&Invert with user model"),
             QStringLiteral("command122"));

  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Change Settings"));
  AddCommand(settings,
             kCommandDampingFactors,
             QStringLiteral("&Damping factors"),
             QStringLiteral("command111"));
  AddCommand(settings,
             kCommandIterations,
             QStringLiteral("&Number of iterations"),
             QStringLiteral("command112"));
  AddCommand(settings,
             kCommandConvergenceLimit,
             QStringLiteral("&Convergence limit"),
             QStringLiteral("command113"));
  AddCommand(settings,
             kCommandRobustInversion,
             QStringLiteral("&Robust inversion..."),
             QStringLiteral("command114"));
  AddCommand(settings,
             kCommandEngine,
             QStringLiteral("Inversion &engine and data errors..."),
             QStringLiteral("command115"));

  QMenu* forward = menuBar()->addMenu(QStringLiteral("&Forward Modelling"));
  AddCommand(forward,
             kCommandForwardModelling,
             QStringLiteral("&Carry out forward modelling"),
             QStringLiteral("command102"));

  QMenu* display = menuBar()->addMenu(QStringLiteral("&Display"));
  AddCommand(display,
             kCommandDisplayResults,
             QStringLiteral("&Display Inversion Results"),
             QStringLiteral("command131"));
  AddCommand(display,
             kCommandSurveySection,
             QStringLiteral("&Survey section..."),
             QStringLiteral("command132"));
  AddCommand(display,
             kCommandSaveScreen,
             QStringLiteral("Save screen as &BMP file"),
             QStringLiteral("command201"));

  QMenu* exit = menuBar()->addMenu(QStringLiteral("&Exit"));
  AddCommand(exit, kCommandExit, QStringLiteral("&Quit program"), QStringLiteral("command151quit"));
}

QAction* MainWindow::AddCommand(QMenu* menu, int id, const QString& text, const QString& name) {
  return AddMenuCommand(menu, id, text, name, this, [this](int command) { RunCommand(command); });
}

void MainWindow::HandleFirstPaint() {
  if (last_command_ != -1 || mode_flag_ != 0) {
    return;
  }
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  state_.textLineHeight = canvas_->Metrics().charHeight;
  last_command_ = 0;
  AboutDiaBox about(this);
  runner_->Run(about);
}

void MainWindow::RunCommand(int id) {
  if (busy_) {
    return;  // a command is still running; its events reach here re-entrantly
  }
  last_command_ = id;
  busy_ = true;
  menuBar()->setEnabled(false);
  switch (id) {
    case kCommandReadData:
      if (mode_flag_ == 0) ReadData();
      break;
    case kCommandDampingFactors:
      if (!RefusedInMode()) ChangeDamping();
      break;
    case kCommandIterations:
      if (!RefusedInMode()) ChangeIterations();
      break;
    case kCommandConvergenceLimit:
      if (!RefusedInMode()) ChangeConvergenceLimit();
      break;
    case kCommandRobustInversion:
      if (!RefusedInMode()) ChangeConstraints();
      break;
    case kCommandEngine:
      if (!RefusedInMode()) ChangeEngine();
      break;
    case kCommandAutomaticInversion:
      if (mode_flag_ == 0) AutomaticInversion();
      break;
    case kCommandUserModelInversion:
      if (mode_flag_ == 0) UserModelInversion();
      break;
    case kCommandExit:
      close_pending_ = true;
      break;
    case kCommandForwardModelling:
    case kCommandDisplayResults:
      if (!RefusedInMode()) OpenChildWindow(id);
      break;
    case kCommandSaveScreen:
      SaveScreen();
      break;
    case kCommandSurveySection:
      if (!RefusedInMode()) SurveySection();
      break;
    default:
      break;
  }
  menuBar()->setEnabled(true);
  busy_ = false;
  if (close_pending_) {
    close_pending_ = false;
    close();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // Closing in the middle of an inversion: let the run end at its next
    // stopping point (no more prompts), then close, so that the results file
    // holds every iteration that was computed.
    close_pending_ = true;
    host_->setStopRequested(true);
    event->ignore();
    return;
  }
  if (child_window_ != nullptr) {
    child_window_->close();
  }
  if (survey_window_ != nullptr) {
    survey_window_->close();
  }
  event->accept();
}

bool MainWindow::RefusedInMode() {
  if (mode_flag_ == 0) {
    return false;
  }
  host_->Warn(kModeMessage, "Message");
  return true;
}

bool MainWindow::RefusedWithoutData() {
  if (state_.dataRead != 0 && state_.data.pointCount > 0) {
    return false;
  }
  host_->Warn(kNoDataMessage, "Error Message");
  return true;
}

void MainWindow::ReadData() {
  ClearWindow(*canvas_);
  std::string path = "*.dat";
  if (!host_->ChooseOpenFile(path, "1D Resistivity Data File")) {
    return;
  }
  state_.lastReadResult = ReadDataFile(path, state_, *canvas_, *host_);
  if (state_.lastReadResult != 0) {
    // Nothing of a refused file may be used: no data until the next good read.
    state_.data.pointCount = 0;
    state_.dataRead = 0;
    return;
  }
  host_->Beep();
  state_.data.dataFileName = path;
  state_.thicknessFactor = 1.25f;
  state_.dataRead = 1;
  if (state_.userModelAvailable != 0) {
    CopyStartingModel(state_.startingModel, state_.model);
  }
  QString directory = QFileInfo(QString::fromStdString(path)).absolutePath();
  state_.dataDirectory = DirectoryWithSeparator(directory);
  state_.resultsDirectory = state_.dataDirectory;
  QDir::setCurrent(directory);
}

void MainWindow::ChangeDamping() {
  DampDiaBox dialog(state_.settings, state_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeIterations() {
  state_.dialogResult = 2;
  NitDiaBox dialog(state_.settings, state_.dialogResult, this);
  runner_->Run(dialog);
  if (state_.dialogResult == 1) {
    state_.settings.iterationLimit = ClampIterationLimit(state_.settings.iterationLimit);
  }
}

void MainWindow::ChangeConvergenceLimit() {
  ConvergenceLimitDialog dialog(
      ConvergenceLimitDialog::Kind::kClmDiaBox, state_.settings, state_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeConstraints() {
  DataConstrainDiaBox dialog(state_.settings, state_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeEngine() {
  EngineDiaBox dialog(state_.engine, state_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::AutomaticInversion() {
  if (RefusedWithoutData()) {
    return;
  }
  host_->setStopRequested(false);
  RunInversion(state_, 0, 0, *canvas_, *host_);
}

void MainWindow::UserModelInversion() {
  ClearWindow(*canvas_);
  if (RefusedWithoutData()) {
    return;
  }
  host_->setStopRequested(false);
  if (state_.userModelAvailable != 0) {
    // The data file's own starting model is taken as it is.
    CopyStartingModel(state_.startingModel, state_.model);
  } else if (!AskUserModel()) {
    return;
  }
  if (close_pending_) {
    return;
  }
  const int data_constraint = state_.settings.dataConstraint;
  const int model_constraint = state_.settings.modelConstraint;
  state_.settings.dataConstraint = 0;
  state_.settings.modelConstraint = 0;
  RunInversion(state_, 1, 0, *canvas_, *host_);
  state_.settings.dataConstraint = data_constraint;
  state_.settings.modelConstraint = model_constraint;
}

bool MainWindow::AskUserModel() {
  host_->Warn(kNoStartingModelMessage, "Message");
  RunInversion(state_, 0, 1, *canvas_, *host_);
  if (close_pending_) {
    return false;
  }
  ClearWindow(*canvas_);
  state_.dialogResult = 2;
  UserModelDiaBox dialog(
      user_model_,
      state_.dialogResult,
      [this](Canvas& picture) { DrawAutomaticRun(state_, picture); },
      this);
  runner_->Run(dialog);
  if (state_.dialogResult != 1) {
    return false;
  }
  std::string message;
  if (!AcceptUserModel(user_model_, state_.model, message)) {
    host_->Warn(message, "Error Message");
    return false;
  }
  host_->Warn(kUserModelAcceptedMessage, "Message");
  state_.settings.iterationLimit = kUserModelIterations;
  return true;
}

void MainWindow::OpenChildWindow(int id) {
  auto set_mode_flag = [this](int flag) { setModeFlag(flag); };
  QMainWindow* child;
  QString title = QString::fromLatin1(kProgramTitle);
  if (id == kCommandForwardModelling) {
    ClearWindow(*canvas_);
    child = new ForwardWindow(state_, *runner_, set_mode_flag, this);
    title += QStringLiteral("- Forward Modelling Window");
  } else {
    child = new DisplayWindow(state_, *runner_, set_mode_flag, this);
    title += QStringLiteral("- Display Inversion Results Window");
  }
  child->setWindowTitle(title);
  child->setGeometry(geometry());
  child_window_ = child;
  if (isMaximized()) {
    child->showMaximized();
  } else {
    child->show();
  }
  child->activateWindow();
}

void MainWindow::SaveScreen() {
  // A copy: the capture's file names must not replace the data file's name,
  // from which the next results file takes its default name.
  std::string base_name = state_.data.dataFileName;
  SaveScreenAsBmp(
      *canvas_, *host_, state_.screenImageFileName, base_name, state_.dataDirectory, nullptr);
  ClearWindow(*canvas_);
}

void MainWindow::SurveySection() {
  QFileDialog chooser(
      this, QStringLiteral("Open survey file"), QString::fromStdString(state_.dataDirectory));
  chooser.setObjectName(QStringLiteral("surveyFile"));
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setNameFilters({QStringLiteral("Survey files (*.csv)"), QStringLiteral("All files (*)")});
  if (runner_->Run(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
    return;
  }
  if (survey_window_ != nullptr) {
    survey_window_->close();
  }
  survey_window_ =
      OpenSurveySection(chooser.selectedFiles().first().toStdString(),
                        this,
                        *host_,
                        [this](const SurveySounding& sounding, const SoundingResult& result) {
                          ShowSurveySounding(sounding, result);
                        });
}

void MainWindow::ShowSurveySounding(const SurveySounding& sounding, const SoundingResult& result) {
  if (busy_ || RefusedInMode()) {
    return;
  }
  raise();
  activateWindow();
  ClearWindow(*canvas_);
  state_.lastReadResult = ReadDataFile(sounding.file, state_, *canvas_, *host_);
  if (state_.lastReadResult != 0) {
    state_.data.pointCount = 0;
    state_.dataRead = 0;
    return;
  }
  state_.data.dataFileName = sounding.file;
  state_.thicknessFactor = 1.25f;
  state_.dataRead = 1;
  state_.model = result.model;
  if (static_cast<int>(result.calculated.size()) != state_.data.pointCount) {
    return;  // the file changed since the run: its listing stays
  }
  ClearWindow(*canvas_);
  PlotInput input;
  input.plotKind = PlotKind::kResistivity;
  input.iteration = result.iterations;
  input.nData = state_.data.pointCount;
  input.nLayers = result.model.layerCount;
  input.observedRho = state_.data.apparentResistivity.data();
  input.calculatedRho = result.calculated.data();
  input.spacing = state_.data.spacingA.data();
  input.layerRho = result.model.resistivity.data();
  input.thickness = result.model.thickness.data();
  input.title = state_.data.title;
  input.misfit = result.misfit;
  PlotSounding(input, *canvas_);
  canvas_->Present();
}

}  // namespace layra
