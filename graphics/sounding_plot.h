#ifndef LAYRA_GRAPHICS_SOUNDING_PLOT_H_
#define LAYRA_GRAPHICS_SOUNDING_PLOT_H_

// One complete picture of a sounding: observed apparent resistivities as "+"
// symbols, calculated ones as a polyline and the layered model as blocks on a
// log-log graph (spacing below, depth = 0.5 x spacing on top), with IP and SIP
// panels for those kinds. Recomputes every range from its input on each call.

#include <string>
#include <vector>

#include "platform/canvas.h"

namespace layra {

struct InversionOutcome;
struct InversionResults;
struct SoundingData;

enum class PlotKind : int {
  kResistivity = 0,
  kIp = 1,
  kSipFrequencies = 2,  // spectral IP shown per frequency
  kSipColeCole = 3,     // spectral IP shown as Cole-Cole parameters
};

// A layered model drawn beside the plot's own: resistivities and the
// thicknesses of the layers above the basement.
struct PlotLayers {
  std::vector<float> resistivity;
  std::vector<float> thickness;
};

// Arrays are 0-based here. SIP arrays hold nData x nFreq values frequency by
// frequency (all points of frequency 1, then of frequency 2, ...). Arrays a
// plot kind does not use may be null.
struct PlotInput {
  PlotKind plotKind = PlotKind::kResistivity;
  int compact = 0;
  int iteration = -1;  // -1 for forward-model plots
  int nData = 0;
  int nLayers = 0;
  const float* observedRho = nullptr;
  const float* calculatedRho = nullptr;
  const float* spacing = nullptr;  // ascending
  const float* layerRho = nullptr;
  const float* thickness = nullptr;  // nLayers entries; the last is not used
  std::string title;
  float misfit = 0.0f;  // fraction
  const float* observedIP = nullptr;
  const float* calculatedIP = nullptr;
  const float* layerIP = nullptr;
  float misfitIP = 0.0f;
  int nFreq = 0;
  const float* observedAmp = nullptr;
  const float* observedPhase = nullptr;
  const float* calculatedAmp = nullptr;
  const float* calculatedPhase = nullptr;
  const float* layerTau = nullptr;
  const float* layerC = nullptr;
  const float* observedTau = nullptr;
  const float* observedC = nullptr;
  const float* calculatedTau = nullptr;
  const float* calculatedC = nullptr;
  int dataConstraint = 0;   // robust (>= 1) writes "Mean error" in the legend
  std::string engineLabel;  // a legend line naming the engine; none when empty
  // nData entries or null: points left out of the fit (1), drawn hollow.
  const unsigned char* excluded = nullptr;
  // nFreq entries (Hz) or null: each frequency panel is labelled with its
  // frequency.
  const float* frequencies = nullptr;
  // -1: every frequency panel at once; 0, 1, ...: that page of at most
  // kFrequencyPanelsPerPage frequency panels.
  int frequencyPage = -1;
  // How sure the model is (resistivity panel only): models that fit the data
  // as well, drawn as thin grey lines behind the model, and the depth of
  // investigation in metres, below which the model is hatched and labelled
  // (none when 0).
  std::vector<PlotLayers> equivalentModels;
  float depthOfInvestigation = 0.0f;
};

// Frequency panels shown at a time when the plot is paged.
constexpr int kFrequencyPanelsPerPage = 6;

// Pages of frequency panels for `frequency_count` frequencies (at least 1).
inline int FrequencyPageCount(int frequency_count) {
  return frequency_count <= 0
             ? 1
             : (frequency_count + kFrequencyPanelsPerPage - 1) / kFrequencyPanelsPerPage;
}

void PlotSounding(const PlotInput& input, Canvas& canvas);

// The resistivity plot of a sounding after a run: observed and calculated
// apparent resistivities, the run's final model, its last iteration and
// final misfit, with the data constraint the run used.
PlotInput RunResultPlotInput(const SoundingData& data, const InversionOutcome& outcome);

// Plots iteration k (0: the starting model) of a results file as the display
// window shows it: observed and calculated apparent resistivities, the model
// and the misfit of that iteration.
void PlotResultsIteration(const InversionResults& results, int k, Canvas& canvas);

// Fills the client area with white.
inline void ClearWindow(Canvas& canvas) { canvas.Clear(); }

}  // namespace layra

#endif  // LAYRA_GRAPHICS_SOUNDING_PLOT_H_
