#ifndef LAYRA_FILEIO_TEXT_OUTPUT_H_
#define LAYRA_FILEIO_TEXT_OUTPUT_H_

// printf-style writing of the program's text files that notices every failed
// write, so one check when the file is closed covers them all. The text is
// formatted by AppendFormatV, so numbers are written with a '.' whatever the
// C library's locale.

#include <cstdarg>
#include <cstdio>
#include <string>

#include "state/text_format.h"

namespace layra {

class CheckedTextWriter {
 public:
  // Takes ownership of an open stream, or with `owned` false only writes to
  // it (Flush then ends the writing, and the stream stays open).
  explicit CheckedTextWriter(std::FILE* file, bool owned = true) : file_(file), owned_(owned) {}
  CheckedTextWriter(const CheckedTextWriter&) = delete;
  CheckedTextWriter& operator=(const CheckedTextWriter&) = delete;
  ~CheckedTextWriter() {
    if (file_ != nullptr && owned_) std::fclose(file_);
  }

#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  Write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    line_.clear();
    AppendFormatV(line_, format, args);
    va_end(args);
    if (!line_.empty() && std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size()) {
      ok_ = false;
    }
  }

  // Passes what was written on to the system, leaving the stream open; true
  // when every write and the flush succeeded.
  bool Flush() {
    if (std::fflush(file_) != 0 || std::ferror(file_)) ok_ = false;
    return ok_;
  }

  // Closes the file; true when every write and the close succeeded.
  bool Close() {
    if (std::ferror(file_)) ok_ = false;
    if (std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
    return ok_;
  }

 private:
  std::FILE* file_;
  bool owned_;
  std::string line_;  // the text of the current Write, kept to reuse its storage
  bool ok_ = true;
};

}  // namespace layra

#endif  // LAYRA_FILEIO_TEXT_OUTPUT_H_
