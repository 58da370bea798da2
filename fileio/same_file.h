#ifndef LAYRA_FILEIO_SAME_FILE_H_
#define LAYRA_FILEIO_SAME_FILE_H_

// Whether two paths name one file, so that an output is never written over
// an input of the same run.

#include <filesystem>
#include <string>
#include <system_error>

namespace layra {

// True when `a` and `b` name the same file: the same existing file under any
// spelling (links, "..", relative or absolute), or, when either does not
// exist yet, the same absolute path once "." and ".." are resolved.
inline bool IsSameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  if (fs::exists(a, error) && fs::exists(b, error)) {
    const bool same = fs::equivalent(a, b, error);
    return !error && same;
  }
  const fs::path first = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
  const fs::path second = fs::weakly_canonical(fs::absolute(b, error), error);
  if (error) return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
  return first == second;
}

}  // namespace layra

#endif  // LAYRA_FILEIO_SAME_FILE_H_
