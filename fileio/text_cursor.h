#ifndef LAYRA_FILEIO_TEXT_CURSOR_H_
#define LAYRA_FILEIO_TEXT_CURSOR_H_

// A loaded text file walked with one cursor by the three reading primitives,
// as every reader of the program does, and the texts the readers share.

#include <cfloat>
#include <cmath>
#include <string>

#include "fileio/text_input.h"
#include "state/records.h"

namespace layra {

constexpr char kFormatErrorCaption[] = "File Format Error";
// The readers' message for a file that is too short or too long.
constexpr char kFormatCheckMessage[] =
    "Please check the format of this file with\n a text editor!. It does follow the format this\n"
    "program requires.";

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
  int Int() { return ReadInt(file_.bytes, cursor_, length()); }
  float Real() { return ToStoredFloat(ReadReal(file_.bytes, cursor_, length())); }
  bool AtEnd() const { return cursor_ >= length(); }

 private:
  long length() const { return static_cast<long>(file_.bytes.size()); }

  const TextFile& file_;
  long cursor_ = 0;
};

}  // namespace layra

#endif  // LAYRA_FILEIO_TEXT_CURSOR_H_
