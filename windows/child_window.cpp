#include "windows/child_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>

#include "graphics/sounding_plot.h"
#include "windows/menu_command.h"
#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra {

ChildWindow::ChildWindow(ShellState& shell,
                         DialogRunner& runner,
                         std::function<void(int)> set_window_open,
                         QWidget* owner,
                         const char* object_name,
                         const char* welcome_message)
    : QMainWindow(owner),
      shell_(shell),
      runner_(runner),
      set_window_open_(std::move(set_window_open)),
      welcome_message_(welcome_message) {
  // A window of its own, kept above its owner; gone once closed.
  setWindowFlag(Qt::Window, true);
  setAttribute(Qt::WA_DeleteOnClose, true);
  setObjectName(QString::fromLatin1(object_name));
  host_ = std::make_unique<QtHost>(this, runner_, shell_);

  canvas_ = new QtCanvas(this);
  canvas_->setObjectName(QStringLiteral("canvas"));
  canvas_->setFirstPaintHandler([this] {
    // Not from inside the paint event: the message box runs its own loop.
    QTimer::singleShot(0, this, &ChildWindow::HandleFirstPaint);
  });
  canvas_->setFollowsSize(true);
  canvas_->setMinimumSize(320, 240);
  setCentralWidget(canvas_);
  listing_ = AddListingDock(*this, Qt::RightDockWidgetArea);
  pictures_ = new PictureCommands(
      *this, CanvasPicture(*canvas_, [this] { return PictureFileName(); }), *host_, runner_);

  window_open_ = 1;
  if (set_window_open_) {
    set_window_open_(1);
  }
}

ChildWindow::~ChildWindow() { Destroy(); }

void ChildWindow::HandleFirstPaint() {
  if (last_command_ != -1) {
    return;
  }
  ClearWindow(*canvas_);
  last_command_ = 0;
  host_->ShowMessage(welcome_message_, "Message", MessageIcon::kInformation, MessageButtons::kOk);
  if (after_welcome_) {
    std::function<void()> action = std::move(after_welcome_);
    after_welcome_ = nullptr;
    action();
  }
}

void ChildWindow::RunAfterWelcome(std::function<void()> action) {
  if (last_command_ != -1) {
    action();
  } else {
    after_welcome_ = std::move(action);
  }
}

void ChildWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LimitDockWidth(*this);
}

void ChildWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Q) {
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void ChildWindow::AddPictureCommands(QMenu* file) {
  QMenu* edit = new QMenu(QStringLiteral("&Edit"), this);
  pictures_->AddTo(file, edit);
  menuBar()->addMenu(edit);
}

void ChildWindow::AddListingLine(const std::string& text) {
  listing_->appendPlainText(QString::fromLocal8Bit(text.c_str()));
}

QAction* ChildWindow::AddCommand(QMenu* menu, int id, const QString& text, const QString& name) {
  return AddMenuCommand(menu, id, text, name, this, [this](int command) { Dispatch(command); });
}

void ChildWindow::closeEvent(QCloseEvent* event) {
  Destroy();
  event->accept();
}

void ChildWindow::Destroy() {
  if (window_open_ == 0) {
    return;
  }
  window_open_ = 0;
  host_->Beep();
  if (set_window_open_) {
    set_window_open_(0);
  }
}

}  // namespace layra
