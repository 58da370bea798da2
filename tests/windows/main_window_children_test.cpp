// The main window's commands that hand the screen to a child window or save
// its picture: one child window at a time, the mode rules while one is open,
// and the capture of the main window's own picture.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/windows/scripted_dialogs.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/main_window.h"
#include "windows/qt_canvas.h"

namespace layra {
namespace {

using testing::ChooseFile;
using testing::Click;
using testing::ScriptedDialogs;

const QString kModeMessage = QStringLiteral("Please press ESC or Q\nto exit the current mode");
const QString kForwardTitle = QStringLiteral("LAYRA ver. 1.00f Beta- Forward Modelling Window");
const QString kDisplayTitle =
    QStringLiteral("LAYRA ver. 1.00f Beta- Display Inversion Results Window");

class MainWindowChildrenTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void forwardWindowOpenRefusesOrIgnoresCommands();
  void displayWindowOpensOnceTheForwardWindowHasGone();
  void captureWorksInModeAndTakesTheMainWindow();
  void closingTheMainWindowClosesTheChild();

 private:
  // Shows the window and answers its about box.
  static void ShowMain(MainWindow& window, ScriptedDialogs& dialogs);
  // Waits until the child window has shown its welcome message.
  static void WaitForWelcome(ScriptedDialogs& dialogs, int before);

  std::unique_ptr<QTemporaryDir> scratch_;
};

void MainWindowChildrenTest::init() {
  scratch_ = std::make_unique<QTemporaryDir>();
  QVERIFY(scratch_->isValid());
}

void MainWindowChildrenTest::ShowMain(MainWindow& window, ScriptedDialogs& dialogs) {
  dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
  window.move(40, 30);
  QVERIFY(testing::ShowExposed(window, 900, 650));
  QTRY_COMPARE(window.lastCommand(), 0);
}

void MainWindowChildrenTest::WaitForWelcome(ScriptedDialogs& dialogs, int before) {
  QTRY_COMPARE(dialogs.messages.size(), before + 1);
  QVERIFY(dialogs.messages.last().text.startsWith(QStringLiteral("Welcome to")));
}

void MainWindowChildrenTest::forwardWindowOpenRefusesOrIgnoresCommands() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  ShowMain(window, dialogs);
  window.canvas().SetPixel(20, 20, kRed);
  window.RunCommand(kCommandForwardModelling);
  QCOMPARE(window.canvas().GetPixel(20, 20), kWhite);  // cleared before the child opens
  auto* forward = qobject_cast<ForwardWindow*>(window.childWindow());
  QVERIFY(forward != nullptr);
  QCOMPARE(forward->windowTitle(), kForwardTitle);
  QCOMPARE(forward->geometry(), window.geometry());
  QVERIFY(forward->isVisible());
  QCOMPARE(window.modeFlag(), 1);
  WaitForWelcome(dialogs, 0);

  const int names = dialogs.names.size();
  for (int id : {101, 121, 122}) {
    window.RunCommand(id);  // ignored: no chooser, no message
    QCOMPARE(window.lastCommand(), id);
  }
  QCOMPARE(dialogs.names.size(), names);
  QCOMPARE(dialogs.messages.size(), 1);
  for (int id : {131, 102, 111}) {
    window.RunCommand(id);
    QCOMPARE(dialogs.messages.last().text, kModeMessage);
    QCOMPARE(dialogs.messages.last().caption, QStringLiteral("Message"));
    QCOMPARE(dialogs.messages.last().icon, QMessageBox::Warning);
  }
  QCOMPARE(dialogs.messages.size(), 4);
  QCOMPARE(dialogs.names.size(), names);  // no settings dialog
  QCOMPARE(window.findChildren<DisplayWindow*>().size(), 0);
  QCOMPARE(window.findChildren<ForwardWindow*>().size(), 1);
  QCOMPARE(window.childWindow(), forward);
  QCOMPARE(dialogs.unexpected, 0);
}

void MainWindowChildrenTest::displayWindowOpensOnceTheForwardWindowHasGone() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  window.RunCommand(kCommandForwardModelling);
  QPointer<QMainWindow> forward = window.childWindow();
  WaitForWelcome(dialogs, 0);
  forward->findChild<QAction*>("command510")->trigger();
  QCOMPARE(window.modeFlag(), 0);
  QTRY_VERIFY(forward.isNull());
  QVERIFY(window.childWindow() == nullptr);

  window.RunCommand(kCommandDisplayResults);
  auto* display = qobject_cast<DisplayWindow*>(window.childWindow());
  QVERIFY(display != nullptr);
  QCOMPARE(display->windowTitle(), kDisplayTitle);
  QCOMPARE(window.modeFlag(), 1);
  WaitForWelcome(dialogs, 1);
  window.RunCommand(kCommandForwardModelling);
  QCOMPARE(dialogs.messages.last().text, kModeMessage);
  QCOMPARE(window.findChildren<ForwardWindow*>().size(), 0);
  // The display window closes with Escape; then the commands work again.
  QPointer<QMainWindow> closing = display;
  QTest::keyClick(display, Qt::Key_Escape);
  QCOMPARE(window.modeFlag(), 0);
  QTRY_VERIFY(closing.isNull());
  dialogs.ThenFill({}, "button2");
  window.RunCommand(kCommandIterations);
  QCOMPARE(dialogs.names.last(), QStringLiteral("NitDiaBox"));
}

void MainWindowChildrenTest::captureWorksInModeAndTakesTheMainWindow() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  ShowMain(window, dialogs);
  QString data = scratch_->filePath("survey.dat");
  QVERIFY(QFile::copy(QStringLiteral(LAYRA_TEST_DATA "/windows_wenner.dat"), data));
  dialogs.ThenChoose(data);
  window.RunCommand(kCommandReadData);
  QCOMPARE(window.state().dataRead, 1);
  const std::string data_name = window.state().data.dataFileName;

  window.RunCommand(kCommandForwardModelling);
  auto* forward = qobject_cast<ForwardWindow*>(window.childWindow());
  QVERIFY(forward != nullptr);
  WaitForWelcome(dialogs, 0);
  // Different pictures on the two windows.
  window.canvas().SetPixel(5, 5, kRed);
  forward->canvas().SetPixel(5, 5, kBlue);

  QString offered;
  QString chosen = scratch_->filePath("main.bmp");
  dialogs.Then([&](QDialog& dialog) {
    offered = static_cast<QFileDialog&>(dialog).selectedFiles().value(0);
    ChooseFile(dialog, chosen);
  });
  window.RunCommand(kCommandSaveScreen);
  QCOMPARE(offered, scratch_->filePath("survey.bmp"));
  QCOMPARE(dialogs.messages.last().text,
           QStringLiteral("Screen image save in file\n%1.").arg(QDir::toNativeSeparators(chosen)));
  QImage saved(chosen);
  QCOMPARE(saved.size(), window.canvas().size());
  QCOMPARE(saved.pixelColor(5, 5), QColor(Qt::red));
  QCOMPARE(window.canvas().GetPixel(5, 5), kWhite);  // left clear
  QCOMPARE(forward->canvas().GetPixel(5, 5), kBlue);
  QVERIFY(!QFile::exists(scratch_->filePath("survey_temp.bmp")));
  // The data file is still the one the next inversion starts from.
  QCOMPARE(window.state().data.dataFileName, data_name);
  QCOMPARE(window.modeFlag(), 1);
  QCOMPARE(dialogs.unexpected, 0);
}

void MainWindowChildrenTest::closingTheMainWindowClosesTheChild() {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  ShowMain(window, dialogs);
  window.RunCommand(kCommandDisplayResults);
  QPointer<QMainWindow> display = window.childWindow();
  QVERIFY(!display.isNull());
  window.RunCommand(kCommandExit);
  QVERIFY(!window.isVisible());
  QCOMPARE(window.modeFlag(), 0);
  QTRY_VERIFY(display.isNull());
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::MainWindowChildrenTest)
#include "main_window_children_test.moc"
