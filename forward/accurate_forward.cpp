#include "forward/accurate_forward.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

#include "forward/hankel_filter.h"

namespace layra::accurate {

namespace {

using Complex = std::complex<double>;

// Lagrange interpolation between grid radii on the twelve nodes i-5 .. i+6.
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
// Data refined on a grid kFine times finer (see EvaluateGeometry). The
// spread of ordinary models stays below 100 of the datum.
constexpr double kRefineSpread = 1e3;
constexpr int kFine = 4;

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

// The positive nodes and their weights of the 16-point Gauss-Legendre rule on
// [-1, 1].
constexpr std::array<double, 8> kGaussNodes = {0.0950125098376374,
                                               0.2816035507792589,
                                               0.4580167776572274,
                                               0.6178762444026438,
                                               0.7554044083550030,
                                               0.8656312023878318,
                                               0.9445750230732326,
                                               0.9894009349916499};
constexpr std::array<double, 8> kGaussWeights = {0.1894506104550685,
                                                 0.1826034150449236,
                                                 0.1691565193950025,
                                                 0.1495959888165767,
                                                 0.1246289712555339,
                                                 0.0951585116824928,
                                                 0.0622535239386479,
                                                 0.0271524594117541};

// One closed-form term of a datum: factor times the subtracted function's
// integral of the given order at the radius (see TransformSubtraction).
struct RadiusTerm {
  int order = 0;
  double radius = 0.0;
  double factor = 0.0;
};

// One datum: rho1 + its closed-form terms + sum_j weight[j] F1(first + j),
// F1 the order-1 lagged convolution of the filtered kernel at the grid radii.
//   Schlumberger, MN -> 0: s F1(s);
//   Wenner a:              2a int_a^2a F1(r) dr / r;
//   Schlumberger s, b:     (s^2 - b^2) / (2b) int_(s-b)^(s+b) F1(r) dr / r,
// by J0(lambda r1) - J0(lambda r2) = int_r1^r2 lambda J1(lambda r) dr: the
// difference of two order-0 transforms becomes one order-1 integral, which
// neither cancels nor depends on the kernel at the smallest abscissae (a
// very resistive basement makes it large there).
struct Datum {
  std::array<RadiusTerm, 2> terms{};
  int term_count = 0;
  int first = 0;
  std::vector<double> weight;
};

struct Plan {
  int datum_count = 0;
  // The grid's step is the filter's divided by `fine`: radius q's lagged
  // convolution takes every fine-th abscissa from q on.
  int fine = 1;
  double step = kHankelLogStep;
  double first_log_lambda = 0.0;  // log of the first grid abscissa
  int radius_count = 0;           // grid radii (lagged-convolution outputs)
  std::vector<Datum> data;
  std::vector<char> used;  // grid radii the data need
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

// The closed-form terms of datum i, and the radii r_lo <= r_hi and factor of
// its filtered part (r_lo == r_hi: factor F1(r); else factor int F1 dr / r).
struct DatumShape {
  std::array<RadiusTerm, 2> terms{};
  int term_count = 0;
  double r_lo = 0.0;
  double r_hi = 0.0;
  double factor = 0.0;
};

DatumShape ShapeOf(const Geometry& geometry, size_t i) {
  DatumShape d;
  const double s = geometry.spacing[i];
  switch (geometry.type) {
    case ArrayType::kWenner:
      d.terms[0] = {0, s, 2.0};
      d.terms[1] = {0, 2.0 * s, -1.0};
      d.term_count = 2;
      d.r_lo = s;
      d.r_hi = 2.0 * s;
      d.factor = 2.0 * s;
      return d;
    case ArrayType::kSchlumberger:
      break;
  }
  const double b = geometry.mn2.empty() ? 0.0 : geometry.mn2[i];
  if (b < kIdealMnRatio * s) {
    d.terms[0] = {1, s, s};
    d.term_count = 1;
    d.r_lo = d.r_hi = s;
    d.factor = s;
    return d;
  }
  d.terms[0] = {0, s - b, (s + b) / (2.0 * b)};
  d.terms[1] = {0, s + b, -(s - b) / (2.0 * b)};
  d.term_count = 2;
  d.r_lo = s - b;
  d.r_hi = s + b;
  d.factor = (s * s - b * b) / (2.0 * b);
  return d;
}

// Grid radius r_m = exp(-12.4 - L0 - m step), so that b_k / r_m is the grid
// abscissa m + k: the lagged convolution F(m) = sum_k w_k K(lambda_(m+k)).
Plan MakePlan(const Geometry& geometry, int fine) {
  Plan plan;
  plan.fine = fine;
  plan.step = kHankelLogStep / fine;
  const size_t n = geometry.spacing.size();
  plan.datum_count = static_cast<int>(n);
  std::vector<DatumShape> shapes(n);
  double r_min = geometry.spacing[0];
  double r_max = r_min;
  for (size_t i = 0; i < n; ++i) {
    shapes[i] = ShapeOf(geometry, i);
    r_min = std::min(r_min, shapes[i].r_lo);
    r_max = std::max(r_max, shapes[i].r_hi);
  }
  const double log_r_max = std::log(r_max);
  plan.first_log_lambda = kHankelFirstLogBase - log_r_max - kGridMargin * plan.step;
  const int last_radius = static_cast<int>(std::floor((log_r_max - std::log(r_min)) / plan.step)) +
                          kGridMargin + kStencil - kStencilBefore;
  plan.radius_count = last_radius + 1;
  plan.used.assign(static_cast<size_t>(plan.radius_count), 0);
  plan.data.resize(n);
  auto position = [&](double log_r) { return (log_r_max - log_r) / plan.step + kGridMargin; };
  for (size_t i = 0; i < n; ++i) {
    const DatumShape& shape = shapes[i];
    Datum& datum = plan.data[i];
    datum.terms = shape.terms;
    datum.term_count = shape.term_count;
    const double log_lo = std::log(shape.r_lo);
    const double log_hi = std::log(shape.r_hi);
    datum.first = static_cast<int>(std::floor(position(log_hi))) - kStencilBefore;
    const int last = static_cast<int>(std::floor(position(log_lo))) - kStencilBefore + kStencil - 1;
    datum.weight.assign(static_cast<size_t>(last - datum.first + 1), 0.0);
    // Lagrange weights N / ((x - x_j) prod_(l != j) (j - l)), N = prod (x - x_l),
    // of F1 at log radius u, times `factor`; a radius on a grid radius (x = 0)
    // takes that one output.
    auto add = [&](double u, double factor) {
      const double at = position(u);
      const int node = static_cast<int>(std::floor(at));
      const double x = at - node;
      const int offset_first = node - kStencilBefore - datum.first;
      double product = 1.0;
      for (int l = 0; l < kStencil; ++l) product *= x - (l - kStencilBefore);
      for (int j = 0; j < kStencil; ++j) {
        const double offset = x - (j - kStencilBefore);
        datum.weight[offset_first + j] += x == 0.0 ? (offset == 0.0 ? factor : 0.0)
                                                   : factor * product / (offset * kNodeProducts[j]);
      }
    };
    if (shape.r_lo == shape.r_hi) {
      add(log_lo, shape.factor);
    } else {
      // int F1(e^u) du over [log_lo, log_hi] by 16-point Gauss-Legendre on
      // panels of at most log 2.
      const double span = log_hi - log_lo;
      const int panels = std::max(1, static_cast<int>(std::ceil(span / std::log(2.0) - 1e-9)));
      const double half = span / (2.0 * panels);
      for (int panel = 0; panel < panels; ++panel) {
        const double center = log_lo + (2 * panel + 1) * half;
        for (size_t j = 0; j < kGaussNodes.size(); ++j) {
          const double factor = shape.factor * half * kGaussWeights[j];
          add(center - half * kGaussNodes[j], factor);
          add(center + half * kGaussNodes[j], factor);
        }
      }
    }
    for (size_t j = 0; j < datum.weight.size(); ++j)
      if (datum.weight[j] != 0.0) plan.used[datum.first + j] = 1;
  }
  return plan;
}

// The plan of the last geometry seen on this thread, one for the filter's
// grid and one for a finer grid: a fit evaluates one geometry many times.
const Plan& PlanFor(const Geometry& geometry, int fine = 1) {
  struct Cache {
    bool valid = false;
    Geometry geometry;
    Plan plan;
  };
  thread_local std::array<Cache, 2> caches;
  Cache& cache = caches[fine == 1 ? 0 : 1];
  if (!cache.valid || cache.plan.fine != fine || cache.geometry.type != geometry.type ||
      cache.geometry.spacing != geometry.spacing || cache.geometry.mn2 != geometry.mn2) {
    cache.plan = MakePlan(geometry, fine);
    cache.geometry = geometry;
    cache.valid = true;
  }
  return cache.plan;
}

// The function subtracted from T - rho1 before filtering. T - rho1 tends to
// D = rhoL - rho1 as lambda -> 0, and a filter reproduces the transform of a
// constant only to about 1e-6 of it, which a large contrast magnifies, so a
// function with that limit whose transforms are known is taken out:
//  - the exponential D exp(-c lambda), c twice the depth of the half-space;
//  - over a more resistive half-space, (exp(-c lambda) - exp(-c2 lambda)) /
//    (S lambda), S the longitudinal conductance sum h_i / rho_i of the layers
//    above it and c2 = c + D S. Between 1 / c2 and 1 / c the transform is
//    that of a sheet of conductance S over an insulator, about 1 / (S lambda),
//    which reaches D only at lambda ~ 1 / (D S): over a basement 1e5 times
//    more resistive that lies below the filter's first abscissa, where the
//    exponential would leave the filter a kernel of -D. This form follows
//    T - rho1 there to about the top resistivity and reaches D at 0.
// Its quantities: a (D, or S in the sheet form), c and c2, and per
// parameter their derivatives.
template <typename S>
struct SubtractionSlope {
  S a = S(0.0);
  double c = 0.0;
  S c2 = S(0.0);
};

template <typename S>
struct Subtraction {
  bool sheet = false;
  S a = S(0.0);
  double c = 0.0;
  S delta = S(0.0);  // c2 - c = D S (sheet form)
  S c2 = S(0.0);
  std::vector<SubtractionSlope<S>> slope;  // per parameter
};

template <typename S>
Subtraction<S> MakeSubtraction(const std::vector<S>& rho, const std::vector<double>& h, double c) {
  const int layers = static_cast<int>(rho.size());
  Subtraction<S> sub;
  sub.c = c;
  sub.slope.assign(static_cast<size_t>(2 * layers - 1), SubtractionSlope<S>{});
  const S contrast = rho[layers - 1] - rho[0];
  for (int i = 0; i + 1 < layers; ++i) sub.slope[layers + i].c = 2.0;
  if constexpr (std::is_same_v<S, double>) sub.sheet = contrast > 0.0;
  if (!sub.sheet) {
    sub.a = contrast;
    sub.slope[0].a = -1.0;
    sub.slope[layers - 1].a += 1.0;
    return sub;
  }
  for (int i = 0; i + 1 < layers; ++i) {
    sub.a += h[i] / rho[i];
    sub.slope[i].a = -h[i] / (rho[i] * rho[i]);
    sub.slope[layers + i].a = 1.0 / rho[i];
  }
  sub.delta = contrast * sub.a;
  sub.c2 = c + sub.delta;
  for (auto& slope : sub.slope) slope.c2 = slope.c + contrast * slope.a;
  sub.slope[0].c2 -= sub.a;
  sub.slope[layers - 1].c2 += sub.a;
  return sub;
}

// The subtracted function's integral for one radius term (r int g J0(lambda
// r) for order 0, r int lambda g J1(lambda r) for order 1) and its
// derivatives by a, c and c2. Written so that nothing cancels: with
// q = sqrt(r^2 + c^2), q2 = sqrt(r^2 + c2^2), u = (c + c2) / (c2 q + c q2),
// asinh(c2 / r) - asinh(c / r) = asinh(delta u) and
// c2 / q2 - c / q = r^2 delta u / (q q2).
template <typename S>
struct SubtractionTransform {
  S value = S(0.0);
  S by_a = S(0.0);
  S by_c = S(0.0);
  S by_c2 = S(0.0);
};

template <typename S>
SubtractionTransform<S> TransformSubtraction(const Subtraction<S>& sub, int order, double r) {
  SubtractionTransform<S> out;
  const double c = sub.c;
  const double q = std::sqrt(r * r + c * c);
  if (!sub.sheet) {
    const double base = order == 0 ? r / q : r * r / (q * q * q);
    const double by_c = order == 0 ? -r * c / (q * q * q) : -3.0 * r * r * c / (q * q * q * q * q);
    out.value = sub.a * base;
    out.by_a = S(base);
    out.by_c = sub.a * by_c;
    return out;
  }
  if constexpr (std::is_same_v<S, double>) {
    const double c2 = sub.c2;
    const double q2 = std::sqrt(r * r + c2 * c2);
    const double u = (c + c2) / (c2 * q + c * q2);
    const double inverse = 1.0 / sub.a;
    if (order == 0) {
      out.value = r * inverse * std::asinh(sub.delta * u);
      out.by_c = -r * inverse / q;
      out.by_c2 = r * inverse / q2;
    } else {
      out.value = r * r * sub.delta * u * inverse / (q * q2);
      out.by_c = -r * r * inverse / (q * q * q);
      out.by_c2 = r * r * inverse / (q2 * q2 * q2);
    }
    out.by_a = -out.value * inverse;
  }
  return out;
}

// The filtered kernel K = T - rho1 - g, g the subtracted function above, and
// when wanted its derivatives with respect to the 2L - 1 parameters at every
// grid abscissa.
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
  std::vector<double> expm1_h, sech2_h;
  // The thicknesses and grid expm1_h (and, when sech2_valid, sech2_h) hold.
  std::vector<double> layer_thickness;
  double layer_grid = 0.0;
  double layer_step = 0.0;
  int layer_nodes = -1;
  bool sech2_valid = false;
  std::vector<S> transform, chain, by_rho, by_h, by_a, by_c, by_c2;
  Subtraction<S> subtraction;
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
  const int nodes = plan.radius_count + (kHankelFilterLength - 1) * plan.fine;
  const size_t g = static_cast<size_t>(nodes);
  grid.nodes = nodes;
  grid.lambda.resize(g);
  grid.kernel.assign(g, S(0.0));
  for (int k = 0; k < nodes; ++k) grid.lambda[k] = std::exp(plan.first_log_lambda + k * plan.step);
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
  // They depend on the thicknesses and the grid alone: a fit that holds the
  // thicknesses (the smooth fit on its grid of layers) computes them once.
  const bool same = grid.layer_thickness == h && grid.layer_grid == plan.first_log_lambda &&
                    grid.layer_step == plan.step && grid.layer_nodes == nodes;
  if (!same || (with_derivatives && !grid.sech2_valid)) {
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
    grid.layer_thickness = h;
    grid.layer_grid = plan.first_log_lambda;
    grid.layer_step = plan.step;
    grid.layer_nodes = nodes;
    grid.sech2_valid = with_derivatives;
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
  // The subtracted function and its partial derivatives by its own
  // quantities at every abscissa: by D (single exponential) or by S, c and
  // c2 (the sheet form).
  Subtraction<S>& sub = grid.subtraction;
  sub = MakeSubtraction(rho, h, grid.depth2);
  std::vector<S>& by_a = grid.by_a;
  std::vector<S>& by_c = grid.by_c;
  std::vector<S>& by_c2 = grid.by_c2;
  by_a.resize(static_cast<size_t>(visible[layers - 1]));
  by_c.resize(static_cast<size_t>(visible[layers - 1]));
  by_c2.resize(static_cast<size_t>(visible[layers - 1]));
  // Beyond the deepest layer's abscissae exp(-c lambda) is below 1e-20: the
  // subtracted function is nothing there.
  const int deep = visible[layers - 1];
  for (int k = 0; k < deep; ++k) {
    const double lambda = grid.lambda[k];
    const double decay = std::exp(-lambda * sub.c);
    S subtracted;
    if constexpr (std::is_same_v<S, double>) {
      if (sub.sheet) {
        // (exp(-c lambda) - exp(-c2 lambda)) / (S lambda), without cancellation.
        const double inverse = 1.0 / sub.a;
        const double em = std::expm1(-sub.delta * lambda);
        subtracted = -decay * em * inverse / lambda;
        by_a[k] = -subtracted * inverse;
        by_c[k] = -decay * inverse;
        by_c2[k] = decay * (1.0 + em) * inverse;
        grid.kernel[k] = transform[k] - rho[0] - subtracted;
        continue;
      }
    }
    subtracted = sub.a * decay;
    by_a[k] = decay;
    by_c[k] = -lambda * subtracted;
    by_c2[k] = S(0.0);
    grid.kernel[k] = transform[k] - rho[0] - subtracted;
  }
  for (int k = deep; k < live; ++k) grid.kernel[k] = transform[k] - rho[0];
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
  // The top resistivity subtracted, and the subtracted function's share by
  // the chain rule through its quantities.
  for (int k = 0; k < live; ++k) grid.derivative[k] -= 1.0;
  for (int p = 0; p < parameters; ++p) {
    const SubtractionSlope<S>& slope = sub.slope[p];
    S* column = grid.derivative.data() + static_cast<size_t>(p) * g;
    for (int k = 0; k < deep; ++k)
      column[k] -= by_a[k] * slope.a + by_c[k] * slope.c + by_c2[k] * slope.c2;
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
  // Each column (the kernel, then each parameter's derivative) times
  // g(lambda), convolved for blocks of kBlock neighbouring radii at a time:
  // each filter weight multiplies kBlock consecutive values, which the
  // compiler turns into vector arithmetic with independent sums.
  constexpr int kBlock = 8;
  const int fine = plan.fine;
  thread_local std::vector<S> weighted;
  weighted.resize(static_cast<size_t>(grid.nodes) + kBlock);
  const auto convolve = [&](const S* column, int extent, auto store) {
    for (int k = 0; k < extent; ++k)
      weighted[k] = order == 1 ? grid.lambda[k] * column[k] : column[k];
    std::fill(weighted.begin() + extent, weighted.end(), S(0.0));
    for (int m0 = 0; m0 < std::min(plan.radius_count, extent); m0 += kBlock) {
      bool needed = false;
      for (int j = 0; j < kBlock && m0 + j < plan.radius_count; ++j)
        needed = needed || plan.used[m0 + j];
      if (!needed) continue;
      std::array<S, kBlock> sums{};
      const int stop = std::min(kHankelFilterLength, (extent - m0 + fine - 1) / fine);
      for (int k = 0; k < stop; ++k) {
        const double weight = w[k];
        const S* values = weighted.data() + m0 + k * fine;
        for (int j = 0; j < kBlock; ++j) sums[j] += weight * values[j];
      }
      for (int j = 0; j < kBlock && m0 + j < plan.radius_count; ++j) store(m0 + j, sums[j]);
    }
  };
  convolve(grid.kernel.data(), grid.visible[0], [&](int m, const S& sum) { out[m] = sum; });
  if (!out_derivative) return;
  for (int p = 0; p < parameters; ++p) {
    convolve(grid.derivative.data() + static_cast<size_t>(p) * grid.nodes,
             grid.extent[p],
             [&](int m, const S& sum) {
               (*out_derivative)[static_cast<size_t>(m) * parameters + p] = sum;
             });
  }
}

// rhoa and, when wanted, d rhoa / d p (column-major n x (2L - 1)).
template <typename S>
void Evaluate(const Plan& plan,
              const std::vector<S>& rho,
              const std::vector<double>& h,
              std::vector<S>& rhoa,
              std::vector<S>* jacobian,
              std::vector<double>* spread = nullptr) {
  const int n = plan.datum_count;
  const int parameters = 2 * static_cast<int>(rho.size()) - 1;
  // Per thread, reused: a sensitivity run touches a few hundred kilobytes.
  thread_local KernelGrid<S> grid;
  thread_local std::vector<S> f;
  thread_local std::vector<S> df;
  ComputeKernel(plan, rho, h, jacobian != nullptr, grid);
  Convolve(plan, grid, 1, parameters, f, jacobian ? &df : nullptr);
  rhoa.assign(static_cast<size_t>(n), rho[0]);
  if (jacobian) jacobian->resize(static_cast<size_t>(n) * parameters);
  if (spread) spread->assign(static_cast<size_t>(n), 0.0);
  const int layers = static_cast<int>(rho.size());
  const Subtraction<S>& sub = grid.subtraction;
  // Sensitivities of one datum, gathered contiguously and then stored in
  // their column-major places.
  std::vector<S> gathered(jacobian ? static_cast<size_t>(parameters) : 0);
  for (int i = 0; i < n; ++i) {
    const Datum& datum = plan.data[i];
    if (jacobian) {
      std::fill(gathered.begin(), gathered.end(), S(0.0));
      gathered[0] = S(1.0);
    }
    // The subtracted function's part, in closed form.
    for (int t = 0; layers > 1 && t < datum.term_count; ++t) {
      const RadiusTerm& term = datum.terms[t];
      const SubtractionTransform<S> part = TransformSubtraction(sub, term.order, term.radius);
      rhoa[i] += term.factor * part.value;
      if (!jacobian) continue;
      for (int p = 0; p < parameters; ++p) {
        const SubtractionSlope<S>& slope = sub.slope[p];
        gathered[p] +=
            term.factor * (part.by_a * slope.a + part.by_c * slope.c + part.by_c2 * slope.c2);
      }
    }
    const int count = static_cast<int>(datum.weight.size());
    for (int j = 0; j < count; ++j) {
      const double weight = datum.weight[j];
      if (weight == 0.0) continue;
      const int m = datum.first + j;
      rhoa[i] += weight * f[m];
      if (spread) (*spread)[i] += std::abs(weight * f[m]);
      if (!jacobian) continue;
      const S* row = df.data() + static_cast<size_t>(m) * parameters;
      for (int p = 0; p < parameters; ++p) gathered[p] += weight * row[p];
    }
    if (jacobian)
      for (int p = 0; p < parameters; ++p)
        (*jacobian)[i + static_cast<size_t>(n) * p] = gathered[p];
  }
}

// Evaluate on the filter's grid, then again on a finer grid for the data
// whose interpolation between grid radii may have lost accuracy: those whose
// filtered part, summed in magnitude over the interpolation stencil, exceeds
// kRefineSpread times the datum (a datum far below the top resistivity over a
// very conductive basement, where rho1 and the subtracted function cancel to
// a few parts in a million, so that an interpolation error of the filtered
// part, small beside its terms, is large beside the datum). The finer grid
// shrinks the stencil by kFine and its error by about kFine^12; ordinary
// models never take this path.
template <typename S>
void EvaluateGeometry(const Geometry& geometry,
                      const std::vector<S>& rho,
                      const std::vector<double>& h,
                      std::vector<S>& rhoa,
                      std::vector<S>* jacobian) {
  std::vector<double> spread;
  Evaluate(PlanFor(geometry), rho, h, rhoa, jacobian, &spread);
  Geometry refined{geometry.type, {}, {}};
  std::vector<size_t> which;
  for (size_t i = 0; i < rhoa.size(); ++i) {
    if (!(spread[i] > kRefineSpread * std::abs(rhoa[i]))) continue;
    which.push_back(i);
    refined.spacing.push_back(geometry.spacing[i]);
    if (!geometry.mn2.empty()) refined.mn2.push_back(geometry.mn2[i]);
  }
  if (which.empty()) return;
  std::vector<S> values;
  std::vector<S> sensitivity;
  Evaluate(PlanFor(refined, kFine), rho, h, values, jacobian ? &sensitivity : nullptr);
  const size_t n = rhoa.size();
  const size_t m = which.size();
  const size_t parameters = 2 * rho.size() - 1;
  for (size_t j = 0; j < m; ++j) {
    rhoa[which[j]] = values[j];
    if (jacobian)
      for (size_t p = 0; p < parameters; ++p)
        (*jacobian)[which[j] + n * p] = sensitivity[j + m * p];
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
  EvaluateGeometry(geometry, layers.resistivity, layers.thickness, rhoa, log_jacobian);
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
  EvaluateGeometry(geometry, resistivity, thickness, rhoa, jacobian);
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
  std::vector<double> plain;
  EvaluateGeometry<double>(geometry, layers.resistivity, layers.thickness, plain, nullptr);
  std::vector<double> perturbed_rho(l);
  for (size_t j = 0; j < l; ++j)
    perturbed_rho[j] = layers.resistivity[j] / (1.0 - chargeability[j]);
  std::vector<double> perturbed;
  std::vector<double> sensitivity;
  EvaluateGeometry(
      geometry, perturbed_rho, layers.thickness, perturbed, jacobian ? &sensitivity : nullptr);
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
