// Saving a canvas as a bitmap file through the capture command: what the
// file holds, where the temporary file goes and that it never stays behind,
// and how failures are reported.

#include "windows/screen_capture.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdint>

#include "tests/windows/scripted_dialogs.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra {
namespace {

using testing::ChooseFile;
using testing::FileBytes;
using testing::ScriptedDialogs;
using testing::WriteBytes;

std::uint32_t Read32(const QByteArray& bytes, int at) {
  auto byte = [&](int i) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i]));
  };
  return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
}

std::uint32_t Read16(const QByteArray& bytes, int at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

class ScreenCaptureTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void savedFileHoldsTheClientArea();
  void cancelledDialogLeavesNoTemporaryFile_data();
  void cancelledDialogLeavesNoTemporaryFile();
  void nothingToCaptureIsReported();
  void chosenFileThatCannotBeCreatedIsReported();
  void failedMoveIsReported();
  void moveAcrossFileSystemsCopies();
  void existingFileIsReplaced_data();
  void existingFileIsReplaced();
  void paletteDisplayWritesThePaletteLayout();

 private:
  bool Capture(std::string& base_name);
  QString Scratch(const QString& name) const { return scratch_->filePath(name); }

  std::unique_ptr<QTemporaryDir> scratch_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<QtCanvas> canvas_;
  std::unique_ptr<QtHost> host_;
  ProgramState program_;
  std::string temporary_;
  int redraws_ = 0;
};

void ScreenCaptureTest::init() {
  scratch_ = std::make_unique<QTemporaryDir>();
  QVERIFY(scratch_->isValid());
  program_ = ProgramState();
  program_.dataDirectory = scratch_->path().toStdString() + "/";
  dialogs_ = std::make_unique<ScriptedDialogs>();
  canvas_ = std::make_unique<QtCanvas>();
  // An odd width, so that the rows carry padding.
  canvas_->setFixedSize(101, 60);
  canvas_->show();
  QVERIFY(QTest::qWaitForWindowExposed(canvas_.get()));
  host_ = std::make_unique<QtHost>(nullptr, *dialogs_, program_);
  temporary_.clear();
  redraws_ = 0;
}

void ScreenCaptureTest::cleanup() {
  host_.reset();
  canvas_.reset();
}

bool ScreenCaptureTest::Capture(std::string& base_name) {
  return SaveScreenAsBmp(
      *canvas_, *host_, temporary_, base_name, program_.dataDirectory, [this] { ++redraws_; });
}

void ScreenCaptureTest::savedFileHoldsTheClientArea() {
  canvas_->SetPixel(3, 5, kRed);
  canvas_->SetPixel(100, 59, kBlue);
  std::string base = Scratch("survey.dat").toStdString();
  QString offered;
  QString chosen = Scratch("picture.bmp");
  dialogs_->Then([&](QDialog& dialog) {
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Output BMP File"));
    offered = static_cast<QFileDialog&>(dialog).selectedFiles().value(0);
    QVERIFY(QFile::exists(QString::fromStdString(temporary_)));
    ChooseFile(dialog, chosen);
  });
  QVERIFY(Capture(base));
  QCOMPARE(offered, Scratch("survey.bmp"));
  QCOMPARE(QString::fromStdString(temporary_), Scratch("survey_temp.bmp"));
  QVERIFY(!QFile::exists(Scratch("survey_temp.bmp")));
  QCOMPARE(QString::fromStdString(base), QDir::toNativeSeparators(chosen));
  QCOMPARE(dialogs_->messages.size(), 1);
  QCOMPARE(dialogs_->messages[0].text,
           QStringLiteral("Screen image save in file\n%1.").arg(QDir::toNativeSeparators(chosen)));
  QCOMPARE(dialogs_->messages[0].caption, QStringLiteral("Message"));
  QCOMPARE(dialogs_->messages[0].icon, QMessageBox::Information);
  // The window is left clear and asked once to draw again.
  QCOMPARE(canvas_->GetPixel(3, 5), kWhite);
  QCOMPARE(redraws_, 1);

  // The file: the client area at the display's depth, bottom row first.
  const QByteArray bytes = FileBytes(chosen);
  const int depth = DisplayDepth(*canvas_);
  QVERIFY2(depth == 24 || depth == 32, qPrintable(QString::number(depth)));
  const int bytes_per_pixel = depth / 8;
  const int stride = (101 * depth + 31) / 32 * 4;
  QCOMPARE(bytes.left(2), QByteArray("BM"));
  QCOMPARE(Read32(bytes, 2), static_cast<std::uint32_t>(54 + stride * 60));
  QCOMPARE(bytes.size(), 54 + stride * 60);
  QCOMPARE(Read32(bytes, 10), 54u);
  QCOMPARE(Read32(bytes, 18), 101u);
  QCOMPARE(Read32(bytes, 22), 60u);
  QCOMPARE(Read16(bytes, 28), static_cast<std::uint32_t>(depth));
  auto pixel = [&](int x, int y) {
    const int at = 54 + (59 - y) * stride + x * bytes_per_pixel;
    return Rgb{static_cast<std::uint8_t>(bytes[at + 2]),
               static_cast<std::uint8_t>(bytes[at + 1]),
               static_cast<std::uint8_t>(bytes[at])};
  };
  QCOMPARE(pixel(3, 5), kRed);
  QCOMPARE(pixel(100, 59), kBlue);
  QCOMPARE(pixel(4, 5), kWhite);
  QCOMPARE(dialogs_->unexpected, 0);
}

void ScreenCaptureTest::cancelledDialogLeavesNoTemporaryFile_data() {
  // The base name, the temporary file and the name offered, all in the
  // scratch directory unless the temporary file has to go elsewhere.
  QTest::addColumn<QString>("base");
  QTest::addColumn<QString>("temporaryName");
  QTest::addColumn<QString>("offeredName");
  QTest::addColumn<bool>("inTempDirectory");
  QTest::newRow("beside the data") << "survey.dat"
                                   << "survey_temp.bmp"
                                   << "survey.bmp" << false;
  QTest::newRow("no base: the data directory") << ""
                                               << "layra_screen_temp.bmp"
                                               << "layra_screen.bmp" << false;
  QTest::newRow("unwritable: the temporary directory") << "missing/survey.dat"
                                                       << "survey_temp.bmp"
                                                       << "missing/survey.bmp" << true;
}

void ScreenCaptureTest::cancelledDialogLeavesNoTemporaryFile() {
  QFETCH(QString, base);
  QFETCH(QString, temporaryName);
  QFETCH(QString, offeredName);
  QFETCH(bool, inTempDirectory);
  const QString temporary =
      inTempDirectory ? QDir::temp().filePath(temporaryName) : Scratch(temporaryName);
  canvas_->SetPixel(10, 10, kRed);
  std::string base_name = base.isEmpty() ? std::string() : Scratch(base).toStdString();
  bool temporary_existed = false;
  QString offered_seen;
  dialogs_->Then([&](QDialog& dialog) {
    temporary_existed = QFile::exists(QString::fromStdString(temporary_));
    offered_seen = static_cast<QFileDialog&>(dialog).selectedFiles().value(0);
    dialog.reject();
  });
  QVERIFY(!Capture(base_name));
  QVERIFY(temporary_existed);
  QCOMPARE(QString::fromStdString(temporary_), temporary);
  QCOMPARE(QFileInfo(offered_seen).fileName(), QFileInfo(offeredName).fileName());
  if (!inTempDirectory) QCOMPARE(offered_seen, Scratch(offeredName));
  QVERIFY(!QFile::exists(temporary));
  QVERIFY(QDir(scratch_->path()).entryList(QDir::Files).isEmpty());
  QCOMPARE(dialogs_->messages.size(), 0);
  QCOMPARE(canvas_->GetPixel(10, 10), kWhite);
  QCOMPARE(redraws_, 1);
}

void ScreenCaptureTest::nothingToCaptureIsReported() {
  QtCanvas empty;
  empty.setFixedSize(0, 0);
  std::string base = Scratch("survey.dat").toStdString();
  QVERIFY(!SaveScreenAsBmp(
      empty, *host_, temporary_, base, program_.dataDirectory, [this] { ++redraws_; }));
  QVERIFY(dialogs_->names.isEmpty());  // no save dialog
  QCOMPARE(dialogs_->messages.size(), 1);
  QCOMPARE(dialogs_->messages[0].text,
           QStringLiteral("Cannot open file %1").arg(Scratch("survey_temp.bmp")));
  QCOMPARE(redraws_, 1);
  QVERIFY(QDir(scratch_->path()).entryList(QDir::Files).isEmpty());
}

void ScreenCaptureTest::chosenFileThatCannotBeCreatedIsReported() {
  std::string base = Scratch("survey.dat").toStdString();
  QString chosen = Scratch("missing/picture.bmp");
  dialogs_->ThenChoose(chosen);
  QVERIFY(!Capture(base));
  QCOMPARE(dialogs_->messages.size(), 1);
  QCOMPARE(dialogs_->messages[0].text,
           QStringLiteral("Cannot open file %1").arg(QDir::toNativeSeparators(chosen)));
  QVERIFY(QDir(scratch_->path()).entryList(QDir::Files).isEmpty());
}

void ScreenCaptureTest::failedMoveIsReported() {
  // The temporary file has gone before it could be moved: the file the user
  // agreed to replace is kept.
  QString chosen = Scratch("picture.bmp");
  QVERIFY(WriteBytes(chosen, "an older picture"));
  QVERIFY(!MoveCaptureFile(Scratch("gone_temp.bmp").toStdString(), chosen.toStdString(), *host_));
  QCOMPARE(dialogs_->messages.size(), 1);
  QCOMPARE(dialogs_->messages[0].caption, QStringLiteral("Error Message"));
  QCOMPARE(dialogs_->messages[0].text,
           QStringLiteral("The screen image could not be saved in file\n%1.\nNo image was saved.")
               .arg(chosen));
  QCOMPARE(FileBytes(chosen), QByteArray("an older picture"));
  QCOMPARE(QDir(scratch_->path()).entryList(QDir::Files), QStringList{"picture.bmp"});
}

void ScreenCaptureTest::moveAcrossFileSystemsCopies() {
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
  QCOMPARE(dialogs_->messages.last().text,
           QStringLiteral("Screen image save in file\n%1.").arg(chosen));
}

void ScreenCaptureTest::existingFileIsReplaced_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("an older picture") << "picture.bmp";
  QTest::newRow("the temporary file itself") << "survey_temp.bmp";
}

void ScreenCaptureTest::existingFileIsReplaced() {
  QFETCH(QString, name);
  const QString chosen = Scratch(name);
  QVERIFY(WriteBytes(Scratch("picture.bmp"), "an older picture"));
  std::string base = Scratch("survey.dat").toStdString();
  dialogs_->ThenChoose(chosen);
  dialogs_->AnswerNextMessage(QMessageBox::Yes);  // it exists: replace it
  QVERIFY(Capture(base));
  QCOMPARE(FileBytes(chosen).left(2), QByteArray("BM"));
  QCOMPARE(dialogs_->messages.last().text,
           QStringLiteral("Screen image save in file\n%1.").arg(QDir::toNativeSeparators(chosen)));
  QVERIFY(!QFile::exists(Scratch("survey_temp.bmp")) || name == "survey_temp.bmp");
  QCOMPARE(QDir(scratch_->path()).entryList(QDir::Files).size(), name == "picture.bmp" ? 1 : 2);
}

void ScreenCaptureTest::paletteDisplayWritesThePaletteLayout() {
  canvas_->SetPixel(0, 59, kRed);
  QString path = Scratch("palette.bmp");
  QVERIFY(CaptureClientArea(*canvas_, 8, path.toStdString()));
  const QByteArray bytes = FileBytes(path);
  QCOMPARE(Read16(bytes, 28), 8u);
  QCOMPARE(Read32(bytes, 10), 1082u);
  QCOMPARE(bytes.size(), 1082 + 104 * 60);
  // Bottom row first: its first pixel is the red one.
  const int index = static_cast<std::uint8_t>(bytes[1082]);
  QCOMPARE(static_cast<std::uint8_t>(bytes[54 + 4 * index + 2]), std::uint8_t{255});
  QCOMPARE(static_cast<std::uint8_t>(bytes[54 + 4 * index + 1]), std::uint8_t{0});
}

}  // namespace
}  // namespace layra

QTEST_MAIN(layra::ScreenCaptureTest)
#include "screen_capture_test.moc"
