#include "inversion/accurate_response.h"

#include <algorithm>
#include <cmath>

#include "forward/filter_set.h"

namespace layra {

namespace {

// The array's filter evaluated directly at each spacing in double precision
// (no grid, no spline), with the transform's derivatives by reverse
// accumulation through the recurrence T_i = rho_i (T_{i+1} + t rho_i) /
// (rho_i + t T_{i+1}), t = tanh(lambda h_i / 2). Scalar is double or
// std::complex<double>; jacobian (absolute, d rhoa / d p) is n by 2L-1.
// The abscissae, filter weights and layer factors t = tanh(lambda h / 2) of
// a set of spacings and thicknesses. They depend on neither resistivity nor
// frequency, so a fit that moves only resistivities (or the Cole-Cole
// parameters) computes them once: the last table of each thread is kept.
struct FilterTable {
  ArrayType array_type = ArrayType::kUnset;
  std::vector<double> spacings;
  std::vector<double> thickness;
  int length = 0;
  std::vector<double> weight;  // per abscissa k
  std::vector<double> lambda;  // per (spacing, k)
  std::vector<double> t;       // per (spacing, layer above the half-space, k)

  bool Matches(ArrayType type, const std::vector<double>& a, const std::vector<double>& h) const {
    return type == array_type && a == spacings && h == thickness;
  }
};

const FilterTable& TableFor(ArrayType array_type,
                            const std::vector<double>& spacings,
                            const std::vector<double>& thickness,
                            int layers) {
  thread_local FilterTable table;
  const std::vector<double> h(thickness.begin(), thickness.begin() + (layers - 1));
  if (table.Matches(array_type, spacings, h)) return table;
  const FilterSet filter = SelectFilter(array_type);
  table.array_type = array_type;
  table.spacings = spacings;
  table.thickness = h;
  table.length = filter.length;
  table.weight.assign(filter.coefficients.begin(), filter.coefficients.begin() + filter.length);
  const size_t n = spacings.size();
  const int above = layers - 1;
  table.lambda.assign(n * filter.length, 0.0);
  table.t.assign(n * filter.length * above, 0.0);
  const double step = 1.0 / filter.ratio;
  for (size_t s = 0; s < n; ++s) {
    double lambda = 2.0 / (spacings[s] * filter.shift);
    for (int k = 0; k < filter.length; ++k, lambda *= step) {
      table.lambda[s * filter.length + k] = lambda;
      for (int i = 0; i < above; ++i) {
        table.t[(s * above + i) * filter.length + k] = std::tanh(0.5 * lambda * h[i]);
      }
    }
  }
  return table;
}

// The array's filter evaluated directly at each spacing in double precision
// (no grid, no spline), with the transform's derivatives by reverse
// accumulation through the recurrence T_i = rho_i (T_{i+1} + t rho_i) /
// (rho_i + t T_{i+1}), t = tanh(lambda h_i / 2). Scalar is double or
// std::complex<double>; jacobian (absolute, d rhoa / d p) is n by 2L-1.
template <typename Scalar>
void FilterResponse(ArrayType array_type,
                    const std::vector<double>& spacings,
                    const std::vector<Scalar>& rho,
                    const std::vector<double>& h,
                    std::vector<Scalar>& out,
                    std::vector<Scalar>* jacobian) {
  const int n = static_cast<int>(spacings.size());
  const int layers = static_cast<int>(rho.size());
  const int columns = 2 * layers - 1;
  const int above = layers - 1;
  const FilterTable& table = TableFor(array_type, spacings, h, layers);
  const int length = table.length;
  out.assign(n, Scalar(0.0));
  if (jacobian != nullptr) jacobian->assign(static_cast<size_t>(n) * columns, Scalar(0.0));
  // The abscissae of one spacing run side by side through the layers: their
  // recurrences are independent, so their divisions overlap.
  std::vector<Scalar> transform(length);
  std::vector<Scalar> below(static_cast<size_t>(std::max(above, 0)) * length);  // T_{i+1}
  std::vector<Scalar> adjoint(length);
  for (int s = 0; s < n; ++s) {
    const double* t_of_spacing = &table.t[static_cast<size_t>(s) * above * length];
    std::fill(transform.begin(), transform.end(), rho[layers - 1]);
    for (int i = layers - 2; i >= 0; --i) {
      const double* t = t_of_spacing + static_cast<size_t>(i) * length;
      Scalar* b = &below[static_cast<size_t>(i) * length];
      const Scalar r = rho[i];
      for (int k = 0; k < length; ++k) {
        b[k] = transform[k];
        transform[k] = r * (transform[k] + t[k] * r) / (r + t[k] * transform[k]);
      }
    }
    Scalar sum = 0.0;
    for (int k = 0; k < length; ++k) sum += table.weight[k] * transform[k];
    out[s] = sum;
    if (jacobian == nullptr) continue;
    const double* lambda = &table.lambda[static_cast<size_t>(s) * length];
    for (int k = 0; k < length; ++k) adjoint[k] = table.weight[k];
    for (int i = 0; i < above; ++i) {
      const double* t = t_of_spacing + static_cast<size_t>(i) * length;
      const Scalar* b = &below[static_cast<size_t>(i) * length];
      const Scalar r = rho[i];
      Scalar by_rho_sum = 0.0, by_h_sum = 0.0;
      for (int k = 0; k < length; ++k) {
        const Scalar d = r + t[k] * b[k];
        const Scalar inverse_d2 = 1.0 / (d * d);
        const Scalar by_rho = ((b[k] + 2.0 * t[k] * r) * d - r * (b[k] + t[k] * r)) * inverse_d2;
        const Scalar by_t = r * (r * r - b[k] * b[k]) * inverse_d2;
        const double t_by_h = 0.5 * lambda[k] * (1.0 - t[k] * t[k]);
        by_rho_sum += adjoint[k] * by_rho;
        by_h_sum += adjoint[k] * by_t * t_by_h;
        adjoint[k] *= r * r * (1.0 - t[k] * t[k]) * inverse_d2;
      }
      (*jacobian)[s + static_cast<size_t>(i) * n] = by_rho_sum;
      (*jacobian)[s + static_cast<size_t>(layers + i) * n] = by_h_sum;
    }
    Scalar last = 0.0;
    for (int k = 0; k < length; ++k) last += adjoint[k];
    (*jacobian)[s + static_cast<size_t>(layers - 1) * n] = last;
  }
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
