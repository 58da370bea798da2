// Saving a canvas as a bitmap file through the capture command: what the
// file holds, where the temporary file goes and that it never stays behind,
// and how failures are reported.

#include "windows/screen_capture.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra::testing {
namespace {

QString Saved(const QString& path) {
  return QStringLiteral("Screen image save in file\n%1.").arg(QDir::toNativeSeparators(path));
}

class ScreenCaptureTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> scratch_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<QtCanvas> canvas_;
  std::unique_ptr<QtHost> host_;
  ShellState program_;
  std::string temporary_;
  int redraws_ = 0;

  bool Capture(std::string& base_name, QtCanvas* canvas = nullptr) {
    return SaveScreenAsBmp(canvas != nullptr ? *canvas : *canvas_,
                           *host_,
                           temporary_,
                           base_name,
                           program_.dataDirectory,
                           [this] { ++redraws_; });
  }
  QString Scratch(const QString& name) const { return scratch_->filePath(name); }
  QStringList ScratchFiles() const { return QDir(scratch_->path()).entryList(QDir::Files); }

 private slots:
  void init() {
    scratch_ = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch_->isValid());
    program_ = ShellState();
    program_.dataDirectory = scratch_->path().toStdString() + "/";
    dialogs_ = std::make_unique<ScriptedDialogs>();
    canvas_ = std::make_unique<QtCanvas>();
    canvas_->setFixedSize(101, 60);  // an odd width, so that the rows carry padding
    canvas_->show();
    QVERIFY(QTest::qWaitForWindowExposed(canvas_.get()));
    host_ = std::make_unique<QtHost>(nullptr, *dialogs_, program_);
    temporary_.clear();
    redraws_ = 0;
  }

  void cleanup() {
    host_.reset();
    canvas_.reset();
  }

  void savedFileHoldsTheClientArea() {
    canvas_->SetPixel(3, 5, kRed);
    canvas_->SetPixel(100, 59, kBlue);
    std::string base = Scratch("survey.dat").toStdString();
    QString offered;
    QString chosen = Scratch("picture.bmp");
    dialogs_->Then([&](QDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Output BMP File"));
      offered = Offered(dialog);
      QVERIFY(QFile::exists(QString::fromStdString(temporary_)));
      ChooseFile(dialog, chosen);
    });
    QVERIFY(Capture(base));
    QCOMPARE(offered, Scratch("survey.bmp"));
    QCOMPARE(QString::fromStdString(temporary_), Scratch("survey_temp.bmp"));
    QVERIFY(!QFile::exists(Scratch("survey_temp.bmp")));
    QCOMPARE(QString::fromStdString(base), QDir::toNativeSeparators(chosen));
    QCOMPARE(dialogs_->messages.size(), 1);
    ExpectMessage(
        dialogs_->messages[0], Saved(chosen), QStringLiteral("Message"), QMessageBox::Information);
    // The window is left clear and asked once to draw again.
    QCOMPARE(canvas_->GetPixel(3, 5), kWhite);
    QCOMPARE(redraws_, 1);

    // The file holds the client area; the BMP layout is the writer's, tested there.
    const QImage saved(chosen);
    QCOMPARE(saved.size(), QSize(101, 60));
    QCOMPARE(saved.pixelColor(3, 5), QColor(Qt::red));
    QCOMPARE(saved.pixelColor(100, 59), QColor(Qt::blue));
    QCOMPARE(saved.pixelColor(4, 5), QColor(Qt::white));
    QCOMPARE(static_cast<int>(FileBytes(chosen)[28]), DisplayDepth(*canvas_));  // bits per pixel
    QCOMPARE(dialogs_->unexpected, 0);
  }

  // Without a base name the temporary file goes to the data directory, where
  // the base's cannot be written to the temporary directory; a cancelled
  // dialog leaves none of it behind.
  void cancelledDialogLeavesNoTemporaryFile() {
    struct Case {
      const char* base;
      const char* temporary;
      const char* offered;
      bool inTempDirectory;
    };
    for (const Case& c : {Case{"", "layra_screen_temp.bmp", "layra_screen.bmp", false},
                          Case{"missing/survey.dat", "survey_temp.bmp", "survey.bmp", true}}) {
      cleanup();
      init();
      const QString temporary =
          c.inTempDirectory ? QDir::temp().filePath(c.temporary) : Scratch(c.temporary);
      canvas_->SetPixel(10, 10, kRed);
      std::string base = *c.base == 0 ? std::string() : Scratch(c.base).toStdString();
      bool temporary_existed = false;
      QString offered;
      dialogs_->Then([&](QDialog& dialog) {
        temporary_existed = QFile::exists(QString::fromStdString(temporary_));
        offered = Offered(dialog);
        dialog.reject();
      });
      QVERIFY2(!Capture(base), c.base);
      QVERIFY(temporary_existed);
      QCOMPARE(QString::fromStdString(temporary_), temporary);
      QCOMPARE(QFileInfo(offered).fileName(), QString(c.offered));
      if (!c.inTempDirectory) QCOMPARE(offered, Scratch(c.offered));
      QVERIFY(!QFile::exists(temporary));
      QVERIFY(ScratchFiles().isEmpty());
      QCOMPARE(dialogs_->messages.size(), 0);
      QCOMPARE(canvas_->GetPixel(10, 10), kWhite);
      QCOMPARE(redraws_, 1);
    }
  }

  void failuresAreReported() {
    // Nothing to capture: no save dialog.
    QtCanvas empty;
    empty.setFixedSize(0, 0);
    std::string base = Scratch("survey.dat").toStdString();
    QVERIFY(!Capture(base, &empty));
    QVERIFY(dialogs_->names.isEmpty());
    QCOMPARE(dialogs_->messages.size(), 1);
    QCOMPARE(dialogs_->messages[0].text,
             QStringLiteral("Cannot open file %1").arg(Scratch("survey_temp.bmp")));
    QCOMPARE(redraws_, 1);
    QVERIFY(ScratchFiles().isEmpty());
    // A chosen file that cannot be created.
    QString chosen = Scratch("missing/picture.bmp");
    dialogs_->ThenChoose(chosen);
    QVERIFY(!Capture(base));
    QCOMPARE(dialogs_->messages.size(), 2);
    QCOMPARE(dialogs_->messages[1].text,
             QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(chosen)));
    QVERIFY(ScratchFiles().isEmpty());
    // The temporary file has gone before it could be moved: the file the user
    // agreed to replace is kept.
    chosen = Scratch("picture.bmp");
    QVERIFY(WriteBytes(chosen, "an older picture"));
    QVERIFY(!MoveCaptureFile(Scratch("gone_temp.bmp").toStdString(), chosen.toStdString(), *host_));
    QCOMPARE(dialogs_->messages.size(), 3);
    QCOMPARE(dialogs_->messages[2].caption, QStringLiteral("Error Message"));
    QCOMPARE(dialogs_->messages[2].text,
             QStringLiteral("The screen image could not be saved in file\n%1.\nNo image was saved.")
                 .arg(chosen));
    QCOMPARE(FileBytes(chosen), QByteArray("an older picture"));
    QCOMPARE(ScratchFiles(), QStringList{"picture.bmp"});
  }

  void moveAcrossFileSystemsCopies() {
    // A directory on another file system than the temporary file's.
    QTemporaryDir other(QStringLiteral("/dev/shm/layra_capture_XXXXXX"));
    if (!other.isValid() ||
        QStorageInfo(other.path()).device() == QStorageInfo(scratch_->path()).device()) {
      QSKIP("no second file system to move to");
    }
    QString temporary = Scratch("survey_temp.bmp");
    QVERIFY(WriteBytes(temporary, "BM picture bytes"));
    QString chosen = other.filePath("picture.bmp");
    QVERIFY(MoveCaptureFile(temporary.toStdString(), chosen.toStdString(), *host_));
    QCOMPARE(FileBytes(chosen), QByteArray("BM picture bytes"));
    QVERIFY(!QFile::exists(temporary));
    QCOMPARE(dialogs_->messages.last().text, Saved(chosen));
  }

  // An older picture, or the temporary file itself, is replaced on "Yes".
  void existingFileIsReplaced() {
    for (const char* file : {"picture.bmp", "survey_temp.bmp"}) {
      cleanup();
      init();
      const QString name = file;
      const QString chosen = Scratch(name);
      QVERIFY(WriteBytes(Scratch("picture.bmp"), "an older picture"));
      std::string base = Scratch("survey.dat").toStdString();
      dialogs_->ThenChoose(chosen);
      dialogs_->AnswerNextMessage(QMessageBox::Yes);
      QVERIFY2(Capture(base), qPrintable(name));
      QCOMPARE(FileBytes(chosen).left(2), QByteArray("BM"));
      QCOMPARE(dialogs_->messages.last().text, Saved(chosen));
      QVERIFY(!QFile::exists(Scratch("survey_temp.bmp")) || name == "survey_temp.bmp");
      QCOMPARE(ScratchFiles().size(), name == "picture.bmp" ? 1 : 2);
    }
  }

  void paletteDisplayWritesAPaletteFile() {
    canvas_->SetPixel(0, 59, kRed);
    QString path = Scratch("palette.bmp");
    QVERIFY(CaptureClientArea(*canvas_, 8, path.toStdString()));
    const QImage saved(path);
    QCOMPARE(saved.format(), QImage::Format_Indexed8);
    QCOMPARE(saved.pixelColor(0, 59), QColor(Qt::red));
  }
};

}  // namespace
}  // namespace layra::testing

QTEST_MAIN(layra::testing::ScreenCaptureTest)
#include "screen_capture_test.moc"
