#include "windows/picture_commands.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFontDatabase>
#include <QFormLayout>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <algorithm>
#include <string>

#include "windows/dialog_runner.h"
#include "windows/painter_canvas.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra {
namespace {

const char kNoPictureMessage[] = "There is no picture to export yet.";

}  // namespace

PictureCommands::PictureCommands(QMainWindow& window,
                                 QtCanvas& canvas,
                                 QtHost& host,
                                 DialogRunner& runner)
    : QObject(&window), window_(window), canvas_(canvas), host_(host), runner_(runner) {}

void PictureCommands::AddTo(QMenu* file, QMenu* edit) {
  QAction* export_action = file->addAction(QStringLiteral("E&xport picture..."));
  export_action->setObjectName(QStringLiteral("exportPicture"));
  export_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  connect(export_action, &QAction::triggered, this, [this] { ExportPicture(); });
  QAction* print_action = file->addAction(QStringLiteral("&Print..."));
  print_action->setObjectName(QStringLiteral("printPicture"));
  print_action->setShortcut(QKeySequence::Print);
  connect(print_action, &QAction::triggered, this, [this] { Print(); });
  QAction* copy_action = edit->addAction(QStringLiteral("Copy &picture"));
  copy_action->setObjectName(QStringLiteral("copyPicture"));
  connect(copy_action, &QAction::triggered, this, [this] { Copy(); });
}

bool PictureCommands::ExportPicture() {
  if (!canvas_.hasPicture()) {
    host_.Warn(kNoPictureMessage, "Message");
    return false;
  }
  std::string path = "picture.png";
  if (!host_.ChooseSaveFile(path, "Export picture (.png, .svg or .pdf)")) {
    return false;
  }
  QDialog size_dialog(&window_);
  size_dialog.setObjectName(QStringLiteral("PictureSizeDialog"));
  size_dialog.setWindowTitle(QStringLiteral("Picture size"));
  auto* form = new QFormLayout(&size_dialog);
  auto* width = new QSpinBox(&size_dialog);
  auto* height = new QSpinBox(&size_dialog);
  width->setObjectName(QStringLiteral("width"));
  height->setObjectName(QStringLiteral("height"));
  for (QSpinBox* box : {width, height}) {
    box->setRange(100, 20000);
    box->setSuffix(QStringLiteral(" px"));
  }
  width->setValue(canvas_.width());
  height->setValue(canvas_.height());
  form->addRow(QStringLiteral("&Width"), width);
  form->addRow(QStringLiteral("&Height"), height);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &size_dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &size_dialog, &QDialog::reject);
  if (runner_.Run(size_dialog) != QDialog::Accepted) {
    return false;
  }
  QString error;
  if (!layra::ExportPicture(
          canvas_, QString::fromStdString(path), width->value(), height->value(), &error)) {
    host_.Warn(error.toStdString(), "Error Message");
    return false;
  }
  return true;
}

bool PictureCommands::Print() {
  if (!canvas_.hasPicture()) {
    host_.Warn(kNoPictureMessage, "Message");
    return false;
  }
  return PrintPicture(canvas_, &window_, runner_);
}

void PictureCommands::Copy() {
  if (!canvas_.hasPicture()) {
    host_.Warn(kNoPictureMessage, "Message");
    return;
  }
  CopyPicture(canvas_);
}

void LimitDockWidth(QMainWindow& window) {
  const int limit = std::max(window.width() / 3, 160);
  QList<QDockWidget*> wide;
  QList<int> widths;
  for (QDockWidget* dock : window.findChildren<QDockWidget*>()) {
    if (dock->isVisible() && !dock->isFloating() && dock->width() > limit) {
      wide << dock;
      widths << limit;
    }
  }
  if (!wide.isEmpty()) window.resizeDocks(wide, widths, Qt::Horizontal);
}

QDockWidget* AddDock(QMainWindow& window,
                     QWidget* content,
                     const QString& title,
                     const QString& name,
                     Qt::DockWidgetArea area) {
  auto* dock = new QDockWidget(title, &window);
  dock->setObjectName(name);
  dock->setWidget(content);
  window.addDockWidget(area, dock);
  return dock;
}

QPlainTextEdit* AddListingDock(QMainWindow& window, Qt::DockWidgetArea area) {
  auto* listing = new QPlainTextEdit(&window);
  listing->setObjectName(QStringLiteral("listing"));
  listing->setReadOnly(true);
  listing->setLineWrapMode(QPlainTextEdit::NoWrap);
  listing->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  listing->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  AddDock(window, listing, QStringLiteral("Listing"), QStringLiteral("listingDock"), area);
  return listing;
}

}  // namespace layra
