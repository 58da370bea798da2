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
  testing::TempFile target(".txt", "old contents\n");
  const fs::path folder = fs::path(target.path()).parent_path();
  const int before = LeftoverTemporaries(folder);
  {
    AtomicFileWriter writer(target.path());
    ASSERT_TRUE(writer.ok()) << writer.error();
    writer.Write("half written");
    EXPECT_EQ(target.Read(), "old contents\n");  // abandoned without Commit
  }
  EXPECT_EQ(target.Read(), "old contents\n");
  EXPECT_EQ(LeftoverTemporaries(folder), before);

  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target.path(), "new contents\n", &error)) << error;
  EXPECT_EQ(target.Read(), "new contents\n");
  EXPECT_EQ(LeftoverTemporaries(folder), before);
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
