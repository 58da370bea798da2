#ifndef LAYRA_INVERSION_PARAMETER_TRANSFORM_H_
#define LAYRA_INVERSION_PARAMETER_TRANSFORM_H_

// The model parameters the accurate engine moves, by name (rho1..rhoL,
// h1..h(L-1), m1.., tau1.., c1..), and the map between their values and the
// free variables x of the fit. Positive quantities (rho, h, tau) move as
// x = ln p, within bounds [lo, hi] as p = exp(ln lo + (ln hi - ln lo) s(x));
// fractions (m, c) move as p = lo + (hi - lo) s(x) with [lo, hi] = [0, 1]
// unless bounded; s is the logistic function. Bounds therefore hold for
// every x, with no clipping. Fixed parameters are not free variables; their
// values are never rewritten.

#include <string>
#include <vector>

#include "state/engine_options.h"

namespace layra {

enum class ParameterKind { kResistivity, kThickness, kChargeability, kTimeConstant, kExponent };

struct ModelParameter {
  std::string name;
  ParameterKind kind = ParameterKind::kResistivity;
  double value = 0.0;
  bool fixed = false;
  bool bounded = false;
  double low = 0.0;
  double high = 0.0;
};

// The parameters of `kind` for layers 1..layer_count ("rho", "h" for
// layers 1..L-1, "m", "tau", "c"), with `values` (one per parameter).
void AppendParameters(ParameterKind kind,
                      const std::vector<double>& values,
                      std::vector<ModelParameter>& parameters);

// Marks the parameters `options` fixes or bounds. With `known_names`, every
// name of the options must be one of them (or of `parameters`): a name no
// parameter of the model has is refused with a message, as is a parameter
// bounded twice or both fixed and bounded. Names known to the run but not to
// this stage are skipped.
bool ApplyChoices(const EngineOptions& options,
                  const std::vector<std::string>& known_names,
                  std::vector<ModelParameter>& parameters,
                  std::string* message);

class ParameterTransform {
 public:
  explicit ParameterTransform(std::vector<ModelParameter> parameters);

  int FreeCount() const { return static_cast<int>(free_.size()); }
  const std::vector<ModelParameter>& parameters() const { return parameters_; }
  // Index into parameters() of free variable k.
  int FreeIndex(int k) const { return free_[k]; }

  // Free variables of the current values (values outside their bounds are
  // first moved just inside).
  std::vector<double> ToFree() const;
  // Sets the free parameters' values from x; d p / d x of each free
  // variable into derivative (when not null).
  void FromFree(const std::vector<double>& x, std::vector<double>* derivative);
  // Values of all parameters, in order.
  std::vector<double> Values() const;
  // True when free variable k, at x_k, lies within a part in 10^4 of its
  // range from a bound and `descent` (the descent direction's component in
  // x_k) pushes it toward that bound: the bound holds it.
  bool Pinned(int k, double x_k, double descent) const;

 private:
  std::vector<ModelParameter> parameters_;
  std::vector<int> free_;
};

}  // namespace layra

#endif  // LAYRA_INVERSION_PARAMETER_TRANSFORM_H_
