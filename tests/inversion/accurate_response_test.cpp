#include "inversion/accurate_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace layra {
namespace {

// The complex log Jacobian (d ln rhoa / d ln rho) against central differences
// for both arrays; the real one is pinned in the accurate forward's tests.
TEST(AccurateComplexApparentResistivity, LogSensitivitiesMatchCentralDifferences) {
  const std::vector<double> spacings = {0.7, 2.0, 9.0, 40.0, 300.0, 2000.0}, h = {3.0, 20.0, 60.0};
  const std::vector<std::complex<double>> rho = {
      {100.0, -3.0}, {8.0, -0.9}, {900.0, -20.0}, {30.0, -1.0}};
  const double step = 1e-5;
  const int n = static_cast<int>(spacings.size());
  for (const ArrayType array : {ArrayType::kWenner, ArrayType::kSchlumberger}) {
    std::vector<std::complex<double>> rhoa, jacobian;
    ASSERT_TRUE(AccurateComplexApparentResistivity(array, spacings, rho, h, rhoa, &jacobian));
    for (int j = 0; j < 4; ++j) {
      std::vector<std::complex<double>> up_rho = rho, down_rho = rho, up, down;
      up_rho[j] *= std::exp(step);
      down_rho[j] *= std::exp(-step);
      ASSERT_TRUE(AccurateComplexApparentResistivity(array, spacings, up_rho, h, up, nullptr));
      ASSERT_TRUE(AccurateComplexApparentResistivity(array, spacings, down_rho, h, down, nullptr));
      for (int i = 0; i < n; ++i) {
        const std::complex<double> difference =
            (std::log(up[i]) - std::log(down[i])) / (2.0 * step);
        EXPECT_LT(std::abs(jacobian[i + j * n] - difference), 1e-6)
            << "layer " << j << " spacing " << i;
      }
    }
  }
}

}  // namespace
}  // namespace layra
