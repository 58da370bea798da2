#include "inversion/least_squares.h"

#include <cmath>
#include <vector>

namespace layra {

namespace {

inline size_t At(int row, int column, int rows) {
  return static_cast<size_t>(row) + static_cast<size_t>(column) * rows;
}

// Dense difference filter F (L by L, column-major).
std::vector<double> DifferenceFilter(int layer_count, int filter_kind) {
  const int n = layer_count;
  std::vector<double> f(static_cast<size_t>(n) * n, 0.0);
  if (filter_kind == kSecondDifference && n >= 2) {
    f[At(0, 0, n)] = -1.0;
    f[At(0, 1, n)] = 1.0;
    for (int i = 1; i < n - 1; ++i) {
      f[At(i, i - 1, n)] = 1.0;
      f[At(i, i, n)] = -2.0;
      f[At(i, i + 1, n)] = 1.0;
    }
    f[At(n - 1, n - 2, n)] = 1.0;
    f[At(n - 1, n - 1, n)] = -1.0;
  } else {
    for (int i = 1; i < n; ++i) {
      f[At(i, i, n)] = 1.0;
      f[At(i, i - 1, n)] = -1.0;
    }
  }
  return f;
}

}  // namespace

float ComputeMisfit(int robust,
                    float* residuals,
                    const float* observed,
                    const float* calculated,
                    int data_count,
                    float* max_abs_residual) {
  double sum = 0.0;
  float largest = 0.0f;
  for (int i = 0; i < data_count; ++i) {
    const float r = static_cast<float>(std::log(static_cast<double>(observed[i]) / calculated[i]));
    residuals[i] = r;
    const float magnitude = std::fabs(r);
    if (!(magnitude <= largest)) largest = magnitude;  // a NaN is kept, never hidden
    sum += robust ? static_cast<double>(magnitude) : static_cast<double>(r) * r;
  }
  if (max_abs_residual != nullptr) *max_abs_residual = largest;
  if (data_count <= 0) return 0.0f;
  const double mean = sum / data_count;
  return static_cast<float>(robust ? mean : std::sqrt(mean));
}

void BuildRoughness(int already_log,
                    const float* model_values,
                    int robust,
                    float cutoff,
                    double* roughness,
                    int layer_count,
                    int filter_kind) {
  const int n = layer_count;
  const std::vector<double> f = DifferenceFilter(n, filter_kind);
  std::vector<double> weights(n, 1.0);
  if (robust) {
    for (int k = 0; k < n; ++k) {
      double s = 0.0;
      for (int j = 0; j < n; ++j) {
        const double fkj = f[At(k, j, n)];
        if (fkj == 0.0) continue;
        const double x =
            already_log ? model_values[j] : std::log(static_cast<double>(model_values[j]));
        s += fkj * x;
      }
      weights[k] = 1.0 / std::sqrt(s * s + static_cast<double>(cutoff) * cutoff);
    }
  }
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      double sum = 0.0;
      for (int k = 0; k < n; ++k) sum += f[At(k, a, n)] * weights[k] * f[At(k, b, n)];
      roughness[At(a, b, n)] = sum;
    }
    roughness[At(a, a, n)] += 0.1;
  }
}

void BuildNormalEquations(const float* jacobian,
                          const float* residuals,
                          int data_count,
                          int parameter_count,
                          int robust,
                          float data_cutoff,
                          double* normal,
                          float* rhs) {
  const int p_count = parameter_count;
  std::vector<double> weights(data_count, 1.0);
  if (robust) {
    const double eps2 = static_cast<double>(data_cutoff) * data_cutoff;
    for (int i = 0; i < data_count; ++i) {
      weights[i] = 1.0 / std::sqrt(eps2 + static_cast<double>(residuals[i]) * residuals[i]);
    }
  }
  // Columns in double once; each sum runs over the data in order, four
  // columns at a time for independent accumulators.
  const size_t rows = static_cast<size_t>(data_count);
  std::vector<double> columns(rows * p_count);
  for (size_t e = 0; e < columns.size(); ++e) columns[e] = jacobian[e];
  std::vector<double> weighted(rows);
  for (int k = 0; k < p_count; ++k) {
    const double* column_k = &columns[k * rows];
    double g = 0.0;
    for (size_t i = 0; i < rows; ++i) {
      weighted[i] = weights[i] * column_k[i];
      g += weighted[i] * residuals[i];
    }
    rhs[k] = static_cast<float>(g);
    int l = k;
    for (; l + 3 < p_count; l += 4) {
      const double* c0 = &columns[l * rows];
      const double* c1 = c0 + rows;
      const double* c2 = c1 + rows;
      const double* c3 = c2 + rows;
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (size_t i = 0; i < rows; ++i) {
        const double w = weighted[i];
        s0 += w * c0[i];
        s1 += w * c1[i];
        s2 += w * c2[i];
        s3 += w * c3[i];
      }
      const double sums[4] = {s0, s1, s2, s3};
      for (int m = 0; m < 4; ++m) {
        normal[At(k, l + m, p_count)] = sums[m];
        normal[At(l + m, k, p_count)] = sums[m];
      }
    }
    for (; l < p_count; ++l) {
      const double* column_l = &columns[l * rows];
      double sum = 0.0;
      for (size_t i = 0; i < rows; ++i) sum += weighted[i] * column_l[i];
      normal[At(k, l, p_count)] = sum;
      normal[At(l, k, p_count)] = sum;
    }
  }
}

void AddDiagonalDamping(double* normal, int parameter_count, double lambda) {
  for (int k = 0; k < parameter_count; ++k) normal[At(k, k, parameter_count)] += lambda;
}

void AddRoughnessDamping(double* normal,
                         const double* roughness,
                         int parameter_count,
                         double lambda) {
  const size_t size = static_cast<size_t>(parameter_count) * parameter_count;
  for (size_t e = 0; e < size; ++e) normal[e] += lambda * roughness[e];
}

int CholeskyFactor(double* normal, int parameter_count, ListingSink& listing) {
  const int n = parameter_count;
  for (int i = 0; i < n; ++i) {
    double& pivot = normal[At(i, i, n)];
    if (!(pivot > 0.0) || !std::isfinite(pivot)) {
      listing.ConsoleLine("matrix not positive definite\n");
      return 1;
    }
    pivot = std::sqrt(pivot);
    for (int j = i + 1; j < n; ++j) normal[At(i, j, n)] /= pivot;
    for (int k = i + 1; k < n; ++k) {
      const double aik = normal[At(i, k, n)];
      for (int l = k; l < n; ++l) normal[At(k, l, n)] -= aik * normal[At(i, l, n)];
    }
  }
  return 0;
}

void CholeskySolve(float* step, int parameter_count, const float* rhs, const double* factored) {
  const int n = parameter_count;
  std::vector<double> y(n);
  for (int i = 0; i < n; ++i) {
    double sum = rhs[i];
    for (int k = 0; k < i; ++k) sum -= factored[At(k, i, n)] * y[k];
    y[i] = sum / factored[At(i, i, n)];
  }
  std::vector<double> x(n);
  for (int i = n - 1; i >= 0; --i) {
    double sum = y[i];
    for (int k = i + 1; k < n; ++k) sum -= factored[At(i, k, n)] * x[k];
    x[i] = sum / factored[At(i, i, n)];
    step[i] = static_cast<float>(x[i]);
  }
}

bool SolveWithDampingRetries(double& lambda,
                             int parameter_count,
                             const std::function<void(double)>& form,
                             double* normal,
                             const float* rhs,
                             float* step,
                             ListingSink& listing) {
  for (int attempt = 0; attempt <= kFactorRetries; ++attempt) {
    if (attempt > 0) lambda *= 2.0;
    form(lambda);
    if (CholeskyFactor(normal, parameter_count, listing) == 0) {
      CholeskySolve(step, parameter_count, rhs, normal);
      for (int k = 0; k < parameter_count; ++k) {
        if (!std::isfinite(step[k])) return false;
      }
      return true;
    }
  }
  return false;
}

}  // namespace layra
