// The results display window driven through its commands and keys, with
// every dialog answered by a script: reading a results file, choosing and
// stepping through iterations, refusals, capacity, capture and closing.

#include "windows/display_window.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "fileio/results_file.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"

namespace layra::testing {
namespace {

constexpr int kPoints = 8;
constexpr int kLayers = 3;

// What iteration k of the written files holds, so that every iteration can
// be told from every other.
float LayerResistivity(int layer, int k) { return 10.0f * (k + 1) + layer; }
float LayerThickness(int layer, int k) { return 1.0f + k + 0.5f * layer; }
float Observed(int point) { return 100.0f + 7.0f * point; }
float Calculated(int point, int k) { return Observed(point) * (1.0f + 0.01f * (k + 1)); }
float Misfit(int k) { return 0.2f / (k + 1); }

// Writes a Wenner results file with `iterations` iteration blocks after the
// initial model.
bool WriteResults(const QString& path, int iterations) {
  QFile::remove(path);
  if (!WriteBytes(path, QByteArray())) return false;
  const float spacings[] = {1, 2, 3, 5, 8, 13, 20, 30, 45, 60};
  float observed[kPoints];
  for (int p = 0; p < kPoints; ++p) observed[p] = Observed(p);
  InversionSettings settings;
  for (int k = 0; k <= iterations; ++k) {
    float rho[kLayers], thickness[kLayers], calculated[kPoints];
    for (int i = 0; i < kLayers; ++i) {
      rho[i] = LayerResistivity(i, k);
      thickness[i] = LayerThickness(i, k);
    }
    for (int p = 0; p < kPoints; ++p) calculated[p] = Calculated(p, k);
    if (!AppendResults(0,
                       DataKind::kResistivity,
                       0,
                       0,
                       ArrayType::kWenner,
                       path.toStdString(),
                       k,
                       kLayers,
                       kPoints,
                       thickness,
                       rho,
                       calculated,
                       observed,
                       nullptr,
                       spacings,
                       nullptr,
                       Misfit(k),
                       "Display window test sounding",
                       settings)) {
      return false;
    }
  }
  return true;
}

void Read(DisplayWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.DisplayWndProc(kDisplayReadResults);
}

// Command 310 answering ChooseIterBox with `entered` and `button`.
void Show(DisplayWindow& window,
          ScriptedDialogs& dialogs,
          const QString& entered,
          const char* button = "button1") {
  dialogs.ThenFill({{"edit860", entered}}, button);
  window.DisplayWndProc(kDisplayModel);
}

// Shows the window and waits for its welcome.
void Open(DisplayWindow& window, ScriptedDialogs& dialogs, int width = 900) {
  QVERIFY(ShowExposed(window, width, width * 7 / 9));
  QTRY_COMPARE(dialogs.messages.size(), 1);
}

// Checks that iteration k is the current one, with its values.
void ExpectIteration(const DisplayWindow& window, int k) {
  QCOMPARE(window.currentIteration(), k);
  for (int i = 0; i < kLayers; ++i) {
    QCOMPARE(window.currentResistivity()[i], LayerResistivity(i, k));
  }
  for (int i = 0; i + 1 < kLayers; ++i) {
    QCOMPARE(window.currentThickness()[i], LayerThickness(i, k));
  }
  for (int p = 0; p < kPoints; ++p) {
    QVERIFY(qAbs(window.currentCalculated()[p] / Calculated(p, k) - 1.0f) < 1e-4f);
  }
  QVERIFY(qAbs(window.currentMisfit() - Misfit(k)) < 1e-4f);
}

class DisplayWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> scratch_;
  ShellState program_;

  QString Results(const QString& name, int iterations) {
    QString path = scratch_->filePath(name);
    return WriteResults(path, iterations) ? path : QString();
  }

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
    program_ = ShellState();
    program_.dataDirectory = scratch_->path().toStdString() + "/";
  }

  // The welcome, the menu, display refused without results, and Q closes the
  // window (Escape: see the main window test).
  void welcomeMenuRefusalsAndQ() {
    ScriptedDialogs dialogs;
    int mode_flag = 0;
    QPointer<DisplayWindow> window =
        new DisplayWindow(program_, dialogs, [&mode_flag](int flag) { mode_flag = flag; });
    Open(*window, dialogs);
    ExpectMessage(dialogs.messages[0],
                  QStringLiteral("Welcome to Display Window.\nAfter completing your job, please "
                                 "click\nExit to return to the Main Menu."),
                  QStringLiteral("Message"),
                  QMessageBox::Information);
    QCOMPARE(mode_flag, 1);
    ExpectActions(*window,
                  {
                      {"command300", "&Read resistivity inversion results file"},
                      {"command310", "&Display model"},
                      {"command321", "Save screen as &BMP file"},
                      {"command350", "&Quit Display Window"},
                      {"command350quit", "&Quit Display Window"},
                  });
    window->findChild<QAction*>("command310")->trigger();
    QCOMPARE(dialogs.messages.size(), 2);
    ExpectMessage(dialogs.messages[1],
                  QStringLiteral("You need to read in a file\nwith the inversion results!"),
                  QStringLiteral("Message"),
                  QMessageBox::Warning);
    QVERIFY(dialogs.names.isEmpty());  // no ChooseIterBox
    // A file with the initial model only has no iteration to show either.
    Read(*window, dialogs, Results("initial.INV", 0));
    QCOMPARE(window->iterationCount(), 0);
    window->DisplayWndProc(kDisplayModel);
    QCOMPARE(dialogs.messages.size(), 3);
    QCOMPARE(dialogs.unexpected, 0);
    QTest::keyClick(window, Qt::Key_Q);
    QCOMPARE(mode_flag, 0);
    QTRY_VERIFY(window.isNull());
  }

  void chosenIterationIsClampedAndPlotted() {
    ScriptedDialogs dialogs;
    DisplayWindow window(program_, dialogs, nullptr);
    Open(window, dialogs);
    Read(window, dialogs, Results("six.INV", 6));
    QString count;
    QString shown;
    dialogs.Then([&](QDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose iteration number"));
      count = dialog.findChild<QLabel*>("static859")->text();
      shown = EditText(dialog, "edit860");
      SetEdit(dialog, "edit860", "99");
      Click(dialog, "button1");
    });
    window.DisplayWndProc(kDisplayModel);
    QCOMPARE(count, QStringLiteral("Your data set has 6 iterations."));
    QCOMPARE(shown, QStringLiteral("6"));
    QCOMPARE(window.currentIteration(), 6);
    QVERIFY(NonWhite(window.canvas()) > 2000);
    // The chosen iteration's values are the ones plotted.
    Show(window, dialogs, QStringLiteral("2"));
    ExpectIteration(window, 2);
    // A cancelled choice keeps the current iteration, plotted again.
    window.canvas().Clear();
    Show(window, dialogs, QStringLiteral("5"), "button2");
    ExpectIteration(window, 2);
    QVERIFY(NonWhite(window.canvas()) > 2000);
    QCOMPARE(dialogs.unexpected, 0);
  }

  void pageKeysStopAtBothEnds() {
    ScriptedDialogs dialogs;
    DisplayWindow window(program_, dialogs, nullptr);
    Open(window, dialogs);
    // Without layers and points the keys do nothing.
    QTest::keyClick(&window, Qt::Key_PageDown);
    QTest::keyClick(&window, Qt::Key_R);
    QCOMPARE(window.currentIteration(), 0);
    QCOMPARE(NonWhite(window.canvas()), 0);
    QCOMPARE(dialogs.messages.size(), 1);
    Read(window, dialogs, Results("six.INV", 6));
    QTest::keyClick(&window, Qt::Key_PageDown);  // at N it stays at N
    ExpectIteration(window, 6);
    QVERIFY(NonWhite(window.canvas()) > 2000);
    QTest::keyClick(&window, Qt::Key_PageUp);
    ExpectIteration(window, 5);
    Show(window, dialogs, QStringLiteral("0"));
    QTest::keyClick(&window, Qt::Key_PageUp);  // at 0 it stays at 0
    QCOMPARE(window.currentIteration(), 0);
    QTest::keyClick(&window, Qt::Key_PageDown);
    ExpectIteration(window, 1);
    window.canvas().Clear();
    QTest::keyClick(&window, Qt::Key_R);  // draws the same iteration again
    QCOMPARE(window.currentIteration(), 1);
    QVERIFY(NonWhite(window.canvas()) > 2000);
    QCOMPARE(dialogs.names.count(QStringLiteral("ChooseIterBox")), 1);
  }

  void readMakesTheLastIterationCurrentAndRefusedReadKeepsIt() {
    ScriptedDialogs dialogs;
    DisplayWindow window(program_, dialogs, nullptr);
    QString path = Results("six.INV", 6);
    QStringList filters;
    dialogs.Then([&](QDialog& dialog) {
      filters = static_cast<QFileDialog&>(dialog).nameFilters();
      ChooseFile(dialog, path);
    });
    window.DisplayWndProc(kDisplayReadResults);
    QCOMPARE(dialogs.titles.last(), QStringLiteral("1D Resistivity Inversion Model File"));
    QCOMPARE(filters.first(), QStringLiteral("*.inv (*.inv)"));
    QCOMPARE(window.iterationCount(), 6);
    QCOMPARE(window.currentIteration(), 6);
    QCOMPARE(window.pointCount(), kPoints);
    QCOMPARE(window.layerCount(), kLayers);
    QCOMPARE(QString::fromStdString(window.fileName()), QDir::toNativeSeparators(path));
    // A refused read keeps the iterations and drops the points.
    Show(window, dialogs, QStringLiteral("4"));
    QString bad = scratch_->filePath("bad.INV");
    QVERIFY(WriteBytes(bad, "short\n"));
    Read(window, dialogs, bad);
    QCOMPARE(window.iterationCount(), 6);
    QCOMPARE(window.pointCount(), 0);
    QTest::keyClick(&window, Qt::Key_PageUp);  // no points: the keys do nothing
    QCOMPARE(window.currentIteration(), 4);
    // The iterations of the file read before are intact.
    Show(window, dialogs, QStringLiteral("5"));
    QCOMPARE(window.currentResistivity()[0], LayerResistivity(0, 5));
  }

  void iterationsBeyondCapacityAreReported() {
    ScriptedDialogs dialogs;
    DisplayWindow window(program_, dialogs, nullptr);
    Read(window, dialogs, Results("long.INV", kResultsColumns + 1));
    QCOMPARE(window.iterationCount(), kResultsColumns - 1);
    QCOMPARE(window.currentIteration(), kResultsColumns - 1);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             QStringLiteral("The results file holds 2 more iterations than can be shown.\n"
                            "Iterations 0 to 25 are shown."));
    QCOMPARE(window.currentResistivity()[0], 0.0f);  // not copied before a choice
    Show(window, dialogs, QStringLiteral("30"));
    QCOMPARE(window.currentIteration(), 25);
    QCOMPARE(window.currentResistivity()[0], LayerResistivity(0, 25));
  }

  void captureSavesThePlotAndShowsItAgain() {
    ScriptedDialogs dialogs;
    DisplayWindow window(program_, dialogs, nullptr);
    Open(window, dialogs, 700);
    Read(window, dialogs, Results("survey.INV", 3));
    Show(window, dialogs, QStringLiteral("3"));
    QString offered;
    QString chosen = scratch_->filePath("picture.bmp");
    dialogs.Then([&](QDialog& dialog) {
      offered = Offered(dialog);
      ChooseFile(dialog, chosen);
    });
    window.DisplayWndProc(kDisplaySaveScreen);
    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("survey.bmp"));
    QCOMPARE(QString::fromStdString(window.fileName()), QDir::toNativeSeparators(chosen));
    QVERIFY(NonWhite(window.canvas()) > 2000);  // the plot comes back
    // The plot area is saved, not the whole window.
    QCOMPARE(QImage(chosen).size(), window.canvas().size());
    QCOMPARE(dialogs.unexpected, 0);
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::DisplayWindowTest)
#include "display_window_test.moc"
