#ifndef LAYRA_WINDOWS_CHILD_WINDOW_H_
#define LAYRA_WINDOWS_CHILD_WINDOW_H_

// What the two child windows of the main window (forward modelling, results
// display) have in common: a top-level window over its owner with a canvas
// as client area, a host of its own, the welcome message on the first paint,
// and the window-open flag the main window's mode rules test: set while the
// window exists, cleared (with a beep) when it goes away.

#include <QMainWindow>
#include <functional>
#include <memory>

#include "state/records.h"
#include "windows/dialog_runner.h"
#include "windows/shell_state.h"

class QAction;
class QMenu;
class QPlainTextEdit;

namespace layra {

class PictureCommands;
class QtCanvas;
class QtHost;

class ChildWindow : public QMainWindow {
  Q_OBJECT

 public:
  ~ChildWindow() override;

  // What the first paint does once: clears the canvas and shows the welcome
  // message.
  void HandleFirstPaint();

  // -1 until the first paint, then 0, then the id of each command.
  int lastCommand() const { return last_command_; }
  QtCanvas& canvas() { return *canvas_; }
  QPlainTextEdit& listing() { return *listing_; }
  PictureCommands& pictures() { return *pictures_; }
  // Runs `action` once the welcome message has been shown (at once when it
  // has): a file given on the command line is opened after it.
  void RunAfterWelcome(std::function<void()> action);

 protected:
  // `shell` supplies the data directory the file choosers start in and the
  // shared dialog-result field; every dialog and message runs through
  // `runner`. `set_window_open` is called with 1 now and with 0 when the
  // window goes away (closed, or destroyed with its owner).
  ChildWindow(ShellState& shell,
              DialogRunner& runner,
              std::function<void(int)> set_window_open,
              QWidget* owner,
              const char* object_name,
              const char* welcome_message);

  // Carries out menu command `command`; the menu items of AddCommand call it.
  virtual void Dispatch(int command) = 0;
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& name);
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Escape and Q close the window, as the main window's message says.
  void keyPressEvent(QKeyEvent* event) override;
  // Adds the Edit menu with Copy picture and the picture commands to `file`.
  void AddPictureCommands(QMenu* file);
  // Adds `text` to the listing dock.
  void AddListingLine(const std::string& text);
  // The file the window's picture belongs to, without extension: exports
  // offer its name (empty: none read yet).
  virtual std::string PictureFileName() const { return std::string(); }

  ShellState& shell_;
  DialogRunner& runner_;
  std::unique_ptr<QtHost> host_;
  QtCanvas* canvas_;
  int last_command_ = -1;
  QPlainTextEdit* listing_ = nullptr;
  PictureCommands* pictures_ = nullptr;

 private:
  // What destroying the window does, once: the beep and clearing the
  // window-open flag.
  void Destroy();

  std::function<void(int)> set_window_open_;
  const char* welcome_message_;
  int window_open_ = 0;
  std::function<void()> after_welcome_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_CHILD_WINDOW_H_
