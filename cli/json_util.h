#ifndef LAYRA_CLI_JSON_UTIL_H_
#define LAYRA_CLI_JSON_UTIL_H_

// Helpers for the --json output of the commands: floats printed as their
// shortest decimal, arrays cut to the entries in use.

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace layra::cli {

// The double closest to the shortest decimal that reads back as `value`, so
// a stored 0.1f is printed as 0.1 and not as 0.10000000149011612.
inline double ShortestDecimal(float value) {
  if (!std::isfinite(value)) return value;
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  return std::strtod(text, nullptr);
}

// The first `count` values (clamped to 0..N) as shortest decimals.
template <size_t N>
std::vector<double> FirstValues(const std::array<float, N>& values, int count) {
  if (count < 0) count = 0;
  if (static_cast<size_t>(count) > N) count = static_cast<int>(N);
  std::vector<double> first;
  first.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) first.push_back(ShortestDecimal(values[static_cast<size_t>(i)]));
  return first;
}

template <size_t N>
std::vector<int> FirstValues(const std::array<int, N>& values, int count) {
  if (count < 0) count = 0;
  if (static_cast<size_t>(count) > N) count = static_cast<int>(N);
  return std::vector<int>(values.begin(), values.begin() + count);
}

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_UTIL_H_
