#ifndef LAYRA_WINDOWS_PICTURE_COMMANDS_H_
#define LAYRA_WINDOWS_PICTURE_COMMANDS_H_

// The picture commands every window offers besides its own: File > Export
// picture... (Ctrl+E: PNG, SVG or PDF by the name's extension, at the view's
// size or a size the user chooses), File > Print... (Ctrl+P) and Edit > Copy
// picture. They draw the window's recorded plot again as vectors, never from
// the screen's pixels. The window's listing dock is made here too.

#include <QObject>
#include <QString>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QPlainTextEdit;

namespace layra {

class DialogRunner;
class QtCanvas;
class QtHost;

class PictureCommands : public QObject {
  Q_OBJECT

 public:
  PictureCommands(QMainWindow& window, QtCanvas& canvas, QtHost& host, DialogRunner& runner);

  // Adds Export picture... and Print... to `file`, Copy picture to `edit`.
  void AddTo(QMenu* file, QMenu* edit);
  // Asks for a file name and a size and writes the picture; true if written.
  bool ExportPicture();
  bool Print();
  void Copy();

 private:
  QMainWindow& window_;
  QtCanvas& canvas_;
  QtHost& host_;
  DialogRunner& runner_;
};

// Adds a dock to `window` holding the read-only, selectable listing view
// (object name "listing") and returns the view.
QPlainTextEdit* AddListingDock(QMainWindow& window, Qt::DockWidgetArea area);

// Keeps the docks of `window` to at most a third of its width, so that the
// plot keeps most of a small window.
void LimitDockWidth(QMainWindow& window);

// Adds a dock named `name` with `content` to `window`.
QDockWidget* AddDock(QMainWindow& window,
                     QWidget* content,
                     const QString& title,
                     const QString& name,
                     Qt::DockWidgetArea area);

}  // namespace layra

#endif  // LAYRA_WINDOWS_PICTURE_COMMANDS_H_
