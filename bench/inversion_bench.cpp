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
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {
namespace {

// The scratch results file beside the data file, as a silent run names it.
std::string ScratchResults(const std::string& data_file) {
  return std::filesystem::path(data_file).replace_extension(".INx").string();
}

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

void BM_AutomaticInversion90Points8Iterations(benchmark::State& bench_state) {
  const std::string data_file =
      (std::filesystem::temp_directory_path() / "layra_inversion_bench.dat").string();
  auto document = std::make_unique<SoundingDocument>();
  FillNinetyPointSounding(*document, data_file);
  UnattendedObserver observer;
  RunOptions options = document->NextRunOptions(false);
  options.settings.convergenceLimit = 0.0001f;  // run all 8 iterations
  options.results_path = ScratchResults(data_file);
  options.remove_results = true;
  InversionOutcome outcome;
  for (auto _ : bench_state) {
    outcome = document->Run(options, observer).outcome;
    document->runs.clear();
    benchmark::DoNotOptimize(outcome.finalMisfit);
  }
  bench_state.counters["iterations"] = outcome.lastIteration;
  bench_state.counters["layers"] = outcome.model.layerCount;
  bench_state.counters["misfit_percent"] = 100.0 * outcome.finalMisfit;
}
BENCHMARK(BM_AutomaticInversion90Points8Iterations)->Unit(benchmark::kMillisecond);

// The accurate engine on the same sounding: the smooth (Occam) run to its
// end, and a four-layer run from a start 30 % off the truth; both silent,
// writing the results file and plotting after every iteration.
void BM_AccurateInversion90Points(benchmark::State& bench_state, int user_model) {
  const std::string data_file =
      (std::filesystem::temp_directory_path() / "layra_accurate_bench.dat").string();
  auto document = std::make_unique<SoundingDocument>();
  FillNinetyPointSounding(*document, data_file);
  document->engine.engine = EngineKind::kAccurate;
  document->engine.assumedErrorPercent = 2.0;
  document->settings.iterationLimit = 25;
  LayeredModel& start = document->model;
  start.layerCount = 4;
  const float rho[] = {160.0f, 18.0f, 400.0f, 30.0f}, h[] = {4.0f, 9.0f, 52.0f};
  for (int j = 0; j < 4; ++j) start.resistivity[j] = rho[j];
  for (int j = 0; j < 3; ++j) start.thickness[j] = h[j];
  UnattendedObserver observer;
  RunOptions options = document->NextRunOptions(user_model != 0);
  options.results_path = ScratchResults(data_file);
  options.remove_results = true;
  InversionOutcome outcome;
  for (auto _ : bench_state) {
    outcome = document->Run(options, observer).outcome;
    document->runs.clear();
    benchmark::DoNotOptimize(outcome.finalMisfit);
  }
  bench_state.counters["iterations"] = outcome.lastIteration;
  bench_state.counters["layers"] = outcome.model.layerCount;
  bench_state.counters["misfit_percent"] = 100.0 * outcome.finalMisfit;
  bench_state.counters["chi2"] = outcome.chi2;
}
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, Automatic, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AccurateInversion90Points, FourLayers, 1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace layra
