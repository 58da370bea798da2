// Timing of the analysis of how sure a model is: the equivalence analysis of
// 3- and 5-layer models (28-point Schlumberger soundings with 2 % scatter,
// accurate engine weighting), and the depth of investigation of an automatic
// accurate run on a 90-point sounding beside that run itself.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/uncertainty.h"
#include "inversion/accurate_response.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {
namespace {

SoundingData Sounding(const std::vector<double>& rho, const std::vector<double>& h, int n) {
  SoundingData data;
  data.title = "Benchmark sounding";
  data.arrayType = ArrayType::kSchlumberger;
  data.pointCount = n;
  data.pointCountAsRead = n;
  std::vector<double> spacings(n), response;
  for (int i = 0; i < n; ++i) spacings[i] = std::pow(10.0, 3.0 * i / (n - 1));
  AccurateApparentResistivity(data.arrayType, spacings, rho, h, response, nullptr);
  std::mt19937 generator(11);
  std::normal_distribution<double> noise(0.0, 0.02);
  for (int i = 0; i < n; ++i) {
    data.spacingA[i] = static_cast<float>(spacings[i]);
    data.spacingB[i] = 0.1f;
    data.apparentResistivity[i] = static_cast<float>(response[i] * std::exp(noise(generator)));
  }
  return data;
}

EngineOptions Accurate() {
  EngineOptions options;
  options.engine = EngineKind::kAccurate;
  options.assumedErrorPercent = 2.0;
  return options;
}

void BM_EquivalenceAnalysis(benchmark::State& bench_state) {
  const bool five = bench_state.range(0) == 5;
  const std::vector<double> rho =
      five ? std::vector<double>{120, 25, 300, 40, 200} : std::vector<double>{200, 20, 200};
  const std::vector<double> h =
      five ? std::vector<double>{3, 12, 40, 60} : std::vector<double>{10, 5};
  const SoundingData data = Sounding(rho, h, static_cast<int>(bench_state.range(1)));
  FewLayerUncertainty result;
  std::string message;
  for (auto _ : bench_state) {
    AnalyseFewLayer(data, Accurate(), rho, h, &result, &message);
    benchmark::DoNotOptimize(result.parameters.data());
  }
  bench_state.counters["acceptable_models"] = result.acceptable_found;
}
// Layers, data points.
BENCHMARK(BM_EquivalenceAnalysis)
    ->Args({3, 28})
    ->Args({5, 28})
    ->Args({5, 90})
    ->Unit(benchmark::kMillisecond);

// The automatic accurate run whose model the depth of investigation analyses.
const InversionOutcome& RunSmooth(SoundingDocument& document) {
  document.data = Sounding({120, 25, 300, 40}, {3, 12, 40}, 90);
  document.engine = Accurate();
  document.settings = InversionSettings{};
  document.settings.iterationLimit = 25;
  document.runs.clear();
  UnattendedObserver observer;
  return document.Run(document.NextRunOptions(false), observer).outcome;
}

void BM_SmoothAccurateInversion90Points(benchmark::State& bench_state) {
  auto document = std::make_unique<SoundingDocument>();
  int layers = 0;
  for (auto _ : bench_state) {
    const InversionOutcome& outcome = RunSmooth(*document);
    layers = outcome.model.layerCount;
    benchmark::DoNotOptimize(outcome.calculatedResistivity.data());
  }
  bench_state.counters["layers"] = layers;
}
BENCHMARK(BM_SmoothAccurateInversion90Points)->Unit(benchmark::kMillisecond);

void BM_DepthOfInvestigation90Points(benchmark::State& bench_state) {
  auto document = std::make_unique<SoundingDocument>();
  const InversionOutcome& outcome = RunSmooth(*document);
  const LayeredModel& model = outcome.model;
  const int layers = model.layerCount;
  const std::vector<double> rho(model.resistivity.begin(), model.resistivity.begin() + layers);
  const std::vector<double> h(model.thickness.begin(), model.thickness.begin() + layers - 1);
  SmoothUncertainty result;
  std::string message;
  for (auto _ : bench_state) {
    AnalyseSmooth(
        document->data, document->engine, rho, h, outcome.regularisation, &result, &message);
    // The vector, not the double: DoNotOptimize on a double member read back
    // a wrong value here (GCC, -O3).
    benchmark::DoNotOptimize(result.doi_index.data());
  }
  bench_state.counters["doi_m"] = result.doi;
}
BENCHMARK(BM_DepthOfInvestigation90Points)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace layra
