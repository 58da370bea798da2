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

namespace layra::testing {
namespace {

bool Checked(QDialog& dialog, const char* radio) {
  return dialog.findChild<QRadioButton*>(radio)->isChecked();
}

class SettingsDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // The current factors are shown and kept on Cancel; OK stores what a field's
  // 19 characters hold, limited by the settings rules.
  void dampingFactorsAreShownAndStoredOnOk() {
    InversionSettings settings;
    settings.initialDampingFactor = 0.3f;
    settings.minimumDampingFactor = 0.02f;
    int result = 0;
    {
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
    }
    QCOMPARE(result, 2);
    QCOMPARE(settings.initialDampingFactor, 0.3f);
    QCOMPARE(settings.minimumDampingFactor, 0.02f);
    DampDiaBox dialog(settings, result);
    SetEdit(dialog, "edit755", QString(19, ' ') + "5");  // the 5 is beyond the field
    SetEdit(dialog, "edit756", "0.5");
    Click(dialog, "button1");
    QCOMPARE(result, 1);
    QCOMPARE(settings.initialDampingFactor, 0.01f);
    QCOMPARE(settings.minimumDampingFactor, 0.25f);
  }

  // Entered in per cent; the next dialog shows the stored value, and Cancel keeps it.
  void convergenceLimitIsReadAsPercentage() {
    const auto kind = ConvergenceLimitDialog::Kind::kClmDiaBox;
    InversionSettings settings;
    int result = 0;
    {
      ConvergenceLimitDialog first(kind, settings, result);
      QCOMPARE(first.windowTitle(), QStringLiteral("Choose convergence limit"));
      SetEdit(first, "edit770", "0.5");
      Click(first, "button1");
    }
    QCOMPARE(result, 1);
    QCOMPARE(settings.convergenceLimit, 0.005f);
    {
      ConvergenceLimitDialog next(kind, settings, result);
      QCOMPARE(EditText(next, "edit770"), QStringLiteral("0.500"));
      SetEdit(next, "edit770", "55");
      Click(next, "button2");
    }
    QCOMPARE(result, 2);
    QCOMPARE(settings.convergenceLimit, 0.005f);
  }

  // The dialog stores what was typed (the main window limits it); Cancel keeps it.
  void iterationCountIsReadUnclamped() {
    struct Case {
      const char* entered;
      const char* button;
      int stored;
    };
    InversionSettings settings;
    int result = 0;
    for (const Case& c : {Case{"40", "button1", 40}, Case{"12", "button2", 40}}) {
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

  void additionalIterationsStartAtZero() {
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

  void constraintRadiosWriteAtOnceAndCancelUndoes() {
    InversionSettings settings;
    settings.minimumDampingFactor = 0.05f;
    settings.modelConstraint = 1;
    settings.dataCutoff = 0.002f;
    int result = 0;
    DataConstrainDiaBox dialog(settings, result);
    QVERIFY(Checked(dialog, "radio1431"));
    QVERIFY(Checked(dialog, "radio1435"));
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
    QVERIFY(Checked(robust, "radio1434"));
    Click(robust, "radio1435");
    Click(robust, "button1");
    QCOMPARE(result, 1);
    QCOMPARE(settings.modelConstraint, 1);
    QCOMPARE(settings.minimumDampingFactor, 0.01f);

    // Cut-off factors are clamped on OK.
    DataConstrainDiaBox cutoffs(settings, result);
    SetEdit(cutoffs, "edit1433", "0.5");
    SetEdit(cutoffs, "edit1436", "7");
    Click(cutoffs, "button1");
    QCOMPARE(settings.dataCutoff, 0.1f);
    QCOMPARE(settings.modelCutoff, 1.0f);
  }

  void engineAndDataErrorsAreStoredOnOkOnly() {
    EngineOptions options;
    int result = 0;
    EngineDiaBox cancelled(options, result);
    QCOMPARE(cancelled.windowTitle(), QStringLiteral("Inversion engine and data errors"));
    QVERIFY(Checked(cancelled, "radio1441"));
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

  void userModelCountIsCheckedAndNineLayersAreRead() {
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
    // Nine layers take the last resistivity from edit1018.
    UserModelDiaBox nine(user_model, result, nullptr);
    QStringList values{"9"};
    for (int layer = 1; layer <= 8; ++layer) values << QString::number(10 * layer) << "2";
    for (const auto& [name, text] : NumberedEdits(1001, values << "900")) {
      SetEdit(nine, name, text);
    }
    Click(nine, "button1021");
    QCOMPARE(result, 1);
    QCOMPARE(user_model.layerCount, 9);
    QCOMPARE(user_model.resistivity[7], 80.0f);
    QCOMPARE(user_model.resistivity[8], 900.0f);
  }

  void userModelFixBoxesNameTheHeldValuesOfLayersInUse() {
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

  // The picture follows the values as they are typed, with the model the
  // fields give; fields that give no model the program takes leave it be.
  void userModelPreviewFollowsTheTyping() {
    LayeredModel user_model;
    user_model.layerCount = 2;
    user_model.resistivity[0] = 10.0f;
    user_model.resistivity[1] = 100.0f;
    user_model.thickness[0] = 5.0f;
    int result = 0;
    UserModelDiaBox dialog(user_model, result, nullptr);
    std::vector<LayeredModel> drawn;
    dialog.setPreview([&drawn](Canvas&, const LayeredModel& model) { drawn.push_back(model); });
    auto* rho1 = dialog.findChild<QLineEdit*>("edit1002");
    rho1->clear();
    QTest::keyClicks(rho1, "25");  // "" gives no model, "2" and "25" do
    QCOMPARE(drawn.size(), size_t{2});
    QCOMPARE(drawn.back().layerCount, 2);
    QCOMPARE(drawn.back().resistivity[0], 25.0f);
    QCOMPARE(drawn.back().thickness[0], 5.0f);
    QTest::keyClicks(dialog.findChild<QLineEdit*>("edit1001"), "0");  // a count out of range: none
    QCOMPARE(drawn.size(), size_t{2});
    QCOMPARE(user_model.resistivity[0], 10.0f);  // the model itself changes on OK only
  }

  void userModelEnterAndArrowsCycleThroughEveryEditEscAsks() {
    LayeredModel user_model;
    int result = 0;
    UserModelDiaBox dialog(user_model, result, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto press = [&dialog](Qt::Key key) {
      QTest::keyClick(dialog.focusWidget(), key);
      return dialog.focusWidget() != nullptr ? dialog.focusWidget()->objectName() : QString();
    };
    QCOMPARE(dialog.focusWidget()->objectName(), QStringLiteral("edit1001"));
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("edit1018"));  // the ninth resistivity
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("edit1001"));
    QCOMPARE(press(Qt::Key_Enter), QStringLiteral("edit1002"));
    // A click into an edit makes it the current one.
    QTest::mouseClick(dialog.findChild<QLineEdit*>("edit1009"), Qt::LeftButton);
    QCOMPARE(press(Qt::Key_Return), QStringLiteral("edit1010"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(result, 2);  // nothing chosen yet
    // Esc does not move between fields: with entries made it asks before
    // they are discarded.
    int asked = 0;
    bool discard = false;
    dialog.setDiscardQuestion([&] {
      ++asked;
      return discard;
    });
    SetEdit(dialog, "edit1002", "123");
    press(Qt::Key_Escape);
    QCOMPARE(asked, 1);
    QVERIFY(dialog.isVisible());
    discard = true;
    press(Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(result, 2);
  }

  void userModelPictureIsDrawn() {
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
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::SettingsDialogsTest)
#include "settings_dialogs_test.moc"
