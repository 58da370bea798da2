// Timings of the forward engine at the sizes the program works with.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "forward/accurate_forward.h"
#include "forward/cole_cole_fit.h"
#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "forward/sip_response.h"
#include "platform/listing_sink.h"

namespace {

std::vector<float> LogSpaced(int count, float first, float last) {
  std::vector<float> values(count);
  for (int i = 0; i < count; ++i)
    values[i] = first * std::pow(last / first, static_cast<float>(i) / (count - 1));
  return values;
}

// The many-layer model of an automatic inversion: thicknesses growing by 1.25.
void ManyLayers(int count, std::vector<float>& thickness, std::vector<float>& resistivity) {
  thickness.resize(count - 1);
  resistivity.resize(count);
  float h = 0.51f;
  for (int i = 0; i < count; ++i) {
    resistivity[i] = 50.0f + 40.0f * std::sin(0.4f * i);
    if (i < count - 1) thickness[i] = h;
    h *= 1.25f;
  }
}

void BM_ApparentResistivity30Layers90Spacings(benchmark::State& state) {
  const layra::FilterSet filter = layra::SelectFilter(layra::ArrayType::kSchlumberger);
  const std::vector<float> spacings = LogSpaced(90, 1.0f, 1000.0f);
  std::vector<float> thickness, resistivity;
  ManyLayers(30, thickness, resistivity);
  std::vector<float> out(90);
  for (auto _ : state) {
    layra::ComputeApparentResistivity(filter.ratio,
                                      filter.shift,
                                      spacings.data(),
                                      filter.length,
                                      filter.coefficients.data(),
                                      thickness.data(),
                                      resistivity.data(),
                                      30,
                                      out.data(),
                                      90);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ApparentResistivity30Layers90Spacings)->Unit(benchmark::kMicrosecond);

// The accurate engine on the same model and spacings, in double precision.
void AccurateApparentResistivity30Layers90Spacings(benchmark::State& state, bool jacobian) {
  const std::vector<float> spacings = LogSpaced(90, 1.0f, 1000.0f);
  std::vector<float> thickness, resistivity;
  ManyLayers(30, thickness, resistivity);
  layra::accurate::Geometry geometry{layra::ArrayType::kSchlumberger, {}, {}};
  geometry.spacing.assign(spacings.begin(), spacings.end());
  // Two models of different thicknesses in turn: the forward keeps the
  // layers' exponentials while the thicknesses stay (as in a smooth fit), a
  // few-layer fit changes them at every step.
  layra::accurate::Layers layers[2] = {
      {{resistivity.begin(), resistivity.end()}, {thickness.begin(), thickness.end()}},
      {{resistivity.begin(), resistivity.end()}, {thickness.begin(), thickness.end()}}};
  for (double& h : layers[1].thickness) h *= 1.01;
  std::vector<double> rhoa;
  std::vector<double> sensitivities;
  int turn = 0;
  for (auto _ : state) {
    layra::accurate::ApparentResistivity(
        geometry, layers[turn], rhoa, jacobian ? &sensitivities : nullptr);
    turn = 1 - turn;
    benchmark::DoNotOptimize(rhoa.data());
  }
}
void BM_AccurateApparentResistivity30Layers90Spacings(benchmark::State& state) {
  AccurateApparentResistivity30Layers90Spacings(state, false);
}
BENCHMARK(BM_AccurateApparentResistivity30Layers90Spacings)->Unit(benchmark::kMicrosecond);
void BM_AccurateSensitivities30Layers90Spacings(benchmark::State& state) {
  AccurateApparentResistivity30Layers90Spacings(state, true);
}
BENCHMARK(BM_AccurateSensitivities30Layers90Spacings)->Unit(benchmark::kMicrosecond);

void BM_SpectralResponse20Layers64By64(benchmark::State& state) {
  const layra::FilterSet filter = layra::SelectFilter(layra::ArrayType::kWenner);
  const std::vector<float> spacings = LogSpaced(64, 1.0f, 1000.0f);
  const std::vector<float> frequencies = LogSpaced(64, 0.01f, 10000.0f);
  std::vector<float> thickness, rho0;
  ManyLayers(20, thickness, rho0);
  std::vector<float> m(20), tau(20), c(20);
  for (int i = 0; i < 20; ++i) {
    m[i] = 0.05f + 0.02f * (i % 5);
    tau[i] = std::pow(10.0f, -3.0f + 0.3f * i);
    c[i] = 0.3f + 0.03f * (i % 7);
  }
  const size_t size = 64 * 64;
  std::vector<float> amplitude(size), phase(size), real(size), imaginary(size);
  for (auto _ : state) {
    layra::ComputeSpectralResponse(filter.shift,
                                   filter.length,
                                   filter.coefficients.data(),
                                   filter.ratio,
                                   spacings.data(),
                                   20,
                                   64,
                                   frequencies.data(),
                                   thickness.data(),
                                   rho0.data(),
                                   m.data(),
                                   tau.data(),
                                   c.data(),
                                   64,
                                   amplitude.data(),
                                   phase.data(),
                                   real.data(),
                                   imaginary.data());
    benchmark::DoNotOptimize(phase.data());
  }
}
BENCHMARK(BM_SpectralResponse20Layers64By64)->Unit(benchmark::kMillisecond);

void BM_ColeColeFit20Frequencies(benchmark::State& state) {
  const std::vector<float> frequencies = LogSpaced(20, 0.01f, 1000.0f);
  std::vector<float> amplitude(20), phase(20);
  layra::SpectrumResponse(
      20, frequencies.data(), amplitude.data(), phase.data(), 100.0f, 0.2f, 0.05f, 0.45f);
  for (int k = 0; k < 20; ++k) phase[k] *= 1.0f + 0.03f * ((k % 3) - 1);
  layra::DiscardingSink listing;
  for (auto _ : state) {
    float c, rms;
    const float tau = layra::FitColeColeSpectrum(
        20, 100.0f, 0.2f, frequencies.data(), amplitude.data(), phase.data(), &c, &rms, listing);
    benchmark::DoNotOptimize(tau);
    benchmark::DoNotOptimize(c);
  }
}
BENCHMARK(BM_ColeColeFit20Frequencies)->Unit(benchmark::kMicrosecond);

}  // namespace
