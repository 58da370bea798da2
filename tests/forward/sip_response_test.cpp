#include "forward/sip_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

using testing::Spectra;

Spectra Spectral(ArrayType array,
                 const LayeredModel& model,
                 const std::vector<float>& spacings,
                 const std::vector<float>& frequencies,
                 SpectralLayout layout) {
  return testing::SpectralResponse(array,
                                   model,
                                   model.layerCount,
                                   spacings.data(),
                                   static_cast<int>(spacings.size()),
                                   frequencies,
                                   layout);
}

const std::vector<float> kSpacings = {1.5f, 4.0f, 10.0f, 33.0f, 150.0f, 800.0f};
const std::vector<float> kFrequencies = {0.0f, 0.01f, 0.3f, 1.0f, 12.0f, 300.0f, 4000.0f};

class SpectralByArray : public ::testing::TestWithParam<ArrayType> {};

// The transform is homogeneous of degree one in the layer resistivities, so
// when every layer has the same Cole-Cole factor K(f) (Z_i = rho0_i K) the
// complex apparent resistivity is K times the DC sounding at that spacing:
// the amplitude scales by |K| and the phase is that of K (positive above DC).
TEST_P(SpectralByArray, CommonColeColeFactorScalesTheDirectCurrentSounding) {
  const std::vector<float> rho0 = {20.0f, 400.0f, 8.0f}, thickness = {3.0f, 25.0f};
  const std::vector<float> m(3, 0.25f), tau(3, 0.05f), c(3, 0.45f);
  const Spectra spectra = Spectral(GetParam(),
                                   testing::ColeColeModel(rho0, thickness, m, tau, c),
                                   kSpacings,
                                   kFrequencies,
                                   SpectralLayout::kFrequencyMajor);
  const int ns = static_cast<int>(kSpacings.size());
  for (int s = 0; s < ns; ++s) {
    const float dc = testing::ForwardResponse(GetParam(), {kSpacings[s]}, rho0, thickness)[0];
    for (size_t k = 0; k < kFrequencies.size(); ++k) {
      float k_imaginary, k_amplitude, k_phase;
      const float k_real = ColeColeResponse(
          1.0f, 0.25f, 0.05f, 0.45f, kFrequencies[k], &k_imaginary, &k_amplitude, &k_phase);
      const size_t at = k * ns + s;
      SCOPED_TRACE(::testing::Message() << "spacing " << s << " f " << k);
      EXPECT_NEAR(spectra.real[at], dc * k_real, 2e-5f * dc);
      EXPECT_NEAR(spectra.imaginary[at], dc * k_imaginary, 2e-5f * dc);
      EXPECT_NEAR(spectra.amplitude[at], dc * k_amplitude, 2e-5f * dc);
      EXPECT_NEAR(spectra.phase[at], k_phase, 0.02f);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothArrays,
                         SpectralByArray,
                         ::testing::Values(ArrayType::kSchlumberger, ArrayType::kWenner));

// The point-major layout holds the frequency-major values, for layers with
// different Cole-Cole parameters.
TEST(ComputeSpectralResponse, BothLayoutsHoldTheSameValues) {
  const LayeredModel layers = testing::ColeColeModel({50.0f, 5.0f, 500.0f, 20.0f},
                                                     {2.0f, 6.0f, 40.0f},
                                                     {0.05f, 0.4f, 0.0f, 0.2f},
                                                     {0.01f, 1.5f, 0.1f, 0.002f},
                                                     {0.3f, 0.6f, 0.5f, 0.9f});
  const Spectra by_frequency = Spectral(
      ArrayType::kWenner, layers, kSpacings, kFrequencies, SpectralLayout::kFrequencyMajor);
  const Spectra by_point =
      Spectral(ArrayType::kWenner, layers, kSpacings, kFrequencies, SpectralLayout::kPointMajor);
  const int ns = static_cast<int>(kSpacings.size()), nf = static_cast<int>(kFrequencies.size());
  for (int k = 0; k < nf; ++k) {
    for (int s = 0; s < ns; ++s) {
      const size_t at = k * ns + s;
      EXPECT_EQ(by_point.amplitude[s * nf + k], by_frequency.amplitude[at]);
      EXPECT_EQ(by_point.phase[s * nf + k], by_frequency.phase[at]);
      EXPECT_EQ(by_point.real[s * nf + k], by_frequency.real[at]);
      EXPECT_EQ(by_point.imaginary[s * nf + k], by_frequency.imaginary[at]);
    }
  }
}

}  // namespace
}  // namespace layra
