// Feeds arbitrary bytes to the forward model file reader and the inversion
// results file reader. The first byte chooses the reader; the rest is the
// file. A model the reader accepts is also computed, so every accepted model
// must be one the forward engine can take.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fileio/model_file.h"
#include "fileio/results_file.h"
#include "forward/forward_calculation.h"
#include "fuzz/null_platform.h"
#include "state/records.h"

namespace {

void CheckModel(const layra::ForwardModel& model) {
  const layra::LayeredModel& layers = model.model;
  if (layers.layerCount < layra::kMinForwardLayers ||
      layers.layerCount > layra::kMaxForwardLayers || model.spacingCount < 1 ||
      model.spacingCount > layra::kMaxForwardSpacings || model.frequencyCount < 0 ||
      model.frequencyCount > layra::kMaxForwardFrequencies) {
    std::abort();
  }
  for (int i = 0; i < model.spacingCount; ++i) {
    if (!std::isfinite(model.calcResistivity[i])) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  if (size < 1) return 0;
  static const std::string path = layra::fuzz::TempPath("layra_model_results_fuzz_", "");
  if (!layra::fuzz::WriteInput(path, bytes + 1, size - 1)) return 0;

  layra::fuzz::NullListing listing;
  if (bytes[0] & 1) {
    static auto results = std::make_unique<layra::InversionResults>();
    *results = layra::InversionResults();
    if (layra::ReadResultsFile(path, *results, listing) == 0) {
      if (results->iterationCount < 0 || results->iterationCount >= layra::kResultsColumns) {
        std::abort();
      }
    }
  } else {
    static auto model = std::make_unique<layra::ForwardModel>();
    *model = layra::ForwardModel();
    if (layra::ReadModelFile(path, *model, listing) == 0) {
      if (!layra::CalculateForwardResponse(*model, listing)) std::abort();
      CheckModel(*model);
    }
  }
  return 0;
}
