// What the workspace computes on every mouse move of a drag: the response of
// the model being edited at the readings, and its misfit.

#include <benchmark/benchmark.h>

#include <string>

#include "fileio/data_file.h"
#include "platform/listing_sink.h"
#include "project/model_response.h"

namespace {

// A model of `layers` layers on the Schlumberger example's 19 merged points.
void BM_ModelResponseWhileDragging(benchmark::State& state) {
  layra::SoundingFile file;
  layra::DiscardingSink quiet;
  layra::ReadDataFile(
      std::string(LAYRA_EXAMPLES_DIR) + "/schlumberger_two_levels.dat", file, quiet);
  const int layers = static_cast<int>(state.range(0));
  layra::LayeredModel model;
  model.layerCount = layers;
  for (int i = 0; i < layers; ++i) {
    model.resistivity[i] = 50.0f + 40.0f * static_cast<float>(i % 3);
    model.thickness[i] = i + 1 < layers ? 2.0f * static_cast<float>(i + 1) : 0.0f;
  }
  const std::array<unsigned char, layra::kMaxPoints> excluded{};
  double depth = 2.0;
  for (auto _ : state) {
    // A boundary moved, as a drag does, then the curve and misfit anew.
    depth = depth < 6.0 ? depth * 1.01 : 2.0;
    layra::MoveBoundary(model, 0, depth);
    benchmark::DoNotOptimize(layra::ComputeModelResponse(file.data, model, excluded));
  }
}
BENCHMARK(BM_ModelResponseWhileDragging)->Arg(3)->Arg(5)->Arg(20)->Unit(benchmark::kMicrosecond);

}  // namespace
