// Timing of one automatic inversion: a 90-point Schlumberger sounding of a
// four-layer earth with 2 % noise, 8 iterations, unattended, with the results
// file written after every iteration (scratch: removed at the end). The
// sounding is made in memory and run as a document.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "inversion/accurate_search.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {
namespace {

void FillNinetyPointSounding(SoundingDocument& document, const std::string& data_file) {
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
  SoundingData& data = document.data;
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

// Runs `options` on the document as often as the benchmark asks, unattended,
// with a scratch results file, and reports the last run's iterations, layers
// and misfit (and chi^2 / N for the accurate engine).
void TimeRuns(benchmark::State& bench_state, SoundingDocument& document, RunOptions options) {
  options.results_path = ResultsFileFor(document.data.dataFileName, ".INx");
  options.remove_results = true;
  UnattendedObserver observer;
  InversionOutcome outcome;
  for (auto _ : bench_state) {
    outcome = document.Run(options, observer).outcome;
    document.runs.clear();
    benchmark::DoNotOptimize(outcome.finalMisfit);
  }
  bench_state.counters["iterations"] = outcome.lastIteration;
  bench_state.counters["layers"] = outcome.model.layerCount;
  bench_state.counters["misfit_percent"] = 100.0 * outcome.finalMisfit;
  if (options.engine.engine == EngineKind::kAccurate) bench_state.counters["chi2"] = outcome.chi2;
}

void BM_AutomaticInversion90Points8Iterations(benchmark::State& bench_state) {
  auto document = std::make_unique<SoundingDocument>();
  FillNinetyPointSounding(
      *document, (std::filesystem::temp_directory_path() / "layra_inversion_bench.dat").string());
  RunOptions options = document->NextRunOptions(false);
  options.settings.convergenceLimit = 0.0001f;  // run all 8 iterations
  TimeRuns(bench_state, *document, options);
}
BENCHMARK(BM_AutomaticInversion90Points8Iterations)->Unit(benchmark::kMillisecond);

// The accurate engine on the same sounding: the smooth (Occam) run to its
// end, and a four-layer run from a start 30 % off the truth.
void BM_AccurateInversion90Points(benchmark::State& bench_state, int user_model) {
  auto document = std::make_unique<SoundingDocument>();
  FillNinetyPointSounding(
      *document, (std::filesystem::temp_directory_path() / "layra_accurate_bench.dat").string());
  document->engine.engine = EngineKind::kAccurate;
  document->engine.assumedErrorPercent = 2.0;
  document->settings.iterationLimit = 25;
  LayeredModel& start = document->model;
  start.layerCount = 4;
  const float rho[] = {160.0f, 18.0f, 400.0f, 30.0f}, h[] = {4.0f, 9.0f, 52.0f};
  for (int j = 0; j < 4; ++j) start.resistivity[j] = rho[j];
  for (int j = 0; j < 3; ++j) start.thickness[j] = h[j];
  TimeRuns(bench_state, *document, document->NextRunOptions(user_model != 0));
}
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, Automatic, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, FourLayers, 1)->Unit(benchmark::kMillisecond);

// --layers auto on the same sounding: 2 to 6 layers, each from its starts.
void BM_LayerCountChoice90Points(benchmark::State& bench_state) {
  auto document = std::make_unique<SoundingDocument>();
  FillNinetyPointSounding(*document, "unused.dat");
  EngineOptions options;
  options.engine = EngineKind::kAccurate;
  LayerCountChoice choice;
  std::string message;
  for (auto _ : bench_state) {
    ChooseLayerCount(document->data, options, 2, 6, &choice, &message);
    benchmark::DoNotOptimize(choice.chosen);
  }
  bench_state.counters["chosen_layers"] = ChosenModel(choice).layerCount;
}
BENCHMARK(BM_LayerCountChoice90Points)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace layra
