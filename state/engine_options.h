#ifndef LAYRA_STATE_ENGINE_OPTIONS_H_
#define LAYRA_STATE_ENGINE_OPTIONS_H_

// Which inversion engine a run uses, and the choices that only the accurate
// engine honours: data errors, fixed and bounded parameters. The documented
// engine ignores everything here except `engine`.

#include <string>
#include <vector>

namespace layra {

enum class EngineKind {
  kDocumented = 0,  // the documented filter-and-spline method, the default
  kAccurate = 1,    // exact forward at every spacing, error-weighted fits
};

// A parameter held inside [low, high]. Names: rho1..rhoL, h1..h(L-1), and for
// the IP and SIP stages m1.., tau1.., c1...
struct ParameterBound {
  std::string name;
  double low = 0.0;
  double high = 0.0;
};

struct EngineOptions {
  EngineKind engine = EngineKind::kDocumented;
  // Standard deviations of the data, in percent of the value: no datum is
  // weighted as more precise than the floor, and data without an error in
  // the file are given the assumed error.
  double errorFloorPercent = 1.0;
  double assumedErrorPercent = 3.0;
  // Accurate engine: data without an error get one estimated from the data
  // themselves (the noise level the smooth fit leaves, by generalised
  // cross-validation) instead of the assumed error, never below the floor.
  // Giving an assumed error (the command line's --assumed-error) clears it.
  bool estimateErrors = true;
  std::vector<std::string> fixed;  // parameters held at their starting values
  std::vector<ParameterBound> bounds;
};

inline const char* EngineName(EngineKind engine) {
  return engine == EngineKind::kAccurate ? "accurate" : "documented";
}

}  // namespace layra

#endif  // LAYRA_STATE_ENGINE_OPTIONS_H_
