#include "graphics/panel_curves.h"

#include <algorithm>
#include <cmath>
#include <string>

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

void DrawModelOutline(Canvas& canvas,
                      const PlotPanel& panel,
                      const std::vector<float>& layerValue,
                      const std::vector<float>& boundary,
                      Rgb color) {
  const size_t layers = std::min(layerValue.size(), boundary.empty() ? 0 : boundary.size() - 1);
  const int left_edge = panel.x0, right_edge = panel.x0 + panel.width - 1;
  auto x_of = [&](float u) {
    return std::clamp(
        panel.x0 + RoundHalfAway(panel.xscale * (u - panel.xmin)), left_edge, right_edge);
  };
  auto y_of = [&](float v) { return std::clamp(panel.Y(v), panel.top(), panel.y0 - 1); };
  Pen previous = canvas.SelectPen(Pen{PenStyle::kSolid, color});
  bool started = false;
  for (size_t i = 0; i < layers; ++i) {
    if (!std::isfinite(layerValue[i])) {
      started = false;
      continue;
    }
    const int y = y_of(layerValue[i]);
    const int left = x_of(boundary[i]);
    const int right = x_of(boundary[i + 1]);
    if (started) {
      canvas.LineTo(left, y);  // the join at the interface
    } else {
      canvas.MoveTo(left, y);
      started = true;
    }
    canvas.LineTo(right, y);
  }
  canvas.SelectPen(previous);
}

void DrawBelowDepth(Canvas& canvas, const PlotPanel& panel, float from) {
  if (!std::isfinite(from)) return;
  const int left = std::max(panel.x0 + RoundHalfAway(panel.xscale * (from - panel.xmin)), panel.x0);
  const int right = panel.x0 + panel.width - 1;
  const int top = panel.top(), bottom = panel.y0 - 1;
  if (left >= right) return;
  constexpr int kPitch = 10;
  Pen previous = canvas.SelectPen(Pen{PenStyle::kSolid, kHatchGrey});
  // Lines x + y = c, from lower left to upper right.
  for (int c = left + top + kPitch; c < right + bottom; c += kPitch) {
    const int x1 = std::max(left, c - bottom);
    const int x2 = std::min(right, c - top);
    if (x1 >= x2) continue;
    canvas.MoveTo(x1, c - x1);
    canvas.LineTo(x2, c - x2);
  }
  canvas.SelectPen(previous);
  // The label starts at the hatched part, or ends at the graph's right edge
  // when that part is narrower than the label.
  const std::string label = "below DOI";
  const int width = static_cast<int>(label.size()) * canvas.Metrics().averageCharWidth;
  Rgb color = canvas.SetTextColor(kLabelGrey);
  canvas.DrawText(std::max(std::min(left + 2, right - 2 - width), panel.x0), top + 2, label);
  canvas.SetTextColor(color);
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
