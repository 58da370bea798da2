#include "fileio/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fileio/temp_file.h"

namespace layra {
namespace {

namespace fs = std::filesystem;

// Files in `folder` whose names start with the temporary prefix.
int LeftoverTemporaries(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(".layra-", 0) == 0) ++count;
  }
  return count;
}

TEST(AtomicFileTest, ReplacesTheTargetOnlyOnCommit) {
  // A folder of its own: other programs write temporaries beside theirs in
  // the shared temporary folder at the same time.
  const fs::path folder =
      fs::temp_directory_path() / ("layra_atomic_" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string target = (folder / "target.txt").string();
  ASSERT_TRUE(WriteFileAtomically(target, "old contents\n"));
  {
    AtomicFileWriter writer(target);
    ASSERT_TRUE(writer.ok()) << writer.error();
    writer.Write("half written");
    EXPECT_EQ(testing::ReadWholeFile(target), "old contents\n");  // abandoned without Commit
  }
  EXPECT_EQ(testing::ReadWholeFile(target), "old contents\n");
  EXPECT_EQ(LeftoverTemporaries(folder), 0);

  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target, "new contents\n", &error)) << error;
  EXPECT_EQ(testing::ReadWholeFile(target), "new contents\n");
  EXPECT_EQ(LeftoverTemporaries(folder), 0);
  fs::remove_all(folder);
}

TEST(AtomicFileTest, ReportsThePathAndTheReasonAndLeavesNothing) {
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {"/nonexistent-folder/x.png", "No such file or directory"},
      {fs::temp_directory_path().string(), "is a directory"},
      {"/dev/full", "is not a regular file"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "data", &error)) << c.path;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace layra
