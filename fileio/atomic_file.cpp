#include "fileio/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace layra {
namespace {

// The folder part of `path` with its trailing slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    // Renaming over a directory or a device would fail or replace it.
    error_ = target_ + ": " + (S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file");
    return;
  }
  std::string pattern = FolderOf(target_) + ".layra-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) {
    Fail(target_, errno);
    return;
  }
  temporary_ = name.data();
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
  if (good && ::fsync(::fileno(file_)) != 0 && errno != EINVAL) good = false;
  const int write_error = errno != 0 ? errno : EIO;
  const int closed = std::fclose(file_);
  const int close_error = errno != 0 ? errno : EIO;
  file_ = nullptr;
  if (!good) {
    Fail(target_, write_error);
  } else if (closed != 0) {
    Fail(target_, close_error);
  } else if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    Fail(target_, errno);
  } else {
    temporary_.clear();
    return true;
  }
  Discard();
  return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error) {
  AtomicFileWriter writer(path);
  const bool written = writer.Write(contents) && writer.Commit();
  if (!written && error != nullptr) *error = writer.error();
  return written;
}

}  // namespace layra
