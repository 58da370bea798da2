#include "inversion/sensitivities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

using testing::ForwardResponse;
using testing::LogSpacings;

struct Case {
  ArrayType array_type;
  std::vector<float> resistivity;
  std::vector<float> thickness;
};

// Response and log sensitivities through the path every stage uses.
void LogJacobian(const Case& c,
                 int user_model,
                 const std::vector<float>& spacings,
                 std::vector<float>& calculated,
                 std::vector<float>& jacobian) {
  const int layers = static_cast<int>(c.resistivity.size());
  const int n = static_cast<int>(spacings.size());
  std::vector<float> h = c.thickness;
  h.resize(layers, 0.0f);
  calculated.assign(n, 0.0f);
  jacobian.assign(static_cast<size_t>(n) * ParameterCount(user_model, layers), 0.0f);
  ComputeResponseAndSensitivities(user_model,
                                  SelectFilter(c.array_type),
                                  spacings.data(),
                                  h.data(),
                                  c.resistivity.data(),
                                  layers,
                                  calculated.data(),
                                  n,
                                  jacobian.data());
  ToLogSensitivities(c.resistivity.data(),
                     h.data(),
                     calculated.data(),
                     jacobian.data(),
                     n,
                     layers,
                     user_model,
                     jacobian.data());
}

class SensitivityCases : public ::testing::TestWithParam<Case> {};

// Central differences of the forward response in ln p, column by column.
std::vector<double> NumericColumn(const Case& c, const std::vector<float>& spacings, int p) {
  const int layers = static_cast<int>(c.resistivity.size());
  const double delta = 1e-3;
  std::vector<float> rho_up = c.resistivity, rho_down = c.resistivity;
  std::vector<float> h_up = c.thickness, h_down = c.thickness;
  float* up = p < layers ? &rho_up[p] : &h_up[p - layers];
  float* down = p < layers ? &rho_down[p] : &h_down[p - layers];
  *up = static_cast<float>(*up * std::exp(delta));
  *down = static_cast<float>(*down * std::exp(-delta));
  const std::vector<float> plus = ForwardResponse(c.array_type, spacings, rho_up, h_up);
  const std::vector<float> minus = ForwardResponse(c.array_type, spacings, rho_down, h_down);
  std::vector<double> column(spacings.size());
  for (size_t i = 0; i < spacings.size(); ++i) {
    column[i] = (std::log(plus[i]) - std::log(minus[i])) / (2.0 * delta);
  }
  return column;
}

// Every analytic column against central differences, automatic and user-model
// (thickness columns carry a factor 2); `relative` is relative to the column.
void CheckAgainstCentralDifferences(const Case& c,
                                    const std::vector<float>& spacings,
                                    double relative) {
  const int layers = static_cast<int>(c.resistivity.size());
  const int n = static_cast<int>(spacings.size());
  for (int user_model : {0, 1}) {
    std::vector<float> calculated, jacobian;
    LogJacobian(c, user_model, spacings, calculated, jacobian);
    const std::vector<float> reference =
        ForwardResponse(c.array_type, spacings, c.resistivity, c.thickness);
    for (int i = 0; i < n; ++i) {
      EXPECT_FLOAT_EQ(calculated[i], reference[i]) << "spacing " << spacings[i];
    }
    for (int p = 0; p < ParameterCount(user_model, layers); ++p) {
      const std::vector<double> numeric = NumericColumn(c, spacings, p);
      const double factor = p < layers ? 1.0 : 2.0;
      double largest = 0.0;
      for (double v : numeric) largest = std::max(largest, std::fabs(factor * v));
      for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(jacobian[i + static_cast<size_t>(p) * n],
                    factor * numeric[i],
                    2e-3 + relative * largest)
            << "user model " << user_model << ", parameter " << p << ", spacing " << spacings[i];
      }
    }
  }
}

// Exact to rounding at the grid spacings; within a few percent between them.
TEST_P(SensitivityCases, MatchCentralDifferencesAtAndBetweenGridSpacings) {
  const Case& c = GetParam();
  const float ends[2] = {1.0f, 300.0f};
  std::vector<float> grid;
  MakeSpacingGrid(ends, 2, SelectFilter(c.array_type).ratio, grid);
  grid.resize(grid.size() - 1);  // keep the grid the response is computed on
  CheckAgainstCentralDifferences(c, grid, 1e-3);
  CheckAgainstCentralDifferences(c, LogSpacings(1.0f, 300.0f, 24), 0.03);
}

INSTANTIATE_TEST_SUITE_P(
    Models,
    SensitivityCases,
    ::testing::Values(
        Case{ArrayType::kSchlumberger, {100.0f, 20.0f, 500.0f}, {5.0f, 15.0f}},
        Case{ArrayType::kWenner, {42.0f}, {}},
        Case{ArrayType::kWenner, {50.0f, 300.0f, 30.0f, 80.0f, 10.0f}, {2.0f, 3.0f, 8.0f, 20.0f}}));

// Short-cuts carry their derivatives: a too-thick top layer hides all below, a
// zero thickness passes the layer below through.
TEST(LayerTransformWithDerivatives, ShortCutsCarryTheirDerivatives) {
  const float rho[3] = {100.0f, 10.0f, 1000.0f};
  const float thick[3] = {1000.0f, 5.0f, 0.0f};
  float drho[3], dh[3];
  EXPECT_FLOAT_EQ(LayerTransformWithDerivatives(3, thick, rho, 0.05f, drho, dh), 100.0f);
  EXPECT_EQ(std::vector<float>(drho, drho + 3), (std::vector<float>{1.0f, 0.0f, 0.0f}));
  EXPECT_EQ(std::vector<float>(dh, dh + 3), (std::vector<float>{0.0f, 0.0f, 0.0f}));
  const float zero[2] = {0.0f, 0.0f};
  EXPECT_FLOAT_EQ(LayerTransformWithDerivatives(2, zero, rho, 1.0f, drho, dh), 10.0f);
  EXPECT_FLOAT_EQ(drho[0], 0.0f);
  EXPECT_FLOAT_EQ(drho[1], 1.0f);
}

// Merged datum levels can leave the spacings out of order.
TEST(ComputeResponseAndSensitivities, SpacingsOutOfOrderGiveTheSameValues) {
  const float rho[3] = {100.0f, 20.0f, 500.0f};
  const float h[3] = {5.0f, 15.0f, 0.0f};
  std::vector<float> sorted = LogSpacings(1.0f, 200.0f, 12);
  std::vector<float> shuffled = sorted;
  std::swap(shuffled[0], shuffled[5]);
  std::swap(shuffled[11], shuffled[3]);
  const FilterSet filter = SelectFilter(ArrayType::kSchlumberger);
  std::vector<float> a(12), b(12), ja(36), jb(36);
  ComputeResponseAndSensitivities(0, filter, sorted.data(), h, rho, 3, a.data(), 12, ja.data());
  ComputeResponseAndSensitivities(0, filter, shuffled.data(), h, rho, 3, b.data(), 12, jb.data());
  for (int i = 0; i < 12; ++i) {
    const int j =
        static_cast<int>(std::find(shuffled.begin(), shuffled.end(), sorted[i]) - shuffled.begin());
    EXPECT_FLOAT_EQ(a[i], b[j]) << "spacing " << sorted[i];
    for (int p = 0; p < 3; ++p) EXPECT_FLOAT_EQ(ja[i + 12 * p], jb[j + 12 * p]);
  }
}

}  // namespace
}  // namespace layra
