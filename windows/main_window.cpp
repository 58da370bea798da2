#include "windows/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSettings>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "analysis/state_chart.h"
#include "analysis/uncertainty_plot.h"
#include "analysis/uncertainty_report.h"
#include "fileio/data_file.h"
#include "fileio/datum_levels.h"
#include "fileio/same_file.h"
#include "fileio/synthetic_data.h"
#include "fileio/text_input.h"
#include "graphics/picture_file.h"
#include "graphics/sounding_plot.h"
#include "inversion/excluded_points.h"
#include "inversion/inversion_driver.h"
#include "inversion/model_segmentation.h"
#include "state/engine_options.h"
#include "state/settings_rules.h"
#include "state/text_format.h"
#include "state/user_model_rules.h"
#include "survey/field_sheet.h"
#include "windows/about_dialog.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/listing_canvas.h"
#include "windows/menu_command.h"
#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/result_tables.h"
#include "windows/screen_capture.h"
#include "windows/settings_dialogs.h"
#include "windows/survey_command.h"
#include "windows/survey_section_window.h"
#include "windows/uncertainty_dialog.h"
#include "windows/user_model_dialog.h"
#include "windows/workspace_view.h"

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
constexpr int kSegmentedLayers = 4;  // layers of the model the user-model dialog starts from
const char kMissingFileMessage[] = "The file\n%s\ndoes not exist.";
const char kNotOpenedMessage[] =
    "The file\n%s\nwas not opened: another file's window is open. Leave it and read the file "
    "from the menu.";
const char kUsageGuide[] =
    "1. File > Read apparent resistivity data file (Ctrl+O) reads a sounding;\n"
    "   its listing and its points appear in the Listing and Data panels.\n"
    "2. Inversion > Automatic Inversion (Ctrl+I) fits a many-layer model;\n"
    "   Invert with user model (Ctrl+U) fits the few layers you enter.\n"
    "3. The Model panel shows the model of the iteration shown; Edit copies it\n"
    "   and File > Save model as CSV writes it.\n"
    "4. Tick 'Leave out' in the Data panel to leave a point out of the next\n"
    "   inversion; it is drawn hollow. The data file is never changed.\n"
    "5. File > Export picture (Ctrl+E) writes %s; File > Print\n"
    "   (Ctrl+P) prints or writes a PDF. View > Documented layout switches\n"
    "   between the plot in units and the program's classic plot.\n"
    "6. Forward Modelling computes the sounding of a model file (.mod);\n"
    "   Display shows the iterations of a results file (.INV).\n"
    "   In those windows Esc or Q returns to the main window.\n\n"
    "layra FILE opens a .dat, .mod or .INV file at start.";

// Where the program keeps the window's place and the folder last used.
const char kGeometryKey[] = "mainWindow/geometry";
const char kLastFolderKey[] = "files/lastFolder";

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
  PlotInput input = RunResultPlotInput(state);
  input.compact = 1;
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
  // The plot view draws its picture again whenever its size changes.
  canvas_->setFollowsSize(true);
  canvas_->setMinimumSize(320, 240);
  // The plot in units over the documented canvas, which stays underneath at
  // the same size, drawn as the documented commands draw it.
  workspace_view_ = new WorkspaceView(this);
  workspace_view_->setObjectName(QStringLiteral("workspaceView"));
  workspace_view_->setSource([this] { return WorkspaceChart(); });
  workspace_view_->setFirstPaintHandler(
      [this] { QTimer::singleShot(0, this, &MainWindow::HandleFirstPaint); });
  canvas_->setPresentHandler([this] {
    if (workspace_view_->isVisible()) workspace_view_->repaint();
  });
  auto* plot_area = new QWidget(this);
  plot_area->setObjectName(QStringLiteral("plotArea"));
  plot_layout_ = new QStackedLayout(plot_area);
  plot_layout_->setStackingMode(QStackedLayout::StackAll);
  plot_layout_->addWidget(canvas_);
  plot_layout_->addWidget(workspace_view_);
  plot_layout_->setCurrentWidget(workspace_view_);
  setCentralWidget(plot_area);
  resize(1024, 720);

  // The choosers start in the folder last used, else in the working folder
  // the program was started from (never the folder of the program itself).
  QSettings settings;
  QString start_directory = settings.value(QLatin1String(kLastFolderKey)).toString();
  if (start_directory.isEmpty() || !QFileInfo(start_directory).isDir()) {
    start_directory = QDir::currentPath();
  }
  program_directory_ = DirectoryWithSeparator(start_directory);
  state_.dataDirectory = program_directory_;
  state_.resultsDirectory = program_directory_;
  QDir::setCurrent(QString::fromStdString(program_directory_));

  // The picture commands take the layout shown.
  PictureSource pictures;
  pictures.available = [this] {
    return documentedLayout() ? canvas_->hasPicture() : workspace_view_->hasData();
  };
  pictures.draw = [this](Canvas& target) {
    if (documentedLayout()) {
      canvas_->ReplayOnto(target);
    } else {
      workspace_view_->Paint(target);
    }
  };
  pictures.shownSize = [this] { return canvas_->size(); };
  pictures.baseName = [this] {
    return state_.dataRead != 0 ? MakeSiblingName(state_.data.dataFileName, "") : std::string();
  };
  pictures_ = new PictureCommands(*this, std::move(pictures), *host_, *runner_);
  BuildDocks();
  BuildMenus();
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusText"));
  statusBar()->addWidget(status_label_, 1);
  ShowState();
  restored_geometry_ = restoreGeometry(settings.value(QLatin1String(kGeometryKey)).toByteArray());
}

void MainWindow::BuildDocks() {
  setDockNestingEnabled(true);
  listing_ = AddListingDock(*this, Qt::RightDockWidgetArea);
  model_table_ = new ModelTable(this);
  data_table_ = new DataTable(this);
  QDockWidget* model = AddDock(*this,
                               model_table_,
                               QStringLiteral("Model"),
                               QStringLiteral("modelDock"),
                               Qt::RightDockWidgetArea);
  QDockWidget* data = AddDock(*this,
                              data_table_,
                              QStringLiteral("Data"),
                              QStringLiteral("dataDock"),
                              Qt::RightDockWidgetArea);
  tabifyDockWidget(findChild<QDockWidget*>(QStringLiteral("listingDock")), model);
  tabifyDockWidget(model, data);
  findChild<QDockWidget*>(QStringLiteral("listingDock"))->raise();
  resizeDocks({model}, {420}, Qt::Horizontal);
  connect(data_table_, &DataTable::exclusionChanged, this, [this](int point, bool excluded) {
    if (point < 0 || point >= kMaxPoints) return;
    state_.excludedPoints[point] = excluded ? 1 : 0;
    // Shown hollow at once when the fit is on show.
    if (canvas_->hasPicture()) ShowFit(true);
    workspace_view_->update();
  });
}

void MainWindow::AddListingLine(const std::string& text) {
  listing_->appendPlainText(QString::fromLocal8Bit(text.c_str()));
}

QString MainWindow::statusText() const {
  QStringList parts;
  parts << (state_.dataRead != 0 && state_.data.pointCount > 0
                ? QStringLiteral("Data: %1")
                      .arg(QFileInfo(QString::fromStdString(state_.data.dataFileName)).fileName())
                : QStringLiteral("No data file read"));
  parts << QStringLiteral("Engine: %1").arg(QLatin1String(EngineName(state_.engine.engine)));
  if (fit_shown_) {
    parts << QStringLiteral("Iteration: %1").arg(state_.outcome.lastIteration);
    parts << QStringLiteral("%1: %2 %")
                 .arg(state_.settings.dataConstraint >= 1 ? QStringLiteral("Mean error")
                                                          : QStringLiteral("RMS"))
                 .arg(100.0 * state_.outcome.finalMisfit, 0, 'f', 2);
  }
  return parts.join(QStringLiteral("   |   "));
}

void MainWindow::ShowState() {
  const bool ip = state_.data.dataKind != DataKind::kResistivity;
  const bool sip = state_.data.dataKind == DataKind::kSip;
  if (fit_shown_ && state_.model.layerCount > 0) {
    ModelView view;
    view.layers = state_.model.layerCount;
    view.resistivity = state_.model.resistivity.data();
    view.thickness = state_.model.thickness.data();
    if (ip) view.chargeability = state_.model.chargeability.data();
    if (sip) {
      view.tau = state_.model.timeConstant.data();
      view.c = state_.model.exponent.data();
    }
    model_table_->ShowModel(view);
  } else {
    model_table_->ShowModel(ModelView{});
  }
  if (state_.dataRead != 0 && state_.data.pointCount > 0) {
    data_table_->ShowData(state_.data,
                          fit_shown_ ? state_.outcome.calculatedResistivity.data() : nullptr,
                          fit_shown_ && ip ? state_.outcome.calculatedIp.data() : nullptr,
                          state_.excludedPoints);
  } else {
    data_table_->ShowData(SoundingData{}, nullptr, nullptr, state_.excludedPoints);
  }
  status_label_->setText(statusText());
  workspace_view_->update();
  UpdateViewCommands();
}

bool MainWindow::documentedLayout() const { return plot_layout_->currentWidget() == canvas_; }

void MainWindow::setDocumentedLayout(bool documented) {
  if (documented) {
    plot_layout_->setCurrentWidget(canvas_);
    workspace_view_->hide();
  } else {
    plot_layout_->setCurrentWidget(workspace_view_);
  }
  UpdateViewCommands();
}

void MainWindow::UpdateViewCommands() {
  if (documented_layout_action_ == nullptr) return;
  documented_layout_action_->setChecked(documentedLayout());
  const bool pages = !documentedLayout() && workspace_view_->pageCount() > 1;
  next_page_action_->setEnabled(pages);
  previous_page_action_->setEnabled(pages);
}

ChartInput MainWindow::WorkspaceChart() const {
  if (state_.dataRead == 0 || state_.data.pointCount <= 0) return ChartInput{};
  StateChartOptions options;
  // During a run the model and curve of the iteration reached.
  options.fitted = fit_shown_ || (running_ && state_.model.layerCount > 0);
  options.runLabel = running_ ? run_label_ + " (running)" : run_label_;
  options.uncertainty = uncertainty_ ? &*uncertainty_ : nullptr;
  return StateChart(state_, options);
}

void MainWindow::ShowFit(bool draw_now) {
  if (!fit_shown_ || state_.data.dataKind != DataKind::kResistivity ||
      state_.model.layerCount <= 0) {
    return;  // other fits are kept as their run drew them
  }
  // The run's own pictures show only the points it fitted: with points left
  // out the fit is drawn again with every point, those left out hollow.
  if (draw_now || CountExcluded(state_.data, state_.excludedPoints) > 0) {
    DrawFit(*canvas_);
  }
  canvas_->setRedrawer([this](Canvas& canvas) { DrawFit(canvas); });
}

void MainWindow::DrawFit(Canvas& canvas) const {
  PlotInput input = RunResultPlotInput(state_);
  input.excluded = state_.excludedPoints.data();
  PlotSounding(input, canvas);
}

MainWindow::~MainWindow() {
  // The child window reports its closing to this window: let it go while
  // this window is still whole.
  delete child_window_;
}

void MainWindow::BuildMenus() {
  // Every menu and every item of a menu has a mnemonic of its own.
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddCommand(file,
             kCommandReadData,
             QStringLiteral("&Read apparent resistivity data file"),
             QStringLiteral("command101"))
      ->setShortcut(QKeySequence::Open);
  AddCommand(file,
             kCommandImportFieldSheet,
             QStringLiteral("&Import field sheet (CSV)..."),
             QStringLiteral("importFieldSheet"));
  file->addSeparator();
  QMenu* edit = new QMenu(QStringLiteral("&Edit"), this);
  pictures_->AddTo(file, edit);
  AddCommand(file,
             kCommandSaveModelCsv,
             QStringLiteral("Save &model as CSV..."),
             QStringLiteral("saveModelCsv"));
  file->addSeparator();
  AddCommand(file, kCommandExit, QStringLiteral("&Exit program"), QStringLiteral("command151"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  menuBar()->addMenu(edit);
  AddCommand(edit,
             kCommandCopyModelCsv,
             QStringLiteral("Copy m&odel as CSV"),
             QStringLiteral("copyModelCsv"));
  AddCommand(edit,
             kCommandCopyDataCsv,
             QStringLiteral("Copy &data as CSV"),
             QStringLiteral("copyDataCsv"));

  QMenu* inversion = menuBar()->addMenu(QStringLiteral("&Inversion"));
  AddCommand(inversion,
             kCommandAutomaticInversion,
             QStringLiteral("&Automatic Inversion"),
             QStringLiteral("command121"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
  AddCommand(inversion,
             kCommandUserModelInversion,
             QStringLiteral("&Invert with user model"),
             QStringLiteral("command122"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
  AddCommand(inversion,
             kCommandEquivalenceAnalysis,
             QStringLiteral("&Equivalence analysis"),
             QStringLiteral("command123"));

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

  QMenu* forward = menuBar()->addMenu(QStringLiteral("F&orward Modelling"));
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
  display->addSeparator();
  for (QDockWidget* dock : findChildren<QDockWidget*>()) {
    display->addAction(dock->toggleViewAction());
  }

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  documented_layout_action_ = AddCommand(view,
                                         kCommandDocumentedLayout,
                                         QStringLiteral("&Documented layout"),
                                         QStringLiteral("documentedLayout"));
  documented_layout_action_->setCheckable(true);
  next_page_action_ = AddCommand(
      view, kCommandNextPage, QStringLiteral("&Next frequencies"), QStringLiteral("nextPage"));
  previous_page_action_ = AddCommand(view,
                                     kCommandPreviousPage,
                                     QStringLiteral("&Previous frequencies"),
                                     QStringLiteral("previousPage"));

  QMenu* exit = menuBar()->addMenu(QStringLiteral("E&xit"));
  AddCommand(exit, kCommandExit, QStringLiteral("&Quit program"), QStringLiteral("command151quit"));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  AddCommand(help, kCommandUsageGuide, QStringLiteral("&Usage guide"), QStringLiteral("usageGuide"))
      ->setShortcut(QKeySequence::HelpContents);
  AddCommand(help, kCommandAbout, QStringLiteral("&About LAYRA"), QStringLiteral("about"));
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
  // A file that cannot be opened while another one's window is open is named
  // rather than passed over.
  const QStringList files = std::exchange(startup_files_, {});
  for (const QString& path : files) {
    if (!OpenFile(path) && QFileInfo(path).isFile()) {
      host_->Warn(StrFormat(kNotOpenedMessage, path.toLocal8Bit().constData()), "Message");
    }
  }
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
    case kCommandImportFieldSheet:
      if (mode_flag_ == 0) ImportFieldSheet();
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
    case kCommandEquivalenceAnalysis:
      if (mode_flag_ == 0) EquivalenceAnalysis();
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
    case kCommandExportPicture:
      pictures_->ExportPicture();
      break;
    case kCommandPrint:
      pictures_->Print();
      break;
    case kCommandCopyPicture:
      pictures_->Copy();
      break;
    case kCommandSaveModelCsv:
      SaveModelCsv();
      break;
    case kCommandCopyModelCsv:
      QApplication::clipboard()->setText(model_table_->ToCsv());
      break;
    case kCommandCopyDataCsv:
      QApplication::clipboard()->setText(data_table_->ToCsv());
      break;
    case kCommandUsageGuide:
      ShowUsageGuide();
      break;
    case kCommandAbout: {
      AboutDiaBox about(this);
      runner_->Run(about);
      break;
    }
    case kCommandSurveySection:
      if (!RefusedInMode()) SurveySection();
      break;
    case kCommandDocumentedLayout:
      setDocumentedLayout(!documentedLayout());
      break;
    case kCommandNextPage:
    case kCommandPreviousPage:
      workspace_view_->setPage(workspace_view_->page() + (id == kCommandNextPage ? 1 : -1));
      break;
    default:
      break;
  }
  ShowState();
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
  QSettings settings;
  settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
  settings.setValue(QLatin1String(kLastFolderKey), QString::fromStdString(state_.dataDirectory));
  if (survey_window_ != nullptr) {
    survey_window_->close();
  }
  event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LimitDockWidth(*this);
  // Once more after the docks are laid out at the new size: the first
  // resize of a new window comes before they are.
  QTimer::singleShot(0, this, [this] { LimitDockWidth(*this); });
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
  ReadDataFrom(path);
}

void MainWindow::ReadDataFrom(const std::string& path,
                              const std::string& file_name,
                              const std::string& listed_as) {
  ClearWindow(*canvas_);
  listing_->clear();
  fit_shown_ = false;
  uncertainty_.reset();
  workspace_view_->setPage(0);
  findChild<QDockWidget*>(QStringLiteral("listingDock"))->raise();
  ListingCanvas listing(*canvas_, [&](const std::string& line) {
    const size_t at = listed_as.empty() ? std::string::npos : line.find(path);
    AddListingLine(at == std::string::npos ? line
                                           : std::string(line).replace(at, path.size(), listed_as));
  });
  state_.lastReadResult = ReadDataFile(path, state_, listing, *host_);
  if (state_.lastReadResult != 0) {
    // Nothing of a refused file may be used: no data until the next good read.
    state_.data.pointCount = 0;
    state_.dataRead = 0;
    return;
  }
  host_->Beep();
  const std::string& name = file_name.empty() ? path : file_name;
  state_.data.dataFileName = name;
  state_.thicknessFactor = 1.25f;
  state_.dataRead = 1;
  last_run_ = -1;
  if (state_.userModelAvailable != 0) {
    CopyStartingModel(state_.startingModel, state_.model);
  }
  QString directory = QFileInfo(QString::fromStdString(name)).absolutePath();
  state_.dataDirectory = DirectoryWithSeparator(directory);
  state_.resultsDirectory = state_.dataDirectory;
  QDir::setCurrent(directory);
  QSettings().setValue(QLatin1String(kLastFolderKey), directory);
  ListDatumLevels();
}

void MainWindow::ImportFieldSheet() {
  std::string sheet = "*.csv";
  if (!host_->ChooseOpenFile(sheet, "Field Sheet (CSV)")) return;
  std::string text;
  if (!ReadFileText(sheet, &text)) {
    host_->Warn("Cannot open the field sheet\n" + sheet, "Error Message");
    return;
  }
  // The sheet's columns say which array it was measured with ("a" or
  // "AB/2"); a refused sheet changes nothing.
  auto data = std::make_unique<SoundingData>();
  std::string error;
  if (!ParseFieldSheet(text, FieldSheetArray(text), data.get(), &error)) {
    host_->Warn(sheet + ":\n" + error + "\nNothing was imported.", "Error Message");
    return;
  }
  const QFileInfo info(QString::fromStdString(sheet));
  data->title = "Imported from " + info.fileName().toStdString();
  std::string target = QDir(info.absolutePath())
                           .filePath(info.completeBaseName() + QStringLiteral(".dat"))
                           .toStdString();
  const std::string suggested = target;
  while (host_->ChooseSaveFile(target, "Save Field Sheet as Data File")) {
    if (IsSameFile(target, sheet)) {
      host_->Warn(
          "The data file would replace the field sheet " + sheet + ".\nChoose another name.",
          "Error Message");
    } else if (!WriteDataFile(*data, target, &error)) {
      host_->Warn("Cannot write the data file " + error, "Error Message");
    } else {
      ReadDataFrom(target);
      return;
    }
  }
  // Not saved: the data set is read through a temporary data file and known
  // by the name it would have been saved under, next to the sheet.
  QTemporaryDir scratch;
  const std::string temporary =
      scratch.filePath(info.completeBaseName() + QStringLiteral(".dat")).toStdString();
  if (!scratch.isValid() || !WriteDataFile(*data, temporary, &error)) {
    host_->Warn("Cannot read the field sheet " + sheet + " as a data set.", "Error Message");
    return;
  }
  ReadDataFrom(temporary, suggested, sheet);
  if (state_.dataRead != 0) AddListingLine("The field sheet was not saved as a data file.");
}

void MainWindow::ListDatumLevels() {
  const SoundingData& data = state_.data;
  if (data.arrayType != ArrayType::kSchlumberger || data.datumLevelCount <= 0) return;
  const std::vector<PointLevel> levels = PointLevels(data);
  AddListingLine("");
  AddListingLine("Datum level   MN/2 (m)   Points   Merge factor");
  for (int k = 1; k <= data.datumLevelCount; ++k) {
    int first = -1;
    int count = 0;
    float factor = 1.0f;
    for (size_t p = 0; p < levels.size(); ++p) {
      if (levels[p].level != k) continue;
      if (first < 0) first = static_cast<int>(p);
      factor = levels[p].factor;
      ++count;
    }
    if (first < 0) {
      // Every point of the level coincided with one of another level.
      AddListingLine(StrFormat("%11d   %8s   %6d   %12s", k, "-", 0, "-"));
      continue;
    }
    AddListingLine(StrFormat("%11d   %8.2f   %6d   %12.5g",
                             k,
                             static_cast<double>(data.spacingB[first]),
                             count,
                             static_cast<double>(factor)));
  }
}

void MainWindow::SaveModelCsv() {
  if (model_table_->rowCount() == 0) {
    host_->Warn("There is no model to save yet.", "Message");
    return;
  }
  std::string path = "model.csv";
  if (!host_->ChooseSaveFile(path, "Save model as CSV")) return;
  QSaveFile file(QString::fromStdString(path));
  const QByteArray text = model_table_->ToCsv().toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
    host_->Warn(StrFormat("The file\n%s\ncould not be written.", path.c_str()), "Error Message");
  }
}

void MainWindow::ShowUsageGuide() {
  host_->ShowMessage(StrFormat(kUsageGuide, PictureFormatNames().c_str()),
                     "Usage guide",
                     MessageIcon::kInformation,
                     MessageButtons::kOk);
}

bool MainWindow::OpenFile(const QString& path) {
  QFileInfo file(path);
  if (!file.isFile()) {
    host_->Warn(StrFormat(kMissingFileMessage, path.toLocal8Bit().constData()), "Error Message");
    return false;
  }
  if (busy_ || mode_flag_ != 0) return false;
  const std::string full = QDir::toNativeSeparators(file.absoluteFilePath()).toStdString();
  const QString suffix = file.suffix().toLower();
  busy_ = true;
  if (suffix == QLatin1String("mod")) {
    OpenChildWindow(kCommandForwardModelling);
    if (auto* forward = qobject_cast<ForwardWindow*>(child_window_.data())) {
      // After its welcome message, whose first paint clears the window.
      forward->RunAfterWelcome([forward, full] { forward->OpenModel(full); });
    }
  } else if (suffix == QLatin1String("inv")) {
    OpenChildWindow(kCommandDisplayResults);
    if (auto* display = qobject_cast<DisplayWindow*>(child_window_.data())) {
      display->RunAfterWelcome([display, full] { display->OpenResults(full); });
    }
  } else {
    ReadDataFrom(full);
  }
  busy_ = false;
  ShowState();
  return true;
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
  RunWithListing(0, 0);
  last_run_ = 0;
}

void MainWindow::RunWithListing(int user_model, int silent) {
  fit_shown_ = false;
  uncertainty_.reset();
  run_label_ =
      std::string(user_model != 0 ? "Inversion from a user model" : "Automatic inversion") + ", " +
      EngineName(state_.engine.engine) + " engine";
  AddListingLine("");
  std::string left_out;
  for (int p = 0; p < state_.data.pointCount && p < kMaxPoints; ++p) {
    if (state_.excludedPoints[p])
      left_out += (left_out.empty() ? "" : ", ") + std::to_string(p + 1);
  }
  if (!left_out.empty()) AddListingLine("Points left out of this inversion: " + left_out);
  ListingCanvas listing(*canvas_, [this](const std::string& line) { AddListingLine(line); });
  running_ = silent == 0;
  RunInversion(state_, user_model, silent, listing, *host_);
  running_ = false;
  fit_shown_ = silent == 0 && state_.outcome.runStatus == RunStatus::kCompleted;
  ShowFit(false);
}

void MainWindow::UserModelInversion() {
  ClearWindow(*canvas_);
  last_run_ = -1;
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
  RunWithListing(1, 0);
  last_run_ = 1;
  state_.settings.dataConstraint = data_constraint;
  state_.settings.modelConstraint = model_constraint;
}

void MainWindow::EquivalenceAnalysis() {
  RunUncertainty result;
  std::string message = "Run an inversion first: the analysis is of its model.";
  if (last_run_ < 0 || !AnalyseRun(state_, last_run_ == 1, &result, &message)) {
    host_->Warn(message, "Message");
    return;
  }
  PlotRunUncertainty(state_, result, *canvas_);
  uncertainty_ = result;
  workspace_view_->update();
  const std::string table = UncertaintyTable(result, state_.model);
  for (size_t start = 0, end; start < table.size(); start = end + 1) {
    end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    AddListingLine(table.substr(start, end - start));
  }
  UncertaintyDialog dialog(QString::fromStdString(table), this);
  runner_->Run(dialog);
}

bool MainWindow::AskUserModel() {
  host_->Warn(kNoStartingModelMessage, "Message");
  RunWithListing(0, 1);
  if (close_pending_) {
    return false;
  }
  ClearWindow(*canvas_);
  // The first time for a data set the fields start from the automatic run's
  // model summarised in a few layers; later the user's own entries stay.
  if (state_.outcome.runStatus == RunStatus::kCompleted && state_.model.layerCount > 0 &&
      (user_model_.layerCount == 0 || user_model_source_ != state_.data.dataFileName)) {
    user_model_ = SegmentModel(state_.model, kSegmentedLayers);
    user_model_source_ = state_.data.dataFileName;
  }
  state_.dialogResult = 2;
  UserModelDiaBox dialog(
      user_model_,
      state_.dialogResult,
      [this](Canvas& picture) { DrawAutomaticRun(state_, picture); },
      this,
      &state_.engine.fixed);
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
  if (!documentedLayout()) {
    // What the plot view shows, as the documented layout's capture is made.
    SaveImageAsBmp(WidgetImage(*workspace_view_),
                   DisplayDepth(*workspace_view_),
                   *host_,
                   state_.screenImageFileName,
                   base_name,
                   state_.dataDirectory);
    return;
  }
  const auto picture = canvas_->recording();
  SaveScreenAsBmp(
      *canvas_, *host_, state_.screenImageFileName, base_name, state_.dataDirectory, nullptr);
  ClearWindow(*canvas_);
  // The plot comes back once the picture has been saved.
  canvas_->Restore(picture);
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
                        *runner_,
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
  // Nothing of the sounding shown before stays on show.
  fit_shown_ = false;
  uncertainty_.reset();
  workspace_view_->setPage(0);
  if (state_.lastReadResult != 0) {
    state_.data.pointCount = 0;
    state_.dataRead = 0;
    ShowState();
    return;
  }
  state_.data.dataFileName = sounding.file;
  state_.thicknessFactor = 1.25f;
  state_.dataRead = 1;
  state_.model = result.model;
  if (static_cast<int>(result.calculated.size()) != state_.data.pointCount) {
    ShowState();
    return;  // the file changed since the run: its listing stays
  }
  // The run's fit, as after an inversion here.
  std::copy(result.calculated.begin(),
            result.calculated.end(),
            state_.outcome.calculatedResistivity.begin());
  state_.outcome.finalMisfit = result.misfit;
  state_.outcome.lastIteration = result.iterations;
  state_.outcome.runStatus = RunStatus::kCompleted;
  run_label_ = "Survey run";
  fit_shown_ = true;
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
  ShowState();
}

}  // namespace layra
