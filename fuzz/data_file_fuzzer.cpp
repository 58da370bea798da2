// Feeds arbitrary bytes to the sounding data-file reader: the bytes are
// written to a temporary file and read with a listing that formats every line
// (none may show a number that is not finite), and what the reader leaves is
// checked for consistency.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fileio/data_file.h"
#include "fuzz/null_platform.h"
#include "state/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  static const std::string path = layra::fuzz::TempPath("layra_data_file_fuzz_", ".dat");
  if (!layra::fuzz::WriteInput(path, bytes, size)) return 0;

  static auto read = std::make_unique<layra::SoundingFile>();
  layra::fuzz::EnableTextChecksFor(bytes, size);
  layra::fuzz::CheckingListing listing;
  int result = layra::ReadDataFile(path, *read, listing);

  const layra::SoundingData& data = read->data;
  if (result == 0) {
    // An accepted file leaves a usable sounding.
    if (data.pointCount < 1 || data.pointCount > data.pointCountAsRead ||
        data.pointCountAsRead > layra::kMaxDataPoints) {
      std::abort();
    }
    for (int i = 0; i < data.pointCount; ++i) {
      if (!(data.spacingA[i] > 0.0f) || !(data.apparentResistivity[i] > 0.0f) ||
          !std::isfinite(data.apparentResistivity[i])) {
        std::abort();
      }
    }
    if (read->userModelAvailable && (read->startingModel.layerCount < 1 ||
                                     read->startingModel.layerCount > layra::kMaxLayers)) {
      std::abort();
    }
  } else if (data.pointCount != 0) {
    std::abort();
  }
  return 0;
}
