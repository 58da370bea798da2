#include "fileio/text_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "state/text_format.h"

namespace layra {
namespace {

constexpr int kMaxTokenLength = 80;

bool StartsNumber(unsigned char byte) {
  return byte == '+' || byte == '-' || byte == '.' || (byte >= '0' && byte <= '9');
}

bool InNumberToken(unsigned char byte) {
  return StartsNumber(byte) || byte == 'D' || byte == 'E' || byte == 'd' || byte == 'e';
}

// Steps 1 to 3 of the number readers: returns the token and leaves the cursor
// just after it.
std::string ReadNumberToken(const std::vector<unsigned char>& buffer, long& cursor, long length) {
  std::string token;
  if (cursor < 0) cursor = 0;
  while (cursor < length && !StartsNumber(buffer[cursor])) ++cursor;
  if (cursor >= length) return token;
  token.push_back(static_cast<char>(buffer[cursor++]));
  while (cursor < length && InNumberToken(buffer[cursor]) &&
         static_cast<int>(token.size()) < kMaxTokenLength) {
    token.push_back(static_cast<char>(buffer[cursor++]));
  }
  return token;
}

bool IsLetter(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

// The letters from `at`, in lower case; "nan" takes a parenthesised tail
// such as "nan(0x1)" along. Digits after other letters are left for the
// number readers, which take them as a number.
std::string WordAt(const std::vector<unsigned char>& buffer, long at, long end) {
  std::string word;
  while (at < end && IsLetter(buffer[at])) {
    word.push_back(static_cast<char>(std::tolower(buffer[at++])));
  }
  if (word == "nan" && at < end && buffer[at] == '(') {
    while (at < end && buffer[at] != ')') word.push_back(static_cast<char>(buffer[at++]));
    if (at < end) word.push_back(')');
  }
  return word;
}

// Words that C and other programs write for values that are not numbers.
bool IsNotANumberWord(const std::string& word) {
  return word == "nan" || word.rfind("nan(", 0) == 0 || word == "inf" || word == "infinity" ||
         word == "ind";
}

// The value of the longest prefix of `token` that is a decimal number, as
// the C library's strtod reads it in the "C" locale: a token without a number
// is 0, a magnitude beyond the double range is infinite, one below it is zero.
double DecimalPrefixValue(const std::string& token) { return ReadDecimalPrefix(token).value; }

// Reads the file `path` whole when it is a regular file shorter than
// max_length bytes. The file is opened without waiting (a FIFO would wait for
// a writer) and what it is is asked of the open file, so that nothing can be
// put in its place in between. With `text`, NUL bytes are a problem.
TextFile LoadFile(const std::string& path, long max_length, bool text) {
  TextFile file;
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return file;
  struct Closer {
    int descriptor;
    ~Closer() { ::close(descriptor); }
  } closer{descriptor};
  struct stat info {};
  if (::fstat(descriptor, &info) != 0) return file;
  if (S_ISDIR(info.st_mode)) {
    file.problem = "is a directory";
    return file;
  }
  if (!S_ISREG(info.st_mode)) {
    file.problem = "is not a regular file";
    return file;
  }
  file.opened = true;
  file.length = static_cast<long>(info.st_size);
  if (file.length >= max_length) {
    file.problem = "is larger than " + std::to_string(max_length - 1) + " bytes";
    return file;
  }
  if (file.length <= 0) return file;
  file.bytes.resize(static_cast<size_t>(file.length));
  size_t got = 0;
  while (got < file.bytes.size()) {
    const ssize_t read = ::read(descriptor, file.bytes.data() + got, file.bytes.size() - got);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    got += static_cast<size_t>(read);
  }
  if (got != file.bytes.size()) {
    // A file that shrank under us: keep what was read, the readers treat the
    // missing tail like a file that ends early.
    file.bytes.resize(got);
    file.length = static_cast<long>(got);
  }
  // Text in the program's formats never holds a NUL byte; UTF-16 text holds
  // one in every other byte, which the readers would pass over as blanks.
  if (text && std::memchr(file.bytes.data(), 0, file.bytes.size()) != nullptr) {
    file.problem = "holds UTF-16 text or binary data (NUL bytes); save it as plain text";
  }
  return file;
}

bool ReadFile(const std::string& path,
              long max_length,
              bool text,
              std::string* contents,
              std::string* problem) {
  errno = 0;
  TextFile file = LoadFile(path, max_length, text);
  if (!file.opened && file.problem.empty()) {
    file.problem = std::string("cannot be opened: ") + std::strerror(errno != 0 ? errno : ENOENT);
  }
  if (!file.problem.empty()) {
    *problem = file.problem;
    return false;
  }
  contents->assign(file.bytes.begin(), file.bytes.end());
  return true;
}

}  // namespace

TextFile LoadTextFile(const std::string& path, long max_length) {
  return LoadFile(path, max_length, true);
}

int ReadLine(const std::vector<unsigned char>& buffer,
             long length,
             std::string& line,
             long& cursor,
             int count) {
  line.clear();
  if (length > static_cast<long>(buffer.size())) length = static_cast<long>(buffer.size());
  if (cursor < 0) cursor = 0;
  while (cursor < length && (buffer[cursor] <= 32 || buffer[cursor] == 255)) ++cursor;
  while (cursor < length && buffer[cursor] != 13 && buffer[cursor] != 10) {
    if (static_cast<int>(line.size()) < count - 1)
      line.push_back(static_cast<char>(buffer[cursor]));
    ++cursor;
  }
  return static_cast<int>(line.size());
}

int ReadInt(const std::vector<unsigned char>& buffer, long& cursor, long length) {
  if (length > static_cast<long>(buffer.size())) length = static_cast<long>(buffer.size());
  std::string token = ReadNumberToken(buffer, cursor, length);
  size_t pos = 0;
  bool negative = false;
  if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
    negative = token[pos] == '-';
    ++pos;
  }
  // Accumulate in a wide type and saturate, so an absurd digit string cannot
  // overflow; the callers range-check the value.
  long long value = 0;
  for (; pos < token.size() && token[pos] >= '0' && token[pos] <= '9'; ++pos) {
    value = value * 10 + (token[pos] - '0');
    if (value > 2147483647LL) {
      value = 2147483648LL;
      break;
    }
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

double ReadReal(const std::vector<unsigned char>& buffer, long& cursor, long length) {
  if (length > static_cast<long>(buffer.size())) length = static_cast<long>(buffer.size());
  std::string token = ReadNumberToken(buffer, cursor, length);
  // d and D are part of the token but end the value.
  size_t cut = token.find_first_of("dD");
  if (cut != std::string::npos) token.resize(cut);
  return DecimalPrefixValue(token);
}

bool NumberAhead(const std::vector<unsigned char>& buffer, long cursor, long length) {
  if (length > static_cast<long>(buffer.size())) length = static_cast<long>(buffer.size());
  for (long at = cursor < 0 ? 0 : cursor; at < length; ++at) {
    if (StartsNumber(buffer[at])) return true;
  }
  return false;
}

NumberSection ScanNumberSection(const std::vector<unsigned char>& buffer,
                                long cursor,
                                long length) {
  NumberSection section;
  if (length > static_cast<long>(buffer.size())) length = static_cast<long>(buffer.size());
  long at = cursor < 0 ? 0 : cursor;
  // The cursor stands on the line end of the label before the section.
  while (at < length && buffer[at] != 10 && buffer[at] != 13) ++at;
  while (at < length) {
    while (at < length && (buffer[at] <= 32 || buffer[at] == 255)) ++at;
    if (at >= length) break;
    long end = at;
    while (end < length && buffer[end] != 10 && buffer[end] != 13) ++end;
    const bool signed_word =
        (buffer[at] == '+' || buffer[at] == '-') && at + 1 < end && IsLetter(buffer[at + 1]);
    const bool numbers_line = (StartsNumber(buffer[at]) && !signed_word) ||
                              IsNotANumberWord(WordAt(buffer, signed_word ? at + 1 : at, end));
    if (!numbers_line) break;
    const bool lone_zero =
        buffer[at] == '0' && std::all_of(buffer.begin() + at + 1,
                                         buffer.begin() + end,
                                         [](unsigned char b) { return b <= 32 || b == 255; });
    section.trailing_zero_lines = lone_zero ? section.trailing_zero_lines + 1 : 0;
    while (at < end) {
      const unsigned char byte = buffer[at];
      const bool sign_of_word =
          (byte == '+' || byte == '-') && at + 1 < end && IsLetter(buffer[at + 1]);
      if (IsLetter(byte) || sign_of_word) {
        const long start = at;
        if (sign_of_word) ++at;
        const std::string word = WordAt(buffer, at, end);
        at += std::max<long>(1, static_cast<long>(word.size()));
        if (IsNotANumberWord(word) && section.not_a_number.empty()) {
          section.not_a_number.assign(buffer.begin() + start, buffer.begin() + at);
          section.numbers_before = section.numbers;
          section.line =
              1 + static_cast<int>(std::count(buffer.begin(), buffer.begin() + start, 10));
        }
        // The number readers take the sign before a word for a number.
        if (sign_of_word) ++section.numbers;
      } else if (StartsNumber(byte)) {
        ReadNumberToken(buffer, at, end);
        ++section.numbers;
      } else {
        ++at;
      }
    }
  }
  return section;
}

int TrimLeft(std::string& text) {
  size_t first = 0;
  while (first < text.size() && (static_cast<unsigned char>(text[first]) == 32 ||
                                 static_cast<unsigned char>(text[first]) == 255)) {
    ++first;
  }
  text.erase(0, first);
  return static_cast<int>(text.size());
}

int TrimRight(std::string& text) {
  size_t end = text.size();
  while (end > 0 && (static_cast<unsigned char>(text[end - 1]) == 32 ||
                     static_cast<unsigned char>(text[end - 1]) == 255)) {
    --end;
  }
  text.resize(end);
  return static_cast<int>(text.size());
}

void SortWithIndex(int ascending, int count, float* values, int* index) {
  // The procedure is written 1-based: entry k lives at [k - 1].
  auto value = [values](int k) -> float& { return values[k - 1]; };
  auto idx = [index](int k) -> int& { return index[k - 1]; };
  for (int k = 1; k <= count; ++k) idx(k) = k;
  if (ascending == 0) {
    for (int k = 1; k <= count; ++k) value(k) = -value(k);
  }
  for (int gap = count / 2; gap > 0; gap /= 2) {
    for (int i = 1; i <= count - gap; ++i) {
      for (int j = i; j > 0 && value(j) >= value(j + gap); j -= gap) {
        std::swap(value(j), value(j + gap));
        std::swap(idx(j), idx(j + gap));
      }
    }
  }
  if (ascending == 0) {
    for (int k = 1; k <= count; ++k) value(k) = -value(k);
  }
}

void ApplyPermutation(float* values, int count, float* scratch, const int* index) {
  for (int k = 0; k < count; ++k) scratch[k] = values[k];
  for (int k = 0; k < count; ++k) values[k] = scratch[index[k] - 1];
}

bool ReadFileText(const std::string& path,
                  long max_length,
                  std::string* text,
                  std::string* problem) {
  return ReadFile(path, max_length, true, text, problem);
}

bool ReadFileBytes(const std::string& path,
                   long max_length,
                   std::string* bytes,
                   std::string* problem) {
  return ReadFile(path, max_length, false, bytes, problem);
}

}  // namespace layra
