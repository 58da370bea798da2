#ifndef LAYRA_WINDOWS_PICTURE_COMMANDS_H_
#define LAYRA_WINDOWS_PICTURE_COMMANDS_H_

// The picture commands every window offers besides its own: File > Export
// picture... (Ctrl+E: any format of the picture table by the name's
// extension, at the view's size or a size the user chooses, a PDF on a paper
// size), File > Print... (Ctrl+P) and Edit > Copy picture. They draw the
// window's picture anew into a drawing record, never from the screen's
// pixels, and write it through the same writers as the command line
// (graphics/picture_file.h): a file is written whole or not at all. The
// window's listing dock is made here too.

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace layra {

class Canvas;
class DialogRunner;
class QtHost;
class QtCanvas;

// What a window's picture commands show.
struct PictureSource {
  // True when there is a picture to show.
  std::function<bool()> available;
  // Draws the picture on `canvas`, laid out for the canvas's size.
  std::function<void(Canvas&)> draw;
  // The size the picture is shown at now, in pixels.
  std::function<QSize()> shownSize;
  // The name an export offers, without extension; a path names the folder
  // the chooser starts in. Empty: "picture" in the data folder.
  std::function<std::string()> baseName;
};

// The picture of a canvas: drawn again by its redrawer, or its record
// replayed scaled.
PictureSource CanvasPicture(const QtCanvas& canvas, std::function<std::string()> base_name);

class PictureCommands : public QObject {
  Q_OBJECT

 public:
  // `window` parents the dialogs; messages and the file chooser go through
  // `host`, every dialog through `runner`.
  PictureCommands(QWidget& window, PictureSource source, QtHost& host, DialogRunner& runner);

  // Adds Export picture... and Print... to `file`, Copy picture to `edit`.
  void AddTo(QMenu* file, QMenu* edit);
  // Asks for a file name, a size (and for a PDF a paper size) and writes the
  // picture; true if written.
  bool ExportPicture();
  // Prints through Qt's print dialog, the picture scaled to the page with its
  // proportions; false when there is no picture or the dialog was cancelled.
  bool Print();
  // Puts the picture, at the size shown, on the clipboard.
  void Copy();
  // The name ExportPicture offers first.
  std::string DefaultExportName() const;

 private:
  QWidget& window_;
  PictureSource source_;
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
