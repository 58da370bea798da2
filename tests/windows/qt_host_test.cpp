// The desktop host: message boxes, file choosers with their confirmations and
// the shared file-dialog description, the inversion prompts.

#include "windows/qt_host.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
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
  void cancelledSaveChooserStartsAtTheNameAndLeavesIt();
  void saveChooserAsksBeforeReplacing();
  void inversionPromptsRecordTheirResult();
  void stopRequestSkipsThePrompts();

 private:
  QTemporaryDir directory_;
  QString Path(const QString& name) const { return directory_.filePath(name); }
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<QtHost> host_;
};

void QtHostTest::init() {
  dialogs_ = std::make_unique<ScriptedDialogs>();
  state_ = std::make_unique<ProgramState>();
  state_->dataDirectory = directory_.path().toStdString() + "/";
  host_ = std::make_unique<QtHost>(nullptr, *dialogs_, *state_);
  QVERIFY(directory_.isValid());
  QFile existing(Path("survey1.INV"));
  QVERIFY(existing.open(QIODevice::WriteOnly));
  existing.write("x\n");
  QFile data(Path("survey1.dat"));
  QVERIFY(data.open(QIODevice::WriteOnly));
}

void QtHostTest::messageBoxesCarryCaptionIconAndButtons() {
  QCOMPARE(host_->ShowMessage("You must first read in a data file.",
                              "Error Message",
                              MessageIcon::kExclamation,
                              MessageButtons::kOk),
           MessageAnswer::kOk);
  dialogs_->AnswerNextMessage(QMessageBox::Yes);
  QCOMPARE(host_->ShowMessage("Try?", "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo),
           MessageAnswer::kYes);
  QCOMPARE(host_->ShowMessage("Try?", "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo),
           MessageAnswer::kNo);
  host_->ShowMessage("i", "Info", MessageIcon::kInformation, MessageButtons::kOk);
  QCOMPARE(dialogs_->messages.size(), 4);
  QCOMPARE(dialogs_->messages[0].caption, QStringLiteral("Error Message"));
  QCOMPARE(dialogs_->messages[0].text, QStringLiteral("You must first read in a data file."));
  QCOMPARE(dialogs_->messages[0].icon, QMessageBox::Warning);
  QCOMPARE(dialogs_->messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QCOMPARE(dialogs_->messages[1].icon, QMessageBox::Question);
  QCOMPARE(dialogs_->messages[1].buttons, QMessageBox::Yes | QMessageBox::No);
  QCOMPARE(dialogs_->messages[3].icon, QMessageBox::Information);
  QCOMPARE(dialogs_->unexpected, 0);
}

void QtHostTest::openChooserStartsInDataDirectoryAndFillsTitle() {
  QString start;
  QStringList filters;
  dialogs_->Then([&](QDialog& dialog) {
    auto& chooser = static_cast<QFileDialog&>(dialog);
    start = chooser.directory().absolutePath();
    filters = chooser.nameFilters();
    ChooseFile(dialog, Path("survey1.dat"));
  });
  std::string path = "*.dat";
  QVERIFY(host_->ChooseOpenFile(path, "1D Resistivity Data File"));
  QCOMPARE(QString::fromStdString(path), QDir::toNativeSeparators(Path("survey1.dat")));
  QCOMPARE(start, QDir(directory_.path()).absolutePath());
  QCOMPARE(filters.first(), QStringLiteral("*.dat (*.dat)"));
  QCOMPARE(dialogs_->titles.first(), QStringLiteral("1D Resistivity Data File"));
  const FileDialogSpec& record = host_->fileDialog();
  QCOMPARE(record.fileTitle, std::string("survey1.dat"));
  QCOMPARE(record.title, std::string("1D Resistivity Data File"));
  QCOMPARE(record.flags, static_cast<unsigned>(FileDialogSpec::kCreatePrompt));
  QCOMPARE(filters.last(), QStringLiteral("All Files (*)"));
  QVERIFY(dialogs_->messages.isEmpty());  // an existing file needs no question
}

void QtHostTest::openChooserAsksBeforeNamingAMissingFile() {
  // A missing name is refused with a message and the chooser comes back;
  // cancelling it then chooses nothing.
  dialogs_->ThenChoose(Path("new.dat"));
  dialogs_->ThenReject();
  std::string path = "*.dat";
  QVERIFY(!host_->ChooseOpenFile(path, "1D Resistivity Data File"));
  QCOMPARE(path, std::string("*.dat"));
  QCOMPARE(dialogs_->messages.size(), 1);
  QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("does not exist")));
  QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("new.dat")));
  QCOMPARE(dialogs_->messages[0].buttons, QMessageBox::Ok);
  QVERIFY(!QFile::exists(Path("new.dat")));  // naming it does not create it
  QCOMPARE(dialogs_->unexpected, 0);
}

void QtHostTest::cancelledSaveChooserStartsAtTheNameAndLeavesIt() {
  // The chooser starts where the default name lies, not in the data directory.
  state_->dataDirectory = QDir::tempPath().toStdString();
  QString start;
  QStringList selected;
  dialogs_->Then([&](QDialog& dialog) {
    auto& chooser = static_cast<QFileDialog&>(dialog);
    start = chooser.directory().absolutePath();
    selected = chooser.selectedFiles();
    dialog.reject();
  });
  std::string path = Path("survey1.INV").toStdString();
  QVERIFY(!host_->ChooseSaveFile(path, "File Name for Inversion Results"));
  QCOMPARE(path, Path("survey1.INV").toStdString());
  QCOMPARE(start, QDir(directory_.path()).absolutePath());
  QVERIFY(!selected.isEmpty());
  QCOMPARE(QFileInfo(selected.first()).fileName(), QStringLiteral("survey1.INV"));
  // A save chooser declined at the overwrite question and then cancelled.
  dialogs_->ThenChoose(Path("survey1.INV"));
  dialogs_->AnswerNextMessage(QMessageBox::No);
  dialogs_->ThenReject();
  std::string other = "other.INV";
  QVERIFY(!host_->ChooseSaveFile(other, "File Name for Inversion Results"));
  QCOMPARE(other, std::string("other.INV"));
  QCOMPARE(dialogs_->unexpected, 0);
}

void QtHostTest::saveChooserAsksBeforeReplacing() {
  dialogs_->ThenChoose(Path("survey1.INV"));
  dialogs_->AnswerNextMessage(QMessageBox::Yes);
  std::string path = Path("survey1.INV").toStdString();
  std::string title = "File Name for Inversion Results";
  QVERIFY(host_->ChooseSaveFile(path, title));
  QCOMPARE(dialogs_->messages.size(), 1);
  QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("already exists")));
  QCOMPARE(host_->fileDialog().fileTitle, std::string("survey1.INV"));
  QCOMPARE(host_->fileDialog().flags, static_cast<unsigned>(FileDialogSpec::kOverwritePrompt));
  // A new name needs no question.
  dialogs_->ThenChoose(Path("fresh.INV"));
  QVERIFY(host_->ChooseSaveFile(path, title));
  QCOMPARE(dialogs_->messages.size(), 1);
  QCOMPARE(host_->fileDialog().fileTitle, std::string("fresh.INV"));
}

void QtHostTest::inversionPromptsRecordTheirResult() {
  dialogs_->Then([](QDialog& dialog) {
    // The convergence prompt has its own title and edit.
    QCOMPARE(dialog.objectName(), QStringLiteral("RmsDiaBox"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Convergence Limit"));
    QVERIFY(dialog.findChild<QLineEdit*>("edit770") == nullptr);
    QCOMPARE(EditText(dialog, "edit771"), QStringLiteral("2.000"));
    SetEdit(dialog, "edit771", "1");
    Click(dialog, "button1");
  });
  QCOMPARE(host_->AskConvergenceLimit(state_->settings), 1);
  QCOMPARE(state_->settings.convergenceLimit, 0.01f);
  QCOMPARE(state_->dialogResult, 1);
  dialogs_->Then([](QDialog& dialog) {
    QCOMPARE(dialog.objectName(), QStringLiteral("IterDiaBox"));
    SetEdit(dialog, "edit761", "4");
    Click(dialog, "button1");
  });
  QCOMPARE(host_->AskAdditionalIterations(state_->settings), 1);
  QCOMPARE(state_->settings.additionalIterations, 4);
  // Closed without a choice counts as Cancel: no more iterations.
  QCOMPARE(host_->AskAdditionalIterations(state_->settings), 2);
  QCOMPARE(state_->settings.additionalIterations, 0);
  QCOMPARE(state_->dialogResult, 2);
}

void QtHostTest::stopRequestSkipsThePrompts() {
  host_->setStopRequested(true);
  state_->settings.additionalIterations = 3;
  QCOMPARE(host_->AskConvergenceLimit(state_->settings), 2);
  QCOMPARE(host_->AskAdditionalIterations(state_->settings), 2);
  QCOMPARE(state_->settings.additionalIterations, 0);
  QCOMPARE(state_->settings.convergenceLimit, 0.02f);
  QVERIFY(dialogs_->titles.isEmpty());
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::QtHostTest)
#include "qt_host_test.moc"
