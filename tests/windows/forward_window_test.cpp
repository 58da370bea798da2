// The forward modelling window driven through its commands, with every dialog
// answered by a script: reading models, the calculated-flag rules, the SIP
// output form and array type dialogs, saving, and closing.

#include "windows/forward_window.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "fileio/data_file.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"
#include "windows/result_tables.h"

namespace layra::testing {
namespace {

const QString kNotCalculated =
    QStringLiteral("You must first calculate\nthe apparent resistivity values!");

QString Example(const char* name) { return QStringLiteral(LAYRA_EXAMPLES_DIR "/") + name; }

void Read(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.ForwardWndProc(kForwardReadModel);
}

void Save(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.ForwardWndProc(kForwardSave);
}

// Reads `path` (the two-layer example by default) and calculates its response.
void Calculated(ForwardWindow& window,
                ScriptedDialogs& dialogs,
                const QString& path = Example("two_layer.mod")) {
  Read(window, dialogs, path);
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
}

// Runs the array type or SIP output dialog: records whether `radio` was
// checked at opening, then clicks `choose` (if any) and `button`.
bool RadioDialog(ForwardWindow& window,
                 ScriptedDialogs& dialogs,
                 int command,
                 const char* radio,
                 const char* choose,
                 const char* button) {
  bool checked = false;
  dialogs.Then([&](QDialog& dialog) {
    checked = dialog.findChild<QRadioButton*>(radio)->isChecked();
    if (choose != nullptr) Click(dialog, choose);
    Click(dialog, button);
  });
  window.ForwardWndProc(command);
  return checked;
}

class ForwardWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> scratch_;
  ShellState program_;

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
    program_ = ShellState();
    program_.dataDirectory = scratch_->path().toStdString() + "/";
  }

  void menuCarriesCommandsAndRefusesBeforeCalculate() {
    ScriptedDialogs dialogs;
    ForwardWindow window(program_, EngineKind::kDocumented, dialogs, nullptr);
    ExpectActions(window,
                  {
                      {"command501", "&Read resistivity model file"},
                      {"command502", "&Calculate apparent resistivities"},
                      {"command505", "&Save apparent resistivities"},
                      {"command506", "&Type of SIP output"},
                      {"command510", "&Quit Forward Modelling"},
                      {"command510quit", "&Quit Forward Modelling"},
                      {"command520", "&Display apparent resistivities"},
                      {"command1040", "Change &array type"},
                  });
    // Save or display before a calculation is refused.
    window.findChild<QAction*>("command520")->trigger();
    QCOMPARE(window.lastCommand(), 520);
    window.ForwardWndProc(kForwardSave);
    QCOMPARE(dialogs.messages.size(), 2);
    for (const auto& message : dialogs.messages) {
      QCOMPARE(message.text, kNotCalculated);
      QCOMPARE(message.caption, QStringLiteral("Message"));
    }
    QVERIFY(dialogs.names.isEmpty());  // no file chooser
    // A model read after a calculation needs a new one.
    Calculated(window, dialogs);
    Read(window, dialogs, Example("ip_model.mod"));
    QCOMPARE(window.calculatedFlag(), 0);
    QCOMPARE(NonWhite(window.canvas()), 0);
    QCOMPARE(dialogs.unexpected, 0);
  }

  // The welcome on the first paint only, a model read, calculated, displayed
  // and saved, then Quit closes the window and clears the mode flag.
  void readCalculateDisplaySaveAndQuit() {
    ScriptedDialogs dialogs;
    int mode_flag = 0;
    QPointer<ForwardWindow> window = new ForwardWindow(
        program_, EngineKind::kDocumented, dialogs, [&mode_flag](int flag) { mode_flag = flag; });
    QVERIFY(ShowExposed(*window, 900, 700));
    QTRY_COMPARE(window->lastCommand(), 0);
    QCOMPARE(mode_flag, 1);
    QCOMPARE(dialogs.messages.size(), 1);
    ExpectMessage(dialogs.messages[0],
                  QStringLiteral("Welcome to Forward Modelling Window.\nAfter completing your "
                                 "job, please click\nExit to return to the Main Menu."),
                  QStringLiteral("Message"),
                  QMessageBox::Information);
    window->canvas().repaint();  // only the first paint shows it
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.messages.size(), 1);
    QString title;
    dialogs.Then([&](QDialog& dialog) {
      title = dialog.windowTitle();
      QCOMPARE(static_cast<QFileDialog&>(dialog).nameFilters().first(),
               QStringLiteral("*.mod (*.mod)"));
      ChooseFile(dialog, Example("ip_model.mod"));
    });
    window->ForwardWndProc(kForwardReadModel);
    QCOMPARE(title, QStringLiteral("1D Resistivity Model File"));
    const ForwardModel& model = window->model();
    QCOMPARE(model.model.layerCount, 3);
    QCOMPARE(model.spacingCount, 12);
    QVERIFY(!window->listing().toPlainText().isEmpty());  // the reader's listing

    window->ForwardWndProc(kForwardCalculate);
    QCOMPARE(window->calculatedFlag(), 1);
    QVERIFY(model.calcResistivity[11] > 0.0f);
    QVERIFY(model.calcIp[11] > 0.0f && model.calcIp[11] < 1.0f);
    QVERIFY(window->listing().toPlainText().contains(QStringLiteral("App. Res.")));
    QCOMPARE(NonWhite(window->canvas()), 0);  // the listing is not painted over the plot
    window->ForwardWndProc(kForwardDisplay);
    QVERIFY(NonWhite(window->canvas()) > 0);
    QCOMPARE(model.model.chargeability[1], 0.045f);  // display leaves the fractions

    QString saved = scratch_->filePath("ip_response.dat");
    QString save_title;
    QString start;
    dialogs.Then([&](QDialog& dialog) {
      save_title = dialog.windowTitle();
      start = StartDirectory(dialog);
      ChooseFile(dialog, saved);
    });
    window->ForwardWndProc(kForwardSave);
    QCOMPARE(save_title, QStringLiteral("File Name for apparent resistivity values"));
    QCOMPARE(start, scratch_->path() + "/");
    // The saved file reads back as IP data at the calculated values.
    SoundingFile read;
    DiscardingSink reading;
    QCOMPARE(ReadDataFile(saved.toStdString(), read, reading), 0);
    QCOMPARE(read.data.pointCount, 12);
    QCOMPARE(read.data.dataKind, DataKind::kIp);
    QVERIFY(qAbs(read.data.apparentResistivity[11] / model.calcResistivity[11] - 1) < 1e-4);
    QCOMPARE(dialogs.unexpected, 0);
    window->findChild<QAction*>("command510quit")->trigger();
    QCOMPARE(mode_flag, 0);
    QTRY_VERIFY(window.isNull());  // destroyed once closed
  }

  // The model is edited in the Model table; the curve is computed again.
  void modelEditedInTheTableIsComputedAgain() {
    ScriptedDialogs dialogs;
    ForwardWindow window(program_, EngineKind::kDocumented, dialogs, [](int) {});
    QVERIFY(ShowExposed(window, 900, 700));
    QTRY_COMPARE(window.lastCommand(), 0);
    Calculated(window, dialogs);
    const float before = window.model().calcResistivity[0];
    ModelTable& table = *window.findChild<ModelTable*>(QStringLiteral("modelTable"));
    table.item(0, 1)->setText(QString::number(2.0 * window.model().model.resistivity[0]));
    QVERIFY(window.model().calcResistivity[0] > 1.5f * before);
    QCOMPARE(window.calculatedFlag(), 1);
    const int layers = window.model().model.layerCount;
    emit table.splitRequested(0);
    QCOMPARE(window.model().model.layerCount, layers + 1);
    table.item(0, 1)->setText(QStringLiteral("zero"));  // refused, shown again
    QCOMPARE(table.item(0, 1)->text(),
             QString::number(window.model().model.resistivity[0], 'g', 5));
  }

  // Esc does not lose a computed curve unasked; once saved, it leaves at once.
  void escapeAsksBeforeLosingAComputedCurve() {
    for (const bool saved : {false, true}) {
      ScriptedDialogs dialogs;
      int mode_flag = 0;
      QPointer<ForwardWindow> window = new ForwardWindow(
          program_, EngineKind::kDocumented, dialogs, [&mode_flag](int flag) { mode_flag = flag; });
      QVERIFY(ShowExposed(*window, 900, 700));
      QTRY_COMPARE(window->lastCommand(), 0);
      Calculated(*window, dialogs);
      if (saved) Save(*window, dialogs, scratch_->filePath("response.dat"));
      const int before = dialogs.messages.size();
      QTest::keyClick(window, Qt::Key_Escape);
      if (!saved) {
        QCOMPARE(dialogs.messages.size(), before + 1);  // answered No
        QCOMPARE(mode_flag, 1);
        dialogs.AnswerNextMessage(QMessageBox::Yes);
        QTest::keyClick(window, Qt::Key_Escape);
      }
      QCOMPARE(mode_flag, 0);
      QTRY_VERIFY(window.isNull());
    }
  }

  void arrayTypeChangeNeedsNewCalculation() {
    ScriptedDialogs dialogs;
    ForwardWindow window(program_, EngineKind::kDocumented, dialogs, nullptr);
    Calculated(window, dialogs);
    const float wenner_rho = window.model().calcResistivity[7];
    // Cancel keeps the code and the response, whatever was clicked; so does
    // OK without a change.
    QVERIFY(RadioDialog(window, dialogs, kForwardArrayType, "radio1041", "radio1042", "button2"));
    QCOMPARE(dialogs.titles.last(), QStringLiteral("Select array type"));
    QCOMPARE(window.model().arrayType, ArrayType::kWenner);
    QCOMPARE(program_.dialogResult, 2);
    dialogs.ThenFill({}, "button1");
    window.ForwardWndProc(kForwardArrayType);
    QCOMPARE(window.calculatedFlag(), 1);
    QCOMPARE(program_.dialogResult, 1);
    // A changed type drops it.
    RadioDialog(window, dialogs, kForwardArrayType, "radio1041", "radio1042", "button1");
    QCOMPARE(window.model().arrayType, ArrayType::kSchlumberger);
    QCOMPARE(window.calculatedFlag(), 0);
    // The next calculation uses the Schlumberger filter.
    window.ForwardWndProc(kForwardCalculate);
    QCOMPARE(window.calculatedFlag(), 1);
    QVERIFY(qAbs(window.model().calcResistivity[7] - wenner_rho) > 0.01f * wenner_rho);
    // The dialog opens on the current code.
    QVERIFY(RadioDialog(window, dialogs, kForwardArrayType, "radio1042", nullptr, "button2"));
    QCOMPARE(dialogs.unexpected, 0);
  }

  // The engine chosen for the program's runs computes the forward response too.
  void calculateRunsTheProgramsEngine() {
    ScriptedDialogs dialogs;
    ForwardWindow documented(program_, EngineKind::kDocumented, dialogs, nullptr);
    Calculated(documented, dialogs);
    ForwardWindow accurate(program_, EngineKind::kAccurate, dialogs, nullptr);
    Calculated(accurate, dialogs);
    for (int i = 0; i < accurate.model().spacingCount; ++i) {
      const float exact = accurate.model().calcResistivity[i];
      const float filtered = documented.model().calcResistivity[i];
      QVERIFY2(qAbs(exact - filtered) < 0.01f * filtered, qPrintable(QString::number(i)));
    }
    QVERIFY(accurate.model().calcResistivity != documented.model().calcResistivity);
    QCOMPARE(dialogs.unexpected, 0);
  }

  void sipOutputFormDecidesWhatIsWritten() {
    ScriptedDialogs dialogs;
    ForwardWindow window(program_, EngineKind::kDocumented, dialogs, nullptr);
    Calculated(window, dialogs, Example("sip_model.mod"));
    QCOMPARE(dialogs.messages.last().text, QStringLiteral("Calculations completed"));
    // Which form the writer is handed decides the file.
    const ForwardModel& model = window.model();
    auto saved = [&](const char* name) {
      Save(window, dialogs, scratch_->filePath(name));
      return QString::fromLatin1(FileBytes(scratch_->filePath(name)));
    };
    QString text = saved("amplitude.dat");
    QVERIFY(text.contains(QStringLiteral("\nAmplitude-Phase\n")));

    QVERIFY(RadioDialog(window, dialogs, kForwardSipOutput, "radio1031", "radio1030", "button1"));
    QCOMPARE(dialogs.titles.last(), QStringLiteral("Select type of data output"));
    QCOMPARE(model.outputSipForm, SipForm::kInphaseOutphase);
    QCOMPARE(window.calculatedFlag(), 1);  // the form does not change the response
    text = saved("inphase.dat");
    QVERIFY(text.contains(QStringLiteral("\nInphase-Outphase\n")));
    // Cancel puts back the form that was current at opening.
    RadioDialog(window, dialogs, kForwardSipOutput, "radio1030", "radio1031", "button2");
    QCOMPARE(model.outputSipForm, SipForm::kInphaseOutphase);
    QCOMPARE(dialogs.unexpected, 0);
  }

  void failedReadsAndSavesAreHandledAndUnreadableFilesAreNotSaved() {
    ScriptedDialogs dialogs;
    ForwardWindow window(program_, EngineKind::kDocumented, dialogs, nullptr);
    Calculated(window, dialogs);
    // A file that cannot be written is reported.
    Save(window, dialogs, scratch_->filePath("no_such_directory/response.dat"));
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Error Message"));
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("response.dat")));
    QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("could not be written")));
    // Cancelled choosers change nothing and write nothing.
    dialogs.ThenReject();
    window.ForwardWndProc(kForwardReadModel);
    QCOMPARE(window.calculatedFlag(), 1);
    QCOMPARE(window.model().model.layerCount, 2);
    dialogs.ThenReject();
    window.ForwardWndProc(kForwardSave);
    QVERIFY(QDir(scratch_->path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(dialogs.messages.size(), 1);
    // A refused model cannot be calculated.
    QString bad = scratch_->filePath("bad.mod");
    QVERIFY(WriteBytes(bad, "Too short\n"));
    Read(window, dialogs, bad);
    QCOMPARE(window.calculatedFlag(), 0);
    window.ForwardWndProc(kForwardCalculate);
    QCOMPARE(window.calculatedFlag(), 0);
    // Saving writes only what the reader takes back, never over the model file.
    const QString model = scratch_->filePath("sip_generated.mod");
    QVERIFY(QFile::copy(Example("sip_generated.mod"), model));
    Calculated(window, dialogs, model);
    const int before = dialogs.messages.size();
    Save(window, dialogs, scratch_->filePath("response.dat"));
    QCOMPARE(dialogs.messages.size(), before + 1);
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("24 frequencies")));
    QVERIFY(!QFile::exists(scratch_->filePath("response.dat")));
    const QByteArray contents = FileBytes(model);
    dialogs.AnswerNextMessage(QMessageBox::Yes);  // replace it
    Save(window, dialogs, model);
    QCOMPARE(dialogs.messages.size(), before + 3);
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("It is the model file")));
    QCOMPARE(FileBytes(model), contents);
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::ForwardWindowTest)
#include "forward_window_test.moc"
