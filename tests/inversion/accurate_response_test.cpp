#include "inversion/accurate_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace layra {
namespace {

const std::vector<double> kSpacings = {0.7, 2.0, 9.0, 40.0, 300.0, 2000.0};

// Every column of the logarithmic Jacobian against central differences of
// the response in ln p, for both arrays, real and complex resistivities; a
// half-space gives its resistivity.
TEST(AccurateApparentResistivity, SensitivitiesMatchCentralDifferencesAndHalfSpaceItsValue) {
  const std::vector<double> rho = {100.0, 8.0, 900.0, 30.0}, h = {3.0, 20.0, 60.0};
  const double step = 1e-5;
  for (const ArrayType array : {ArrayType::kWenner, ArrayType::kSchlumberger}) {
    std::vector<double> rhoa, jacobian;
    ASSERT_TRUE(AccurateApparentResistivity(array, kSpacings, rho, h, rhoa, &jacobian));
    const int n = static_cast<int>(kSpacings.size());
    for (int j = 0; j < 7; ++j) {
      std::vector<double> up_rho = rho, down_rho = rho, up_h = h, down_h = h;
      (j < 4 ? up_rho[j] : up_h[j - 4]) *= std::exp(step);
      (j < 4 ? down_rho[j] : down_h[j - 4]) *= std::exp(-step);
      std::vector<double> up, down;
      ASSERT_TRUE(AccurateApparentResistivity(array, kSpacings, up_rho, up_h, up, nullptr));
      ASSERT_TRUE(AccurateApparentResistivity(array, kSpacings, down_rho, down_h, down, nullptr));
      for (int i = 0; i < n; ++i) {
        const double difference = (std::log(up[i]) - std::log(down[i])) / (2.0 * step);
        EXPECT_NEAR(jacobian[i + j * n], difference, 1e-6) << "column " << j << " spacing " << i;
      }
    }

    // Complex resistivities: the response is analytic in each of them.
    const std::vector<std::complex<double>> complex_rho = {
        {100.0, -3.0}, {8.0, -0.9}, {900.0, -20.0}, {30.0, -1.0}};
    std::vector<std::complex<double>> complex_rhoa, complex_jacobian;
    ASSERT_TRUE(AccurateComplexApparentResistivity(
        array, kSpacings, complex_rho, h, complex_rhoa, &complex_jacobian));
    for (int j = 0; j < 4; ++j) {
      std::vector<std::complex<double>> up_rho = complex_rho, down_rho = complex_rho, up, down;
      up_rho[j] *= std::exp(step);
      down_rho[j] *= std::exp(-step);
      ASSERT_TRUE(AccurateComplexApparentResistivity(array, kSpacings, up_rho, h, up, nullptr));
      ASSERT_TRUE(AccurateComplexApparentResistivity(array, kSpacings, down_rho, h, down, nullptr));
      for (int i = 0; i < n; ++i) {
        const std::complex<double> difference =
            (std::log(up[i]) - std::log(down[i])) / (2.0 * step);
        EXPECT_NEAR(std::abs(complex_jacobian[i + j * n] - difference), 0.0, 1e-6)
            << "layer " << j << " spacing " << i;
      }
    }
    EXPECT_NEAR(complex_rhoa[0].real() / rhoa[0], 1.0, 0.05);

    // Two layers of one resistivity are a half-space.
    ASSERT_TRUE(AccurateApparentResistivity(array, kSpacings, {42.0, 42.0}, {5.0}, rhoa, nullptr));
    for (double value : rhoa) EXPECT_NEAR(value, 42.0, 0.42);
  }
}

}  // namespace
}  // namespace layra
