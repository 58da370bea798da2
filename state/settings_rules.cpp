#include "state/settings_rules.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>

#include "state/text_format.h"

namespace layra {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::size_t SkipBlanks(const std::string& text, std::size_t at) {
  while (at < text.size() && IsBlank(text[at])) {
    ++at;
  }
  return at;
}

float Clamp(double value, float low, float high) {
  if (value < low) {
    return low;
  }
  if (value > high) {
    return high;
  }
  return static_cast<float>(value);
}

}  // namespace

std::string FieldText(const std::string& text, int capacity) {
  if (capacity <= 1) {
    return std::string();
  }
  return text.substr(0, static_cast<std::size_t>(capacity - 1));
}

double ParseDecimal(const std::string& text) {
  std::size_t at = SkipBlanks(text, 0);
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  // A number starts with a digit, or with a point followed by a digit; this
  // also keeps "inf" and "nan" out.
  bool starts_number =
      at < text.size() &&
      (IsDigit(text[at]) || (text[at] == '.' && at + 1 < text.size() && IsDigit(text[at + 1])));
  if (!starts_number) {
    return 0.0;
  }
  double value = 0.0;
  const char* first = text.data() + at;
  const char* last = text.data() + text.size();
  auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large gives infinity, too small gives zero, like the C library.
    bool huge = false;
    for (const char* p = first; p < result.ptr; ++p) {
      if (*p == 'e' || *p == 'E') {
        huge = p + 1 < result.ptr && p[1] != '-';
        break;
      }
    }
    value = huge ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -value : value;
}

int ParseUnsigned(const std::string& text) {
  std::size_t at = SkipBlanks(text, 0);
  std::size_t digits_start = at;
  long long value = 0;
  while (at < text.size() && IsDigit(text[at])) {
    if (value <= INT_MAX) {
      value = value * 10 + (text[at] - '0');
    }
    ++at;
  }
  if (at == digits_start || SkipBlanks(text, at) != text.size()) {
    return 0;
  }
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int ParseInteger(const std::string& text) {
  std::size_t at = SkipBlanks(text, 0);
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  long long value = 0;
  while (at < text.size() && IsDigit(text[at])) {
    if (value <= INT_MAX) {
      value = value * 10 + (text[at] - '0');
    }
    ++at;
  }
  if (negative) {
    value = -value;
  }
  if (value > INT_MAX) {
    return INT_MAX;
  }
  if (value < INT_MIN) {
    return INT_MIN;
  }
  return static_cast<int>(value);
}

float ClampInitialDamping(double value) {
  return Clamp(value, kInitialDampingMin, kInitialDampingMax);
}

float ClampMinimumDamping(double value) {
  return Clamp(value, kMinimumDampingMin, kMinimumDampingMax);
}

float ConvergenceLimitFromPercent(double percent) {
  return Clamp(percent * 0.01, kConvergenceLimitMin, kConvergenceLimitMax);
}

float ClampDataCutoff(double value) { return Clamp(value, kDataCutoffMin, kDataCutoffMax); }

float ClampModelCutoff(double value) { return Clamp(value, kModelCutoffMin, kModelCutoffMax); }

int ClampIterationLimit(int value) {
  if (value < kIterationLimitMin) {
    return kIterationLimitMin;
  }
  if (value > kIterationLimitMax) {
    return kIterationLimitMax;
  }
  return value;
}

std::string DampingText(float value) { return StrFormat("%.4f", value); }

std::string ConvergencePercentText(float limit) { return StrFormat("%.3f", 100.0f * limit); }

std::string CutoffText(float value) { return StrFormat("%.5f", value); }

void ApplyRobustModelDamping(InversionSettings& settings) {
  if (settings.modelConstraint != 0 &&
      settings.minimumDampingFactor > kRobustModelMinimumDampingMax) {
    settings.minimumDampingFactor = kRobustModelMinimumDampingMax;
  }
}

}  // namespace layra
