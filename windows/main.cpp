// The desktop program: one main window, maximised, until it is closed.
// `layra FILE` opens a data file (.dat) in the main window, a model file
// (.mod) in the forward modelling window or a results file (.INV) in the
// display window once the window is shown.

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
  QApplication::setOrganizationName(QStringLiteral("layra"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/DiaIcon")));
  QApplication::setDesktopFileName(QStringLiteral("layra"));

  layra::MainWindow window;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    window.setStartupFile(arguments.at(1));
  }
  if (window.restoredGeometry()) {
    window.show();
  } else {
    // Without a window manager a maximise request is not honoured: start at
    // the full available size anyway.
    if (QScreen* screen = QApplication::primaryScreen()) {
      window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
  }
  return QApplication::exec();
}
