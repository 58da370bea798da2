#include "fileio/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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

// A writer killed before its commit leaves nothing, or (where its temporary
// had a name) an unlocked temporary, which the first writer of a process into
// that folder removes. A temporary that a running writer holds locked, and
// files of other names, stay.
TEST(AtomicFileTest, LeavesNoTemporaryOfAKilledWriterBehind) {
  const fs::path folder =
      fs::temp_directory_path() / ("layra_atomic_stale_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const pid_t child = ::fork();
  if (child == 0) {
    AtomicFileWriter killed((folder / "picture.png").string());
    killed.Write("half a picture");
    std::fflush(killed.stream());
    ::_exit(0);  // as a kill: no destructor runs
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  std::ofstream(folder / ".layra-stale1") << "left by a writer killed while committing";
  const int held = ::open((folder / ".layra-held12").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::ofstream(folder / ".layra-notours.tmp") << "x";
  ASSERT_GE(LeftoverTemporaries(folder), 3);

  ASSERT_TRUE(WriteFileAtomically((folder / "next.txt").string(), "next\n"));
  EXPECT_EQ(LeftoverTemporaries(folder), 2) << "the held temporary and the other name stay";
  EXPECT_TRUE(fs::exists(folder / ".layra-held12"));
  ::close(held);
  EXPECT_EQ(RemoveStaleTemporaries(folder.string()), 1);
  EXPECT_FALSE(fs::exists(folder / ".layra-held12"));
  EXPECT_TRUE(fs::exists(folder / ".layra-notours.tmp"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace layra
