// Runs every data file the reader accepts through the whole inversion path:
// an automatic and a user-model inversion (a starting model from the file, or
// three layers built from the data), each writing its results file, which is
// then read back as `show` reads it and plotted. No listing, plot or results
// file may hold a number that is not finite, and a completed run's results
// file must read back.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "fileio/results_file.h"
#include "fuzz/null_platform.h"
#include "graphics/sounding_plot.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace {

using layra::fuzz::CheckingCanvas;
using layra::fuzz::Require;
using layra::fuzz::Slurp;

std::string TempPath(const char* suffix) {
  return layra::fuzz::TempPath("layra_inversion_fuzz_", suffix);
}

// Reads the results file back and plots its last iteration as `show` does.
void ShowResults(const std::string& path) {
  Require(!CheckingCanvas::Enabled() || !layra::fuzz::HasNonFiniteNumber(Slurp(path)));
  CheckingCanvas canvas;
  layra::fuzz::CheckingListing listing;
  auto results = std::make_unique<layra::InversionResults>();
  Require(layra::ReadResultsFile(path, *results, listing) == 0);
  const int k = results->iterationCount;
  layra::PlotResultsIteration(*results, k, canvas);
}

// Checks a run: a completed one has finite values, and its results file
// reads back and plots.
void Check(const layra::SoundingData& data,
           const layra::InversionOutcome& outcome,
           const std::string& results_path) {
  if (outcome.runStatus != layra::RunStatus::kCompleted) return;
  Require(std::isfinite(outcome.finalMisfit));
  for (int i = 0; i < data.pointCount; ++i) {
    Require(std::isfinite(outcome.calculatedResistivity[i]));
  }
  ShowResults(results_path);
}

// Three layers from the data when the file carries no starting model: the
// first, middle and last apparent resistivities, interfaces at the spacings
// a third and two thirds along.
void ThreeLayersFromData(const layra::SoundingData& data, layra::LayeredModel& model) {
  const int n = data.pointCount;
  model.layerCount = 3;
  model.resistivity[0] = data.apparentResistivity[0];
  model.resistivity[1] = data.apparentResistivity[n / 2];
  model.resistivity[2] = data.apparentResistivity[n - 1];
  model.thickness[0] = std::max(data.spacingA[n / 3] * 0.5f, 0.1f);
  model.thickness[1] = std::max(data.spacingA[2 * n / 3] * 0.5f, 0.1f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  static const std::string path = TempPath(".dat");
  layra::fuzz::EnableTextChecksFor(bytes, size);
  if (!layra::fuzz::WriteInput(path, bytes, size)) return 0;

  // An automatic run, then one from the file's model (or three layers from
  // the data); three iterations reach every stage and keep inputs quick.
  const std::string results_path = TempPath(".INV");
  std::remove(results_path.c_str());
  layra::FileRunRequest request;
  request.settings.iterationLimit = 3;
  request.results_path = results_path;
  layra::fuzz::CheckingObserver observer;
  layra::FileRun read = layra::ReadAndRun(path, request, observer);
  if (read.run() == nullptr) return 0;
  layra::SoundingDocument& document = *read.document;
  Check(document.data, read.run()->outcome, results_path);

  std::remove(results_path.c_str());
  if (!document.userModelAvailable) ThreeLayersFromData(document.data, document.model);
  layra::RunOptions options = document.NextRunOptions(true);
  options.settings.iterationLimit = 3;
  options.results_path = results_path;
  Check(document.data, document.Run(options, observer).outcome, results_path);

  // The accurate engine: automatic, then from the same model with a fixed
  // and a bounded parameter chosen by the input's first bytes.
  for (const bool from_model : {false, true}) {
    std::remove(results_path.c_str());
    options = document.NextRunOptions(from_model);
    options.settings.iterationLimit = 3;
    options.results_path = results_path;
    options.engine.engine = layra::EngineKind::kAccurate;
    const int layers = document.model.layerCount;
    const int pick = size > 1 ? bytes[0] ^ bytes[size - 1] : 0;
    if (from_model && layers > 1) {
      options.engine.fixed = {(pick & 1 ? "rho" : "h") + std::to_string(1 + pick % (layers - 1))};
      const double low = 0.1 * (1 + pick % 7), high = low * (2 + pick % 1000);
      options.engine.bounds = {{"rho" + std::to_string(layers), low, high}};
    }
    Check(document.data, document.Run(options, observer).outcome, results_path);
  }
  return 0;
}
