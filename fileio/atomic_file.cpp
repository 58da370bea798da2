#include "fileio/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace layra {
namespace {

// The folder part of `path` with its trailing slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

constexpr char kTemporaryPrefix[] = ".layra-";
constexpr std::size_t kTemporaryNameLength = sizeof kTemporaryPrefix - 1 + 6;

bool IsTemporaryName(const char* name) {
  return std::strlen(name) == kTemporaryNameLength &&
         std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0;
}

// Removes stale temporaries from `folder` the first time this process writes
// there: later ones are its own writers' or those of programs still running.
void CleanFolderOnce(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> cleaned;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!cleaned.insert(folder).second) return;
  }
  RemoveStaleTemporaries(folder);
}

// Creates and locks a temporary file from `pattern` (ending in XXXXXX, which
// is replaced by the name). A cleaner that took the file for stale between
// its creation and the lock has removed it: then another one is made.
int CreateLockedTemporary(std::vector<char>& pattern) {
  const std::vector<char> original = pattern;
  for (int attempt = 0; attempt < 8; ++attempt) {
    pattern = original;
    const int descriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor < 0) return -1;
    struct stat info {};
    if (::flock(descriptor, LOCK_EX) != 0 ||
        (::fstat(descriptor, &info) == 0 && info.st_nlink > 0)) {
      return descriptor;  // a file system without flock keeps the file unlocked
    }
    ::close(descriptor);
  }
  errno = EAGAIN;
  return -1;
}

// A file without a name in `folder` (O_TMPFILE), given one only at the
// commit: a writer killed before then leaves nothing. -1 where the file
// system or the system cannot (then a named temporary is used).
int OpenAnonymous(const std::string& folder) {
#ifdef O_TMPFILE
  // The name is given through /proc/self/fd (linkat with AT_EMPTY_PATH needs
  // a privilege).
  static const bool named_through_proc = ::access("/proc/self/fd", X_OK) == 0;
  if (!named_through_proc) return -1;
  return ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
  static_cast<void>(folder);
  return -1;
#endif
}

// Gives the anonymous file open in `descriptor` a temporary's name in
// `folder`; the name, or "" with errno set.
std::string NameAnonymous(int descriptor, const std::string& folder) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> letter(0, sizeof kLetters - 2);
  const std::string source = "/proc/self/fd/" + std::to_string(descriptor);
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = folder + kTemporaryPrefix;
    for (int k = 0; k < 6; ++k) name += kLetters[letter(random)];
    if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return name;
    }
    if (errno != EEXIST) break;
  }
  return std::string();
}

}  // namespace

int RemoveStaleTemporaries(const std::string& folder) {
  const std::string directory = folder.empty() ? "." : folder;
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(listing)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string path = directory + "/" + entry->d_name;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) continue;
    struct stat held {};
    struct stat named {};
    // Unlocked, and still the file of that name: its writer is gone.
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::fstat(descriptor, &held) == 0 &&
        S_ISREG(held.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
        named.st_ino == held.st_ino && named.st_dev == held.st_dev && ::unlink(path.c_str()) == 0) {
      ++removed;
    }
    ::close(descriptor);
  }
  ::closedir(listing);
  return removed;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    // Renaming over a directory or a device would fail or replace it.
    error_ = target_ + ": " + (S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file");
    return;
  }
  folder_ = FolderOf(target_);
  CleanFolderOnce(folder_);
  int descriptor = OpenAnonymous(folder_);
  if (descriptor >= 0) {
    // Locked as a named one is: it has a name for a moment at the commit.
    ::flock(descriptor, LOCK_EX);
    anonymous_ = true;
  } else {
    const std::string pattern = folder_ + kTemporaryPrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor = CreateLockedTemporary(name);
    if (descriptor < 0) {
      Fail(target_, errno);
      return;
    }
    temporary_ = name.data();
  }
  // mkstemp creates the file for the owner only; give it the permissions a
  // plainly created file would get (0666 less the umask).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);
  file_ = ::fdopen(descriptor, "wb");
  if (file_ == nullptr) {
    Fail(target_, errno);
    ::close(descriptor);
    Discard();
  }
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Fail(const std::string& path, int error_number) {
  if (error_.empty()) error_ = path + ": " + std::strerror(error_number);
}

void AtomicFileWriter::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
  if (!ok()) return false;
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
    Fail(target_, errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (file_ == nullptr) {
    if (error_.empty()) error_ = target_ + ": the file was not opened";
    return false;
  }
  errno = 0;
  bool good = error_.empty() && !std::ferror(file_);
  if (good && std::fflush(file_) != 0) good = false;
  if (good && synced_ && ::fsync(::fileno(file_)) != 0 && errno != EINVAL) good = false;
  if (!good) {
    Fail(target_, errno != 0 ? errno : EIO);
    Discard();
    return false;
  }
  if (anonymous_) {
    temporary_ = NameAnonymous(::fileno(file_), folder_);
    if (temporary_.empty()) {
      Fail(target_, errno != 0 ? errno : EIO);
      Discard();
      return false;
    }
  }
  // Renamed while still open and locked, so that no cleaner takes the named
  // temporary for a stale one in between.
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Fail(target_, errno);
    Discard();
    return false;
  }
  temporary_.clear();
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) Fail(target_, errno != 0 ? errno : EIO);
  return closed;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error) {
  AtomicFileWriter writer(path);
  const bool written = writer.Write(contents) && writer.Commit();
  if (!written && error != nullptr) *error = writer.error();
  return written;
}

}  // namespace layra
