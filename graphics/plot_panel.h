#ifndef LAYRA_GRAPHICS_PLOT_PANEL_H_
#define LAYRA_GRAPHICS_PLOT_PANEL_H_

// What the panel painter receives for one graph of the sounding plot. All
// coordinates are client-area pixels with y growing downwards.

#include <string>

namespace layra {

enum class PanelKind : int {
  kResistivity = 0,   // log value axis "App." / "Resis."
  kIp = 1,            // linear value axis "App. IP"
  kSipFrequency = 2,  // log resistivity axis on the left, linear phase axis on the right
  kTau = 3,           // Cole-Cole time constant, log axis "App." / "Tau"
  kExponent = 4,      // Cole-Cole exponent, log axis "App." / "C"
};

// The depth scale on the top axis is the spacing scale times this.
constexpr float DepthFactor = 0.5f;

struct PlotPanel {
  PanelKind kind = PanelKind::kResistivity;
  int charWidth = 8;    // W: average character width of the font
  int lineHeight = 16;  // H: character height of the font
  int compact = 0;      // non-zero: grid lines, short axis title and legend texts
  int x0 = 0;           // left edge of the graph
  int width = 0;
  int y0 = 0;  // bottom edge of the graph; the top is y0 - height
  int height = 0;
  float ymin = 0.0f;  // value axis: decade exponents on log axes, plain values on the IP axis
  float ymax = 1.0f;
  float xmin = 0.0f;  // spacing axis as whole decade exponents
  float xmax = 1.0f;
  float xscale = 0.0f;    // pixels per decade: width / (xmax - xmin)
  float yscale = 0.0f;    // pixels per value unit: height / (ymax - ymin)
  int iteration = -1;     // -1: no iteration (forward-model plots)
  float misfit = 0.0f;    // a fraction for resistivity panels, plain for the others
  float phaseMin = 0.0f;  // right-hand phase axis of frequency panels
  float phaseMax = 1.0f;
  int dataConstraint = 0;        // >= 1 (robust): the legend says "Mean error"
  const char* engineLabel = "";  // legend line under the misfit of an iteration; none when empty
  // The legend goes to the window's left margin at the panel's row. A panel in
  // the right-hand column of the SIP layouts has none: written there it
  // would overwrite the legend of the left-hand panel of its row.
  int showLegend = 1;
  // Written inside the frame's top-left corner when not empty (the
  // frequency of a frequency panel).
  std::string caption;

  int top() const { return y0 - height; }
  // Pixel column of spacing-axis value u (log10 of a spacing).
  int X(float u) const;
  // Pixel row of value-axis value v.
  int Y(float v) const;
};

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PLOT_PANEL_H_
