#include "windows/workspace_view.h"

#include <QKeyEvent>
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

}  // namespace layra
