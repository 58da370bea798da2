// Timing of one automatic inversion: a 90-point Schlumberger sounding of a
// four-layer earth with 2 % noise, 8 iterations, each plotted on a canvas that
// discards what it is given, with the results file written after every
// iteration (a silent run, so the file is removed at the end).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/quiet_host.h"
#include "cli/text_canvas.h"
#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "inversion/accurate_search.h"
#include "inversion/inversion_driver.h"
#include "state/records.h"

namespace layra {
namespace {

void FillNinetyPointSounding(ProgramState& state, const std::string& data_file) {
  const std::vector<float> rho = {120.0f, 25.0f, 300.0f, 40.0f};
  const std::vector<float> h = {3.0f, 12.0f, 40.0f, 0.0f};
  const int n = 90;
  std::vector<float> spacings(n), observed(n);
  for (int i = 0; i < n; ++i) spacings[i] = static_cast<float>(std::pow(10.0, 3.0 * i / (n - 1)));
  const FilterSet filter = SelectFilter(ArrayType::kSchlumberger);
  ComputeApparentResistivity(filter.ratio,
                             filter.shift,
                             spacings.data(),
                             filter.length,
                             filter.coefficients.data(),
                             h.data(),
                             rho.data(),
                             4,
                             observed.data(),
                             n);
  std::mt19937 generator(11);
  std::normal_distribution<double> noise(0.0, 0.02);
  SoundingData& data = state.data;
  data.title = "Ninety-point benchmark sounding";
  data.dataFileName = data_file;
  data.arrayType = ArrayType::kSchlumberger;
  data.pointCount = n;
  data.pointCountAsRead = n;
  for (int i = 0; i < n; ++i) {
    data.spacingA[i] = spacings[i];
    data.spacingB[i] = 0.1f;
    data.apparentResistivity[i] = static_cast<float>(observed[i] * std::exp(noise(generator)));
  }
}

void BM_AutomaticInversion90Points8Iterations(benchmark::State& bench_state) {
  const std::string data_file =
      (std::filesystem::temp_directory_path() / "layra_inversion_bench.dat").string();
  auto state = std::make_unique<ProgramState>();
  FillNinetyPointSounding(*state, data_file);
  cli::NullCanvas canvas;
  QuietHost host;
  int iterations = 0;
  for (auto _ : bench_state) {
    state->settings = InversionSettings{};
    state->settings.convergenceLimit = 0.0001f;  // run all 8 iterations
    RunInversion(*state, 0, 1, canvas, host);
    iterations = state->outcome.lastIteration;
    benchmark::DoNotOptimize(state->outcome.finalMisfit);
  }
  bench_state.counters["iterations"] = iterations;
  bench_state.counters["layers"] = state->model.layerCount;
  bench_state.counters["misfit_percent"] = 100.0 * state->outcome.finalMisfit;
}
BENCHMARK(BM_AutomaticInversion90Points8Iterations)->Unit(benchmark::kMillisecond);

// The accurate engine on the same sounding: the smooth (Occam) run to its
// end, and a four-layer run from a start 30 % off the truth; both silent,
// writing the results file and plotting after every iteration.
void BM_AccurateInversion90Points(benchmark::State& bench_state, int user_model) {
  const std::string data_file =
      (std::filesystem::temp_directory_path() / "layra_accurate_bench.dat").string();
  auto state = std::make_unique<ProgramState>();
  FillNinetyPointSounding(*state, data_file);
  state->engine.engine = EngineKind::kAccurate;
  state->engine.assumedErrorPercent = 2.0;
  cli::NullCanvas canvas;
  QuietHost host;
  const LayeredModel start = [] {
    LayeredModel model;
    model.layerCount = 4;
    const float rho[] = {160.0f, 18.0f, 400.0f, 30.0f}, h[] = {4.0f, 9.0f, 52.0f};
    for (int j = 0; j < 4; ++j) model.resistivity[j] = rho[j];
    for (int j = 0; j < 3; ++j) model.thickness[j] = h[j];
    return model;
  }();
  int iterations = 0;
  for (auto _ : bench_state) {
    state->settings = InversionSettings{};
    state->settings.iterationLimit = 25;
    if (user_model) state->model = start;
    RunInversion(*state, user_model, 1, canvas, host);
    iterations = state->outcome.lastIteration;
    benchmark::DoNotOptimize(state->outcome.finalMisfit);
  }
  bench_state.counters["iterations"] = iterations;
  bench_state.counters["layers"] = state->model.layerCount;
  bench_state.counters["misfit_percent"] = 100.0 * state->outcome.finalMisfit;
  bench_state.counters["chi2"] = state->outcome.chi2;
}
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, Automatic, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, FourLayers, 1)->Unit(benchmark::kMillisecond);

// --layers auto on the same sounding: 2 to 6 layers, each from its starts.
void BM_LayerCountChoice90Points(benchmark::State& bench_state) {
  auto state = std::make_unique<ProgramState>();
  FillNinetyPointSounding(*state, "unused.dat");
  EngineOptions options;
  options.engine = EngineKind::kAccurate;
  LayerCountChoice choice;
  std::string message;
  for (auto _ : bench_state) {
    ChooseLayerCount(state->data, options, 2, 6, &choice, &message);
    benchmark::DoNotOptimize(choice.chosen);
  }
  bench_state.counters["chosen_layers"] = ChosenModel(choice).layerCount;
}
BENCHMARK(BM_LayerCountChoice90Points)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace layra
