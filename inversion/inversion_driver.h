#ifndef LAYRA_INVERSION_INVERSION_DRIVER_H_
#define LAYRA_INVERSION_INVERSION_DRIVER_H_

// One inversion of a sounding: plain options in, an outcome out; what it
// shows and asks goes to an observer.

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "graphics/plot_snapshot.h"
#include "platform/canvas.h"
#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

struct RunOptions {  // what a run is asked to do
  // Start from `start_model` (resistivities and thicknesses fitted), else
  // from the engine's many-layer model of the data (resistivities only).
  bool from_model = false;
  LayeredModel start_model;
  bool file_fixes_parameters = false;  // the data file marks some as fixed
  InversionSettings settings;          // iteration, damping and convergence limits; robust choices
  EngineOptions engine;                // engine; data errors, fixed and bounded parameters
  float thickness_factor = 1.25f;      // growth of the automatic model's layers
  std::array<unsigned char, kMaxPoints> excluded{};  // points left out (1), by position
  std::string results_path;     // written block by block as the run goes; "" for none
  bool remove_results = false;  // scratch: removed when the run ends
};

enum class RunStage { kResistivity, kIp, kSip };

struct InversionRun;
struct ColeColePanels;

// The run when the documented window plots it: after the starting model and
// each iteration of a stage, and at each stage's end. Valid during the
// observer's call only.
class IterationEvent {
 public:
  IterationEvent(const InversionRun& run, RunStage stage, const ColeColePanels* panels)
      : run_(run), stage_(stage), panels_(panels) {}

  RunStage stage() const { return stage_; }
  int iteration() const;  // resistivity iteration (0: start); IP and SIP keep the last
  // The working model with its calculated values and misfits so far.
  const LayeredModel& model() const;
  const InversionOutcome& outcome() const;
  float misfit() const;     // resistivity, a fraction
  float ip_misfit() const;  // IP stage, a fraction

  // The documented window's plot of this moment: drawn now, or kept.
  void Draw(Canvas& canvas) const;
  std::unique_ptr<PlotSnapshot> Snapshot() const;

 private:
  PlotInput Input(std::vector<float>* ip_storage) const;

  const InversionRun& run_;
  RunStage stage_;
  const ColeColePanels* panels_;
};

// Receives what a run shows (listing lines, messages and beeps; a plot
// event after every step) and answers the documented questions, asked only
// while the run is not stopping. The defaults keep the limit and add no
// iterations, as an unattended run.
class RunObserver : public ListingSink {
 public:
  virtual void Iteration(const IterationEvent& /*event*/) {}
  // The misfit met the convergence limit, which the observer may change.
  virtual void AskConvergenceLimit(InversionSettings& /*settings*/) {}
  // The iteration limit was reached: how many more iterations (0: none).
  virtual int AskAdditionalIterations(const InversionSettings& /*settings*/) { return 0; }
};

class UnattendedObserver : public RunObserver {  // shows nothing, asks nothing
 public:
  void Line(const std::string&) override {}
  void Message(const std::string&, const std::string&, MessageIcon) override {}
  bool ShowsLines() const override { return false; }
};

// Inverts `data` as `options` say: the engine's resistivity steps until the
// engine ends the stage, the iteration limit is reached (and the observer
// adds none) or `cancel` is set, each iteration written to the results file
// and shown to the observer; then the IP and SIP stages of those data kinds.
// A run that cannot start (no data, too few points left in, a model the
// engine cannot take, no results file) fails with a message and touches no
// file; a cancelled one keeps the blocks written and says so. The outcome
// holds how the run ended, the final model and settings and the calculated
// values per point of `data` (left-out points NaN).
InversionOutcome RunInversion(const SoundingData& data,
                              const RunOptions& options,
                              RunObserver& observer,
                              const std::atomic<bool>* cancel = nullptr);

// Whether RunInversion would take `options` up to creating the results file:
// the desktop asks for a results file only for a run that can start.
bool RunCanStart(const SoundingData& data, const RunOptions& options);

// The damping schedule between resistivity iterations: lambda * 0.55 after an
// iteration that lowered the misfit, lambda * 2 after one that did not, and
// never below `minimum`.
double NextDampingFactor(double lambda, int improved, double minimum);

}  // namespace layra

#endif  // LAYRA_INVERSION_INVERSION_DRIVER_H_
