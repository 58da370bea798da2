#include "inversion/sensitivities.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <vector>

#include "forward/filter_abscissae.h"
#include "forward/resistivity_kernel.h"
#include "state/records.h"

namespace layra {

float LayerTransformWithDerivatives(int layer_count,
                                    const float* thickness,
                                    const float* resistivity,
                                    float lambda,
                                    float* out_drho,
                                    float* out_dh) {
  assert(layer_count >= 1 && layer_count <= kMaxLayers);
  // First pass, from the half-space up: each layer's own derivatives with
  // respect to its resistivity and thickness, and the chain factor
  // K_i = dT_i / dT_(i+1) through which every deeper layer is seen.
  std::array<double, kMaxLayers> chain;
  const int last = layer_count - 1;
  float transform = resistivity[last];
  out_drho[last] = 1.0f;
  out_dh[last] = 0.0f;
  for (int i = last - 1; i >= 0; --i) {
    const double rho = resistivity[i];
    const double below = transform;
    const double t = LayerFactor(lambda, thickness[i]);
    if (t != kThickLayer) {
      const double denominator = rho + t * below;
      const double d = 1.0 / (denominator * denominator);
      out_drho[i] = static_cast<float>(t * (2.0 * t * below * rho + rho * rho + below * below) * d);
      out_dh[i] =
          static_cast<float>((1.0 - t * t) * lambda * rho * (rho * rho - below * below) * d);
      chain[i] = rho * rho * (1.0 - t * t) * d;
      // The same expression (and rounding) as the forward kernel.
      transform = static_cast<float>(rho * (below + t * rho) / (rho + t * below));
    } else {
      // Electrically infinitely thick at this abscissa.
      out_drho[i] = 1.0f;
      out_dh[i] = 0.0f;
      chain[i] = 0.0;
      transform = resistivity[i];
    }
  }
  // Second pass, from the top down: a layer is seen through the chain factors
  // of every layer above it.
  double product = 1.0;
  for (int j = 1; j <= last; ++j) {
    product *= chain[j - 1];
    out_drho[j] = static_cast<float>(out_drho[j] * product);
    out_dh[j] = static_cast<float>(out_dh[j] * product);
  }
  return transform;
}

void FilterSoundingWithDerivatives(float ratio,
                                   float shift,
                                   const float* spacings,
                                   int filter_length,
                                   const float* coefficients,
                                   int spacing_count,
                                   const float* thickness,
                                   const float* resistivity,
                                   int layer_count,
                                   float* out,
                                   int want_derivatives,
                                   int want_thickness_derivatives,
                                   float* out_jacobian) {
  const int abscissa_count = spacing_count + filter_length - 1;
  const int columns =
      want_derivatives ? (want_thickness_derivatives ? 2 * layer_count - 1 : layer_count) : 0;
  // Every abscissa is evaluated once; its transform and derivatives serve the
  // filter_length outputs whose windows contain it. Row a of `values` holds
  // dT/drho[0..L-1], then dT/dh[0..L-1] of abscissa a.
  const int stride = 2 * layer_count;
  std::vector<float> values(static_cast<size_t>(abscissa_count) * stride);
  std::vector<float> transform(abscissa_count);
  float lambda = FirstAbscissa(spacings[0], shift);
  const float step = AbscissaStep(ratio);
  for (int a = 0; a < abscissa_count; ++a) {
    float* row = &values[static_cast<size_t>(a) * stride];
    transform[a] = LayerTransformWithDerivatives(
        layer_count, thickness, resistivity, lambda, row, row + layer_count);
    lambda = NextAbscissa(lambda, step);
  }
  std::vector<double> sums(static_cast<size_t>(columns));
  for (int j = 0; j < spacing_count; ++j) {
    out[j] = ApplyFilter(coefficients, transform.data() + j, filter_length);
    if (columns == 0) continue;
    std::fill(sums.begin(), sums.end(), 0.0);
    for (int k = 0; k < filter_length; ++k) {
      const float* row = &values[static_cast<size_t>(j + k) * stride];
      const double c = coefficients[k];
      for (int p = 0; p < columns; ++p) sums[p] += c * row[p];
    }
    for (int p = 0; p < columns; ++p) {
      out_jacobian[j + static_cast<size_t>(p) * spacing_count] = static_cast<float>(sums[p]);
    }
  }
}

int ComputeResponseAndSensitivities(int user_model,
                                    const FilterSet& filter,
                                    const float* spacings,
                                    const float* thickness,
                                    const float* resistivity,
                                    int layer_count,
                                    float* out_calculated,
                                    int data_count,
                                    float* out_jacobian) {
  const int columns = ParameterCount(user_model, layer_count);
  // The grid covers the smallest to the largest spacing even when merged
  // datum levels leave the list out of order; for an ascending list these are
  // its first and last entries.
  const auto range = std::minmax_element(spacings, spacings + data_count);
  const float ends[2] = {*range.first, *range.second};
  std::vector<float> grid;
  const int grid_count = MakeSpacingGrid(ends, 2, filter.ratio, grid);

  std::vector<float> grid_response(grid_count);
  std::vector<float> grid_jacobian(static_cast<size_t>(grid_count) * columns);
  FilterSoundingWithDerivatives(filter.ratio,
                                filter.shift,
                                grid.data(),
                                filter.length,
                                filter.coefficients.data(),
                                grid_count,
                                thickness,
                                resistivity,
                                layer_count,
                                grid_response.data(),
                                1,
                                user_model,
                                grid_jacobian.data());

  // The forward kernel's guard, so that a model's response here is the one
  // the forward modelling window shows.
  const int replaced =
      ReplaceNonPositiveFilterValues(grid_response.data(), grid_count, resistivity, layer_count);
  std::vector<float> log_grid(grid_count);
  std::vector<float> log_response(grid_count);
  for (int g = 0; g < grid_count; ++g) {
    log_grid[g] = std::log(grid[g]);
    log_response[g] = std::log(grid_response[g]);
  }
  std::vector<float> log_spacings(data_count);
  for (int i = 0; i < data_count; ++i) log_spacings[i] = std::log(spacings[i]);

  // Every spline below has the same knots and is evaluated at the same
  // points: find each point's interval once.
  std::vector<int> intervals(data_count);
  for (int i = 0; i < data_count; ++i)
    intervals[i] = SplineInterval(grid_count, log_grid.data(), log_spacings[i]);
  std::vector<float> b(grid_count), c(grid_count), d(grid_count);
  SplineFit(grid_count, log_grid.data(), log_response.data(), b.data(), c.data(), d.data());
  for (int i = 0; i < data_count; ++i) {
    const float value = SplineValue(intervals[i],
                                    log_spacings[i],
                                    log_grid.data(),
                                    log_response.data(),
                                    b.data(),
                                    c.data(),
                                    d.data());
    out_calculated[i] = std::exp(value);
  }

  for (int p = 0; p < columns; ++p) {
    const float* column = &grid_jacobian[static_cast<size_t>(p) * grid_count];
    SplineFit(grid_count, log_grid.data(), column, b.data(), c.data(), d.data());
    float* out = out_jacobian + static_cast<size_t>(p) * data_count;
    for (int i = 0; i < data_count; ++i)
      out[i] = SplineValue(
          intervals[i], log_spacings[i], log_grid.data(), column, b.data(), c.data(), d.data());
  }
  return replaced;
}

void ToLogSensitivities(const float* resistivity,
                        const float* thickness,
                        const float* calculated,
                        const float* jacobian,
                        int data_count,
                        int layer_count,
                        int user_model,
                        float* out_jacobian) {
  const int columns = ParameterCount(user_model, layer_count);
  for (int p = 0; p < columns; ++p) {
    const float value = p < layer_count ? resistivity[p] : thickness[p - layer_count];
    const size_t offset = static_cast<size_t>(p) * data_count;
    for (int i = 0; i < data_count; ++i) {
      out_jacobian[offset + i] = jacobian[offset + i] * value / calculated[i];
    }
  }
}

}  // namespace layra
