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

namespace layra::testing {
namespace {

const std::string kDataTitle = "1D Resistivity Data File";
const std::string kResultsTitle = "File Name for Inversion Results";

class QtHostTest : public QObject {
  Q_OBJECT

  QTemporaryDir directory_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<ShellState> state_;
  InversionSettings settings_;
  std::unique_ptr<QtHost> host_;

  QString Path(const QString& name) const { return directory_.filePath(name); }

 private slots:
  void init() {
    QVERIFY(directory_.isValid());
    dialogs_ = std::make_unique<ScriptedDialogs>();
    state_ = std::make_unique<ShellState>();
    settings_ = InversionSettings();
    state_->dataDirectory = directory_.path().toStdString() + "/";
    host_ = std::make_unique<QtHost>(nullptr, *dialogs_, *state_);
    QVERIFY(WriteBytes(Path("survey1.INV"), "x\n"));
    QVERIFY(WriteBytes(Path("survey1.dat"), QByteArray()));
  }

  void messageBoxesCarryCaptionIconAndButtons() {
    QCOMPARE(host_->ShowMessage("You must first read in a data file.",
                                "Error Message",
                                MessageIcon::kExclamation,
                                MessageButtons::kOk),
             MessageAnswer::kOk);
    dialogs_->AnswerNextMessage(QMessageBox::Yes);
    for (MessageAnswer answer : {MessageAnswer::kYes, MessageAnswer::kNo}) {
      QCOMPARE(
          host_->ShowMessage("Try?", "Try again", MessageIcon::kQuestion, MessageButtons::kYesNo),
          answer);
    }
    host_->ShowMessage("i", "Info", MessageIcon::kInformation, MessageButtons::kOk);
    QCOMPARE(dialogs_->messages.size(), 4);
    ExpectMessage(dialogs_->messages[0],
                  QStringLiteral("You must first read in a data file."),
                  QStringLiteral("Error Message"),
                  QMessageBox::Warning);
    QCOMPARE(dialogs_->messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(dialogs_->messages[1].icon, QMessageBox::Question);
    QCOMPARE(dialogs_->messages[1].buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(dialogs_->messages[3].icon, QMessageBox::Information);
    QCOMPARE(dialogs_->unexpected, 0);
  }

  // The open chooser starts in the data directory; an existing file needs no
  // question; a missing name is refused with a message and the chooser comes
  // back, and cancelling it then chooses nothing.
  void openChooserStartsInDataDirectoryAndRefusesAMissingFile() {
    QString start;
    QStringList filters;
    dialogs_->Then([&](QDialog& dialog) {
      start = StartDirectory(dialog);
      filters = static_cast<QFileDialog&>(dialog).nameFilters();
      ChooseFile(dialog, Path("survey1.dat"));
    });
    std::string path = "*.dat";
    QVERIFY(host_->ChooseOpenFile(path, kDataTitle));
    QCOMPARE(QString::fromStdString(path), QDir::toNativeSeparators(Path("survey1.dat")));
    QCOMPARE(start, QDir(directory_.path()).absolutePath() + "/");
    QCOMPARE(filters.first(), QStringLiteral("*.dat (*.dat)"));
    QCOMPARE(filters.last(), QStringLiteral("All Files (*)"));
    QCOMPARE(dialogs_->titles.first(), QString::fromStdString(kDataTitle));
    const FileDialogSpec& record = host_->fileDialog();
    QCOMPARE(record.fileTitle, std::string("survey1.dat"));
    QCOMPARE(record.title, kDataTitle);
    QCOMPARE(record.flags, static_cast<unsigned>(FileDialogSpec::kCreatePrompt));
    QVERIFY(dialogs_->messages.isEmpty());

    dialogs_->ThenChoose(Path("new.dat"));
    dialogs_->ThenReject();
    path = "*.dat";
    QVERIFY(!host_->ChooseOpenFile(path, kDataTitle));
    QCOMPARE(path, std::string("*.dat"));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("does not exist")));
    QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("new.dat")));
    QVERIFY(!QFile::exists(Path("new.dat")));  // naming it does not create it
    QCOMPARE(dialogs_->unexpected, 0);
  }

  void cancelledSaveChooserStartsAtTheNameAndLeavesIt() {
    // The chooser starts where the default name lies, not in the data directory.
    state_->dataDirectory = QDir::tempPath().toStdString();
    QString start;
    QString offered;
    dialogs_->Then([&](QDialog& dialog) {
      start = StartDirectory(dialog);
      offered = Offered(dialog);
      dialog.reject();
    });
    std::string path = Path("survey1.INV").toStdString();
    QVERIFY(!host_->ChooseSaveFile(path, kResultsTitle));
    QCOMPARE(path, Path("survey1.INV").toStdString());
    QCOMPARE(start, QDir(directory_.path()).absolutePath() + "/");
    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("survey1.INV"));
    // A save chooser declined at the overwrite question and then cancelled.
    dialogs_->ThenChoose(Path("survey1.INV"));
    dialogs_->AnswerNextMessage(QMessageBox::No);
    dialogs_->ThenReject();
    std::string other = "other.INV";
    QVERIFY(!host_->ChooseSaveFile(other, kResultsTitle));
    QCOMPARE(other, std::string("other.INV"));
    QCOMPARE(dialogs_->unexpected, 0);
  }

  void saveChooserAsksBeforeReplacing() {
    dialogs_->ThenChoose(Path("survey1.INV"));
    dialogs_->AnswerNextMessage(QMessageBox::Yes);
    std::string path = Path("survey1.INV").toStdString();
    QVERIFY(host_->ChooseSaveFile(path, kResultsTitle));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].text.contains(QStringLiteral("already exists")));
    QCOMPARE(host_->fileDialog().fileTitle, std::string("survey1.INV"));
    QCOMPARE(host_->fileDialog().flags, static_cast<unsigned>(FileDialogSpec::kOverwritePrompt));
    // A new name needs no question.
    dialogs_->ThenChoose(Path("fresh.INV"));
    QVERIFY(host_->ChooseSaveFile(path, kResultsTitle));
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(host_->fileDialog().fileTitle, std::string("fresh.INV"));
  }

  void inversionPromptsRecordTheirResult() {
    dialogs_->Then([](QDialog& dialog) {
      // The convergence prompt has its own title and edit.
      QCOMPARE(dialog.objectName(), QStringLiteral("RmsDiaBox"));
      QCOMPARE(dialog.windowTitle(), QStringLiteral("New Convergence Limit"));
      QVERIFY(dialog.findChild<QLineEdit*>("edit770") == nullptr);
      QCOMPARE(EditText(dialog, "edit771"), QStringLiteral("2.000"));
      SetEdit(dialog, "edit771", "1");
      Click(dialog, "button1");
    });
    QCOMPARE(host_->AskConvergenceLimit(settings_), 1);
    QCOMPARE(settings_.convergenceLimit, 0.01f);
    QCOMPARE(state_->dialogResult, 1);
    dialogs_->Then([](QDialog& dialog) {
      QCOMPARE(dialog.objectName(), QStringLiteral("IterDiaBox"));
      SetEdit(dialog, "edit761", "4");
      Click(dialog, "button1");
    });
    QCOMPARE(host_->AskAdditionalIterations(settings_), 1);
    QCOMPARE(settings_.additionalIterations, 4);
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::QtHostTest)
#include "qt_host_test.moc"
