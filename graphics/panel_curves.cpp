#include "graphics/panel_curves.h"

#include <algorithm>
#include <cmath>

#include "graphics/plot_primitives.h"

namespace layra {

void DrawModelBlocks(Canvas& canvas,
                     const PlotPanel& panel,
                     int rightLimit,
                     const std::vector<float>& layerValue,
                     const std::vector<float>& boundary) {
  Pen previous = canvas.SelectPen(Pen{PenStyle::kSolid, PaletteMagenta});
  size_t layers = std::min(layerValue.size(), boundary.empty() ? 0 : boundary.size() - 1);
  for (size_t i = 0; i < layers; ++i) {
    if (!std::isfinite(layerValue[i])) continue;
    int left =
        std::max(panel.x0 + RoundHalfAway(panel.xscale * (boundary[i] - panel.xmin)), panel.x0);
    int right = std::min(panel.x0 + RoundHalfAway(panel.xscale * (boundary[i + 1] - panel.xmin)),
                         rightLimit);
    // A layer wholly outside the graph keeps no width rather than turning over.
    left = std::min(left, rightLimit);
    right = std::max(right, left);
    int g = RoundHalfAway(panel.yscale * (layerValue[i] - panel.ymin));
    int top = std::min(panel.y0 - g, panel.y0 - 1);
    canvas.Rectangle(left, top, right, panel.y0);
  }
  canvas.SelectPen(previous);
}

void DrawCurvePair(Canvas& canvas,
                   const PlotPanel& panel,
                   const std::vector<float>& observed,
                   const std::vector<float>& calculated,
                   const std::vector<float>& xPos,
                   const std::vector<unsigned char>& hollow) {
  size_t n = std::min({observed.size(), calculated.size(), xPos.size()});
  for (size_t k = 0; k < n; ++k) {
    if (std::isfinite(xPos[k]) && std::isfinite(observed[k])) {
      if (k < hollow.size() && hollow[k] != 0) {
        DrawHollowMarker(canvas, panel.X(xPos[k]), panel.Y(observed[k]));
      } else {
        DrawPlusMarker(canvas, panel.X(xPos[k]), panel.Y(observed[k]));
      }
    }
    if (k == 0) continue;
    if (std::isfinite(xPos[k - 1]) && std::isfinite(calculated[k - 1]) && std::isfinite(xPos[k]) &&
        std::isfinite(calculated[k])) {
      DrawSegment(canvas,
                  panel.X(xPos[k - 1]),
                  panel.Y(calculated[k - 1]),
                  panel.X(xPos[k]),
                  panel.Y(calculated[k]));
    }
  }
}

}  // namespace layra
