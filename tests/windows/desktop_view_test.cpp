// What the desktop program adds around the classic commands: a plot that
// follows the window's size, picture export and printing, the listing, model
// and data docks with points left out of an inversion, shortcuts, and files
// opened from the command line.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "tests/windows/scripted_dialogs.h"
#include "windows/display_window.h"
#include "windows/forward_window.h"
#include "windows/main_window.h"
#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"
#include "windows/result_tables.h"
#include "windows/workspace_view.h"

namespace layra::testing {
namespace {

// Column of the rightmost non-white pixel of the picture, -1 if none.
int RightmostDrawn(const QImage& image) {
  for (int x = image.width() - 1; x >= 0; --x) {
    for (int y = 0; y < image.height(); ++y) {
      if ((image.pixel(x, y) & 0xffffff) != 0xffffff) return x;
    }
  }
  return -1;
}

// Reads `data` and inverts it automatically with three iterations into
// `results`.
void ReadAndInvert(MainWindow& window,
                   ScriptedDialogs& dialogs,
                   const QString& data,
                   const QString& results) {
  QVERIFY(window.OpenFile(data));
  dialogs.ThenChoose(results);
  window.document().settings.iterationLimit = 3;
  window.RunCommand(kCommandAutomaticInversion);
}

class DesktopViewTest : public QObject {
  Q_OBJECT

  // Copies a file of the examples into the scratch directory.
  QString Example(const QString& name) {
    const QString target = scratch_->filePath(name);
    QFile::copy(QStringLiteral(LAYRA_EXAMPLES_DIR "/") + name, target);
    return target;
  }

  std::unique_ptr<QTemporaryDir> scratch_;

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
  }

  // The plot follows the window's size; it is exported by extension (nothing
  // before a plot) and printed.
  void plotFollowsTheWindowSizeAndIsExported() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 1000, 700));
    QVERIFY(!window.pictures().ExportPicture());
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("no picture")));
    ReadAndInvert(window, dialogs, Example("wenner.dat"), scratch_->filePath("w.INV"));
    QtCanvas& canvas = window.canvas();
    QVERIFY(canvas.hasPicture());
    const QSize before = canvas.size();
    const int right_before = RightmostDrawn(canvas.image().copy(QRect(QPoint(), before)));
    // Larger: the plot reaches further right; smaller: it still ends inside.
    for (const QSize& size : {QSize(1400, 900), QSize(700, 500)}) {
      window.resize(size);
      QTRY_VERIFY(canvas.size() != before);
      const int right = RightmostDrawn(canvas.image().copy(QRect(QPoint(), canvas.size())));
      QVERIFY2(right < canvas.width(), qPrintable(QString::number(right)));
      QCOMPARE(right > right_before, canvas.width() > before.width());
      QVERIFY(NonWhite(canvas) > 2000);
    }
    // Every format of the picture table, through the command line's writers;
    // the chooser offers the sounding's name; a PDF goes on a paper size.
    const struct {
      const char* name;
      QByteArray magic;
    } kinds[] = {{"plot.png", QByteArray("\x89PNG")},
                 {"plot.svg", QByteArray("<?xml")},
                 {"plot.bmp", QByteArray("BM")},
                 {"plot.pdf", QByteArray("%PDF")}};
    for (const auto& kind : kinds) {
      const QString path = scratch_->filePath(QLatin1String(kind.name));
      QString offered;
      dialogs.Then([&](QDialog& dialog) {
        offered = Offered(dialog);
        ChooseFile(dialog, path);
      });
      dialogs.Then([](QDialog& dialog) {
        dialog.findChild<QSpinBox*>(QStringLiteral("width"))->setValue(800);
        dialog.findChild<QSpinBox*>(QStringLiteral("height"))->setValue(600);
        dialog.accept();
      });
      QVERIFY2(window.pictures().ExportPicture(), kind.name);
      QCOMPARE(QFileInfo(offered).fileName(), QStringLiteral("wenner.png"));
      QVERIFY2(FileBytes(path).startsWith(kind.magic), kind.name);
    }
    QCOMPARE(QImage(scratch_->filePath("plot.png")).size(), QSize(800, 600));
    // The plot in units by default, its units in every format.
    QVERIFY(FileBytes(scratch_->filePath("plot.svg")).contains("<polyline"));
    QVERIFY(FileBytes(scratch_->filePath("plot.svg")).contains("(\xCE\xA9\xC2\xB7m)</text>"));
    const QByteArray pdf = FileBytes(scratch_->filePath("plot.pdf"));
    QVERIFY(pdf.contains("/MediaBox [0 0 841.89 595.276]"));
    QVERIFY(pdf.contains("/FontFile2"));
    // The documented layout exports its own picture.
    window.RunCommand(kCommandDocumentedLayout);
    dialogs.ThenChoose(scratch_->filePath("documented.svg"));
    dialogs.Then([](QDialog& dialog) { dialog.accept(); });
    QVERIFY(window.pictures().ExportPicture());
    const QByteArray documented = FileBytes(scratch_->filePath("documented.svg"));
    QVERIFY(documented.contains("Electrode spacing</text>") && !documented.contains("<polyline"));
    window.RunCommand(kCommandDocumentedLayout);
    // An unknown extension is refused with a message and writes nothing; a
    // file that cannot be written is reported and nothing is left behind.
    dialogs.ThenChoose(scratch_->filePath("plot.gif"));
    QVERIFY(!window.pictures().ExportPicture());
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral(".png, .svg, .bmp or .pdf")));
    dialogs.ThenChoose(scratch_->filePath("missing/plot.png"));
    dialogs.Then([](QDialog& dialog) { dialog.accept(); });
    QVERIFY(!window.pictures().ExportPicture());
    QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("No such file or directory")));
    QStringList written = QDir(scratch_->path()).entryList(QDir::Files);
    written.removeAll(QStringLiteral("wenner.dat"));
    written.removeAll(QStringLiteral("w.INV"));
    QCOMPARE(written,
             QStringList({QStringLiteral("documented.svg"),
                          QStringLiteral("plot.bmp"),
                          QStringLiteral("plot.pdf"),
                          QStringLiteral("plot.png"),
                          QStringLiteral("plot.svg")}));
    // Printing to a PDF file through the print dialog.
    const QString printed = scratch_->filePath("printed.pdf");
    dialogs.Then([&](QDialog& dialog) {
      QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(printed);
      dialog.done(QDialog::Accepted);  // as the dialog's Print button leaves it
    });
    QVERIFY(window.pictures().Print());
    QVERIFY(FileBytes(printed).startsWith("%PDF"));
    // Copied at the size shown.
    window.pictures().Copy();
    QCOMPARE(QApplication::clipboard()->image().size(), canvas.size());
  }

  // The plot in units shows the readings as soon as they are read, with the
  // readings of each MN/2 segment; after a run its model, which the pointer
  // finds where it is drawn. View > Documented layout switches to the
  // documented canvas and back; Save screen takes what is shown.
  void workspacePlotShowsDataAtOnceAndTheFitAfterARun() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 1100, 750));
    WorkspaceView& view = window.workspaceView();
    QVERIFY(view.isVisible() && !window.documentedLayout());
    QVERIFY(!view.hasData());
    QVERIFY(window.OpenFile(Example("schlumberger_two_levels.dat")));
    view.repaint();
    QVERIFY(view.hasData());
    QVERIFY(view.layout().hasResistivity);
    QVERIFY(view.layout().layers.empty());  // no model before a run
    const QImage read = view.grab().toImage();
    dialogs.ThenChoose(scratch_->filePath("s.INV"));
    window.document().settings.iterationLimit = 3;
    window.RunCommand(kCommandAutomaticInversion);
    view.repaint();
    const ChartLayout& layout = view.layout();
    QVERIFY(window.shownRun() != nullptr);
    const LayeredModel& model = window.shownRun()->outcome.model;
    QCOMPARE(static_cast<int>(layout.layers.size()), model.layerCount);
    const ChartLayer& first = layout.layers.front();
    QCOMPARE(layout.HandleAt(first.right, (first.y + layout.layers[1].y) / 2).kind,
             ChartHandle::Kind::kBoundary);
    QVERIFY(std::abs(layout.DepthAt(first.right) - model.thickness[0]) < 1e-3 * model.thickness[0]);
    QVERIFY(view.grab().toImage() != read);

    // The documented layout, its canvas drawn all along underneath.
    auto* toggle = window.findChild<QAction*>(QStringLiteral("documentedLayout"));
    QVERIFY(toggle != nullptr && toggle->isCheckable() && !toggle->isChecked());
    toggle->trigger();
    QVERIFY(window.documentedLayout() && toggle->isChecked() && !view.isVisible());
    QVERIFY(NonWhite(window.canvas()) > 2000);
    toggle->trigger();
    QVERIFY(!window.documentedLayout() && view.isVisible());

    // Save screen as BMP takes the plot in units as shown.
    const QString chosen = scratch_->filePath("shown.bmp");
    dialogs.ThenChoose(chosen);
    window.RunCommand(kCommandSaveScreen);
    const QImage saved(chosen);
    const QImage shown = view.grab().toImage();
    QCOMPARE(saved.size(), shown.size());
    for (const QPoint& p : {QPoint(0, 0),
                            QPoint(shown.width() / 3, shown.height() / 2),
                            QPoint(shown.width() - 1, shown.height() - 1)}) {
      QCOMPARE(saved.pixel(p) & 0xffffff, shown.pixel(p) & 0xffffff);
    }
  }

  // A SIP sounding's frequencies are paged, by the View menu and the keys.
  void sipReadingsArePagedInTheWorkspace() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 1000, 700));
    auto* next = window.findChild<QAction*>(QStringLiteral("nextPage"));
    QVERIFY(next != nullptr && !next->isEnabled());
    QVERIFY(window.OpenFile(Example("sip_amplitude_phase.dat")));
    WorkspaceView& view = window.workspaceView();
    QCOMPARE(view.pageCount(), 3);
    QVERIFY(next->isEnabled());
    next->trigger();
    QCOMPARE(view.page(), 1);
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_PageDown);
    QTest::keyClick(&view, Qt::Key_PageDown);  // there are three pages only
    QCOMPARE(view.page(), 2);
    view.repaint();
    QCOMPARE(view.layout().frequencies.size(), size_t{2});
    window.findChild<QAction*>(QStringLiteral("previousPage"))->trigger();
    QCOMPARE(view.page(), 1);
  }

  void shortcutsRunTheirCommands() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    const QList<QPair<QString, QKeySequence>> shortcuts = {
        {"command101", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"command121", QKeySequence(Qt::CTRL | Qt::Key_I)},
        {"command122", QKeySequence(Qt::CTRL | Qt::Key_U)},
        {"exportPicture", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"printPicture", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"command151", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"usageGuide", QKeySequence(Qt::Key_F1)},
    };
    for (const auto& [name, keys] : shortcuts) {
      auto* action = window.findChild<QAction*>(name);
      QVERIFY2(action != nullptr && action->shortcut() == keys, qPrintable(name));
    }
    // Mnemonics of the menu bar are all different.
    QSet<QChar> mnemonics;
    for (QAction* menu : window.menuBar()->actions()) {
      const QString text = menu->text();
      const int amp = static_cast<int>(text.indexOf(QLatin1Char('&')));
      QVERIFY2(amp >= 0, qPrintable(text));
      QChar key = text.at(amp + 1).toLower();
      QVERIFY2(!mnemonics.contains(key), qPrintable(text));
      mnemonics.insert(key);
    }
    // The keys reach the commands.
    QVERIFY(ShowExposed(window, 900, 650));
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_F1);
    QVERIFY(dialogs.messages.last().caption == QStringLiteral("Usage guide"));
    dialogs.ThenReject();
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(window.lastCommand(), static_cast<int>(kCommandReadData));
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(window.lastCommand(), static_cast<int>(kCommandAutomaticInversion));
    QVERIFY(window.statusText().contains(QStringLiteral("Engine: documented")));
  }

  void tablesShowTheFitAndLeaveAPointOut() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 1000, 700));
    const QString data = Example("wenner.dat");
    const QByteArray file_before = FileBytes(data);
    ReadAndInvert(window, dialogs, data, scratch_->filePath("all.INV"));
    const int points = window.document().data.pointCount;
    QVERIFY(window.shownRun() != nullptr);
    const InversionOutcome& outcome = window.shownRun()->outcome;
    // The model table holds the run's model, the data table its fit.
    const ModelTable& model = window.modelTable();
    QCOMPARE(model.rowCount(), outcome.model.layerCount);
    QVERIFY(std::abs(model.item(0, 1)->text().toDouble() - outcome.model.resistivity[0]) <
            1e-4 * outcome.model.resistivity[0]);
    QVERIFY(model.ToCsv().startsWith(QStringLiteral("Layer,Resistivity")));
    DataTable& table = window.dataTable();
    QCOMPARE(table.rowCount(), points);
    QVERIFY(std::abs(table.item(2, 4)->text().toDouble() - outcome.calculatedResistivity[2]) <
            1e-4 * outcome.calculatedResistivity[2]);
    QVERIFY(window.statusText().contains(QStringLiteral("Iteration: %1").arg(3)));

    // Leave point 3 out: the next run fits the others only.
    table.item(2, 1)->setCheckState(Qt::Checked);
    QCOMPARE(window.document().excluded[2], 1);
    dialogs.ThenChoose(scratch_->filePath("left_out.INV"));
    window.RunCommand(kCommandAutomaticInversion);
    // What the run does with it is the inversion's own test; here it reaches the run.
    QVERIFY(std::isnan(window.shownRun()->outcome.calculatedResistivity[2]));
    QVERIFY(table.item(2, 1)->text().contains(QStringLiteral("excluded")));
    QVERIFY(window.listing().toPlainText().contains(
        QStringLiteral("Points left out of this inversion: 3")));
    QCOMPARE(FileBytes(data), file_before);
    // A new read takes every point again.
    QVERIFY(window.OpenFile(data));
    QCOMPARE(window.document().excluded[2], 0);
  }

  // A forward model's chargeabilities in one unit, named alike, in the table
  // and the listing: that of the data file its response is saved as.
  void forwardModelChargeabilityInOneUnit() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 900, 650));
    QVERIFY(window.OpenFile(Example("ip_model.mod")));  // 5, 45 and 10 msec
    auto* forward = qobject_cast<ForwardWindow*>(window.childWindow());
    QVERIFY(forward != nullptr);
    QTRY_COMPARE(forward->model().model.layerCount, 3);
    const ModelTable& table = forward->modelTable();
    int column = -1;
    for (int c = 0; c < table.columnCount(); ++c) {
      if (table.horizontalHeaderItem(c)->text() == QStringLiteral("Chargeability (msec)"))
        column = c;
    }
    QVERIFY(column >= 0);
    QCOMPARE(table.item(1, column)->text(), QStringLiteral("45"));
    const QString listing = forward->listing().toPlainText();
    QVERIFY(listing.contains(QStringLiteral("Layer   m (msec)")));
    QVERIFY(listing.contains(QStringLiteral("    2         45")));
  }

  void sipForwardPlotPagesThroughItsFrequencies() {
    ScriptedDialogs dialogs;
    MainWindow window(&dialogs);
    QVERIFY(ShowExposed(window, 900, 650));
    QVERIFY(window.OpenFile(Example("sip_model.mod")));  // twelve frequencies
    auto* forward = qobject_cast<ForwardWindow*>(window.childWindow());
    QVERIFY(forward != nullptr);
    QTRY_COMPARE(forward->model().frequencyCount, 12);
    // Tau = 0.001 s and 20 mV/V are shown as such, not rounded to 0.00.
    QCOMPARE(forward->modelTable().item(0, 5)->text(), QStringLiteral("0.001"));
    QCOMPARE(forward->modelTable().item(0, 4)->text(), QStringLiteral("20"));
    QVERIFY(forward->listing().toPlainText().contains(QStringLiteral("   0.001")));
    forward->ForwardWndProc(kForwardCalculate);
    forward->ForwardWndProc(kForwardDisplay);
    const QImage first = forward->canvas().image();
    QTest::keyClick(forward, Qt::Key_PageDown);
    QCOMPARE(forward->frequencyPage(), 1);
    QVERIFY(forward->canvas().image() != first);
    QTest::keyClick(forward, Qt::Key_PageDown);  // there are two pages only
    QCOMPARE(forward->frequencyPage(), 1);
    forward->findChild<QAction*>(QStringLiteral("previousFrequencies"))->trigger();
    QCOMPARE(forward->frequencyPage(), 0);
    QCOMPARE(forward->canvas().image(), first);
  }

  // A data file opens in the main window, a model in the forward window and
  // results in the display window; a missing file is named in a message, and
  // so is one whose window cannot open.
  void commandLineFileOpensInItsWindow() {
    const QList<QPair<QString, int>> files = {
        {"wenner.dat", 0}, {"ip_model.mod", 1}, {"wenner.INV", 1}};
    for (const auto& [file, mode] : files) {
      ScriptedDialogs dialogs;
      dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });  // about box
      MainWindow window(&dialogs);
      window.setStartupFiles({Example(file)});
      QVERIFY(ShowExposed(window, 900, 650));
      QTRY_COMPARE(window.modeFlag(), mode);
      if (auto* forward = qobject_cast<ForwardWindow*>(window.childWindow())) {
        QTRY_COMPARE(forward->model().model.layerCount, 3);
        QVERIFY(!forward->listing().toPlainText().isEmpty());
        QTest::keyClick(forward, Qt::Key_Escape);  // Esc leaves, as the main window says
        QTRY_COMPARE(window.modeFlag(), 0);
      } else if (auto* display = qobject_cast<DisplayWindow*>(window.childWindow())) {
        QTRY_VERIFY(display->iterationCount() > 0);
        QTRY_VERIFY(NonWhite(display->canvas()) > 2000);  // the last iteration is shown
        QCOMPARE(display->modelTable().rowCount(), display->layerCount());
      } else {
        QTRY_VERIFY(window.document().HasData());
        QCOMPARE(window.dataTable().rowCount(), window.document().data.pointCount);
      }
      // A missing file is named in a message and nothing else changes.
      const int messages = dialogs.messages.size();
      QVERIFY(!window.OpenFile(scratch_->filePath("missing.dat")));
      QCOMPARE(dialogs.messages.size(), messages + 1);
      QVERIFY(dialogs.messages.last().text.contains(QStringLiteral("missing.dat")));
    }
    // Several files open in turn; one that cannot open while another file's
    // window is open is named in a message.
    ScriptedDialogs dialogs;
    dialogs.Then([](QDialog& dialog) { Click(dialog, "button1"); });
    MainWindow window(&dialogs);
    window.setStartupFiles({Example("wenner.dat"), Example("ip_model.mod"), Example("wenner.INV")});
    QVERIFY(ShowExposed(window, 900, 650));
    QTRY_VERIFY(qobject_cast<ForwardWindow*>(window.childWindow()) != nullptr);
    QVERIFY(window.document().HasData());
    QTRY_VERIFY(!dialogs.messages.isEmpty() &&
                dialogs.messages.last().text.contains(QStringLiteral("wenner.INV")));
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::DesktopViewTest)
#include "desktop_view_test.moc"
