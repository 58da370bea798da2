#include "forward/ip_response.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

LayeredModel Model(const std::vector<float>& resistivity,
                   const std::vector<float>& thickness,
                   const std::vector<float>& chargeability) {
  const std::vector<float> unused(resistivity.size(), 1.0f);
  return testing::ColeColeModel(resistivity, thickness, chargeability, unused, unused);
}

std::vector<float> Spacings() {
  std::vector<float> spacings;
  for (float s = 1.0f; s < 2000.0f; s *= 1.6f) spacings.push_back(s);
  return spacings;
}

class ChargeabilityByArray : public ::testing::TestWithParam<ArrayType> {};

// Scaling every resistivity by 1 / (1 - m) scales the sounding by the same
// factor, so the same chargeability in every layer (a half-space included)
// comes back unchanged at every spacing; none gives none.
TEST_P(ChargeabilityByArray, UniformChargeabilityComesBackEverywhere) {
  const FilterSet filter = SelectFilter(GetParam());
  const std::vector<float> spacings = Spacings();
  const int n = static_cast<int>(spacings.size());
  std::vector<float> rho(n), ma(n);
  for (const LayeredModel& model :
       {Model({80.0f}, {}, {0.15f}),
        Model({30.0f, 300.0f, 3.0f}, {4.0f, 20.0f}, {0.0f, 0.0f, 0.0f}),
        Model({30.0f, 300.0f, 3.0f}, {4.0f, 20.0f}, {0.3f, 0.3f, 0.3f})}) {
    const float m = model.chargeability[0];
    ComputeApparentChargeability(model, spacings.data(), n, filter, rho.data(), ma.data());
    for (int i = 0; i < n; ++i) EXPECT_NEAR(ma[i], m, 2e-5f) << "spacing " << spacings[i];
  }
}

// A chargeable top layer over an inert half-space: its chargeability at short
// spacings, fading to nothing at long ones.
TEST_P(ChargeabilityByArray, ChargeableTopLayerFadesWithSpacing) {
  const FilterSet filter = SelectFilter(GetParam());
  const LayeredModel model = Model({100.0f, 100.0f}, {5.0f}, {0.2f, 0.0f});
  const float spacings[3] = {0.1f, 5.0f, 5000.0f};
  float rho[3], ma[3];
  ComputeApparentChargeability(model, spacings, 3, filter, rho, ma);
  EXPECT_NEAR(ma[0], 0.2f, 1e-3f);
  EXPECT_GT(ma[1], 0.01f);
  EXPECT_LT(ma[1], 0.19f);
  EXPECT_NEAR(ma[2], 0.0f, 1e-3f);
}

INSTANTIATE_TEST_SUITE_P(BothArrays,
                         ChargeabilityByArray,
                         ::testing::Values(ArrayType::kSchlumberger, ArrayType::kWenner));

}  // namespace
}  // namespace layra
