// The desktop program: one main window, maximised, until it is closed.
// `layra FILE...` opens each file in turn once the window is shown: a
// project (.layra) first, then data files (.dat), all kept open in the
// sounding list, a model file (.mod) in the forward modelling window, a
// results file (.INV) in the display window.

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>

#include "layra_version.h"
#include "windows/main_window.h"

namespace {

const char kUsage[] =
    "Usage: layra [OPTIONS] [FILE...]\n"
    "Opens the FILEs: a project (.layra), then sounding data files (.dat),\n"
    "each kept open in the main window's sounding list,\n"
    "then a model file (.mod) in the forward modelling window or an inversion\n"
    "results file (.INV) in the display window.\n"
    "\n"
    "Options:\n"
    "  -h,--help                   Print this help message and exit\n"
    "  --version                   Display program version information and exit\n"
    "  --                          Take every later argument as a file\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are accepted as well.\n";

// The files of the command line, data files first: they are read into the
// main window, which a model or results file's window would then keep
// closed to them. False after an unknown option, which is reported.
bool CommandLineFiles(const QStringList& arguments, QStringList* files) {
  bool options_end = false;
  for (const QString& argument : arguments.mid(1)) {
    if (!options_end && argument == QLatin1String("--")) {
      options_end = true;
    } else if (!options_end && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
      std::fprintf(stderr,
                   "layra: unknown option %s\nRun with --help for more information.\n",
                   argument.toLocal8Bit().constData());
      return false;
    } else {
      // Relative to the folder the command was given in: the window moves
      // the current folder (to its own, then to each data file's) as it
      // starts and reads.
      files->append(QFileInfo(argument).absoluteFilePath());
    }
  }
  std::stable_partition(files->begin(), files->end(), [](const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix != QLatin1String("mod") && suffix != QLatin1String("inv");
  });
  // A project replaces the soundings open: it comes first.
  std::stable_partition(files->begin(), files->end(), [](const QString& path) {
    return QFileInfo(path).suffix().toLower() == QLatin1String("layra");
  });
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  // --help and --version answer before Qt starts, so they need no display.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("layra %s\n", LAYRA_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication application(argc, argv);
  // Qt takes the user's locale for the C library; the file formats and the
  // listings are written and read with '.' as the decimal point.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("layra"));
  QApplication::setApplicationVersion(QStringLiteral(LAYRA_VERSION));
  QApplication::setOrganizationName(QStringLiteral("layra"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/DiaIcon")));
  QApplication::setDesktopFileName(QStringLiteral("layra"));

  // Qt has taken its own options out of the arguments.
  QStringList files;
  if (!CommandLineFiles(QApplication::arguments(), &files)) return 2;

  layra::MainWindow window;
  window.EnableSessionMemory(
      QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
  window.setStartupFiles(files);
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
