#ifndef LAYRA_STATE_TEXT_FORMAT_H_
#define LAYRA_STATE_TEXT_FORMAT_H_

// printf-style formatting into a std::string. The program's listings, messages
// and file lines are defined by printf formats, so they are produced with them.
//
// The conversions are done here and not by the C library: numbers are always
// written as in the "C" locale (a '.' decimal point, no grouping) whatever
// locale the front end or a toolkit has set, and the text is exactly what
// printf gives in the "C" locale. Floating-point conversions go through
// std::to_chars. Supported: the flags - + space # 0, width and precision
// (digits or *), the length modifiers hh h l ll j z t L and the conversions
// d i u o x X c s p f F e E g G %; %a, %n and wide characters are not used by
// the program and are not supported.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace layra {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
StrFormat(const char* format, ...);

// Appends the formatted text to `out`.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 0)))
#endif
void
AppendFormatV(std::string& out, const char* format, va_list args);

// The reader that matches StrFormat: decimal numbers as the "C" locale writes
// them, whatever locale the process has set, through std::from_chars.
//
// The longest prefix of `text` that is a decimal number: an optional sign,
// digits with an optional point (at least one digit), and an optional
// exponent (e or E, an optional sign, digits). `length` is 0 when `text` does
// not start with one. A magnitude beyond the range of double gives infinity,
// one below it zero, with `out_of_range` set: what the C library's strtod
// gives in the "C" locale, without its hexadecimal, "inf" and "nan" forms.
struct DecimalPrefix {
  double value = 0.0;
  std::size_t length = 0;
  bool out_of_range = false;
};
DecimalPrefix ReadDecimalPrefix(std::string_view text);

// The whole of `text` (no blanks) as a number within the range of double.
// False, with *value unchanged, for anything else: an empty text, a text with
// more than a number, "nan", "inf", or a magnitude out of range.
bool ParseNumber(std::string_view text, double* value);

// `text` with the ASCII letters in lower case (file names, units, keywords).
std::string ToLowerAscii(std::string text);

}  // namespace layra

#endif  // LAYRA_STATE_TEXT_FORMAT_H_
