#include "forward/resistivity_kernel.h"

#include <algorithm>
#include <cmath>

#include "forward/filter_abscissae.h"
#include "state/text_format.h"

namespace layra {

int MakeSpacingGrid(const float* spacings,
                    int spacing_count,
                    float ratio,
                    std::vector<float>& grid) {
  grid.clear();
  if (spacing_count < 1) return 0;
  const float last = spacings[spacing_count - 1];
  grid.push_back(spacings[0]);
  for (;;) {
    const float g = grid.back();
    const float next = g * ratio;
    // A grid that does not grow (a spacing that is zero, negative or not a
    // number, or a ratio not above 1) would never pass the last spacing.
    if (!(next > g)) break;
    grid.push_back(next);
    if (g > last) break;
  }
  return static_cast<int>(grid.size());
}

float LayerTransform(int layer_count,
                     const float* thickness,
                     const float* resistivity,
                     float lambda) {
  if (layer_count < 1) return 0.0f;
  float transform = resistivity[layer_count - 1];
  for (int i = layer_count - 2; i >= 0; --i) {
    const double t = LayerFactor(lambda, thickness[i]);
    const double rho = resistivity[i];
    if (t == kThickLayer) {
      transform = resistivity[i];
    } else {
      transform = static_cast<float>(rho * (transform + t * rho) / (rho + t * transform));
    }
  }
  return transform;
}

void FilterSounding(float ratio,
                    float shift,
                    const float* grid,
                    int filter_length,
                    const float* coefficients,
                    int grid_count,
                    const float* thickness,
                    const float* resistivity,
                    int layer_count,
                    float* out_grid) {
  if (grid_count < 1) return;
  if (filter_length < 1 || layer_count < 1) {
    for (int j = 0; j < grid_count; ++j) out_grid[j] = 0.0f;
    return;
  }
  // Every transform value serves up to filter_length outputs: compute the
  // whole abscissa sequence once, sized from the grid and the filter.
  const int abscissa_count = grid_count + filter_length - 1;
  std::vector<float> transform(static_cast<size_t>(abscissa_count));
  const float step = AbscissaStep(ratio);
  float lambda = FirstAbscissa(grid[0], shift);
  for (int k = 0; k < abscissa_count; ++k) {
    transform[k] = LayerTransform(layer_count, thickness, resistivity, lambda);
    lambda = NextAbscissa(lambda, step);
  }
  for (int j = 0; j < grid_count; ++j)
    out_grid[j] = ApplyFilter(coefficients, transform.data() + j, filter_length);
}

void SplineFit(int n, const float* x, const float* y, float* b, float* c, float* d) {
  if (n < 2) return;
  if (n == 2) {
    b[0] = b[1] = static_cast<float>((static_cast<double>(y[1]) - y[0]) / (x[1] - x[0]));
    c[0] = c[1] = d[0] = d[1] = 0.0f;
    return;
  }
  // 0-based throughout: the last knot is n - 1.
  const int last = n - 1;
  d[0] = x[1] - x[0];
  c[1] = static_cast<float>((static_cast<double>(y[1]) - y[0]) / d[0]);
  for (int i = 1; i < last; ++i) {
    d[i] = x[i + 1] - x[i];
    b[i] = static_cast<float>(2.0 * (static_cast<double>(d[i - 1]) + d[i]));
    c[i + 1] = static_cast<float>((static_cast<double>(y[i + 1]) - y[i]) / d[i]);
    c[i] = c[i + 1] - c[i];
  }
  // End conditions: the third derivative at each end matches that of the
  // cubic through the four end points.
  b[0] = -d[0];
  b[last] = -d[last - 1];
  c[0] = 0.0f;
  c[last] = 0.0f;
  if (n > 3) {
    c[0] = static_cast<float>(static_cast<double>(c[2]) / (x[3] - x[1]) -
                              static_cast<double>(c[1]) / (x[2] - x[0]));
    c[last] = static_cast<float>(static_cast<double>(c[last - 1]) / (x[last] - x[last - 2]) -
                                 static_cast<double>(c[last - 2]) / (x[last - 1] - x[last - 3]));
    c[0] = static_cast<float>(static_cast<double>(c[0]) * d[0] * d[0] / (x[3] - x[0]));
    c[last] = static_cast<float>(-static_cast<double>(c[last]) * d[last - 1] * d[last - 1] /
                                 (x[last] - x[last - 3]));
  }
  for (int i = 1; i <= last; ++i) {
    const float t = static_cast<float>(static_cast<double>(d[i - 1]) / b[i - 1]);
    b[i] = static_cast<float>(b[i] - static_cast<double>(t) * d[i - 1]);
    c[i] = static_cast<float>(c[i] - static_cast<double>(t) * c[i - 1]);
  }
  c[last] = static_cast<float>(static_cast<double>(c[last]) / b[last]);
  for (int i = last - 1; i >= 0; --i)
    c[i] = static_cast<float>((c[i] - static_cast<double>(d[i]) * c[i + 1]) / b[i]);
  b[last] = static_cast<float>((static_cast<double>(y[last]) - y[last - 1]) / d[last - 1] +
                               static_cast<double>(d[last - 1]) * (c[last - 1] + 2.0 * c[last]));
  for (int i = 0; i < last; ++i) {
    b[i] = static_cast<float>((static_cast<double>(y[i + 1]) - y[i]) / d[i] -
                              static_cast<double>(d[i]) * (c[i + 1] + 2.0 * c[i]));
    d[i] = static_cast<float>((static_cast<double>(c[i + 1]) - c[i]) / d[i]);
    c[i] = static_cast<float>(3.0 * c[i]);
  }
  c[last] = static_cast<float>(3.0 * c[last]);
  d[last] = d[last - 1];
}

int SplineInterval(int n, const float* x, float point) {
  if (n >= 2 && point <= x[0] && point <= x[1]) return 0;
  // Binary search, 1-based bounds lo = 1, hi = n + 1; the knot index is lo.
  int lo = 1;
  int hi = n + 1;
  do {
    const int mid = (lo + hi) / 2;
    // A point that is not a number goes up rather than stalling the search.
    if (point < x[mid - 1]) {
      hi = mid;
    } else {
      lo = mid;
    }
  } while (hi > lo + 1);
  return lo - 1;
}

void SplineEval(int eval_count,
                float* out,
                int n,
                const float* u,
                const float* x,
                const float* y,
                const float* b,
                const float* c,
                const float* d) {
  if (n < 1) return;
  for (int k = 0; k < eval_count; ++k)
    out[k] = SplineValue(SplineInterval(n, x, u[k]), u[k], x, y, b, c, d);
}

int ReplaceNonPositiveFilterValues(float* grid_response,
                                   int grid_count,
                                   const float* resistivity,
                                   int layer_count) {
  if (layer_count < 1) return 0;
  const float floor = *std::min_element(resistivity, resistivity + layer_count);
  if (!(floor > 0.0f)) return 0;
  int replaced = 0;
  for (int j = 0; j < grid_count; ++j) {
    if (!(grid_response[j] > 0.0f)) {
      grid_response[j] = floor;
      ++replaced;
    }
  }
  return replaced;
}

std::string FilterGuardWarning(int replaced) {
  return StrFormat(
      "The resistivity contrasts of this model exceed the accuracy\nof the filter: %d filtered "
      "values were not positive and\nwere replaced by the smallest layer resistivity;\nthe "
      "apparent resistivities may be far from the true ones.",
      replaced);
}

int ComputeApparentResistivity(float ratio,
                               float shift,
                               const float* spacings,
                               int filter_length,
                               const float* coefficients,
                               const float* thickness,
                               const float* resistivity,
                               int layer_count,
                               float* out,
                               int spacing_count) {
  if (spacing_count < 1) return 0;
  if (layer_count < 1) {
    // No earth, no response: zeros rather than logarithms of nothing.
    for (int i = 0; i < spacing_count; ++i) out[i] = 0.0f;
    return 0;
  }
  std::vector<float> grid;
  const int grid_count = MakeSpacingGrid(spacings, spacing_count, ratio, grid);
  // Grid response, log spacings and the three spline coefficient arrays.
  std::vector<float> work(static_cast<size_t>(4 * grid_count + spacing_count));
  float* grid_response = work.data();
  float* b = grid_response + grid_count;
  float* c = b + grid_count;
  float* d = c + grid_count;
  float* log_spacings = d + grid_count;
  FilterSounding(ratio,
                 shift,
                 grid.data(),
                 filter_length,
                 coefficients,
                 grid_count,
                 thickness,
                 resistivity,
                 layer_count,
                 grid_response);
  const int replaced =
      ReplaceNonPositiveFilterValues(grid_response, grid_count, resistivity, layer_count);
  for (int j = 0; j < grid_count; ++j) {
    grid[j] = static_cast<float>(std::log(static_cast<double>(grid[j])));
    grid_response[j] = static_cast<float>(std::log(static_cast<double>(grid_response[j])));
  }
  for (int i = 0; i < spacing_count; ++i)
    log_spacings[i] = static_cast<float>(std::log(static_cast<double>(spacings[i])));
  SplineFit(grid_count, grid.data(), grid_response, b, c, d);
  SplineEval(spacing_count, out, grid_count, log_spacings, grid.data(), grid_response, b, c, d);
  for (int i = 0; i < spacing_count; ++i)
    out[i] = static_cast<float>(std::exp(static_cast<double>(out[i])));
  return replaced;
}

}  // namespace layra
