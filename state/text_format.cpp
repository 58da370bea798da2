#include "state/text_format.h"

#include <cassert>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

namespace layra {
namespace {

enum class Length {
  kNone,
  kChar,
  kShort,
  kLong,
  kLongLong,
  kMax,
  kSize,
  kPointerDiff,
  kLongDouble
};

// One printf conversion as the format string gives it: flags, field width,
// precision, length modifier and conversion letter.
struct FieldFormat {
  bool left = false;   // '-': pad on the right
  bool plus = false;   // '+': sign on non-negative numbers
  bool space = false;  // ' ': blank before non-negative numbers
  bool alternate = false;
  bool zero = false;
  int width = 0;
  int precision = -1;  // -1: not given
  Length length = Length::kNone;
  char conversion = 0;
};

// Writes prefix (sign, 0x) and body padded to the field width; zeros go
// between prefix and body when the 0 flag applies.
void Pad(std::string& out,
         std::string_view prefix,
         std::string_view body,
         const FieldFormat& field,
         bool zero_padding) {
  const std::size_t size = prefix.size() + body.size();
  const std::size_t fill =
      field.width > 0 && static_cast<std::size_t>(field.width) > size ? field.width - size : 0;
  if (field.left) {
    out.append(prefix).append(body).append(fill, ' ');
  } else if (zero_padding && field.zero) {
    out.append(prefix).append(fill, '0').append(body);
  } else {
    out.append(fill, ' ').append(prefix).append(body);
  }
}

char SignOf(bool negative, const FieldFormat& field) {
  if (negative) return '-';
  if (field.plus) return '+';
  if (field.space) return ' ';
  return 0;
}

void FormatInteger(std::string& out,
                   const FieldFormat& field,
                   bool negative,
                   std::uintmax_t magnitude) {
  const char c = field.conversion;
  const int base = c == 'o' ? 8 : (c == 'x' || c == 'X' || c == 'p') ? 16 : 10;
  char digits[72] = {};
  char* end = digits;
  if (!(field.precision == 0 && magnitude == 0)) {
    end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
  }
  if (field.precision < 0 && (c == 'd' || c == 'i' || c == 'u')) {
    // The common case, without building the body and prefix as strings.
    const char sign = c == 'u' ? 0 : SignOf(negative, field);
    Pad(out,
        std::string_view(&sign, sign != 0 ? 1 : 0),
        std::string_view(digits, end - digits),
        field,
        true);
    return;
  }
  if (c == 'X') {
    for (char* p = digits; p < end; ++p)
      if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
  }
  std::string body;
  std::size_t count = static_cast<std::size_t>(end - digits);
  if (field.precision > 0 && static_cast<std::size_t>(field.precision) > count) {
    body.append(field.precision - count, '0');
  }
  body.append(digits, count);
  if (c == 'o' && field.alternate && (body.empty() || body[0] != '0')) body.insert(0, 1, '0');

  std::string prefix;
  if (c == 'd' || c == 'i') {
    if (char sign = SignOf(negative, field)) prefix.push_back(sign);
  } else if ((field.alternate && magnitude != 0 && (c == 'x' || c == 'X')) || c == 'p') {
    prefix = c == 'X' ? "0X" : "0x";
  }
  Pad(out, prefix, body, field, field.precision < 0);
}

// Digits of a finite, non-negative value for f, e and g, as printf writes
// them in the "C" locale (std::to_chars is specified to do exactly that).
template <typename Real>
std::string FloatDigits(Real value, char conversion, int precision, bool alternate) {
  // Fixed notation needs up to the decimal exponent's digits before the point.
  const std::size_t needed =
      static_cast<std::size_t>(precision) + (sizeof(Real) > sizeof(double) ? 5000 : 400);
  char local[512];
  std::vector<char> heap;
  char* first = local;
  if (needed > sizeof local) {
    heap.resize(needed);
    first = heap.data();
  }
  char* last = first + (needed > sizeof local ? needed : sizeof local);
  auto write = [&](std::chars_format format, int digits) {
    return std::string(first, std::to_chars(first, last, value, format, digits).ptr);
  };
  switch (conversion) {
    case 'f': {
      std::string text = write(std::chars_format::fixed, precision);
      if (alternate && precision == 0) text.push_back('.');
      return text;
    }
    case 'e': {
      std::string text = write(std::chars_format::scientific, precision);
      if (alternate && precision == 0) text.insert(text.find('e'), 1, '.');
      return text;
    }
    default: {
      const int significant = precision == 0 ? 1 : precision;
      if (!alternate) return write(std::chars_format::general, significant);
      // The '#' form keeps trailing zeros: choose the style as %g does from
      // the exponent after rounding to `significant` digits.
      const std::string scientific = write(std::chars_format::scientific, significant - 1);
      const int exponent = static_cast<int>(
          ReadDecimalPrefix(std::string_view(scientific).substr(scientific.find('e') + 1)).value);
      std::string text = significant > exponent && exponent >= -4
                             ? write(std::chars_format::fixed, significant - 1 - exponent)
                             : scientific;
      if (text.find('.') == std::string::npos) {
        const std::size_t at = text.find('e');
        text.insert(at == std::string::npos ? text.size() : at, 1, '.');
      }
      return text;
    }
  }
}

template <typename Real>
void FormatFloat(std::string& out, const FieldFormat& field, Real value) {
  const bool upper = field.conversion == 'F' || field.conversion == 'E' || field.conversion == 'G';
  const char lower = static_cast<char>(upper ? field.conversion - 'A' + 'a' : field.conversion);
  const char sign = SignOf(std::signbit(value), field);
  const std::string_view prefix(&sign, sign != 0 ? 1 : 0);
  const bool finite = std::isfinite(value);
  if constexpr (sizeof(Real) <= sizeof(double)) {
    // The results files' numbers (%10.3f and the like), written straight
    // from the digits: a double has at most 309 digits before the point.
    if (finite && lower == 'f' && !field.alternate && field.precision <= 64) {
      char digits[400];
      const char* end = std::to_chars(digits,
                                      digits + sizeof digits,
                                      std::fabs(value),
                                      std::chars_format::fixed,
                                      field.precision < 0 ? 6 : field.precision)
                            .ptr;
      Pad(out, prefix, std::string_view(digits, end - digits), field, true);
      return;
    }
  }
  std::string body;
  if (!finite) {
    body = std::isnan(value) ? "nan" : "inf";
  } else {
    body = FloatDigits(
        std::fabs(value), lower, field.precision < 0 ? 6 : field.precision, field.alternate);
  }
  if (upper) {
    for (char& ch : body)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  Pad(out, prefix, body, field, finite);
}

template <typename Signed>
void FormatSigned(std::string& out, const FieldFormat& field, Signed value) {
  using Unsigned = std::make_unsigned_t<Signed>;
  const bool negative = value < 0;
  const Unsigned magnitude = negative
                                 ? static_cast<Unsigned>(Unsigned{0} - static_cast<Unsigned>(value))
                                 : static_cast<Unsigned>(value);
  FormatInteger(out, field, negative, magnitude);
}

}  // namespace

void AppendFormatV(std::string& out, const char* format, va_list args) {
  const char* p = format;
  while (*p != '\0') {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      out.append(p);
      return;
    }
    out.append(p, percent);
    p = percent + 1;
    FieldFormat field;
    for (;; ++p) {
      if (*p == '-') {
        field.left = true;
      } else if (*p == '+') {
        field.plus = true;
      } else if (*p == ' ') {
        field.space = true;
      } else if (*p == '#') {
        field.alternate = true;
      } else if (*p == '0') {
        field.zero = true;
      } else if (*p != '\'' && *p != 'I') {  // grouping: none in the "C" locale
        break;
      }
    }
    if (*p == '*') {
      field.width = va_arg(args, int);
      if (field.width < 0) {
        field.left = true;
        field.width = field.width == INT_MIN ? INT_MAX : -field.width;
      }
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') field.width = field.width * 10 + (*p++ - '0');
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        field.precision = va_arg(args, int);
        if (field.precision < 0) field.precision = -1;
        ++p;
      } else {
        field.precision = 0;
        while (*p >= '0' && *p <= '9') field.precision = field.precision * 10 + (*p++ - '0');
      }
    }
    switch (*p) {
      case 'h':
        field.length = p[1] == 'h' ? Length::kChar : Length::kShort;
        p += p[1] == 'h' ? 2 : 1;
        break;
      case 'l':
        field.length = p[1] == 'l' ? Length::kLongLong : Length::kLong;
        p += p[1] == 'l' ? 2 : 1;
        break;
      case 'q':
        field.length = Length::kLongLong;
        ++p;
        break;
      case 'j':
        field.length = Length::kMax;
        ++p;
        break;
      case 'z':
        field.length = Length::kSize;
        ++p;
        break;
      case 't':
        field.length = Length::kPointerDiff;
        ++p;
        break;
      case 'L':
        field.length = Length::kLongDouble;
        ++p;
        break;
      default:
        break;
    }
    field.conversion = *p;
    if (*p != '\0') ++p;
    switch (field.conversion) {
      case '%':
        out.push_back('%');
        break;
      case 'd':
      case 'i':
        switch (field.length) {
          case Length::kChar:
            FormatSigned(out, field, static_cast<signed char>(va_arg(args, int)));
            break;
          case Length::kShort:
            FormatSigned(out, field, static_cast<short>(va_arg(args, int)));
            break;
          case Length::kLong:
            FormatSigned(out, field, va_arg(args, long));
            break;
          case Length::kLongLong:
            FormatSigned(out, field, va_arg(args, long long));
            break;
          case Length::kMax:
            FormatSigned(out, field, va_arg(args, std::intmax_t));
            break;
          case Length::kSize:
            FormatSigned(out, field, va_arg(args, std::make_signed_t<std::size_t>));
            break;
          case Length::kPointerDiff:
            FormatSigned(out, field, va_arg(args, std::ptrdiff_t));
            break;
          default:
            FormatSigned(out, field, va_arg(args, int));
            break;
        }
        break;
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        std::uintmax_t value = 0;
        switch (field.length) {
          case Length::kChar:
            value = static_cast<unsigned char>(va_arg(args, unsigned));
            break;
          case Length::kShort:
            value = static_cast<unsigned short>(va_arg(args, unsigned));
            break;
          case Length::kLong:
            value = va_arg(args, unsigned long);
            break;
          case Length::kLongLong:
            value = va_arg(args, unsigned long long);
            break;
          case Length::kMax:
            value = va_arg(args, std::uintmax_t);
            break;
          case Length::kSize:
            value = va_arg(args, std::size_t);
            break;
          case Length::kPointerDiff:
            value = static_cast<std::make_unsigned_t<std::ptrdiff_t>>(va_arg(args, std::ptrdiff_t));
            break;
          default:
            value = va_arg(args, unsigned);
            break;
        }
        FormatInteger(out, field, false, value);
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        if (field.length == Length::kLongDouble) {
          FormatFloat(out, field, va_arg(args, long double));
        } else {
          FormatFloat(out, field, va_arg(args, double));
        }
        break;
      case 'c': {
        const char c = static_cast<char>(va_arg(args, int));
        Pad(out, {}, std::string_view(&c, 1), field, false);
        break;
      }
      case 's': {
        const char* text = va_arg(args, const char*);
        std::string_view body;
        if (text == nullptr) {
          if (field.precision < 0 || field.precision >= 6) body = "(null)";
        } else if (field.precision < 0) {
          body = text;
        } else {
          const void* end = std::memchr(text, '\0', static_cast<std::size_t>(field.precision));
          body =
              std::string_view(text, end ? static_cast<const char*>(end) - text : field.precision);
        }
        Pad(out, {}, body, field, false);
        break;
      }
      case 'p': {
        const void* pointer = va_arg(args, const void*);
        if (pointer == nullptr) {
          Pad(out, {}, "(nil)", field, false);
        } else {
          FormatInteger(out, field, false, reinterpret_cast<std::uintptr_t>(pointer));
        }
        break;
      }
      default:
        // Not a conversion the program uses: keep the text as written.
        assert(false && "unsupported printf conversion");
        out.append(percent, p);
        break;
    }
  }
}

std::string StrFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text;
  AppendFormatV(text, format, args);
  va_end(args);
  return text;
}

DecimalPrefix ReadDecimalPrefix(std::string_view text) {
  DecimalPrefix prefix;
  auto digit = [&](std::size_t at) {
    return at < text.size() && text[at] >= '0' && text[at] <= '9';
  };
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++at;
  const std::size_t first = at;  // from_chars takes no '+' and is given no sign
  std::size_t mantissa_digits = 0;
  for (; digit(at); ++at) ++mantissa_digits;
  if (at < text.size() && text[at] == '.') {
    for (++at; digit(at); ++at) ++mantissa_digits;
  }
  if (mantissa_digits == 0) return prefix;
  std::size_t end = at;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t exponent = at + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (digit(exponent)) {
      while (digit(exponent)) ++exponent;
      end = exponent;
    }
  }
  prefix.length = end;
  const char* begin = text.data() + first;
  const std::from_chars_result result =
      std::from_chars(begin, text.data() + end, prefix.value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // The decimal exponent of the leading non-zero digit tells overflow from
    // underflow.
    long leading = 0;  // exponent of the first non-zero digit
    bool seen_nonzero = false;
    long position = 0;  // digits before the point are counted up, after it down
    bool after_point = false;
    const char* p = begin;
    for (; p < result.ptr && *p != 'e' && *p != 'E'; ++p) {
      if (*p == '.') {
        after_point = true;
        position = 0;
        continue;
      }
      if (!seen_nonzero && *p != '0') {
        seen_nonzero = true;
        leading = after_point ? -(position + 1) : 0;
      } else if (seen_nonzero && !after_point) {
        ++leading;
      }
      if (after_point) ++position;
    }
    long exponent = 0;
    if (p < result.ptr) {
      ++p;
      const bool exponent_negative = *p == '-';
      if (*p == '+' || *p == '-') ++p;
      for (; p < result.ptr; ++p) {
        if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
      }
      if (exponent_negative) exponent = -exponent;
    }
    prefix.value = leading + exponent >= 0 ? HUGE_VAL : 0.0;
    prefix.out_of_range = true;
  }
  if (negative) prefix.value = -prefix.value;
  return prefix;
}

bool ParseNumber(std::string_view text, double* value) {
  const DecimalPrefix prefix = ReadDecimalPrefix(text);
  if (prefix.length == 0 || prefix.length != text.size() || prefix.out_of_range) return false;
  *value = prefix.value;
  return true;
}

std::string ToLowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace layra
