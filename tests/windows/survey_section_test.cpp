// Display > Survey section on the example survey: the file chosen, every
// sounding inverted, the section window showing the channel where it was
// made, and a click on a column opening that sounding in the main window; a
// bad survey file is refused with its message.

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "graphics/drawing_record.h"
#include "tests/windows/scripted_dialogs.h"
#include "windows/main_window.h"
#include "windows/qt_canvas.h"
#include "windows/result_tables.h"
#include "windows/survey_section_window.h"
#include "windows/workspace_view.h"

namespace layra::testing {
namespace {

// Squared distance of two colours.
int Distance(Rgb a, Rgb b) {
  const int r = a.red - b.red, g = a.green - b.green, bl = a.blue - b.blue;
  return r * r + g * g + bl * bl;
}

class SurveySectionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
    const QString examples = QStringLiteral(LAYRA_EXAMPLES_DIR "/survey/");
    QStringList names = {QStringLiteral("channel_survey.csv")};
    for (int k = 1; k <= 8; ++k) names << QStringLiteral("A%1.dat").arg(k);
    for (const QString& name : names) {
      QVERIFY(QFile::copy(examples + name, scratch_->filePath(name)));
    }
  }

  void sectionShowsTheExampleChannel() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(window.findChild<QAction*>(QStringLiteral("command132")) != nullptr);
    dialogs.ThenChoose(scratch_->filePath(QStringLiteral("channel_survey.csv")));
    window.RunCommand(kCommandSurveySection);
    QCOMPARE(dialogs.unexpected, 0);
    QVERIFY2(dialogs.messages.isEmpty(),
             qPrintable(dialogs.messages.value(0).text));  // every sounding was inverted
    QVERIFY(QFile::exists(scratch_->filePath(QStringLiteral("channel_survey_results/A8.INV"))));
    // The survey opens as a project of its soundings, each with its run.
    QCOMPARE(window.workspace().count(), 8);
    QCOMPARE(window.workspace().at(7).document->runs.size(), size_t{1});

    auto* section = qobject_cast<SurveySectionWindow*>(window.surveyWindow());
    QVERIFY(section != nullptr);
    section->resize(1000, 650);
    QCoreApplication::processEvents();
    section->Redraw();
    const SectionLayout& layout = section->layout();
    const Rgb conductor = layout.ColourOf(10.0);
    const Rgb gravel = layout.ColourOf(400.0);
    for (double distance : {0.0, 100.0, 150.0, 200.0, 250.0, 350.0}) {
      const Rgb pixel = section->canvas().GetPixel(layout.X(distance), layout.Y(9.0));
      const bool in_channel = distance >= 150.0 && distance <= 250.0;
      QVERIFY2((Distance(pixel, conductor) < Distance(pixel, gravel)) == in_channel,
               qPrintable(QStringLiteral("at %1 m").arg(distance)));
    }

    // The section is exported through the picture commands, offered under
    // the survey's name, and drawn anew at the size chosen.
    QVERIFY(section->findChild<QPushButton*>(QStringLiteral("printPicture")) != nullptr);
    QString offered;
    dialogs.Then([&](QDialog& dialog) {
      offered = Offered(dialog);
      ChooseFile(dialog, scratch_->filePath(QStringLiteral("section.svg")));
    });
    dialogs.Then([](QDialog& dialog) { dialog.accept(); });
    section->findChild<QPushButton*>(QStringLiteral("exportPicture"))->click();
    QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("channel_survey_section.png"));
    const QByteArray svg = FileBytes(scratch_->filePath(QStringLiteral("section.svg")));
    QVERIFY(svg.contains("A5</text>"));
    QVERIFY(svg.contains(QStringLiteral("width=\"%1\"").arg(section->canvas().width()).toLatin1()));
    // And printed, here to a PDF file through the print dialog.
    const QString printed = scratch_->filePath(QStringLiteral("printed.pdf"));
    dialogs.Then([&](QDialog& dialog) {
      QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(printed);
      dialog.done(QDialog::Accepted);
    });
    section->findChild<QPushButton*>(QStringLiteral("printPicture"))->click();
    QVERIFY(FileBytes(printed).startsWith("%PDF"));

    // A click on A5's column shows A5 everywhere in the main window with the
    // run's model: plot, Model panel, plot in units, listing and status bar.
    QTest::mouseClick(&section->canvas(),
                      Qt::LeftButton,
                      Qt::NoModifier,
                      QPoint(layout.X(205.0), layout.Y(20.0)));
    QVERIFY(window.document().data.title.find("sounding A5") != std::string::npos);
    QCOMPARE(window.workspace().current(), 4);  // selected in the sounding list, not read again
    QCOMPARE(window.workspace().count(), 8);
    QVERIFY(window.shownRun() != nullptr);
    const LayeredModel& model = window.shownRun()->outcome.model;
    QVERIFY(model.layerCount > 2);
    QCOMPARE(window.modelTable().rowCount(), model.layerCount);
    DrawingRecord plot(1000, 700, TextMetrics{8, 16});
    QCOMPARE(static_cast<int>(window.workspaceView().Paint(plot).layers.size()), model.layerCount);
    QVERIFY(NonWhite(window.canvas()) > 0);
    QVERIFY(window.listing().toPlainText().contains(QStringLiteral("A5.dat completed")));
    QVERIFY(window.statusText().contains(QStringLiteral("Data: A5.dat")));
    QVERIFY(window.statusText().contains(
        QStringLiteral("Iteration: %1").arg(window.shownRun()->outcome.lastIteration)));
  }

  // The survey runs with the engine chosen in the settings.
  void surveyRunsTheEngineChosen() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    window.document().engine.engine = EngineKind::kAccurate;
    dialogs.ThenChoose(scratch_->filePath(QStringLiteral("channel_survey.csv")));
    window.RunCommand(kCommandSurveySection);
    QCOMPARE(window.workspace().count(), 8);
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(window.workspace().at(i).document->runs.back().options.engine.engine,
               EngineKind::kAccurate);
    }
  }

  void badSurveyFileIsRefused() {
    const QString path = scratch_->filePath(QStringLiteral("bad.csv"));
    QVERIFY(WriteBytes(path, "file,x,y\nA1.dat,0,0\n"));
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    dialogs.ThenChoose(path);
    window.RunCommand(kCommandSurveySection);
    QCOMPARE(dialogs.messages.size(), 1);  // its text is the survey reader's, tested there
    QVERIFY(window.surveyWindow() == nullptr);
  }

 private:
  std::unique_ptr<QTemporaryDir> scratch_;
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::SurveySectionTest)
#include "survey_section_test.moc"
