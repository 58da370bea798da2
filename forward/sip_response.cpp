#include "forward/sip_response.h"

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

  // Complex filter outputs at spacing s for `count` sets of layer
  // resistivities at once (one per frequency), the layer values held
  // set-minor: layer i of set f at zr[i * count + f]. The sets are
  // independent chains through the same layer factors, so they run side by
  // side; each follows exactly the arithmetic of a single evaluation.
  // `scratch` holds 4 * count * filter_length floats.
  void Apply(int s,
             const float* coefficients,
             const float* zr,
             const float* zi,
             int count,
             float* scratch,
             float* out_real,
             float* out_imaginary) const {
    const size_t window_size = static_cast<size_t>(count) * filter_length_;
    float* window_real = scratch;
    float* window_imaginary = scratch + window_size;
    float* tr = window_imaginary + window_size;
    float* ti = tr + count;
    for (int k = 0; k < filter_length_; ++k) {
      const size_t row = static_cast<size_t>(s) * filter_length_ + k;
      const double* factors = factors_.data() + row * interfaces_;
      const int start = start_[row];
      const float* z_real = zr + static_cast<size_t>(start) * count;
      const float* z_imaginary = zi + static_cast<size_t>(start) * count;
      for (int f = 0; f < count; ++f) {
        tr[f] = z_real[f];
        ti[f] = z_imaginary[f];
      }
      for (int i = start - 1; i >= 0; --i) {
        const double t = factors[i];
        const float* layer_real = zr + static_cast<size_t>(i) * count;
        const float* layer_imaginary = zi + static_cast<size_t>(i) * count;
        for (int f = 0; f < count; ++f)
          RecurrenceStep(layer_real[f], layer_imaginary[f], t, tr[f], ti[f]);
      }
      for (int f = 0; f < count; ++f) {
        window_real[static_cast<size_t>(f) * filter_length_ + k] = tr[f];
        window_imaginary[static_cast<size_t>(f) * filter_length_ + k] = ti[f];
      }
    }
    for (int f = 0; f < count; ++f) {
      out_real[f] = ApplyFilter(
          coefficients, window_real + static_cast<size_t>(f) * filter_length_, filter_length_);
      out_imaginary[f] = ApplyFilter(
          coefficients, window_imaginary + static_cast<size_t>(f) * filter_length_, filter_length_);
    }
  }

  static size_t ScratchSize(int count, int filter_length) {
    return static_cast<size_t>(count) * (2 * static_cast<size_t>(filter_length) + 2);
  }

 private:
  int filter_length_;
  int interfaces_;
  std::vector<double> factors_;
  std::vector<int> start_;
};

}  // namespace

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
  // Cole-Cole values of every layer at every frequency, frequency-minor.
  const size_t layer_values = static_cast<size_t>(layer_count) * frequency_count;
  std::vector<float> layer_real(layer_values);
  std::vector<float> layer_imaginary(layer_values);
  for (int layer = 0; layer < layer_count; ++layer) {
    for (int k = 0; k < frequency_count; ++k) {
      const size_t at = static_cast<size_t>(layer) * frequency_count + k;
      float layer_amplitude;
      float layer_phase;
      layer_real[at] = ColeColeResponse(rho0[layer],
                                        m[layer],
                                        tau[layer],
                                        c[layer],
                                        frequencies[k],
                                        &layer_imaginary[at],
                                        &layer_amplitude,
                                        &layer_phase);
    }
  }
  std::vector<float> scratch(LayerFactorTable::ScratchSize(frequency_count, length));
  std::vector<float> spacing_real(static_cast<size_t>(frequency_count), 0.0f);
  std::vector<float> spacing_imaginary(static_cast<size_t>(frequency_count), 0.0f);
  for (int s = 0; s < spacing_count; ++s) {
    if (length > 0) {
      table.Apply(s,
                  coefficients,
                  layer_real.data(),
                  layer_imaginary.data(),
                  frequency_count,
                  scratch.data(),
                  spacing_real.data(),
                  spacing_imaginary.data());
    }
    for (int k = 0; k < frequency_count; ++k) {
      const size_t at = layout == SpectralLayout::kFrequencyMajor
                            ? static_cast<size_t>(k) * spacing_count + s
                            : static_cast<size_t>(s) * frequency_count + k;
      const float re = spacing_real[k];
      const float im = spacing_imaginary[k];
      real[at] = re;
      imaginary[at] = im;
      amplitude[at] = static_cast<float>(
          std::sqrt(static_cast<double>(re) * re + static_cast<double>(im) * im));
      phase[at] = PhaseMilliradians(re, im);
    }
  }
}

}  // namespace layra
