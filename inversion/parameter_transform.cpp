#include "inversion/parameter_transform.h"

#include <algorithm>
#include <cmath>

namespace layra {

namespace {

const char* Prefix(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::kResistivity:
      return "rho";
    case ParameterKind::kThickness:
      return "h";
    case ParameterKind::kChargeability:
      return "m";
    case ParameterKind::kTimeConstant:
      return "tau";
    case ParameterKind::kExponent:
      return "c";
  }
  return "";
}

bool IsFraction(ParameterKind kind) {
  return kind == ParameterKind::kChargeability || kind == ParameterKind::kExponent;
}

double Logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// The range a parameter moves in: its bounds, or (0, 1) for fractions.
void Range(const ModelParameter& p, double* low, double* high) {
  if (IsFraction(p.kind)) {
    *low = p.bounded ? std::max(p.low, 0.0) : 0.0;
    *high = p.bounded ? std::min(p.high, 1.0) : 1.0;
  } else {
    *low = std::log(p.low);
    *high = std::log(p.high);
  }
}

}  // namespace

void AppendParameters(ParameterKind kind,
                      const std::vector<double>& values,
                      std::vector<ModelParameter>& parameters) {
  for (size_t j = 0; j < values.size(); ++j) {
    ModelParameter p;
    p.name = Prefix(kind) + std::to_string(j + 1);
    p.kind = kind;
    p.value = values[j];
    parameters.push_back(p);
  }
}

bool ApplyChoices(const EngineOptions& options,
                  const std::vector<std::string>& known_names,
                  std::vector<ModelParameter>& parameters,
                  std::string* message) {
  auto find = [&](const std::string& name) -> ModelParameter* {
    for (ModelParameter& p : parameters) {
      if (p.name == name) return &p;
    }
    return nullptr;
  };
  auto known = [&](const std::string& name) {
    return std::find(known_names.begin(), known_names.end(), name) != known_names.end();
  };
  // One range per parameter, and none for a parameter held at its start.
  for (size_t k = 0; k < options.bounds.size(); ++k) {
    const std::string& name = options.bounds[k].name;
    for (size_t earlier = 0; earlier < k; ++earlier) {
      if (options.bounds[earlier].name == name) {
        *message = "The parameter " + name + " is bounded twice; give it one range.";
        return false;
      }
    }
    if (std::find(options.fixed.begin(), options.fixed.end(), name) != options.fixed.end()) {
      *message = "The parameter " + name +
                 " is both fixed and bounded; a fixed parameter keeps its starting value.";
      return false;
    }
  }
  for (const std::string& name : options.fixed) {
    if (ModelParameter* p = find(name)) {
      p->fixed = true;
    } else if (!known(name)) {
      *message = "The model has no parameter " + name + " to fix.";
      return false;
    }
  }
  for (const ParameterBound& bound : options.bounds) {
    ModelParameter* p = find(bound.name);
    if (p == nullptr) {
      if (known(bound.name)) continue;
      *message = "The model has no parameter " + bound.name + " to bound.";
      return false;
    }
    const bool positive = !IsFraction(p->kind);
    const bool valid = std::isfinite(bound.low) && std::isfinite(bound.high) &&
                       bound.low < bound.high && (positive ? bound.low > 0.0 : bound.low >= 0.0) &&
                       (positive || bound.high <= 1.0);
    if (!valid) {
      *message = "The bound of " + bound.name + " must be a range LOW:HIGH with LOW < HIGH" +
                 (positive ? ", LOW above 0." : " inside 0..1.");
      return false;
    }
    p->bounded = true;
    p->low = bound.low;
    p->high = bound.high;
  }
  return true;
}

ParameterTransform::ParameterTransform(std::vector<ModelParameter> parameters)
    : parameters_(std::move(parameters)) {
  for (size_t i = 0; i < parameters_.size(); ++i) {
    if (!parameters_[i].fixed) free_.push_back(static_cast<int>(i));
  }
}

std::vector<double> ParameterTransform::ToFree() const {
  std::vector<double> x(free_.size());
  for (size_t k = 0; k < free_.size(); ++k) {
    const ModelParameter& p = parameters_[free_[k]];
    if (!p.bounded && !IsFraction(p.kind)) {
      x[k] = std::log(p.value);
      continue;
    }
    double low = 0.0, high = 0.0;
    Range(p, &low, &high);
    const double u = IsFraction(p.kind) ? p.value : std::log(p.value);
    // A start on or beyond a bound moves a thousandth of the range inside.
    const double margin = 1e-3 * (high - low);
    const double s = (std::min(std::max(u, low + margin), high - margin) - low) / (high - low);
    x[k] = std::log(s / (1.0 - s));
  }
  return x;
}

void ParameterTransform::FromFree(const std::vector<double>& x, std::vector<double>* derivative) {
  if (derivative != nullptr) derivative->assign(free_.size(), 0.0);
  for (size_t k = 0; k < free_.size(); ++k) {
    ModelParameter& p = parameters_[free_[k]];
    double d = 0.0;
    if (!p.bounded && !IsFraction(p.kind)) {
      p.value = std::exp(x[k]);
      d = p.value;
    } else {
      double low = 0.0, high = 0.0;
      Range(p, &low, &high);
      const double s = Logistic(x[k]);
      const double u = low + (high - low) * s;
      const double du = (high - low) * s * (1.0 - s);
      p.value = IsFraction(p.kind) ? u : std::exp(u);
      d = IsFraction(p.kind) ? du : p.value * du;
    }
    if (derivative != nullptr) (*derivative)[k] = d;
  }
}

bool ParameterTransform::Pinned(int k, double x_k, double descent) const {
  const ModelParameter& p = parameters_[free_[k]];
  if (!p.bounded && !IsFraction(p.kind)) return false;
  constexpr double kPinned = 1e-4;
  const double s = Logistic(x_k);
  return (s > 1.0 - kPinned && descent > 0.0) || (s < kPinned && descent < 0.0);
}

std::vector<double> ParameterTransform::Values() const {
  std::vector<double> values(parameters_.size());
  for (size_t i = 0; i < parameters_.size(); ++i) values[i] = parameters_[i].value;
  return values;
}

}  // namespace layra
