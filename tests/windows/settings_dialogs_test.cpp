// The settings dialogs: what they show, what OK stores (clamped), what Cancel
// leaves, and the dialog-result field.

#include "windows/settings_dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "state/records.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"
#include "windows/user_model_dialog.h"

namespace layra {
namespace {

using testing::Click;
using testing::EditText;
using testing::SetEdit;

class SettingsDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void dampingFactorsAreClampedOnOk_data();
  void dampingFactorsAreClampedOnOk();
  void dampingShowsCurrentFactorsAndCancelKeepsThem();
  void convergenceLimitIsReadAsPercentage_data();
  void convergenceLimitIsReadAsPercentage();
  void iterationCountIsReadUnclamped();
  void additionalIterationsStartAtZero();
  void constraintRadiosWriteAtOnceAndCancelUndoes();
  void cutoffFactorsAreClamped();
  void engineAndDataErrorsAreStoredOnOkOnly();
  void userModelOutOfRangeCountOrCancelKeepsPrevious();
  void userModelFixBoxesNameTheHeldValuesOfLayersInUse();
  void userModelNineLayersReadsEightPairsAndEdit1018();
  void userModelEnterAndEscapeCycleThroughEveryEdit();
  void userModelPictureIsDrawn();
};

void SettingsDialogsTest::dampingFactorsAreClampedOnOk_data() {
  QTest::addColumn<QString>("initial");
  QTest::addColumn<QString>("minimum");
  QTest::addColumn<float>("storedInitial");
  QTest::addColumn<float>("storedMinimum");
  QTest::newRow("above the limits") << "5"
                                    << "0.5" << 1.0f << 0.25f;
  QTest::newRow("text reads as 0") << "abc"
                                   << "x1" << 0.01f << 0.001f;
  QTest::newRow("within the limits") << "0.2"
                                     << "0.005" << 0.2f << 0.005f;
  QTest::newRow("negative") << "-0.3"
                            << "-1" << 0.01f << 0.001f;
  QTest::newRow("trailing text ignored") << "0.35xyz"
                                         << " 0.02 " << 0.35f << 0.02f;
  // Only the first 19 characters of a damping field are read: the 5 is lost.
  QTest::newRow("long field cut") << QString(19, ' ') + "5"
                                  << "0.1" << 0.01f << 0.1f;
}

void SettingsDialogsTest::dampingFactorsAreClampedOnOk() {
  QFETCH(QString, initial);
  QFETCH(QString, minimum);
  QFETCH(float, storedInitial);
  QFETCH(float, storedMinimum);
  InversionSettings settings;
  int result = 0;
  DampDiaBox dialog(settings, result);
  SetEdit(dialog, "edit755", initial);
  SetEdit(dialog, "edit756", minimum);
  Click(dialog, "button1");
  QCOMPARE(result, 1);
  QCOMPARE(settings.initialDampingFactor, storedInitial);
  QCOMPARE(settings.minimumDampingFactor, storedMinimum);
}

void SettingsDialogsTest::dampingShowsCurrentFactorsAndCancelKeepsThem() {
  InversionSettings settings;
  settings.initialDampingFactor = 0.3f;
  settings.minimumDampingFactor = 0.02f;
  int result = 0;
  DampDiaBox dialog(settings, result);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter New Damping Factors"));
  QCOMPARE(dialog.findChild<QLabel*>("static753")->text(),
           QStringLiteral("Initial Damping factor is 0.3000"));
  QCOMPARE(dialog.findChild<QLabel*>("static754")->text(),
           QStringLiteral("Minimum Damping factor is 0.0200"));
  QCOMPARE(EditText(dialog, "edit755"), QStringLiteral("0.3000"));
  QCOMPARE(EditText(dialog, "edit756"), QStringLiteral("0.0200"));
  SetEdit(dialog, "edit755", "0.9");
  Click(dialog, "button2");
  QCOMPARE(result, 2);
  QCOMPARE(settings.initialDampingFactor, 0.3f);
  QCOMPARE(settings.minimumDampingFactor, 0.02f);
}

void SettingsDialogsTest::convergenceLimitIsReadAsPercentage_data() {
  QTest::addColumn<QString>("entered");
  QTest::addColumn<float>("stored");
  QTest::addColumn<QString>("shownNext");
  QTest::newRow("2 %") << "2" << 0.02f << "2.000";
  QTest::newRow("0 %") << "0" << 0.0001f << "0.010";
  QTest::newRow("150 %") << "150" << 1.0f << "100.000";
  QTest::newRow("not a number") << "two" << 0.0001f << "0.010";
  QTest::newRow("0.5 %") << "0.5" << 0.005f << "0.500";
}

void SettingsDialogsTest::convergenceLimitIsReadAsPercentage() {
  QFETCH(QString, entered);
  QFETCH(float, stored);
  QFETCH(QString, shownNext);
  InversionSettings settings;
  int result = 0;
  const auto kind = ConvergenceLimitDialog::Kind::kClmDiaBox;
  {
    ConvergenceLimitDialog first(kind, settings, result);
    QCOMPARE(first.windowTitle(), QStringLiteral("Choose convergence limit"));
    SetEdit(first, "edit770", entered);
    Click(first, "button1");
  }
  QCOMPARE(result, 1);
  QCOMPARE(settings.convergenceLimit, stored);
  {
    ConvergenceLimitDialog next(kind, settings, result);
    QCOMPARE(EditText(next, "edit770"), shownNext);
    SetEdit(next, "edit770", "55");
    Click(next, "button2");
  }
  QCOMPARE(result, 2);
  ConvergenceLimitDialog after_cancel(kind, settings, result);
  QCOMPARE(EditText(after_cancel, "edit770"), shownNext);
}

void SettingsDialogsTest::iterationCountIsReadUnclamped() {
  // The dialog stores what was typed; the main window limits it to 1..25.
  // Something that is not an unsigned number reads as 0; Cancel keeps it.
  struct Case {
    const char* entered;
    const char* button;
    int stored;
  };
  InversionSettings settings;
  int result = 0;
  for (const Case& c :
       {Case{"40", "button1", 40}, Case{"-3", "button1", 0}, Case{"12", "button2", 0}}) {
    const QString shown = QString::number(settings.iterationLimit);  // 8 at first
    NitDiaBox dialog(settings, result);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose number of iterations"));
    QCOMPARE(EditText(dialog, "edit760"), shown);
    SetEdit(dialog, "edit760", c.entered);
    Click(dialog, c.button);
    QCOMPARE(settings.iterationLimit, c.stored);
  }
  QCOMPARE(result, 2);
}

void SettingsDialogsTest::additionalIterationsStartAtZero() {
  InversionSettings settings;
  settings.additionalIterations = 7;
  int result = 0;
  {
    IterDiaBox dialog(settings, result);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter Additional Iterations"));
    QCOMPARE(settings.additionalIterations, 0);
    SetEdit(dialog, "edit761", "5");
    Click(dialog, "button2");
  }
  QCOMPARE(settings.additionalIterations, 0);
  QCOMPARE(result, 2);
  {
    IterDiaBox dialog(settings, result);
    SetEdit(dialog, "edit761", " 5 ");
    Click(dialog, "button1");
  }
  QCOMPARE(settings.additionalIterations, 5);
  QCOMPARE(result, 1);
}

void SettingsDialogsTest::constraintRadiosWriteAtOnceAndCancelUndoes() {
  InversionSettings settings;
  settings.minimumDampingFactor = 0.05f;
  settings.modelConstraint = 1;
  settings.dataCutoff = 0.002f;
  int result = 0;
  DataConstrainDiaBox dialog(settings, result);
  QVERIFY(dialog.findChild<QRadioButton*>("radio1431")->isChecked());
  QVERIFY(dialog.findChild<QRadioButton*>("radio1435")->isChecked());
  QCOMPARE(EditText(dialog, "edit1433"), QStringLiteral("0.00200"));
  QCOMPARE(EditText(dialog, "edit1436"), QStringLiteral("0.00100"));
  Click(dialog, "radio1432");
  Click(dialog, "radio1434");
  QCOMPARE(settings.dataConstraint, 1);
  QCOMPARE(settings.modelConstraint, 0);
  SetEdit(dialog, "edit1433", "0.05");
  Click(dialog, "button2");
  QCOMPARE(result, 2);
  QCOMPARE(settings.dataConstraint, 0);
  QCOMPARE(settings.modelConstraint, 1);
  QCOMPARE(settings.dataCutoff, 0.002f);
  // Cancel does not apply the robust rule to the damping factor; OK does.
  QCOMPARE(settings.minimumDampingFactor, 0.05f);
  settings.modelConstraint = 0;
  DataConstrainDiaBox robust(settings, result);
  QCOMPARE(robust.windowTitle(), QStringLiteral("Select robust inversion"));
  QVERIFY(robust.findChild<QRadioButton*>("radio1434")->isChecked());
  Click(robust, "radio1435");
  Click(robust, "button1");
  QCOMPARE(result, 1);
  QCOMPARE(settings.modelConstraint, 1);
  QCOMPARE(settings.minimumDampingFactor, 0.01f);
}

void SettingsDialogsTest::cutoffFactorsAreClamped() {
  struct Case {
    const char* data;
    const char* model;
    float storedData;
    float storedModel;
  };
  InversionSettings settings;
  int result = 0;
  for (const Case& c : {Case{"0.5", "7", 0.1f, 1.0f}, Case{"none", "0.00001", 0.0001f, 0.0001f}}) {
    DataConstrainDiaBox dialog(settings, result);
    SetEdit(dialog, "edit1433", c.data);
    SetEdit(dialog, "edit1436", c.model);
    Click(dialog, "button1");
    QCOMPARE(settings.dataCutoff, c.storedData);
    QCOMPARE(settings.modelCutoff, c.storedModel);
  }
  // Standard constraints leave the minimum damping factor alone.
  QCOMPARE(settings.minimumDampingFactor, 0.01f);
}

void SettingsDialogsTest::engineAndDataErrorsAreStoredOnOkOnly() {
  EngineOptions options;
  int result = 0;
  EngineDiaBox cancelled(options, result);
  QCOMPARE(cancelled.windowTitle(), QStringLiteral("Inversion engine and data errors"));
  QVERIFY(cancelled.findChild<QRadioButton*>("radio1441")->isChecked());
  QCOMPARE(EditText(cancelled, "edit1443"), QStringLiteral("1"));
  QCOMPARE(EditText(cancelled, "edit1444"), QStringLiteral("3"));
  Click(cancelled, "radio1442");
  SetEdit(cancelled, "edit1443", "2");
  Click(cancelled, "button2");
  QCOMPARE(result, 2);
  QCOMPARE(options.engine, EngineKind::kDocumented);
  QCOMPARE(options.errorFloorPercent, 1.0);

  // Out of range is clamped; text that is not a number keeps the value.
  EngineDiaBox dialog(options, result);
  Click(dialog, "radio1442");
  SetEdit(dialog, "edit1443", "250");
  SetEdit(dialog, "edit1444", "five");
  Click(dialog, "button1");
  QCOMPARE(result, 1);
  QCOMPARE(options.engine, EngineKind::kAccurate);
  QCOMPARE(options.errorFloorPercent, 100.0);
  QCOMPARE(options.assumedErrorPercent, 3.0);
}

void SettingsDialogsTest::userModelOutOfRangeCountOrCancelKeepsPrevious() {
  LayeredModel user_model;
  user_model.layerCount = 3;
  user_model.resistivity[0] = 10.0f;
  int result = 0;
  UserModelDiaBox dialog(user_model, result, nullptr);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Enter user model"));
  SetEdit(dialog, "edit1001", "10");
  SetEdit(dialog, "edit1002", "500");
  Click(dialog, "button1021");
  // A count it cannot take: the dialog says so and reads nothing.
  QCOMPARE(result, 2);
  QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("message"))->text().contains("2 to 9"));
  QCOMPARE(user_model.layerCount, 3);
  QCOMPARE(user_model.resistivity[0], 10.0f);
  // Cancel puts back the count shown at opening.
  UserModelDiaBox again(user_model, result, nullptr);
  QCOMPARE(EditText(again, "edit1001"), QStringLiteral("3"));
  SetEdit(again, "edit1001", "2");
  Click(again, "button1022");
  QCOMPARE(result, 2);
  QCOMPARE(user_model.layerCount, 3);
}

void SettingsDialogsTest::userModelFixBoxesNameTheHeldValuesOfLayersInUse() {
  LayeredModel user_model;
  int result = 0;
  std::vector<std::string> fixed = {"h1"};
  UserModelDiaBox dialog(user_model, result, nullptr, nullptr, &fixed);
  QVERIFY(dialog.findChild<QCheckBox*>("fixH1")->isChecked());
  dialog.findChild<QCheckBox*>("fixRho2")->setChecked(true);
  dialog.findChild<QCheckBox*>("fixRho5")->setChecked(true);  // beyond the layers in use
  dialog.findChild<QCheckBox*>("fixH3")->setChecked(true);    // the half-space has none
  SetEdit(dialog, "edit1001", "3");
  Click(dialog, "button1021");
  QCOMPARE(result, 1);
  QCOMPARE(fixed, (std::vector<std::string>{"h1", "rho2"}));
}

void SettingsDialogsTest::userModelNineLayersReadsEightPairsAndEdit1018() {
  LayeredModel user_model;
  int result = 0;
  UserModelDiaBox dialog(user_model, result, nullptr);
  QStringList values{"9"};
  for (int layer = 1; layer <= 8; ++layer) {
    values << QString::number(10 * layer) << QString::number(layer + 0.5);
  }
  for (const auto& [name, text] : testing::NumberedEdits(1001, values << "900")) {
    SetEdit(dialog, name, text);
  }
  Click(dialog, "button1021");
  QCOMPARE(result, 1);
  QCOMPARE(user_model.layerCount, 9);
  for (int layer = 1; layer <= 8; ++layer) {
    QCOMPARE(user_model.resistivity[layer - 1], 10.0f * layer);
    QCOMPARE(user_model.thickness[layer - 1], layer + 0.5f);
  }
  QCOMPARE(user_model.resistivity[8], 900.0f);
}

void SettingsDialogsTest::userModelEnterAndEscapeCycleThroughEveryEdit() {
  LayeredModel user_model;
  int result = 0;
  UserModelDiaBox dialog(user_model, result, nullptr);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowActive(&dialog));
  auto focused = [&dialog] {
    return dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName() : QString();
  };
  QCOMPARE(focused(), QStringLiteral("edit1001"));
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
  QCOMPARE(focused(), QStringLiteral("edit1018"));  // the ninth layer's resistivity
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  QCOMPARE(focused(), QStringLiteral("edit1001"));
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Enter);
  QCOMPARE(focused(), QStringLiteral("edit1002"));
  // A click into an edit makes it the current one.
  QTest::mouseClick(dialog.findChild<QLineEdit*>("edit1009"), Qt::LeftButton);
  QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
  QCOMPARE(focused(), QStringLiteral("edit1010"));
  QVERIFY(dialog.isVisible());
  QCOMPARE(result, 2);  // nothing chosen yet
}

void SettingsDialogsTest::userModelPictureIsDrawn() {
  LayeredModel user_model;
  int result = 0;
  int calls = 0;
  UserModelDiaBox dialog(user_model, result, [&calls](Canvas& canvas) {
    ++calls;
    canvas.SelectPen(Pen{PenStyle::kSolid, kRed});
    canvas.MoveTo(0, 10);
    canvas.LineTo(canvas.Width(), 10);
  });
  QCOMPARE(calls, 1);
  QtCanvas& picture = dialog.picture();
  QCOMPARE(picture.objectName(), QStringLiteral("picture1020"));
  QVERIFY(picture.Width() >= 400);
  QCOMPARE(picture.GetPixel(picture.Width() - 1, 10), kRed);
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::SettingsDialogsTest)
#include "settings_dialogs_test.moc"
