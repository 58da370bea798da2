#include "forward/accurate_forward.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "forward/hankel_filter.h"

namespace layra::accurate {

namespace {

using Complex = std::complex<double>;

// Lagrange interpolation between grid radii on the twelve nodes i-5 .. i+6:
// the two terms of a Wenner or finite-MN datum cancel to the size of the
// datum, so each must be interpolated to about 1e-9 of the contrast.
constexpr int kStencil = 12;
constexpr int kStencilBefore = 5;
// Grid radii beyond the largest radius, so that its stencil starts at 1.
constexpr int kGridMargin = 6;
// exp(-46) < 1.1e-20: a layer with 2 lambda h above this is, to the last bit
// of a double, a half-space at that abscissa.
constexpr double kNegligibleExponent = 46.0;
// Below this MN/2 : AB/2 the finite-MN formula, which cancels to about
// the digits of that ratio, is replaced by the ideal limit; the two differ
// by the square of the ratio (1e-6).
constexpr double kIdealMnRatio = 1e-3;

// prod_(l != j) (j - l) over the stencil's nodes.
constexpr std::array<double, kStencil> NodeProducts() {
  std::array<double, kStencil> out{};
  for (int j = 0; j < kStencil; ++j) {
    double p = 1.0;
    for (int l = 0; l < kStencil; ++l)
      if (l != j) p *= j - l;
    out[j] = p;
  }
  return out;
}
constexpr std::array<double, kStencil> kNodeProducts = NodeProducts();

// One radius term of a datum: factor * I(r) for the order-0 or order-1
// integral, reduced to interpolation weights on lagged-convolution outputs.
struct Term {
  int order = 0;
  double radius = 0.0;
  double factor = 0.0;
  int first = 0;  // the grid radius of the stencil's first node
  std::array<double, kStencil> weight{};
};

struct Plan {
  int datum_count = 0;
  double first_log_lambda = 0.0;          // log of the first grid abscissa
  int radius_count = 0;                   // grid radii (lagged-convolution outputs)
  std::vector<Term> terms;                // two per datum; an unused one has all weights 0
  std::array<std::vector<char>, 2> used;  // grid radii each order needs
};

bool Finite(double v) { return std::isfinite(v); }

bool ValidLayers(const std::vector<double>& thickness, size_t layer_count) {
  if (layer_count < 1 || thickness.size() + 1 != layer_count) return false;
  for (double h : thickness)
    if (!(h > 0.0) || !Finite(h)) return false;
  return true;
}

bool ValidGeometry(const Geometry& geometry) {
  if (geometry.spacing.empty()) return false;
  const bool second_spacing = Traits(geometry.type).second_spacing;
  if (second_spacing && !geometry.mn2.empty() && geometry.mn2.size() != geometry.spacing.size())
    return false;
  for (size_t i = 0; i < geometry.spacing.size(); ++i) {
    const double s = geometry.spacing[i];
    if (!(s > 0.0) || !Finite(s)) return false;
    if (second_spacing && !geometry.mn2.empty()) {
      const double b = geometry.mn2[i];
      if (!(b >= 0.0) || !(b < s)) return false;
    }
  }
  return true;
}

// Radius terms of one datum before they are placed on the grid.
struct RadiusTerm {
  int order;
  double radius;
  double factor;
};

int DatumTerms(const Geometry& geometry, size_t i, std::array<RadiusTerm, 2>& out) {
  const double s = geometry.spacing[i];
  switch (geometry.type) {
    case ArrayType::kWenner:
      // 2a [I0(a) - I0(2a)], with I0(r) = F0(r) / r.
      out[0] = {0, s, 2.0};
      out[1] = {0, 2.0 * s, -1.0};
      return 2;
    case ArrayType::kSchlumberger:
      break;
  }
  const double b = geometry.mn2.empty() ? 0.0 : geometry.mn2[i];
  if (b < kIdealMnRatio * s) {
    // s^2 int K lambda J1(lambda s) = s F1(s).
    out[0] = {1, s, s};
    return 1;
  }
  // (s^2 - b^2) / (2b) [F0(s - b) / (s - b) - F0(s + b) / (s + b)].
  out[0] = {0, s - b, (s + b) / (2.0 * b)};
  out[1] = {0, s + b, -(s - b) / (2.0 * b)};
  return 2;
}

// Grid radius r_m = exp(-12.4 - L0 - m step), so that b_k / r_m is the grid
// abscissa m + k: the lagged convolution F(m) = sum_k w_k K(lambda_(m+k)).
Plan MakePlan(const Geometry& geometry) {
  Plan plan;
  const size_t n = geometry.spacing.size();
  plan.datum_count = static_cast<int>(n);
  std::vector<std::array<RadiusTerm, 2>> raw(n);
  std::vector<int> counts(n);
  double r_min = geometry.spacing[0];
  double r_max = r_min;
  for (size_t i = 0; i < n; ++i) {
    counts[i] = DatumTerms(geometry, i, raw[i]);
    for (int t = 0; t < counts[i]; ++t) {
      r_min = std::min(r_min, raw[i][t].radius);
      r_max = std::max(r_max, raw[i][t].radius);
    }
  }
  const double log_r_max = std::log(r_max);
  plan.first_log_lambda = kHankelFirstLogBase - log_r_max - kGridMargin * kHankelLogStep;
  const int last_radius =
      static_cast<int>(std::floor((log_r_max - std::log(r_min)) / kHankelLogStep)) + kGridMargin +
      kStencil - kStencilBefore;
  plan.radius_count = last_radius + 1;
  for (auto& u : plan.used) u.assign(static_cast<size_t>(plan.radius_count), 0);
  plan.terms.resize(2 * n);
  for (size_t i = 0; i < n; ++i) {
    for (int t = 0; t < counts[i]; ++t) {
      const RadiusTerm& r = raw[i][t];
      const double position = (log_r_max - std::log(r.radius)) / kHankelLogStep + kGridMargin;
      const int node = static_cast<int>(std::floor(position));
      const double x = position - node;
      Term& term = plan.terms[2 * i + t];
      term.order = r.order;
      term.radius = r.radius;
      term.factor = r.factor;
      term.first = node - kStencilBefore;
      // Lagrange weights N / ((x - x_j) prod_(l != j) (j - l)), N = prod (x - x_l);
      // a radius on a grid radius (x = 0) takes that one output.
      double product = 1.0;
      for (int l = 0; l < kStencil; ++l) product *= x - (l - kStencilBefore);
      for (int j = 0; j < kStencil; ++j) {
        const double offset = x - (j - kStencilBefore);
        term.weight[j] = x == 0.0 ? (offset == 0.0 ? r.factor : 0.0)
                                  : r.factor * product / (offset * kNodeProducts[j]);
        if (term.weight[j] != 0.0) plan.used[r.order][term.first + j] = 1;
      }
    }
  }
  return plan;
}

// The filtered kernel K = T - rho1 - (rhoL - rho1) exp(-c lambda), c twice
// the depth of the half-space, and when wanted its derivatives with respect
// to the 2L - 1 parameters at every grid abscissa. T - rho1 tends to
// rhoL - rho1 as lambda -> 0, and a filter reproduces the transform of a
// constant only to about 1e-6, which a 1000:1 contrast would magnify to
// 1e-3; the exponential, whose transforms are known, takes that constant
// out.
//
// Layer i is seen at the abscissae below visible[i]: above them some layer
// over it has 2 lambda h > kNegligibleExponent and acts as the half-space.
// Abscissae at or above visible[0] (the top layer alone decides T) hold
// exact zeros. The loops run over the abscissae innermost, so that the
// recurrences of different abscissae overlap in the processor.
template <typename S>
struct KernelGrid {
  double depth2 = 0.0;  // c = twice the depth of the half-space's top
  int nodes = 0;
  std::vector<double> lambda;
  std::vector<int> visible;  // per layer, and 0 for a layer below the last
  std::vector<S> kernel;
  // Parameter-major: derivative[p * nodes + k], zero at and above extent[p].
  std::vector<S> derivative;
  std::vector<int> extent;
  // Work arrays, kept between calls so that large blocks are not mapped anew.
  std::vector<double> expm1_h, sech2_h, decay;
  std::vector<S> transform, chain, by_rho, by_h;
};

// expm1(-x) for x >= 0: below 0.03 its Taylor series to x^7 (the next term is
// below 1e-16 of the value), above the library function, so that thin layers
// keep every digit.
inline double ExpMinusOne(double x) {
  if (x >= 0.03) return std::expm1(-x);
  constexpr double k1_2 = 1.0 / 2, k1_3 = 1.0 / 3, k1_4 = 1.0 / 4, k1_5 = 1.0 / 5, k1_6 = 1.0 / 6,
                   k1_7 = 1.0 / 7;
  return -x * (1.0 -
               x * k1_2 *
                   (1.0 -
                    x * k1_3 *
                        (1.0 - x * k1_4 * (1.0 - x * k1_5 * (1.0 - x * k1_6 * (1.0 - x * k1_7))))));
}

template <typename S>
void ComputeKernel(const Plan& plan,
                   const std::vector<S>& rho,
                   const std::vector<double>& h,
                   bool with_derivatives,
                   KernelGrid<S>& grid) {
  const int layers = static_cast<int>(rho.size());
  const int parameters = 2 * layers - 1;
  const int nodes = plan.radius_count + kHankelFilterLength - 1;
  const size_t g = static_cast<size_t>(nodes);
  grid.nodes = nodes;
  grid.lambda.resize(g);
  grid.kernel.assign(g, S(0.0));
  for (int k = 0; k < nodes; ++k)
    grid.lambda[k] = std::exp(plan.first_log_lambda + k * kHankelLogStep);
  grid.depth2 = 0.0;
  for (double thickness : h) grid.depth2 += 2.0 * thickness;
  grid.visible.assign(static_cast<size_t>(layers) + 1, 0);
  grid.visible[0] = layers == 1 ? 0 : nodes;
  for (int i = 0; i + 1 < layers; ++i) {
    int k = grid.visible[i];
    while (k > 0 && 2.0 * grid.lambda[k - 1] * h[i] > kNegligibleExponent) --k;
    if (i == 0) grid.visible[0] = k;
    grid.visible[i + 1] = k;
  }
  const std::vector<int>& visible = grid.visible;
  if (with_derivatives) {
    grid.derivative.assign(g * static_cast<size_t>(parameters), S(0.0));
    grid.extent.assign(static_cast<size_t>(parameters), 0);
    for (int i = 0; i < layers; ++i) grid.extent[i] = visible[i];
    for (int i = 0; i + 1 < layers; ++i) grid.extent[layers + i] = visible[i + 1];
  }
  if (layers == 1) return;
  const int live = visible[0];

  // Where layer i lies over a seen one: em, t = tanh(lambda h_i) = -em / (2 + em)
  // and 1 - t^2 = 4 e / (1 + e)^2, with em = expm1(-2 lambda h_i), e = 1 + em.
  std::vector<double>& expm1_h = grid.expm1_h;
  std::vector<double>& sech2_h = grid.sech2_h;
  expm1_h.resize(static_cast<size_t>(layers - 1) * g);
  if (with_derivatives) sech2_h.resize(static_cast<size_t>(layers - 1) * g);
  for (int i = 0; i + 1 < layers; ++i) {
    for (int k = 0; k < visible[i + 1]; ++k) {
      const double em = ExpMinusOne(2.0 * grid.lambda[k] * h[i]);
      expm1_h[i * g + k] = em;
      if (with_derivatives) {
        const double e = 1.0 + em;
        sech2_h[i * g + k] = 4.0 * e / ((1.0 + e) * (1.0 + e));
      }
    }
  }

  // From the deepest seen layer up: T = rho (T' + rho t) / (rho + T' t). With
  // derivatives, per layer: dT_i / dT_(i+1), dT_i / drho_i and dT_i / dh_i.
  std::vector<S>& transform = grid.transform;
  std::vector<S>& chain = grid.chain;
  std::vector<S>& by_rho = grid.by_rho;
  std::vector<S>& by_h = grid.by_h;
  transform.resize(g);
  if (with_derivatives) {
    chain.resize(static_cast<size_t>(layers) * g);
    by_rho.resize(static_cast<size_t>(layers) * g);
    by_h.resize(static_cast<size_t>(layers) * g);
  }
  for (int i = layers - 1; i >= 0; --i) {
    const S r = rho[i];
    const int seen_below = visible[i + 1];
    for (int k = seen_below; k < visible[i]; ++k) {
      transform[k] = r;
      if (with_derivatives) by_rho[i * g + k] = S(1.0);
    }
    const double* e_row = expm1_h.data() + (i < layers - 1 ? i * g : 0);
    const double* s_row =
        with_derivatives ? sech2_h.data() + (i < layers - 1 ? i * g : 0) : nullptr;
    if (!with_derivatives) {
      // The same with numerator and denominator times 2 + em: one division.
      for (int k = 0; k < seen_below; ++k) {
        const double em = e_row[k];
        const double a = 2.0 + em;
        const S below = transform[k];
        transform[k] = r * (below * a - r * em) / (r * a - below * em);
      }
      continue;
    }
    for (int k = 0; k < seen_below; ++k) {
      const double t = -e_row[k] / (2.0 + e_row[k]);
      const S below = transform[k];
      const S numerator = below + r * t;
      const S denominator = r + below * t;
      const S inverse = S(1.0) / denominator;
      transform[k] = r * numerator * inverse;
      const S inverse2 = inverse * inverse;
      chain[i * g + k] = r * r * s_row[k] * inverse2;
      by_rho[i * g + k] =
          (numerator * denominator + r * t * denominator - r * numerator) * inverse2;
      by_h[i * g + k] = r * (r * r - below * below) * inverse2 * (grid.lambda[k] * s_row[k]);
    }
  }
  const S contrast = rho[layers - 1] - rho[0];
  std::vector<double>& decay = grid.decay;
  decay.resize(static_cast<size_t>(live));
  for (int k = 0; k < live; ++k) {
    decay[k] = std::exp(-grid.lambda[k] * grid.depth2);
    grid.kernel[k] = transform[k] - rho[0] - contrast * decay[k];
  }
  if (!with_derivatives) return;
  // dT_0 / drho_i = prod_(j<i) (dT_j / dT_(j+1)) dT_i / drho_i, likewise for h_i.
  std::vector<S>& product = transform;
  std::fill(product.begin(), product.begin() + live, S(1.0));
  for (int i = 0; i < layers; ++i) {
    S* d_rho = grid.derivative.data() + i * g;
    for (int k = 0; k < visible[i]; ++k) d_rho[k] = product[k] * by_rho[i * g + k];
    if (i + 1 == layers) break;
    S* d_h = grid.derivative.data() + (layers + i) * g;
    for (int k = 0; k < visible[i + 1]; ++k) {
      d_h[k] = product[k] * by_h[i * g + k];
      product[k] *= chain[i * g + k];
    }
  }
  // The exponential's share: the contrast's derivatives and c = 2 sum h.
  // Beyond the deepest layer's abscissae exp(-c lambda) is below 1e-20.
  for (int k = 0; k < live; ++k) grid.derivative[k] += decay[k] - 1.0;
  const int deep = visible[layers - 1];
  for (int k = 0; k < deep; ++k) {
    grid.derivative[(layers - 1) * g + k] -= decay[k];
    const S by_c = 2.0 * grid.lambda[k] * decay[k] * contrast;
    for (int i = 0; i + 1 < layers; ++i) grid.derivative[(layers + i) * g + k] += by_c;
  }
}

// Lagged convolutions of the kernel for the grid radii each order needs:
// out[m] = sum_k w_k g(lambda_(m+k)) K(lambda_(m+k)), g = 1 for order 0 and
// lambda for order 1, and likewise for each parameter's derivative
// (out_derivative[m * P + p]).
template <typename S>
void Convolve(const Plan& plan,
              const KernelGrid<S>& grid,
              int order,
              int parameters,
              std::vector<S>& out,
              std::vector<S>* out_derivative) {
  const std::array<double, kHankelFilterLength>& w =
      order == 0 ? kHankelJ0Weights : kHankelJ1Weights;
  out.assign(static_cast<size_t>(plan.radius_count), S(0.0));
  if (out_derivative)
    out_derivative->assign(static_cast<size_t>(plan.radius_count) * parameters, S(0.0));
  // Weighted kernel g(lambda) K and the weights of this order.
  std::vector<double> scale(static_cast<size_t>(grid.nodes), 1.0);
  if (order == 1) scale = grid.lambda;
  const int live = grid.visible[0];
  for (int m = 0; m < plan.radius_count; ++m) {
    if (!plan.used[order][m]) continue;
    const int end = std::min(kHankelFilterLength, live - m);
    S sum = S(0.0);
    for (int k = 0; k < end; ++k) sum += w[k] * scale[m + k] * grid.kernel[m + k];
    out[m] = sum;
  }
  if (!out_derivative) return;
  // The derivative columns, blocks of kBlock neighbouring radii at a time:
  // each filter weight multiplies kBlock consecutive kernel values, which the
  // compiler turns into vector arithmetic with independent sums.
  constexpr int kBlock = 8;
  std::vector<S> weighted(static_cast<size_t>(grid.nodes) + kBlock, S(0.0));
  for (int p = 0; p < parameters; ++p) {
    const S* column = grid.derivative.data() + static_cast<size_t>(p) * grid.nodes;
    const int extent = grid.extent[p];
    for (int k = 0; k < extent; ++k) weighted[k] = scale[k] * column[k];
    std::fill(weighted.begin() + extent, weighted.end(), S(0.0));
    for (int m0 = 0; m0 < std::min(plan.radius_count, extent); m0 += kBlock) {
      bool needed = false;
      for (int j = 0; j < kBlock && m0 + j < plan.radius_count; ++j)
        needed = needed || plan.used[order][m0 + j];
      if (!needed) continue;
      std::array<S, kBlock> sums{};
      const int stop = std::min(kHankelFilterLength, extent - m0);
      for (int k = 0; k < stop; ++k) {
        const double weight = w[k];
        const S* values = weighted.data() + m0 + k;
        for (int j = 0; j < kBlock; ++j) sums[j] += weight * values[j];
      }
      for (int j = 0; j < kBlock && m0 + j < plan.radius_count; ++j)
        (*out_derivative)[static_cast<size_t>(m0 + j) * parameters + p] = sums[j];
    }
  }
}

// rhoa and, when wanted, d rhoa / d p (column-major n x (2L - 1)).
template <typename S>
void Evaluate(const Plan& plan,
              const std::vector<S>& rho,
              const std::vector<double>& h,
              std::vector<S>& rhoa,
              std::vector<S>* jacobian) {
  const int n = plan.datum_count;
  const int parameters = 2 * static_cast<int>(rho.size()) - 1;
  // Per thread, reused: a sensitivity run touches a few hundred kilobytes.
  thread_local KernelGrid<S> grid;
  thread_local std::array<std::vector<S>, 2> f;
  thread_local std::array<std::vector<S>, 2> df;
  ComputeKernel(plan, rho, h, jacobian != nullptr, grid);
  for (int order = 0; order < 2; ++order)
    Convolve(plan, grid, order, parameters, f[order], jacobian ? &df[order] : nullptr);
  rhoa.assign(static_cast<size_t>(n), rho[0]);
  if (jacobian) jacobian->resize(static_cast<size_t>(n) * parameters);
  const int layers = static_cast<int>(rho.size());
  const S contrast = rho[layers - 1] - rho[0];
  const double c = grid.depth2;
  // Sensitivities of one datum, gathered contiguously and then stored in
  // their column-major places.
  std::vector<S> datum(jacobian ? static_cast<size_t>(parameters) : 0);
  for (int i = 0; i < n; ++i) {
    if (jacobian) {
      std::fill(datum.begin(), datum.end(), S(0.0));
      datum[0] = S(1.0);
    }
    for (int t = 0; t < 2; ++t) {
      const Term& term = plan.terms[2 * i + t];
      if (term.factor == 0.0) continue;
      // The exponential's part: r int exp(-c lambda) J0(lambda r) = r / sqrt(r^2 + c^2),
      // s int lambda exp(-c lambda) J1(lambda s) = s^2 / (s^2 + c^2)^(3/2).
      if (layers > 1) {
        const double r = term.radius;
        const double q = r * r + c * c;
        const double g = term.order == 0 ? r / std::sqrt(q) : r * r / (q * std::sqrt(q));
        const double g_by_c = term.order == 0 ? -r * c / (q * std::sqrt(q))
                                              : -3.0 * r * r * c / (q * q * std::sqrt(q));
        rhoa[i] += term.factor * g * contrast;
        if (jacobian) {
          datum[0] -= term.factor * g;
          datum[layers - 1] += term.factor * g;
          for (int j = 0; j < layers - 1; ++j)
            datum[layers + j] += term.factor * g_by_c * 2.0 * contrast;
        }
      }
      for (int j = 0; j < kStencil; ++j) {
        const double weight = term.weight[j];
        if (weight == 0.0) continue;
        const int m = term.first + j;
        rhoa[i] += weight * f[term.order][m];
        if (!jacobian) continue;
        const S* row = df[term.order].data() + static_cast<size_t>(m) * parameters;
        for (int p = 0; p < parameters; ++p) datum[p] += weight * row[p];
      }
    }
    if (jacobian)
      for (int p = 0; p < parameters; ++p) (*jacobian)[i + static_cast<size_t>(n) * p] = datum[p];
  }
}

bool PositiveFinite(const std::vector<double>& values) {
  for (double v : values)
    if (!(v > 0.0) || !Finite(v)) return false;
  return true;
}

}  // namespace

bool ApparentResistivity(const Geometry& geometry,
                         const Layers& layers,
                         std::vector<double>& rhoa,
                         std::vector<double>* log_jacobian) {
  rhoa.clear();
  if (log_jacobian) log_jacobian->clear();
  if (!ValidGeometry(geometry) || !ValidLayers(layers.thickness, layers.resistivity.size()) ||
      !PositiveFinite(layers.resistivity))
    return false;
  const Plan plan = MakePlan(geometry);
  Evaluate(plan, layers.resistivity, layers.thickness, rhoa, log_jacobian);
  if (log_jacobian) {
    const size_t n = rhoa.size();
    const size_t l = layers.resistivity.size();
    for (size_t p = 0; p < 2 * l - 1; ++p) {
      const double value = p < l ? layers.resistivity[p] : layers.thickness[p - l];
      for (size_t i = 0; i < n; ++i) (*log_jacobian)[i + n * p] *= value / rhoa[i];
    }
  }
  return true;
}

bool ComplexApparentResistivity(const Geometry& geometry,
                                const std::vector<Complex>& resistivity,
                                const std::vector<double>& thickness,
                                std::vector<Complex>& rhoa,
                                std::vector<Complex>* jacobian) {
  rhoa.clear();
  if (jacobian) jacobian->clear();
  if (!ValidGeometry(geometry) || !ValidLayers(thickness, resistivity.size())) return false;
  for (const Complex& z : resistivity)
    if (!Finite(z.real()) || !Finite(z.imag()) || z == 0.0) return false;
  const Plan plan = MakePlan(geometry);
  Evaluate(plan, resistivity, thickness, rhoa, jacobian);
  return true;
}

bool ApparentChargeability(const Geometry& geometry,
                           const Layers& layers,
                           const std::vector<double>& chargeability,
                           std::vector<double>& ma,
                           std::vector<double>* jacobian,
                           std::vector<double>* rhoa) {
  ma.clear();
  if (jacobian) jacobian->clear();
  if (rhoa) rhoa->clear();
  const size_t l = layers.resistivity.size();
  if (!ValidGeometry(geometry) || !ValidLayers(layers.thickness, l) ||
      !PositiveFinite(layers.resistivity) || chargeability.size() != l)
    return false;
  for (double m : chargeability)
    if (!(m >= 0.0) || !(m < 1.0)) return false;
  const Plan plan = MakePlan(geometry);
  std::vector<double> plain;
  Evaluate<double>(plan, layers.resistivity, layers.thickness, plain, nullptr);
  std::vector<double> perturbed_rho(l);
  for (size_t j = 0; j < l; ++j)
    perturbed_rho[j] = layers.resistivity[j] / (1.0 - chargeability[j]);
  std::vector<double> perturbed;
  std::vector<double> sensitivity;
  Evaluate(plan, perturbed_rho, layers.thickness, perturbed, jacobian ? &sensitivity : nullptr);
  const size_t n = plain.size();
  ma.resize(n);
  for (size_t i = 0; i < n; ++i) ma[i] = 1.0 - plain[i] / perturbed[i];
  if (jacobian) {
    // d ma / d m_j = (rhoa / rhoa'^2) d rhoa' / d rho'_j * rho'_j / (1 - m_j).
    jacobian->resize(n * l);
    for (size_t j = 0; j < l; ++j) {
      const double d_rho = perturbed_rho[j] / (1.0 - chargeability[j]);
      for (size_t i = 0; i < n; ++i)
        (*jacobian)[i + n * j] =
            plain[i] / (perturbed[i] * perturbed[i]) * sensitivity[i + n * j] * d_rho;
    }
  }
  if (rhoa) *rhoa = std::move(plain);
  return true;
}

ColeColeGradient ColeColeWithGradient(double rho0, double m, double tau, double c, double f) {
  ColeColeGradient g;
  g.value = rho0;
  g.byRho0 = 1.0;
  if (!(f > 0.0) || tau == 0.0) return g;
  // X = (i omega tau)^c = (omega tau)^c exp(i c pi / 2); Z = rho0 (1 - m + m / (1 + X)).
  const double omega_tau = 2.0 * M_PI * f * tau;
  const Complex log_i_omega_tau(std::log(omega_tau), M_PI / 2.0);
  const Complex x = std::exp(c * log_i_omega_tau);
  const Complex inverse = 1.0 / (1.0 + x);
  g.value = rho0 * (1.0 - m + m * inverse);
  g.byRho0 = 1.0 - m + m * inverse;
  g.byM = rho0 * (inverse - 1.0);
  // dZ/dX = -rho0 m / (1 + X)^2; dX/dtau = c X / tau; dX/dc = X log(i omega tau).
  const Complex by_x = -rho0 * m * inverse * inverse;
  g.byTau = by_x * c * x / tau;
  g.byC = by_x * x * log_i_omega_tau;
  return g;
}

bool ColeColeApparentResistivity(const Geometry& geometry,
                                 const ColeColeLayers& layers,
                                 double f,
                                 std::vector<Complex>& rhoa,
                                 std::vector<Complex>* jacobian) {
  rhoa.clear();
  if (jacobian) jacobian->clear();
  const size_t l = layers.rho0.size();
  if (layers.m.size() != l || layers.tau.size() != l || layers.c.size() != l ||
      !PositiveFinite(layers.rho0))
    return false;
  for (size_t j = 0; j < l; ++j)
    if (!Finite(layers.m[j]) || !Finite(layers.tau[j]) || !Finite(layers.c[j]) ||
        layers.tau[j] < 0.0)
      return false;
  std::vector<ColeColeGradient> z(l);
  std::vector<Complex> resistivity(l);
  for (size_t j = 0; j < l; ++j) {
    z[j] = ColeColeWithGradient(layers.rho0[j], layers.m[j], layers.tau[j], layers.c[j], f);
    resistivity[j] = z[j].value;
  }
  std::vector<Complex> sensitivity;
  if (!ComplexApparentResistivity(
          geometry, resistivity, layers.thickness, rhoa, jacobian ? &sensitivity : nullptr))
    return false;
  if (!jacobian) return true;
  const size_t n = rhoa.size();
  jacobian->assign(n * (5 * l - 1), Complex(0.0));
  auto column = [&](size_t p) { return jacobian->data() + n * p; };
  for (size_t j = 0; j < l; ++j) {
    const Complex* by_z = sensitivity.data() + n * j;
    for (size_t i = 0; i < n; ++i) {
      column(j)[i] = by_z[i] * z[j].byRho0;
      column(2 * l - 1 + j)[i] = by_z[i] * z[j].byM;
      column(3 * l - 1 + j)[i] = by_z[i] * z[j].byTau;
      column(4 * l - 1 + j)[i] = by_z[i] * z[j].byC;
    }
  }
  for (size_t j = 0; j + 1 < l; ++j)
    std::copy_n(sensitivity.data() + n * (l + j), n, column(l + j));
  return true;
}

}  // namespace layra::accurate
