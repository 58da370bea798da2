#ifndef LAYRA_STATE_FIT_REPORT_H_
#define LAYRA_STATE_FIT_REPORT_H_

// How a resistivity fit of the accurate engine ended: whether it is a fit to
// rely on and, when not, why; the data error it estimated; the parameters
// that ended at a bound; the starts it tried. Front ends show `status` and
// `reason` (summary, listing, JSON, status bar).

#include <string>
#include <vector>

namespace layra {

enum class FitStatus {
  kOk,            // at a minimum and, for an automatic run, at its target misfit
  kAboveTarget,   // an automatic run whose least reachable misfit is above its target
  kNotAtMinimum,  // the fit was stopped (iteration limit) while its misfit still fell
};

// "ok", "above target", "not at minimum".
inline const char* FitStatusName(FitStatus status) {
  switch (status) {
    case FitStatus::kOk:
      return "ok";
    case FitStatus::kAboveTarget:
      return "above target";
    case FitStatus::kNotAtMinimum:
      return "not at minimum";
  }
  return "ok";
}

// A parameter that ended within a part in 1000 of its range from a bound.
struct BoundHit {
  std::string name;    // rho1.., h1..
  bool high = false;   // the upper bound; otherwise the lower
  double bound = 0.0;  // ohm-m or m
  bool user = false;   // a bound the user gave; otherwise a default one
};

struct FitReport {
  bool assessed = false;  // filled by the accurate engine's resistivity stage
  FitStatus status = FitStatus::kOk;
  std::string reason;        // why the fit is not ok, for people; empty when ok
  double target_chi2 = 0.0;  // chi^2 / N aimed at (automatic runs)
  double least_chi2 = 0.0;  // chi^2 / N of the least-misfit model, when the target was out of reach
  bool file_errors = false;  // the data carry errors of their own
  bool error_estimated = false;
  double error_percent = 0.0;  // the error used for data without one, in percent
  std::vector<BoundHit> bound_hits;
  int starts = 0;      // few-layer runs: starts tried
  int best_start = 0;  // 1-based; 1 is the model's own start
  std::string best_start_name;
  double own_start_chi2 = 0.0;  // chi^2 / N reached from the model's own start
};

}  // namespace layra

#endif  // LAYRA_STATE_FIT_REPORT_H_
