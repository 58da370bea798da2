#ifndef LAYRA_GRAPHICS_PANEL_AXES_H_
#define LAYRA_GRAPHICS_PANEL_AXES_H_

// The frame of one panel: value axis (log, linear IP, or log with a linear
// phase axis on the right), the four sides, the logarithmic spacing axis with
// the depth scale on top, the axis titles and the legend in the window's left
// margin. Drawn after the panel's blocks and curves.

#include "graphics/plot_panel.h"
#include "platform/canvas.h"

namespace layra {

void DrawPanelAxes(Canvas& canvas, const PlotPanel& panel);

// Most tick intervals of a linear axis. The data reader's IP and phase limits
// keep real ranges below it; an absurd range (1e30) would otherwise mean
// millions of tick labels.
constexpr int kMaxLinearAxisIntervals = 500;

// Number of tick intervals of the linear IP axis for a range r: r / 10 below
// 500, r / 100 from 500 on, rounded; at least 1 for a range above 0, so the top
// of the axis is labelled too; at most kMaxLinearAxisIntervals.
int IpAxisIntervals(float range);

// Number of tick intervals of the phase axis for a range r: r below 20, r / 10
// from 20 on, rounded; at least 1 for a range above 0; at most
// kMaxLinearAxisIntervals.
int PhaseAxisIntervals(float range);

// Rows of the phase axis that carry a label: every row while rows are at least
// a text line apart, otherwise every k-th row from the bottom, k the smallest
// step that keeps the labels from overlapping.
int PhaseLabelStride(int height, int intervals, int lineHeight);

// Decimals of the label of the decade 10^exponent on a log axis: one, or as
// many as the decade needs (0.01 -> 2).
int DecadeDecimals(int exponent);

// Decimals of the depth label 0.5 x 10^exponent: one more than the decade
// label needs below 1 m, so 0.05 reads "0.05" and not "0.1".
int DepthDecimals(int exponent);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PANEL_AXES_H_
