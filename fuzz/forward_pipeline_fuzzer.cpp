// Runs every model file the reader accepts through forward modelling as the
// forward window does: compute the response (listing and plot on a canvas
// that checks the text), save it as a synthetic data file for both arrays
// (the first byte chooses the SIP output form) and read that file back with
// the data-file reader. No listing, plot or saved file may hold a number that
// is not finite, and a saved file within the data reader's limits must read
// back with the values that were written.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "fileio/data_file.h"
#include "fileio/model_file.h"
#include "fileio/synthetic_data.h"
#include "forward/forward_calculation.h"
#include "fuzz/null_platform.h"
#include "graphics/forward_plot.h"
#include "state/records.h"

namespace {

using layra::fuzz::CheckingCanvas;
using layra::fuzz::Require;
using layra::fuzz::Slurp;

std::string TempPath(const char* suffix) {
  return layra::fuzz::TempPath("layra_forward_fuzz_", suffix);
}

// The saved file holds as many points and frequencies as the data reader takes.
bool WithinDataLimits(const layra::ForwardModel& model) {
  if (model.spacingCount < layra::kMinDataPoints || model.spacingCount > layra::kMaxDataPoints) {
    return false;
  }
  // The data reader takes no spacing or resistivity below what the results
  // file can record; a save of such values is left to the save's own checks.
  for (int i = 0; i < model.spacingCount; ++i) {
    if (model.spacings[i] < layra::kMinRecordedValue ||
        model.calcResistivity[i] < layra::kMinRecordedValue) {
      return false;
    }
  }
  return model.modelKind != layra::DataKind::kSip ||
         (model.frequencyCount >= layra::kMinSipFrequencies &&
          model.frequencyCount <= layra::kMaxSipFrequencies);
}

void SaveAndReadBack(const layra::ForwardModel& model) {
  static const std::string path = TempPath(".dat");
  std::remove(path.c_str());
  if (!layra::SaveForwardModel(model, path)) return;
  Require(!CheckingCanvas::Enabled() || !layra::fuzz::HasNonFiniteNumber(Slurp(path)));
  if (!WithinDataLimits(model)) return;
  static auto read = std::make_unique<layra::SoundingFile>();
  layra::fuzz::CheckingListing listing;
  Require(layra::ReadDataFile(path, *read, listing) == 0);
  // Resistivities are written with at least four decimals.
  const layra::SoundingData& data = read->data;
  if (model.arrayType == layra::ArrayType::kWenner) {
    Require(data.pointCount <= model.spacingCount);
    for (int i = 0; i < data.pointCount; ++i) {
      Require(std::isfinite(data.apparentResistivity[i]) && data.apparentResistivity[i] > 0.0f);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  if (size < 1) return 0;
  static const std::string path = TempPath(".mod");
  layra::fuzz::EnableTextChecksFor(bytes, size);
  if (!layra::fuzz::WriteInput(path, bytes + 1, size - 1)) return 0;

  static auto model = std::make_unique<layra::ForwardModel>();
  *model = layra::ForwardModel();
  CheckingCanvas canvas;
  layra::fuzz::CheckingListing listing;
  if (layra::ReadModelFile(path, *model, listing) != 0) return 0;
  model->outputSipForm =
      (bytes[0] & 1) ? layra::SipForm::kInphaseOutphase : layra::SipForm::kAmplitudePhase;
  for (layra::ArrayType array : {layra::ArrayType::kWenner, layra::ArrayType::kSchlumberger}) {
    model->arrayType = array;
    if (!layra::CalculateForwardResponse(*model, listing)) continue;
    for (int i = 0; i < model->spacingCount; ++i) {
      Require(std::isfinite(model->calcResistivity[i]) && std::isfinite(model->calcIp[i]));
    }
    layra::PlotForwardModel(*model, canvas);
    SaveAndReadBack(*model);
  }
  return 0;
}
