#include "graphics/sounding_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "graphics/chart_axes.h"
#include "graphics/chart_text.h"
#include "graphics/raster_canvas.h"
#include "state/text_format.h"

namespace layra {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Colours of the chart.
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kMutedInk{90, 90, 90};
constexpr Rgb kGrid{225, 225, 225};
constexpr Rgb kModelBlue{30, 80, 220};
constexpr Rgb kCurveRed{215, 35, 35};
constexpr Rgb kPhaseBlue{0, 90, 200};
constexpr Rgb kShade{110, 110, 110};
// The calculated curve and model of the second, third, ... run.
constexpr Rgb kRunColours[] = {
    {0, 145, 70}, {225, 120, 0}, {140, 60, 170}, {0, 140, 160}, {150, 100, 40}};
// The readings of each MN/2 segment.
constexpr Rgb kSegmentColours[] = {{0, 150, 190},
                                   {230, 130, 0},
                                   {150, 80, 200},
                                   {0, 160, 80},
                                   {200, 60, 120},
                                   {130, 130, 0},
                                   {100, 100, 100},
                                   {180, 100, 40}};
constexpr int kEquivalentOpacity = 45;
constexpr int kShadeOpacity = 40;
// Segments listed one by one in the legend up to this many, else as one entry.
constexpr int kListedSegments = 6;

bool Finite(double v) { return std::isfinite(v); }
bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

// Places texts so that none covers another, a frame or the outside of the
// picture: a text that would is left out (Place answers false). Texts are
// placed in order of importance.
class Labeler {
 public:
  Labeler(Canvas& canvas, TextMetrics metrics)
      : canvas_(canvas), metrics_(metrics), width_(canvas.Width()), height_(canvas.Height()) {}

  // Texts may not cover `area` from now on (a frame), unless placed inside
  // it by PlaceInside.
  void Forbid(const ChartRect& area) { forbidden_.push_back(area); }

  ChartRect Box(int x, int y, const std::string& text) const {
    return {x, y, x + TextColumns(text) * metrics_.averageCharWidth, y + metrics_.charHeight};
  }

  bool Free(const ChartRect& box, const ChartRect* inside = nullptr) const {
    if (box.left < 0 || box.top < 0 || box.right > width_ || box.bottom > height_) return false;
    if (inside != nullptr && (box.left < inside->left || box.top < inside->top ||
                              box.right > inside->right || box.bottom > inside->bottom)) {
      return false;
    }
    for (const ChartRect& placed : placed_) {
      if (placed.Intersects(box)) return false;
    }
    for (const ChartRect& area : forbidden_) {
      if (inside == nullptr && area.Intersects(box)) return false;
    }
    return true;
  }

  bool Place(int x, int y, const std::string& text, Rgb color, const ChartRect* inside = nullptr) {
    if (text.empty()) return false;
    const ChartRect box = Box(x, y, text);
    if (!Free(box, inside)) return false;
    placed_.push_back(box);
    const Rgb previous = canvas_.SetTextColor(color);
    canvas_.DrawText(x, y, text);
    canvas_.SetTextColor(previous);
    return true;
  }

  // Reserves a box no later text may cover (the legend).
  void Reserve(const ChartRect& box) { placed_.push_back(box); }

  int Width(const std::string& text) const { return TextColumns(text) * metrics_.averageCharWidth; }

 private:
  Canvas& canvas_;
  TextMetrics metrics_;
  int width_;
  int height_;
  std::vector<ChartRect> placed_;
  std::vector<ChartRect> forbidden_;
};

// Drawing helpers over the canvas.
class Painter {
 public:
  explicit Painter(Canvas& canvas) : canvas_(canvas) {}

  void Line(double x1, double y1, double x2, double y2, Rgb color, double width = 1.0) {
    canvas_.Polyline({{x1, y1}, {x2, y2}}, Stroke{color, PenStyle::kSolid, width, 255});
  }

  // `points` clipped to the frame.
  void Clipped(const std::vector<PointF>& points, const ChartRect& frame, const Stroke& stroke) {
    for (const std::vector<PointF>& piece :
         ClipPolyline(points, frame.left, frame.top, frame.right - 1, frame.bottom - 1)) {
      canvas_.Polyline(piece, stroke);
    }
  }

  void Fill(const ChartRect& box, Rgb color, int opacity) {
    canvas_.FillPolygon({{static_cast<double>(box.left), static_cast<double>(box.top)},
                         {static_cast<double>(box.right), static_cast<double>(box.top)},
                         {static_cast<double>(box.right), static_cast<double>(box.bottom)},
                         {static_cast<double>(box.left), static_cast<double>(box.bottom)}},
                        color,
                        opacity);
  }

  void Outline(const ChartRect& box, Rgb color) {
    const double l = box.left, t = box.top, r = box.right - 1, b = box.bottom - 1;
    canvas_.Polyline({{l, t}, {r, t}, {r, b}, {l, b}, {l, t}},
                     Stroke{color, PenStyle::kSolid, 1.0, 255});
  }

  // A round marker of radius r: filled, or white inside its outline.
  void Dot(double x, double y, double r, Rgb color, bool hollow) {
    std::vector<PointF> ring;
    for (int k = 0; k < 16; ++k) {
      const double a = k * 3.14159265358979 / 8.0;
      ring.push_back({x + 0.5 + r * std::cos(a), y + 0.5 + r * std::sin(a)});
    }
    canvas_.FillPolygon(ring, hollow ? kWhite : color, 255);
    if (hollow) {
      std::vector<PointF> outline;
      for (const PointF& p : ring) outline.push_back({p.x - 0.5, p.y - 0.5});
      outline.push_back(outline.front());
      canvas_.Polyline(outline, Stroke{color, PenStyle::kSolid, 1.5, 255});
    }
  }

  // A square marker of half side r, outlined.
  void Square(double x, double y, double r, Rgb color) {
    canvas_.FillPolygon({{x - r + 0.5, y - r + 0.5},
                         {x + r + 0.5, y - r + 0.5},
                         {x + r + 0.5, y + r + 0.5},
                         {x - r + 0.5, y + r + 0.5}},
                        kWhite,
                        255);
    canvas_.Polyline(
        {{x - r, y - r}, {x + r, y - r}, {x + r, y + r}, {x - r, y + r}, {x - r, y - r}},
        Stroke{color, PenStyle::kSolid, 1.2, 255});
  }

  Canvas& canvas() { return canvas_; }

 private:
  Canvas& canvas_;
};

// A legend entry: a swatch and a text (or a note: text only, indented).
struct LegendEntry {
  // kNone: a note (indented, muted); kHeading: a line of text above entries.
  enum class Swatch {
    kNone,
    kHeading,
    kDot,
    kHollowDot,
    kSquare,
    kLine,
    kDashedLine,
    kStep,
    kBand,
    kShade
  };
  Swatch swatch = Swatch::kNone;
  Rgb color = kInk;
  std::string text;
  double width = 2.0;
};

// The depths of the tops of the layers below the first (m).
std::vector<double> Interfaces(const ChartModel& model) {
  std::vector<double> depths;
  double depth = 0.0;
  const size_t layers = model.resistivity.size();
  for (size_t i = 0; i + 1 < layers && i < model.thickness.size(); ++i) {
    depth += std::max(model.thickness[i], 0.0);
    depths.push_back(depth);
  }
  return depths;
}

// Everything the panels share, computed once.
struct Frame {
  int W = 8;
  int H = 16;
  int pad = 4;
  int width = 0;
  int height = 0;
};

class ChartPainter {
 public:
  ChartPainter(const ChartInput& input, Canvas& canvas)
      : input_(input), canvas_(canvas), draw_(canvas), labels_(canvas, canvas.Metrics()) {
    const TextMetrics metrics = canvas.Metrics();
    f_.W = std::max(metrics.averageCharWidth, 1);
    f_.H = std::max(metrics.charHeight, 1);
    f_.pad = std::max(f_.W / 2, 4);
    f_.width = std::abs(canvas.Width());
    f_.height = std::abs(canvas.Height());
  }

  ChartLayout Paint() {
    layout_.pages = ChartPageCount(input_);
    layout_.page = std::clamp(input_.page, 0, layout_.pages - 1);
    const Pen pen = canvas_.SelectPen(Pen{});
    const Rgb text = canvas_.SetTextColor(kInk);
    canvas_.Clear();
    Title();
    if (layout_.page == 0) {
      ResistivityPage();
    } else {
      FrequencyPage();
    }
    canvas_.SelectPen(pen);
    canvas_.SetTextColor(text);
    return layout_;
  }

 private:
  // The title, centred on the first row (cut to the width when it must be).
  void Title() {
    const int columns = std::max((f_.width - 2 * f_.pad) / f_.W, 1);
    const std::string title = FitText(input_.title, columns);
    const int x = std::max((f_.width - labels_.Width(title)) / 2, f_.pad);
    labels_.Place(x, f_.pad, title, kInk);
  }

  int TitleBottom() const { return f_.pad + f_.H + f_.pad; }

  // The legend's width for its entries, at most a third of the picture.
  int LegendWidth(const std::vector<LegendEntry>& entries) const {
    int columns = 10;
    for (const LegendEntry& entry : entries) {
      const int indent = entry.swatch == LegendEntry::Swatch::kNone      ? 1
                         : entry.swatch == LegendEntry::Swatch::kHeading ? -4
                                                                         : 0;
      columns = std::max(columns, TextColumns(entry.text) + indent);
    }
    const int swatch = 4 * f_.W;
    const int most = std::max(f_.width / 3, swatch + 8 * f_.W);
    return std::min(columns * f_.W + swatch + 2 * f_.pad, most);
  }

  // The swatch of `entry` in the cell from x0 to x1 of the text row at y.
  void DrawSwatch(const LegendEntry& entry, double x0, double x1, int y) {
    const double mid = y + f_.H / 2.0;
    const Stroke line{entry.color, PenStyle::kSolid, entry.width, 255};
    switch (entry.swatch) {
      case LegendEntry::Swatch::kNone:
      case LegendEntry::Swatch::kHeading:
        break;
      case LegendEntry::Swatch::kDot:
        draw_.Dot((x0 + x1) / 2, mid, 3.5, entry.color, false);
        break;
      case LegendEntry::Swatch::kHollowDot:
        draw_.Dot((x0 + x1) / 2, mid, 3.5, entry.color, true);
        break;
      case LegendEntry::Swatch::kSquare:
        draw_.Line(x0, mid, x1, mid, entry.color, 1.0);
        draw_.Square((x0 + x1) / 2, mid, 2.5, entry.color);
        break;
      case LegendEntry::Swatch::kLine:
        canvas_.Polyline({{x0, mid}, {x1, mid}}, line);
        break;
      case LegendEntry::Swatch::kDashedLine:
        canvas_.Polyline({{x0, mid}, {x1, mid}},
                         Stroke{entry.color, PenStyle::kDash, entry.width, 255});
        break;
      case LegendEntry::Swatch::kStep:
        canvas_.Polyline(
            {{x0, mid - 4}, {(x0 + x1) / 2, mid - 4}, {(x0 + x1) / 2, mid + 4}, {x1, mid + 4}},
            line);
        break;
      case LegendEntry::Swatch::kBand:
        for (int k = -2; k <= 2; ++k) {
          canvas_.Polyline({{x0, mid - 4 + k},
                            {(x0 + x1) / 2 + 2 * k, mid - 4 + k},
                            {(x0 + x1) / 2 + 2 * k, mid + 4 + k},
                            {x1, mid + 4 + k}},
                           Stroke{kModelBlue, PenStyle::kSolid, 1.0, 110});
        }
        break;
      case LegendEntry::Swatch::kShade:
        draw_.Fill({static_cast<int>(x0), y + 2, static_cast<int>(x1), y + f_.H - 2}, kShade, 90);
        break;
    }
  }

  // Whether the legend goes below the panels: in a narrow picture a column
  // of its own would leave the panels too little width.
  bool LegendBelow() const { return f_.width < 80 * f_.W; }

  // The height of the legend below the panels, its entries flowing in rows
  // across the picture's width.
  int LegendRowsHeight(const std::vector<LegendEntry>& entries) const {
    int rows = 1;
    int x = 0;
    const int width = f_.width - 4 * f_.pad;
    for (const LegendEntry& entry : entries) {
      const int item = LegendItemWidth(entry, width);
      if (x > 0 && x + item > width) {
        ++rows;
        x = 0;
      }
      x += item;
    }
    return rows * (f_.H + f_.pad) + f_.pad;
  }

  int LegendItemWidth(const LegendEntry& entry, int most) const {
    const bool text_only =
        entry.swatch == LegendEntry::Swatch::kNone || entry.swatch == LegendEntry::Swatch::kHeading;
    return std::min((text_only ? 0 : 4 * f_.W) + (TextColumns(entry.text) + 2) * f_.W, most);
  }

  // The legend in rows across `box`, as many entries as fit.
  void DrawLegendRows(const std::vector<LegendEntry>& entries, ChartRect box) {
    layout_.legend = box;
    draw_.Fill(box, kWhite, 255);
    draw_.Outline(box, kGrid);
    labels_.Reserve(box);
    Labeler inside(canvas_, canvas_.Metrics());
    const int width = box.right - box.left - 2 * f_.pad;
    int x = 0;
    int y = box.top + f_.pad;
    for (const LegendEntry& entry : entries) {
      const int item = LegendItemWidth(entry, width);
      if (x > 0 && x + item > width) {
        x = 0;
        y += f_.H + f_.pad;
      }
      if (y + f_.H > box.bottom) break;
      const bool text_only = entry.swatch == LegendEntry::Swatch::kNone ||
                             entry.swatch == LegendEntry::Swatch::kHeading;
      const int left = box.left + f_.pad + x;
      if (!text_only) DrawSwatch(entry, left, left + 3 * f_.W, y);
      const int text_x = left + (text_only ? 0 : 4 * f_.W);
      const int columns = (item - (text_only ? 0 : 4 * f_.W)) / f_.W - 1;
      inside.Place(text_x,
                   y,
                   FitText(entry.text, columns),
                   entry.swatch == LegendEntry::Swatch::kNone ? kMutedInk : kInk);
      x += item;
    }
  }

  // Draws the legend in `box` from its top, as many entries as fit; the box
  // shrinks to what was drawn.
  void DrawLegend(const std::vector<LegendEntry>& entries, ChartRect box) {
    const int row = f_.H + f_.pad;
    const int swatch = 4 * f_.W;
    const int text_columns = std::max((box.right - box.left - swatch - 2 * f_.pad) / f_.W, 1);
    // Each entry's text in the lines it takes; entries that do not fit are
    // left out, from the end.
    std::vector<std::vector<std::string>> texts;
    int y = box.top + f_.pad;
    for (const LegendEntry& entry : entries) {
      const bool note = entry.swatch == LegendEntry::Swatch::kNone;
      const bool heading = entry.swatch == LegendEntry::Swatch::kHeading;
      const int columns = heading ? text_columns + swatch / f_.W : text_columns - (note ? 1 : 0);
      std::vector<std::string> lines = WrapText(entry.text, std::max(columns, 1));
      const int height = row + (static_cast<int>(lines.size()) - 1) * f_.H;
      if (y + height > box.bottom - f_.pad) break;
      texts.push_back(std::move(lines));
      y += height;
    }
    const size_t shown = texts.size();
    box.bottom = std::min(box.bottom, y + f_.pad);
    layout_.legend = box;
    draw_.Fill(box, kWhite, 255);
    draw_.Outline(box, kGrid);
    labels_.Reserve(box);
    y = box.top + f_.pad;
    Labeler inside(canvas_, canvas_.Metrics());
    for (size_t i = 0; i < shown; ++i) {
      const LegendEntry& entry = entries[i];
      DrawSwatch(entry, box.left + f_.pad, box.left + f_.pad + swatch - f_.W, y);
      const bool note = entry.swatch == LegendEntry::Swatch::kNone;
      const bool heading = entry.swatch == LegendEntry::Swatch::kHeading;
      const int text_x =
          heading ? box.left + f_.pad : box.left + f_.pad + swatch + (note ? f_.W : 0);
      for (const std::string& line : texts[i]) {
        inside.Place(text_x, y, line, note ? kMutedInk : kInk);
        y += f_.H;
      }
      y += f_.pad;
    }
  }

  // The frame, grid, ticks and tick labels of a panel's log or linear axis.
  void Grid(const ChartPanel& panel, bool log_y, const LinearTicks* y_ticks) {
    const ChartRect& r = panel.frame;
    // Vertical grid at the spacing decades.
    const double x_first = std::log10(panel.x.first), x_last = std::log10(panel.x.last);
    for (int e = static_cast<int>(std::ceil(x_first - 1e-9));
         e <= static_cast<int>(std::floor(x_last + 1e-9));
         ++e) {
      const double x = panel.x.Pixel(std::pow(10.0, e));
      if (x > r.left + 0.5 && x < r.right - 1.5) draw_.Line(x, r.top, x, r.bottom - 1, kGrid);
    }
    if (log_y) {
      const double y_first = std::log10(panel.y.first), y_last = std::log10(panel.y.last);
      for (int e = static_cast<int>(std::ceil(y_first - 1e-9));
           e <= static_cast<int>(std::floor(y_last + 1e-9));
           ++e) {
        const double y = panel.y.Pixel(std::pow(10.0, e));
        if (y > r.top + 0.5 && y < r.bottom - 1.5) draw_.Line(r.left, y, r.right - 1, y, kGrid);
      }
    } else if (y_ticks != nullptr) {
      for (double v = y_ticks->first; v <= y_ticks->last + 1e-9 * y_ticks->step;
           v += y_ticks->step) {
        const double y = panel.y.Pixel(v);
        if (y > r.top + 0.5 && y < r.bottom - 1.5) draw_.Line(r.left, y, r.right - 1, y, kGrid);
      }
    }
  }

  // Ticks along the bottom (and top) of a panel at the spacing axis.
  void SpacingTicks(const ChartPanel& panel, bool labels) {
    const ChartRect& r = panel.frame;
    const double first = std::log10(panel.x.first), last = std::log10(panel.x.last);
    for (int e = static_cast<int>(std::floor(first)); e <= static_cast<int>(std::ceil(last)); ++e) {
      for (int m = 1; m <= 9; ++m) {
        const double v = m * std::pow(10.0, e);
        const double x = panel.x.Pixel(v);
        if (!(x >= r.left - 0.5 && x <= r.right - 0.5)) continue;
        const int length = m == 1 ? 5 : 3;
        draw_.Line(x, r.bottom - 1, x, r.bottom - 1 - length, kInk);
      }
    }
    if (!labels) return;
    const int room = labels_.Width("10 000");
    for (const double v : LogLabels(panel.x, room)) {
      const double x = panel.x.Pixel(v);
      if (!(x >= r.left - 0.5 && x <= r.right - 0.5)) continue;
      const std::string text = FormatChartNumber(v);
      labels_.Place(
          static_cast<int>(std::lround(x)) - labels_.Width(text) / 2, r.bottom + 3, text, kInk);
    }
  }

  // The depth axis along the top of the resistivity panel: ticks at the
  // depths, labelled where there is room.
  void DepthTicks(const ChartPanel& panel) {
    const ChartRect& r = panel.frame;
    ChartAxis depth = panel.x;
    depth.first /= 2.0;
    depth.last /= 2.0;
    const double first = std::log10(depth.first), last = std::log10(depth.last);
    for (int e = static_cast<int>(std::floor(first)); e <= static_cast<int>(std::ceil(last)); ++e) {
      for (int m = 1; m <= 9; ++m) {
        const double x = depth.Pixel(m * std::pow(10.0, e));
        if (!(x >= r.left - 0.5 && x <= r.right - 0.5)) continue;
        draw_.Line(x, r.top, x, r.top + (m == 1 ? 5 : 3), kModelBlue);
      }
    }
    const int room = labels_.Width("10 000");
    for (const double v : LogLabels(depth, room)) {
      const double x = depth.Pixel(v);
      if (!(x >= r.left - 0.5 && x <= r.right - 0.5)) continue;
      const std::string text = FormatChartNumber(v);
      labels_.Place(static_cast<int>(std::lround(x)) - labels_.Width(text) / 2,
                    r.top - 3 - f_.H,
                    text,
                    kModelBlue);
    }
  }

  // Ticks and labels of a value axis on the left (or right) side.
  void ValueTicks(const ChartPanel& panel,
                  const ChartAxis& axis,
                  const LinearTicks* linear,
                  bool right,
                  Rgb color) {
    const ChartRect& r = panel.frame;
    const double edge = right ? r.right - 1 : r.left;
    const double inward = right ? -1.0 : 1.0;
    std::vector<double> labelled;
    if (linear == nullptr) {
      const double first = std::log10(axis.first), last = std::log10(axis.last);
      for (int e = static_cast<int>(std::floor(std::min(first, last)));
           e <= static_cast<int>(std::ceil(std::max(first, last)));
           ++e) {
        for (int m = 1; m <= 9; ++m) {
          const double y = axis.Pixel(m * std::pow(10.0, e));
          if (!(y >= r.top - 0.5 && y <= r.bottom - 0.5)) continue;
          draw_.Line(edge, y, edge + inward * (m == 1 ? 5 : 3), y, color);
        }
      }
      labelled = LogLabels(axis, f_.H + 2);
    } else {
      for (double v = linear->first; v <= linear->last + 1e-9 * linear->step; v += linear->step) {
        const double y = axis.Pixel(v);
        draw_.Line(edge, y, edge + inward * 5, y, color);
        labelled.push_back(std::abs(v) < 1e-9 * linear->step ? 0.0 : v);
      }
      // Every k-th label, so they keep a line apart.
      const double pixels_per_step =
          std::abs(axis.Pixel(linear->first + linear->step) - axis.Pixel(linear->first));
      const int every =
          std::max(1, static_cast<int>(std::ceil((f_.H + 2) / std::max(pixels_per_step, 1.0))));
      std::vector<double> thinned;
      for (size_t i = 0; i < labelled.size(); i += static_cast<size_t>(every))
        thinned.push_back(labelled[i]);
      labelled = thinned;
    }
    for (const double v : labelled) {
      const double y = axis.Pixel(v);
      if (!(y >= r.top - 0.5 && y <= r.bottom - 0.5)) continue;
      const std::string text = FormatChartNumber(v);
      const int x = right ? r.right + 4 : r.left - 4 - labels_.Width(text);
      labels_.Place(x, static_cast<int>(std::lround(y)) - f_.H / 2, text, color);
    }
  }

  // Width in pixels of the widest label of a value axis.
  int LabelWidth(const ChartAxis& axis, const LinearTicks* linear) const {
    int widest = 1;
    if (linear == nullptr) {
      for (double v = std::min(axis.first, axis.last);
           v <= std::max(axis.first, axis.last) * 1.0000001;
           v *= 10.0) {
        widest = std::max(widest, TextColumns(FormatChartNumber(v)));
        widest = std::max(widest, TextColumns(FormatChartNumber(5 * v)));
      }
    } else {
      for (double v = linear->first; v <= linear->last + 1e-9 * linear->step; v += linear->step) {
        widest = std::max(
            widest, TextColumns(FormatChartNumber(std::abs(v) < 1e-9 * linear->step ? 0.0 : v)));
      }
    }
    return widest * f_.W;
  }

  // The spacing axis over the readings, the segments and twice the deepest
  // interface of every run.
  ChartAxis SpacingAxis() const {
    std::vector<double> values = input_.spacing;
    for (const ChartSegment& segment : input_.segments) {
      values.insert(values.end(), segment.spacing.begin(), segment.spacing.end());
    }
    for (const ChartRun& run : input_.runs) {
      values.insert(values.end(), run.spacing.begin(), run.spacing.end());
      const std::vector<double> depths = Interfaces(run.model);
      if (!depths.empty()) values.push_back(2.0 * depths.back());
      if (!depths.empty() && depths.front() > 0) values.push_back(2.0 * depths.front());
      if (run.depthOfInvestigation > 0) values.push_back(2.0 * run.depthOfInvestigation);
    }
    const auto range = LogRange(values);
    ChartAxis axis;
    axis.first = range.first;
    axis.last = range.second;
    return axis;
  }

  ChartAxis ResistivityAxis() const {
    std::vector<double> values = input_.observed;
    for (const ChartSegment& segment : input_.segments) {
      values.insert(values.end(), segment.resistivity.begin(), segment.resistivity.end());
    }
    for (const ChartRun& run : input_.runs) {
      values.insert(values.end(), run.calculated.begin(), run.calculated.end());
      values.insert(values.end(), run.model.resistivity.begin(), run.model.resistivity.end());
    }
    // Equivalent models widen the axis by a decade at most each way: a
    // poorly resolved layer's band may reach far beyond, and would squeeze
    // the data into a sliver; the band is clipped at the frame.
    double low = HUGE_VAL;
    double high = 0.0;
    for (double value : values) {
      if (std::isfinite(value) && value > 0.0) {
        low = std::min(low, value);
        high = std::max(high, value);
      }
    }
    for (const ChartRun& run : input_.runs) {
      for (const ChartModel& model : run.equivalent) {
        for (double value : model.resistivity) {
          if (high > 0.0 && std::isfinite(value) && value > 0.0) {
            values.push_back(std::clamp(value, low / 10.0, high * 10.0));
          }
        }
      }
    }
    const auto range = LogRange(values);
    ChartAxis axis;
    axis.first = range.first;  // at the bottom
    axis.last = range.second;
    return axis;
  }

  // The step line of `model` on a panel whose y axis holds its values.
  std::vector<PointF> StepLine(const ChartModel& model,
                               const std::vector<double>& values,
                               const ChartPanel& panel) const {
    std::vector<PointF> points;
    const std::vector<double> depths = Interfaces(model);
    const size_t layers = std::min(values.size(), depths.size() + 1);
    double x = panel.frame.left;
    for (size_t i = 0; i < layers; ++i) {
      const double y = panel.y.Pixel(values[i]);
      const double next = i + 1 < layers ? panel.x.Pixel(2.0 * depths[i]) : panel.frame.right - 1;
      const double right = Finite(next) ? std::max(next, static_cast<double>(panel.frame.left)) : x;
      points.push_back({x, y});
      points.push_back({right, y});
      x = right;
    }
    return points;
  }

  // The calculated curve through the finite values.
  std::vector<PointF> Curve(const std::vector<double>& values,
                            const std::vector<double>& spacing,
                            const ChartPanel& panel,
                            const ChartAxis& y_axis) const {
    std::vector<PointF> points;
    const size_t n = std::min(values.size(), spacing.size());
    for (size_t i = 0; i < n; ++i) {
      const double x = panel.x.Pixel(spacing[i]);
      const double y = y_axis.Pixel(values[i]);
      if (Finite(x) && Finite(y)) points.push_back({x, y});
    }
    return points;
  }

  // The spacings a run's calculated values belong to.
  const std::vector<double>& SpacingOf(const ChartRun& run) const {
    return run.spacing.empty() ? input_.spacing : run.spacing;
  }

  // The calculated value at spacing s from the run's finite values: the
  // value there, else log-log interpolated between the nearest spacings
  // either side (the curve as drawn through a reading left out); not a
  // number outside them.
  static double CalculatedAt(const std::vector<double>& spacing,
                             const std::vector<double>& calculated,
                             double s) {
    if (!Positive(s)) return kNaN;
    size_t below = SIZE_MAX, above = SIZE_MAX;
    for (size_t j = 0; j < spacing.size() && j < calculated.size(); ++j) {
      if (!Positive(calculated[j]) || !Positive(spacing[j])) continue;
      if (spacing[j] == s) return calculated[j];
      if (spacing[j] < s && (below == SIZE_MAX || spacing[j] > spacing[below])) below = j;
      if (spacing[j] > s && (above == SIZE_MAX || spacing[j] < spacing[above])) above = j;
    }
    if (below == SIZE_MAX || above == SIZE_MAX) return kNaN;
    const double t = (std::log(s) - std::log(spacing[below])) /
                     (std::log(spacing[above]) - std::log(spacing[below]));
    return std::exp(std::log(calculated[below]) +
                    t * (std::log(calculated[above]) - std::log(calculated[below])));
  }

  Rgb RunColour(size_t run) const { return run == 0 ? kCurveRed : kRunColours[(run - 1) % 5]; }
  Rgb ModelColour(size_t run) const { return run == 0 ? kModelBlue : kRunColours[(run - 1) % 5]; }

  std::vector<LegendEntry> ResistivityLegend() const {
    std::vector<LegendEntry> entries;
    const bool merged = !input_.segments.empty();
    entries.push_back(
        {LegendEntry::Swatch::kDot, kInk, merged ? "Observed ρa (merged)" : "Observed ρa"});
    bool left_out = false;
    for (const bool out : input_.leftOut) left_out = left_out || out;
    for (const ChartSegment& segment : input_.segments) {
      for (const bool out : segment.leftOut) left_out = left_out || out;
    }
    if (left_out) entries.push_back({LegendEntry::Swatch::kHollowDot, kInk, "Left out (misfit)"});
    if (static_cast<int>(input_.segments.size()) <= kListedSegments) {
      for (size_t s = 0; s < input_.segments.size(); ++s) {
        entries.push_back({LegendEntry::Swatch::kSquare,
                           kSegmentColours[s % 8],
                           "MN/2 = " + FormatChartNumber(input_.segments[s].mn) + " m",
                           1.0});
      }
    } else {
      entries.push_back({LegendEntry::Swatch::kSquare,
                         kSegmentColours[0],
                         StrFormat("Readings, %d MN/2", static_cast<int>(input_.segments.size())),
                         1.0});
    }
    for (size_t r = 0; r < input_.runs.size(); ++r) {
      const ChartRun& run = input_.runs[r];
      if (input_.runs.size() == 1) {
        if (!run.label.empty()) entries.push_back({LegendEntry::Swatch::kHeading, kInk, run.label});
        if (!run.calculated.empty())
          entries.push_back({LegendEntry::Swatch::kLine, RunColour(0), "Calculated ρa", 2.0});
        if (!run.model.resistivity.empty())
          entries.push_back({LegendEntry::Swatch::kStep, ModelColour(0), "Model", 2.5});
      } else {
        entries.push_back(
            {LegendEntry::Swatch::kLine,
             RunColour(r),
             run.label.empty() ? StrFormat("Run %d", static_cast<int>(r + 1)) : run.label,
             2.0});
      }
      for (const std::string& note : run.notes)
        entries.push_back({LegendEntry::Swatch::kNone, kInk, note});
    }
    if (input_.runs.size() > 1) {
      entries.push_back({LegendEntry::Swatch::kStep, kMutedInk, "Model: step line", 1.5});
    }
    if (!input_.runs.empty()) {
      const ChartRun& first = input_.runs.front();
      if (!first.equivalent.empty()) {
        entries.push_back(
            {LegendEntry::Swatch::kBand,
             kModelBlue,
             StrFormat("Equivalent models (%d)", static_cast<int>(first.equivalent.size()))});
      }
      if (first.depthOfInvestigation > 0)
        entries.push_back({LegendEntry::Swatch::kShade, kShade, "Below DOI"});
    }
    if (layout_.pages > 1) {
      entries.push_back(
          {LegendEntry::Swatch::kNone, kInk, StrFormat("Page 1 of %d", layout_.pages)});
      entries.push_back({LegendEntry::Swatch::kNone, kInk, "Page Down: the spectra"});
    }
    return entries;
  }

  void ResistivityPage() {
    const std::vector<LegendEntry> legend = ResistivityLegend();
    const bool below = LegendBelow();
    const int legend_width = below ? -2 * f_.W : LegendWidth(legend);
    const int legend_height = below ? LegendRowsHeight(legend) : 0;
    const bool with_ip = !input_.observedIp.empty();
    ChartPanel main;
    main.x = SpacingAxis();
    main.y = ResistivityAxis();
    ChartPanel ip;
    LinearTicks ip_ticks;
    if (with_ip) {
      double low = 0.0, high = 0.0;
      const auto take = [&](const std::vector<double>& values) {
        for (const double v : values) {
          if (Finite(v)) low = std::min(low, v), high = std::max(high, v);
        }
      };
      take(input_.observedIp);
      for (const ChartRun& run : input_.runs) {
        take(run.calculatedIp);
        take(run.model.chargeability);
      }
      ip_ticks = NiceTicks(low, high * 1.05, 5);
      ip.y.logarithmic = false;
      ip.y.first = ip_ticks.first;
      ip.y.last = ip_ticks.last;
      ip.x = main.x;
    }
    const int label_width =
        std::max(LabelWidth(main.y, nullptr), with_ip ? LabelWidth(ip.y, &ip_ticks) : 0);
    const int left = f_.pad + label_width + 6;
    const int right = f_.width - f_.pad - legend_width - 2 * f_.W;
    const std::string y_title = "ρa, ρ (Ω·m)";
    const std::string depth_title = "Depth (m)";
    const std::string x_title = input_.wenner ? "a (m)" : "AB/2 (m)";
    const int titles_row = TitleBottom();
    const int top = titles_row + f_.H + 2 + f_.H + 6;
    // Tick labels, the axis title and the legend when it goes below.
    const int bottom_reserve = f_.H + 5 + f_.H + f_.pad + (below ? legend_height + f_.pad : 0);
    int main_bottom = f_.height - bottom_reserve;
    int ip_top = 0;
    if (with_ip) {
      const int ip_title_rows = f_.H + 5 + f_.H + 4;  // main panel's tick labels, IP title
      const int available = f_.height - bottom_reserve - top - ip_title_rows;
      main_bottom = top + available * 3 / 5;
      ip_top = main_bottom + ip_title_rows;
    }
    main.frame = {
        left, top, std::max(right, left + 2 * f_.W), std::max(main_bottom, top + 2 * f_.H)};
    SetPixels(main);
    layout_.hasResistivity = true;
    layout_.resistivity = main;
    if (with_ip) {
      ip.frame = {
          left, ip_top, main.frame.right, std::max(f_.height - bottom_reserve, ip_top + 2 * f_.H)};
      SetPixels(ip);
      layout_.hasIp = true;
      layout_.ip = ip;
    }
    labels_.Forbid(main.frame);
    if (with_ip) labels_.Forbid(ip.frame);

    // Titles first: they take their rows before any tick label.
    labels_.Place(f_.pad, titles_row, y_title, kInk);
    labels_.Place(
        main.frame.right - labels_.Width(depth_title), titles_row, depth_title, kModelBlue);
    const ChartPanel& lowest = with_ip ? ip : main;
    labels_.Place((lowest.frame.left + lowest.frame.right - labels_.Width(x_title)) / 2,
                  lowest.frame.bottom + 5 + f_.H,
                  x_title,
                  kInk);
    if (with_ip)
      labels_.Place(f_.pad,
                    ip.frame.top - f_.H - 4,
                    FitText(input_.ipTitle, (ip.frame.right - f_.pad) / f_.W),
                    kInk);

    if (below) {
      DrawLegendRows(
          legend,
          {f_.pad, f_.height - f_.pad - legend_height, f_.width - f_.pad, f_.height - f_.pad});
    } else {
      DrawLegend(legend, {right + 2 * f_.W, main.frame.top, f_.width - f_.pad, f_.height - f_.pad});
    }

    Grid(main, true, nullptr);
    DrawResistivityContents(main);
    draw_.Outline(main.frame, kInk);
    SpacingTicks(main, true);
    DepthTicks(main);
    ValueTicks(main, main.y, nullptr, false, kInk);
    LeftOutMisfits(main);
    if (with_ip) {
      Grid(ip, false, &ip_ticks);
      DrawIpContents(ip);
      draw_.Outline(ip.frame, kInk);
      SpacingTicks(ip, true);
      ValueTicks(ip, ip.y, &ip_ticks, false, kInk);
    }
    ModelGeometry(main);
  }

  // The pixels of a panel's axes from its frame.
  static void SetPixels(ChartPanel& panel) {
    panel.x.firstPixel = panel.frame.left;
    panel.x.lastPixel = panel.frame.right - 1;
    panel.y.firstPixel = panel.frame.bottom - 1;
    panel.y.lastPixel = panel.frame.top;
    panel.y2.firstPixel = panel.frame.bottom - 1;
    panel.y2.lastPixel = panel.frame.top;
  }

  void DrawResistivityContents(const ChartPanel& panel) {
    const ChartRect& r = panel.frame;
    // Below the depth of investigation of the first run: shaded, edged.
    if (!input_.runs.empty() && input_.runs.front().depthOfInvestigation > 0) {
      const double x = panel.x.Pixel(2.0 * input_.runs.front().depthOfInvestigation);
      if (Finite(x) && x < r.right - 1) {
        const int from = std::max(static_cast<int>(std::lround(x)), r.left);
        draw_.Fill({from, r.top, r.right, r.bottom}, kShade, kShadeOpacity);
        canvas_.Polyline({{static_cast<double>(from), static_cast<double>(r.top)},
                          {static_cast<double>(from), static_cast<double>(r.bottom - 1)}},
                         Stroke{kShade, PenStyle::kDash, 1.0, 255});
      }
    }
    // Equivalent models of the first run: a translucent band.
    if (!input_.runs.empty()) {
      for (const ChartModel& model : input_.runs.front().equivalent) {
        draw_.Clipped(StepLine(model, model.resistivity, panel),
                      r,
                      Stroke{kModelBlue, PenStyle::kSolid, 1.0, kEquivalentOpacity});
      }
    }
    // The readings of each MN/2 segment, as measured; those left out of the
    // merge hollow, off the segment's line.
    for (size_t s = 0; s < input_.segments.size(); ++s) {
      const ChartSegment& segment = input_.segments[s];
      const Rgb colour = kSegmentColours[s % 8];
      std::vector<PointF> points;
      std::vector<PointF> left_out;
      for (size_t i = 0; i < segment.spacing.size() && i < segment.resistivity.size(); ++i) {
        const double x = panel.x.Pixel(segment.spacing[i]);
        const double y = panel.y.Pixel(segment.resistivity[i]);
        if (!Finite(x) || !Finite(y)) continue;
        (SegmentReadingLeftOut(segment, i) ? left_out : points).push_back({x, y});
      }
      draw_.Clipped(points, r, Stroke{colour, PenStyle::kSolid, 1.0, 255});
      for (const PointF& p : points) {
        if (r.Contains(p.x, p.y)) draw_.Square(p.x, p.y, 2.5, colour);
      }
      for (const PointF& p : left_out) {
        if (r.Contains(p.x, p.y)) draw_.Dot(p.x, p.y, 4.0, colour, true);
      }
    }
    // Models: the overlaid runs' dashed, the first run's over them.
    for (size_t k = input_.runs.size(); k-- > 0;) {
      const ChartRun& run = input_.runs[k];
      const Stroke stroke = k == 0 ? Stroke{kModelBlue, PenStyle::kSolid, 2.5, 255}
                                   : Stroke{ModelColour(k), PenStyle::kDash, 1.5, 255};
      draw_.Clipped(StepLine(run.model, run.model.resistivity, panel), r, stroke);
    }
    for (size_t k = input_.runs.size(); k-- > 0;) {
      draw_.Clipped(Curve(input_.runs[k].calculated, SpacingOf(input_.runs[k]), panel, panel.y),
                    r,
                    Stroke{RunColour(k), PenStyle::kSolid, k == 0 ? 2.0 : 1.5, 255});
    }
    // The readings: left out hollow.
    for (size_t i = 0; i < input_.spacing.size() && i < input_.observed.size(); ++i) {
      const double x = panel.x.Pixel(input_.spacing[i]);
      const double y = panel.y.Pixel(input_.observed[i]);
      if (!Finite(x) || !Finite(y) || !r.Contains(x, y)) continue;
      const bool out = i < input_.leftOut.size() && input_.leftOut[i];
      draw_.Dot(x, y, out ? 4.0 : 3.5, kInk, out);
    }
  }

  static bool SegmentReadingLeftOut(const ChartSegment& segment, size_t i) {
    return i < segment.leftOut.size() && segment.leftOut[i];
  }

  // Each reading left out gets its misfit against the first run's curve
  // beside it, where a free place inside the frame is found: the merged
  // points left out of the fit, and the readings left out of the merge
  // scaled as the merge scales their segment.
  void LeftOutMisfits(const ChartPanel& panel) {
    if (input_.runs.empty()) return;
    const ChartRun& run = input_.runs.front();
    if (run.calculated.empty()) return;
    const ChartRect inside{
        panel.frame.left + 1, panel.frame.top + 1, panel.frame.right - 1, panel.frame.bottom - 1};
    const auto label = [&](double spacing, double observed, double scale) {
      const double fit = CalculatedAt(SpacingOf(run), run.calculated, spacing);
      if (!Positive(fit) || !Positive(observed)) return;
      const double misfit = 100.0 * (scale * observed - fit) / fit;
      const std::string text = StrFormat("%+.0f %%", misfit);
      const int x = static_cast<int>(std::lround(panel.x.Pixel(spacing)));
      const int y = static_cast<int>(std::lround(panel.y.Pixel(observed)));
      const int w = labels_.Width(text);
      for (const auto& [dx, dy] :
           {std::pair<int, int>{6, -f_.H - 4}, {6, 5}, {-6 - w, -f_.H - 4}, {-6 - w, 5}}) {
        if (labels_.Place(x + dx, y + dy, text, kMutedInk, &inside)) break;
      }
    };
    for (size_t i = 0; i < input_.spacing.size() && i < input_.observed.size(); ++i) {
      if (i < input_.leftOut.size() && input_.leftOut[i]) {
        label(input_.spacing[i], input_.observed[i], 1.0);
      }
    }
    for (const ChartSegment& segment : input_.segments) {
      if (!Positive(segment.factor)) continue;
      for (size_t i = 0; i < segment.spacing.size() && i < segment.resistivity.size(); ++i) {
        if (SegmentReadingLeftOut(segment, i)) {
          label(segment.spacing[i], segment.resistivity[i], segment.factor);
        }
      }
    }
  }

  void DrawIpContents(const ChartPanel& panel) {
    const ChartRect& r = panel.frame;
    for (size_t k = input_.runs.size(); k-- > 0;) {
      const ChartRun& run = input_.runs[k];
      if (!run.model.chargeability.empty()) {
        const Stroke stroke = k == 0 ? Stroke{kModelBlue, PenStyle::kSolid, 2.5, 255}
                                     : Stroke{ModelColour(k), PenStyle::kDash, 1.5, 255};
        draw_.Clipped(StepLine(run.model, run.model.chargeability, panel), r, stroke);
      }
      draw_.Clipped(Curve(run.calculatedIp, SpacingOf(run), panel, panel.y),
                    r,
                    Stroke{RunColour(k), PenStyle::kSolid, k == 0 ? 2.0 : 1.5, 255});
    }
    for (size_t i = 0; i < input_.spacing.size() && i < input_.observedIp.size(); ++i) {
      const double x = panel.x.Pixel(input_.spacing[i]);
      const double y = panel.y.Pixel(input_.observedIp[i]);
      if (!Finite(x) || !Finite(y) || !r.Contains(x, y)) continue;
      const bool out = i < input_.leftOut.size() && input_.leftOut[i];
      draw_.Dot(x, y, out ? 4.0 : 3.5, kInk, out);
    }
  }

  // The first run's layers on the resistivity panel, for the pointer.
  void ModelGeometry(const ChartPanel& panel) {
    if (input_.runs.empty()) return;
    const ChartModel& model = input_.runs.front().model;
    const std::vector<double> depths = Interfaces(model);
    double left = panel.frame.left;
    for (size_t i = 0; i < model.resistivity.size() && i <= depths.size(); ++i) {
      ChartLayer layer;
      layer.left = left;
      layer.right = i < depths.size() ? panel.x.Pixel(2.0 * depths[i]) : panel.frame.right - 1;
      if (!Finite(layer.right)) layer.right = left;
      layer.y = panel.y.Pixel(model.resistivity[i]);
      layout_.layers.push_back(layer);
      left = layer.right;
    }
  }

  void FrequencyPage() {
    const int first = (layout_.page - 1) * kChartFrequenciesPerPage;
    const int count =
        std::min(kChartFrequenciesPerPage, static_cast<int>(input_.spectra.size()) - first);
    std::vector<LegendEntry> legend = {
        {LegendEntry::Swatch::kDot, kInk, "Observed |ρa|"},
        {LegendEntry::Swatch::kLine, kCurveRed, "Calculated |ρa|", 2.0},
        {LegendEntry::Swatch::kSquare, kPhaseBlue, "Observed phase", 1.0},
        {LegendEntry::Swatch::kDashedLine, kPhaseBlue, "Calculated phase", 1.5},
        {LegendEntry::Swatch::kNone,
         kInk,
         StrFormat("Frequencies %d-%d of %d",
                   first + 1,
                   first + count,
                   static_cast<int>(input_.spectra.size()))},
        {LegendEntry::Swatch::kNone,
         kInk,
         StrFormat("Page %d of %d", layout_.page + 1, layout_.pages)},
        {LegendEntry::Swatch::kNone, kInk, "Page Up, Page Down: pages"},
    };
    const bool below = LegendBelow();
    const int legend_width = below ? -f_.W : LegendWidth(legend);
    const int legend_height = below ? LegendRowsHeight(legend) : 0;
    // Amplitude (log) and phase (linear) ranges over every frequency.
    std::vector<double> amplitudes;
    double low = 0.0, high = 0.0;
    bool any_phase = false;
    for (const ChartSpectrum& s : input_.spectra) {
      amplitudes.insert(amplitudes.end(), s.observedAmplitude.begin(), s.observedAmplitude.end());
      amplitudes.insert(
          amplitudes.end(), s.calculatedAmplitude.begin(), s.calculatedAmplitude.end());
      for (const auto* values : {&s.observedPhase, &s.calculatedPhase}) {
        for (const double v : *values) {
          if (!Finite(v)) continue;
          low = any_phase ? std::min(low, v) : v;
          high = any_phase ? std::max(high, v) : v;
          any_phase = true;
        }
      }
    }
    const auto amplitude_range = LogRange(amplitudes);
    const LinearTicks phase_ticks = NiceTicks(low, high, 4);
    ChartPanel model;
    model.x = SpacingAxis();
    model.y.first = amplitude_range.first;
    model.y.last = amplitude_range.second;
    model.y2.logarithmic = false;
    model.y2.first = phase_ticks.first;
    model.y2.last = phase_ticks.last;
    const int left_labels = LabelWidth(model.y, nullptr) + 6;
    const int right_labels = LabelWidth(model.y2, &phase_ticks) + 6;
    const int columns = count > 1 ? 2 : 1;
    const int rows = (count + columns - 1) / columns;
    const int area_left = f_.pad;
    const int area_right = f_.width - f_.pad - legend_width - f_.W;
    const int top = TitleBottom();
    const int bottom = f_.height - f_.pad - (below ? legend_height + f_.pad : 0);
    const int cell_width = (area_right - area_left) / columns;
    const int cell_height = (bottom - top) / std::max(rows, 1);
    if (below) {
      DrawLegendRows(
          legend,
          {f_.pad, f_.height - f_.pad - legend_height, f_.width - f_.pad, f_.height - f_.pad});
    } else {
      DrawLegend(legend,
                 {area_right + f_.W, top + f_.H + 4, f_.width - f_.pad, f_.height - f_.pad});
    }
    std::vector<ChartPanel> panels;
    for (int k = 0; k < count; ++k) {
      const int column = k % columns;
      const int row = k / columns;
      ChartPanel panel = model;
      const int cell_left = area_left + column * cell_width;
      const int cell_top = top + row * cell_height;
      // Rows: caption and axis units, frame, tick labels.
      panel.frame = {cell_left + left_labels,
                     cell_top + f_.H + 4,
                     std::max(cell_left + cell_width - right_labels - f_.W,
                              cell_left + left_labels + 2 * f_.W),
                     std::max(cell_top + cell_height - f_.H - 8, cell_top + 3 * f_.H)};
      panel.frequency = input_.spectra[static_cast<size_t>(first + k)].frequency;
      SetPixels(panel);
      labels_.Forbid(panel.frame);
      panels.push_back(panel);
    }
    // Captions and units first.
    for (ChartPanel& panel : panels) {
      const std::string caption = FormatChartNumber(panel.frequency) + " Hz";
      labels_.Place((panel.frame.left + panel.frame.right - labels_.Width(caption)) / 2,
                    panel.frame.top - f_.H - 3,
                    caption,
                    kInk);
      labels_.Place(panel.frame.left - left_labels + 2, panel.frame.top - f_.H - 3, "Ω·m", kInk);
      labels_.Place(panel.frame.right + 4, panel.frame.top - f_.H - 3, "mrad", kPhaseBlue);
    }
    for (size_t k = 0; k < panels.size(); ++k) {
      const ChartPanel& panel = panels[k];
      const ChartSpectrum& spectrum = input_.spectra[static_cast<size_t>(first) + k];
      Grid(panel, true, nullptr);
      const ChartRect& r = panel.frame;
      draw_.Clipped(Curve(spectrum.calculatedPhase, input_.spacing, panel, panel.y2),
                    r,
                    Stroke{kPhaseBlue, PenStyle::kDash, 1.5, 255});
      draw_.Clipped(Curve(spectrum.calculatedAmplitude, input_.spacing, panel, panel.y),
                    r,
                    Stroke{kCurveRed, PenStyle::kSolid, 2.0, 255});
      for (size_t i = 0; i < input_.spacing.size(); ++i) {
        const double x = panel.x.Pixel(input_.spacing[i]);
        if (i < spectrum.observedPhase.size()) {
          const double y = panel.y2.Pixel(spectrum.observedPhase[i]);
          if (Finite(x) && Finite(y) && r.Contains(x, y)) draw_.Square(x, y, 2.5, kPhaseBlue);
        }
        if (i < spectrum.observedAmplitude.size()) {
          const double y = panel.y.Pixel(spectrum.observedAmplitude[i]);
          if (Finite(x) && Finite(y) && r.Contains(x, y)) draw_.Dot(x, y, 3.0, kInk, false);
        }
      }
      draw_.Outline(r, kInk);
      SpacingTicks(panel, true);
      ValueTicks(panel, panel.y, nullptr, false, kInk);
      ValueTicks(panel, panel.y2, &phase_ticks, true, kPhaseBlue);
    }
    layout_.frequencies = panels;
  }

  const ChartInput& input_;
  Canvas& canvas_;
  Painter draw_;
  Labeler labels_;
  Frame f_;
  ChartLayout layout_;
};

}  // namespace

int ChartPageCount(const ChartInput& input) {
  const int frequencies = static_cast<int>(input.spectra.size());
  return 1 + (frequencies + kChartFrequenciesPerPage - 1) / kChartFrequenciesPerPage;
}

double ChartLayout::DepthAt(double x) const { return resistivity.x.Value(x) / 2.0; }

double ChartLayout::DepthPixel(double depth) const { return resistivity.x.Pixel(2.0 * depth); }

double ChartLayout::ResistivityAt(double y) const { return resistivity.y.Value(y); }

double ChartLayout::ResistivityPixel(double value) const { return resistivity.y.Pixel(value); }

ChartHandle ChartLayout::HandleAt(double x, double y, double tolerance) const {
  ChartHandle best;
  double nearest = tolerance;
  for (size_t i = 0; i + 1 < layers.size(); ++i) {
    const double low = std::min(layers[i].y, layers[i + 1].y) - tolerance;
    const double high = std::max(layers[i].y, layers[i + 1].y) + tolerance;
    const double distance = std::abs(x - layers[i].right);
    if (y >= low && y <= high && distance <= nearest) {
      nearest = distance;
      best = {ChartHandle::Kind::kBoundary, static_cast<int>(i)};
    }
  }
  for (size_t i = 0; i < layers.size(); ++i) {
    const double distance = std::abs(y - layers[i].y);
    if (x >= layers[i].left - tolerance && x <= layers[i].right + tolerance && distance < nearest) {
      nearest = distance;
      best = {ChartHandle::Kind::kResistivity, static_cast<int>(i)};
    }
  }
  return best;
}

ChartLayout PaintSoundingChart(const ChartInput& input, Canvas& canvas) {
  return ChartPainter(input, canvas).Paint();
}

}  // namespace layra
