// The IP stage: with the layer resistivities and thicknesses of the
// resistivity stage held, fits one chargeability per layer to the observed
// apparent chargeabilities. The engine of the run makes the steps; the stage
// plots after each one and leaves the misfit in the outcome.

#include "inversion/engine.h"
#include "inversion/inversion_run.h"

namespace layra {

void RunIpStage(InversionRun& run) {
  InversionEngine& engine = *run.engine;
  const int limit = run.state.settings.iterationLimit;
  if (engine.BeginIp(run)) {
    for (int iteration = 0; iteration < limit && !run.Cancelled(); ++iteration) {
      bool last = false;
      if (engine.StepIp(run, &last) != StepResult::kStepped) break;
      ShowRunPlot(run, RunStage::kIp);
      if (last) break;
    }
  }
  engine.EndIp(run);
  ShowRunPlot(run, RunStage::kIp);
}

}  // namespace layra
