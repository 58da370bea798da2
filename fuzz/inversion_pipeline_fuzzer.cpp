// Runs every data file the reader accepts through the whole inversion path:
// an automatic and a user-model inversion (a starting model from the file, or
// three layers built from the data), each writing its results file, which is
// then read back as `show` reads it and plotted. No listing, plot or results
// file may hold a number that is not finite, and a completed run's results
// file must read back.

#include <unistd.h>

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
#include "inversion/inversion_driver.h"
#include "state/records.h"
#include "state/user_model_rules.h"

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
  layra::fuzz::NullHost host;
  auto results = std::make_unique<layra::InversionResults>();
  Require(layra::ReadResultsFile(path, *results, canvas, 16, host) == 0);
  const int k = results->iterationCount;
  layra::PlotResultsIteration(*results, k, canvas);
}

// One inversion of `state`, interactive as the main window runs it, with
// every prompt cancelled.
void Invert(layra::ProgramState& state, int user_model) {
  const std::string results_path = TempPath(".INV");
  std::remove(results_path.c_str());
  CheckingCanvas canvas;
  layra::fuzz::CancellingHost host(results_path);
  layra::RunInversion(state, user_model, 0, canvas, host);
  const layra::InversionOutcome& outcome = state.outcome;
  if (outcome.runStatus != layra::RunStatus::kCompleted) return;
  Require(std::isfinite(outcome.finalMisfit));
  for (int i = 0; i < state.data.pointCount; ++i) {
    Require(std::isfinite(outcome.calculatedResistivity[i]));
  }
  ShowResults(results_path);
}

// Three layers from the data when the file carries no starting model: the
// first, middle and last apparent resistivities, interfaces at the spacings
// a third and two thirds along.
void ThreeLayersFromData(layra::ProgramState& state) {
  const layra::SoundingData& data = state.data;
  const int n = data.pointCount;
  layra::LayeredModel& model = state.model;
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
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size > 0) std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  static auto read = std::make_unique<layra::ProgramState>();
  *read = layra::ProgramState();
  CheckingCanvas canvas;
  layra::fuzz::NullHost host;
  if (layra::ReadDataFile(path, *read, canvas, host) != 0) return 0;
  read->dataRead = 1;
  read->thicknessFactor = 1.25f;
  // Three iterations reach every stage and keep each input quick.
  read->settings.iterationLimit = 3;

  static auto state = std::make_unique<layra::ProgramState>();
  *state = *read;
  Invert(*state, 0);

  *state = *read;
  if (state->userModelAvailable) {
    layra::CopyStartingModel(state->startingModel, state->model);
  } else {
    ThreeLayersFromData(*state);
  }
  state->settings.dataConstraint = 0;
  state->settings.modelConstraint = 0;
  Invert(*state, 1);

  // The accurate engine: automatic, then from the same model with a fixed
  // and a bounded parameter chosen by the input's first bytes.
  *state = *read;
  state->engine.engine = layra::EngineKind::kAccurate;
  Invert(*state, 0);
  *state = *read;
  state->engine.engine = layra::EngineKind::kAccurate;
  if (state->userModelAvailable) {
    layra::CopyStartingModel(state->startingModel, state->model);
  } else {
    ThreeLayersFromData(*state);
  }
  const int layers = state->model.layerCount;
  const int pick = size > 1 ? bytes[0] ^ bytes[size - 1] : 0;
  if (layers > 1) {
    state->engine.fixed = {(pick & 1 ? "rho" : "h") + std::to_string(1 + pick % (layers - 1))};
    const double low = 0.1 * (1 + pick % 7), high = low * (2 + pick % 1000);
    state->engine.bounds = {{"rho" + std::to_string(layers), low, high}};
  }
  Invert(*state, 1);
  return 0;
}
