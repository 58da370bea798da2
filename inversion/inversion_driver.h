#ifndef LAYRA_INVERSION_INVERSION_DRIVER_H_
#define LAYRA_INVERSION_INVERSION_DRIVER_H_

#include "platform/canvas.h"
#include "platform/host.h"
#include "state/records.h"

namespace layra {

// One complete inversion of state.data: names and creates the results file,
// builds (automatic) or takes (user model) the starting model, iterates the
// damped least-squares update until the fit converges, stops improving or
// reaches the iteration limit, writes every resistivity iteration to the
// results file and plots after every iteration; IP and SIP stages follow for
// those data kinds. user_model: 0 automatic many-layer run, 1 run from
// state.model. silent: 0 interactive (results file chosen through the host,
// prompts shown), 1 silent (".INx" file deleted at the end, no prompts).
// How the run ended is left in state.outcome.runStatus and runMessage.
void RunInversion(ProgramState& state, int user_model, int silent, Canvas& canvas, Host& host);

// The damping schedule between resistivity iterations: lambda * 0.55 after an
// iteration that lowered the misfit, lambda * 2 after one that did not, and
// never below `minimum`.
double NextDampingFactor(double lambda, int improved, double minimum);

}  // namespace layra

#endif  // LAYRA_INVERSION_INVERSION_DRIVER_H_
