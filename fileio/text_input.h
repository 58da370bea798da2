#ifndef LAYRA_FILEIO_TEXT_INPUT_H_
#define LAYRA_FILEIO_TEXT_INPUT_H_

// The one way the file readers read text: the whole file is loaded into
// memory and walked with a byte cursor. The number readers pass over anything
// that cannot start a number, so labels, commas and line breaks between
// numbers are all tolerated. The readers rely on the exact behaviour here; it
// defines what the file formats accept.

#include <string>
#include <vector>

namespace layra {

// Largest file the readers take: a buffer is obtained only for 0 < length < this.
constexpr long kMaxTextFileLength = 100000;
// Files shorter than this are refused by the readers with their format message.
constexpr long kMinTextFileLength = 50;

struct TextFile {
  bool opened = false;               // the file could be opened for reading
  long length = 0;                   // length of the open file in bytes
  std::vector<unsigned char> bytes;  // the whole file; empty unless 0 < length < the limit
  // Why a file that exists cannot be read as text, to follow its name in a
  // message ("is a directory", "is not a regular file", "is larger than N
  // bytes", UTF-16 or binary contents); empty when nothing is wrong.
  std::string problem;
  bool HasBuffer() const { return !bytes.empty(); }
};

// Opens `path` for binary reading and reads it whole when its length is
// between 1 and max_length - 1 bytes. Only regular files are opened: a
// directory, a device or a FIFO (whose reading could block for ever) is not
// opened and named in `problem`, as are a file of max_length bytes or more
// and one holding NUL bytes (UTF-16 text or binary data). A file that does
// not exist or cannot be opened has opened false and no problem.
TextFile LoadTextFile(const std::string& path, long max_length = kMaxTextFileLength);

// The whole of the text file `path` (a field sheet, a survey file) in *text,
// read as LoadTextFile reads: only a regular file shorter than `max_length`
// bytes that holds no NUL byte. Otherwise false, with *problem saying why
// in words that follow the file's name ("cannot be opened: <reason>", "is
// not a regular file", "is larger than N bytes", ...).
bool ReadFileText(const std::string& path,
                  long max_length,
                  std::string* text,
                  std::string* problem);

// The whole of the file `path` as ReadFileText reads it, NUL bytes and all
// (a font, a picture).
bool ReadFileBytes(const std::string& path,
                   long max_length,
                   std::string* bytes,
                   std::string* problem);

// Skips bytes <= 32 and 255, then copies the rest of the line (up to CR, LF
// or the end) into `line`, keeping at most count-1 characters. The cursor is
// left on the CR or LF that ended the line. Returns the number kept.
int ReadLine(const std::vector<unsigned char>& buffer,
             long length,
             std::string& line,
             long& cursor,
             int count);

// Skip to the next byte that can start a number, read the token (+ - . 0-9 D
// E d e, at most 80 characters) and convert it. ReadInt takes an optional sign
// and the leading digits; ReadReal a decimal with an optional e/E exponent
// (d/D ends the value). An empty token gives 0.
int ReadInt(const std::vector<unsigned char>& buffer, long& cursor, long length);
double ReadReal(const std::vector<unsigned char>& buffer, long& cursor, long length);

// Whether a byte that can start a number (+ - . 0-9) lies between `cursor`
// and the end: false when ReadInt and ReadReal would find no token there.
bool NumberAhead(const std::vector<unsigned char>& buffer, long cursor, long length);

// What a section of numbers holds (the data points of a data or results
// file): the section starts at the line after `cursor` and ends before the
// first line whose first visible character can neither start a number nor
// begin a word such as "nan" or "inf" (the next label), or at the end.
struct NumberSection {
  int numbers = 0;  // number tokens, as ReadReal takes them one after another
  // Lines holding a lone 0 at the end of the section: the synthetic data
  // writer puts its starting-model label and answer there as zeros.
  int trailing_zero_lines = 0;
  // Whether the section holds the `needed` numbers of its points, with or
  // without some of those zero lines.
  bool Holds(int needed) const {
    return needed <= numbers && needed >= numbers - trailing_zero_lines;
  }
  // The first word there that spells a value which is not a number ("nan",
  // "-inf", ...), how many numbers come before it, and its line (from 1).
  std::string not_a_number;
  int numbers_before = 0;
  int line = 0;
};
NumberSection ScanNumberSection(const std::vector<unsigned char>& buffer, long cursor, long length);

// In-place trims of bytes 32 and 255 (tabs are kept). Return the new length.
int TrimLeft(std::string& text);
int TrimRight(std::string& text);

// Shell sort of values[0..count-1], ascending when `ascending` is non-zero
// (descending otherwise), filling index[] with the 1-based origin of each
// entry. Equal keys are exchanged too, so their order follows this procedure.
void SortWithIndex(int ascending, int count, float* values, int* index);

// values[k] = old values[index[k] - 1] for k = 0..count-1; `scratch` holds
// at least count entries.
void ApplyPermutation(float* values, int count, float* scratch, const int* index);

}  // namespace layra

#endif  // LAYRA_FILEIO_TEXT_INPUT_H_
