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
#include <QPushButton>
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
#include "fileio/results_file.h"
#include "fileio/same_file.h"
#include "fileio/synthetic_data.h"
#include "fileio/text_input.h"
#include "graphics/picture_file.h"
#include "graphics/sounding_plot.h"
#include "inversion/excluded_points.h"
#include "inversion/inversion_driver.h"
#include "inversion/model_segmentation.h"
#include "project/model_response.h"
#include "state/engine_options.h"
#include "state/settings_rules.h"
#include "state/text_format.h"
#include "state/user_model_rules.h"
#include "survey/field_sheet.h"
#include "survey/survey_run.h"
#include "windows/about_dialog.h"
#include "windows/background_work.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/menu_command.h"
#include "windows/panel_listing.h"
#include "windows/picture_commands.h"
#include "windows/project_files.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/result_tables.h"
#include "windows/screen_capture.h"
#include "windows/settings_dialogs.h"
#include "windows/survey_command.h"
#include "windows/survey_section_window.h"
#include "windows/uncertainty_dialog.h"
#include "windows/undo_commands.h"
#include "windows/user_model_dialog.h"
#include "windows/workspace_panels.h"
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

const char kCannotCreate[] =
    "Cannot create this file. Either you\n"
    "have used an invalid file name, or\nthe disk drive is not available.\n";

// The compact picture of the automatic run shown in the user-model dialog:
// observed data, the many-layer model and its response, with the run's last
// iteration and misfit.
void DrawAutomaticRun(const SoundingData& data, const SoundingRun* run, Canvas& canvas) {
  if (run == nullptr || run->outcome.runStatus != RunStatus::kCompleted || data.pointCount <= 0 ||
      run->outcome.model.layerCount <= 0) {
    return;  // the run ended without a model (its message was shown): nothing to show
  }
  PlotInput input = RunResultPlotInput(data, run->outcome);
  input.compact = 1;
  PlotSounding(input, canvas);
}

// The same picture of a model typed in the user-model dialog: the data with
// that model and its response (iteration 0, its misfit as the RMS of the
// logarithmic residuals); nothing new when the model has no response.
void DrawUserModelPreview(const SoundingData& data,
                          const std::array<unsigned char, kMaxPoints>& excluded,
                          const SoundingRun* automatic,
                          const LayeredModel& model,
                          Canvas& canvas) {
  if (data.pointCount <= 0) return;
  const ModelResponse response = ComputeModelResponse(data, model, excluded);
  if (!response.ok) return;
  InversionOutcome outcome = automatic != nullptr ? automatic->outcome : InversionOutcome{};
  outcome.model = model;
  outcome.lastIteration = 0;
  outcome.finalMisfit = static_cast<float>(response.misfit);
  outcome.calculatedResistivity.fill(NAN);
  for (size_t p = 0; p < response.calculated.size(); ++p) {
    outcome.calculatedResistivity[p] = static_cast<float>(response.calculated[p]);
  }
  PlotInput input = RunResultPlotInput(data, outcome);
  input.compact = 1;
  canvas.Clear();
  PlotSounding(input, canvas);
}

}  // namespace

MainWindow::MainWindow(DialogRunner* runner, QWidget* parent) : QMainWindow(parent) {
  if (runner == nullptr) {
    own_runner_ = std::make_unique<DialogRunner>();
    runner = own_runner_.get();
  }
  runner_ = runner;
  host_ = std::make_unique<QtHost>(this, *runner_, shell_);
  none_.document = std::make_unique<SoundingDocument>();
  document_ = none_.document.get();
  workspace_ = new SoundingWorkspace(this);

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
  shell_.dataDirectory = program_directory_;
  shell_.resultsDirectory = program_directory_;
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
    return document_->HasData() ? MakeSiblingName(document_->data.dataFileName, "") : std::string();
  };
  pictures_ = new PictureCommands(*this, std::move(pictures), *host_, *runner_);
  BuildDocks();
  BuildWorkspace();
  BuildMenus();
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("statusText"));
  statusBar()->addWidget(status_label_, 1);
  statusBar()->addPermanentWidget(hover_label_);
  statusBar()->addPermanentWidget(cancel_button_);
  cancel_button_->setVisible(false);
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
  // Shown hollow at once when the fit is on show (the history redraws).
  connect(data_table_, &DataTable::exclusionChanged, this, [this](int point, bool excluded) {
    if (workspace_->IndexOf(document_) >= 0) {
      LeaveOut(point, excluded);
    } else if (point >= 0 && point < kMaxPoints) {
      document_->excluded[point] = excluded ? 1 : 0;
    }
  });
}

void MainWindow::AddListingLine(const std::string& text) {
  const QString line = QString::fromLocal8Bit(text.c_str());
  listing_->appendPlainText(line);
  // Each sounding keeps its own listing, shown again when it is selected.
  if (workspace_->current() >= 0) {
    QString& kept = workspace_->listing(workspace_->current());
    if (!kept.isEmpty()) kept += QLatin1Char('\n');
    kept += line;
  }
}

const SoundingRun* MainWindow::shownRun() const {
  if (state_->shownRun < 0 || state_->shownRun >= static_cast<int>(document_->runs.size()))
    return nullptr;
  const SoundingRun& run = document_->runs[static_cast<size_t>(state_->shownRun)];
  return run.outcome.runStatus == RunStatus::kCompleted ? &run : nullptr;
}

QString MainWindow::statusText() const {
  const SoundingDocument& document = *document_;
  QStringList parts;
  parts << (document.HasData()
                ? QStringLiteral("Data: %1")
                      .arg(QFileInfo(QString::fromStdString(document.data.dataFileName)).fileName())
                : QStringLiteral("No data file read"));
  parts << QStringLiteral("Engine: %1").arg(QLatin1String(EngineName(document.engine.engine)));
  if (state_->modelShown && document_->model.layerCount > 0) {
    const ModelResponse response =
        ComputeModelResponse(document_->data, document_->model, document_->excluded);
    parts << (response.ok
                  ? QStringLiteral("Edited model: RMS %1 %").arg(100.0 * response.misfit, 0, 'f', 2)
                  : QStringLiteral("Edited model: no response"));
  } else if (const SoundingRun* run = shownRun()) {
    parts << QStringLiteral("Iteration: %1").arg(run->outcome.lastIteration);
    parts << QStringLiteral("%1: %2 %")
                 .arg(run->outcome.settings.dataConstraint >= 1 ? QStringLiteral("Mean error")
                                                                : QStringLiteral("RMS"))
                 .arg(100.0 * run->outcome.finalMisfit, 0, 'f', 2);
    // Why it stopped, and whether its misfit is above the engine's target.
    if (workspace_status_.isEmpty())
      parts << QStringLiteral("Stopped: ") + StopReasonText(run->outcome);
  }
  if (!workspace_status_.isEmpty()) parts << workspace_status_;
  return parts.join(QStringLiteral("   |   "));
}

void MainWindow::ShowState() {
  const SoundingDocument& document = *document_;
  const bool ip = document.data.dataKind != DataKind::kResistivity;
  const bool sip = document.data.dataKind == DataKind::kSip;
  const SoundingRun* run = shownRun();
  // A run made before readings were left out of the merge is listed at the
  // points it shares with the data now.
  std::optional<SoundingRun> on_points;
  if (run != nullptr && !run->MadeOn(document_->data)) {
    on_points = RunOnPoints(*run, document_->data);
    run = &*on_points;
  }
  // Chargeabilities in the data file's unit, as on the plot.
  const ChartIpUnit ip_unit = IpUnitOf(document.data);
  const LayeredModel* model = run != nullptr ? &run->outcome.model : nullptr;
  const bool edited = state_->modelShown && document_->model.layerCount > 0;
  if (edited) model = &document_->model;
  if (model != nullptr && model->layerCount > 0) {
    ModelView view;
    view.editable = workspace_->IndexOf(document_) >= 0 && model->layerCount <= kMaxForwardLayers;
    if (!edited && state_->uncertainty && state_->analysedRun == state_->shownRun) {
      view.ranges = &*state_->uncertainty;
    }
    view.layers = model->layerCount;
    view.resistivity = model->resistivity.data();
    view.thickness = model->thickness.data();
    if (ip) {
      view.chargeability = model->chargeability.data();
      view.ip_unit = ip_unit.name.c_str();
      view.ip_fraction = ip_unit.fraction;
    }
    if (sip) {
      view.tau = model->timeConstant.data();
      view.c = model->exponent.data();
    }
    model_table_->ShowModel(view);
  } else {
    model_table_->ShowModel(ModelView{});
  }
  if (ShowsReadings()) {
    ShowReadings(run);
  } else {
    data_table_->ShowData(document.data,
                          run != nullptr ? run->outcome.calculatedResistivity.data() : nullptr,
                          run != nullptr && ip ? run->outcome.calculatedIp.data() : nullptr,
                          document.excluded,
                          ip_unit.name.c_str(),
                          ip_unit.fraction);
  }
  status_label_->setText(statusText());
  run_list_->ShowRuns(workspace_->IndexOf(document_) >= 0 ? state_ : nullptr);
  if (!running_) {
    run_label_ = run != nullptr ? QStringLiteral("Run %1: %2")
                                      .arg(state_->shownRun + 1)
                                      .arg(RunKindText(*run))
                                      .toStdString()
                                : std::string();
  }
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
  if (!document_->HasData()) return ChartInput{};
  StateChartOptions options;
  options.runLabel = running_ ? run_label_ + " (running)" : run_label_;
  options.uncertainty = state_->uncertainty && state_->analysedRun == state_->shownRun
                            ? &*state_->uncertainty
                            : nullptr;
  options.leftOutReadings.assign(static_cast<size_t>(std::max(document_->readings.pointCount, 0)),
                                 false);
  for (const int reading : state_->leftOutReadings) {
    if (reading >= 1 && reading <= static_cast<int>(options.leftOutReadings.size())) {
      options.leftOutReadings[static_cast<size_t>(reading - 1)] = true;
    }
  }
  if (!running_ && state_->modelShown && document_->model.layerCount > 0) {
    // The model being edited with its response and misfit, computed anew.
    const ModelResponse response =
        ComputeModelResponse(document_->data, document_->model, document_->excluded);
    SoundingRun edited;
    edited.outcome.model = document_->model;
    edited.outcome.calculatedResistivity.fill(NAN);
    edited.outcome.calculatedIp.fill(NAN);
    for (size_t p = 0; p < response.calculated.size(); ++p) {
      edited.outcome.calculatedResistivity[p] = static_cast<float>(response.calculated[p]);
    }
    options.runLabel = "Edited model";
    options.uncertainty = nullptr;
    ChartInput chart = StateChart(*document_, &edited, options);
    if (!chart.runs.empty()) {
      chart.runs.front().notes = {response.ok ? StrFormat("RMS %.2f %%", 100.0 * response.misfit)
                                              : std::string("No response")};
    }
    AddComparedRuns(chart, -1);
    return chart;
  }
  // During a run the model and curve of the iteration reached.
  const SoundingRun* run = running_ ? (live_run_ ? &*live_run_ : nullptr) : shownRun();
  ChartInput chart = StateChart(*document_, run, options);
  if (!running_) AddComparedRuns(chart, state_->shownRun);
  return chart;
}

void MainWindow::AddComparedRuns(ChartInput& chart, int shown) const {
  for (int r : state_->comparedRuns) {
    if (r == shown || r < 0 || r >= static_cast<int>(document_->runs.size())) continue;
    const SoundingRun& run = document_->runs[static_cast<size_t>(r)];
    if (run.outcome.runStatus != RunStatus::kCompleted) continue;
    StateChartOptions options;
    options.runLabel = QStringLiteral("Run %1: %2").arg(r + 1).arg(RunKindText(run)).toStdString();
    ChartInput other = StateChart(*document_, &run, options);
    if (other.runs.empty()) continue;
    // Compared runs are named with their misfit only, to keep the legend short.
    other.runs.front().notes.resize(std::min<size_t>(other.runs.front().notes.size(), 1));
    chart.runs.push_back(std::move(other.runs.front()));
  }
}

void MainWindow::FollowRun(const RunOptions& options, const IterationEvent& event) {
  if (!running_) return;
  live_run_ = SoundingRun{options, event.outcome(), {}};
  InversionOutcome& outcome = live_run_->outcome;
  outcome.lastIteration = event.iteration();
  outcome.finalMisfit = event.misfit();
  // Back to the positions of all points, as a finished run's values.
  const SoundingData& data = document_->data;
  SpreadOverAllPoints(outcome,
                      options.excluded,
                      data.pointCount,
                      data.dataKind == DataKind::kSip ? data.frequencyCount : 0);
}

void MainWindow::ShowFit(bool draw_now) {
  const SoundingRun* run = shownRun();
  if (run == nullptr || document_->data.dataKind != DataKind::kResistivity ||
      run->outcome.model.layerCount <= 0) {
    return;  // other fits are kept as their run drew them
  }
  // The run's own pictures show only the points it fitted: with points left
  // out the fit is drawn again with every point, those left out hollow.
  if (draw_now || CountExcluded(document_->data, document_->excluded) > 0) {
    DrawFit(*canvas_);
  }
  canvas_->setRedrawer([this](Canvas& canvas) { DrawFit(canvas); });
}

void MainWindow::DrawFit(Canvas& canvas) const {
  const SoundingRun* run = shownRun();
  if (run == nullptr) return;
  PlotInput input = RunResultPlotInput(document_->data, run->outcome);
  input.excluded = document_->excluded.data();
  PlotSounding(input, canvas);
}

void MainWindow::AddDocument(std::unique_ptr<SoundingDocument> document, const QString& listing) {
  ProjectSounding sounding;
  sounding.dataFile = document->data.dataFileName;
  sounding.shownRun = static_cast<int>(document->runs.size()) - 1;
  sounding.document = std::move(document);
  workspace_->SetCurrent(workspace_->Add(std::move(sounding), listing));
}

void MainWindow::ShowSounding(int index) {
  state_ = index >= 0 ? &workspace_->at(index) : &none_;
  document_ = state_->document != nullptr ? state_->document.get() : none_.document.get();
  user_model_entries_ = LayeredModel();
  workspace_status_.clear();  // it told of the sounding shown before
  listing_->setPlainText(index >= 0 ? workspace_->listing(index) : QString());
  if (index >= 0 && state_->document == nullptr) {
    AddListingLine(state_->problem);
  }
  workspace_view_->setPage(0);
  ClearWindow(*canvas_);
  canvas_->setRedrawer(nullptr);
  ShowState();
  ShowFit(true);
}

MainWindow::~MainWindow() {
  // A workspace run ends (cancelled) while the window is still whole.
  background_->Wait();
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
  QMenu* workspace_file = file;
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
  AddWorkspaceCommands(workspace_file, edit, inversion);

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
  last_command_ = 0;
  AboutDiaBox about(this);
  runner_->Run(about);
  if (session_memory_) projects_->OfferRecovery();
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
    case kCommandWorkspaceRun:
    case kCommandInvertFromModel:
      if (mode_flag_ == 0) StartWorkspaceRun(id == kCommandInvertFromModel);
      break;
    case kCommandCancelRun:
      if (background_->busy()) {
        background_->Cancel();
        SetWorkspaceStatus(QStringLiteral("Cancelling: the run stops after this iteration..."));
      }
      break;
    case kCommandEquivalenceInTable:
      if (mode_flag_ == 0) StartEquivalence();
      break;
    case kCommandChooseLayerCount:
      if (mode_flag_ == 0) StartLayerCount();
      break;
    case kCommandSplitLayer:
    case kCommandRemoveLayer: {
      const int layer = std::max(model_table_->currentRow(), 0);
      if (id == kCommandSplitLayer) {
        EditModel(QStringLiteral("Split layer %1").arg(layer + 1),
                  [layer](LayeredModel& model) { return SplitLayer(model, layer); });
      } else {
        EditModel(QStringLiteral("Remove layer %1").arg(layer + 1),
                  [layer](LayeredModel& model) { return RemoveLayer(model, layer); });
      }
      break;
    }
    case kCommandCloseSounding:
      if (workspace_->current() >= 0) {
        workspace_->Remove(workspace_->current());
        workspace_->SetCurrent(std::min(workspace_->current() >= 0 ? workspace_->current() : 0,
                                        workspace_->count() - 1));
      }
      break;
    case kCommandOpenProject:
      if (mode_flag_ == 0 && !background_->busy()) projects_->OpenChosen();
      break;
    case kCommandSaveProject:
      projects_->Save();
      break;
    case kCommandSaveProjectAs:
      projects_->SaveAs();
      break;
    default:
      break;
  }
  ShowState();
  if (session_memory_) RememberRunSettings();
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
    stop_run_ = true;
    event->ignore();
    return;
  }
  if (session_memory_ && workspace_->modified() && workspace_->count() > 0) {
    // Unsaved work is never lost without asking.
    const MessageAnswer answer = host_->ShowMessage(
        "The soundings open have changes that are not saved in a project.\n"
        "Do you want to save them as a project now?",
        "Save project",
        MessageIcon::kQuestion,
        MessageButtons::kYesNo);
    if (answer == MessageAnswer::kYes && !projects_->Save()) {
      event->ignore();
      return;
    }
  }
  // A run going on stops after its iteration; nothing of it is kept.
  background_->Wait();
  if (child_window_ != nullptr) {
    child_window_->close();
  }
  QSettings settings;
  if (session_memory_) {
    RememberRunSettings();
    projects_->DiscardAutosave();
  }
  settings.setValue(QLatin1String(kGeometryKey), saveGeometry());
  settings.setValue(QLatin1String(kLastFolderKey), QString::fromStdString(shell_.dataDirectory));
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
  if (document_->HasData()) {
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
  // Nothing of the sounding shown stays on show while the file is read, and
  // nothing of a refused file is used: no sounding is shown until the next
  // good read. Only the run settings carry over to the fresh document.
  none_.document->settings = document_->settings;
  none_.document->engine = document_->engine;
  workspace_->SetCurrent(-1);
  findChild<QDockWidget*>(QStringLiteral("listingDock"))->raise();
  PanelListing listing(*host_, [&](const std::string& line) {
    const size_t at = listed_as.empty() ? std::string::npos : line.find(path);
    AddListingLine(at == std::string::npos ? line
                                           : std::string(line).replace(at, path.size(), listed_as));
  });
  std::unique_ptr<SoundingDocument> read =
      ReadSoundingDocument(path, listing, none_.document->settings, none_.document->engine);
  shell_.lastReadResult = read == nullptr ? 1 : 0;
  if (read == nullptr) {
    ShowState();
    return;
  }
  host_->Beep();
  const std::string& name = file_name.empty() ? path : file_name;
  read->data.dataFileName = name;
  AddDocument(std::move(read), listing_->toPlainText());
  QString directory = QFileInfo(QString::fromStdString(name)).absolutePath();
  shell_.dataDirectory = DirectoryWithSeparator(directory);
  shell_.resultsDirectory = shell_.dataDirectory;
  QDir::setCurrent(directory);
  QSettings().setValue(QLatin1String(kLastFolderKey), directory);
  ListDatumLevels();
}

void MainWindow::ImportFieldSheet() {
  std::string sheet = "*.csv";
  if (!host_->ChooseOpenFile(sheet, "Field Sheet (CSV)")) return;
  std::string text;
  std::string error;
  if (!ReadFieldSheetFile(sheet, &text, &error)) {
    host_->Warn(error, "Error Message");
    return;
  }
  // The sheet's columns say which array it was measured with ("a" or
  // "AB/2"); a refused sheet changes nothing.
  auto data = std::make_unique<SoundingData>();
  std::string array_note;
  if (!ParseFieldSheet(text, FieldSheetArray(text, &array_note), data.get(), &error)) {
    host_->Warn(sheet + ":\n" + error + "\nNothing was imported.", "Error Message");
    return;
  }
  // What the import decided on its own is said before the data are saved.
  std::string notes = array_note;
  for (const std::string& warning : data->warnings) notes += (notes.empty() ? "" : "\n") + warning;
  if (!notes.empty()) host_->Warn(notes, "Warning");
  const QFileInfo info(QString::fromStdString(sheet));
  data->title = ImportedTitle(info.fileName().toStdString());
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
  if (document_->HasData()) AddListingLine("The field sheet was not saved as a data file.");
}

void MainWindow::ListDatumLevels() {
  const SoundingData& data = document_->data;
  if (!Traits(data.arrayType).second_spacing || data.datumLevelCount <= 0) return;
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
  } else if (suffix == QLatin1String("layra")) {
    projects_->Open(file.absoluteFilePath());
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
  DampDiaBox dialog(document_->settings, shell_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeIterations() {
  shell_.dialogResult = 2;
  NitDiaBox dialog(document_->settings, shell_.dialogResult, this);
  runner_->Run(dialog);
  if (shell_.dialogResult == 1) {
    document_->settings.iterationLimit = ClampIterationLimit(document_->settings.iterationLimit);
  }
}

void MainWindow::ChangeConvergenceLimit() {
  ConvergenceLimitDialog dialog(
      ConvergenceLimitDialog::Kind::kClmDiaBox, document_->settings, shell_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeConstraints() {
  DataConstrainDiaBox dialog(document_->settings, shell_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::ChangeEngine() {
  EngineDiaBox dialog(document_->engine, shell_.dialogResult, this);
  runner_->Run(dialog);
}

void MainWindow::AutomaticInversion() {
  if (RefusedWithoutData()) {
    return;
  }
  RunWithListing(false, false);
}

namespace {

// Whether a run of `data_file` can create the results file `path`: it is not
// the data file and can be opened (and is left as it was).
bool CanCreateResults(const std::string& path, const std::string& data_file) {
  std::string reason;
  ResultsFileStream proof;
  return !IsSameFile(path, data_file) && proof.Open(path, &reason);
}

}  // namespace

bool MainWindow::ChooseResultsFile(std::string* path) {
  const std::string& data_file = document_->data.dataFileName;
  std::string chosen = ResultsFileFor(data_file);
  while (true) {
    if (!host_->ChooseSaveFile(chosen, "File Name for Inversion Results")) return false;
    if (CanCreateResults(chosen, data_file)) break;
    const std::string question =
        (IsSameFile(chosen, data_file)
             ? StrFormat("The results file\n%s\nis the data file of this run.\n", chosen.c_str())
             : std::string(kCannotCreate)) +
        "Do you want to try again with a different name?";
    if (host_->ShowMessage(question, "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo) !=
        MessageAnswer::kYes) {
      return false;
    }
  }
  shell_.resultsDirectory =
      DirectoryWithSeparator(QFileInfo(QString::fromStdString(chosen)).absolutePath());
  *path = chosen;
  return true;
}

bool MainWindow::ScratchResultsFile(std::string* path) {
  *path = ResultsFileFor(document_->data.dataFileName, ".INx");
  if (CanCreateResults(*path, document_->data.dataFileName)) return true;
  host_->Warn(std::string(kCannotCreate) +
                  "This data set will not be processed.\nPlease check this data file",
              "Name Error Message");
  return false;
}

bool MainWindow::RunWithListing(bool from_model, bool silent) {
  stop_run_ = false;
  state_->shownRun = -1;
  run_label_ = std::string(from_model ? "Inversion from a user model" : "Automatic inversion") +
               ", " + EngineName(document_->engine.engine) + " engine";
  AddListingLine("");
  std::string left_out;
  for (int p = 0; p < document_->data.pointCount && p < kMaxPoints; ++p) {
    if (document_->excluded[p]) left_out += (left_out.empty() ? "" : ", ") + std::to_string(p + 1);
  }
  if (!left_out.empty()) AddListingLine("Points left out of this inversion: " + left_out);
  RunOptions options = document_->NextRunOptions(from_model);
  // A run that cannot start needs no results file: it says why after its
  // progress lines.
  if (RunCanStart(document_->data, options)) {
    if (silent ? !ScratchResultsFile(&options.results_path)
               : !ChooseResultsFile(&options.results_path)) {
      return false;
    }
    options.remove_results = silent;
  }
  PanelListing observer(
      *host_,
      [this](const std::string& line) { AddListingLine(line); },
      canvas_,
      !silent,
      [this, &options](const IterationEvent& event) { FollowRun(options, event); });
  running_ = !silent;
  const InversionSettings settings_before = document_->settings;
  document_->Run(options, observer, &stop_run_);
  running_ = false;
  live_run_.reset();
  RecordLastRun(settings_before);
  state_->shownRun = silent ? -1 : static_cast<int>(document_->runs.size()) - 1;
  if (!silent) ShowFit(false);
  return true;
}

void MainWindow::UserModelInversion() {
  ClearWindow(*canvas_);
  const int chosen_run = state_->shownRun;
  state_->shownRun = -1;
  if (RefusedWithoutData()) {
    return;
  }
  if (document_->userModelAvailable != 0) {
    // The data file's own starting model is taken as it is.
    CopyStartingModel(document_->startingModel, document_->model);
  } else if (!AskUserModel(chosen_run)) {
    return;
  }
  if (close_pending_) {
    return;
  }
  RunWithListing(true, false);
}

void MainWindow::EquivalenceAnalysis() {
  RunUncertainty result;
  std::string message = "Run an inversion first: the analysis is of its model.";
  const SoundingRun* run =
      state_->shownRun >= 0 ? &document_->runs[static_cast<size_t>(state_->shownRun)] : nullptr;
  if (run == nullptr || !AnalyseRun(document_->data, *run, &result, &message)) {
    host_->Warn(message, "Message");
    return;
  }
  PlotRunUncertainty(document_->data, *run, result, *canvas_);
  state_->uncertainty = result;
  state_->analysedRun = state_->shownRun;
  workspace_view_->update();
  const std::string table = UncertaintyTable(result, run->outcome.model);
  for (size_t start = 0, end; start < table.size(); start = end + 1) {
    end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    AddListingLine(table.substr(start, end - start));
  }
  UncertaintyDialog dialog(QString::fromStdString(table), this);
  runner_->Run(dialog);
}

bool MainWindow::AskUserModel(int chosen_run) {
  // The model chosen in the workspace (being edited, or a run's few-layer
  // model shown) fills the dialog.
  const SoundingRun* shown =
      chosen_run >= 0 && chosen_run < static_cast<int>(document_->runs.size())
          ? &document_->runs[static_cast<size_t>(chosen_run)]
          : nullptr;
  const LayeredModel* chosen = state_->modelShown ? &document_->model
                               : shown != nullptr && shown->options.from_model
                                   ? &shown->outcome.model
                                   : nullptr;
  // An automatic run the document already has on the same points with the
  // same engine is not run again.
  const SoundingRun* automatic = ReusableAutomaticRun();
  if (automatic == nullptr) {
    host_->Warn(kNoStartingModelMessage, "Message");
    const bool ran = RunWithListing(false, true);
    if (close_pending_) {
      return false;
    }
    automatic = ran ? document_->LastRun() : nullptr;
  }
  ClearWindow(*canvas_);
  if (chosen != nullptr && chosen->layerCount > 1 && chosen->layerCount <= kMaxForwardLayers) {
    user_model_entries_ = *chosen;
  } else if (automatic != nullptr && automatic->outcome.runStatus == RunStatus::kCompleted &&
             automatic->outcome.model.layerCount > 0 && user_model_entries_.layerCount == 0) {
    // The first time for a data set the fields start from the automatic
    // run's model summarised in a few layers; later the user's own entries
    // stay.
    user_model_entries_ = SegmentModel(automatic->outcome.model, kSegmentedLayers);
  }
  shell_.dialogResult = 2;
  UserModelDiaBox dialog(
      user_model_entries_,
      shell_.dialogResult,
      [this, automatic](Canvas& picture) { DrawAutomaticRun(document_->data, automatic, picture); },
      this,
      &document_->engine.fixed);
  dialog.setPreview([this, automatic](Canvas& picture, const LayeredModel& model) {
    DrawUserModelPreview(document_->data, document_->excluded, automatic, model, picture);
  });
  dialog.setDiscardQuestion([this] {
    return host_->ShowMessage("Discard the model entered?",
                              "Discard the model",
                              MessageIcon::kQuestion,
                              MessageButtons::kYesNo) == MessageAnswer::kYes;
  });
  runner_->Run(dialog);
  if (shell_.dialogResult != 1) {
    return false;
  }
  std::string message;
  if (!AcceptUserModel(user_model_entries_, document_->model, message)) {
    host_->Warn(message, "Error Message");
    return false;
  }
  host_->Warn(kUserModelAcceptedMessage, "Message");
  document_->settings.iterationLimit = kUserModelIterations;
  return true;
}

const SoundingRun* MainWindow::ReusableAutomaticRun() const {
  const RunOptions next = document_->NextRunOptions(false);
  const InversionSettings& a = next.settings;
  for (auto run = document_->runs.rbegin(); run != document_->runs.rend(); ++run) {
    const InversionSettings& b = run->options.settings;
    const bool same_settings =
        a.initialDampingFactor == b.initialDampingFactor &&
        a.minimumDampingFactor == b.minimumDampingFactor && a.iterationLimit == b.iterationLimit &&
        a.convergenceLimit == b.convergenceLimit && a.dataConstraint == b.dataConstraint &&
        a.modelConstraint == b.modelConstraint && a.dataCutoff == b.dataCutoff &&
        a.modelCutoff == b.modelCutoff;
    if (!run->options.from_model && run->outcome.runStatus == RunStatus::kCompleted &&
        run->outcome.model.layerCount > 0 && run->options.excluded == next.excluded &&
        run->options.engine.engine == next.engine.engine &&
        run->options.thickness_factor == next.thickness_factor && same_settings) {
      return &*run;
    }
  }
  return nullptr;
}

void MainWindow::OpenChildWindow(int id) {
  auto set_mode_flag = [this](int flag) { setModeFlag(flag); };
  QMainWindow* child;
  QString title = QString::fromLatin1(kProgramTitle);
  if (id == kCommandForwardModelling) {
    ClearWindow(*canvas_);
    child = new ForwardWindow(shell_, document_->engine.engine, *runner_, set_mode_flag, this);
    title += QStringLiteral("- Forward Modelling Window");
  } else {
    child = new DisplayWindow(shell_, *runner_, set_mode_flag, this);
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
  std::string base_name = document_->data.dataFileName;
  if (!documentedLayout()) {
    // What the plot view shows, as the documented layout's capture is made.
    SaveImageAsBmp(WidgetImage(*workspace_view_),
                   DisplayDepth(*workspace_view_),
                   *host_,
                   shell_.screenImageFileName,
                   base_name,
                   shell_.dataDirectory);
    return;
  }
  const auto picture = canvas_->recording();
  SaveScreenAsBmp(
      *canvas_, *host_, shell_.screenImageFileName, base_name, shell_.dataDirectory, nullptr);
  ClearWindow(*canvas_);
  // The plot comes back once the picture has been saved.
  canvas_->Restore(picture);
}

void MainWindow::SurveySection() {
  QFileDialog chooser(
      this, QStringLiteral("Open survey file"), QString::fromStdString(shell_.dataDirectory));
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
  const std::string survey = chooser.selectedFiles().first().toStdString();
  survey_window_ = OpenSurveySection(
      survey,
      this,
      *host_,
      *runner_,
      document_->engine.engine,
      [this](const SurveySounding& sounding, const SoundingResult& result) {
        ShowSurveySounding(sounding, result);
      },
      [this, survey](const std::vector<SurveySounding>& soundings,
                     std::vector<SoundingResult>& results) {
        AddSurveySoundings(survey, soundings, results);
      });
}

void MainWindow::AddSurveySoundings(const std::string& survey,
                                    const std::vector<SurveySounding>& soundings,
                                    std::vector<SoundingResult>& results) {
  // The survey opens as a project of its soundings, each with its run.
  int first = -1;
  for (size_t i = 0; i < soundings.size() && i < results.size(); ++i) {
    const SoundingDocument* run = results[i].document.get();
    if (run == nullptr || !run->HasData()) continue;
    ProjectSounding sounding;
    sounding.document = std::make_unique<SoundingDocument>(*run);
    sounding.dataFile =
        QFileInfo(QString::fromStdString(soundings[i].file)).absoluteFilePath().toStdString();
    sounding.document->data.dataFileName = sounding.dataFile;
    sounding.shownRun = static_cast<int>(sounding.document->runs.size()) - 1;
    // The reader's listing of the data file, as after a read.
    struct Collecting : ListingSink {
      void Line(const std::string& text) override { lines << QString::fromLocal8Bit(text.c_str()); }
      void Message(const std::string&, const std::string&, MessageIcon) override {}
      QStringList lines;
    } collected;
    auto reread = std::make_unique<SoundingFile>();
    ReadDataFile(sounding.dataFile, *reread, collected);
    collected.lines << QStringLiteral("Sounding %1 of the survey %2, inverted with the %3 engine.")
                           .arg(QString::fromStdString(soundings[i].name),
                                QString::fromStdString(survey),
                                QLatin1String(EngineName(run->engine.engine)));
    const QString listing = collected.lines.join(QLatin1Char('\n'));
    const int index = workspace_->Add(std::move(sounding), listing);
    if (first < 0) first = index;
  }
  if (first >= 0 && workspace_->current() < 0) workspace_->SetCurrent(first);
}

void MainWindow::ShowSurveySounding(const SurveySounding& sounding, const SoundingResult& result) {
  if (busy_ || RefusedInMode()) {
    return;
  }
  raise();
  activateWindow();
  // The sounding is selected where it is open already; else read.
  const std::string file =
      QFileInfo(QString::fromStdString(sounding.file)).absoluteFilePath().toStdString();
  const int open = workspace_->IndexOfFile(file);
  if (open >= 0 && workspace_->at(open).document != nullptr) {
    workspace_->SetCurrent(open);
  } else {
    ReadDataFrom(sounding.file);
    if (shell_.lastReadResult != 0) return;
  }
  const SoundingDocument* surveyed = result.document.get();
  if (surveyed == nullptr || surveyed->LastRun() == nullptr ||
      surveyed->data.pointCount != document_->data.pointCount) {
    return;  // no run to show, or the file changed since the run: its listing stays
  }
  // The survey's run of this sounding (once), shown as after an inversion.
  const int index = workspace_->IndexOf(document_);
  if (document_->runs.empty() && index >= 0) {
    const InversionSettings settings_before = document_->settings;
    document_->runs.push_back(*surveyed->LastRun());
    RecordLastRun(settings_before);
  }
  state_->shownRun = static_cast<int>(document_->runs.size()) - 1;
  state_->modelShown = false;
  ShowState();
  ShowFit(true);
}

}  // namespace layra
