#ifndef LAYRA_TESTS_SUPPORT_SCRATCH_DIR_H_
#define LAYRA_TESTS_SUPPORT_SCRATCH_DIR_H_

// A directory of the running test's own and a whole-file reader, shared by
// the tests that write files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace layra::testing {

// The whole contents of the file at `path` ("" when it cannot be read).
inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh directory for the running test, removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("layra_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  // Path(name) quoted for the shell.
  std::string Quoted(const std::string& name) const { return "'" + Path(name) + "'"; }
  std::string Read(const std::string& name) const { return ReadWholeFile(Path(name)); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  std::filesystem::path path_;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_SCRATCH_DIR_H_
