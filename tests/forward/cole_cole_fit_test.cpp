#include "forward/cole_cole_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/listing_sink.h"

namespace layra {
namespace {

std::vector<float> LogFrequencies(int count, float first, float decades) {
  std::vector<float> f(count);
  for (int k = 0; k < count; ++k)
    f[k] = first * std::pow(10.0f, decades * static_cast<float>(k) / static_cast<float>(count - 1));
  return f;
}

TEST(ColeColeStartingExponent, SteepestLogLogSlopeOfTheUsablePhases) {
  // 0.5 in ln over a decade, steeper than the rest.
  const float f[4] = {1.0f, 10.0f, 100.0f, 1000.0f};
  const float p[4] = {20.0f * std::exp(-0.5f), 20.0f, 21.0f, 19.0f};
  EXPECT_NEAR(ColeColeStartingExponent(4, f, p), 0.5 / std::log(10.0), 1e-6);
  // Pairs with phases that are not positive are left out; none usable: 0.5.
  const float mixed[4] = {-5.0f, 0.0f, 3.0f, 3.0f * std::exp(0.2f)};
  EXPECT_NEAR(ColeColeStartingExponent(4, f, mixed), 0.2 / std::log(10.0), 1e-6);
  const float none[4] = {-5.0f, 0.0f, -1.0f, 0.0f};
  EXPECT_EQ(ColeColeStartingExponent(4, f, none), 0.5f);
  const float flat[4] = {8.0f, 8.0f, 8.0f, 8.0f};
  EXPECT_EQ(ColeColeStartingExponent(4, f, flat), 0.5f);
  const float repeated[2] = {10.0f, 10.0f};
  const float p2[2] = {4.0f, 9.0f};
  EXPECT_EQ(ColeColeStartingExponent(2, repeated, p2), 0.5f);
}

struct Truth {
  float tau;
  float c;
};

class FitRecovers : public ::testing::TestWithParam<Truth> {};

TEST_P(FitRecovers, TimeConstantAndExponentOfASyntheticSpectrum) {
  const Truth truth = GetParam();
  const std::vector<float> f = LogFrequencies(20, 0.01f, 5.0f);
  std::vector<float> amplitude(20), phase(20);
  SpectrumResponse(20, f.data(), amplitude.data(), phase.data(), 100.0f, 0.2f, truth.tau, truth.c);
  DiscardingSink listing;
  float c = 0.0f;
  float rms = -1.0f;
  const float tau = FitColeColeSpectrum(
      20, 100.0f, 0.2f, f.data(), amplitude.data(), phase.data(), &c, &rms, listing);
  EXPECT_NEAR(tau, truth.tau, 1e-3f * truth.tau);
  EXPECT_NEAR(c, truth.c, 1e-3f);
  EXPECT_LT(rms, 1e-3f);
  EXPECT_GE(rms, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(AcrossDecades,
                         FitRecovers,
                         ::testing::Values(Truth{0.05f, 0.25f},
                                           Truth{3.0f, 0.8f},
                                           Truth{300.0f, 0.5f}));

// On noisy data the misfit reported is that of the returned parameters.
TEST(FitColeColeSpectrum, ReportedMisfitBelongsToTheReturnedParameters) {
  const std::vector<float> f = LogFrequencies(12, 0.1f, 3.0f);
  std::vector<float> amplitude(12), phase(12);
  SpectrumResponse(12, f.data(), amplitude.data(), phase.data(), 50.0f, 0.3f, 0.1f, 0.6f);
  for (int k = 0; k < 12; ++k) {
    amplitude[k] *= 1.0f + 0.02f * ((k % 3) - 1);
    phase[k] *= 1.0f + 0.05f * ((k % 2) ? 1.0f : -1.0f);
  }
  DiscardingSink listing;
  float c, rms;
  const float tau = FitColeColeSpectrum(
      12, 50.0f, 0.3f, f.data(), amplitude.data(), phase.data(), &c, &rms, listing);
  std::vector<float> fitted_amplitude(12), fitted_phase(12);
  SpectrumResponse(12, f.data(), fitted_amplitude.data(), fitted_phase.data(), 50.0f, 0.3f, tau, c);
  double sum = 0.0;
  for (int k = 0; k < 12; ++k) {
    sum += std::pow(static_cast<double>(amplitude[k]) - fitted_amplitude[k], 2);
    sum += std::pow(static_cast<double>(phase[k]) - fitted_phase[k], 2);
  }
  EXPECT_NEAR(rms, std::sqrt(sum / 24.0), 1e-4 * rms);
  EXPECT_NEAR(tau, 0.1f, 0.02f);
  EXPECT_NEAR(c, 0.6f, 0.05f);
}

// The fit never ends worse than the best decade of its start (tau 0.001..10^4 s
// at the starting exponent); phases that are not positive give finite values.
TEST(FitColeColeSpectrum, NeverEndsWorseThanItsStart) {
  const std::vector<float> f = LogFrequencies(8, 0.05f, 3.0f);
  const std::vector<std::vector<float>> phases = {{1, 40, 3, 60, 2, 80, 1, 90},
                                                  {0, -2, 0, -1, 0, -3, 0, -1}};
  const std::vector<float> amplitude = {90, 20, 85, 22, 80, 30, 70, 40};
  for (const std::vector<float>& phase : phases) {
    const float c0 = ColeColeStartingExponent(8, f.data(), phase.data());
    double best = -1.0;
    float tau = 0.001f;
    for (int decade = 0; decade < 8; ++decade, tau *= 10.0f) {
      std::vector<float> a(8), p(8);
      SpectrumResponse(8, f.data(), a.data(), p.data(), 60.0f, 0.4f, tau, c0);
      double sum = 0.0;
      for (int k = 0; k < 8; ++k)
        sum += std::pow(amplitude[k] - static_cast<double>(a[k]), 2) +
               std::pow(phase[k] - static_cast<double>(p[k]), 2);
      if (best < 0.0 || sum < best) best = sum;
    }
    DiscardingSink listing;
    float c, rms;
    const float fitted_tau = FitColeColeSpectrum(
        8, 60.0f, 0.4f, f.data(), amplitude.data(), phase.data(), &c, &rms, listing);
    EXPECT_TRUE(std::isfinite(fitted_tau) && fitted_tau > 0.0f && std::isfinite(c) && c > 0.0f);
    EXPECT_LE(rms, std::sqrt(best / 16.0) * (1.0 + 1e-6)) << "phases from " << phase[0];
  }
}

}  // namespace
}  // namespace layra
