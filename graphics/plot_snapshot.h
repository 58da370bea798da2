#ifndef LAYRA_GRAPHICS_PLOT_SNAPSHOT_H_
#define LAYRA_GRAPHICS_PLOT_SNAPSHOT_H_

// A plot's input with its own copies of the arrays, so that the plot can be
// drawn later, after the arrays it was given have changed or gone.

#include <vector>

#include "graphics/sounding_plot.h"

namespace layra {

class PlotSnapshot {
 public:
  // Copies the arrays `input` points to: nData values each for the data and
  // the per-datum Cole-Cole panels, nLayers for the layers, nData x nFreq for
  // the spectra.
  explicit PlotSnapshot(const PlotInput& input);
  PlotSnapshot(const PlotSnapshot&) = delete;
  PlotSnapshot& operator=(const PlotSnapshot&) = delete;

  // The input, pointing at the copies.
  const PlotInput& input() const { return input_; }

 private:
  PlotInput input_;
  std::vector<std::vector<float>> arrays_;
};

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PLOT_SNAPSHOT_H_
