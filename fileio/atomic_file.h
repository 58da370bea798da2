#ifndef LAYRA_FILEIO_ATOMIC_FILE_H_
#define LAYRA_FILEIO_ATOMIC_FILE_H_

// Writes a file whole or not at all: the data go to a temporary file beside
// the target, which replaces the target only when every write, the flush and
// the close have succeeded. A writer that is destroyed without a successful
// Commit() removes its temporary file, so a failed write leaves the target as
// it was (absent or with its old contents) and nothing else behind.

#include <cstddef>
#include <cstdio>
#include <string>

namespace layra {

class AtomicFileWriter {
 public:
  // Creates the temporary file; on failure ok() is false and error() says why.
  explicit AtomicFileWriter(std::string target);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter();

  // The open stream of the temporary file (nullptr when it could not be
  // created). Writes through it are checked at Commit().
  std::FILE* stream() const { return file_; }
  bool ok() const { return file_ != nullptr && error_.empty(); }

  // Writes `size` bytes; false (and error() set) when the write failed.
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }

  // Flushes, closes and renames the temporary file onto the target. False
  // when any step failed; the temporary file is then removed and the target
  // is untouched.
  bool Commit();

  // "<path>: <system's reason>" of the first failure, empty while all is well.
  const std::string& error() const { return error_; }
  const std::string& target() const { return target_; }

 private:
  void Fail(const std::string& path, int error_number);
  void Discard();

  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  std::string error_;
};

// Writes `contents` to `path` whole or not at all; on failure returns false
// and puts "<path>: <reason>" in *error (when given).
bool WriteFileAtomically(const std::string& path,
                         const std::string& contents,
                         std::string* error = nullptr);

}  // namespace layra

#endif  // LAYRA_FILEIO_ATOMIC_FILE_H_
