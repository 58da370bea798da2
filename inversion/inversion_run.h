#ifndef LAYRA_INVERSION_INVERSION_RUN_H_
#define LAYRA_INVERSION_INVERSION_RUN_H_

// The working state of one RunInversion call, shared by the resistivity stage
// and the IP and SIP stages that follow it. Lives on the stack of
// RunInversion; nothing of it outlives the run except what is copied into
// ProgramState.

#include <memory>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "graphics/plot_snapshot.h"
#include "graphics/sounding_plot.h"
#include "inversion/engine.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "state/records.h"

namespace layra {

struct InversionRun {
  InversionRun(ProgramState& run_state, Canvas& run_canvas, Host& run_host)
      : state(run_state), canvas(run_canvas), host(run_host) {}

  ProgramState& state;
  Canvas& canvas;
  Host& host;
  int user_model = 0;
  int silent = 0;
  std::unique_ptr<InversionEngine> engine;  // chosen by state.engine.engine
  int data_count = 0;
  int layer_count = 0;
  int parameter_count = 0;
  int iteration = 0;    // resistivity iteration shown in the plots
  float misfit = 0.0f;  // resistivity misfit (root mean square of ln residuals), a fraction
  int text_y = 8;       // next progress line

  // IP values kept for the plots of the following stages (fractions).
  std::vector<float> observed_ip;  // observed IP values as fractions
  float ip_misfit = 0.0f;

  // The results file, open from the first block to the last.
  ResultsFileStream results_stream;

  // The latest plot, kept for a canvas that wants only the last one.
  std::unique_ptr<PlotSnapshot> last_plot;
};

// Writes one progress line at x = 8 and moves to the next text line.
void ShowProgressLine(InversionRun& run, const std::string& text);

// Draws the sounding plot of the current state (observed and calculated
// apparent resistivities, the working model) with the IP, spectral or
// Cole-Cole panels of `kind`, then presents the canvas. The IP values are
// shown in thousandths (mV/V); `cole_cole` holds the per-datum panels of
// plot kind 3 (observed tau, observed c, calculated tau, calculated c).
struct ColeColePanels {
  const float* observed_tau = nullptr;
  const float* observed_c = nullptr;
  const float* calculated_tau = nullptr;
  const float* calculated_c = nullptr;
  const float* observed_amplitude = nullptr;  // frequency-major, for plot kind 2
  const float* observed_phase = nullptr;
  const float* calculated_amplitude = nullptr;
  const float* calculated_phase = nullptr;
};
// A canvas that wants only the last plot gets none here: the plot is kept in
// run.last_plot for DrawLastRunPlot, which RunInversion calls when it ends.
void DrawRunPlot(InversionRun& run, PlotKind kind, const ColeColePanels* panels = nullptr);
void DrawLastRunPlot(InversionRun& run);

// The IP and SIP stages; they run after the resistivity stage on the model
// it leaves.
void RunIpStage(InversionRun& run);
void RunSipStage(InversionRun& run);

}  // namespace layra

#endif  // LAYRA_INVERSION_INVERSION_RUN_H_
