#include "inversion/accurate_response.h"

#include <cmath>

#include "forward/accurate_forward.h"

namespace layra {

namespace {

// The observed spacings as the accurate forward takes them. Schlumberger
// data are taken in the limit MN -> 0, as the data file reader leaves them:
// points of several MN levels are shifted onto one level when they are read.
accurate::Geometry MakeGeometry(ArrayType array_type, const std::vector<double>& spacings) {
  accurate::Geometry geometry;
  geometry.type = array_type;
  geometry.spacing = spacings;
  return geometry;
}

}  // namespace

bool AccurateApparentResistivity(ArrayType array_type,
                                 const std::vector<double>& spacings,
                                 const std::vector<double>& resistivity,
                                 const std::vector<double>& thickness,
                                 std::vector<double>& rhoa,
                                 std::vector<double>* log_jacobian) {
  accurate::Layers layers;
  layers.resistivity = resistivity;
  layers.thickness.assign(thickness.begin(), thickness.begin() + (resistivity.size() - 1));
  if (!accurate::ApparentResistivity(
          MakeGeometry(array_type, spacings), layers, rhoa, log_jacobian)) {
    return false;
  }
  for (double value : rhoa) {
    if (!std::isfinite(value) || !(value > 0.0)) return false;
  }
  return true;
}

bool AccurateComplexApparentResistivity(ArrayType array_type,
                                        const std::vector<double>& spacings,
                                        const std::vector<std::complex<double>>& resistivity,
                                        const std::vector<double>& thickness,
                                        std::vector<std::complex<double>>& rhoa,
                                        std::vector<std::complex<double>>* log_jacobian) {
  const std::vector<double> h(thickness.begin(), thickness.begin() + (resistivity.size() - 1));
  if (!accurate::ComplexApparentResistivity(
          MakeGeometry(array_type, spacings), resistivity, h, rhoa, log_jacobian)) {
    return false;
  }
  const size_t n = spacings.size();
  for (const std::complex<double>& value : rhoa) {
    if (!std::isfinite(value.real()) || !std::isfinite(value.imag()) || value == 0.0) return false;
  }
  if (log_jacobian != nullptr) {
    // d ln rhoa_i / d ln rho_j of the resistivity columns.
    log_jacobian->resize(n * resistivity.size());
    for (size_t j = 0; j < resistivity.size(); ++j) {
      for (size_t i = 0; i < n; ++i) (*log_jacobian)[i + j * n] *= resistivity[j] / rhoa[i];
    }
  }
  return true;
}

}  // namespace layra
