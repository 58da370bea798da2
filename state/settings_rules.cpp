#include "state/settings_rules.h"

#include <cctype>
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
  return ReadDecimalPrefix(std::string_view(text).substr(SkipBlanks(text, 0))).value;
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
