#ifndef LAYRA_CLI_PLOT_SIZE_H_
#define LAYRA_CLI_PLOT_SIZE_H_

// The size of a plot image drawn by layra-cli, as given with --size WxH.

#include <string>

namespace layra::cli {

constexpr int kDefaultPlotWidth = 1280;
constexpr int kDefaultPlotHeight = 800;
constexpr int kMinPlotSide = 200;
constexpr int kMaxPlotSide = 8192;

// Reads "WIDTHxHEIGHT" (an "X" also separates; no spaces), each side between
// kMinPlotSide and kMaxPlotSide pixels. On a refusal returns false, leaves
// width and height unchanged and says why in *error (when error is not null).
bool ParsePlotSize(const std::string& text, int* width, int* height, std::string* error);

}  // namespace layra::cli

#endif  // LAYRA_CLI_PLOT_SIZE_H_
