#ifndef LAYRA_INVERSION_ENGINE_H_
#define LAYRA_INVERSION_ENGINE_H_

// What differs between the two inversion engines: the forward response and
// its sensitivities, the weighting of the misfit, the step control and the
// regularisation. The stages (resistivity, IP, SIP), the results file, the
// plots and the progress lines are shared and call the engine of the run
// through this interface.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "state/records.h"

namespace layra {

struct InversionRun;

// What one iteration of a stage did.
enum class StepResult {
  kStepped,   // the working model is the new one (it may not fit better)
  kNoStep,    // no step could be computed; the model is unchanged
  kFinished,  // no step improves the model, which is the best found; the stage ends
  kFailed,    // the run must end; the outcome holds the message
};

// The SIP stage's spectra, point-major (datum i, frequency k at i * nf + k).
struct SipSpectra {
  int frequencies = 0;
  std::vector<float> observed_amplitude;  // ohm-m
  std::vector<float> observed_phase;      // milliradians
  std::vector<float> amplitude;           // of the working model
  std::vector<float> phase;
  float misfit = 0.0f;  // of the working model; infinite when it has no response
};

class InversionEngine {
 public:
  virtual ~InversionEngine() = default;
  virtual EngineKind kind() const = 0;

  // The many-layer starting model of an automatic run into state.model;
  // returns its layer count.
  virtual int BuildAutomaticModel(InversionRun& run) = 0;
  // Most layers a run of this engine takes.
  virtual int MaxRunLayers() const = 0;
  // Refuses choices of the run the model cannot honour (a fixed or bounded
  // parameter it does not have); false with the message.
  virtual bool CheckChoices(const InversionRun& run, std::string* message) const = 0;

  // Resistivity stage. Evaluate leaves the response of state.model in
  // outcome.calculatedResistivity and its misfit in run.misfit (infinite when
  // the response is not a finite positive number everywhere).
  virtual void BeginResistivity(InversionRun& run) = 0;
  virtual void EvaluateResistivity(InversionRun& run) = 0;
  // One iteration: moves state.model and evaluates it.
  virtual StepResult StepResistivity(InversionRun& run) = 0;
  // Whether (and why) the working model ends the stage before an iteration.
  virtual std::optional<StopReason> Ended(const InversionRun& run) const = 0;
  // After an iteration that did or did not lower the misfit: updates the step
  // control and says whether the stage ends, asking the run's observer where
  // the engine's rule involves the user. By default as Ended.
  virtual std::optional<StopReason> EndedAfterStep(InversionRun& run, bool /*improved*/) {
    return Ended(run);
  }
  // After the stage's last iteration: says in the listing and the outcome how
  // the fit ended (nothing by default).
  virtual void EndResistivity(InversionRun& /*run*/) {}

  // IP stage: IP values as fractions; BeginIp sets the starting
  // chargeabilities and returns false when there is nothing to fit; StepIp
  // makes one iteration and sets *last when it is the final one.
  virtual std::vector<float> ObservedIpFractions(const SoundingData& data) const = 0;
  virtual bool BeginIp(InversionRun& run) = 0;
  virtual StepResult StepIp(InversionRun& run, bool* last) = 0;
  virtual void EndIp(InversionRun& run) = 0;

  // SIP stage: the layers' tau and c start from the values the stage puts
  // into state.model; BeginSip evaluates that model, StepSip makes one
  // iteration and returns false when the stage ends. Both leave the spectra
  // of the working model in `spectra`.
  virtual int SipIterationLimit(const InversionRun& run) const = 0;
  virtual bool BeginSip(InversionRun& run, SipSpectra& spectra) = 0;
  virtual bool StepSip(InversionRun& run, SipSpectra& spectra) = 0;
};

// The engine of `kind`.
std::unique_ptr<InversionEngine> MakeEngine(EngineKind kind);
std::unique_ptr<InversionEngine> MakeDocumentedEngine();
std::unique_ptr<InversionEngine> MakeAccurateEngine();

}  // namespace layra

#endif  // LAYRA_INVERSION_ENGINE_H_
