#include "cli/plot_size.h"

#include <cctype>

namespace layra::cli {

namespace {

// Digits only, at most five of them, so the value cannot overflow.
bool ReadSide(const std::string& digits, int* value) {
  if (digits.empty() || digits.size() > 5) return false;
  int result = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

}  // namespace

bool ParsePlotSize(const std::string& text, int* width, int* height, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error != nullptr) *error = "invalid plot size '" + text + "': " + why;
    return false;
  };
  const std::size_t separator = text.find_first_of("xX");
  int w = 0;
  int h = 0;
  if (separator == std::string::npos || !ReadSide(text.substr(0, separator), &w) ||
      !ReadSide(text.substr(separator + 1), &h)) {
    return refuse("expected WIDTHxHEIGHT in pixels, for example 1280x800");
  }
  if (w < kMinPlotSide || h < kMinPlotSide || w > kMaxPlotSide || h > kMaxPlotSide) {
    return refuse("each side must be between " + std::to_string(kMinPlotSide) + " and " +
                  std::to_string(kMaxPlotSide) + " pixels");
  }
  *width = w;
  *height = h;
  return true;
}

}  // namespace layra::cli
