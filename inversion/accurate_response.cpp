#include "inversion/accurate_response.h"

#include <cmath>

#include "forward/filter_set.h"

namespace layra {

namespace {

// The array's filter evaluated directly at each spacing in double precision
// (no grid, no spline), with the transform's derivatives by reverse
// accumulation through the recurrence T_i = rho_i (T_{i+1} + t rho_i) /
// (rho_i + t T_{i+1}), t = tanh(lambda h_i / 2). Scalar is double or
// std::complex<double>; jacobian (absolute, d rhoa / d p) is n by 2L-1.
template <typename Scalar>
bool FilterResponse(ArrayType array_type,
                    const std::vector<double>& spacings,
                    const std::vector<Scalar>& rho,
                    const std::vector<double>& h,
                    std::vector<Scalar>& out,
                    std::vector<Scalar>* jacobian) {
  const FilterSet filter = SelectFilter(array_type);
  const int n = static_cast<int>(spacings.size());
  const int layers = static_cast<int>(rho.size());
  const int columns = 2 * layers - 1;
  out.assign(n, Scalar(0.0));
  if (jacobian != nullptr) jacobian->assign(static_cast<size_t>(n) * columns, Scalar(0.0));
  std::vector<Scalar> below(layers);  // T_{i+1} seen by layer i
  std::vector<double> t(layers);
  const double step = 1.0 / filter.ratio;
  for (int s = 0; s < n; ++s) {
    double lambda = 2.0 / (spacings[s] * filter.shift);
    for (int k = 0; k < filter.length; ++k, lambda *= step) {
      const double weight = filter.coefficients[k];
      Scalar transform = rho[layers - 1];
      for (int i = layers - 2; i >= 0; --i) {
        below[i] = transform;
        t[i] = std::tanh(0.5 * lambda * h[i]);
        transform = rho[i] * (transform + t[i] * rho[i]) / (rho[i] + t[i] * transform);
      }
      out[s] += weight * transform;
      if (jacobian == nullptr) continue;
      Scalar adjoint = weight;
      for (int i = 0; i < layers - 1; ++i) {
        const Scalar r = rho[i];
        const Scalar b = below[i];
        const Scalar d = r + t[i] * b;
        const Scalar d2 = d * d;
        const Scalar by_rho = ((b + 2.0 * t[i] * r) * d - r * (b + t[i] * r)) / d2;
        const Scalar by_t = r * (r * r - b * b) / d2;
        const double t_by_h = 0.5 * lambda * (1.0 - t[i] * t[i]);
        (*jacobian)[s + static_cast<size_t>(i) * n] += adjoint * by_rho;
        (*jacobian)[s + static_cast<size_t>(layers + i) * n] += adjoint * by_t * t_by_h;
        adjoint *= r * r * (1.0 - t[i] * t[i]) / d2;
      }
      (*jacobian)[s + static_cast<size_t>(layers - 1) * n] += adjoint;
    }
  }
  return true;
}

}  // namespace

bool AccurateApparentResistivity(ArrayType array_type,
                                 const std::vector<double>& spacings,
                                 const std::vector<double>& resistivity,
                                 const std::vector<double>& thickness,
                                 std::vector<double>& rhoa,
                                 std::vector<double>* log_jacobian) {
  FilterResponse(array_type, spacings, resistivity, thickness, rhoa, log_jacobian);
  const int n = static_cast<int>(spacings.size());
  const int layers = static_cast<int>(resistivity.size());
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(rhoa[i]) || !(rhoa[i] > 0.0)) return false;
  }
  if (log_jacobian != nullptr) {
    for (int j = 0; j < 2 * layers - 1; ++j) {
      const double p = j < layers ? resistivity[j] : thickness[j - layers];
      for (int i = 0; i < n; ++i) (*log_jacobian)[i + static_cast<size_t>(j) * n] *= p / rhoa[i];
    }
  }
  return true;
}

bool AccurateComplexApparentResistivity(ArrayType array_type,
                                        const std::vector<double>& spacings,
                                        const std::vector<std::complex<double>>& resistivity,
                                        const std::vector<double>& thickness,
                                        std::vector<std::complex<double>>& rhoa,
                                        std::vector<std::complex<double>>* log_jacobian) {
  FilterResponse(array_type, spacings, resistivity, thickness, rhoa, log_jacobian);
  const int n = static_cast<int>(spacings.size());
  const int layers = static_cast<int>(resistivity.size());
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(rhoa[i].real()) || !std::isfinite(rhoa[i].imag()) || rhoa[i] == 0.0) {
      return false;
    }
  }
  if (log_jacobian != nullptr) {
    log_jacobian->resize(static_cast<size_t>(n) * layers);
    for (int j = 0; j < layers; ++j) {
      for (int i = 0; i < n; ++i)
        (*log_jacobian)[i + static_cast<size_t>(j) * n] *= resistivity[j] / rhoa[i];
    }
  }
  return true;
}

}  // namespace layra
