#include "windows/workspace_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <string>

#include "graphics/drawing_record.h"
#include "windows/painter_canvas.h"

namespace layra {
namespace {

// What the view says before there is anything to plot.
constexpr const char* kHint[] = {
    "No sounding read yet.",
    "",
    "File > Read apparent resistivity data file (Ctrl+O) reads one;",
    "its readings are plotted here at once, in ohm-m against AB/2 or a.",
    "Inversion > Automatic Inversion (Ctrl+I) fits a layered model to them.",
    "",
    "View > Documented layout shows the program's classic plot instead.",
};

}  // namespace

WorkspaceView::WorkspaceView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

ChartInput WorkspaceView::Input() const {
  ChartInput input = source_ ? source_() : ChartInput{};
  input.page = page_;
  return input;
}

bool WorkspaceView::hasData() const { return source_ && !source_().spacing.empty(); }

int WorkspaceView::pageCount() const { return source_ ? ChartPageCount(source_()) : 1; }

void WorkspaceView::setPage(int page) {
  const int held = std::clamp(page, 0, std::max(pageCount() - 1, 0));
  if (held == page_) return;
  page_ = held;
  update();
  emit pageChanged(page_);
}

ChartLayout WorkspaceView::Paint(Canvas& canvas) const {
  const ChartInput input = Input();
  if (!input.spacing.empty()) return PaintSoundingChart(input, canvas);
  canvas.Clear();
  const TextMetrics metrics = canvas.Metrics();
  const int lines = static_cast<int>(std::size(kHint));
  int y = std::max((canvas.Height() - lines * metrics.charHeight) / 2, 0);
  for (const char* line : kHint) {
    const int width = static_cast<int>(std::string(line).size()) * metrics.averageCharWidth;
    canvas.DrawText(std::max((canvas.Width() - width) / 2, 0), y, line);
    y += metrics.charHeight;
  }
  return ChartLayout{};
}

void WorkspaceView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PainterCanvas target(painter, width(), height());
  DrawingRecord drawing(width(), height(), target.Metrics());
  layout_ = Paint(drawing);
  drawing.Replay(target);
  painter.end();
  if (!painted_) {
    painted_ = true;
    if (first_paint_handler_) first_paint_handler_();
  }
}

void WorkspaceView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp) {
    setPage(page_ + (event->key() == Qt::Key_PageDown ? 1 : -1));
    return;
  }
  QWidget::keyPressEvent(event);
}

void WorkspaceView::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  drag_ = event->button() == Qt::LeftButton ? layout_.HandleAt(at.x(), at.y()) : ChartHandle{};
  if (drag_.kind == ChartHandle::Kind::kNone) {
    QWidget::mousePressEvent(event);
    return;
  }
  emit dragStarted(drag_);
}

void WorkspaceView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  const bool on_plot = layout_.hasResistivity && layout_.resistivity.frame.Contains(at.x(), at.y());
  if (drag_.kind != ChartHandle::Kind::kNone) {
    emit dragged(drag_, layout_.DepthAt(at.x()), layout_.ResistivityAt(at.y()));
    return;
  }
  switch (layout_.HandleAt(at.x(), at.y()).kind) {
    case ChartHandle::Kind::kBoundary:
      setCursor(Qt::SplitHCursor);
      break;
    case ChartHandle::Kind::kResistivity:
      setCursor(Qt::SplitVCursor);
      break;
    case ChartHandle::Kind::kNone:
      unsetCursor();
      break;
  }
  if (!on_plot) {
    emit hovered(QString());
    return;
  }
  const double depth = layout_.DepthAt(at.x());
  emit hovered(QStringLiteral("%1 = %2 m   resistivity %3 ohm-m   depth %4 m")
                   .arg(Input().wenner ? QStringLiteral("a") : QStringLiteral("AB/2"))
                   .arg(2.0 * depth, 0, 'g', 4)
                   .arg(layout_.ResistivityAt(at.y()), 0, 'g', 4)
                   .arg(depth, 0, 'g', 4));
}

void WorkspaceView::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_.kind == ChartHandle::Kind::kNone || event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  drag_ = ChartHandle{};
  emit dragFinished();
}

}  // namespace layra
