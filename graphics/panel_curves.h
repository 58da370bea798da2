#ifndef LAYRA_GRAPHICS_PANEL_CURVES_H_
#define LAYRA_GRAPHICS_PANEL_CURVES_H_

// The contents of one panel: the layered model as blocks and the observed /
// calculated curve pair. Values are already in axis units (log10 on log axes,
// plain on linear ones); positions on the spacing axis are log10 of spacings.
// A value that is not finite (log10 of zero or of a negative number) has no
// place on the axis: its block, symbol or segment is left out.

#include <vector>

#include "graphics/plot_panel.h"
#include "platform/canvas.h"

namespace layra {

// One rectangle per layer in a new magenta pen, from the graph's bottom up to
// the layer's value (at least one pixel high), between boundary[i] and
// boundary[i + 1] but never left of x0 nor right of rightLimit. `boundary` has
// one entry more than `layerValue`. The previous pen is selected back.
void DrawModelBlocks(Canvas& canvas,
                     const PlotPanel& panel,
                     int rightLimit,
                     const std::vector<float>& layerValue,
                     const std::vector<float>& boundary);

// "+" symbols at the observed values and a polyline through the calculated
// values, in the pen currently selected. The three arrays have the same length.
// Points whose entry in `hollow` is non-zero are drawn as hollow squares.
void DrawCurvePair(Canvas& canvas,
                   const PlotPanel& panel,
                   const std::vector<float>& observed,
                   const std::vector<float>& calculated,
                   const std::vector<float>& xPos,
                   const std::vector<unsigned char>& hollow = {});

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PANEL_CURVES_H_
