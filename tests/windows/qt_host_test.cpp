// The desktop host: message boxes, file choosers with their confirmations and
// the shared file-dialog description, the inversion prompts.

#include "windows/qt_host.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

#include "state/records.h"
#include "tests/windows/scripted_dialogs.h"

namespace layra {
namespace {

using testing::ChooseFile;
using testing::Click;
using testing::EditText;
using testing::ScriptedDialogs;
using testing::SetEdit;

class QtHostTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void messageBoxesCarryCaptionIconAndButtons();
  void openChooserStartsInDataDirectoryAndFillsTitle();
  void openChooserAsksBeforeNamingAMissingFile();
  void cancelledChooserLeavesThePath();
  void saveChooserAsksBeforeReplacing();
  void saveChooserStartsWhereTheDefaultNameLies();
  void inversionPromptsRecordTheirResult();
  void stopRequestSkipsThePrompts();

 private:
  QTemporaryDir directory_;
  QString Path(const QString& name) const { return directory_.filePath(name); }
};

void QtHostTest::init() {
  QVERIFY(directory_.isValid());
  QFile existing(Path("survey1.INV"));
  QVERIFY(existing.open(QIODevice::WriteOnly));
  existing.write("x\n");
  QFile data(Path("survey1.dat"));
  QVERIFY(data.open(QIODevice::WriteOnly));
}

void QtHostTest::messageBoxesCarryCaptionIconAndButtons() {
  ScriptedDialogs dialogs;
  ProgramState state;
  QtHost host(nullptr, dialogs, state);
  QCOMPARE(host.ShowMessage("You must first read in a data file.",
                            "Error Message",
                            MessageIcon::kExclamation,
                            MessageButtons::kOk),
           MessageAnswer::kOk);
  dialogs.AnswerNextMessage(QMessageBox::Yes);
  QCOMPARE(host.ShowMessage("Try?", "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo),
           MessageAnswer::kYes);
  QCOMPARE(host.ShowMessage("Try?", "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo),
           MessageAnswer::kNo);
  host.ShowMessage("i", "Info", MessageIcon::kInformation, MessageButtons::kOk);
  QCOMPARE(dialogs.messages.size(), 4);
  QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Error Message"));
  QCOMPARE(dialogs.messages[0].text, QStringLiteral("You must first read in a data file."));
  QCOMPARE(dialogs.messages[0].icon, QMessageBox::Warning);
  QCOMPARE(dialogs.messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(dialogs.messages[1].icon, QMessageBox::Question);
  QCOMPARE(dialogs.messages[1].buttons, QMessageBox::Yes | QMessageBox::No);
  QCOMPARE(dialogs.messages[3].icon, QMessageBox::Information);
  QCOMPARE(dialogs.unexpected, 0);
}

void QtHostTest::openChooserStartsInDataDirectoryAndFillsTitle() {
  ScriptedDialogs dialogs;
  ProgramState state;
  state.dataDirectory = directory_.path().toStdString() + "/";
  QtHost host(nullptr, dialogs, state);
  QString start;
  QStringList filters;
  dialogs.Then([&](QDialog& dialog) {
    auto& chooser = static_cast<QFileDialog&>(dialog);
    start = chooser.directory().absolutePath();
    filters = chooser.nameFilters();
    ChooseFile(dialog, Path("survey1.dat"));
  });
  std::string path = "*.dat";
  QVERIFY(host.ChooseOpenFile(path, "1D Resistivity Data File"));
  QCOMPARE(QString::fromStdString(path), QDir::toNativeSeparators(Path("survey1.dat")));
  QCOMPARE(start, QDir(directory_.path()).absolutePath());
  QCOMPARE(filters.first(), QStringLiteral("*.dat (*.dat)"));
  QCOMPARE(dialogs.titles.first(), QStringLiteral("1D Resistivity Data File"));
  const FileDialogSpec& record = host.fileDialog();
  QCOMPARE(record.fileTitle, std::string("survey1.dat"));
  QCOMPARE(record.title, std::string("1D Resistivity Data File"));
  QCOMPARE(record.flags, static_cast<unsigned>(FileDialogSpec::kCreatePrompt));
  QCOMPARE(filters.last(), QStringLiteral("All Files (*)"));
  QVERIFY(dialogs.messages.isEmpty());  // an existing file needs no question
}

void QtHostTest::openChooserAsksBeforeNamingAMissingFile() {
  ScriptedDialogs dialogs;
  ProgramState state;
  state.dataDirectory = directory_.path().toStdString() + "/";
  QtHost host(nullptr, dialogs, state);
  // First answer No: the chooser comes back; then Yes.
  dialogs.Then([&](QDialog& dialog) { ChooseFile(dialog, Path("new.dat")); });
  dialogs.AnswerNextMessage(QMessageBox::No);
  dialogs.Then([&](QDialog& dialog) { ChooseFile(dialog, Path("new.dat")); });
  dialogs.AnswerNextMessage(QMessageBox::Yes);
  std::string path = "*.dat";
  QVERIFY(host.ChooseOpenFile(path, "1D Resistivity Data File"));
  QCOMPARE(QString::fromStdString(path), QDir::toNativeSeparators(Path("new.dat")));
  QCOMPARE(dialogs.messages.size(), 2);
  QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("does not exist")));
  QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("new.dat")));
  QCOMPARE(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
  QVERIFY(!QFile::exists(Path("new.dat")));  // naming it does not create it
  QCOMPARE(dialogs.unexpected, 0);
}

void QtHostTest::cancelledChooserLeavesThePath() {
  ScriptedDialogs dialogs;
  ProgramState state;
  QtHost host(nullptr, dialogs, state);
  dialogs.Then([](QDialog& dialog) { dialog.reject(); });
  std::string path = Path("survey1.INV").toStdString();
  QVERIFY(!host.ChooseSaveFile(path, "File Name for Inversion Results"));
  QCOMPARE(path, Path("survey1.INV").toStdString());
  // A save chooser declined at the overwrite question and then cancelled.
  dialogs.Then([&](QDialog& dialog) { ChooseFile(dialog, Path("survey1.INV")); });
  dialogs.AnswerNextMessage(QMessageBox::No);
  dialogs.Then([](QDialog& dialog) { dialog.reject(); });
  std::string other = "other.INV";
  QVERIFY(!host.ChooseSaveFile(other, "File Name for Inversion Results"));
  QCOMPARE(other, std::string("other.INV"));
  QCOMPARE(dialogs.unexpected, 0);
}

void QtHostTest::saveChooserAsksBeforeReplacing() {
  ScriptedDialogs dialogs;
  ProgramState state;
  QtHost host(nullptr, dialogs, state);
  dialogs.Then([&](QDialog& dialog) { ChooseFile(dialog, Path("survey1.INV")); });
  dialogs.AnswerNextMessage(QMessageBox::Yes);
  std::string path = Path("survey1.INV").toStdString();
  std::string title = "File Name for Inversion Results";
  QVERIFY(host.ChooseSaveFile(path, title));
  QCOMPARE(dialogs.messages.size(), 1);
  QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("already exists")));
  QCOMPARE(host.fileDialog().fileTitle, std::string("survey1.INV"));
  QCOMPARE(host.fileDialog().flags, static_cast<unsigned>(FileDialogSpec::kOverwritePrompt));
  // A new name needs no question.
  dialogs.Then([&](QDialog& dialog) { ChooseFile(dialog, Path("fresh.INV")); });
  QVERIFY(host.ChooseSaveFile(path, title));
  QCOMPARE(dialogs.messages.size(), 1);
  QCOMPARE(host.fileDialog().fileTitle, std::string("fresh.INV"));
}

void QtHostTest::saveChooserStartsWhereTheDefaultNameLies() {
  ScriptedDialogs dialogs;
  ProgramState state;
  state.dataDirectory = QDir::tempPath().toStdString();
  QtHost host(nullptr, dialogs, state);
  QString start;
  QStringList selected;
  dialogs.Then([&](QDialog& dialog) {
    auto& chooser = static_cast<QFileDialog&>(dialog);
    start = chooser.directory().absolutePath();
    selected = chooser.selectedFiles();
    dialog.reject();
  });
  std::string path = Path("survey1.INV").toStdString();
  QVERIFY(!host.ChooseSaveFile(path, "File Name for Inversion Results"));
  QCOMPARE(start, QDir(directory_.path()).absolutePath());
  QVERIFY(!selected.isEmpty());
  QCOMPARE(QFileInfo(selected.first()).fileName(), QStringLiteral("survey1.INV"));
}

void QtHostTest::inversionPromptsRecordTheirResult() {
  ScriptedDialogs dialogs;
  ProgramState state;
  QtHost host(nullptr, dialogs, state);
  dialogs.Then([](QDialog& dialog) {
    QCOMPARE(dialog.objectName(), QStringLiteral("RmsDiaBox"));
    QCOMPARE(EditText(dialog, "edit771"), QStringLiteral("2.000"));
    SetEdit(dialog, "edit771", "1");
    Click(dialog, "button1");
  });
  QCOMPARE(host.AskConvergenceLimit(state.settings), 1);
  QCOMPARE(state.settings.convergenceLimit, 0.01f);
  QCOMPARE(state.dialogResult, 1);
  dialogs.Then([](QDialog& dialog) {
    QCOMPARE(dialog.objectName(), QStringLiteral("IterDiaBox"));
    SetEdit(dialog, "edit761", "4");
    Click(dialog, "button1");
  });
  QCOMPARE(host.AskAdditionalIterations(state.settings), 1);
  QCOMPARE(state.settings.additionalIterations, 4);
  // Closed without a choice counts as Cancel: no more iterations.
  QCOMPARE(host.AskAdditionalIterations(state.settings), 2);
  QCOMPARE(state.settings.additionalIterations, 0);
  QCOMPARE(state.dialogResult, 2);
}

void QtHostTest::stopRequestSkipsThePrompts() {
  ScriptedDialogs dialogs;
  ProgramState state;
  QtHost host(nullptr, dialogs, state);
  host.setStopRequested(true);
  state.settings.additionalIterations = 3;
  QCOMPARE(host.AskConvergenceLimit(state.settings), 2);
  QCOMPARE(host.AskAdditionalIterations(state.settings), 2);
  QCOMPARE(state.settings.additionalIterations, 0);
  QCOMPARE(state.settings.convergenceLimit, 0.02f);
  QVERIFY(dialogs.titles.isEmpty());
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::QtHostTest)
#include "qt_host_test.moc"
