#ifndef LAYRA_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_
#define LAYRA_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_

// A full disk, as the program sees one: while in scope no file of this
// process (or of a program it starts) grows beyond `bytes`; a write beyond
// fails with EFBIG instead of raising SIGXFSZ.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstddef>

namespace layra::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes) {
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_), 0);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved_;
    limited.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  struct rlimit saved_ {};
  void (*previous_handler_)(int) = nullptr;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_FILE_SIZE_LIMIT_H_
