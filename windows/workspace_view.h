#ifndef LAYRA_WINDOWS_WORKSPACE_VIEW_H_
#define LAYRA_WINDOWS_WORKSPACE_VIEW_H_

// The main window's plot in units (graphics/sounding_chart.h): drawn anew,
// smooth, at every paint and every size from what its source gives, through
// a drawing record replayed with QPainter. Before there is anything to plot
// it says how to begin. The view keeps where its last drawing put things
// (layout()), so that the pointer can be mapped to spacings, depths and
// resistivities and to the layer boundaries and resistivities of the model.
// Page Up and Page Down step through the pages of a SIP sounding.
//
// The first run's model can be dragged: a layer boundary sideways (its
// depth), a layer's resistivity up and down. The cursor shape says which is
// under the pointer; the view reports the drag in data units and leaves the
// model to its owner. Hovering reports the spacing, resistivity and depth
// under the pointer.

#include <QWidget>
#include <functional>

#include "graphics/sounding_chart.h"

namespace layra {

class Canvas;

class WorkspaceView : public QWidget {
  Q_OBJECT

 public:
  explicit WorkspaceView(QWidget* parent = nullptr);

  // What the view shows; called at each drawing. Readings make a chart; a
  // chart without readings shows how to begin.
  void setSource(std::function<ChartInput()> source) { source_ = std::move(source); }
  // Called once, on the first paint of the view.
  void setFirstPaintHandler(std::function<void()> handler) {
    first_paint_handler_ = std::move(handler);
  }

  // True when the source has readings to plot.
  bool hasData() const;
  // The page shown (0 first) and the pages there are.
  int page() const { return page_; }
  int pageCount() const;
  // Shows page `page`, held within the pages there are.
  void setPage(int page);

  // Draws what the view shows on `canvas`, laid out for its size.
  ChartLayout Paint(Canvas& canvas) const;
  // Where the last paint of the view put things.
  const ChartLayout& layout() const { return layout_; }

 signals:
  void pageChanged(int page);
  // A drag of `handle` began, went on to `depth` (m) and `resistivity`
  // (ohm-m) under the pointer, ended.
  void dragStarted(layra::ChartHandle handle);
  void dragged(layra::ChartHandle handle, double depth, double resistivity);
  void dragFinished();
  // What lies under the pointer, for the status bar; "" when off the plot.
  void hovered(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  ChartInput Input() const;

  std::function<ChartInput()> source_;
  std::function<void()> first_paint_handler_;
  bool painted_ = false;
  int page_ = 0;
  ChartLayout layout_;
  ChartHandle drag_;  // the handle being dragged, kind kNone when none
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_WORKSPACE_VIEW_H_
