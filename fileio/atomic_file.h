#ifndef LAYRA_FILEIO_ATOMIC_FILE_H_
#define LAYRA_FILEIO_ATOMIC_FILE_H_

// Writes a file whole or not at all: the data go to a temporary file beside
// the target, which replaces the target only when every write, the flush and
// the close have succeeded. A writer that is destroyed without a successful
// Commit() removes its temporary file, so a failed write leaves the target as
// it was (absent or with its old contents) and nothing else behind.
//
// Where the file system allows, the temporary file has no name until the
// commit (O_TMPFILE), so a writer that is killed leaves nothing. Otherwise,
// and for the moment of the commit, it is named ".layra-" and six characters
// and locked (flock) by its writer; one left by a writer that was killed is
// unlocked, and the first writer of a process into a folder removes such
// stale temporaries there.

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

  // Whether Commit waits for the data to reach the disk (fsync) before the
  // rename, so that even a power loss leaves the old or the new contents;
  // on by default. Without it a killed program still leaves one or the other.
  void set_synced(bool synced) { synced_ = synced; }

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
  std::string folder_;      // the target's folder with its slash, "" for the working folder
  std::string temporary_;   // the temporary's name; "" while it has none
  bool anonymous_ = false;  // the temporary has a name only at the commit
  std::FILE* file_ = nullptr;
  std::string error_;
  bool synced_ = true;
};

// Removes the temporary files of writers that were killed from `folder`
// ("" for the working folder): files named as temporaries that no writer
// holds locked. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// Writes `contents` to `path` whole or not at all; on failure returns false
// and puts "<path>: <reason>" in *error (when given).
bool WriteFileAtomically(const std::string& path,
                         const std::string& contents,
                         std::string* error = nullptr);

}  // namespace layra

#endif  // LAYRA_FILEIO_ATOMIC_FILE_H_
