// The desktop program: one main window, maximised, until it is closed.

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <clocale>

#include "windows/main_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // Qt takes the user's locale for the C library; the file formats and the
  // listings are written and read with '.' as the decimal point.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("layra"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/DiaIcon")));
  QApplication::setDesktopFileName(QStringLiteral("layra"));

  layra::MainWindow window;
  // Without a window manager a maximise request is not honoured: start at
  // the full available size anyway.
  if (QScreen* screen = QApplication::primaryScreen()) {
    window.setGeometry(screen->availableGeometry());
  }
  window.showMaximized();
  return QApplication::exec();
}
