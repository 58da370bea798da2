#ifndef LAYRA_FILEIO_TEXT_CURSOR_H_
#define LAYRA_FILEIO_TEXT_CURSOR_H_

// A loaded text file walked with one cursor by the three reading primitives,
// as every reader of the program does, and the texts the readers share.

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "fileio/text_input.h"
#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

constexpr char kFormatErrorCaption[] = "File Format Error";
// The readers' message for a file that is too short.
constexpr char kFormatCheckMessage[] =
    "Please check the format of this file with\n a text editor!. It does not follow the format "
    "this\nprogram requires.";

// The readers' first check of a loaded file `path`: a file that exists but
// cannot be read as text is refused with a message naming it and the reason;
// one too short to hold the format, with the format message. Returns false
// when the file is refused; a file that could not be opened at all is
// refused without a message.
inline bool AcceptLoadedFile(const TextFile& file, const std::string& path, ListingSink& sink) {
  if (!file.problem.empty()) {
    sink.Beep();
    sink.Warn("File " + path + " " + file.problem + ".", kFormatErrorCaption);
    return false;
  }
  if (!file.opened) return false;
  if (file.length < kMinTextFileLength || !file.HasBuffer()) {
    sink.Beep();
    sink.Warn(kFormatCheckMessage, kFormatErrorCaption);
    return false;
  }
  return true;
}

// A value read from a file as the float it is stored as; magnitudes beyond
// the float range become infinite (so the readers' checks can refuse them)
// instead of an undefined conversion.
inline float ToStoredFloat(double value) {
  if (std::isnan(value)) return NAN;
  if (value > FLT_MAX) return INFINITY;
  if (value < -FLT_MAX) return -INFINITY;
  return static_cast<float>(value);
}

class TextCursor {
 public:
  explicit TextCursor(const TextFile& file) : file_(file) {}

  // The next line holding a visible character (at most 79 characters kept).
  std::string Line() {
    std::string line;
    ReadLine(file_.bytes, length(), line, cursor_, kLineCapacity);
    return line;
  }
  int Int() {
    NoteNumberAhead();
    return ReadInt(file_.bytes, cursor_, length());
  }
  float Real() {
    NoteNumberAhead();
    return ToStoredFloat(ReadReal(file_.bytes, cursor_, length()));
  }
  // Whether a number was asked for since the last ClearRanOut() after the
  // file had no more: the file ends before a value it declares.
  bool ran_out() const { return ran_out_; }
  void ClearRanOut() { ran_out_ = false; }
  bool AtEnd() const { return cursor_ >= length(); }
  // Whether the number just read is whole: blanks and a line end follow it,
  // or it ends the file with `decimals` digits after its point (the format
  // it was written in), so the file did not end inside it.
  bool NumberEnded(int decimals) const {
    const std::vector<unsigned char>& bytes = file_.bytes;
    long at = cursor_;
    while (at < length() && (bytes[at] == ' ' || bytes[at] == '\t')) ++at;
    if (at < length()) return bytes[at] == 10 || bytes[at] == 13;
    if (at > cursor_) return true;
    int digits = 0;
    for (at = cursor_; at > 0 && bytes[at - 1] >= '0' && bytes[at - 1] <= '9'; --at) ++digits;
    return at > 0 && bytes[at - 1] == '.' && digits == decimals;
  }
  // The section of numbers after the cursor's line (see ScanNumberSection);
  // the cursor does not move.
  NumberSection ScanSection() const { return ScanNumberSection(file_.bytes, cursor_, length()); }

 private:
  long length() const { return static_cast<long>(file_.bytes.size()); }
  void NoteNumberAhead() {
    if (!ran_out_ && !NumberAhead(file_.bytes, cursor_, length())) ran_out_ = true;
  }

  const TextFile& file_;
  long cursor_ = 0;
  bool ran_out_ = false;
};

}  // namespace layra

#endif  // LAYRA_FILEIO_TEXT_CURSOR_H_
