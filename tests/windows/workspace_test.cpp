// The workspace of the main window: several soundings open with nothing
// shared between them, runs off the user-interface thread with their stop
// reason and no boxes, the model dragged on the plot with its curve and
// misfit following and the undo history taking edits, leave-outs and runs
// back, the Model table edited in place, equivalence ranges in it, and
// projects saved and opened again.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "analysis/state_chart.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/background_work.h"
#include "windows/main_window.h"
#include "windows/project_files.h"
#include "windows/result_tables.h"
#include "windows/sounding_workspace.h"
#include "windows/workspace_panels.h"
#include "windows/workspace_view.h"

namespace layra::testing {
namespace {

// A window shown with its about box answered.
struct Workspace {
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
  // With a `state_folder`, as the program run by a user: settings
  // remembered, autosave and recovery there.
  explicit Workspace(const QString& state_folder = QString()) {
    window = std::make_unique<MainWindow>(&dialogs);
    if (!state_folder.isEmpty()) window->EnableSessionMemory(state_folder);
    dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
    window->move(20, 20);
    if (!ShowExposed(*window, 1200, 800)) return;
    QTRY_COMPARE(window->lastCommand(), 0);
  }
  MainWindow& operator*() { return *window; }
  MainWindow* operator->() { return window.get(); }
  void Run(int command) {
    window->RunCommand(command);
    window->WaitForWorkspace();
    QCoreApplication::processEvents();
  }
  void Trigger(const char* action) {
    QAction* found = window->findChild<QAction*>(QString::fromLatin1(action));
    QVERIFY2(found != nullptr, action);
    found->trigger();
    QCoreApplication::processEvents();
  }
};

class WorkspaceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> scratch_;

  QString Example(const QString& name) {
    const QString target = scratch_->filePath(name);
    QFile::remove(target);
    return QFile::copy(QStringLiteral(LAYRA_EXAMPLES_DIR "/") + name, target) ? target : QString();
  }

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
  }

  // Two soundings open: each keeps its data, leave-outs, runs, model table
  // and listing; selecting one shows all of it and nothing of the other.
  void twoSoundingsShareNothing() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    QVERIFY(w->OpenFile(Example(QStringLiteral("schlumberger_two_levels.dat"))));
    QCOMPARE(w->workspace().count(), 2);
    QCOMPARE(w->soundingList().count(), 2);
    QCOMPARE(w->workspace().current(), 1);

    w->workspace().SetCurrent(0);
    QCOMPARE(w->document().data.pointCount, 17);
    w->dataTable().item(3, 1)->setCheckState(Qt::Checked);
    w.Run(kCommandWorkspaceRun);
    QCOMPARE(w->document().runs.size(), size_t{1});
    QVERIFY(w->modelTable().rowCount() > 0);
    const QString wenner_listing = w->listing().toPlainText();
    QVERIFY(wenner_listing.contains(QStringLiteral("Automatic, documented engine: started")));

    w->workspace().SetCurrent(1);
    QVERIFY(w->document().runs.empty());
    QCOMPARE(w->document().excluded[3], 0);
    QCOMPARE(w->modelTable().rowCount(), 0);
    QCOMPARE(w->runList().count(), 0);
    QVERIFY(!w->listing().toPlainText().contains(QStringLiteral("started")));
    QVERIFY(w->statusText().contains(QStringLiteral("schlumberger_two_levels.dat")));

    w->workspace().SetCurrent(0);
    QCOMPARE(w->listing().toPlainText(), wenner_listing);
    QCOMPARE(w->document().excluded[3], 1);
    QCOMPARE(w->runList().count(), 1);
    QCOMPARE(w->document().runs.back().options.excluded[3], 1);
    // Reading the same file again replaces its sounding; closing one leaves the other.
    QVERIFY(w->OpenFile(scratch_->filePath(QStringLiteral("wenner.dat"))));
    QCOMPARE(w->workspace().count(), 2);
    QVERIFY(w->document().runs.empty());
    w.Run(kCommandCloseSounding);
    QCOMPARE(w->workspace().count(), 1);
    QCOMPARE(w->document().data.pointCount, w->workspace().at(0).document->data.pointCount);
  }

  // A workspace run asks nothing, shows no box, writes its results file
  // beside the data file and says in the status bar why it stopped; a
  // cancelled run says so.
  void runsAskNothingAndSayWhyTheyStopped() {
    Workspace w;
    const QString data = Example(QStringLiteral("wenner.dat"));
    QVERIFY(w->OpenFile(data));
    const int boxes = w.dialogs.messages.size();
    w.Run(kCommandWorkspaceRun);
    QCOMPARE(w.dialogs.messages.size(), boxes);
    QVERIFY(QFile::exists(scratch_->filePath(QStringLiteral("wenner-run1.INV"))));
    const SoundingRun& run = w->document().runs.back();
    QVERIFY(w->statusText().contains(StopReasonText(run.outcome)));
    QVERIFY(w->statusText().contains(QStringLiteral("results written to wenner-run1.INV")));
  }

  // Closing a sounding while it is being run stops the run; nothing of it
  // reaches another sounding.
  void closingASoundingStopsItsRun() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    QVERIFY(w->OpenFile(Example(QStringLiteral("schlumberger_two_levels.dat"))));
    w->RunCommand(kCommandWorkspaceRun);
    w->RunCommand(kCommandCloseSounding);
    QVERIFY(!w->workspaceBusy());
    w->WaitForWorkspace();
    QCoreApplication::processEvents();
    QCOMPARE(w->workspace().count(), 1);
    QVERIFY(w->document().runs.empty());
  }

  // Work off the user-interface thread sees Cancel, reports in order on the
  // window's thread, and ends with its `done` there.
  void backgroundWorkReportsAndCancels() {
    BackgroundWork work;
    QStringList seen;
    bool done = false;
    QVERIFY(work.Start(
        [&] {
          work.Post([&] { seen << QStringLiteral("started"); });
          while (!work.cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          work.Post([&] { seen << QStringLiteral("saw cancel"); });
        },
        [&] { done = true; }));
    QVERIFY(work.busy());
    QVERIFY(!work.Start([] {}, [] {}));  // one piece at a time
    work.Cancel();
    QTRY_VERIFY(done);
    QCOMPARE(seen, (QStringList{QStringLiteral("started"), QStringLiteral("saw cancel")}));
    QVERIFY(!work.busy());
  }

  // Dragging a boundary of the model shown changes the model and the misfit
  // at once; undo restores both, redo makes the edit again; a leave-out and
  // a run are undone as well.
  void dragChangesModelAndMisfitUndoRestores() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    w.Run(kCommandWorkspaceRun);
    const LayeredModel fitted = w->document().runs.back().outcome.model;
    const QString misfit_before = w->statusText();
    WorkspaceView& view = w->workspaceView();
    view.repaint();
    const ChartLayout& layout = view.layout();
    // A boundary with a long vertical line: grabbed half-way along it.
    int boundary = -1;
    for (size_t i = 1; i + 2 < layout.layers.size() && boundary < 0; ++i) {
      if (std::abs(layout.layers[i].y - layout.layers[i + 1].y) > 30)
        boundary = static_cast<int>(i);
    }
    QVERIFY(boundary > 0);
    const ChartLayer& layer = layout.layers[static_cast<size_t>(boundary)];
    const QPoint from(static_cast<int>(layer.right),
                      static_cast<int>((layer.y + layout.layers[boundary + 1].y) / 2));
    const ChartHandle handle = layout.HandleAt(from.x(), from.y());
    QCOMPARE(handle.kind, ChartHandle::Kind::kBoundary);
    QCOMPARE(handle.layer, boundary);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&view, from + QPoint(25, 0));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, from + QPoint(25, 0));
    QCoreApplication::processEvents();

    QVERIFY(w->soundingState().modelShown);
    QVERIFY(w->document().model.thickness[boundary] > fitted.thickness[boundary]);
    QCOMPARE(w->document().model.thickness[boundary - 1], fitted.thickness[boundary - 1]);
    const QString edited = w->statusText();
    QVERIFY(edited.contains(QStringLiteral("Edited model: RMS")));
    QVERIFY(edited != misfit_before);
    QCOMPARE(w->modelTable().item(boundary, 2)->text(),
             QString::number(w->document().model.thickness[boundary], 'g', 5));

    w.Trigger("undo");
    QVERIFY(!w->soundingState().modelShown);
    QCOMPARE(w->statusText(), misfit_before);
    w.Trigger("redo");
    QVERIFY(w->soundingState().modelShown);
    QCOMPARE(w->statusText(), edited);

    // The Model table edits the model in place; a value that is not a
    // positive number is not taken.
    w->modelTable().item(0, 1)->setText(QStringLiteral("777"));
    QCOMPARE(w->document().model.resistivity[0], 777.0f);
    w->modelTable().item(0, 1)->setText(QStringLiteral("-3"));
    QCOMPARE(w->document().model.resistivity[0], 777.0f);
    QCOMPARE(w->modelTable().item(0, 1)->text(), QStringLiteral("777"));
    const int layers = w->document().model.layerCount;
    w->modelTable().setCurrentCell(1, 1);
    w.Run(kCommandSplitLayer);
    QCOMPARE(w->document().model.layerCount, layers + 1);
    w.Run(kCommandRemoveLayer);
    QCOMPARE(w->document().model.layerCount, layers);

    // Leave-outs and runs go on the history too.
    w->dataTable().item(4, 1)->setCheckState(Qt::Checked);
    QCOMPARE(w->document().excluded[4], 1);
    w.Trigger("undo");
    QCOMPARE(w->document().excluded[4], 0);
    w.Run(kCommandInvertFromModel);
    QCOMPARE(w->document().runs.size(), size_t{2});
    QVERIFY(w->document().runs.back().options.from_model);
    QCOMPARE(w->document().runs.back().options.start_model.resistivity[0], 777.0f);
    w.Trigger("undo");
    QCOMPARE(w->document().runs.size(), size_t{1});
    QVERIFY(w->soundingState().modelShown);
  }

  // Invert with user model straight after an automatic inversion reuses
  // that run instead of running it again silently; a model being edited
  // fills the dialog.
  void userModelInversionReusesTheAutomaticRun() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    w.dialogs.ThenChoose(scratch_->filePath(QStringLiteral("auto.INV")));
    w->RunCommand(kCommandAutomaticInversion);
    QCOMPARE(w->document().runs.size(), size_t{1});
    w->modelTable().setCurrentCell(0, 1);
    for (int i = 0; i < 20 && w->modelTable().rowCount() > 3; ++i) w.Run(kCommandRemoveLayer);
    const int messages = w.dialogs.messages.size();
    QString offered;
    w.dialogs.Then([&](QDialog& dialog) {
      offered = EditText(dialog, QStringLiteral("edit1001"));
      Click(dialog, QStringLiteral("button1022"));  // Cancel
    });
    w->RunCommand(kCommandUserModelInversion);
    QCOMPARE(offered, QStringLiteral("3"));
    QCOMPARE(w.dialogs.messages.size(), messages);  // no "will now use the automatic..." box
    QCOMPARE(w->document().runs.size(), size_t{1});
  }

  // Fitting 2 to 6 layers lists the table of layer counts and makes the
  // chosen model the one to edit and invert from.
  void layerCountIsChosenAndItsModelShown() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    w.Run(kCommandChooseLayerCount);
    QVERIFY(w->soundingState().modelShown);
    const int layers = w->document().model.layerCount;
    QVERIFY(layers >= 2 && layers <= 6);
    QCOMPARE(w->modelTable().rowCount(), layers);
    QVERIFY(w->statusText().contains(QStringLiteral("%1 layers chosen").arg(layers)));
    QVERIFY(w->listing().toPlainText().contains(QStringLiteral("BIC")));
  }

  // One chargeability unit for one model: the data file's, in the Model and
  // Data tables as on the plot.
  void chargeabilitiesInTheFilesUnitEverywhere() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("ip_chargeability.dat"))));
    w.Run(kCommandWorkspaceRun);
    const ChartIpUnit unit = IpUnitOf(w->document().data);
    const QString name = QString::fromStdString(unit.name);
    QCOMPARE(w->modelTable().horizontalHeaderItem(4)->text(),
             QStringLiteral("Chargeability (%1)").arg(name));
    const float m = w->shownRun()->outcome.model.chargeability[0];
    QCOMPARE(w->modelTable().item(0, 4)->text(), QString::number(m / unit.fraction, 'g', 5));
    QVERIFY(w->dataTable().ToCsv().contains(QStringLiteral("Calculated IP (%1)").arg(name)));
    QVERIFY(QString::fromStdString(unit.title).contains(name));
  }

  // A practitioner's work from field sheet to saved project and back: the
  // dialogs it takes are the file choosers and the engine dialog, no box.
  void fromFieldSheetToSavedProjectAndBack() {
    const QString sheet = scratch_->filePath(QStringLiteral("A5_sheet.csv"));
    QVERIFY(QFile::copy(QStringLiteral(LAYRA_EXAMPLES_DIR "/survey/A5_sheet.csv"), sheet));
    const QString project = scratch_->filePath(QStringLiteral("A5.layra"));
    QString saved;
    {
      Workspace w;
      const int dialogs_before = w.dialogs.titles.size();
      w.dialogs.ThenChoose(sheet);
      w.dialogs.ThenChoose(scratch_->filePath(QStringLiteral("A5_sheet.dat")));
      w.Run(kCommandImportFieldSheet);
      QVERIFY(w->document().HasData());
      w.Run(kCommandWorkspaceRun);  // documented engine
      w.dialogs.Then([](QDialog& dialog) {
        Click(dialog, "radio1442");  // accurate
        Click(dialog, "button1");
      });
      w.Run(kCommandEngine);
      w.Run(kCommandWorkspaceRun);
      w.Run(kCommandChooseLayerCount);
      w.Run(kCommandInvertFromModel);
      QCOMPARE(w->document().runs.size(), size_t{3});
      w->runList().item(0)->setCheckState(Qt::Checked);
      w->runList().item(1)->setCheckState(Qt::Checked);
      w.Run(kCommandEquivalenceInTable);
      QVERIFY(w->soundingState().uncertainty.has_value());
      w.dialogs.ThenChoose(project);
      w.Run(kCommandSaveProject);
      QCOMPARE(w.dialogs.messages.size(), 0);
      // Four dialogs: two choosers for the sheet, the engine, the project's chooser.
      QCOMPARE(w.dialogs.titles.size() - dialogs_before, 4);
      saved = QString::fromStdString(ProjectJson(w->workspace().project(), project.toStdString()));
    }
    Workspace w;
    w.dialogs.ThenChoose(project);
    w.Run(kCommandOpenProject);
    QCOMPARE(QString::fromStdString(ProjectJson(w->workspace().project(), project.toStdString())),
             saved);
    QCOMPARE(w->runList().count(), 3);
    QCOMPARE(w->soundingState().comparedRuns, (std::vector<int>{0, 1}));
    QVERIFY(w->modelTable().ToCsv().contains(QStringLiteral("Resistivity low")));
  }

  // After a crash the autosave is offered at the next start and recovers
  // the soundings; the engine chosen is remembered.
  void crashRecoveryAndRememberedSettings() {
    const QString state = scratch_->filePath(QStringLiteral("state"));
    {
      Workspace w(state);
      QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
      w->dataTable().item(2, 1)->setCheckState(Qt::Checked);
      w->document().engine.engine = EngineKind::kAccurate;
      w->RememberRunSettings();
      QVERIFY(w->projects().Autosave());
      QVERIFY(QFile::exists(w->projects().recoveryFile()));
    }                       // gone without closing, as in a crash
    Workspace next(state);  // the about box, then the offer
    QTRY_VERIFY(AnyMessageContains(next.dialogs, QStringLiteral("did not end normally")));
    QCOMPARE(next->workspace().count(), 0);  // answered No: nothing opened
    QVERIFY(!QFile::exists(next->projects().recoveryFile()));
    QCOMPARE(next->document().engine.engine, EngineKind::kAccurate);

    QVERIFY(next->OpenFile(Example(QStringLiteral("wenner.dat"))));
    next->dataTable().item(4, 1)->setCheckState(Qt::Checked);
    QVERIFY(next->projects().Autosave());
    next.window.reset();
    ScriptedDialogs dialogs;
    dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    MainWindow recovered(&dialogs);
    recovered.EnableSessionMemory(state);
    QVERIFY(ShowExposed(recovered, 900, 650));
    QTRY_COMPARE(recovered.workspace().count(), 1);
    QCOMPARE(recovered.document().excluded[4], 1);
    QVERIFY(recovered.workspace().modified());  // still to be saved
    QSettings().remove(QStringLiteral("runSettings"));
  }

  // Page Down and Page Up page the SIP panels with the focus in the listing.
  void pageKeysPageTheSipPanelsWhereverTheFocusIs() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("sip_amplitude_phase.dat"))));
    QVERIFY(w->workspaceView().pageCount() > 1);
    w->listing().setFocus();
    QTest::keyClick(&w->listing(), Qt::Key_PageDown);
    QCOMPARE(w->workspaceView().page(), 1);
    QTest::keyClick(w->modelTable().viewport(), Qt::Key_PageUp);
    QCOMPARE(w->workspaceView().page(), 0);
  }

  // Schlumberger data of two MN/2 segments: the Data table lists every raw
  // reading; leaving out one that sets the merge factor merges again with a
  // new factor; undo merges as before.
  void leavingOutARawReadingMergesAgain() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("schlumberger_two_levels.dat"))));
    DataTable& table = w->dataTable();
    QVERIFY(table.showsReadings());
    QCOMPARE(table.rowCount(), 22);
    const int factor_column = table.columnCount() - 1;
    const QString factor = table.item(21, factor_column)->text();
    const float last = w->document().data.apparentResistivity[w->document().data.pointCount - 1];
    table.item(10, 1)->setCheckState(Qt::Checked);
    QCOMPARE(w->soundingState().leftOutReadings, std::vector<int>{11});
    QVERIFY(table.item(21, factor_column)->text() != factor);
    QVERIFY(w->document().data.apparentResistivity[w->document().data.pointCount - 1] != last);
    w.Trigger("undo");
    QVERIFY(w->soundingState().leftOutReadings.empty());
    QCOMPARE(table.item(21, factor_column)->text(), factor);
    QCOMPARE(w->document().data.apparentResistivity[w->document().data.pointCount - 1], last);
  }

  // Runs ticked in the run list are overlaid on the plot, the one chosen is
  // in the Model table; the accurate engine's equivalence ranges go into it.
  void comparedRunsAndEquivalenceInTheTable() {
    Workspace w;
    QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
    w.Run(kCommandWorkspaceRun);
    w->document().engine.engine = EngineKind::kAccurate;
    w->modelTable().setCurrentCell(0, 1);
    // A three-layer model typed in, inverted with the accurate engine.
    for (int i = 0; i < 20 && w->modelTable().rowCount() > 3; ++i) w.Run(kCommandRemoveLayer);
    QCOMPARE(w->document().model.layerCount, 3);
    w.Run(kCommandInvertFromModel);
    QCOMPARE(w->document().runs.size(), size_t{2});
    QCOMPARE(w->modelTable().rowCount(), 3);

    w->runList().item(0)->setCheckState(Qt::Checked);
    QCOMPARE(w->soundingState().comparedRuns, std::vector<int>{0});
    w->workspaceView().repaint();
    QCOMPARE(w->workspaceView().layout().layers.size(), size_t{3});

    w.Run(kCommandEquivalenceInTable);
    QVERIFY(w->soundingState().uncertainty.has_value());
    QCOMPARE(w->soundingState().analysedRun, 1);
    const QString csv = w->modelTable().ToCsv();
    QVERIFY(csv.startsWith(
        QStringLiteral("Layer,Resistivity (ohm-m),Thickness (m),Depth to top (m),Resistivity "
                       "low,Resistivity high,Thickness low,Thickness high,S (siemens)")));

    w->runList().setCurrentRow(0);
    QCOMPARE(w->soundingState().shownRun, 0);
    QVERIFY(w->modelTable().rowCount() > 3);
  }

  // The workspace saved as a project and opened in a fresh window: the same
  // soundings, runs, leave-outs, edited model and analysis; a data file
  // gone is named and its sounding kept.
  void projectSavedAndOpenedAgainEqual() {
    const QString project = scratch_->filePath(QStringLiteral("survey.layra"));
    QString saved_json;
    {
      Workspace w;
      QVERIFY(w->OpenFile(Example(QStringLiteral("wenner.dat"))));
      w->dataTable().item(1, 1)->setCheckState(Qt::Checked);
      w.Run(kCommandWorkspaceRun);
      w->modelTable().item(0, 1)->setText(QStringLiteral("150"));
      QVERIFY(w->OpenFile(Example(QStringLiteral("schlumberger_two_levels.dat"))));
      w.dialogs.ThenChoose(project);
      w.Run(kCommandSaveProjectAs);
      QCOMPARE(w->projects().path(), project);
      QVERIFY(!w->workspace().modified());
      saved_json =
          QString::fromStdString(ProjectJson(w->workspace().project(), project.toStdString()));
    }
    Workspace w;
    QVERIFY(w->OpenFile(project));
    QCOMPARE(w->workspace().count(), 2);
    QCOMPARE(QString::fromStdString(ProjectJson(w->workspace().project(), project.toStdString())),
             saved_json);
    w->workspace().SetCurrent(0);
    QCOMPARE(w->document().excluded[1], 1);
    QVERIFY(w->soundingState().modelShown);
    QCOMPARE(w->document().model.resistivity[0], 150.0f);
    QCOMPARE(w->runList().count(), 1);
    QVERIFY(w->projects().recent().contains(project));

    QFile::remove(scratch_->filePath(QStringLiteral("wenner.dat")));
    Workspace missing;
    QVERIFY(missing->OpenFile(project));
    QCOMPARE(missing->workspace().count(), 2);
    QVERIFY(AnyMessageContains(missing.dialogs, QStringLiteral("wenner.dat does not exist")));
    QVERIFY(missing->workspace().Name(0).endsWith(QStringLiteral("(missing)")));
    QVERIFY(missing->workspace().at(1).document != nullptr);
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::WorkspaceTest)
#include "workspace_test.moc"
