#include "survey/section_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

#include "state/text_format.h"
#include "survey/colour_map.h"

namespace layra {
namespace {

constexpr int kColourLevels = 256;

// A step of 1, 2 or 5 times a power of ten that cuts `range` into about
// `count` parts.
double NiceStep(double range, int count) {
  const double raw = range / std::max(count, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10.0 * power;
}

std::string TickLabel(double value) {
  if (std::fabs(value) < 1e-9) value = 0.0;
  return StrFormat("%g", value);
}

// log10 of the resistivity of the layer at `depth` below the ground.
double LogAt(const SectionColumn& column, const std::vector<double>& logs, double depth) {
  const LayeredModel& model = column.model;
  const auto begin = model.depthTop.begin();
  const auto end = begin + model.layerCount;
  const int layer = static_cast<int>(std::upper_bound(begin + 1, end, depth) - begin) - 1;
  return logs[static_cast<size_t>(std::max(layer, 0))];
}

// What one pixel column of the section shows: one or two soundings and the
// weight of the second.
struct Blend {
  int first = 0;
  int second = 0;
  double weight = 0.0;
};

Blend BlendAt(const SectionProfile& profile, double distance, bool interpolate) {
  const auto& columns = profile.columns;
  const int n = static_cast<int>(columns.size());
  int i = 0;
  while (i + 1 < n && columns[static_cast<size_t>(i + 1)].distance <= distance) ++i;
  if (i + 1 >= n || distance <= columns[static_cast<size_t>(i)].distance) return {i, i, 0.0};
  const double a = columns[static_cast<size_t>(i)].distance;
  const double b = columns[static_cast<size_t>(i + 1)].distance;
  const double t = b > a ? (distance - a) / (b - a) : 0.0;
  if (interpolate) return {i, i + 1, t};
  return t < 0.5 ? Blend{i, i, 0.0} : Blend{i + 1, i + 1, 0.0};
}

Rgb WashedOut(Rgb colour) {
  auto half = [](std::uint8_t c) { return static_cast<std::uint8_t>((c + 256) / 2); };
  return {half(colour.red), half(colour.green), half(colour.blue)};
}

void DrawLine(Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
}

}  // namespace

int SectionLayout::X(double distance) const {
  const double f = (distance - distanceLeft) / (distanceRight - distanceLeft);
  return left + static_cast<int>(std::floor(f * (right - left)));
}

int SectionLayout::Y(double vertical) const {
  const double f = (vertical - verticalTop) / (verticalBottom - verticalTop);
  return top + static_cast<int>(std::floor(f * (bottom - top)));
}

Rgb SectionLayout::ColourOf(double resistivity) const {
  return ColourOfLog(std::log10(resistivity));
}

Rgb SectionLayout::ColourOfLog(double log_resistivity) const {
  double f = (log_resistivity - logMin) / (logMax - logMin);
  if (std::isnan(f)) f = 0.0;  // a model value that is not a number shows as the lowest
  const int level = static_cast<int>(std::lround(std::clamp(f, 0.0, 1.0) * (kColourLevels - 1)));
  return Viridis(static_cast<double>(level) / (kColourLevels - 1));
}

std::vector<SectionProfile> BuildSectionProfiles(const std::vector<SurveySounding>& soundings,
                                                 const std::vector<SoundingResult>& results) {
  std::vector<SectionProfile> profiles;
  std::map<std::string, size_t> index;
  std::map<std::string, const SurveySounding*> previous;
  for (size_t i = 0; i < soundings.size() && i < results.size(); ++i) {
    const SurveySounding& sounding = soundings[i];
    if (results[i].status != SoundingStatus::kOk || results[i].model.layerCount < 1) continue;
    auto [at, added] = index.emplace(sounding.profile, profiles.size());
    if (added) profiles.push_back({sounding.profile, {}});
    SectionProfile& profile = profiles[at->second];
    double distance = 0.0;
    if (const SurveySounding* last = previous[sounding.profile]) {
      distance =
          profile.columns.back().distance + std::hypot(sounding.x - last->x, sounding.y - last->y);
    }
    previous[sounding.profile] = &sounding;
    profile.columns.push_back(
        {sounding.name, distance, sounding.elevation, results[i].model, static_cast<int>(i)});
    profile.columns.back().doiKnown = results[i].doiKnown;
    profile.columns.back().doi = results[i].doi;
  }
  return profiles;
}

SectionLayout PlotSection(const SectionProfile& profile,
                          const SectionOptions& options,
                          Canvas& canvas) {
  const auto& columns = profile.columns;
  const int n = static_cast<int>(columns.size());
  const TextMetrics metrics = canvas.Metrics();
  const int w = std::max(metrics.averageCharWidth, 1);
  const int h = std::max(metrics.charHeight, 1);

  // What the section covers.
  double depth = options.depth;
  if (!(depth > 0.0)) {
    double deepest = 0.0;
    for (const SectionColumn& column : columns) {
      deepest = std::max(deepest,
                         static_cast<double>(column.model.depthTop[column.model.layerCount - 1]));
    }
    depth = 1.1 * (deepest > 0.0 ? deepest : 10.0);
  }
  std::vector<std::vector<double>> logs(columns.size());
  double log_min = HUGE_VAL;
  double log_max = -HUGE_VAL;
  double ground_max = -HUGE_VAL;
  double ground_min = HUGE_VAL;
  for (size_t i = 0; i < columns.size(); ++i) {
    const LayeredModel& model = columns[i].model;
    for (int j = 0; j < model.layerCount; ++j) {
      const double value = std::log10(std::max(model.resistivity[j], 1e-6f));
      logs[i].push_back(value);
      if (model.depthTop[j] < depth) {
        log_min = std::min(log_min, value);
        log_max = std::max(log_max, value);
      }
    }
    ground_max = std::max(ground_max, columns[i].elevation);
    ground_min = std::min(ground_min, columns[i].elevation);
  }
  if (log_max - log_min < 0.2) {
    const double middle = 0.5 * (log_min + log_max);
    log_min = middle - 0.1;
    log_max = middle + 0.1;
  }
  const double first = columns.front().distance;
  const double last = columns.back().distance;
  const double pad = n > 1 ? 0.5 * (last - first) / (n - 1) : std::max(1.0, 0.25 * depth);

  SectionLayout layout;
  layout.left = 11 * w;
  layout.right = canvas.Width() - 16 * w;
  layout.top = 5 * h;
  layout.bottom = canvas.Height() - 4 * h;
  layout.distanceLeft = first - (pad > 0.0 ? pad : 1.0);
  layout.distanceRight = last + (pad > 0.0 ? pad : 1.0);
  layout.verticalTop = options.elevation ? ground_max : 0.0;
  layout.verticalBottom = options.elevation ? ground_min - depth : depth;
  layout.logMin = log_min;
  layout.logMax = log_max;
  canvas.Clear();
  if (layout.right - layout.left < 10 || layout.bottom - layout.top < 10) return layout;

  // The section, one pixel column at a time, in vertical runs of one colour.
  const Pen saved_pen = canvas.SelectPen({PenStyle::kSolid, kBlack});
  const int rows = layout.bottom - layout.top;
  for (int x = layout.left; x < layout.right; ++x) {
    const double distance = layout.distanceLeft + (x + 0.5 - layout.left) /
                                                      (layout.right - layout.left) *
                                                      (layout.distanceRight - layout.distanceLeft);
    const Blend blend = BlendAt(profile, distance, options.interpolate);
    const SectionColumn& a = columns[static_cast<size_t>(blend.first)];
    const SectionColumn& b = columns[static_cast<size_t>(blend.second)];
    const double ground = a.elevation + blend.weight * (b.elevation - a.elevation);
    // Below the depth of investigation the colours are washed halfway to
    // white: the model there is not resolved by the data.
    double doi = std::numeric_limits<double>::infinity();
    if (a.doiKnown && b.doiKnown) {
      doi = a.doi + blend.weight * (b.doi - a.doi);
    } else if (a.doiKnown || b.doiKnown) {
      doi = a.doiKnown ? a.doi : b.doi;
    }
    int run_start = -1;
    Rgb run_colour = kWhite;
    auto flush = [&](int end_row) {
      if (run_start >= 0) {
        canvas.SelectPen({PenStyle::kSolid, run_colour});
        DrawLine(canvas, x, layout.top + run_start, x, layout.top + end_row);
      }
      run_start = -1;
    };
    for (int row = 0; row < rows; ++row) {
      const double vertical =
          layout.verticalTop + (row + 0.5) / rows * (layout.verticalBottom - layout.verticalTop);
      const double below = options.elevation ? ground - vertical : vertical;
      if (below < 0.0) {
        flush(row);  // above the ground
        continue;
      }
      const double value =
          LogAt(a, logs[static_cast<size_t>(blend.first)], below) * (1.0 - blend.weight) +
          LogAt(b, logs[static_cast<size_t>(blend.second)], below) * blend.weight;
      Rgb colour = layout.ColourOfLog(value);
      if (below > doi) colour = WashedOut(colour);
      if (run_start >= 0 && colour == run_colour) continue;
      flush(row);
      run_start = row;
      run_colour = colour;
    }
    flush(rows);
  }

  // Frame, axes and their labels.
  canvas.SelectPen({PenStyle::kSolid, kBlack});
  const Rgb saved_text = canvas.SetTextColor(kBlack);
  DrawLine(canvas, layout.left - 1, layout.top - 1, layout.right, layout.top - 1);
  DrawLine(canvas, layout.right, layout.top - 1, layout.right, layout.bottom);
  DrawLine(canvas, layout.right, layout.bottom, layout.left - 1, layout.bottom);
  DrawLine(canvas, layout.left - 1, layout.bottom, layout.left - 1, layout.top - 1);

  const double distance_step =
      NiceStep(layout.distanceRight - layout.distanceLeft, (layout.right - layout.left) / (12 * w));
  for (double d = std::ceil(layout.distanceLeft / distance_step) * distance_step;
       d <= layout.distanceRight;
       d += distance_step) {
    const int x = layout.X(d);
    DrawLine(canvas, x, layout.bottom, x, layout.bottom + h / 2);
    const std::string label = TickLabel(d);
    canvas.DrawText(x - static_cast<int>(label.size()) * w / 2, layout.bottom + h / 2 + 2, label);
  }
  const std::string distance_title = "Distance along the profile (m)";
  canvas.DrawText((layout.left + layout.right - static_cast<int>(distance_title.size()) * w) / 2,
                  layout.bottom + 2 * h,
                  distance_title);

  const double low = std::min(layout.verticalTop, layout.verticalBottom);
  const double high = std::max(layout.verticalTop, layout.verticalBottom);
  const double vertical_step = NiceStep(high - low, (layout.bottom - layout.top) / (3 * h));
  for (double v = std::ceil(low / vertical_step) * vertical_step; v <= high; v += vertical_step) {
    const int y = layout.Y(v);
    DrawLine(canvas, layout.left - 1 - w, y, layout.left - 1, y);
    const std::string label = TickLabel(v);
    canvas.DrawText(layout.left - 2 * w - static_cast<int>(label.size()) * w, y - h / 2, label);
  }
  canvas.DrawText(w, layout.top - 10 - 2 * h, options.elevation ? "Elevation (m)" : "Depth (m)");

  // Soundings: a mark above the section at each position and the names that
  // fit without overlapping the one before.
  int free_from = layout.left - 10 * w;
  for (const SectionColumn& column : columns) {
    const int x = layout.X(column.distance);
    DrawLine(canvas, x - 4, layout.top - 9, x + 5, layout.top - 9);
    DrawLine(canvas, x - 4, layout.top - 9, x, layout.top - 2);
    DrawLine(canvas, x + 4, layout.top - 9, x, layout.top - 2);
    const int width = static_cast<int>(column.name.size()) * w;
    const int text_x = x - width / 2;
    if (text_x >= free_from) {
      canvas.DrawText(text_x, layout.top - 10 - h, column.name);
      free_from = text_x + width + w;
    }
  }

  // Colour bar with labels at 1, 2 and 5 times powers of ten (only powers of
  // ten when the range spans more than two decades).
  const int bar_left = layout.right + 3 * w;
  const int bar_right = bar_left + 3 * w;
  for (int y = layout.top; y < layout.bottom; ++y) {
    const double f = 1.0 - (y + 0.5 - layout.top) / (layout.bottom - layout.top);
    canvas.SelectPen({PenStyle::kSolid, layout.ColourOfLog(log_min + f * (log_max - log_min))});
    DrawLine(canvas, bar_left, y, bar_right, y);
  }
  canvas.SelectPen({PenStyle::kSolid, kBlack});
  DrawLine(canvas, bar_left - 1, layout.top - 1, bar_right, layout.top - 1);
  DrawLine(canvas, bar_right, layout.top - 1, bar_right, layout.bottom);
  DrawLine(canvas, bar_right, layout.bottom, bar_left - 1, layout.bottom);
  DrawLine(canvas, bar_left - 1, layout.bottom, bar_left - 1, layout.top - 1);
  const bool decades_only = log_max - log_min > 2.0;
  for (int k = static_cast<int>(std::floor(log_min)); k <= static_cast<int>(std::ceil(log_max));
       ++k) {
    for (double m : {1.0, 2.0, 5.0}) {
      if (decades_only && m != 1.0) continue;
      const double value = m * std::pow(10.0, k);
      const double f = (std::log10(value) - log_min) / (log_max - log_min);
      if (f < -1e-9 || f > 1.0 + 1e-9) continue;
      const int y = layout.bottom - static_cast<int>(std::lround(f * (layout.bottom - layout.top)));
      DrawLine(canvas, bar_right, y, bar_right + w, y);
      canvas.DrawText(bar_right + w + 2, y - h / 2, TickLabel(value));
    }
  }
  canvas.DrawText(bar_left - w, layout.top - 10 - 2 * h, "ohm-m");

  std::string title = "Resistivity section";
  if (!profile.name.empty()) title += ", profile " + profile.name;
  if (!options.subtitle.empty()) title += "  (" + options.subtitle + ")";
  canvas.DrawText(layout.left, h / 2, title);

  canvas.SelectPen(saved_pen);
  canvas.SetTextColor(saved_text);
  canvas.Present();
  return layout;
}

}  // namespace layra
