#include "forward/least_squares_step.h"

#include <cmath>
#include <vector>

namespace layra {

namespace {

// Position of (i, j), j >= i, both 0-based, in an upper triangle of order n
// packed row by row.
inline size_t Packed(int n, int i, int j) {
  return static_cast<size_t>(i) * n - static_cast<size_t>(i) * (i - 1) / 2 + (j - i);
}

}  // namespace

int SolveDampedLeastSquares(const float* jacobian,
                            int row_count,
                            int parameter_count,
                            const double* residuals,
                            float* step,
                            double lambda,
                            ListingSink& listing) {
  const int n = parameter_count;
  if (n < 1) return kLeastSquaresSolved;
  std::vector<double> a(static_cast<size_t>(n) * (n + 1) / 2);
  std::vector<double> g(static_cast<size_t>(n));
  auto column = [&](int j) { return jacobian + static_cast<size_t>(j) * row_count; };
  for (int i = 0; i < n; ++i) {
    const float* ji = column(i);
    for (int j = i; j < n; ++j) {
      const float* jj = column(j);
      double sum = 0.0;
      for (int r = 0; r < row_count; ++r) sum += static_cast<double>(ji[r]) * jj[r];
      a[Packed(n, i, j)] = sum;
    }
    double gradient = 0.0;
    for (int r = 0; r < row_count; ++r) gradient += ji[r] * residuals[r];
    g[i] = -gradient;
    a[Packed(n, i, i)] += lambda;
  }

  // A = U^T U, row by row, in place.
  for (int i = 0; i < n; ++i) {
    const double pivot = a[Packed(n, i, i)];
    if (!(pivot > 0.0)) {
      listing.Beep();
      listing.Line("Least-squares matrix not positive definite!");
      return kLeastSquaresNotPositiveDefinite;
    }
    const double root = std::sqrt(pivot);
    a[Packed(n, i, i)] = root;
    for (int j = i + 1; j < n; ++j) a[Packed(n, i, j)] /= root;
    for (int k = i + 1; k < n; ++k) {
      const double factor = a[Packed(n, i, k)];
      for (int j = k; j < n; ++j) a[Packed(n, k, j)] -= factor * a[Packed(n, i, j)];
    }
  }
  // U^T y = g, then U dx = y.
  for (int i = 0; i < n; ++i) {
    double sum = g[i];
    for (int k = 0; k < i; ++k) sum -= a[Packed(n, k, i)] * g[k];
    g[i] = sum / a[Packed(n, i, i)];
  }
  for (int i = n - 1; i >= 0; --i) {
    double sum = g[i];
    for (int k = i + 1; k < n; ++k) sum -= a[Packed(n, i, k)] * g[k];
    g[i] = sum / a[Packed(n, i, i)];
  }
  for (int i = 0; i < n; ++i) step[i] = static_cast<float>(g[i]);
  return kLeastSquaresSolved;
}

}  // namespace layra
