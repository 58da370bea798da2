#include "forward/cole_cole.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace layra {
namespace {

struct Value {
  float real;
  float imaginary;
  float amplitude;
  float phase;
  float operator[](int k) const {
    return k == 0 ? real : k == 1 ? imaginary : k == 2 ? amplitude : phase;
  }
};

Value Response(float rho0, float m, float tau, float c, float f) {
  Value v;
  v.real = ColeColeResponse(rho0, m, tau, c, f, &v.imaginary, &v.amplitude, &v.phase);
  return v;
}

// With c = 1 and 2 pi f tau = 1, (i)^1 = i and Z = rho0 [1 - m (1 - 1/(1+i))]
// = rho0 (1 - m/2) - i rho0 m/2.
TEST(ColeColeResponse, ClosedFormAtUnitExponentAndUnitFrequencyTime) {
  const float rho0 = 120.0f;
  const float m = 0.3f;
  const float f = 2.0f;
  const float tau = 1.0f / (6.2831850f * f);
  const Value v = Response(rho0, m, tau, 1.0f, f);
  EXPECT_NEAR(v.real, rho0 * (1.0f - m / 2.0f), 1e-4f);
  EXPECT_NEAR(v.imaginary, -rho0 * m / 2.0f, 1e-4f);
  EXPECT_NEAR(v.amplitude, std::hypot(v.real, v.imaginary), 1e-4f);
  EXPECT_NEAR(v.phase, -1000.0 * std::atan((-m / 2.0) / (1.0 - m / 2.0)), 1e-3);
  EXPECT_GT(v.phase, 0.0f);  // negative imaginary part, positive phase
}

TEST(ColeColeResponse, DirectCurrentAndUnpolarisableLayerAreReal) {
  for (const Value& v : {Response(55.0f, 0.4f, 0.1f, 0.5f, 0.0f),
                         Response(55.0f, 0.4f, 0.1f, 0.5f, -3.0f),
                         Response(55.0f, 0.0f, 0.1f, 0.5f, 10.0f)}) {
    EXPECT_FLOAT_EQ(v.real, 55.0f);
    EXPECT_EQ(v.imaginary, 0.0f);
    EXPECT_FLOAT_EQ(v.amplitude, 55.0f);
    EXPECT_EQ(v.phase, 0.0f);
  }
  // High frequency: the resistivity falls to rho0 (1 - m).
  EXPECT_NEAR(Response(55.0f, 0.4f, 1.0f, 0.8f, 1e7f).real, 33.0f, 0.05f);
}

// A zero real part gives the limit for a small positive one, not a division.
TEST(PhaseMilliradians, ZeroRealPartHasADefinedPhase) {
  EXPECT_NEAR(PhaseMilliradians(0.0f, -2.0f), 1570.796f, 1e-3f);
  EXPECT_NEAR(PhaseMilliradians(0.0f, 2.0f), -1570.796f, 1e-3f);
  EXPECT_EQ(PhaseMilliradians(0.0f, 0.0f), 0.0f);
  EXPECT_EQ(PhaseMilliradians(-0.0f, 0.0f), 0.0f);
  // The quotient form: a negative real part does not turn the angle round.
  EXPECT_NEAR(PhaseMilliradians(-1.0f, -1.0f), -785.398f, 1e-3f);
  const Value dead = Response(0.0f, 0.5f, 0.1f, 0.5f, 10.0f);
  EXPECT_EQ(dead.phase, 0.0f);
  EXPECT_EQ(dead.amplitude, 0.0f);
}

std::vector<float> All(const ColeColePartials& p) {
  return {p.realByTau,
          p.realByC,
          p.imaginaryByTau,
          p.imaginaryByC,
          p.amplitudeByTau,
          p.amplitudeByC,
          p.phaseByTau,
          p.phaseByC};
}

struct Case {
  float rho0, m, tau, c, f;
};

class ColeColeDerivativesCheck : public ::testing::TestWithParam<Case> {};

// All eight partial derivatives against central differences of the values.
TEST_P(ColeColeDerivativesCheck, MatchCentralDifferences) {
  const Case k = GetParam();
  float imaginary, amplitude, phase;
  ColeColePartials p;
  const float real =
      ColeColeDerivatives(k.rho0, k.m, k.tau, k.c, k.f, &imaginary, &amplitude, &phase, &p);
  const Value v = Response(k.rho0, k.m, k.tau, k.c, k.f);
  EXPECT_EQ(real, v.real);
  EXPECT_EQ(imaginary, v.imaginary);
  EXPECT_EQ(amplitude, v.amplitude);
  EXPECT_EQ(phase, v.phase);

  // 0.2 % steps; float rounding of about 2 * 6e-8 |value| over 2h.
  const std::vector<float> analytic = All(p);
  for (int by_c = 0; by_c < 2; ++by_c) {
    const float x = by_c ? k.c : k.tau, h = by_c ? 2e-3f : 2e-3f * k.tau;
    const auto at = [&](float y) {
      return by_c ? Response(k.rho0, k.m, k.tau, y, k.f) : Response(k.rho0, k.m, y, k.c, k.f);
    };
    const Value up = at(x + h), down = at(x - h);
    const double step = static_cast<double>(x + h) - (x - h);
    for (int field = 0; field < 4; ++field) {
      const double numeric = (static_cast<double>(up[field]) - down[field]) / step;
      const double noise = 2.0 * 6e-8 * std::fabs(v[field]) / (2.0 * h);
      EXPECT_NEAR(
          analytic[2 * field + by_c], numeric, 1e-3 * std::fabs(numeric) + 4.0 * noise + 1e-9)
          << (by_c ? "by c, " : "by tau, ") << "field " << field;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AcrossTheSpectrum,
                         ColeColeDerivativesCheck,
                         ::testing::Values(Case{100.0f, 0.2f, 0.01f, 0.5f, 16.0f},
                                           Case{2000.0f, 0.05f, 0.001f, 0.9f, 150.0f},
                                           Case{10.0f, 0.9f, 100.0f, 0.7f, 0.001f}));

TEST(ColeColeDerivatives, ZeroFrequencyGivesDirectCurrentAndNoSlope) {
  float imaginary = 1.0f, amplitude = 1.0f, phase = 1.0f;
  ColeColePartials p;
  p.realByTau = p.phaseByC = 7.0f;
  const float real =
      ColeColeDerivatives(-40.0f, 0.3f, 0.1f, 0.5f, 0.0f, &imaginary, &amplitude, &phase, &p);
  EXPECT_EQ(real, -40.0f);
  EXPECT_EQ(imaginary, 0.0f);
  EXPECT_EQ(amplitude, 40.0f);
  EXPECT_EQ(phase, 0.0f);
  EXPECT_EQ(All(p), std::vector<float>(8, 0.0f));
}

// Every corner of the accepted parameter box (tau 1e-6..1e4 s, f 1e-6..1e9 Hz,
// c in (0, 1]) has a finite response and derivatives.
TEST(ColeColeDerivatives, FiniteOverTheAcceptedParameterRanges) {
  for (float tau : {1e-6f, 1e4f}) {
    for (float f : {1e-6f, 1e9f}) {
      for (float c : {1e-30f, 1e-6f, 1.0f}) {
        for (float m : {1e-6f, 0.99f}) {
          float imaginary = 0.0f, amplitude = 0.0f, phase = 0.0f;
          ColeColePartials p;
          const float real =
              ColeColeDerivatives(1e6f, m, tau, c, f, &imaginary, &amplitude, &phase, &p);
          std::vector<float> values = All(p);
          values.insert(values.end(), {real, imaginary, amplitude, phase});
          for (float value : values) {
            EXPECT_TRUE(std::isfinite(value))
                << "tau " << tau << " f " << f << " c " << c << " m " << m;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace layra
