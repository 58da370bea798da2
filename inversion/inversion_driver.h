#ifndef LAYRA_INVERSION_INVERSION_DRIVER_H_
#define LAYRA_INVERSION_INVERSION_DRIVER_H_

// One inversion of a sounding: plain options in, an outcome out; what the run
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

// What a run is asked to do.
struct RunOptions {
  // Start from `start_model` (its resistivities and thicknesses are fitted);
  // when false, from the many-layer model the engine builds from the data
  // (only the resistivities are fitted).
  bool from_model = false;
  LayeredModel start_model;
  // The data file marks some parameters as fixed; the results file says so.
  bool file_fixes_parameters = false;
  InversionSettings settings;      // iteration, damping and convergence limits; robust choices
  EngineOptions engine;            // engine; data errors, fixed and bounded parameters
  float thickness_factor = 1.25f;  // growth of the automatic model's layers
  // Points of the data left out of the run (1), by position.
  std::array<unsigned char, kMaxPoints> excluded{};
  // The results file, written block by block as the run goes; "" for none.
  std::string results_path;
  // The results file is scratch: removed when the run ends.
  bool remove_results = false;
};

enum class RunStage { kResistivity, kIp, kSip };

struct InversionRun;
struct ColeColePanels;

// The run at one of the moments the documented window plots it: after the
// starting model and every iteration of a stage, and at the end of each
// stage. Valid during the observer's call only.
class IterationEvent {
 public:
  IterationEvent(const InversionRun& run, RunStage stage, const ColeColePanels* panels)
      : run_(run), stage_(stage), panels_(panels) {}

  RunStage stage() const { return stage_; }
  // The resistivity iteration (0: the starting model); the IP and SIP
  // stages carry the last one.
  int iteration() const;
  // The working model (run layers) with its calculated values and misfits
  // so far (outcome().misfits holds one per resistivity iteration).
  const LayeredModel& model() const;
  const InversionOutcome& outcome() const;
  float misfit() const;     // resistivity, a fraction
  float ip_misfit() const;  // IP stage, a fraction

  // The plot the documented window shows at this moment: drawn now, or kept
  // to be drawn later.
  void Draw(Canvas& canvas) const;
  std::unique_ptr<PlotSnapshot> Snapshot() const;

 private:
  PlotInput Input(std::vector<float>* ip_storage) const;

  const InversionRun& run_;
  RunStage stage_;
  const ColeColePanels* panels_;
};

// Receives what a run shows (its listing lines, messages and beeps through
// ListingSink, a plot event after every step) and answers the documented
// questions. The questions are asked only when their moment comes and the
// run has not been asked to stop; the defaults answer as an unattended run:
// the limit is kept, no iterations are added.
class RunObserver : public ListingSink {
 public:
  virtual void Iteration(const IterationEvent& /*event*/) {}
  // The misfit met the convergence limit: the observer may change
  // settings.convergenceLimit; the stage ends when the misfit still meets it.
  virtual void AskConvergenceLimit(InversionSettings& /*settings*/) {}
  // The iteration limit was reached: how many further iterations to make
  // (0 ends the stage).
  virtual int AskAdditionalIterations(const InversionSettings& /*settings*/) { return 0; }
};

// An observer for runs nobody watches: it shows nothing and asks nothing.
class UnattendedObserver : public RunObserver {
 public:
  void Line(const std::string&) override {}
  void Message(const std::string&, const std::string&, MessageIcon) override {}
  bool ShowsLines() const override { return false; }
};

// Inverts `data` as `options` say. The resistivity stage iterates the
// engine's damped least-squares steps until the engine says the stage has
// ended (converged, no step lowers the misfit), the iteration limit is
// reached (and the observer adds no iterations) or `cancel` is set; every
// resistivity iteration is written to the results file and shown to the
// observer. IP and SIP stages follow for those data kinds.
//
// A run that cannot start (no data, too few points left in, a model the
// engine cannot take, a results file that cannot be created) fails with a
// message and touches no file; one cancelled keeps the blocks written so far
// and says so in its message. The outcome holds how the run ended, the final
// model and settings and, per point of `data` (left-out points NaN), the
// calculated values.
InversionOutcome RunInversion(const SoundingData& data,
                              const RunOptions& options,
                              RunObserver& observer,
                              const std::atomic<bool>* cancel = nullptr);

// Whether RunInversion would refuse `options` before it creates the results
// file (no data, too few points left in, a model the engine cannot take):
// the desktop asks for a results file only for a run that can start.
bool RunCanStart(const SoundingData& data, const RunOptions& options);

// The damping schedule between resistivity iterations: lambda * 0.55 after an
// iteration that lowered the misfit, lambda * 2 after one that did not, and
// never below `minimum`.
double NextDampingFactor(double lambda, int improved, double minimum);

}  // namespace layra

#endif  // LAYRA_INVERSION_INVERSION_DRIVER_H_
