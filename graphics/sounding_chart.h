#ifndef LAYRA_GRAPHICS_SOUNDING_CHART_H_
#define LAYRA_GRAPHICS_SOUNDING_CHART_H_

// The workspace's picture of a sounding, a plot in units: apparent
// resistivity (ohm-m) against AB/2 (Schlumberger) or a (Wenner) in metres on
// log-log axes, the layered model as a step line against its own depth axis
// (metres, along the top: depth d lies where the spacing is 2d, as in the
// documented plot), the calculated curves of one or more runs, equivalent
// models as a translucent band, the part below the depth of investigation
// shaded, readings left out of the fit hollow with their misfit, and the
// readings of each MN/2 segment beside the merged curve. IP data add a
// chargeability panel under it; SIP data add pages of amplitude and phase
// panels, four frequencies a page.
//
// Everything is laid out for the canvas's size and text cell (from about
// 640 x 480 up): the legend has a column of its own right of the panels,
// axis titles have rows of their own, tick labels are thinned where they
// would touch, and no text is drawn over another. PaintSoundingChart returns
// where it put everything (ChartLayout), so that a window can map the pointer
// to data values and find the part of the model under it, to drag a layer
// boundary or a resistivity.
//
// The documented plot (graphics/sounding_plot.h) is a different picture and
// stays as it is.

#include <string>
#include <vector>

#include "graphics/chart_axes.h"
#include "platform/canvas.h"

namespace layra {

// A layered model.
struct ChartModel {
  std::vector<double> resistivity;    // ohm-m, layer 1 first; the last is the basement
  std::vector<double> thickness;      // m, one per layer above the basement
  std::vector<double> chargeability;  // per layer, in the chart's IP unit; empty: none
};

// One run over the data: an inversion's result, a model being edited, a
// forward computation. The first run of a chart is the one its model
// handles (ChartLayout::layers) belong to; the others are overlaid to be
// compared.
struct ChartRun {
  std::string label;               // legend entry, e.g. "Automatic, documented engine"
  std::vector<std::string> notes;  // lines under the label, e.g. "RMS 2.31 %"
  ChartModel model;
  // Apparent resistivity (ohm-m) at each reading's spacing; a value that is
  // not finite (a reading the run left out) is bridged: the curve is drawn
  // through from its neighbours.
  std::vector<double> calculated;
  std::vector<double> calculatedIp;  // at each spacing, chart's IP unit; empty: none
  // The spacings (m) `calculated` and `calculatedIp` belong to, those of the
  // data the run was made on; empty: the chart's. A run made before some
  // readings were left out of the merge keeps the points it was fitted to.
  std::vector<double> spacing;
  std::vector<ChartModel> equivalent;  // models that fit the data as well
  double depthOfInvestigation = 0.0;   // m; 0: not known
};

// The readings of one MN/2 segment of a Schlumberger sounding as measured,
// before the segments were merged into one curve. Readings left out of the
// merge are drawn hollow, with their misfit against the first run's curve
// once scaled as the merge scales the segment.
struct ChartSegment {
  double mn = 0.0;                  // MN/2, m
  std::vector<double> spacing;      // AB/2, m
  std::vector<double> resistivity;  // ohm-m
  std::vector<bool> leftOut;        // readings left out of the merge; may be empty
  double factor = 0.0;              // what the merge multiplies them by; 0: not known
};

// The spectral IP readings of one frequency, one value per reading.
struct ChartSpectrum {
  double frequency = 0.0;                   // Hz
  std::vector<double> observedAmplitude;    // ohm-m
  std::vector<double> observedPhase;        // mrad
  std::vector<double> calculatedAmplitude;  // empty: not computed
  std::vector<double> calculatedPhase;
};

struct ChartInput {
  std::string title;
  bool wenner = false;                 // the spacing is a (Wenner), else AB/2
  std::vector<double> spacing;         // m, one per reading of the merged curve
  std::vector<double> observed;        // apparent resistivity, ohm-m
  std::vector<bool> leftOut;           // readings left out of the fit; may be empty
  std::vector<ChartSegment> segments;  // Schlumberger readings per MN/2; may be empty
  std::vector<double> observedIp;      // chart's IP unit; empty: no IP panel
  std::string ipTitle;                 // the IP axis title with its unit
  std::vector<ChartSpectrum> spectra;  // SIP; empty: no frequency pages
  std::vector<ChartRun> runs;
  int page = 0;  // 0: resistivity (and IP); 1, 2, ...: frequency panels
};

// Frequency panels on a page.
constexpr int kChartFrequenciesPerPage = 4;

// Pages of `input`: 1, and one for every four frequencies.
int ChartPageCount(const ChartInput& input);

struct ChartRect {
  int left = 0;
  int top = 0;
  int right = 0;  // exclusive
  int bottom = 0;
  bool Contains(double x, double y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  bool Intersects(const ChartRect& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

// A panel: its frame and axes. x is the spacing (m); y the panel's values
// (apparent resistivity, IP or SIP amplitude); y2 the phase (mrad) of a
// frequency panel.
struct ChartPanel {
  ChartRect frame;
  ChartAxis x;
  ChartAxis y;
  ChartAxis y2;
  double frequency = 0.0;  // Hz, frequency panels
};

// Where a layer of the first run's model is drawn on the resistivity panel:
// its resistivity as a horizontal line from `left` to `right` at row `y`;
// the boundary below it is the vertical line at `right` (none for the
// basement).
struct ChartLayer {
  double left = 0.0;
  double right = 0.0;
  double y = 0.0;
};

// A part of the first run's model under the pointer.
struct ChartHandle {
  enum class Kind { kNone, kBoundary, kResistivity };
  Kind kind = Kind::kNone;
  // kBoundary: the boundary below layer `layer`; kResistivity: the layer's
  // resistivity. 0-based.
  int layer = -1;
};

struct ChartLayout {
  int page = 0;
  int pages = 1;
  bool hasResistivity = false;  // page 0: the resistivity panel
  ChartPanel resistivity;
  bool hasIp = false;
  ChartPanel ip;
  std::vector<ChartPanel> frequencies;  // the page's frequency panels
  ChartRect legend;
  // The first run's model on the resistivity panel, layer 1 first.
  std::vector<ChartLayer> layers;

  // Depth (m) at pixel column x and the column of a depth, on the
  // resistivity panel.
  double DepthAt(double x) const;
  double DepthPixel(double depth) const;
  // Resistivity (ohm-m) at pixel row y and the row of a resistivity.
  double ResistivityAt(double y) const;
  double ResistivityPixel(double resistivity) const;
  // The part of the first run's model within `tolerance` pixels of (x, y),
  // the nearest; a boundary before a resistivity where both are as near.
  ChartHandle HandleAt(double x, double y, double tolerance = 5.0) const;
};

// Clears the canvas and draws page input.page (clamped to the pages there
// are) of the chart.
ChartLayout PaintSoundingChart(const ChartInput& input, Canvas& canvas);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_SOUNDING_CHART_H_
