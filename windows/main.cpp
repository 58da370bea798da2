// The desktop program: one main window, maximised, until it is closed.

#include <QApplication>
#include <QIcon>
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
  window.showMaximized();
  return QApplication::exec();
}
