#ifndef LAYRA_FILEIO_SAME_FILE_H_
#define LAYRA_FILEIO_SAME_FILE_H_

// Whether two paths name one file, so that an output is never written over
// an input of the same run.

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

namespace layra {

// `path` made absolute, with "." and ".." and the links of its existing part
// resolved (as written, "." and ".." folded, when that fails).
inline std::string AbsoluteNormalPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path absolute = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? fs::path(path).lexically_normal().string() : absolute.string();
}

namespace same_file_detail {

using FileKey = std::pair<std::uint64_t, std::uint64_t>;  // device, inode

enum class Found { kExists, kMissing, kUnknown };

// Whether `path` names an existing file (then *key identifies it), names
// nothing, or could not be looked at (no permission, say).
inline Found Identify(const std::string& path, FileKey* key) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    *key = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return Found::kExists;
  }
  return errno == ENOENT || errno == ENOTDIR ? Found::kMissing : Found::kUnknown;
}

}  // namespace same_file_detail

// True when `a` and `b` name the same file: the same existing file under any
// spelling (links, "..", relative or absolute), or, when neither exists yet,
// the same absolute path once "." and ".." are resolved. An existing file and
// a missing one are different files.
inline bool IsSameFile(const std::string& a, const std::string& b) {
  using namespace same_file_detail;
  if (a.empty() || b.empty()) return false;
  FileKey first;
  FileKey second;
  const Found found_a = Identify(a, &first);
  const Found found_b = Identify(b, &second);
  if (found_a == Found::kExists && found_b == Found::kExists) return first == second;
  if (found_a != found_b && found_a != Found::kUnknown && found_b != Found::kUnknown) return false;
  return AbsoluteNormalPath(a) == AbsoluteNormalPath(b);
}

// Paths indexed so that `Find` answers, for any path, which of them names the
// same file in the sense of `IsSameFile`, without comparing it with each: a
// run over thousands of files checks every output against every input.
// Existing files are keyed by device and inode, the others by their absolute
// path with "." and ".." resolved.
class SameFileIndex {
 public:
  explicit SameFileIndex(const std::vector<std::string>& paths) {
    using namespace same_file_detail;
    for (size_t k = 0; k < paths.size(); ++k) {
      if (paths[k].empty()) continue;
      FileKey key;
      if (Identify(paths[k], &key) == Found::kExists) {
        by_inode_.emplace(key, k);
      } else {
        by_path_.emplace(AbsoluteNormalPath(paths[k]), k);
      }
    }
  }

  // The index of the first indexed path naming the same file as `path`, or
  // -1 (also for an empty path).
  long Find(const std::string& path) const {
    using namespace same_file_detail;
    if (path.empty()) return -1;
    FileKey key;
    if (Identify(path, &key) == Found::kExists) {
      const auto found = by_inode_.find(key);
      return found == by_inode_.end() ? -1 : static_cast<long>(found->second);
    }
    if (by_path_.empty()) return -1;
    const auto found = by_path_.find(AbsoluteNormalPath(path));
    return found == by_path_.end() ? -1 : static_cast<long>(found->second);
  }

 private:
  struct KeyHash {
    size_t operator()(const same_file_detail::FileKey& key) const {
      return std::hash<std::uint64_t>()(key.first * 0x9E3779B97F4A7C15ull ^ key.second);
    }
  };

  // First index wins: emplace keeps an existing key.
  std::unordered_map<same_file_detail::FileKey, size_t, KeyHash> by_inode_;
  std::unordered_map<std::string, size_t> by_path_;
};

}  // namespace layra

#endif  // LAYRA_FILEIO_SAME_FILE_H_
