#include "forward/spectral_response.h"

#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/filter_abscissae.h"

namespace layra {

namespace {

// One step of the complex recurrence, T = Z (T + Z t) / (Z + t T), rounded
// to float.
inline void RecurrenceStep(double zr, double zi, double t, float& tr, float& ti) {
  const double n1r = tr + zr * t;
  const double n1i = ti + zi * t;
  const double nr = zr * n1r - zi * n1i;
  const double ni = zr * n1i + zi * n1r;
  const double dr = zr + t * tr;
  const double di = zi + t * ti;
  const double scale = 1.0 / (dr * dr + di * di);
  tr = static_cast<float>((nr * dr + ni * di) * scale);
  ti = static_cast<float>((ni * dr - nr * di) * scale);
}

// The layer factors tanh(lambda h / 2) depend on the spacing, the abscissa
// and the thickness but not on the layer resistivities, so one table serves
// every frequency. For each (spacing, abscissa) it also keeps the layer the
// recurrence effectively starts from: the uppermost layer that is infinitely
// thick there (everything below it is overwritten), or the half-space.
class LayerFactorTable {
 public:
  LayerFactorTable(float ratio,
                   float shift,
                   const float* spacings,
                   int spacing_count,
                   int filter_length,
                   const float* thickness,
                   int layer_count)
      : filter_length_(filter_length), interfaces_(layer_count - 1) {
    const size_t rows = static_cast<size_t>(spacing_count) * filter_length;
    factors_.resize(rows * static_cast<size_t>(interfaces_ > 0 ? interfaces_ : 0));
    start_.resize(rows);
    const float step = AbscissaStep(ratio);
    for (int s = 0; s < spacing_count; ++s) {
      float lambda = FirstAbscissa(spacings[s], shift);
      for (int k = 0; k < filter_length; ++k) {
        const size_t row = static_cast<size_t>(s) * filter_length + k;
        int start = layer_count - 1;
        for (int i = 0; i < interfaces_; ++i) {
          const float u = lambda * thickness[i];
          if (u > 20.0f) {
            start = i;
            break;
          }
          factors_[row * interfaces_ + i] = LayerFactor(lambda, thickness[i]);
        }
        start_[row] = start;
        lambda = NextAbscissa(lambda, step);
      }
    }
  }

  // Complex filter output at spacing s for layer resistivities (zr, zi).
  void Apply(int s,
             const float* coefficients,
             const float* zr,
             const float* zi,
             float* window_real,
             float* window_imaginary,
             float* out_real,
             float* out_imaginary) const {
    for (int k = 0; k < filter_length_; ++k) {
      const size_t row = static_cast<size_t>(s) * filter_length_ + k;
      const double* factors = factors_.data() + row * interfaces_;
      const int start = start_[row];
      float tr = zr[start];
      float ti = zi[start];
      for (int i = start - 1; i >= 0; --i) RecurrenceStep(zr[i], zi[i], factors[i], tr, ti);
      window_real[k] = tr;
      window_imaginary[k] = ti;
    }
    *out_real = ApplyFilter(coefficients, window_real, filter_length_);
    *out_imaginary = ApplyFilter(coefficients, window_imaginary, filter_length_);
  }

 private:
  int filter_length_;
  int interfaces_;
  std::vector<double> factors_;
  std::vector<int> start_;
};

}  // namespace

void ComplexLayerTransform(int layer_count,
                           const float* thickness,
                           const float* real_resistivity,
                           const float* imaginary_resistivity,
                           float lambda,
                           float* real_out,
                           float* imaginary_out) {
  float tr = real_resistivity[layer_count - 1];
  float ti = imaginary_resistivity[layer_count - 1];
  for (int i = layer_count - 2; i >= 0; --i) {
    const double t = LayerFactor(lambda, thickness[i]);
    if (t == kThickLayer) {
      tr = real_resistivity[i];
      ti = imaginary_resistivity[i];
    } else {
      RecurrenceStep(real_resistivity[i], imaginary_resistivity[i], t, tr, ti);
    }
  }
  *real_out = tr;
  *imaginary_out = ti;
}

void ComputeComplexApparentResistivity(float ratio,
                                       float shift,
                                       const float* spacings,
                                       int filter_length,
                                       const float* coefficients,
                                       const float* thickness,
                                       const float* real_resistivity,
                                       const float* imaginary_resistivity,
                                       int layer_count,
                                       float* out_real,
                                       float* out_imaginary,
                                       int spacing_count) {
  if (spacing_count < 1 || layer_count < 1) return;
  if (filter_length < 1) {
    for (int s = 0; s < spacing_count; ++s) out_real[s] = out_imaginary[s] = 0.0f;
    return;
  }
  const LayerFactorTable table(
      ratio, shift, spacings, spacing_count, filter_length, thickness, layer_count);
  std::vector<float> windows(2 * static_cast<size_t>(filter_length));
  for (int s = 0; s < spacing_count; ++s) {
    table.Apply(s,
                coefficients,
                real_resistivity,
                imaginary_resistivity,
                windows.data(),
                windows.data() + filter_length,
                out_real + s,
                out_imaginary + s);
  }
}

void ComputeSpectralResponse(float shift,
                             int filter_length,
                             const float* coefficients,
                             float ratio,
                             const float* spacings,
                             int layer_count,
                             int frequency_count,
                             const float* frequencies,
                             const float* thickness,
                             const float* rho0,
                             const float* m,
                             const float* tau,
                             const float* c,
                             int spacing_count,
                             float* amplitude,
                             float* phase,
                             float* real,
                             float* imaginary,
                             SpectralLayout layout) {
  if (spacing_count < 1 || frequency_count < 1 || layer_count < 1) return;
  const int length = filter_length > 0 ? filter_length : 0;
  const LayerFactorTable table(
      ratio, shift, spacings, spacing_count, length, thickness, layer_count);
  std::vector<float> layer_real(static_cast<size_t>(layer_count));
  std::vector<float> layer_imaginary(static_cast<size_t>(layer_count));
  std::vector<float> windows(2 * static_cast<size_t>(length) + 2);
  for (int k = 0; k < frequency_count; ++k) {
    for (int layer = 0; layer < layer_count; ++layer) {
      float layer_amplitude;
      float layer_phase;
      layer_real[layer] = ColeColeResponse(rho0[layer],
                                           m[layer],
                                           tau[layer],
                                           c[layer],
                                           frequencies[k],
                                           &layer_imaginary[layer],
                                           &layer_amplitude,
                                           &layer_phase);
    }
    for (int s = 0; s < spacing_count; ++s) {
      const size_t at = layout == SpectralLayout::kFrequencyMajor
                            ? static_cast<size_t>(k) * spacing_count + s
                            : static_cast<size_t>(s) * frequency_count + k;
      float re = 0.0f;
      float im = 0.0f;
      if (length > 0) {
        table.Apply(s,
                    coefficients,
                    layer_real.data(),
                    layer_imaginary.data(),
                    windows.data(),
                    windows.data() + length,
                    &re,
                    &im);
      }
      real[at] = re;
      imaginary[at] = im;
      amplitude[at] = static_cast<float>(
          std::sqrt(static_cast<double>(re) * re + static_cast<double>(im) * im));
      phase[at] = PhaseMilliradians(re, im);
    }
  }
}

}  // namespace layra
