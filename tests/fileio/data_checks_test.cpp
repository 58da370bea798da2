// Checks made after a sounding is read: each finding is a warning, the data
// are read all the same, and the example soundings raise none.

#include "fileio/data_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/fileio/temp_file.h"

namespace layra {
namespace {

// A sounding of the given points; Schlumberger when `b` is given.
SoundingData Sounding(const std::vector<float>& a,
                      const std::vector<float>& rho,
                      const std::vector<float>& b = {}) {
  SoundingData data;
  data.arrayType = b.empty() ? ArrayType::kWenner : ArrayType::kSchlumberger;
  data.pointCount = static_cast<int>(a.size());
  for (size_t i = 0; i < a.size(); ++i) {
    data.spacingA[i] = a[i];
    data.apparentResistivity[i] = rho[i];
    data.spacingB[i] = b.empty() ? 0.0f : b[i];
  }
  return data;
}

TEST(CheckSounding, FindsWhatNoLayeredEarthExplains) {
  const std::vector<float> a = {1, 2, 4, 8, 16, 32};
  struct Case {
    const char* name;
    SoundingData data;
    std::string warning;  // the start of the first warning expected, or empty
  };
  // Two datum levels, the second shifted resting on one or two shared spacings.
  SoundingData single_overlap = Sounding(a, {100, 90, 80, 70, 60, 50}, {0.5f, 0.5f, 0.5f, 2, 2, 2});
  single_overlap.datumLevelCount = 2;
  single_overlap.overlapCount[0] = 1;
  single_overlap.levelShiftFactor[0] = 1.05f;
  SoundingData shifted = single_overlap;
  shifted.overlapCount[0] = 2;
  shifted.levelShiftFactor[0] = 0.8f;
  SoundingData small_shift = shifted;
  small_shift.levelShiftFactor[0] = 1.1f;
  const Case cases[] = {
      {"smooth", Sounding(a, {100, 90, 70, 60, 70, 100}), ""},
      {"steep rise",
       Sounding(a, {100, 90, 70, 60, 70, 320}),
       "Point 6 (spacing 32.00 m) rises from point 5 with a log-log slope of 2.2"},
      {"outlier",
       Sounding(a, {100, 90, 40, 60, 70, 100}),
       "Point 3 (spacing 4.00 m) lies a factor of 1.84 off the trend"},
      {"single overlap",
       single_overlap,
       "Datum level 2 is shifted by a factor of 1.050 resting on a single"},
      {"large shift", shifted, "Datum level 2 is shifted by a factor of 0.800, more than 15%"},
      {"small shift", small_shift, ""},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> warnings = CheckSounding(c.data);
    if (c.warning.empty()) {
      EXPECT_TRUE(warnings.empty()) << c.name << ": " << warnings.front();
    } else {
      ASSERT_FALSE(warnings.empty()) << c.name;
      EXPECT_EQ(warnings[0].rfind(c.warning, 0), 0u) << c.name << ": " << warnings[0];
    }
  }
}

// Read through the data-file reader: the warning is listed, kept with the
// data, and the file is still accepted; the examples raise no warning.
TEST(CheckSounding, ReaderListsWarningsAndTheExamplesHaveNone) {
  for (const auto& entry : std::filesystem::directory_iterator(LAYRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".dat") continue;
    const testing::DataRead read(entry.path().string());
    ASSERT_EQ(read.status, 0) << entry.path();
    EXPECT_TRUE(read.file->data.warnings.empty())
        << entry.path() << read.file->data.warnings.front();
  }
  const testing::TempFile steep(".dat",
                                "Steep\nArray\nWenner\nPoints\n5\nType\nResistivity\nErrors\nNo\n"
                                "Data\n1 100\n2 90\n4 80\n8 70\n16 400\nModel\nNo\n");
  const testing::DataRead read(steep.path());
  ASSERT_EQ(read.status, 0);
  EXPECT_EQ(read.file->data.pointCount, 5);
  ASSERT_FALSE(read.file->data.warnings.empty());
  EXPECT_TRUE(read.listing.Listed(
      "Warning: Point 5 (spacing 16.00 m) rises from point 4 with a log-log slope of 2.5;"));
}

}  // namespace
}  // namespace layra
