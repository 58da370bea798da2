// The main window's workspace: the sounding and run lists, runs off the
// user-interface thread, model edits on the plot and in the Model table with
// their undo history, the equivalence analysis into the Model table.

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QUndoGroup>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "analysis/uncertainty_report.h"
#include "fileio/results_file.h"
#include "fileio/same_file.h"
#include "inversion/accurate_search.h"
#include "inversion/excluded_points.h"
#include "project/model_response.h"
#include "project/reading_merge.h"
#include "windows/about_dialog.h"
#include "windows/background_work.h"
#include "windows/main_window.h"
#include "windows/picture_commands.h"
#include "windows/project_files.h"
#include "windows/qt_canvas.h"
#include "windows/result_tables.h"
#include "windows/undo_commands.h"
#include "windows/workspace_panels.h"
#include "windows/workspace_view.h"

namespace layra {
namespace {

// Passes what a run on the background thread shows on to the window's
// thread: listing lines and messages to the sounding's listing, every
// iteration to `follow`. It asks nothing: the limits stand, no iterations
// are added.
class BackgroundObserver : public RunObserver {
 public:
  BackgroundObserver(BackgroundWork& work,
                     std::function<void(const std::string&)> line,
                     std::function<void(int, float, const InversionOutcome&)> follow)
      : work_(work), line_(std::move(line)), follow_(std::move(follow)) {}
  void Line(const std::string& text) override {
    if (text.find_first_not_of(' ') == std::string::npos) return;
    work_.Post([line = line_, text] { line(text); });
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon) override {
    work_.Post([line = line_, text = caption + ": " + text] { line(text); });
  }
  void Iteration(const IterationEvent& event) override {
    if (event.stage() != RunStage::kResistivity) return;
    auto outcome = std::make_shared<InversionOutcome>(event.outcome());
    work_.Post([follow = follow_, iteration = event.iteration(), misfit = event.misfit(), outcome] {
      follow(iteration, misfit, *outcome);
    });
  }

 private:
  BackgroundWork& work_;
  std::function<void(const std::string&)> line_;
  std::function<void(int, float, const InversionOutcome&)> follow_;
};

// The results file of a workspace run: beside the data file, one per run so
// that every run kept has its own ("<name>-run<N>.INV"); "" when it cannot
// be created there.
std::string WorkspaceResultsFile(const SoundingDocument& document) {
  const std::string& data_file = document.data.dataFileName;
  const std::string path =
      ResultsFileFor(data_file, "-run" + std::to_string(document.runs.size() + 1) + ".INV");
  std::string reason;
  ResultsFileStream proof;
  if (IsSameFile(path, data_file) || !proof.Open(path, &reason)) return std::string();
  return path;
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Page Up and Page Down page the SIP panels wherever the focus is in this
  // window (the listing and the tables would scroll instead).
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if ((key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp) &&
        key->modifiers() == Qt::NoModifier && widget != nullptr && widget->window() == this &&
        !documentedLayout() && workspace_view_->pageCount() > 1) {
      workspace_view_->setPage(workspace_view_->page() + (key->key() == Qt::Key_PageDown ? 1 : -1));
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::BuildWorkspace() {
  QCoreApplication::instance()->installEventFilter(this);
  sounding_list_ = new SoundingList(*workspace_, this);
  run_list_ = new RunList(this);
  QDockWidget* soundings = AddDock(*this,
                                   sounding_list_,
                                   QStringLiteral("Soundings"),
                                   QStringLiteral("soundingDock"),
                                   Qt::LeftDockWidgetArea);
  QDockWidget* runs = AddDock(
      *this, run_list_, QStringLiteral("Runs"), QStringLiteral("runDock"), Qt::LeftDockWidgetArea);
  splitDockWidget(soundings, runs, Qt::Vertical);
  resizeDocks({soundings}, {220}, Qt::Horizontal);
  background_ = new BackgroundWork(this);
  projects_ = new ProjectFiles(*workspace_, *host_, this);
  connect(projects_, &ProjectFiles::pathChanged, this, [this](const QString& path) {
    setWindowTitle(
        QString::fromLatin1(kProgramTitle) +
        (path.isEmpty() ? QString() : QStringLiteral(" - ") + QFileInfo(path).fileName()));
  });
  connect(workspace_, &SoundingWorkspace::currentChanged, this, &MainWindow::ShowSounding);
  // The soundings are held in a list that moves them as it grows.
  connect(workspace_, &SoundingWorkspace::soundingsChanged, this, [this] {
    const int index = workspace_->current();
    state_ = index >= 0 ? &workspace_->at(index) : &none_;
    // A sounding closed or read again while it was being run: the run is
    // stopped and nothing of it is kept (its results could not be told
    // from those of a sounding made later).
    if (running_document_ != nullptr && workspace_->IndexOf(running_document_) < 0) {
      background_->Wait();
      running_document_ = nullptr;
      cancel_button_->setVisible(false);
      SetWorkspaceStatus(QStringLiteral("The run was stopped: its sounding was closed."));
    }
  });
  connect(&workspace_->undoGroup(), &QUndoGroup::indexChanged, this, [this] { RefreshSounding(); });
  connect(run_list_, &RunList::runChosen, this, [this](int run) {
    state_->shownRun = run;
    state_->modelShown = false;
    workspace_->MarkModified();
    RefreshSounding();
  });
  connect(run_list_, &RunList::comparedChanged, this, [this](int run, bool compared) {
    std::vector<int>& list = state_->comparedRuns;
    list.erase(std::remove(list.begin(), list.end(), run), list.end());
    if (compared) list.push_back(run);
    workspace_->MarkModified();
    workspace_view_->update();
  });
  connect(workspace_view_, &WorkspaceView::dragStarted, this, &MainWindow::BeginDrag);
  connect(workspace_view_, &WorkspaceView::dragged, this, &MainWindow::Drag);
  connect(workspace_view_, &WorkspaceView::dragFinished, this, &MainWindow::EndDrag);
  hover_label_ = new QLabel(this);
  hover_label_->setObjectName(QStringLiteral("hoverText"));
  connect(workspace_view_, &WorkspaceView::hovered, hover_label_, &QLabel::setText);
  cancel_button_ = new QPushButton(QStringLiteral("Cancel run"), this);
  cancel_button_->setObjectName(QStringLiteral("cancelRun"));
  cancel_button_->setVisible(false);
  connect(cancel_button_, &QPushButton::clicked, this, [this] { RunCommand(kCommandCancelRun); });
  connect(
      model_table_, &ModelTable::valueEdited, this, [this](int layer, bool thickness, double v) {
        EditModel(thickness ? QStringLiteral("Thickness of layer %1").arg(layer + 1)
                            : QStringLiteral("Resistivity of layer %1").arg(layer + 1),
                  [&](LayeredModel& model) {
                    if (!thickness) return SetResistivity(model, layer, v);
                    if (!(v > 0.0) || layer + 1 >= model.layerCount) return false;
                    model.thickness[layer] = static_cast<float>(v);
                    UpdateDepths(model);
                    return true;
                  });
      });
  connect(data_table_, &DataTable::readingLeftOutChanged, this, &MainWindow::LeaveOutReading);
  connect(model_table_, &ModelTable::splitRequested, this, [this](int layer) {
    EditModel(QStringLiteral("Split layer %1").arg(layer + 1),
              [layer](LayeredModel& model) { return SplitLayer(model, layer); });
  });
  connect(model_table_, &ModelTable::removeRequested, this, [this](int layer) {
    EditModel(QStringLiteral("Remove layer %1").arg(layer + 1),
              [layer](LayeredModel& model) { return RemoveLayer(model, layer); });
  });
}

void MainWindow::AddWorkspaceCommands(QMenu* file, QMenu* edit, QMenu* inversion) {
  QAction* first = file->actions().value(2);  // after Read and Import
  auto add_to_file = [&](int id, const QString& text, const QString& name) {
    QAction* action = AddCommand(file, id, text, name);
    file->removeAction(action);
    file->insertAction(first, action);
    return action;
  };
  add_to_file(
      kCommandOpenProject, QStringLiteral("Open pro&ject..."), QStringLiteral("openProject"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  QMenu* recent = new QMenu(QStringLiteral("Recent projec&ts"), file);
  recent->setObjectName(QStringLiteral("recentProjects"));
  file->insertMenu(first, recent);
  connect(recent, &QMenu::aboutToShow, this, [this, recent] { projects_->FillRecentMenu(recent); });
  add_to_file(kCommandSaveProject, QStringLiteral("&Save project"), QStringLiteral("saveProject"))
      ->setShortcut(QKeySequence::Save);
  add_to_file(
      kCommandSaveProjectAs, QStringLiteral("Save project &as..."), QStringLiteral("saveProjectAs"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  add_to_file(
      kCommandCloseSounding, QStringLiteral("C&lose sounding"), QStringLiteral("closeSounding"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  file->insertSeparator(first);

  QAction* undo = workspace_->undoGroup().createUndoAction(this, QStringLiteral("&Undo"));
  undo->setObjectName(QStringLiteral("undo"));
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redo = workspace_->undoGroup().createRedoAction(this, QStringLiteral("&Redo"));
  redo->setObjectName(QStringLiteral("redo"));
  redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  QAction* edit_first = edit->actions().value(0);
  edit->insertAction(edit_first, undo);
  edit->insertAction(edit_first, redo);
  edit->insertSeparator(edit_first);
  edit->addSeparator();
  AddCommand(
      edit, kCommandSplitLayer, QStringLiteral("S&plit layer"), QStringLiteral("splitLayer"));
  AddCommand(
      edit, kCommandRemoveLayer, QStringLiteral("Remo&ve layer"), QStringLiteral("removeLayer"));

  inversion->addSeparator();
  AddCommand(inversion,
             kCommandWorkspaceRun,
             QStringLiteral("&Run automatic inversion (no questions)"),
             QStringLiteral("workspaceRun"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  AddCommand(inversion,
             kCommandInvertFromModel,
             QStringLiteral("Invert &from this model"),
             QStringLiteral("invertFromModel"))
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
  AddCommand(inversion,
             kCommandChooseLayerCount,
             QStringLiteral("Fit 2 to 6 layers and choose the &layer count"),
             QStringLiteral("chooseLayerCount"));
  AddCommand(inversion,
             kCommandEquivalenceInTable,
             QStringLiteral("E&quivalence ranges in the Model table"),
             QStringLiteral("equivalenceInTable"));
  AddCommand(inversion, kCommandCancelRun, QStringLiteral("&Cancel run"), QStringLiteral("cancel"));
}

namespace {

const char kRunSettingsGroup[] = "runSettings";

}  // namespace

void MainWindow::EnableSessionMemory(const QString& state_folder) {
  session_memory_ = true;
  projects_->EnableRecovery(state_folder);
  QSettings settings;
  settings.beginGroup(QLatin1String(kRunSettingsGroup));
  if (!settings.contains(QStringLiteral("engine"))) return;
  InversionSettings& run = document_->settings;
  EngineOptions& engine = document_->engine;
  engine.engine = settings.value(QStringLiteral("engine")).toString() == QLatin1String("accurate")
                      ? EngineKind::kAccurate
                      : EngineKind::kDocumented;
  engine.errorFloorPercent =
      settings.value(QStringLiteral("errorFloorPercent"), engine.errorFloorPercent).toDouble();
  engine.assumedErrorPercent =
      settings.value(QStringLiteral("assumedErrorPercent"), engine.assumedErrorPercent).toDouble();
  engine.estimateErrors =
      settings.value(QStringLiteral("estimateErrors"), engine.estimateErrors).toBool();
  run.initialDampingFactor =
      settings.value(QStringLiteral("initialDampingFactor"), run.initialDampingFactor).toFloat();
  run.minimumDampingFactor =
      settings.value(QStringLiteral("minimumDampingFactor"), run.minimumDampingFactor).toFloat();
  run.iterationLimit = settings.value(QStringLiteral("iterationLimit"), run.iterationLimit).toInt();
  run.convergenceLimit =
      settings.value(QStringLiteral("convergenceLimit"), run.convergenceLimit).toFloat();
  run.dataConstraint = settings.value(QStringLiteral("dataConstraint"), run.dataConstraint).toInt();
  run.modelConstraint =
      settings.value(QStringLiteral("modelConstraint"), run.modelConstraint).toInt();
  run.dataCutoff = settings.value(QStringLiteral("dataCutoff"), run.dataCutoff).toFloat();
  run.modelCutoff = settings.value(QStringLiteral("modelCutoff"), run.modelCutoff).toFloat();
  ShowState();
}

void MainWindow::RememberRunSettings() {
  QSettings settings;
  settings.beginGroup(QLatin1String(kRunSettingsGroup));
  const InversionSettings& run = document_->settings;
  const EngineOptions& engine = document_->engine;
  settings.setValue(QStringLiteral("engine"), QLatin1String(EngineName(engine.engine)));
  settings.setValue(QStringLiteral("errorFloorPercent"), engine.errorFloorPercent);
  settings.setValue(QStringLiteral("assumedErrorPercent"), engine.assumedErrorPercent);
  settings.setValue(QStringLiteral("estimateErrors"), engine.estimateErrors);
  settings.setValue(QStringLiteral("initialDampingFactor"), run.initialDampingFactor);
  settings.setValue(QStringLiteral("minimumDampingFactor"), run.minimumDampingFactor);
  settings.setValue(QStringLiteral("iterationLimit"), run.iterationLimit);
  settings.setValue(QStringLiteral("convergenceLimit"), run.convergenceLimit);
  settings.setValue(QStringLiteral("dataConstraint"), run.dataConstraint);
  settings.setValue(QStringLiteral("modelConstraint"), run.modelConstraint);
  settings.setValue(QStringLiteral("dataCutoff"), run.dataCutoff);
  settings.setValue(QStringLiteral("modelCutoff"), run.modelCutoff);
}

bool MainWindow::workspaceBusy() const { return background_->busy(); }

void MainWindow::WaitForWorkspace() {
  while (background_->busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void MainWindow::SetWorkspaceStatus(const QString& text) {
  workspace_status_ = text;
  status_label_->setText(statusText());
}

void MainWindow::RefreshSounding() {
  ShowState();
  // The documented canvas shows the fit again with the change (not while a
  // documented run's own last picture is being recorded).
  if (!recording_run_ && canvas_->hasPicture()) ShowFit(true);
}

void MainWindow::AppendListing(const SoundingDocument* document, const std::string& line) {
  const int index = workspace_->IndexOf(document);
  if (index < 0) return;
  if (index == workspace_->current()) {
    AddListingLine(line);
    return;
  }
  QString& kept = workspace_->listing(index);
  if (!kept.isEmpty()) kept += QLatin1Char('\n');
  kept += QString::fromLocal8Bit(line.c_str());
}

LayeredModel MainWindow::EditableModel() const {
  if (state_->modelShown || state_->shownRun < 0) return document_->model;
  const SoundingRun* run = shownRun();
  return run != nullptr ? run->outcome.model : document_->model;
}

void MainWindow::EditModel(const QString& text, const std::function<bool(LayeredModel&)>& edit) {
  const int index = workspace_->IndexOf(document_);
  if (index < 0 || !document_->HasData()) return;
  LayeredModel model = EditableModel();
  if (model.layerCount <= 0) {
    // A first model: a half-space at the geometric mean of the data, to be
    // split into layers.
    double sum = 0.0;
    for (int p = 0; p < document_->data.pointCount; ++p) {
      sum += std::log(document_->data.apparentResistivity[p]);
    }
    model.layerCount = 2;
    model.resistivity[0] = model.resistivity[1] =
        static_cast<float>(std::exp(sum / document_->data.pointCount));
    model.thickness[0] = document_->data.spacingA[document_->data.pointCount - 1] / 10.0f;
    UpdateDepths(model);
  }
  if (!edit(model)) {
    ShowState();  // the value refused: the table shows the model again
    return;
  }
  workspace_->undoStack(index).push(new ModelEditCommand(
      *workspace_,
      *document_,
      [this] { RefreshSounding(); },
      text,
      ModelState{document_->model, state_->modelShown},
      ModelState{model, true}));
}

void MainWindow::BeginDrag(const ChartHandle&) {
  if (workspace_->IndexOf(document_) < 0) return;
  drag_before_ = std::make_unique<ModelState>(ModelState{document_->model, state_->modelShown});
  document_->model = EditableModel();
  state_->modelShown = true;
}

void MainWindow::Drag(const ChartHandle& handle, double depth, double resistivity) {
  if (drag_before_ == nullptr) return;
  const bool moved = handle.kind == ChartHandle::Kind::kBoundary
                         ? MoveBoundary(document_->model, handle.layer, depth)
                         : SetResistivity(document_->model, handle.layer, resistivity);
  if (!moved) return;
  // The curve and the misfit follow at once: the plot computes the model's
  // response as it draws it.
  workspace_view_->repaint();
  ShowState();
}

void MainWindow::EndDrag() {
  if (drag_before_ == nullptr) return;
  std::unique_ptr<ModelState> before = std::move(drag_before_);
  const int index = workspace_->IndexOf(document_);
  ModelState after{document_->model, true};
  document_->model = before->model;
  state_->modelShown = before->shown;
  workspace_->undoStack(index).push(new ModelEditCommand(
      *workspace_,
      *document_,
      [this] { RefreshSounding(); },
      QStringLiteral("Drag the model"),
      *before,
      after));
}

void MainWindow::LeaveOut(int point, bool left_out) {
  const int index = workspace_->IndexOf(document_);
  if (index < 0 || point < 0 || point >= kMaxPoints) return;
  if ((document_->excluded[static_cast<size_t>(point)] != 0) == left_out) return;
  workspace_->undoStack(index).push(new LeaveOutCommand(
      *workspace_, *document_, [this] { RefreshSounding(); }, point, left_out));
}

bool MainWindow::ShowsReadings() const {
  if (workspace_->IndexOf(document_) < 0 || !Traits(document_->readings.arrayType).second_spacing) {
    return false;
  }
  for (int r = 1; r < document_->readings.pointCount; ++r) {
    if (document_->readings.spacingB[r] != document_->readings.spacingB[0]) return true;
  }
  return false;
}

namespace {

std::vector<bool> ReadingsLeftOut(const ProjectSounding& sounding, int readings) {
  std::vector<bool> left_out(static_cast<size_t>(std::max(readings, 0)), false);
  for (int reading : sounding.leftOutReadings) {
    if (reading >= 1 && reading <= readings) left_out[static_cast<size_t>(reading - 1)] = true;
  }
  return left_out;
}

}  // namespace

void MainWindow::ShowReadings(const SoundingRun* run) {
  const std::vector<bool> left_out = ReadingsLeftOut(*state_, document_->readings.pointCount);
  data_table_->ShowReadings(document_->readings,
                            document_->data,
                            left_out,
                            MergedPointOfReadings(document_->readings, left_out, document_->data),
                            run != nullptr && run->outcome.model.layerCount > 0
                                ? run->outcome.calculatedResistivity.data()
                                : nullptr);
}

void MainWindow::LeaveOutReading(int reading, bool left_out) {
  const int index = workspace_->IndexOf(document_);
  if (index < 0 || reading < 0 || reading >= document_->readings.pointCount) return;
  std::vector<bool> readings = ReadingsLeftOut(*state_, document_->readings.pointCount);
  readings[static_cast<size_t>(reading)] = left_out;
  MergeState after;
  for (size_t r = 0; r < readings.size(); ++r) {
    if (readings[r]) after.leftOutReadings.push_back(static_cast<int>(r) + 1);
  }
  std::string error;
  if (!MergeReadings(document_->readings, readings, &after.data, &error)) {
    SetWorkspaceStatus(QStringLiteral("Reading %1 is kept: %2")
                           .arg(reading + 1)
                           .arg(QString::fromStdString(error)));
    ShowState();
    return;
  }
  after.data.dataFileName = document_->data.dataFileName;
  // Points left out of the fit stay left out where they are still merged points.
  for (int p = 0; p < after.data.pointCount; ++p) {
    for (int q = 0; q < document_->data.pointCount; ++q) {
      if (document_->excluded[static_cast<size_t>(q)] &&
          document_->data.spacingA[q] == after.data.spacingA[p] &&
          document_->data.spacingB[q] == after.data.spacingB[p]) {
        after.excluded[static_cast<size_t>(p)] = 1;
      }
    }
  }
  MergeState before{state_->leftOutReadings, document_->data, document_->excluded};
  workspace_->undoStack(index).push(new MergeCommand(
      *workspace_,
      *document_,
      [this] { RefreshSounding(); },
      (left_out ? QStringLiteral("Leave out reading %1") : QStringLiteral("Take back reading %1"))
          .arg(reading + 1),
      std::move(before),
      std::move(after)));
}

void MainWindow::RecordLastRun(const InversionSettings& settings_before) {
  const int index = workspace_->IndexOf(document_);
  if (index < 0 || document_->runs.empty()) return;
  SoundingRun run = std::move(document_->runs.back());
  document_->runs.pop_back();
  const InversionSettings after = document_->settings;
  document_->settings = settings_before;
  recording_run_ = true;
  workspace_->undoStack(index).push(new AddRunCommand(
      *workspace_, *document_, [this] { RefreshSounding(); }, std::move(run), after));
  recording_run_ = false;
}

void MainWindow::StartWorkspaceRun(bool from_model) {
  if (RefusedWithoutData()) return;
  if (background_->busy()) {
    SetWorkspaceStatus(QStringLiteral("A run is going on: wait for it or cancel it first."));
    return;
  }
  RunOptions options = document_->NextRunOptions(from_model);
  if (from_model) {
    options.start_model = EditableModel();
    if (options.start_model.layerCount <= 0) {
      SetWorkspaceStatus(
          QStringLiteral("No model to invert from: run an inversion or edit a model first."));
      return;
    }
  }
  options.results_path = WorkspaceResultsFile(*document_);
  SoundingDocument* document = document_;
  running_document_ = document;
  auto data = std::make_shared<SoundingData>(document->data);
  const QString kind = RunKindText(SoundingRun{options, {}, {}});
  AppendListing(document, "");
  AppendListing(document, (kind + QStringLiteral(": started")).toStdString());
  SetWorkspaceStatus(kind + QStringLiteral(": starting..."));
  cancel_button_->setVisible(true);
  auto outcome = std::make_shared<InversionOutcome>();
  background_->Start(
      [this, data, options, outcome, document, kind] {
        BackgroundObserver observer(
            *background_,
            [this, document](const std::string& line) { AppendListing(document, line); },
            [this, document, kind](int iteration, float misfit, const InversionOutcome&) {
              if (document == document_) {
                SetWorkspaceStatus(QStringLiteral("%1: iteration %2, RMS %3 %")
                                       .arg(kind)
                                       .arg(iteration)
                                       .arg(100.0 * misfit, 0, 'f', 2));
              }
            });
        *outcome = RunInversion(*data, options, observer, background_->cancelFlag());
      },
      [this, document, options, outcome, data] {
        FinishWorkspaceRun(document,
                           SoundingRun{options, std::move(*outcome), PointSpacings(*data)});
      });
}

void MainWindow::FinishWorkspaceRun(SoundingDocument* document, SoundingRun run) {
  running_document_ = nullptr;
  cancel_button_->setVisible(false);
  const int index = workspace_->IndexOf(document);
  if (index < 0) return;  // the sounding was closed meanwhile
  // The settings the run leaves, as a run of the document takes them.
  InversionSettings after = run.outcome.settings;
  if (run.options.from_model) {
    after.dataConstraint = document->settings.dataConstraint;
    after.modelConstraint = document->settings.modelConstraint;
  }
  const InversionOutcome& outcome = run.outcome;
  QString text = QStringLiteral("Run %1 (%2): %3")
                     .arg(document->runs.size() + 1)
                     .arg(RunKindText(run), StopReasonText(outcome));
  if (outcome.runStatus == RunStatus::kFailed) {
    text += QStringLiteral(" - ") + QString::fromStdString(outcome.runMessage);
  } else {
    text += QStringLiteral(", RMS %1 %").arg(100.0 * outcome.finalMisfit, 0, 'f', 2);
    if (outcome.fit.assessed && !outcome.fit.reason.empty()) {
      text += QStringLiteral(" (") + QString::fromStdString(outcome.fit.reason) + QLatin1Char(')');
    }
    text += outcome.resultsFile.empty()
                ? QStringLiteral("; no results file could be written beside the data file")
                : QStringLiteral("; results written to ") +
                      QFileInfo(QString::fromStdString(outcome.resultsFile)).fileName();
  }
  AppendListing(document, text.toStdString());
  const bool shown = document == document_;
  workspace_->undoStack(index).push(new AddRunCommand(
      *workspace_, *document, [this] { RefreshSounding(); }, std::move(run), after));
  if (shown) SetWorkspaceStatus(text);
}

void MainWindow::StartLayerCount() {
  if (RefusedWithoutData()) return;
  if (background_->busy()) {
    SetWorkspaceStatus(QStringLiteral("A run is going on: wait for it or cancel it first."));
    return;
  }
  SoundingDocument* document = document_;
  auto data = std::make_shared<SoundingData>(WithoutExcluded(document->data, document->excluded));
  const EngineOptions engine = document->engine;
  auto choice = std::make_shared<LayerCountChoice>();
  auto message = std::make_shared<std::string>();
  auto ok = std::make_shared<bool>(false);
  SetWorkspaceStatus(QStringLiteral("Fitting 2 to 6 layers..."));
  running_document_ = document;
  background_->Start(
      [=] { *ok = ChooseLayerCount(*data, engine, 2, 6, choice.get(), message.get()); },
      [this, document, choice, message, ok] {
        running_document_ = nullptr;
        const int index = workspace_->IndexOf(document);
        if (index < 0) return;
        if (!*ok) {
          AppendListing(document, *message);
          if (document == document_) SetWorkspaceStatus(QString::fromStdString(*message));
          return;
        }
        AppendListing(document, "");
        AppendListing(document, LayerCountTable(*choice));
        const int layers = choice->rows[static_cast<size_t>(choice->chosen)].layers;
        // The chosen model becomes the model to edit, shown with its curve
        // (and the one Invert with user model offers).
        workspace_->undoStack(index).push(new ModelEditCommand(
            *workspace_,
            *document,
            [this] { RefreshSounding(); },
            QStringLiteral("Choose %1 layers").arg(layers),
            ModelState{document->model, workspace_->at(index).modelShown},
            ModelState{ChosenModel(*choice), true}));
        if (document == document_) {
          SetWorkspaceStatus(QStringLiteral("%1 layers chosen (least BIC; table in the listing). "
                                            "Invert from this model fits it.")
                                 .arg(layers));
        }
      });
}

void MainWindow::StartEquivalence() {
  const SoundingRun* run = shownRun();
  if (run == nullptr || state_->modelShown) {
    SetWorkspaceStatus(
        QStringLiteral("Choose a completed run first: the analysis is of its model."));
    return;
  }
  if (background_->busy()) {
    SetWorkspaceStatus(QStringLiteral("A run is going on: wait for it or cancel it first."));
    return;
  }
  SoundingDocument* document = document_;
  const int run_index = state_->shownRun;
  auto data = std::make_shared<SoundingData>(document->data);
  auto copy = std::make_shared<SoundingRun>(*run);
  auto result = std::make_shared<RunUncertainty>();
  auto message = std::make_shared<std::string>();
  auto ok = std::make_shared<bool>(false);
  SetWorkspaceStatus(QStringLiteral("Equivalence analysis of run %1...").arg(run_index + 1));
  running_document_ = document;
  background_->Start(
      [=] { *ok = AnalyseRun(*data, *copy, result.get(), message.get()); },
      [this, document, run_index, result, message, ok] {
        running_document_ = nullptr;
        const int index = workspace_->IndexOf(document);
        if (index < 0) return;
        if (!*ok) {
          if (document == document_) {
            SetWorkspaceStatus(QString::fromStdString(*message));
          }
          return;
        }
        ProjectSounding& sounding = workspace_->at(index);
        sounding.uncertainty = *result;
        sounding.analysedRun = run_index;
        AppendListing(document, "");
        AppendListing(document, UncertaintyTable(*result, document->runs[run_index].outcome.model));
        workspace_->MarkModified();
        if (document == document_) {
          SetWorkspaceStatus(QStringLiteral("Equivalence analysis of run %1: done; ranges in the "
                                            "Model table")
                                 .arg(run_index + 1));
          RefreshSounding();
        }
      });
}

}  // namespace layra
