#include "forward/accurate_forward.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace layra::accurate {
namespace {

// ---------------------------------------------------------------------------
// Independent reference: the layered-earth integrals by adaptive Gauss-Kronrod
// quadrature in long double between the zeros of the Bessel function, the
// oscillating tail summed with Wynn's epsilon algorithm.

using Real = long double;
using ComplexReal = std::complex<long double>;

// Resistivity transform minus the top resistivity, from the half-space up:
// T_i = (T_(i+1) + rho_i tanh(lambda h_i)) / (1 + T_(i+1) tanh(lambda h_i) / rho_i).
template <typename S>
S KernelReference(const std::vector<S>& rho, const std::vector<double>& h, Real lambda) {
  S t = rho.back();
  for (int i = static_cast<int>(h.size()) - 1; i >= 0; --i) {
    const Real th = std::tanh(lambda * static_cast<Real>(h[i]));
    t = (t + rho[i] * th) / (Real(1) + t * th / rho[i]);
  }
  return t - rho[0];
}

// Gauss-Kronrod 7-15 nodes and weights (the QUADPACK rule).
// clang-format off
constexpr Real kXgk[8] = {
    0.991455371120812639206854697526329L, 0.949107912342758524526189684047851L,
    0.864864423359769072789712788640926L, 0.741531185599394439863864773280788L,
    0.586087235467691130294144845693013L, 0.405845151377397166906606412076961L,
    0.207784955007898467600689403773245L, 0.0L};
constexpr Real kWgk[8] = {
    0.022935322010529224963732008058970L, 0.063092092629978553290700663189204L,
    0.104790010322250183839876322541518L, 0.140653259715525918745189590510238L,
    0.169004726639267902826583426598550L, 0.190350578064785409913256402421014L,
    0.204432940075298892414161999234649L, 0.209482141084727828012999174891714L};
constexpr Real kWg[4] = {
    0.129484966168869693270611432679082L, 0.279705391489276667901467771423780L,
    0.381830050505118944950369775488975L, 0.417959183673469387755102040816327L};
// clang-format on

template <typename S>
S Adaptive(const std::function<S(Real)>& f, Real a, Real b, Real tolerance, int depth) {
  const Real center = (a + b) / 2;
  const Real half = (b - a) / 2;
  const S fc = f(center);
  S kronrod = fc * kWgk[7];
  S gauss = fc * kWg[3];
  for (int j = 0; j < 7; ++j) {
    const S sum = f(center - half * kXgk[j]) + f(center + half * kXgk[j]);
    kronrod += sum * kWgk[j];
    if (j % 2 == 1) gauss += sum * kWg[j / 2];
  }
  // Long double holds about 19 digits: an interval whose rules agree to 16 of
  // its own value is done too (a kernel of 1e6 times the top resistivity
  // could never reach a tolerance set by the top resistivity).
  const Real error = std::abs(kronrod - gauss) * half;
  if (error <= tolerance || error <= 1e-16L * std::abs(kronrod * half) || depth > 40)
    return kronrod * half;
  return Adaptive(f, a, center, tolerance / 2, depth + 1) +
         Adaptive(f, center, b, tolerance / 2, depth + 1);
}

// J_nu(x), nu = 0 or 1, x >= 0: the library's function below 25 (exact but
// slow), Hankel's asymptotic expansion above (its smallest term is below e^-2x).
Real Bessel(int nu, Real x) {
  if (x < 25) return std::cyl_bessel_j(static_cast<Real>(nu), x);
  const Real mu = 4.0L * nu * nu;
  Real p = 0, q = 0, term = 1;
  for (int k = 0; k < 40; ++k) {
    if (k % 2 == 0) {
      p += (k % 4 == 0 ? 1 : -1) * term;
    } else {
      q += (k % 4 == 1 ? 1 : -1) * term;
    }
    const Real next = term * (mu - (2.0L * k + 1) * (2.0L * k + 1)) / ((k + 1) * 8.0L * x);
    if (std::fabs(next) > std::fabs(term)) break;
    term = next;
  }
  const Real chi = x - (nu / 2.0L + 0.25L) * static_cast<Real>(M_PI);
  return std::sqrt(2 / (static_cast<Real>(M_PI) * x)) * (p * std::cos(chi) - q * std::sin(chi));
}

// The k-th positive zero (k >= 1) of J_nu, nu = 0 or 1: McMahon's estimate
// refined by Newton's method.
Real BesselZero(int nu, int k) {
  const Real beta = (k + nu / 2.0L - 0.25L) * static_cast<Real>(M_PI);
  Real x = beta - (4.0L * nu * nu - 1.0L) / (8.0L * beta);
  for (int i = 0; i < 4; ++i) {
    const Real j = Bessel(nu, x);
    const Real derivative = nu == 0 ? -Bessel(1, x) : Bessel(0, x) - j / x;
    x -= j / derivative;
  }
  return x;
}

// Wynn's epsilon algorithm: the limit of a sequence of partial sums.
template <typename S>
S Wynn(std::vector<S> column) {
  std::vector<S> previous(column.size() + 1, S(0));
  S best = column.back();
  for (size_t step = 1; column.size() > 1; ++step) {
    std::vector<S> next(column.size() - 1);
    for (size_t i = 0; i + 1 < column.size(); ++i) {
      if (column[i + 1] == column[i]) return column[i];  // converged
      next[i] = previous[i + 1] + S(1) / (column[i + 1] - column[i]);
    }
    previous = column;
    column = next;
    if (step % 2 == 0) best = column.back();
  }
  return best;
}

// int_0^inf K(lambda) lambda^nu J_nu(lambda r) dlambda.
template <typename S>
S HankelReference(const std::vector<S>& rho, const std::vector<double>& h, int nu, Real r) {
  const std::function<S(Real)> f = [&](Real lambda) {
    const Real bessel = Bessel(nu, lambda * r);
    return KernelReference(rho, h, lambda) * (nu == 0 ? bessel : lambda * bessel);
  };
  const Real scale = std::abs(rho[0]) / std::pow(r, static_cast<Real>(nu + 1));
  const Real tolerance = 1e-14L * scale;
  const Real end = 60.0L / (2.0L * static_cast<Real>(h[0]));  // K below e^-60 beyond
  const int explicit_intervals = 150;
  const int extrapolated_intervals = 21;
  std::vector<S> sums;
  S sum = S(0);
  Real a = 0;
  for (int k = 1; k <= explicit_intervals + extrapolated_intervals; ++k) {
    const Real b = BesselZero(nu, k) / r;
    sum += Adaptive<S>(f, a, std::min(b, end), tolerance, 0);
    if (b >= end) return sum;
    if (k > explicit_intervals) sums.push_back(sum);
    a = b;
  }
  return Wynn(sums);
}

template <typename S>
std::vector<S> ReferenceSounding(const Geometry& g,
                                 const std::vector<S>& rho,
                                 const std::vector<double>& h) {
  std::vector<S> out;
  for (size_t i = 0; i < g.spacing.size(); ++i) {
    const Real s = g.spacing[i];
    const Real b = g.mn2.empty() ? 0 : g.mn2[i];
    S value;
    if (g.type == ArrayType::kWenner) {
      value = 2 * s * (HankelReference(rho, h, 0, s) - HankelReference(rho, h, 0, 2 * s));
    } else if (b == 0) {
      value = s * s * HankelReference(rho, h, 1, s);
    } else {
      value = (s * s - b * b) / (2 * b) *
              (HankelReference(rho, h, 0, s - b) - HankelReference(rho, h, 0, s + b));
    }
    out.push_back(value + rho[0]);
  }
  return out;
}

// ---------------------------------------------------------------------------

// Contrasts to 1000:1, layers 0.1 m to 1 km.
const std::vector<Layers> kModels = {
    {{100, 10}, {5}},
    {{1, 1000}, {1}},
    {{1000, 1}, {0.1}},
    {{50, 1000, 1, 200}, {2, 10, 1000}},
    {{100, 10, 1000, 1, 100}, {0.1, 1, 30, 300}},
    {{1, 1000, 1}, {20, 0.5}},
};
// 0.1 m to 10 km, mostly between the abscissae of any fixed grid.
const std::vector<double> kSpacings = {0.1, 0.37, 1.9, 7.0, 33.0, 150.0, 620.0, 2400.0, 10000.0};

Geometry MakeGeometry(ArrayType type, double mn_fraction) {
  Geometry g{type, kSpacings, {}};
  if (mn_fraction > 0)
    for (double s : kSpacings) g.mn2.push_back(mn_fraction * s);
  return g;
}

struct ArrayCase {
  const char* name;
  ArrayType type;
  double mn_fraction;  // MN/2 as a fraction of AB/2; 0 for the ideal limit
};

const ArrayCase kArrays[] = {
    {"wenner", ArrayType::kWenner, 0.0},
    {"schlumberger", ArrayType::kSchlumberger, 0.0},
    {"schlumberger_mn_third", ArrayType::kSchlumberger, 1.0 / 3.0},
};

class AccurateForwardArray : public ::testing::TestWithParam<ArrayCase> {
 protected:
  static Geometry ParamGeometry() { return MakeGeometry(GetParam().type, GetParam().mn_fraction); }
};

TEST_P(AccurateForwardArray, MatchesQuadratureReferenceWithin1e5) {
  const Geometry g = ParamGeometry();
  for (const Layers& model : kModels) {
    std::vector<double> rhoa;
    ASSERT_TRUE(ApparentResistivity(g, model, rhoa));
    const std::vector<Real> reference = ReferenceSounding(
        g, std::vector<Real>(model.resistivity.begin(), model.resistivity.end()), model.thickness);
    for (size_t i = 0; i < rhoa.size(); ++i)
      EXPECT_NEAR(rhoa[i] / static_cast<double>(reference[i]), 1.0, 1e-5)
          << "model " << (&model - kModels.data()) << " spacing " << kSpacings[i];
  }
}

TEST_P(AccurateForwardArray, ComplexAndChargeabilityMatchReference) {
  // A polarisable middle layer: phase within 0.01 mrad, chargeability within
  // 0.01 msec of the reference.
  const Geometry g = ParamGeometry();
  const std::vector<std::complex<double>> z = {{100, -0.5}, {10, -0.3}, {1000, -2}};
  const std::vector<double> h = {3, 40};
  std::vector<std::complex<double>> rhoa;
  ASSERT_TRUE(ComplexApparentResistivity(g, z, h, rhoa));
  const std::vector<ComplexReal> reference =
      ReferenceSounding(g, std::vector<ComplexReal>(z.begin(), z.end()), h);
  for (size_t i = 0; i < rhoa.size(); ++i) {
    const std::complex<double> expected(static_cast<double>(reference[i].real()),
                                        static_cast<double>(reference[i].imag()));
    EXPECT_NEAR(std::arg(rhoa[i]), std::arg(expected), 1e-5) << kSpacings[i];
    EXPECT_NEAR(std::abs(rhoa[i]) / std::abs(expected), 1.0, 1e-5) << kSpacings[i];
  }

  const Layers layers{{100, 10, 1000}, h};
  const std::vector<double> m = {0.01, 0.2, 0.05};
  std::vector<double> ma;
  ASSERT_TRUE(ApparentChargeability(g, layers, m, ma));
  const std::vector<Real> plain = ReferenceSounding(g, std::vector<Real>{100, 10, 1000}, h);
  const std::vector<Real> perturbed =
      ReferenceSounding(g, std::vector<Real>{100 / 0.99L, 10 / 0.8L, 1000 / 0.95L}, h);
  for (size_t i = 0; i < ma.size(); ++i)
    EXPECT_NEAR(ma[i], static_cast<double>(1 - plain[i] / perturbed[i]), 1e-5) << kSpacings[i];
}

// Every column of `jacobian` against central differences of `f` in x_p, real
// and imaginary parts each within `tolerance(p, i)`.
template <typename V>
void ExpectColumns(const std::vector<V>& jacobian,
                   const std::vector<double>& x,
                   const std::function<std::vector<V>(const std::vector<double>&)>& f,
                   const std::function<double(size_t)>& step,
                   const std::function<double(size_t, size_t)>& tolerance) {
  const size_t n = kSpacings.size();
  ASSERT_EQ(jacobian.size(), n * x.size());
  for (size_t p = 0; p < x.size(); ++p) {
    std::vector<double> up = x, down = x;
    up[p] += step(p);
    down[p] -= step(p);
    const std::vector<V> plus = f(up), minus = f(down);
    for (size_t i = 0; i < n; ++i) {
      const V error = jacobian[i + n * p] - (plus[i] - minus[i]) / (2 * step(p));
      EXPECT_LE(std::max(std::abs(std::real(error)), std::abs(std::imag(error))), tolerance(p, i))
          << "parameter " << p << " spacing " << kSpacings[i];
    }
  }
}

TEST_P(AccurateForwardArray, SensitivitiesMatchCentralDifferences) {
  const Geometry g = ParamGeometry();
  const Layers model = kModels[4];
  std::vector<double> rhoa, jacobian;
  // Equal top and bottom resistivities, a conductive and a very resistive
  // basement (the subtracted function takes three forms), and a basement a
  // million times more conductive (data refined on a finer grid; its
  // logarithms' central differences hold about five digits).
  const std::vector<std::pair<Layers, double>> cases = {{model, 1e-6},
                                                        {kModels[2], 1e-6},
                                                        {Layers{{10, 3, 1e5}, {2, 20}}, 1e-6},
                                                        {Layers{{10, 1e-5}, {0.1}}, 5e-5}};
  for (const auto& [earth, tolerance] : cases) {
    ASSERT_TRUE(ApparentResistivity(g, earth, rhoa, &jacobian));
    const size_t layers = earth.resistivity.size();
    std::vector<double> log_p;
    for (double v : earth.resistivity) log_p.push_back(std::log(v));
    for (double v : earth.thickness) log_p.push_back(std::log(v));
    ExpectColumns<double>(
        jacobian,
        log_p,
        [&](const std::vector<double>& x) {
          Layers changed = earth;
          for (size_t p = 0; p < x.size(); ++p)
            (p < layers ? changed.resistivity[p] : changed.thickness[p - layers]) = std::exp(x[p]);
          std::vector<double> out;
          ApparentResistivity(g, changed, out);
          for (double& v : out) v = std::log(v);
          return out;
        },
        [](size_t) { return 1e-4; },
        [&](size_t, size_t) { return tolerance; });
  }

  const std::vector<double> m = {0.01, 0.2, 0.05, 0.02, 0.1};
  std::vector<double> ma;
  ASSERT_TRUE(ApparentChargeability(g, model, m, ma, &jacobian));
  ExpectColumns<double>(
      jacobian,
      m,
      [&](const std::vector<double>& x) {
        std::vector<double> out;
        ApparentChargeability(g, model, x, out);
        return out;
      },
      [](size_t) { return 1e-5; },
      [](size_t, size_t) { return 1e-7; });
}

TEST_P(AccurateForwardArray, ColeColeSensitivitiesMatchCentralDifferences) {
  const Geometry g = ParamGeometry();
  // rho0, thickness, m, tau and c of three layers.
  const std::vector<double> x = {
      100, 10, 1000, 3, 40, 0.1, 0.3, 0.05, 0.01, 0.3, 1e-3, 0.5, 0.25, 0.8};
  const auto response = [&](const std::vector<double>& v,
                            std::vector<std::complex<double>>* jacobian = nullptr) {
    const ColeColeLayers layers{{v.begin(), v.begin() + 3},
                                {v.begin() + 3, v.begin() + 5},
                                {v.begin() + 5, v.begin() + 8},
                                {v.begin() + 8, v.begin() + 11},
                                {v.begin() + 11, v.end()}};
    std::vector<std::complex<double>> out;
    EXPECT_TRUE(ColeColeApparentResistivity(g, layers, 2.0, out, jacobian));
    return out;
  };
  std::vector<std::complex<double>> jacobian;
  const std::vector<std::complex<double>> rhoa = response(x, &jacobian);
  ExpectColumns<std::complex<double>>(
      jacobian,
      x,
      [&](const std::vector<double>& v) { return response(v); },
      [&](size_t p) { return 1e-5 * x[p]; },
      [&](size_t p, size_t i) { return 1e-6 * std::abs(rhoa[i]) / x[p]; });
}

// Two layers at contrasts of 1e4 to 1e6 either way, the top 0.1 m to 100 m
// thick: a very resistive basement makes the kernel huge at the smallest
// abscissae, a very conductive one leaves data far below the top
// resistivity. Over a million times more conductive basement, data whose
// outer radius exceeds 5e4 times the top thickness are held to 1e-3: there
// the kernel of the top layer still matters at the filter's last abscissa.
TEST_P(AccurateForwardArray, ExtremeContrastsMatchReferenceWithin1e4) {
  const Geometry g = ParamGeometry();
  for (double contrast : {1e4, 1e6, 1e-4, 1e-5, 1e-6}) {
    for (double h : {0.1, 1.0, 10.0, 100.0}) {
      const Layers model{{10.0, 10.0 * contrast}, {h}};
      std::vector<double> rhoa;
      ASSERT_TRUE(ApparentResistivity(g, model, rhoa));
      const std::vector<Real> reference =
          ReferenceSounding(g,
                            std::vector<Real>(model.resistivity.begin(), model.resistivity.end()),
                            model.thickness);
      for (size_t i = 0; i < rhoa.size(); ++i) {
        const double outer = (g.type == ArrayType::kWenner ? 2.0 : 1.0) * kSpacings[i];
        const double tolerance = contrast < 1e-5 && outer > 5e4 * h ? 1e-3 : 1e-4;
        EXPECT_NEAR(rhoa[i] / static_cast<double>(reference[i]), 1.0, tolerance)
            << "contrast " << contrast << " h " << h << " spacing " << kSpacings[i];
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Arrays,
                         AccurateForwardArray,
                         ::testing::ValuesIn(kArrays),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AccurateForward, HalfSpaceGivesItsResistivity) {
  for (const ArrayCase& array : kArrays) {
    std::vector<double> rhoa;
    std::vector<double> jacobian;
    ASSERT_TRUE(ApparentResistivity(
        MakeGeometry(array.type, array.mn_fraction), {{42.0}, {}}, rhoa, &jacobian));
    for (size_t i = 0; i < rhoa.size(); ++i) {
      EXPECT_DOUBLE_EQ(rhoa[i], 42.0);
      EXPECT_DOUBLE_EQ(jacobian[i], 1.0);
    }
  }
}

TEST(AccurateForward, RefusesUnusableInput) {
  const Geometry good{ArrayType::kSchlumberger, {1, 10}, {0.2, 1}};
  const Layers two{{10, 100}, {5}};
  const struct {
    const char* what;
    Geometry geometry;
    Layers layers;
  } cases[] = {
      {"no spacings", {ArrayType::kWenner, {}, {}}, two},
      {"zero spacing", {ArrayType::kWenner, {0, 1}, {}}, two},
      {"MN/2 not below AB/2", {ArrayType::kSchlumberger, {1, 10}, {1, 1}}, two},
      {"MN/2 count", {ArrayType::kSchlumberger, {1, 10}, {0.1}}, two},
      {"no layers", good, {{}, {}}},
      {"thickness count", good, {{10, 100}, {}}},
      {"negative resistivity", good, {{-10, 100}, {5}}},
      {"zero thickness", good, {{10, 100}, {0}}},
      {"infinite thickness", good, {{10, 100}, {INFINITY}}},
  };
  for (const auto& c : cases) {
    std::vector<double> rhoa = {1.0};
    EXPECT_FALSE(ApparentResistivity(c.geometry, c.layers, rhoa)) << c.what;
    EXPECT_TRUE(rhoa.empty()) << c.what;
  }
  std::vector<double> ma;
  EXPECT_FALSE(ApparentChargeability(good, two, {0.1, 1.0}, ma));
  EXPECT_FALSE(ApparentChargeability(good, two, {0.1}, ma));
  std::vector<std::complex<double>> z;
  EXPECT_FALSE(ColeColeApparentResistivity(good, {{10, -100}, {5}, {0, 0}, {1, 1}, {1, 1}}, 1, z));
  EXPECT_FALSE(ColeColeApparentResistivity(good, {{10, 100}, {5}, {0, 0}, {1, -1}, {1, 1}}, 1, z));
}

}  // namespace
}  // namespace layra::accurate
