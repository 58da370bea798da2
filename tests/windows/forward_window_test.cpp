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
#include <cstdio>

#include "fileio/data_file.h"
#include "state/text_format.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra {
namespace {

using testing::ChooseFile;
using testing::Click;
using testing::NonWhite;
using testing::ScriptedDialogs;
using testing::ShowExposed;

const QString kNotCalculated =
    QStringLiteral("You must first calculate\nthe apparent resistivity values!");

QString Example(const char* name) { return QStringLiteral(LAYRA_EXAMPLES_DIR "/") + name; }

QString FileText(const QString& path) { return QString::fromLatin1(testing::FileBytes(path)); }

class ForwardWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void menuCarriesCommandsAndRefusesBeforeCalculate();
  void readCalculateDisplayAndSave();
  void arrayTypeChangeNeedsNewCalculation();
  void calculateRunsTheProgramsEngine();
  void sipOutputFormDecidesWhatIsWritten();
  void failedReadsAndSavesAreHandled();
  void unreadableResponsesAndTheModelFileAreNotSaved();
  void welcomeThenQuitClosesAndClearsTheModeFlag();

 private:
  // Reads `path` through command 501.
  static void Read(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path);
  static void Save(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path);
  // Reads the two-layer example and calculates its response.
  static void Calculated(ForwardWindow& window, ScriptedDialogs& dialogs);

  std::unique_ptr<QTemporaryDir> scratch_;
  ProgramState program_;
  int mode_flag_ = 0;
};

void ForwardWindowTest::init() {
  scratch_ = std::make_unique<QTemporaryDir>();
  QVERIFY(scratch_->isValid());
  program_ = ProgramState();
  program_.dataDirectory = scratch_->path().toStdString() + "/";
  mode_flag_ = 0;
}

void ForwardWindowTest::Read(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.ForwardWndProc(kForwardReadModel);
}

void ForwardWindowTest::Save(ForwardWindow& window, ScriptedDialogs& dialogs, const QString& path) {
  dialogs.ThenChoose(path);
  window.ForwardWndProc(kForwardSave);
}

void ForwardWindowTest::Calculated(ForwardWindow& window, ScriptedDialogs& dialogs) {
  Read(window, dialogs, Example("two_layer.mod"));
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
}

void ForwardWindowTest::menuCarriesCommandsAndRefusesBeforeCalculate() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
  const QList<QPair<QString, QString>> expected = {
      {"command501", "&Read resistivity model file"},
      {"command502", "&Calculate apparent resistivities"},
      {"command505", "&Save apparent resistivities"},
      {"command506", "&Type of SIP output"},
      {"command510", "&Quit Forward Modelling"},
      {"command510quit", "&Quit Forward Modelling"},
      {"command520", "&Display apparent resistivities"},
      {"command1040", "Change &array type"},
  };
  for (const auto& [name, text] : expected) {
    auto* action = window.findChild<QAction*>(name);
    QVERIFY2(action != nullptr, qPrintable(name));
    QCOMPARE(action->text(), text);
  }
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
  const int names = dialogs.names.size();
  window.ForwardWndProc(kForwardSave);
  QCOMPARE(dialogs.messages.last().text, kNotCalculated);
  QCOMPARE(dialogs.names.size(), names);
  QCOMPARE(NonWhite(window.canvas()), 0);
  QCOMPARE(dialogs.unexpected, 0);
}

void ForwardWindowTest::readCalculateDisplayAndSave() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
  QVERIFY(ShowExposed(window, 900, 700));
  QTRY_COMPARE(window.lastCommand(), 0);
  QString title;
  dialogs.Then([&](QDialog& dialog) {
    title = dialog.windowTitle();
    QCOMPARE(static_cast<QFileDialog&>(dialog).nameFilters().first(),
             QStringLiteral("*.mod (*.mod)"));
    ChooseFile(dialog, Example("ip_model.mod"));
  });
  window.ForwardWndProc(kForwardReadModel);
  QCOMPARE(title, QStringLiteral("1D Resistivity Model File"));
  QCOMPARE(window.model().model.layerCount, 3);
  QCOMPARE(window.model().spacingCount, 12);
  QVERIFY(!window.listing().toPlainText().isEmpty());  // the reader's listing

  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
  for (int i = 0; i < 12; ++i) {
    QVERIFY(window.model().calcResistivity[i] > 0.0f);
    QVERIFY(window.model().calcIp[i] > 0.0f && window.model().calcIp[i] < 1.0f);
  }
  QVERIFY(window.listing().toPlainText().contains(QStringLiteral("App. Res.")));
  QCOMPARE(NonWhite(window.canvas()), 0);  // the listing is not painted over the plot

  window.ForwardWndProc(kForwardDisplay);
  QVERIFY(NonWhite(window.canvas()) > 0);  // the plot
  // Display leaves the chargeabilities as they were (fractions).
  QVERIFY(window.model().calcIp[0] < 1.0f);
  QCOMPARE(window.model().model.chargeability[1], 0.045f);

  QString saved = scratch_->filePath("ip_response.dat");
  QString save_title;
  QString start;
  dialogs.Then([&](QDialog& dialog) {
    save_title = dialog.windowTitle();
    start = static_cast<QFileDialog&>(dialog).directory().absolutePath();
    ChooseFile(dialog, saved);
  });
  window.ForwardWndProc(kForwardSave);
  QCOMPARE(save_title, QStringLiteral("File Name for apparent resistivity values"));
  QCOMPARE(start, scratch_->path());
  // The saved file reads back as IP data at the calculated values.
  ProgramState read;
  QtHost host(nullptr, dialogs, read);
  QtCanvas listing_canvas;
  QCOMPARE(ReadDataFile(saved.toStdString(), read, listing_canvas, host), 0);
  QCOMPARE(read.data.pointCount, 12);
  QCOMPARE(read.data.dataKind, DataKind::kIp);
  for (int i = 0; i < 12; ++i) {
    QVERIFY(qAbs(read.data.apparentResistivity[i] / window.model().calcResistivity[i] - 1) < 1e-4);
  }
  QCOMPARE(dialogs.unexpected, 0);
}

void ForwardWindowTest::arrayTypeChangeNeedsNewCalculation() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
  Calculated(window, dialogs);
  const float wenner_rho = window.model().calcResistivity[7];
  // Cancel keeps the code and the response, whatever was clicked.
  bool wenner_checked = false;
  dialogs.Then([&](QDialog& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select array type"));
    wenner_checked = dialog.findChild<QRadioButton*>("radio1041")->isChecked();
    Click(dialog, "radio1042");
    Click(dialog, "button2");
  });
  window.ForwardWndProc(kForwardArrayType);
  QVERIFY(wenner_checked);
  QCOMPARE(window.model().arrayType, ArrayType::kWenner);
  QCOMPARE(window.calculatedFlag(), 1);
  QCOMPARE(program_.dialogResult, 2);
  // OK without a change keeps the response too.
  dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
  window.ForwardWndProc(kForwardArrayType);
  QCOMPARE(window.calculatedFlag(), 1);
  QCOMPARE(program_.dialogResult, 1);
  // A changed type drops it.
  dialogs.Then([](QDialog& dialog) {
    Click(dialog, "radio1042");
    Click(dialog, "button1");
  });
  window.ForwardWndProc(kForwardArrayType);
  QCOMPARE(window.model().arrayType, ArrayType::kSchlumberger);
  QCOMPARE(window.calculatedFlag(), 0);
  window.ForwardWndProc(kForwardDisplay);
  QCOMPARE(dialogs.messages.last().text, kNotCalculated);
  // The next calculation uses the Schlumberger filter: the curve differs at
  // the same spacings.
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
  QVERIFY(qAbs(window.model().calcResistivity[7] - wenner_rho) > 0.01f * wenner_rho);
  // The dialog opens on the current code.
  bool schlumberger_checked = false;
  dialogs.Then([&](QDialog& dialog) {
    schlumberger_checked = dialog.findChild<QRadioButton*>("radio1042")->isChecked();
    dialog.reject();
  });
  window.ForwardWndProc(kForwardArrayType);
  QVERIFY(schlumberger_checked);
  QCOMPARE(dialogs.unexpected, 0);
}

// The engine chosen for the program's runs computes the forward response too.
void ForwardWindowTest::calculateRunsTheProgramsEngine() {
  ScriptedDialogs dialogs;
  ForwardWindow documented(program_, dialogs, nullptr);
  Calculated(documented, dialogs);
  program_.engine.engine = EngineKind::kAccurate;
  ForwardWindow accurate(program_, dialogs, nullptr);
  Calculated(accurate, dialogs);
  for (int i = 0; i < accurate.model().spacingCount; ++i) {
    const float exact = accurate.model().calcResistivity[i];
    const float filtered = documented.model().calcResistivity[i];
    QVERIFY2(qAbs(exact - filtered) < 0.01f * filtered, qPrintable(QString::number(i)));
  }
  QVERIFY(accurate.model().calcResistivity != documented.model().calcResistivity);
  QCOMPARE(dialogs.unexpected, 0);
}

void ForwardWindowTest::sipOutputFormDecidesWhatIsWritten() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
  Read(window, dialogs, Example("sip_model.mod"));
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
  QCOMPARE(dialogs.messages.last().text, QStringLiteral("Calculations completed"));
  const ForwardModel& model = window.model();
  const int n = model.spacingCount;
  // First point, second frequency, as the writer formats a pair.
  auto pair = [](float first, float second) {
    return QString::fromStdString(StrFormat("    %13.8f %13.8f", first, second));
  };
  const QString amplitude_phase = pair(model.amplitude[0 + n], model.phase[0 + n]);
  const QString real_imaginary = pair(model.real[0 + n], model.imaginary[0 + n]);
  QVERIFY(amplitude_phase != real_imaginary);

  QString first = scratch_->filePath("amplitude.dat");
  Save(window, dialogs, first);
  QString text = FileText(first);
  QVERIFY(text.contains(QStringLiteral("\nAmplitude-Phase\n")));
  QVERIFY(text.contains(amplitude_phase));

  bool amplitude_checked = false;
  dialogs.Then([&](QDialog& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select type of data output"));
    amplitude_checked = dialog.findChild<QRadioButton*>("radio1031")->isChecked();
    Click(dialog, "radio1030");
    Click(dialog, "button1");
  });
  window.ForwardWndProc(kForwardSipOutput);
  QVERIFY(amplitude_checked);
  QCOMPARE(model.outputSipForm, SipForm::kInphaseOutphase);
  QCOMPARE(window.calculatedFlag(), 1);  // the form does not change the response

  QString second = scratch_->filePath("inphase.dat");
  Save(window, dialogs, second);
  text = FileText(second);
  QVERIFY(text.contains(QStringLiteral("\nInphase-Outphase\n")));
  QVERIFY(text.contains(real_imaginary));
  QVERIFY(!text.contains(amplitude_phase));

  // Cancel puts back the form that was current at opening.
  dialogs.Then([](QDialog& dialog) {
    Click(dialog, "radio1031");
    Click(dialog, "button2");
  });
  window.ForwardWndProc(kForwardSipOutput);
  QCOMPARE(model.outputSipForm, SipForm::kInphaseOutphase);
  QCOMPARE(dialogs.unexpected, 0);
}

void ForwardWindowTest::failedReadsAndSavesAreHandled() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
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
  QVERIFY(testing::WriteBytes(bad, "Too short\n"));
  Read(window, dialogs, bad);
  QCOMPARE(window.calculatedFlag(), 0);
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 0);
  window.ForwardWndProc(kForwardDisplay);
  QCOMPARE(dialogs.messages.last().text, kNotCalculated);
}

// Saving writes only a file the data-file reader takes back, and never over
// the model file the response was computed from.
void ForwardWindowTest::unreadableResponsesAndTheModelFileAreNotSaved() {
  ScriptedDialogs dialogs;
  ForwardWindow window(program_, dialogs, nullptr);
  const QString model = scratch_->filePath("sip_generated.mod");
  QVERIFY(QFile::copy(Example("sip_generated.mod"), model));
  Read(window, dialogs, model);
  window.ForwardWndProc(kForwardCalculate);
  QCOMPARE(window.calculatedFlag(), 1);
  const int before = dialogs.messages.size();
  Save(window, dialogs, scratch_->filePath("response.dat"));
  QCOMPARE(dialogs.messages.size(), before + 1);
  QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("24 frequencies")));
  QVERIFY(!QFile::exists(scratch_->filePath("response.dat")));

  QFile original(model);
  QVERIFY(original.open(QIODevice::ReadOnly));
  const QByteArray contents = original.readAll();
  original.close();
  dialogs.AnswerNextMessage(QMessageBox::Yes);  // replace it
  Save(window, dialogs, model);
  QCOMPARE(dialogs.messages.size(), before + 3);
  QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("It is the model file")));
  QVERIFY(original.open(QIODevice::ReadOnly));
  QCOMPARE(original.readAll(), contents);
}

void ForwardWindowTest::welcomeThenQuitClosesAndClearsTheModeFlag() {
  ScriptedDialogs dialogs;
  QPointer<ForwardWindow> window =
      new ForwardWindow(program_, dialogs, [this](int flag) { mode_flag_ = flag; });
  QVERIFY(ShowExposed(*window, 800, 600));
  QTRY_COMPARE(window->lastCommand(), 0);
  QCOMPARE(mode_flag_, 1);
  QCOMPARE(dialogs.messages.size(), 1);
  QCOMPARE(dialogs.messages[0].text,
           QStringLiteral("Welcome to Forward Modelling Window.\nAfter completing your job, "
                          "please click\nExit to return to the Main Menu."));
  QCOMPARE(dialogs.messages[0].caption, QStringLiteral("Message"));
  QCOMPARE(dialogs.messages[0].icon, QMessageBox::Information);
  // Only the first paint shows it.
  window->canvas().repaint();
  QCoreApplication::processEvents();
  QCOMPARE(dialogs.messages.size(), 1);
  window->findChild<QAction*>("command510quit")->trigger();
  QCOMPARE(mode_flag_, 0);
  QTRY_VERIFY(window.isNull());  // destroyed once closed
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::ForwardWindowTest)
#include "forward_window_test.moc"
