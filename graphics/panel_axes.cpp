#include "graphics/panel_axes.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/plot_primitives.h"
#include "state/text_format.h"

namespace layra {

namespace {

const Pen kGridDash{PenStyle::kDash, PaletteBlue};
const Pen kGridDot{PenStyle::kDot, PaletteBlue};
const Pen kBluePen{PenStyle::kSolid, PaletteBlue};
const Pen kMagentaPen{PenStyle::kSolid, PaletteMagenta};

int TextWidth(const PlotPanel& panel, const std::string& text) {
  return static_cast<int>(text.size()) * panel.charWidth;
}

void Line(Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
}

void LineInPen(Canvas& canvas, const Pen& pen, int x1, int y1, int x2, int y2) {
  Pen previous = canvas.SelectPen(pen);
  Line(canvas, x1, y1, x2, y2);
  canvas.SelectPen(previous);
}

void ColoredText(Canvas& canvas, Rgb color, int x, int y, const std::string& text) {
  Rgb previous = canvas.SetTextColor(color);
  canvas.DrawText(x, y, text);
  canvas.SetTextColor(previous);
}

// Pixel rows 1..n+1 of a linear axis with n intervals (index 0 unused). With no
// interval there is one row, at the bottom.
std::vector<int> LinearRows(const PlotPanel& panel, int n) {
  std::vector<int> rows(static_cast<size_t>(n) + 2, panel.y0);
  for (int i = 1; i <= n + 1 && n > 0; ++i) {
    rows[i] = RoundHalfAway(panel.y0 - (i - 1) * static_cast<float>(panel.height) / n);
  }
  return rows;
}

int MidRow(const PlotPanel& panel, int i, int n) {
  return TruncateCoordinate(panel.y0 - (i - 0.5f) * static_cast<float>(panel.height) / n);
}

const char* SecondTitleWord(PanelKind kind) {
  switch (kind) {
    case PanelKind::kTau:
      return "Tau";
    case PanelKind::kExponent:
      return "C";
    default:
      return "Resis.";
  }
}

void DrawLogValueAxis(Canvas& canvas, const PlotPanel& panel) {
  const int W = panel.charWidth;
  const int H = panel.lineHeight;
  const int top = panel.top();
  const int right = panel.x0 + panel.width;
  const bool both_sides = panel.kind == PanelKind::kResistivity;
  const int first_exponent = RoundHalfAway(panel.ymin);
  const int K = std::max(1, RoundHalfAway(panel.ymax - panel.ymin));
  const float step = static_cast<float>(panel.height) / K;

  std::vector<int> rows(static_cast<size_t>(K) + 2, panel.y0);
  float row = static_cast<float>(panel.y0);
  for (int i = 1; i <= K + 1; ++i, row -= step) {
    const int y = RoundHalfAway(row);
    rows[i] = y;
    const int exponent = first_exponent + i - 1;
    const double value = std::pow(10.0, exponent);
    if (i == 1 || i == K + 1) {
      Line(canvas, panel.x0, y, right, y);
    } else {
      Line(canvas, panel.x0, y, panel.x0 + 6, y);
      if (both_sides) Line(canvas, right - 6, y, right, y);
      if (panel.compact) LineInPen(canvas, kGridDash, panel.x0, y, right, y);
    }
    const std::string label = FormatTickLabel(value, DecadeDecimals(exponent));
    const int label_y = (i == K + 1 ? top : y) - H / 2;
    canvas.DrawText(panel.x0 - (static_cast<int>(label.size()) + 1) * W, label_y, label);
    if (i > K) continue;
    for (int m = 2; m <= 9; ++m) {
      const float log_value = static_cast<float>(std::log10(m * value));
      const int minor_y = TruncateCoordinate(panel.y0 - (log_value - panel.ymin) * panel.yscale);
      Line(canvas, panel.x0, minor_y, panel.x0 + 3, minor_y);
      if (both_sides) Line(canvas, right - 3, minor_y, right, minor_y);
      if (panel.compact && m == 3) LineInPen(canvas, kGridDot, panel.x0, minor_y, right, minor_y);
    }
  }

  const std::string first_word = "App.";
  const std::string second_word = SecondTitleWord(panel.kind);
  int first_y = 0;
  int second_y = 0;
  if (K >= 3) {
    const int m = (K + 1) / 2;
    first_y = rows[m + 1] - H / 2 - H;
    second_y = rows[m] - H / 2 - H;
  } else if (K == 2) {
    const float half_height = static_cast<float>(panel.height) / K;
    first_y = RoundHalfAway(top + half_height * 0.5f) - H;
    second_y = RoundHalfAway(top + half_height * 1.5f) - H;
  } else {
    first_y = RoundHalfAway(top + panel.height * 0.25f) - H;
    second_y = RoundHalfAway(top + panel.height * 0.75f) - H;
  }
  canvas.DrawText(panel.x0 - TextWidth(panel, first_word) - 2 - W, first_y, first_word);
  canvas.DrawText(panel.x0 - TextWidth(panel, second_word) - 2 - W, second_y, second_word);
}

void DrawIpAxis(Canvas& canvas, const PlotPanel& panel) {
  const int W = panel.charWidth;
  const int H = panel.lineHeight;
  const int right = panel.x0 + panel.width;
  const float range = panel.ymax - panel.ymin;
  const int n = IpAxisIntervals(range);
  const std::vector<int> rows = LinearRows(panel, n);
  for (int i = 1; i <= n + 1; ++i) {
    const int y = rows[i];
    Line(canvas, panel.x0, y, panel.x0 + 3, y);
    Line(canvas, right - 3, y, right, y);
    if (i <= n) {
      const int mid = MidRow(panel, i, n);
      Line(canvas, panel.x0, mid, panel.x0 + 2, mid);
      Line(canvas, right - 2, mid, right, mid);
    }
    if (i % 2 == 1 || n < 6) {
      const float value = n > 0 ? panel.ymin + (i - 1) * range / n : panel.ymin;
      const std::string label = FormatTickLabel(value, 2);
      canvas.DrawText(panel.x0 - TextWidth(panel, label) - W, y - H / 2, label);
    }
  }
  const std::string title = "App. IP";
  const int m = std::max(1, (n + 1) / 2);
  const int title_y = (rows[m] + rows[std::min(m + 1, n + 1)]) / 2 - H / 2;
  canvas.DrawText(panel.x0 - TextWidth(panel, title) - 2, title_y, title);
}

void DrawPhaseAxis(Canvas& canvas, const PlotPanel& panel) {
  const int H = panel.lineHeight;
  const int right = panel.x0 + panel.width;
  const float range = panel.phaseMax - panel.phaseMin;
  const int n = PhaseAxisIntervals(range);
  Pen previous = canvas.SelectPen(kBluePen);
  const std::vector<int> rows = LinearRows(panel, n);
  const int stride = PhaseLabelStride(panel.height, n, H);
  for (int i = 1; i <= n + 1; ++i) {
    const int y = rows[i];
    const float value = n > 0 ? panel.phaseMin + (i - 1) * range / n : panel.phaseMin;
    if ((i - 1) % stride == 0) canvas.DrawText(right + 2, y - H / 2, FormatTickLabel(value, 1));
    Line(canvas, right - 3, y, right, y);
    if (i <= n) {
      const int mid = MidRow(panel, i, n);
      Line(canvas, right - 2, mid, right, mid);
    }
  }
  Rgb previous_color = canvas.SetTextColor(PaletteBlue);
  if (n <= 2) {
    canvas.DrawText(right + 2, panel.y0 - panel.height / 2 - 2 * H, "App. Phase");
  } else {
    const int m = (n + 1) / 2;
    canvas.DrawText(right + 2, (rows[m + 1] + rows[m + 2]) / 2 - H / 2, "App.");
    canvas.DrawText(right + 2, (rows[m] + rows[m + 1]) / 2 - H / 2, "Phase");
  }
  canvas.SetTextColor(previous_color);
  canvas.SelectPen(previous);
}

void DrawFrame(Canvas& canvas, const PlotPanel& panel) {
  const int top = panel.top();
  const int right = panel.x0 + panel.width;
  DrawSegment(canvas, panel.x0, panel.y0, right, panel.y0);
  DrawSegment(canvas, panel.x0, top, right, top);
  DrawSegment(canvas, panel.x0, panel.y0, panel.x0, top);
  DrawSegment(canvas, right, panel.y0, right, top);
}

void DrawSpacingAxis(Canvas& canvas, const PlotPanel& panel) {
  const int W = panel.charWidth;
  const int H = panel.lineHeight;
  const int top = panel.top();
  const int first_exponent = RoundHalfAway(panel.xmin);
  const int n = std::max(1, RoundHalfAway(panel.xmax - panel.xmin));
  int x = panel.x0;
  for (int i = 1; i <= n + 1; ++i) {
    const int exponent = first_exponent + i - 1;
    const double decade = std::pow(10.0, exponent);
    if (i > 1 && i < n + 1) {
      Line(canvas, x, panel.y0, x, panel.y0 - 5);
      Line(canvas, x, top, x, top + 5);
      if (panel.compact) LineInPen(canvas, kGridDash, x, panel.y0, x, top);
    }
    const int shift = i == 1 ? W : 0;
    const std::string label = FormatTickLabel(decade, DecadeDecimals(exponent));
    canvas.DrawText(x - TextWidth(panel, label) / 2 + shift, panel.y0 + 1, label);
    if (i <= n) {
      for (int m = 2; m <= 9; ++m) {
        const float log_value = static_cast<float>(std::log10(m * decade));
        const int minor_x = panel.x0 + RoundHalfAway((log_value - panel.xmin) * panel.xscale);
        Line(canvas, minor_x, panel.y0, minor_x, panel.y0 - 3);
        Line(canvas, minor_x, top, minor_x, top + 3);
        if (panel.compact && m == 3) LineInPen(canvas, kGridDot, minor_x, panel.y0, minor_x, top);
      }
    }
    const std::string depth = FormatTickLabel(decade * DepthFactor, DepthDecimals(exponent));
    ColoredText(
        canvas, PaletteMagenta, x - TextWidth(panel, depth) / 2 + shift, top - H - 3, depth);
    x = TruncateCoordinate(x + static_cast<float>(panel.width) / n);
  }
}

void DrawAxisTitles(Canvas& canvas, const PlotPanel& panel) {
  const int H = panel.lineHeight;
  const std::string title = panel.compact ? " Elec. spac." : " Electrode spacing";
  const int x = panel.x0 + panel.width / 2 - TextWidth(panel, title) / 2;
  canvas.DrawText(x, panel.y0 + H, title);
  ColoredText(canvas, PaletteMagenta, x, panel.top() - 2 * H - 1, " Depth of layers");
}

std::string MisfitText(const PlotPanel& panel) {
  const bool robust = panel.dataConstraint >= 1;
  if (panel.kind == PanelKind::kResistivity) {
    return StrFormat(robust ? "Mean error %.2f%%" : "RMS error %.2f%%", panel.misfit * 100.0f);
  }
  return StrFormat(robust ? "Mean error %.3f" : "RMS error %.3f", panel.misfit);
}

// The name of what a panel's value axis shows, in its legend.
const char* ValueName(PanelKind kind) {
  switch (kind) {
    case PanelKind::kIp:
      return "App. I.P.";
    case PanelKind::kTau:
      return "Tau";
    case PanelKind::kExponent:
      return "C";
    default:
      return "App. Res.";
  }
}

// What the frame itself carries: its caption top left and, for a panel of
// an inversion whose legend is not drawn (the right-hand column), its misfit
// top right.
void DrawFrameTexts(Canvas& canvas, const PlotPanel& panel) {
  const int W = panel.charWidth;
  const int top = panel.top();
  if (!panel.caption.empty()) {
    canvas.DrawText(panel.x0 + W / 2, top + 2, panel.caption);
  }
  if (!panel.showLegend && panel.iteration >= 0) {
    const std::string misfit = MisfitText(panel);
    canvas.DrawText(
        panel.x0 + panel.width - (static_cast<int>(misfit.size()) + 1) * W, top + 2, misfit);
  }
}

void DrawLegend(Canvas& canvas, const PlotPanel& panel) {
  const int W = panel.charWidth;
  const int H = panel.lineHeight;
  const int column = W / 2;
  const bool ip = panel.kind == PanelKind::kIp;
  int y = panel.top() - H;
  if (panel.iteration >= 0) {
    canvas.DrawText(column, y, ip ? "Cal. app. I.P." : "Cal. app. res.");
    DrawSegment(canvas, 2 * W, y + H + 4, 35, y + H + 4);
    y += 2 * H + 4;
    canvas.DrawText(column, y, ip ? "Obs. app. I.P." : "Obs. app. res.");
    DrawPlusMarker(canvas, 4 * W, y + H + 4);
    y += 2 * H + 4;
    canvas.DrawText(
        column, y, StrFormat(panel.compact ? "Iter. %d" : "Iteration %d", panel.iteration));
    y += H + 4;
    canvas.DrawText(column, y, ValueName(panel.kind));
    y += H + 1;
    canvas.DrawText(column, y, MisfitText(panel));
    y += H + 4;
    if (panel.engineLabel[0] != '\0') {
      canvas.DrawText(column, y, panel.engineLabel);
      y += H + 4;
    }
  } else {
    canvas.DrawText(column, y, "Cal. app. res.");
    DrawPlusMarker(canvas, 4 * W, y + H + H / 2);
    y += H + H / 2 + H + 4;
    canvas.DrawText(column, y, "Apparent");
    y += H;
    canvas.DrawText(column, y, ip ? "I.P." : "Resistivity");
    y += H + 4;
  }
  canvas.DrawText(column, y, panel.iteration >= 0 && !panel.compact ? "Computed model" : " Model");
  Pen previous = canvas.SelectPen(kMagentaPen);
  canvas.Rectangle(2 * W, y + H + 4, 2 * W + 30, y + H + 24);
  canvas.SelectPen(previous);
}

}  // namespace

int IpAxisIntervals(float range) {
  if (!(range > 0.0f)) return 0;
  if (range > kMaxLinearAxisIntervals * 100.0f) return kMaxLinearAxisIntervals;
  int n = range < 500.0f ? RoundHalfAway(range * 0.1f) : RoundHalfAway(range * 0.01f);
  return std::max(n, 1);
}

int PhaseAxisIntervals(float range) {
  if (!(range > 0.0f)) return 0;
  if (range > kMaxLinearAxisIntervals * 10.0f) return kMaxLinearAxisIntervals;
  int n = range < 20.0f ? RoundHalfAway(range) : RoundHalfAway(range * 0.1f);
  return std::max(n, 1);
}

int PhaseLabelStride(int height, int intervals, int lineHeight) {
  if (intervals < 1 || height < 1) return 1;
  return std::max(1, (lineHeight * intervals + height - 1) / height);
}

int DecadeDecimals(int exponent) { return std::max(1, -exponent); }

int DepthDecimals(int exponent) { return std::max(1, 1 - exponent); }

void DrawPanelAxes(Canvas& canvas, const PlotPanel& panel) {
  if (panel.kind == PanelKind::kIp) {
    DrawIpAxis(canvas, panel);
  } else {
    DrawLogValueAxis(canvas, panel);
    if (panel.kind == PanelKind::kSipFrequency) DrawPhaseAxis(canvas, panel);
  }
  DrawFrame(canvas, panel);
  DrawSpacingAxis(canvas, panel);
  DrawAxisTitles(canvas, panel);
  if (panel.showLegend) DrawLegend(canvas, panel);
  DrawFrameTexts(canvas, panel);
}

}  // namespace layra
