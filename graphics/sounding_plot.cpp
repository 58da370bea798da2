#include "graphics/sounding_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "graphics/panel_axes.h"
#include "graphics/panel_curves.h"
#include "graphics/plot_panel.h"
#include "graphics/plot_primitives.h"
#include "graphics/plot_ranges.h"
#include "state/records.h"
#include "state/text_format.h"

namespace layra {

namespace {

const Pen kPlotPenBlue{PenStyle::kSolid, PaletteBlue};

// Values [offset, offset + n) of an optional array; NaN (never drawn) where
// the array is absent.
std::vector<float> Plain(const float* values, int n, int offset = 0) {
  std::vector<float> out(static_cast<size_t>(n), NAN);
  if (values == nullptr) return out;
  for (int i = 0; i < n; ++i) out[i] = values[offset + i];
  return out;
}

// log10 of each value; values that are not positive have no place on a log
// axis and become NaN.
std::vector<float> Log10Of(const float* values, int n, int offset = 0) {
  std::vector<float> out = Plain(values, n, offset);
  for (float& v : out) v = v > 0.0f ? static_cast<float>(std::log10(v)) : NAN;
  return out;
}

void Append(std::vector<float>& to, const std::vector<float>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// Where a panel goes and what it shows on its value axis; the spacing axis and
// the legend entries are common to every panel of a plot.
struct PanelPlace {
  int x0;
  int width;
  int y0;
  int height;
};

PlotPanel MakePanel(const PlotPanel& common,
                    PanelKind kind,
                    const PanelPlace& place,
                    AxisRange value_range,
                    float misfit) {
  PlotPanel panel = common;
  panel.kind = kind;
  panel.x0 = place.x0;
  panel.width = std::max(place.width, 1);
  panel.y0 = place.y0;
  panel.height = std::max(place.height, 1);
  panel.ymin = value_range.min;
  panel.ymax = value_range.max;
  panel.xscale = panel.width / (panel.xmax - panel.xmin);
  panel.yscale = panel.height / (panel.ymax - panel.ymin);
  panel.misfit = misfit;
  return panel;
}

// Blocks, curve pair and frame of one panel. Blocks are left out when
// `layer_values` is empty; `over_blocks` draws between the blocks and the
// curves.
void DrawPanel(Canvas& canvas,
               const PlotPanel& panel,
               const std::vector<float>& layer_values,
               const std::vector<float>& boundary,
               const std::vector<float>& observed,
               const std::vector<float>& calculated,
               const std::vector<float>& x_pos,
               const std::vector<unsigned char>& hollow = {},
               const std::function<void()>& over_blocks = nullptr) {
  if (!layer_values.empty()) {
    DrawModelBlocks(canvas, panel, panel.x0 + panel.width, layer_values, boundary);
  }
  if (over_blocks) over_blocks();
  DrawCurvePair(canvas, panel, observed, calculated, x_pos, hollow);
  DrawPanelAxes(canvas, panel);
}

// Everything the panels of one plot need, computed once from the input.
struct PlotData {
  int n = 0;
  int layers = 0;
  int frequencies = 0;
  std::vector<float> log_spacing;
  SpacingAxis axis;
  AxisRange rho_range;
  AxisRange phase_range;
  AxisRange ip_range;
  std::vector<unsigned char> hollow;  // points left out of the fit
};

PlotData Prepare(const PlotInput& input) {
  PlotData data;
  data.n = input.spacing == nullptr
               ? 0
               : std::clamp(input.nData, 0, std::max(kMaxPoints, kMaxForwardSpacings));
  data.layers = std::clamp(input.nLayers, 0, kMaxLayers);
  const bool sip =
      input.plotKind == PlotKind::kSipFrequencies || input.plotKind == PlotKind::kSipColeCole;
  data.frequencies =
      sip ? std::clamp(input.nFreq, 0, std::max(kMaxFrequencies, kMaxForwardFrequencies)) : 0;
  const int n = data.n;

  data.log_spacing = Log10Of(input.spacing, n);
  if (input.excluded != nullptr) data.hollow.assign(input.excluded, input.excluded + n);
  data.axis = MakeSpacingAxis(data.log_spacing, Plain(input.thickness, data.layers));

  std::vector<float> rho = Log10Of(input.observedRho, n);
  Append(rho, Log10Of(input.calculatedRho, n));
  Append(rho, Log10Of(input.layerRho, data.layers));
  std::vector<float> phase;
  for (int f = 0; f < data.frequencies; ++f) {
    Append(rho, Log10Of(input.observedAmp, n, f * n));
    Append(rho, Log10Of(input.calculatedAmp, n, f * n));
    Append(phase, Plain(input.observedPhase, n, f * n));
    Append(phase, Plain(input.calculatedPhase, n, f * n));
  }
  data.rho_range = LogAxisRange(rho);
  data.phase_range = PhaseAxisRange(phase);

  std::vector<float> ip = Plain(input.observedIP, n);
  Append(ip, Plain(input.calculatedIP, n));
  Append(ip, Plain(input.layerIP, data.layers));
  data.ip_range = IpAxisRange(ip);
  return data;
}

void DrawResistivityPanel(Canvas& canvas,
                          const PlotInput& input,
                          const PlotData& data,
                          const PlotPanel& common,
                          const PanelPlace& place) {
  PlotPanel panel = MakePanel(common, PanelKind::kResistivity, place, data.rho_range, input.misfit);
  const std::vector<float> layer_values = Log10Of(input.layerRho, data.layers);
  auto sureness = [&]() {
    if (input.depthOfInvestigation > 0.0f) {
      DrawBelowDepth(
          canvas, panel, static_cast<float>(std::log10(2.0 * input.depthOfInvestigation)));
    }
    if (input.equivalentModels.empty()) return;
    for (const PlotLayers& model : input.equivalentModels) {
      const int layers = std::min(static_cast<int>(model.resistivity.size()), kMaxLayers);
      std::vector<float> thickness(static_cast<size_t>(layers), 0.0f);
      for (int j = 0; j + 1 < layers && j < static_cast<int>(model.thickness.size()); ++j)
        thickness[j] = model.thickness[j];
      const SpacingAxis axis = MakeSpacingAxis(data.log_spacing, thickness);
      DrawModelOutline(
          canvas, panel, Log10Of(model.resistivity.data(), layers), axis.boundary, kEquivalentGrey);
    }
    // The model itself over the grey lines.
    DrawModelOutline(canvas, panel, layer_values, data.axis.boundary, PaletteMagenta);
  };
  DrawPanel(canvas,
            panel,
            layer_values,
            data.axis.boundary,
            Log10Of(input.observedRho, data.n),
            Log10Of(input.calculatedRho, data.n),
            data.log_spacing,
            data.hollow,
            sureness);
}

void DrawIpPanel(Canvas& canvas,
                 const PlotInput& input,
                 const PlotData& data,
                 const PlotPanel& common,
                 const PanelPlace& place) {
  PlotPanel panel = MakePanel(common, PanelKind::kIp, place, data.ip_range, input.misfitIP);
  DrawPanel(canvas,
            panel,
            Plain(input.layerIP, data.layers),
            data.axis.boundary,
            Plain(input.observedIP, data.n),
            Plain(input.calculatedIP, data.n),
            data.log_spacing,
            data.hollow);
}

// Amplitude curves (black, resistivity axis) and phase curves (blue, phase
// axis on the right) of frequency `f` (0-based); no model blocks.
void DrawFrequencyPanel(Canvas& canvas,
                        const PlotInput& input,
                        const PlotData& data,
                        const PlotPanel& common,
                        const PanelPlace& place,
                        int f) {
  const int n = data.n;
  PlotPanel panel =
      MakePanel(common, PanelKind::kSipFrequency, place, data.rho_range, input.misfit);
  panel.phaseMin = data.phase_range.min;
  panel.phaseMax = data.phase_range.max;
  if (input.frequencies != nullptr) {
    panel.caption = StrFormat("%g Hz", static_cast<double>(input.frequencies[f]));
  }
  DrawCurvePair(canvas,
                panel,
                Log10Of(input.observedAmp, n, f * n),
                Log10Of(input.calculatedAmp, n, f * n),
                data.log_spacing);
  PlotPanel phase_panel = panel;
  phase_panel.ymin = data.phase_range.min;
  phase_panel.ymax = data.phase_range.max;
  phase_panel.yscale = panel.height / (data.phase_range.max - data.phase_range.min);
  Pen previous = canvas.SelectPen(kPlotPenBlue);
  DrawCurvePair(canvas,
                phase_panel,
                Plain(input.observedPhase, n, f * n),
                Plain(input.calculatedPhase, n, f * n),
                data.log_spacing);
  canvas.SelectPen(previous);
  DrawPanelAxes(canvas, panel);
}

void DrawColeColePanel(Canvas& canvas,
                       const PlotInput& input,
                       const PlotData& data,
                       const PlotPanel& common,
                       const PanelPlace& place,
                       PanelKind kind) {
  const bool tau = kind == PanelKind::kTau;
  std::vector<float> layer_values = Log10Of(tau ? input.layerTau : input.layerC, data.layers);
  std::vector<float> observed = Log10Of(tau ? input.observedTau : input.observedC, data.n);
  std::vector<float> calculated = Log10Of(tau ? input.calculatedTau : input.calculatedC, data.n);
  std::vector<float> all = layer_values;
  Append(all, observed);
  Append(all, calculated);
  PlotPanel panel = MakePanel(common, kind, place, LogAxisRange(all), input.misfitIP);
  DrawPanel(
      canvas, panel, layer_values, data.axis.boundary, observed, calculated, data.log_spacing);
}

// Rows of the SIP plots: resistivity and IP in the first row, then two
// frequencies (or the two Cole-Cole parameters) per row. Up to three rows
// share the height in thirds; more rows (over four frequencies) divide it
// among themselves so the last one still ends inside the client area.
void DrawPanelGrid(Canvas& canvas,
                   const PlotInput& input,
                   const PlotData& data,
                   const PlotPanel& common,
                   int client_width,
                   int client_height) {
  const int W = common.charWidth;
  const int H = common.lineHeight;
  const bool frequencies = input.plotKind == PlotKind::kSipFrequencies;
  // A paged plot shows one page of frequencies; otherwise all of them.
  int first = 0;
  int shown = data.frequencies;
  if (input.frequencyPage >= 0 && data.frequencies > 0) {
    const int page = std::min(input.frequencyPage, FrequencyPageCount(data.frequencies) - 1);
    first = page * kFrequencyPanelsPerPage;
    shown = std::min(kFrequencyPanelsPerPage, data.frequencies - first);
  }
  const int rows = frequencies ? 1 + (shown + 1) / 2 : 2;
  // Two rows share the height in halves, three in thirds; more divide it
  // among themselves so the last one still ends inside the client area.
  const int pitch = rows <= 3 ? (client_height - H) / std::max(rows, 2)
                              : (client_height - 2 * H - 2 * (rows - 1)) / rows;
  const int column_width = (client_width - 40 * W) / 2;
  const int left_x0 = 20 * W;
  const int right_x0 = 20 * W + column_width + 12 * W;
  const int height = pitch - 4 * H;
  PlotPanel right_common = common;
  right_common.showLegend = 0;

  int y0 = pitch;
  DrawResistivityPanel(canvas, input, data, common, {left_x0, column_width, y0, height});
  DrawIpPanel(canvas, input, data, right_common, {right_x0, column_width, y0, height});
  if (frequencies) {
    for (int f = first; f < first + shown; f += 2) {
      y0 += pitch + 2;
      DrawFrequencyPanel(canvas, input, data, common, {left_x0, column_width, y0, height}, f);
      if (f + 1 < first + shown) {
        DrawFrequencyPanel(
            canvas, input, data, right_common, {right_x0, column_width, y0, height}, f + 1);
      }
    }
  } else {
    y0 += pitch + 2;
    DrawColeColePanel(
        canvas, input, data, common, {left_x0, column_width, y0, height}, PanelKind::kTau);
    DrawColeColePanel(canvas,
                      input,
                      data,
                      right_common,
                      {right_x0, column_width, y0, height},
                      PanelKind::kExponent);
  }
}

}  // namespace

PlotInput RunResultPlotInput(const SoundingData& data, const InversionOutcome& outcome) {
  PlotInput input;
  input.plotKind = PlotKind::kResistivity;
  input.iteration = outcome.lastIteration;
  input.nData = data.pointCount;
  input.nLayers = outcome.model.layerCount;
  input.observedRho = data.apparentResistivity.data();
  input.calculatedRho = outcome.calculatedResistivity.data();
  input.spacing = data.spacingA.data();
  input.layerRho = outcome.model.resistivity.data();
  input.thickness = outcome.model.thickness.data();
  input.title = data.title;
  input.misfit = outcome.finalMisfit;
  input.dataConstraint = outcome.settings.dataConstraint;
  return input;
}

void PlotSounding(const PlotInput& input, Canvas& canvas) {
  const TextMetrics metrics = canvas.Metrics();
  const int W = metrics.averageCharWidth;
  const int H = metrics.charHeight;
  const int client_width = std::abs(canvas.Width());
  const int client_height = std::abs(canvas.Height());
  const PlotData data = Prepare(input);

  PlotPanel common;
  common.charWidth = W;
  common.lineHeight = H;
  common.compact = input.compact;
  common.xmin = data.axis.xmin;
  common.xmax = data.axis.xmax;
  common.iteration = input.iteration;
  common.dataConstraint = input.dataConstraint;
  common.engineLabel = input.engineLabel.c_str();

  Pen previous_pen = canvas.SelectPen(Pen{});
  Rgb previous_color = canvas.SetTextColor(kBlack);
  ClearWindow(canvas);

  switch (input.plotKind) {
    case PlotKind::kResistivity:
    case PlotKind::kIp: {
      const int panel_height = input.plotKind == PlotKind::kIp ? client_height / 2 : client_height;
      PanelPlace place;
      if (input.compact) {
        place = {22 * W, client_width - 26 * W, panel_height - 3 * H, panel_height - 6 * H};
        if (input.plotKind == PlotKind::kIp) place.height = panel_height - 7 * H;
      } else {
        int y0 = panel_height - 3 * H - H / 2;
        place = {30 * W, client_width - 34 * W, y0, y0 - 4 * H};
      }
      DrawResistivityPanel(canvas, input, data, common, place);
      if (input.plotKind == PlotKind::kIp) {
        place.y0 += client_height / 2;
        DrawIpPanel(canvas, input, data, common, place);
      }
      break;
    }
    case PlotKind::kSipFrequencies:
    case PlotKind::kSipColeCole:
      DrawPanelGrid(canvas, input, data, common, client_width, client_height);
      break;
  }

  // Centred; in a window too narrow for it, from the left edge.
  canvas.DrawText(
      std::max((client_width - static_cast<int>(input.title.size()) * W) / 2, 0), 1, input.title);
  canvas.SelectPen(previous_pen);
  canvas.SetTextColor(previous_color);
  canvas.Present();
}

void PlotResultsIteration(const InversionResults& results, int k, Canvas& canvas) {
  const int n = results.pointCount;
  const int layers = results.modelLayerCount;
  std::vector<float> calculated(n), layer_rho(layers), thickness(layers, 0.0f);
  for (int i = 0; i < n; ++i) {
    calculated[i] = results.calculatedResistivity[InversionResults::At(i, k)];
  }
  for (int j = 0; j < layers; ++j) {
    layer_rho[j] = results.layerResistivity[InversionResults::At(j, k)];
    if (j < layers - 1) thickness[j] = results.layerThickness[InversionResults::At(j, k)];
  }
  PlotInput input;
  input.plotKind = PlotKind::kResistivity;
  input.compact = 0;
  input.iteration = k;
  input.nData = n;
  input.nLayers = layers;
  input.observedRho = results.apparentResistivity.data();
  input.calculatedRho = calculated.data();
  input.spacing = results.spacingA.data();
  input.layerRho = layer_rho.data();
  input.thickness = thickness.data();
  input.title = results.title;
  input.misfit = results.misfit[k];
  input.misfitIP = 0.0f;
  // The legend names the misfit the run used ("RMS" or "Mean error").
  input.dataConstraint = results.dataConstraint;
  PlotSounding(input, canvas);
}

}  // namespace layra
