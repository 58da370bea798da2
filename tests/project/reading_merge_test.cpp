// Readings left out before the merge: the same data as a file without them
// gives, the merge factors recomputed; and which merged point each reading
// became.

#include "project/reading_merge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "fileio/data_file.h"
#include "fileio/datum_levels.h"
#include "tests/support/scratch_dir.h"

namespace layra::testing {
namespace {

const std::string kExample = std::string(LAYRA_EXAMPLES_DIR) + "/schlumberger_two_levels.dat";

SoundingFile Read(const std::string& path) {
  SoundingFile file;
  DiscardingSink quiet;
  EXPECT_EQ(ReadDataFile(path, file, quiet), 0) << path;
  return file;
}

// The example without its data lines `drop` (0-based readings), as a file.
std::string WithoutReadings(const ScratchDir& scratch, const std::vector<int>& drop) {
  std::istringstream in(ReadWholeFile(kExample));
  std::ostringstream out;
  std::string line;
  int reading = -1;
  bool points = false;
  while (std::getline(in, line)) {
    if (line.rfind("User Starting Model", 0) == 0) points = false;
    if (points) {
      ++reading;
      if (std::find(drop.begin(), drop.end(), reading) != drop.end()) continue;
    }
    if (line == "22") line = std::to_string(22 - drop.size());
    out << line << "\n";
    if (line == "Data section") points = true;
  }
  const std::string path = scratch.Path("dropped.dat");
  std::ofstream(path) << out.str();
  return path;
}

TEST(ReadingMergeTest, MergesAsAFileWithoutTheReadings) {
  ScratchDir scratch;
  const SoundingFile full = Read(kExample);
  // Reading 11 is the first of the second segment, one of those that set
  // its merge factor; reading 3 is one of the first segment's.
  for (const std::vector<int>& drop : {std::vector<int>{10}, std::vector<int>{2, 10, 21}}) {
    std::vector<bool> left_out(22, false);
    for (int r : drop) left_out[static_cast<size_t>(r)] = true;
    SoundingData merged;
    std::string error;
    ASSERT_TRUE(MergeReadings(full.readings, left_out, &merged, &error)) << error;
    const SoundingFile expected = Read(WithoutReadings(scratch, drop));
    ASSERT_EQ(merged.pointCount, expected.data.pointCount);
    EXPECT_EQ(merged.datumLevelCount, expected.data.datumLevelCount);
    EXPECT_EQ(merged.levelShiftFactor, expected.data.levelShiftFactor);
    for (int p = 0; p < merged.pointCount; ++p) {
      EXPECT_EQ(merged.spacingA[p], expected.data.spacingA[p]) << p;
      EXPECT_EQ(merged.apparentResistivity[p], expected.data.apparentResistivity[p]) << p;
    }
  }
  // The factor of the second segment does change with reading 11 left out.
  std::vector<bool> left_out(22, false);
  left_out[10] = true;
  SoundingData merged;
  std::string error;
  ASSERT_TRUE(MergeReadings(full.readings, left_out, &merged, &error));
  EXPECT_NE(PointLevels(merged).back().factor, PointLevels(full.data).back().factor);
  EXPECT_NE(merged.apparentResistivity[merged.pointCount - 1],
            full.data.apparentResistivity[full.data.pointCount - 1]);
}

TEST(ReadingMergeTest, RefusesTooFewReadingsAndMapsReadingsToPoints) {
  const SoundingFile full = Read(kExample);
  SoundingData merged = full.data;
  std::string error;
  EXPECT_FALSE(MergeReadings(full.readings, std::vector<bool>(22, true), &merged, &error));
  EXPECT_NE(error.find("must be left in"), std::string::npos);
  EXPECT_EQ(merged.pointCount, full.data.pointCount);  // unchanged

  std::vector<bool> left_out(22, false);
  left_out[0] = true;
  ASSERT_TRUE(MergeReadings(full.readings, left_out, &merged, &error));
  const std::vector<int> point = MergedPointOfReadings(full.readings, left_out, merged);
  ASSERT_EQ(point.size(), 22u);
  EXPECT_EQ(point[0], -1);   // left out
  EXPECT_EQ(point[1], 0);    // AB/2 2 m, now the first point
  EXPECT_EQ(point[10], -1);  // AB/2 15 m of the second segment: the first segment's is kept
  EXPECT_EQ(merged.spacingA[point[13]], 30.0f);
}

}  // namespace
}  // namespace layra::testing
