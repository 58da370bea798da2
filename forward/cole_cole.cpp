#include "forward/cole_cole.h"

#include <cmath>

namespace layra {

namespace {

// pi / 2 as a double constant and 2 pi as a single-precision one: the values
// the stored spectra were computed with.
constexpr double kHalfPi = 1.5707963;
constexpr float kTwoPi = 6.2831850f;

// Z = rho0 - rho0 m + rho0 m A / D, Im Z = -rho0 m B / D with
// P = (2 pi f tau)^c, A = 1 + P cos(c pi/2), B = P sin(c pi/2), D = A^2 + B^2.
struct ColeColeTerms {
  double cos_a;
  double sin_a;
  double x;  // 2 pi f tau, rounded to float
  double p;
  double a;
  double b;
  double d;
  double real;
  double imaginary;
};

ColeColeTerms Evaluate(float rho0, float m, float tau, float c, float f) {
  ColeColeTerms t;
  const double angle = c * kHalfPi;
  t.cos_a = std::cos(angle);
  t.sin_a = std::sin(angle);
  t.x = static_cast<float>(static_cast<double>(f) * kTwoPi * tau);
  t.p = std::pow(t.x, static_cast<double>(c));
  t.a = 1.0 + t.p * t.cos_a;
  t.b = t.p * t.sin_a;
  t.d = t.a * t.a + t.b * t.b;
  const double rho_m = static_cast<double>(rho0) * m;
  t.real = rho0 - rho_m * (1.0 - t.a / t.d);
  t.imaginary = -rho_m * t.b / t.d;
  return t;
}

float Amplitude(float real, float imaginary) {
  return static_cast<float>(
      std::sqrt(static_cast<double>(real) * real + static_cast<double>(imaginary) * imaginary));
}

}  // namespace

float PhaseMilliradians(float real, float imaginary) {
  if (real == 0.0f) {
    if (imaginary < 0.0f) return static_cast<float>(1000.0 * kHalfPi);
    if (imaginary > 0.0f) return static_cast<float>(-1000.0 * kHalfPi);
    return 0.0f;
  }
  return static_cast<float>(-1000.0 * std::atan(static_cast<double>(imaginary) / real));
}

float ColeColeResponse(float rho0,
                       float m,
                       float tau,
                       float c,
                       float f,
                       float* imaginary,
                       float* amplitude,
                       float* phase) {
  float real = rho0;
  float imag = 0.0f;
  if (f > 0.0f) {
    const ColeColeTerms t = Evaluate(rho0, m, tau, c, f);
    real = static_cast<float>(t.real);
    imag = static_cast<float>(t.imaginary);
  }
  *imaginary = imag;
  *amplitude = Amplitude(real, imag);
  *phase = PhaseMilliradians(real, imag);
  return real;
}

float ColeColeDerivatives(float rho0,
                          float m,
                          float tau,
                          float c,
                          float f,
                          float* imaginary,
                          float* amplitude,
                          float* phase,
                          ColeColePartials* partials) {
  *partials = ColeColePartials{};
  if (!(f > 0.0f)) {
    *imaginary = 0.0f;
    *amplitude = std::fabs(rho0);
    *phase = 0.0f;
    return rho0;
  }
  const ColeColeTerms t = Evaluate(rho0, m, tau, c, f);
  const float real = static_cast<float>(t.real);
  const float imag = static_cast<float>(t.imaginary);
  *imaginary = imag;
  *amplitude = Amplitude(real, imag);
  *phase = PhaseMilliradians(real, imag);

  // dP/dtau = c P / tau and dP/dc = P ln x; both vanish with P (x = 0).
  double p_by_tau = 0.0;
  double p_by_c = 0.0;
  if (t.p > 0.0 && tau != 0.0f) {
    p_by_tau = c * t.p / tau;
    p_by_c = t.p * std::log(t.x);
  }
  // cos and sin of c pi/2 change with c only.
  const double a_by_tau = t.cos_a * p_by_tau;
  const double b_by_tau = t.sin_a * p_by_tau;
  const double a_by_c = t.cos_a * p_by_c - t.p * kHalfPi * t.sin_a;
  const double b_by_c = t.sin_a * p_by_c + t.p * kHalfPi * t.cos_a;
  const double rho_m = static_cast<double>(rho0) * m;
  const double d2 = t.d * t.d;
  auto real_by = [&](double a_by, double b_by) {
    const double d_by = 2.0 * (t.a * a_by + t.b * b_by);
    return rho_m * (a_by * t.d - t.a * d_by) / d2;
  };
  auto imaginary_by = [&](double a_by, double b_by) {
    const double d_by = 2.0 * (t.a * a_by + t.b * b_by);
    return -rho_m * (b_by * t.d - t.b * d_by) / d2;
  };
  const double re_tau = real_by(a_by_tau, b_by_tau);
  const double re_c = real_by(a_by_c, b_by_c);
  const double im_tau = imaginary_by(a_by_tau, b_by_tau);
  const double im_c = imaginary_by(a_by_c, b_by_c);
  // |Z|' = (Re Re' + Im Im') / |Z|; phase' = -1000 (Re Im' - Im Re') / |Z|^2.
  const double modulus2 = t.real * t.real + t.imaginary * t.imaginary;
  const double modulus = std::sqrt(modulus2);
  partials->realByTau = static_cast<float>(re_tau);
  partials->realByC = static_cast<float>(re_c);
  partials->imaginaryByTau = static_cast<float>(im_tau);
  partials->imaginaryByC = static_cast<float>(im_c);
  if (modulus > 0.0) {
    partials->amplitudeByTau =
        static_cast<float>((t.real * re_tau + t.imaginary * im_tau) / modulus);
    partials->amplitudeByC = static_cast<float>((t.real * re_c + t.imaginary * im_c) / modulus);
    partials->phaseByTau =
        static_cast<float>(-1000.0 * (t.real * im_tau - t.imaginary * re_tau) / modulus2);
    partials->phaseByC =
        static_cast<float>(-1000.0 * (t.real * im_c - t.imaginary * re_c) / modulus2);
  }
  return real;
}

}  // namespace layra
