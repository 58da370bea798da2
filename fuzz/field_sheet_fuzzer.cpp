// Feeds arbitrary bytes to the field-sheet reader as both arrays: a sheet it
// accepts must become a data file that the data-file reader accepts with the
// same number of points, and a sheet it refuses must say why.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fileio/atomic_file.h"
#include "fileio/data_file.h"
#include "fileio/synthetic_data.h"
#include "fuzz/null_platform.h"
#include "state/records.h"
#include "survey/field_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  static const std::string path = layra::fuzz::TempPath("layra_field_sheet_fuzz_", ".dat");
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  static auto data = std::make_unique<layra::SoundingData>();
  static auto read = std::make_unique<layra::SoundingFile>();
  for (const layra::ArrayType array :
       {layra::ArrayType::kWenner, layra::ArrayType::kSchlumberger}) {
    std::string error;
    *data = layra::SoundingData();
    if (!layra::ParseFieldSheet(text, array, data.get(), &error)) {
      if (error.empty()) std::abort();
      continue;
    }
    data->title = "fuzz";
    if (!layra::WriteFileAtomically(path, layra::FormatDataFile(*data))) return 0;
    layra::fuzz::NullListing listing;
    if (layra::ReadDataFile(path, *read, listing) != 0 ||
        read->data.pointCountAsRead != data->pointCount) {
      std::abort();
    }
  }
  return 0;
}
