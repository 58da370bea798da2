// The desktop canvas: a persistent picture with the line, rectangle and pixel
// rules the plots rely on.

#include "windows/qt_canvas.h"

#include <QtTest>

#include "tests/windows/scripted_dialogs.h"

namespace layra::testing {
namespace {

class QtCanvasTest : public QObject {
  Q_OBJECT

 private slots:
  void lineToLeavesOutTheEndPoint() {
    QtCanvas canvas;
    canvas.resize(200, 100);
    Pen previous = canvas.SelectPen(Pen{PenStyle::kSolid, kBlue});
    QCOMPARE(previous.color, kBlack);
    canvas.MoveTo(10, 20);
    canvas.LineTo(50, 20);
    QCOMPARE(canvas.GetPixel(10, 20), kBlue);
    QCOMPARE(canvas.GetPixel(49, 20), kBlue);
    QCOMPARE(canvas.GetPixel(50, 20), kWhite);
    // The current position moved to the end point: the next line starts there.
    canvas.LineTo(50, 60);
    QCOMPARE(canvas.GetPixel(50, 20), kBlue);
    QCOMPARE(canvas.GetPixel(50, 59), kBlue);
    QCOMPARE(canvas.GetPixel(50, 60), kWhite);
    // A diagonal covers one pixel per step of its longer side.
    canvas.MoveTo(100, 10);
    canvas.LineTo(130, 40);
    QCOMPARE(NonWhite(canvas, 100, 10, 131, 41), 30);
    // Lines running off the picture are clipped, not a fault.
    canvas.MoveTo(-50, 5);
    canvas.LineTo(500, 5);
    QCOMPARE(canvas.GetPixel(0, 5), kBlue);
    QCOMPARE(canvas.GetPixel(199, 5), kBlue);
  }

  void dashedAndDottedPensLeaveGaps() {
    QtCanvas canvas;
    canvas.resize(300, 50);
    // Dashes cover more than half of the line, dots less; both leave gaps.
    const struct {
      PenStyle style;
      int y, fewest, most;
    } pens[] = {{PenStyle::kDash, 10, 120, 240}, {PenStyle::kDot, 20, 60, 180}};
    for (const auto& pen : pens) {
      canvas.SelectPen(Pen{pen.style, kBlue});
      canvas.MoveTo(0, pen.y);
      canvas.LineTo(240, pen.y);
      const int drawn = NonWhite(canvas, 0, pen.y, 240, pen.y + 1);
      QVERIFY2(drawn > pen.fewest && drawn < pen.most, qPrintable(QString::number(drawn)));
    }
  }

  void pixelsRectangleAndClear() {
    QtCanvas canvas;
    canvas.resize(100, 100);
    canvas.SelectPen(Pen{PenStyle::kSolid, kMagenta});
    canvas.SetPixel(30, 30, kRed);  // inside: painted over in white
    canvas.SetPixel(60, 60, kRed);  // just outside the right/bottom edge
    canvas.Rectangle(20, 20, 60, 60);
    for (const QPoint& p : {QPoint(20, 20), QPoint(59, 59), QPoint(59, 40), QPoint(40, 20)}) {
      QCOMPARE(canvas.GetPixel(p.x(), p.y()), kMagenta);
    }
    QCOMPARE(canvas.GetPixel(30, 30), kWhite);
    QCOMPARE(canvas.GetPixel(60, 60), kRed);
    QCOMPARE(NonWhite(canvas, 20, 20, 60, 60), 4 * 39);
    // Partly outside the picture: clipped, the visible part filled.
    canvas.SetPixel(5, 5, kRed);
    canvas.Rectangle(-20, -20, 10, 500);
    QCOMPARE(canvas.GetPixel(5, 5), kWhite);
    QCOMPARE(canvas.GetPixel(9, 50), kMagenta);
    // Pixels keep any colour; outside the picture they read white and are not set.
    canvas.SetPixel(3, 4, Rgb{1, 2, 3});
    QCOMPARE(canvas.GetPixel(3, 4), (Rgb{1, 2, 3}));
    QCOMPARE(canvas.GetPixel(-1, 4), kWhite);
    QCOMPARE(canvas.GetPixel(3, 400), kWhite);
    canvas.SetPixel(-5, 900, kRed);
    canvas.Clear();
    QCOMPARE(canvas.GetPixel(3, 4), kWhite);
    QCOMPARE(NonWhite(canvas), 0);
  }

  void textIsDrawnOpaqueInTheTextColour() {
    QtCanvas canvas;
    canvas.resize(400, 100);
    TextMetrics metrics = canvas.Metrics();
    QVERIFY(metrics.averageCharWidth >= 5 && metrics.averageCharWidth <= 12);
    QVERIFY(metrics.charHeight >= 14 && metrics.charHeight <= 24);
    canvas.SelectPen(Pen{PenStyle::kSolid, kGreen});
    canvas.MoveTo(0, 15);
    canvas.LineTo(400, 15);
    QCOMPARE(canvas.SetTextColor(kRed), kBlack);
    canvas.DrawText(10, 10, "Iteration  1  RMS error     2.50");
    // The line under the text is covered by the text's white background.
    QVERIFY(canvas.GetPixel(12, 15) != kGreen);
    int reddish = 0;
    for (int y = 10; y < 10 + metrics.charHeight; ++y) {
      for (int x = 10; x < 200; ++x) {
        const Rgb pixel = canvas.GetPixel(x, y);
        reddish += pixel.red > 200 && pixel.green < 100 && pixel.blue < 100;
      }
    }
    QVERIFY(reddish > 0);
    QCOMPARE(canvas.GetPixel(399, 15), kGreen);  // beyond the text
    QCOMPARE(NonWhite(canvas, 0, 30, 400, 100), 0);
  }

  // Polylines and fills are painted and kept in the record with everything
  // else, and come back scaled when the picture is replayed at another size.
  void polylinesAndFillsAreRecordedAndReplayedScaled() {
    QtCanvas canvas;
    canvas.resize(200, 100);
    canvas.FillPolygon({{10, 10}, {50, 10}, {50, 50}, {10, 50}}, kBlue, 255);
    canvas.Polyline({{0, 80}, {199, 80}}, Stroke{kRed, PenStyle::kSolid, 3.0, 255});
    QCOMPARE(canvas.GetPixel(30, 30), kBlue);
    QCOMPARE(canvas.GetPixel(100, 80), kRed);
    QVERIFY(canvas.hasPicture());
    DrawingRecord replayed(400, 50, canvas.Metrics());
    canvas.ReplayOnto(replayed);
    QCOMPARE(replayed.items().size(), size_t{2});
    QCOMPARE(replayed.items()[0].points[2].x, 100.0);
    QCOMPARE(replayed.items()[0].points[2].y, 25.0);
    QCOMPARE(replayed.items()[1].stroke.width, 3.0);
    QCOMPARE(replayed.items()[1].points[1].x, 398.0);
  }

  void resizeKeepsWhatIsDrawn() {
    QtCanvas canvas;
    canvas.resize(100, 80);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    canvas.SetPixel(90, 70, kBlue);
    canvas.resize(300, 200);
    QCoreApplication::processEvents();
    QCOMPARE(canvas.Width(), 300);
    QCOMPARE(canvas.Height(), 200);
    QCOMPARE(canvas.GetPixel(90, 70), kBlue);
    QCOMPARE(canvas.GetPixel(250, 150), kWhite);
    canvas.SetPixel(250, 150, kRed);
    // Shrinking and growing again keeps the drawing as well.
    canvas.resize(50, 50);
    QCoreApplication::processEvents();
    canvas.resize(300, 200);
    QCoreApplication::processEvents();
    QCOMPARE(canvas.GetPixel(250, 150), kRed);
    // What is shown is the picture.
    QImage shown = canvas.grab().toImage();
    QCOMPARE(QColor(shown.pixel(90, 70)), QColor(0, 0, 255));
  }

  void presentBeforeClearShowsThePreviousPicture() {
    QtCanvas canvas;
    canvas.resize(100, 100);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));
    canvas.setPresentBeforeClear(true);
    struct PaintCounter : QObject {
      int paints = 0;
      bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
      }
    } counter;
    canvas.installEventFilter(&counter);
    canvas.Clear();  // nothing drawn yet: no extra paint
    QCOMPARE(counter.paints, 0);
    canvas.SetPixel(5, 5, kBlue);
    canvas.Clear();
    QVERIFY(counter.paints >= 1);
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::QtCanvasTest)
#include "qt_canvas_test.moc"
