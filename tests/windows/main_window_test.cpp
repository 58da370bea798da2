// The main window driven through its commands, with every dialog answered by
// a script: menus, mode rules, reading data, settings, both inversions, the
// child windows (one at a time) and the capture of the main window's picture.

#include "windows/main_window.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <string>

#include "fileio/model_file.h"
#include "fileio/synthetic_data.h"
#include "forward/forward_calculation.h"
#include "state/records.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/qt_canvas.h"
#include "windows/result_tables.h"
#include "windows/uncertainty_dialog.h"
#include "windows/user_model_dialog.h"

namespace layra::testing {
namespace {

const QString kModeMessage = QStringLiteral("Please press ESC or Q\nto exit the current mode");
const QString kNoDataMessage = QStringLiteral("You must first read in a data file.");
const QString kUserModelNotice = QStringLiteral(
    "The program will now invert the data\nset using the user supplied initial model.");
const QString kMessage = QStringLiteral("Message");
const QString kError = QStringLiteral("Error Message");

// Shows the window and answers its about box.
void ShowMain(MainWindow& window, ScriptedDialogs& dialogs, int width = 900, int height = 650) {
  dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
  window.move(40, 30);
  QVERIFY(ShowExposed(window, width, height));
  QTRY_COMPARE(window.lastCommand(), 0);
}

// Waits until the child window has shown its welcome message.
void WaitForWelcome(ScriptedDialogs& dialogs, int before) {
  QTRY_COMPARE(dialogs.messages.size(), before + 1);
  QVERIFY(dialogs.messages.last().text.startsWith(QStringLiteral("Welcome to")));
}

void Read(MainWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.RunCommand(kCommandReadData);
}

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> scratch_;

  // Copies a test data file into the scratch directory; returns its path.
  QString CopyData(const QString& name) {
    QString target = scratch_->filePath(name);
    QFile::remove(target);
    return QFile::copy(QStringLiteral(LAYRA_TEST_DATA "/") + name, target) ? target : QString();
  }
  // The response of the example model `name`, saved as a data file in the
  // scratch directory as the forward window's Save does; its path.
  QString ForwardModelled(const char* name) {
    auto model = std::make_unique<ForwardModel>();
    DiscardingSink quiet;
    const std::string data =
        scratch_->filePath(QString::fromLatin1(name) + QStringLiteral(".dat")).toStdString();
    if (ReadModelFile(std::string(LAYRA_EXAMPLES_DIR "/") + name, *model, quiet) != 0 ||
        !CalculateForwardResponse(*model, quiet) || !SaveForwardModel(*model, data)) {
      return QString();
    }
    return QString::fromStdString(data);
  }
  QStringList Files(const QStringList& patterns) const {
    return QDir(scratch_->path()).entryList(patterns);
  }

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
  }

  // The starting state, the about box on the first paint only, the menus, and the
  // inversions refused without data.
  void startsEmptyWithMenusAndTheAboutBox() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(!window.document().HasData());
    QCOMPARE(window.modeFlag(), 0);
    QCOMPARE(window.shell().dataDirectory, window.programDirectory());
    QCOMPARE(window.shell().resultsDirectory, window.programDirectory());
    QVERIFY(QString::fromStdString(window.programDirectory()).endsWith(QLatin1Char('/')));
    QCOMPARE(window.lastCommand(), -1);

    ShowMain(window, dialogs);
    QCOMPARE(dialogs.names, QStringList{QStringLiteral("AboutDiaBox")});
    QCOMPARE(window.windowTitle(), QStringLiteral("LAYRA ver. 1.00f Beta"));
    window.canvas().repaint();  // later paints do not show it again
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.names.size(), 1);

    // Without data both inversions are refused before any chooser opens.
    window.RunCommand(kCommandAutomaticInversion);
    window.RunCommand(kCommandUserModelInversion);
    QCOMPARE(dialogs.messages.size(), 2);
    for (const auto& message : dialogs.messages) {
      ExpectMessage(message, kNoDataMessage, kError, QMessageBox::Warning);
    }
    QCOMPARE(dialogs.names.size(), 1);

    ExpectActions(window,
                  {
                      {"command101", "&Read apparent resistivity data file"},
                      {"importFieldSheet", "&Import field sheet (CSV)..."},
                      {"command111", "&Damping factors"},
                      {"command112", "&Number of iterations"},
                      {"command113", "&Convergence limit"},
                      {"command114", "&Robust inversion..."},
                      {"command121", "&Automatic Inversion"},
                      {"command122", "&Invert with user model"},
                      {"command123", "&Equivalence analysis"},
                      {"command151", "&Exit program"},
                      {"command151quit", "&Quit program"},
                      {"command102", "&Carry out forward modelling"},
                      {"command131", "&Display Inversion Results"},
                      {"command201", "Save screen as &BMP file"},
                  });
    // A menu item runs its command.
    dialogs.ThenFill({{"edit760", "12"}}, "button1");
    window.findChild<QAction*>("command112")->trigger();
    QCOMPARE(window.document().settings.iterationLimit, 12);
    QCOMPARE(window.lastCommand(), 112);
    QCOMPARE(dialogs.unexpected, 0);
  }

  void settingsCommandsOpenTheirDialogsAndLimitTheIterations() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    // The iteration count is limited to 1..25.
    const QList<QPair<QString, int>> counts = {{"0", 1}, {"40", 25}};
    for (const auto& [entered, stored] : counts) {
      dialogs.ThenFill({{"edit760", entered}}, "button1");
      window.RunCommand(kCommandIterations);
      QVERIFY2(window.document().settings.iterationLimit == stored, qPrintable(entered));
      QCOMPARE(window.shell().dialogResult, 1);
    }
    window.document().settings.iterationLimit = 8;
    dialogs.ThenFill({{"edit755", "5"}, {"edit756", "0.05"}}, "button1");
    window.RunCommand(kCommandDampingFactors);
    dialogs.ThenFill({{"edit770", "150"}}, "button1");
    window.RunCommand(kCommandConvergenceLimit);
    dialogs.Then([](QDialog& dialog) {
      Click(dialog, "radio1435");
      Click(dialog, "button1");
    });
    window.RunCommand(kCommandRobustInversion);
    QCOMPARE(dialogs.names.mid(counts.size()),
             (QStringList{"DampDiaBox", "ClmDiaBox", "DataConstrainDiaBox"}));
    const InversionSettings& settings = window.document().settings;
    QCOMPARE(settings.initialDampingFactor, 1.0f);
    QCOMPARE(settings.convergenceLimit, 1.0f);
    QCOMPARE(settings.modelConstraint, 1);
    QCOMPARE(settings.minimumDampingFactor, 0.01f);  // lowered from 0.05 by the robust rule
    // A cancelled dialog keeps the settings and records 2.
    window.RunCommand(kCommandIterations);
    QCOMPARE(window.shell().dialogResult, 2);
    QCOMPARE(window.document().settings.iterationLimit, 8);
  }

  void readingADataFileListsItAndKeepsItsDirectory() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    ShowMain(window, dialogs, 1000, 900);
    QString path = CopyData("windows_wenner.dat");
    QString start;
    QStringList filters;
    dialogs.Then([&](QDialog& dialog) {
      start = StartDirectory(dialog);
      filters = static_cast<QFileDialog&>(dialog).nameFilters();
      ChooseFile(dialog, path);
    });
    window.document().thicknessFactor = 2.0f;
    window.RunCommand(kCommandReadData);
    QCOMPARE(dialogs.titles.last(), QStringLiteral("1D Resistivity Data File"));
    QCOMPARE(start, QDir(QString::fromStdString(window.programDirectory())).absolutePath() + "/");
    QCOMPARE(filters.first(), QStringLiteral("*.dat (*.dat)"));
    const ShellState& shell = window.shell();
    QCOMPARE(shell.lastReadResult, 0);
    QVERIFY(window.document().HasData());
    QCOMPARE(window.document().data.pointCount, 8);
    QCOMPARE(window.document().data.title, std::string("Test sounding for the desktop program"));
    QCOMPARE(window.document().thicknessFactor, 1.25f);
    QCOMPARE(QString::fromStdString(window.document().data.dataFileName),
             QDir::toNativeSeparators(path));
    // The data file's directory is where the next chooser starts (see the host test).
    QString directory = QDir::toNativeSeparators(scratch_->path() + "/");
    QCOMPARE(QString::fromStdString(shell.dataDirectory), directory);
    QCOMPARE(QString::fromStdString(shell.resultsDirectory), directory);
    // The listing goes to its own view, a line or more per point, not the plot.
    QVERIFY(window.listing().document()->blockCount() >= 8);
    QVERIFY(window.listing().toPlainText().contains(QStringLiteral("completed")));
    QCOMPARE(NonWhite(window.canvas()), 0);

    // A cancelled chooser changes nothing.
    std::string data_directory = shell.dataDirectory;
    dialogs.ThenReject();
    window.RunCommand(kCommandReadData);
    QCOMPARE(window.document().data.pointCount, 8);
    QCOMPARE(shell.dataDirectory, data_directory);
    // A file that cannot be read leaves no data, and the inversions see none.
    QString empty = scratch_->filePath("empty.dat");
    QVERIFY(WriteBytes(empty, QByteArray()));
    Read(window, dialogs, empty);
    QCOMPARE(shell.lastReadResult, 1);
    QVERIFY(!window.document().HasData());
    const int messages = dialogs.messages.size();
    window.RunCommand(kCommandAutomaticInversion);
    QCOMPARE(dialogs.messages.size(), messages + 1);
    QCOMPARE(dialogs.messages.last().text, kNoDataMessage);
    QCOMPARE(dialogs.unexpected, 0);
  }

  // A sheet is read as a data set, saved where
  // the user says; never over the sheet; kept unsaved under the sheet's name
  // when the save is cancelled; and a bad sheet changes nothing.
  void fieldSheetIsReadAsADataSetAndOfferedForSaving() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    const QString sheet = scratch_->filePath("station7.csv");
    const QByteArray readings =
        "a (m);V [mV];I [mA]\n1;159.2;10\n2;71.6;10\n3;42.4;10\n"
        "5;23.9;10\n8;14.3;10\n13;8.6;10\n";
    QVERIFY(WriteBytes(sheet, readings));
    const QString saved = scratch_->filePath("saved.dat");
    dialogs.ThenChoose(sheet);
    dialogs.ThenChoose(sheet);  // over the sheet itself: "Yes" to replacing it, still refused
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    dialogs.ThenChoose(saved);
    window.RunCommand(kCommandImportFieldSheet);
    QVERIFY(AnyMessageContains(dialogs, "would replace the field sheet"));
    QCOMPARE(FileBytes(sheet), readings);
    QVERIFY(QFile::exists(saved));
    QCOMPARE(window.document().data.pointCount, 6);  // the sheet's parsing is the survey tests'
    QCOMPARE(window.document().data.dataFileName, saved.toStdString());

    dialogs.ThenChoose(sheet);
    dialogs.ThenReject();
    window.RunCommand(kCommandImportFieldSheet);
    QVERIFY(window.document().HasData());
    QCOMPARE(window.document().data.dataFileName, scratch_->filePath("station7.dat").toStdString());
    QVERIFY(!QFile::exists(scratch_->filePath("station7.dat")));
    const QString listing = window.listing().toPlainText();
    QVERIFY(listing.contains(QStringLiteral("not saved")));
    QVERIFY2(listing.contains(sheet + QStringLiteral(" completed")), qPrintable(listing));

    const QString bad = scratch_->filePath("bad.csv");
    QVERIFY(WriteBytes(bad, "a,rho_a\n1,100\n2,x\n"));
    dialogs.ThenChoose(bad);
    const int messages = dialogs.messages.size();
    window.RunCommand(kCommandImportFieldSheet);
    QCOMPARE(dialogs.messages.size(), messages + 1);
    QCOMPARE(window.document().data.pointCount, 6);
    QCOMPARE(dialogs.unexpected, 0);
  }

  void automaticInversionWritesResultsAndPlots() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 1000, 700));
    Read(window, dialogs, CopyData("windows_wenner.dat"));
    QString results = scratch_->filePath("windows_wenner.INV");
    QString offered;
    dialogs.Then([&](QDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("File Name for Inversion Results"));
      offered = Offered(dialog);
      ChooseFile(dialog, results);
    });
    window.document().settings.iterationLimit = 3;
    window.RunCommand(kCommandAutomaticInversion);
    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("windows_wenner.INV"));
    QVERIFY(QFileInfo(results).size() > 0);
    QVERIFY(window.shownRun() != nullptr);
    QVERIFY(window.shownRun()->outcome.lastIteration >= 1);
    QVERIFY(NonWhite(window.canvas()) > 2000);  // the last plot stays on the window
    QVERIFY(!window.commandRunning());
    QVERIFY(window.menuBar()->isEnabled());
  }

  // A model in the data file is inverted directly; Equivalence analysis is
  // refused before a run and after a run of the documented engine, and after
  // an accurate run shows the table and draws the acceptable models in grey.
  void userModelFromDataFileAndEquivalenceAnalysis() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    ShowMain(window, dialogs);
    Read(window, dialogs, CopyData("windows_wenner_model.dat"));
    QCOMPARE(window.document().userModelAvailable, 1);
    window.RunCommand(kCommandEquivalenceAnalysis);
    window.document().settings.dataConstraint = 1;
    window.document().settings.modelConstraint = 1;
    QString results = scratch_->filePath("documented.INV");
    dialogs.ThenChoose(results);
    window.RunCommand(kCommandUserModelInversion);
    // No automatic run, no model dialog, no message: straight to the inversion.
    QVERIFY(!dialogs.names.contains(QStringLiteral("UserModelDiaBox")));
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(QFileInfo(results).size() > 0);
    QCOMPARE(window.shownRun()->outcome.model.layerCount, 3);
    QCOMPARE(window.document().settings.dataConstraint, 1);
    QCOMPARE(window.document().settings.modelConstraint, 1);
    QVERIFY(Files({"*.INx"}).isEmpty());

    window.RunCommand(kCommandEquivalenceAnalysis);
    QCOMPARE(dialogs.messages.size(), 2);
    QVERIFY(dialogs.messages[0].text.startsWith(QStringLiteral("Run an inversion first")));
    QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("accurate engine")));
    window.document().settings.dataConstraint = 0;
    window.document().settings.modelConstraint = 0;
    window.document().engine.engine = EngineKind::kAccurate;
    dialogs.ThenChoose(scratch_->filePath("accurate.INV"));
    window.RunCommand(kCommandUserModelInversion);
    QString table;
    dialogs.Then([&](QDialog& dialog) {
      table = static_cast<UncertaintyDialog&>(dialog).text();
      dialog.reject();
    });
    window.RunCommand(kCommandEquivalenceAnalysis);
    QCOMPARE(dialogs.messages.size(), 2);
    QVERIFY(table.contains(QStringLiteral("Equivalence analysis")));
    QVERIFY(table.contains(QStringLiteral("\nrho3 ")));
    int grey = 0;
    const QtCanvas& canvas = window.canvas();
    for (int y = 0; y < canvas.Height(); y += 2) {
      for (int x = 0; x < canvas.Width(); ++x) grey += canvas.GetPixel(x, y) == Rgb{170, 170, 170};
    }
    QVERIFY(grey > 20);
  }

  void userModelWithBadValuesIsRejectedAndAGoodOneInverted() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    Read(window, dialogs, CopyData("windows_wenner.dat"));
    LayeredModel automatic;  // the working model as the automatic run left it
    bool picture_drawn = false;
    QString offered_count;
    bool picture_follows = false;
    dialogs.Then([&](QDialog& dialog) {
      automatic = window.document().LastRun()->outcome.model;
      picture_drawn = NonWhite(static_cast<UserModelDiaBox&>(dialog).picture()) > 500;
      offered_count = EditText(dialog, "edit1001");
      // The picture follows a value typed: ten times layer 1's resistivity.
      const QImage opened = static_cast<UserModelDiaBox&>(dialog).picture().image();
      QTest::keyClicks(dialog.findChild<QLineEdit*>("edit1002"), "0");
      picture_follows = static_cast<UserModelDiaBox&>(dialog).picture().image() != opened;
      // A negative thickness.
      for (const auto& [name, text] : NumberedEdits(1001, {"3", "100", "-2", "20", "10", "50"})) {
        SetEdit(dialog, name, text);
      }
      Click(dialog, "button1021");
    });
    window.RunCommand(kCommandUserModelInversion);
    QVERIFY(picture_drawn);  // the fields start from the automatic run's model
    QVERIFY(picture_follows);
    QCOMPARE(offered_count, QStringLiteral("4"));
    QCOMPARE(dialogs.messages.last().caption, kError);
    // The rejected model did not become the working model.
    QCOMPARE(window.document().model.layerCount, 0);
    QVERIFY(automatic.layerCount > 4);
    QVERIFY(Files({"*.INV"}).isEmpty());

    // A good model of nine layers, the most the dialog takes, is inverted.
    window.document().settings.iterationLimit = 1;
    window.document().settings.dataConstraint = 1;
    window.document().settings.modelConstraint = 1;
    QStringList values{"9"};
    for (int i = 0; i < 8; ++i) values << QString::number(10 + i) << QString::number(i + 1);
    dialogs.ThenFill(NumberedEdits(1001, values << "99"), "button1021");
    QString results = scratch_->filePath("user.INV");
    dialogs.ThenChoose(results);
    const int before = dialogs.messages.size();
    window.RunCommand(kCommandUserModelInversion);
    QCOMPARE(dialogs.messages.size(), before + 2);
    QCOMPARE(dialogs.messages.last().text, kUserModelNotice);
    QCOMPARE(dialogs.messages.last().caption, kMessage);
    QVERIFY(QFileInfo(results).size() > 0);
    QCOMPARE(window.shownRun()->outcome.model.layerCount, 9);
    QCOMPARE(window.document().model.layerCount, 9);
    QCOMPARE(window.document().settings.iterationLimit, 8);
    // The automatic run before the dialog resets the data constraint to
    // standard; that is the kind saved and restored around the user-model run.
    QCOMPARE(window.document().settings.dataConstraint, 0);
    QCOMPARE(window.document().settings.modelConstraint, 1);
    QVERIFY(Files({"*.INx"}).isEmpty());
    QCOMPARE(dialogs.names.count(QStringLiteral("UserModelDiaBox")), 2);
  }

  // One spacing only: the silent automatic run stops with its message; the
  // user can still enter a model, over an empty picture.
  void userModelDialogComesEvenWhenTheAutomaticRunFails() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    Read(window, dialogs, CopyData("windows_equal_spacings.dat"));
    QVERIFY(window.document().HasData());
    int non_white = -1;
    dialogs.Then([&](QDialog& dialog) {
      non_white = NonWhite(static_cast<UserModelDiaBox&>(dialog).picture());
      Click(dialog, "button1022");
    });
    window.RunCommand(kCommandUserModelInversion);
    QCOMPARE(non_white, 0);
    QVERIFY(dialogs.messages.size() >= 2);
    QVERIFY(dialogs.messages[1].text.contains(QStringLiteral("at least 2 layers")));
    QCOMPARE(dialogs.names.count(QStringLiteral("UserModelDiaBox")), 1);
    QVERIFY(Files({"*.INx", "*.INV"}).isEmpty());
  }

  // At the iteration limit the user closes the main window, then asks for
  // five more iterations: the run stops after its current iteration, asks
  // nothing more, keeps its results file, and the window closes when it has
  // ended.
  void closingDuringARunWaitsForItsEnd() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 600, 400));
    Read(window, dialogs, CopyData("windows_wenner.dat"));
    QString results = scratch_->filePath("closing.INV");
    dialogs.ThenChoose(results);
    window.document().settings.iterationLimit = 1;
    window.document().settings.convergenceLimit = 0.0001f;
    bool visible_after_close = false;
    dialogs.Then([&](QDialog& dialog) {
      QCOMPARE(dialog.objectName(), QStringLiteral("IterDiaBox"));
      window.close();
      visible_after_close = window.isVisible();
      SetEdit(dialog, "edit761", "5");
      Click(dialog, "button1");
    });
    window.RunCommand(kCommandAutomaticInversion);
    QVERIFY(visible_after_close);
    QVERIFY(!window.isVisible());
    QCOMPARE(dialogs.pendingActions(), 0);
    QCOMPARE(dialogs.names.count(QStringLiteral("IterDiaBox")), 1);
    QVERIFY(QFileInfo(results).size() > 0);
    QCOMPARE(dialogs.unexpected, 0);
  }

  // A results file that cannot be created is asked for again (Yes) or the
  // run is left (No) before it writes or shows anything; the data file is
  // never taken for one.
  void resultsFileIsAskedForAgainOrTheRunIsLeft() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    const QString data = CopyData("windows_wenner.dat");
    Read(window, dialogs, data);
    window.document().settings.iterationLimit = 1;
    const QString results = scratch_->filePath("again.INV");
    dialogs.ThenChoose(scratch_->filePath("missing/x.INV"));
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    dialogs.ThenChoose(data);
    dialogs.AnswerNextMessage(QMessageBox::Yes);  // replace the data file? yes
    dialogs.AnswerNextMessage(QMessageBox::Yes);  // is the data file: try again? yes
    dialogs.ThenChoose(results);
    dialogs.ThenFill({{"edit761", "0"}}, "button1");  // no more iterations
    window.RunCommand(kCommandAutomaticInversion);
    QVERIFY(window.shownRun() != nullptr);
    QCOMPARE(window.shownRun()->outcome.resultsFile, results.toStdString());
    QStringList captions;
    for (const auto& message : dialogs.messages) captions << message.caption;
    QCOMPARE(captions.count(QStringLiteral("Try again")), 2);
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("is the data file")));

    const QByteArray written = FileBytes(results);
    const int runs = static_cast<int>(window.document().runs.size());
    dialogs.ThenChoose(scratch_->filePath("missing/y.INV"));  // No: the run is left
    window.RunCommand(kCommandAutomaticInversion);
    QCOMPARE(static_cast<int>(window.document().runs.size()), runs);
    QCOMPARE(FileBytes(results), written);
    QVERIFY(Files({"*.INx"}).isEmpty());
    QCOMPARE(dialogs.unexpected, 0);
  }

  // What one window shows of a sounding does not depend on the sounding read
  // before: an IP and then a SIP sounding (both forward-modelled) inverted
  // with the accurate engine give the SIP fit of a fresh window, and a
  // Wenner file read after a Schlumberger file with a shifted datum level is
  // warned of no datum level.
  void twoSoundingsInOneWindowShowWhatAFreshWindowShows() {
    const QString ip = ForwardModelled("ip_model.mod");
    const QString sip = ForwardModelled("sip_model.mod");
    QVERIFY(!ip.isEmpty() && !sip.isEmpty());
    int runs = 0;
    auto invert = [&](MainWindow& window, ScriptedDialogs& dialogs, const QString& data) {
      Read(window, dialogs, data);
      dialogs.ThenChoose(scratch_->filePath(QStringLiteral("run%1.INV").arg(++runs)));
      window.RunCommand(kCommandAutomaticInversion);
      QVERIFY(window.shownRun() != nullptr);
    };
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    window.document().engine.engine = EngineKind::kAccurate;
    invert(window, dialogs, ip);
    invert(window, dialogs, sip);
    ScriptedDialogs fresh_dialogs;
    MainWindow fresh(&fresh_dialogs);
    fresh.document().engine.engine = EngineKind::kAccurate;
    invert(fresh, fresh_dialogs, sip);
    const InversionOutcome& second = window.shownRun()->outcome;
    const InversionOutcome& alone = fresh.shownRun()->outcome;
    QCOMPARE(second.model.layerCount, alone.model.layerCount);
    float lowest = alone.model.chargeability[0], highest = lowest;
    for (int j = 0; j < alone.model.layerCount; ++j) {
      QCOMPARE(second.model.chargeability[j], alone.model.chargeability[j]);
      QCOMPARE(second.model.timeConstant[j], alone.model.timeConstant[j]);
      QCOMPARE(second.model.exponent[j], alone.model.exponent[j]);
      lowest = std::min(lowest, alone.model.chargeability[j]);
      highest = std::max(highest, alone.model.chargeability[j]);
    }
    QVERIFY2(highest > 5 * lowest, "the layers' chargeabilities are fitted, not all alike");
    QCOMPARE(second.finalSipMisfit, alone.finalSipMisfit);
    QCOMPARE(dialogs.unexpected, 0);

    Read(window, dialogs, CopyData("windows_shifted_levels.dat"));
    QVERIFY(window.listing().toPlainText().contains(QStringLiteral("Warning: Datum level 2")));
    Read(window, dialogs, CopyData("windows_wenner.dat"));
    QVERIFY(!window.listing().toPlainText().contains(QStringLiteral("Datum level")));
    QCOMPARE(window.document().data.datumLevelCount, 0);
    QVERIFY(window.document().data.warnings.empty());
    QVERIFY(window.shownRun() == nullptr);
    QCOMPARE(window.modelTable().rowCount(), 0);
    QVERIFY(window.statusText().startsWith(QStringLiteral("Data: windows_wenner.dat")));
  }

  // The forward window refuses or ignores commands while open, and a capture
  // then takes the main window's picture; once it has gone the display window
  // opens, refuses the forward window, and closes with Escape, after which the
  // commands work again; closing the main window closes its child.
  void childWindowsOpenOneAtATime() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    ShowMain(window, dialogs);
    QString data = scratch_->filePath("survey.dat");
    QVERIFY(QFile::copy(QStringLiteral(LAYRA_TEST_DATA "/windows_wenner.dat"), data));
    Read(window, dialogs, data);
    QVERIFY(window.document().HasData());
    const std::string data_name = window.document().data.dataFileName;
    window.canvas().SetPixel(20, 20, kRed);
    window.RunCommand(kCommandForwardModelling);
    QCOMPARE(window.canvas().GetPixel(20, 20), kWhite);  // cleared before the child opens
    QPointer<ForwardWindow> forward = qobject_cast<ForwardWindow*>(window.childWindow());
    QVERIFY(forward != nullptr);
    QCOMPARE(forward->windowTitle(),
             QStringLiteral("LAYRA ver. 1.00f Beta- Forward Modelling Window"));
    QCOMPARE(forward->geometry(), window.geometry());
    QVERIFY(forward->isVisible());
    QCOMPARE(window.modeFlag(), 1);
    WaitForWelcome(dialogs, 0);

    const int names = dialogs.names.size();
    for (int id : {101, 121, 122}) {
      window.RunCommand(id);  // ignored: no chooser, no message
      QCOMPARE(window.lastCommand(), id);
    }
    QCOMPARE(dialogs.messages.size(), 1);
    for (int id : {131, 102, 111}) {
      window.RunCommand(id);
      ExpectMessage(dialogs.messages.last(), kModeMessage, kMessage, QMessageBox::Warning);
    }
    QCOMPARE(dialogs.messages.size(), 4);
    QCOMPARE(dialogs.names.size(), names);  // no chooser, no settings dialog
    QCOMPARE(window.findChildren<DisplayWindow*>().size(), 0);

    // Different pictures on the two windows: the capture takes the main one,
    // in the documented layout its canvas as drawn.
    window.RunCommand(kCommandDocumentedLayout);
    QVERIFY(window.documentedLayout());
    window.canvas().SetPixel(5, 5, kRed);
    forward->canvas().SetPixel(5, 5, kBlue);
    QString offered;
    QString chosen = scratch_->filePath("main.bmp");
    dialogs.Then([&](QDialog& dialog) {
      offered = Offered(dialog);
      ChooseFile(dialog, chosen);
    });
    window.RunCommand(kCommandSaveScreen);
    QCOMPARE(offered, scratch_->filePath("survey.bmp"));
    QImage saved(chosen);
    QCOMPARE(saved.size(), window.canvas().size());
    QCOMPARE(saved.pixelColor(5, 5), QColor(Qt::red));
    QCOMPARE(window.canvas().GetPixel(5, 5), kRed);  // the picture comes back
    QCOMPARE(forward->canvas().GetPixel(5, 5), kBlue);
    // The data file is still the one the next inversion starts from.
    QCOMPARE(window.document().data.dataFileName, data_name);
    QCOMPARE(window.modeFlag(), 1);

    forward->findChild<QAction*>("command510")->trigger();
    QCOMPARE(window.modeFlag(), 0);
    QTRY_VERIFY(forward.isNull());
    QVERIFY(window.childWindow() == nullptr);
    const int messages = dialogs.messages.size();
    window.RunCommand(kCommandDisplayResults);
    QPointer<DisplayWindow> display = qobject_cast<DisplayWindow*>(window.childWindow());
    QVERIFY(display != nullptr);
    QCOMPARE(display->windowTitle(),
             QStringLiteral("LAYRA ver. 1.00f Beta- Display Inversion Results Window"));
    QCOMPARE(window.modeFlag(), 1);
    WaitForWelcome(dialogs, messages);
    window.RunCommand(kCommandForwardModelling);
    QCOMPARE(dialogs.messages.last().text, kModeMessage);
    QCOMPARE(window.findChildren<ForwardWindow*>().size(), 0);
    QTest::keyClick(display, Qt::Key_Escape);
    QCOMPARE(window.modeFlag(), 0);
    QTRY_VERIFY(display.isNull());
    dialogs.ThenFill({}, "button2");
    window.RunCommand(kCommandIterations);
    QCOMPARE(dialogs.names.last(), QStringLiteral("NitDiaBox"));
    QCOMPARE(dialogs.unexpected, 0);

    window.RunCommand(kCommandDisplayResults);
    display = qobject_cast<DisplayWindow*>(window.childWindow());
    QVERIFY(!display.isNull());
    window.RunCommand(kCommandExit);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.modeFlag(), 0);
    QTRY_VERIFY(display.isNull());
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::MainWindowTest)
#include "main_window_test.moc"
