#include "windows/picture_commands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFontDatabase>
#include <QFormLayout>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "graphics/picture_file.h"
#include "windows/dialog_runner.h"
#include "windows/painter_canvas.h"
#include "windows/qt_canvas.h"
#include "windows/qt_host.h"

namespace layra {
namespace {

const char kNoPictureMessage[] = "There is no picture to export yet.";

// The paper sizes an exported PDF may take, the first the picture's own.
struct PaperChoice {
  const char* label;
  PaperSize paper;
  bool landscape;
};
constexpr PaperChoice kPapers[] = {
    {"A4, landscape", kPaperA4, true},
    {"A4, portrait", kPaperA4, false},
    {"Letter, landscape", kPaperLetter, true},
    {"Letter, portrait", kPaperLetter, false},
    {"The picture's size (a point per pixel)", PaperSize{}, false},
};

// The picture of `source`, drawn anew at width x height.
DrawingRecord DrawPicture(const PictureSource& source, int width, int height) {
  DrawingRecord drawing = MakePictureDrawing(width, height);
  source.draw(drawing);
  return drawing;
}

}  // namespace

PictureSource CanvasPicture(const QtCanvas& canvas, std::function<std::string()> base_name) {
  PictureSource source;
  source.available = [&canvas] { return canvas.hasPicture(); };
  source.draw = [&canvas](Canvas& target) { canvas.ReplayOnto(target); };
  source.shownSize = [&canvas] { return canvas.size(); };
  source.baseName = std::move(base_name);
  return source;
}

PictureCommands::PictureCommands(QWidget& window,
                                 PictureSource source,
                                 QtHost& host,
                                 DialogRunner& runner)
    : QObject(&window), window_(window), source_(std::move(source)), host_(host), runner_(runner) {}

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

std::string PictureCommands::DefaultExportName() const {
  std::string base = source_.baseName ? source_.baseName() : std::string();
  if (base.empty()) base = "picture";
  return base + PictureFormats().front().extension;
}

bool PictureCommands::ExportPicture() {
  if (!source_.available()) {
    host_.Warn(kNoPictureMessage, "Message");
    return false;
  }
  std::string path = DefaultExportName();
  if (!host_.ChooseSaveFile(path, "Export picture (" + PictureExtensionList() + ")")) {
    return false;
  }
  const PictureFormatInfo* format = PictureFormatOfPath(path);
  if (format == nullptr) {
    host_.Warn(path + "\nhas no picture type this program writes.\nPlease use a name ending in " +
                   PictureExtensionList() + ".",
               "Error Message");
    return false;
  }
  const bool pdf = format->format == PictureFormat::kPdf;
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
  const QSize shown = source_.shownSize();
  width->setValue(shown.width());
  height->setValue(shown.height());
  form->addRow(QStringLiteral("&Width"), width);
  form->addRow(QStringLiteral("&Height"), height);
  auto* paper = new QComboBox(&size_dialog);
  paper->setObjectName(QStringLiteral("paper"));
  for (const PaperChoice& choice : kPapers) paper->addItem(QString::fromLatin1(choice.label));
  paper->setEnabled(pdf);
  form->addRow(QStringLiteral("&Paper (PDF)"), paper);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &size_dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &size_dialog, &QDialog::reject);
  if (runner_.Run(size_dialog) != QDialog::Accepted) {
    return false;
  }
  PictureOptions options;
  if (pdf) {
    const PaperChoice& choice = kPapers[std::clamp(paper->currentIndex(), 0, 4)];
    options.paper = choice.paper;
    if (choice.landscape) std::swap(options.paper.width, options.paper.height);
  }
  std::string error;
  if (!SavePicture(DrawPicture(source_, width->value(), height->value()),
                   path,
                   format->format,
                   options,
                   &error)) {
    host_.Warn(error, "Error Message");
    return false;
  }
  return true;
}

bool PictureCommands::Print() {
  if (!source_.available()) {
    host_.Warn(kNoPictureMessage, "Message");
    return false;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, &window_);
  dialog.setObjectName(QStringLiteral("PrintDialog"));
  if (runner_.Run(dialog) != QDialog::Accepted) return false;
  QSize size = source_.shownSize();
  if (size.isEmpty()) size = QSize(1280, 800);
  const DrawingRecord drawing = DrawPicture(source_, size.width(), size.height());
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The picture keeps its proportions on the page.
  const QRect page = painter.viewport();
  const QSize fitted = size.scaled(page.size(), Qt::KeepAspectRatio);
  painter.setViewport(page.x(), page.y(), fitted.width(), fitted.height());
  painter.setWindow(0, 0, size.width(), size.height());
  PainterCanvas target(painter, size.width(), size.height());
  drawing.Replay(target);
  return painter.end();
}

void PictureCommands::Copy() {
  if (!source_.available()) {
    host_.Warn(kNoPictureMessage, "Message");
    return;
  }
  const QSize size = source_.shownSize();
  std::string error;
  const PixelImage pixels = PaintPicture(
      DrawPicture(source_, std::max(size.width(), 1), std::max(size.height(), 1)), &error);
  if (!pixels.IsValid()) {
    host_.Warn(error, "Error Message");
    return;
  }
  QImage image(pixels.width, pixels.height, QImage::Format_RGB888);
  for (int y = 0; y < pixels.height; ++y) {
    std::memcpy(image.scanLine(y),
                &pixels.pixels[static_cast<std::size_t>(y) * pixels.width],
                3 * static_cast<std::size_t>(pixels.width));
  }
  QApplication::clipboard()->setImage(image);
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
