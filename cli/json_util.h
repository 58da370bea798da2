#ifndef LAYRA_CLI_JSON_UTIL_H_
#define LAYRA_CLI_JSON_UTIL_H_

// Helpers for the --json output of the commands: floats printed as their
// shortest decimal, arrays cut to the entries in use.

#include <array>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace layra::cli {

// The double closest to the shortest decimal that reads back as `value`, so
// a stored 0.1f is printed as 0.1 and not as 0.10000000149011612. Written and
// read with std::to_chars and std::from_chars: the same whatever the locale.
inline double ShortestDecimal(float value) {
  if (!std::isfinite(value)) return value;
  char text[32];
  // Scientific keeps the digits minimal (fixed would write large integers exactly).
  const char* end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr;
  double decimal = 0.0;
  std::from_chars(text, end, decimal);
  return decimal;
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

// The JSON text of `value`. Texts from files need not be UTF-8 (a title
// saved in Latin-1): their bytes that are not UTF-8 are written as U+FFFD
// instead of ending the program.
inline std::string JsonText(const nlohmann::json& value, int indent = 2) {
  return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace layra::cli

#endif  // LAYRA_CLI_JSON_UTIL_H_
