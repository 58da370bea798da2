#ifndef LAYRA_INVERSION_INVERSION_RUN_H_
#define LAYRA_INVERSION_INVERSION_RUN_H_

// The working state of one RunInversion call, shared by the resistivity stage
// and the IP and SIP stages that follow it. Lives on the stack of
// RunInversion; what outlives the run is in the outcome it returns.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "inversion/engine.h"
#include "inversion/inversion_driver.h"
#include "state/records.h"

namespace layra {

// What the engines and stages work on: the run's data (points left in), the
// working model and settings (those of the outcome) and the engine choices.
struct RunState {
  const SoundingData& data;
  LayeredModel& model;
  InversionSettings& settings;
  InversionOutcome& outcome;
  const EngineOptions& engine;
  const float thicknessFactor;
};

struct InversionRun {
  InversionRun(const SoundingData& data,
               const RunOptions& run_options,
               InversionOutcome& outcome,
               RunObserver& run_observer,
               const std::atomic<bool>* cancel_flag)
      : state{data,
              outcome.model,
              outcome.settings,
              outcome,
              run_options.engine,
              run_options.thickness_factor},
        options(run_options),
        observer(run_observer),
        cancel(cancel_flag) {}

  // True once the run has been asked to stop.
  bool Cancelled() const { return cancel != nullptr && cancel->load(); }

  RunState state;
  const RunOptions& options;
  RunObserver& observer;  // also the listing: progress lines, messages and beeps
  const std::atomic<bool>* cancel;
  int user_model = 0;                       // 1: the run fits the start model's thicknesses too
  std::unique_ptr<InversionEngine> engine;  // chosen by options.engine.engine
  int data_count = 0;
  int layer_count = 0;
  int parameter_count = 0;
  int iteration = 0;    // resistivity iteration shown in the plots
  float misfit = 0.0f;  // resistivity misfit (root mean square of ln residuals), a fraction

  // IP values kept for the plots of the following stages (fractions).
  std::vector<float> observed_ip;  // observed IP values as fractions
  float ip_misfit = 0.0f;

  // The results file, open from the first block to the last.
  ResultsFileStream results_stream;
};

// Writes one progress line.
void ShowProgressLine(InversionRun& run, const std::string& text);

// The per-datum panels of the SIP stage's plot: observed tau, observed c,
// calculated tau, calculated c, and the spectra frequency-major.
struct ColeColePanels {
  const float* observed_tau = nullptr;
  const float* observed_c = nullptr;
  const float* calculated_tau = nullptr;
  const float* calculated_c = nullptr;
  const float* observed_amplitude = nullptr;
  const float* observed_phase = nullptr;
  const float* calculated_amplitude = nullptr;
  const float* calculated_phase = nullptr;
};

// Shows the observer the run at this moment of `stage` (see IterationEvent).
void ShowRunPlot(InversionRun& run, RunStage stage, const ColeColePanels* panels = nullptr);

// The IP and SIP stages; they run after the resistivity stage on the model
// it leaves.
void RunIpStage(InversionRun& run);
void RunSipStage(InversionRun& run);

}  // namespace layra

#endif  // LAYRA_INVERSION_INVERSION_RUN_H_
