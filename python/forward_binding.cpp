// layra.forward: the response of a layered earth at any number of spacings
// by either engine, with the apparent chargeability and the Cole-Cole
// spectrum where asked. The arrays are checked here, where their names are
// known, and handed to the core's forward functions unchanged.

#include <pybind11/complex.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numeric>
#include <optional>

#include "cli/json_util.h"
#include "fileio/model_file.h"
#include "forward/accurate_forward.h"
#include "forward/filter_set.h"
#include "forward/ip_response.h"
#include "forward/resistivity_kernel.h"
#include "forward/sip_response.h"
#include "python/bindings.h"
#include "python/conversions.h"

namespace layra::python {
namespace {

using ComplexArray = py::array_t<std::complex<double>>;

struct ForwardInput {
  ArrayType array = ArrayType::kSchlumberger;
  EngineKind engine = EngineKind::kAccurate;
  std::vector<double> resistivity;
  std::vector<double> thickness;
  std::vector<double> spacings;
  std::vector<double> mn;  // empty: the limit MN -> 0
  std::vector<double> chargeability;
  std::vector<double> time_constant;
  std::vector<double> exponent;
  std::vector<double> frequencies;
  bool with_ip = false;
  bool with_spectrum = false;
};

struct ForwardOutput {
  std::vector<double> resistivity;
  std::vector<double> chargeability;
  std::vector<std::complex<double>> spectrum;  // spacing i, frequency k at i * nf + k
  int replaced = 0;                            // values the documented filter's guard replaced
  bool computed = true;
};

// Refuses the first value of `values` that `accept` does not take, naming it
// by its Python index.
template <typename Accept>
void CheckEach(const std::vector<double>& values,
               const char* name,
               const char* rule,
               Accept accept) {
  for (size_t i = 0; i < values.size(); ++i) {
    if (!accept(values[i])) {
      Refuse(std::string(name) + ": " + rule + " (" + name + "[" + std::to_string(i) + "] is " +
             std::string(py::repr(py::float_(values[i]))) + ")");
    }
  }
}

void CheckLength(const std::vector<double>& values, size_t expected, const char* name) {
  if (values.size() != expected) {
    Refuse(std::string(name) + ": expected " + std::to_string(expected) +
           " values, one per layer, got " + std::to_string(values.size()));
  }
}

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

// Positive and still positive and finite as a float: the documented engine
// computes in single precision.
bool PositiveFloat(double v) {
  const float f = static_cast<float>(v);
  return Positive(v) && std::isfinite(f) && f > 0.0f;
}

void CheckInput(const ForwardInput& in) {
  const size_t layers = in.resistivity.size();
  const bool documented = in.engine == EngineKind::kDocumented;
  auto positive = documented ? PositiveFloat : Positive;
  if (layers == 0) Refuse("resistivity: a model needs at least one layer");
  if (documented && layers > static_cast<size_t>(kMaxLayers)) {
    Refuse("resistivity: the documented engine takes at most " + std::to_string(kMaxLayers) +
           " layers, got " + std::to_string(layers));
  }
  CheckEach(in.resistivity, "resistivity", "every value must be positive", positive);
  if (in.thickness.size() != layers - 1) {
    Refuse("thickness: expected " + std::to_string(layers - 1) + " values for " +
           std::to_string(layers) + " layers (none for the half-space), got " +
           std::to_string(in.thickness.size()));
  }
  CheckEach(in.thickness, "thickness", "every value must be positive", positive);
  if (in.spacings.empty()) Refuse("spacings: no spacing given");
  CheckEach(in.spacings, "spacings", "every spacing must be positive", positive);
  if (!in.mn.empty()) {
    if (!Traits(in.array).second_spacing) Refuse("mn: a Wenner array has no MN/2 of its own");
    if (documented) {
      Refuse(
          "mn: the documented engine computes Schlumberger soundings in the limit MN -> 0; "
          "use engine='accurate' for a given MN/2");
    }
    for (size_t i = 0; i < in.mn.size(); ++i) {
      if (!(std::isfinite(in.mn[i]) && in.mn[i] >= 0.0 && in.mn[i] < in.spacings[i])) {
        Refuse("mn: MN/2 must be at least 0 and below its AB/2 (mn[" + std::to_string(i) + "] is " +
               std::string(py::repr(py::float_(in.mn[i]))) + ", AB/2 " +
               std::string(py::repr(py::float_(in.spacings[i]))) + ")");
      }
    }
  }
  if (in.with_ip) {
    CheckLength(in.chargeability, layers, "chargeability");
    CheckEach(in.chargeability,
              "chargeability",
              "every value must be at least 0 and below 1",
              [](double m) { return m >= 0.0 && m < 1.0; });
  }
  if (!in.with_spectrum) return;
  CheckLength(in.time_constant, layers, "time_constant");
  CheckLength(in.exponent, layers, "exponent");
  if (in.frequencies.empty()) Refuse("frequencies: no frequency given");
  // Far outside these ranges the documented engine's single-precision
  // response overflows; the model file reader keeps to the same.
  const double tau_low = documented ? kMinTimeConstant : 0.0;
  const double tau_high = documented ? kMaxTimeConstant : std::numeric_limits<double>::max();
  const double f_low = documented ? kMinFrequency : 0.0;
  const double f_high = documented ? kMaxFrequency : std::numeric_limits<double>::max();
  CheckEach(in.time_constant,
            "time_constant",
            documented ? "every value must lie in 1e-06..10000 s for the documented engine"
                       : "every value must be at least 0",
            [&](double t) { return std::isfinite(t) && t >= tau_low && t <= tau_high; });
  CheckEach(in.exponent, "exponent", "every value must lie in (0, 1]", [](double c) {
    return c > 0.0 && c <= 1.0;
  });
  CheckEach(in.frequencies,
            "frequencies",
            documented ? "every value must lie in 1e-06..1e+09 Hz for the documented engine"
                       : "every frequency must be positive",
            [&](double f) { return std::isfinite(f) && f > f_low && f <= f_high; });
}

std::vector<float> Floats(const std::vector<double>& values, size_t at_least = 0) {
  std::vector<float> floats(std::max(values.size(), at_least));
  std::copy(values.begin(), values.end(), floats.begin());
  return floats;
}

ForwardOutput ComputeAccurate(const ForwardInput& in) {
  ForwardOutput out;
  accurate::Geometry geometry;
  geometry.type = in.array;
  geometry.spacing = in.spacings;
  geometry.mn2 = in.mn;
  const accurate::Layers earth{in.resistivity, in.thickness};
  if (in.with_ip) {
    out.computed = accurate::ApparentChargeability(
        geometry, earth, in.chargeability, out.chargeability, nullptr, &out.resistivity);
  } else {
    out.computed = accurate::ApparentResistivity(geometry, earth, out.resistivity);
  }
  if (!out.computed || !in.with_spectrum) return out;
  const accurate::ColeColeLayers layers{
      in.resistivity, in.thickness, in.chargeability, in.time_constant, in.exponent};
  const size_t n = in.spacings.size();
  const size_t nf = in.frequencies.size();
  out.spectrum.resize(n * nf);
  std::vector<std::complex<double>> z;
  for (size_t k = 0; k < nf && out.computed; ++k) {
    out.computed = accurate::ColeColeApparentResistivity(geometry, layers, in.frequencies[k], z);
    for (size_t i = 0; i < z.size(); ++i) out.spectrum[i * nf + k] = z[i];
  }
  return out;
}

// The documented filter in single precision, on the spacings in ascending
// order (the order its grid and spline need), put back in the caller's order.
// Its float values become the doubles of their shortest decimals, as in the
// command line's JSON.
ForwardOutput ComputeDocumented(const ForwardInput& in) {
  const size_t n = in.spacings.size();
  const int count = static_cast<int>(n);
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return in.spacings[a] < in.spacings[b];
  });
  std::vector<float> spacings(n);
  for (size_t i = 0; i < n; ++i) spacings[i] = static_cast<float>(in.spacings[order[i]]);

  const FilterSet filter = SelectFilter(in.array);
  const int layers = static_cast<int>(in.resistivity.size());
  const std::vector<float> resistivity = Floats(in.resistivity);
  const std::vector<float> thickness = Floats(in.thickness, 1);
  std::vector<float> rhoa(n);
  std::vector<float> ma(n);
  ForwardOutput out;
  out.replaced = ComputeApparentResistivity(filter.ratio,
                                            filter.shift,
                                            spacings.data(),
                                            filter.length,
                                            filter.coefficients.data(),
                                            thickness.data(),
                                            resistivity.data(),
                                            layers,
                                            rhoa.data(),
                                            count);
  LayeredModel model;
  model.layerCount = layers;
  std::copy(resistivity.begin(), resistivity.end(), model.resistivity.begin());
  std::copy(in.thickness.begin(), in.thickness.end(), model.thickness.begin());
  std::copy(in.chargeability.begin(), in.chargeability.end(), model.chargeability.begin());
  std::copy(in.time_constant.begin(), in.time_constant.end(), model.timeConstant.begin());
  std::copy(in.exponent.begin(), in.exponent.end(), model.exponent.begin());
  if (in.with_ip) {
    ComputeApparentChargeability(model, spacings.data(), count, filter, rhoa.data(), ma.data());
  }
  out.resistivity.resize(n);
  for (size_t i = 0; i < n; ++i) out.resistivity[order[i]] = cli::ShortestDecimal(rhoa[i]);
  if (in.with_ip) {
    out.chargeability.resize(n);
    for (size_t i = 0; i < n; ++i) out.chargeability[order[i]] = cli::ShortestDecimal(ma[i]);
  }
  if (!in.with_spectrum) return out;
  const int nf = static_cast<int>(in.frequencies.size());
  const std::vector<float> frequencies = Floats(in.frequencies);
  const size_t values = n * in.frequencies.size();
  std::vector<float> amplitude(values), phase(values), real(values), imaginary(values);
  ComputeSpectralResponse(filter.shift,
                          filter.length,
                          filter.coefficients.data(),
                          filter.ratio,
                          spacings.data(),
                          layers,
                          nf,
                          frequencies.data(),
                          model.thickness.data(),
                          model.resistivity.data(),
                          model.chargeability.data(),
                          model.timeConstant.data(),
                          model.exponent.data(),
                          count,
                          amplitude.data(),
                          phase.data(),
                          real.data(),
                          imaginary.data(),
                          SpectralLayout::kPointMajor);
  out.spectrum.resize(values);
  for (size_t i = 0; i < n; ++i) {
    for (int k = 0; k < nf; ++k) {
      const size_t from = i * nf + k;
      out.spectrum[order[i] * nf + k] = {cli::ShortestDecimal(real[from]),
                                         cli::ShortestDecimal(imaginary[from])};
    }
  }
  return out;
}

py::object Forward(const DoubleArray& resistivity,
                   const DoubleArray& thickness,
                   const DoubleArray& spacings,
                   const std::string& array,
                   const std::string& engine,
                   const std::optional<DoubleArray>& mn,
                   const std::optional<DoubleArray>& chargeability,
                   const std::optional<DoubleArray>& time_constant,
                   const std::optional<DoubleArray>& exponent,
                   const std::optional<DoubleArray>& frequencies) {
  ForwardInput in;
  in.array = ParseArray(array);
  in.engine = ParseEngine(engine);
  if (resistivity.ndim() != 1) Refuse("resistivity: expected a 1-D array, one value per layer");
  if (thickness.ndim() != 1) Refuse("thickness: expected a 1-D array");
  in.resistivity = ToVector(resistivity);
  in.thickness = ToVector(thickness);
  in.spacings = ToVector(spacings);
  if (mn) {
    in.mn = ToVector(*mn);
    if (mn->ndim() == 0) in.mn.assign(in.spacings.size(), in.mn.front());
    if (in.mn.size() != in.spacings.size()) {
      Refuse("mn: expected one MN/2 per spacing or a single value, got " +
             std::to_string(in.mn.size()) + " for " + std::to_string(in.spacings.size()) +
             " spacings");
    }
  }
  in.with_spectrum = time_constant || exponent || frequencies;
  in.with_ip = chargeability.has_value() || in.with_spectrum;
  if (in.with_spectrum && !(chargeability && time_constant && exponent && frequencies)) {
    Refuse(
        "a spectral (Cole-Cole) response needs chargeability, time_constant, exponent and "
        "frequencies together");
  }
  if (chargeability) in.chargeability = ToVector(*chargeability);
  if (in.with_spectrum) {
    in.time_constant = ToVector(*time_constant);
    in.exponent = ToVector(*exponent);
    in.frequencies = ToVector(*frequencies);
  }
  CheckInput(in);

  ForwardOutput out;
  {
    py::gil_scoped_release released;
    out = in.engine == EngineKind::kAccurate ? ComputeAccurate(in) : ComputeDocumented(in);
  }
  if (!out.computed) Refuse("the accurate engine cannot compute this model");
  if (out.replaced > 0) Warn(FilterGuardWarning(out.replaced));

  std::vector<py::ssize_t> shape(spacings.shape(), spacings.shape() + spacings.ndim());
  DoubleArray rhoa = ToArray(out.resistivity, shape);
  if (!in.with_ip) return std::move(rhoa);
  DoubleArray ma = ToArray(out.chargeability, shape);
  if (!in.with_spectrum) return py::make_tuple(rhoa, ma);
  shape.push_back(static_cast<py::ssize_t>(in.frequencies.size()));
  ComplexArray spectrum(shape);
  std::copy(out.spectrum.begin(), out.spectrum.end(), spectrum.mutable_data());
  return py::make_tuple(rhoa, ma, spectrum);
}

constexpr const char* kForwardDoc = R"(Apparent resistivity of a horizontally layered earth.

resistivity: layer resistivities (ohm-m), top layer first; the last layer
    is the half-space.
thickness: thicknesses (m) of every layer but the half-space.
spacings: electrode spacings (m), any shape: the Wenner a or the
    Schlumberger AB/2. The results have the same shape.
array: "schlumberger" or "wenner".
engine: "accurate" (double precision at every spacing, to about 1e-6) or
    "documented" (the documented filter and spline in single precision).
mn: Schlumberger MN/2 (m) per spacing, or one value for all; None is the
    limit MN -> 0 (accurate engine only).
chargeability: layer chargeabilities (fractions, 0 <= m < 1): adds the
    apparent chargeability (a fraction).
time_constant, exponent, frequencies: Cole-Cole tau (s) and c of every
    layer and the frequencies (Hz): adds the complex apparent resistivity at
    every spacing and frequency (needs chargeability too).

Returns the apparent resistivities (ohm-m) as a numpy array; with
chargeability a tuple (resistivity, chargeability); with the Cole-Cole
parameters (resistivity, chargeability, spectrum), spectrum complex of shape
spacings.shape + (len(frequencies),).

Raises ValueError for a model or geometry the engine cannot compute. Where
the documented filter's guard replaced values, a UserWarning says so.

Example: layra.forward([100, 10], [5], [1, 2, 5, 10, 20, 50], array="wenner")
)";

}  // namespace

void BindForward(py::module_& module) {
  module.def("forward",
             &Forward,
             py::arg("resistivity"),
             py::arg("thickness"),
             py::arg("spacings"),
             py::arg("array") = "schlumberger",
             py::arg("engine") = "accurate",
             py::arg("mn") = py::none(),
             py::arg("chargeability") = py::none(),
             py::arg("time_constant") = py::none(),
             py::arg("exponent") = py::none(),
             py::arg("frequencies") = py::none(),
             kForwardDoc);
}

}  // namespace layra::python
