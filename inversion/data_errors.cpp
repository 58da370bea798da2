#include "inversion/data_errors.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "state/text_format.h"

namespace layra {

namespace {

// `text` in lower case without blanks ("Mean Error" -> "meanerror").
std::string Lower(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  }
  return ToLowerAscii(out);
}

}  // namespace

double IpValueScale(const SoundingData& data) {
  if (const auto factor = IpUnitFactor(data.ipUnitText)) return *factor;
  for (int i = 0; i < data.pointCount; ++i) {
    if (std::fabs(data.ipValue[i]) >= 1.0f) return 0.001;
  }
  return 1.0;
}

std::vector<double> ResistivityErrors(const SoundingData& data, const EngineOptions& options) {
  const double floor = 0.01 * options.errorFloorPercent;
  const double assumed = 0.01 * options.assumedErrorPercent;
  std::vector<double> errors(data.pointCount, std::max(assumed, floor));
  if (!data.errorsIncluded) return errors;
  for (int i = 0; i < data.pointCount; ++i) {
    const double rho = data.apparentResistivity[i];
    const double error = data.resistivityError[i];
    if (std::isfinite(error) && error > 0.0 && rho > 0.0) errors[i] = std::max(error / rho, floor);
  }
  return errors;
}

std::optional<double> IpUnitFactor(const std::string& unit_text) {
  const std::string unit = Lower(unit_text);
  if (unit.empty()) return std::nullopt;
  for (const char* thousandths : {"msec", "ms", "mv/v", "mrad", "permil", "permille", "\u2030"}) {
    if (unit == thousandths) return 0.001;
  }
  for (const char* percent : {"%", "percent", "pct"}) {
    if (unit == percent) return 0.01;
  }
  for (const char* fraction : {"v/v", "fraction", "rad"}) {
    if (unit == fraction) return 1.0;
  }
  return std::nullopt;
}

std::vector<float> IpFractionsByUnit(const SoundingData& data) {
  const double scale = IpValueScale(data);
  std::vector<float> values(data.pointCount);
  for (int i = 0; i < data.pointCount; ++i) {
    values[i] = static_cast<float>(data.ipValue[i] * scale);
  }
  return values;
}

std::vector<double> IpErrors(const SoundingData& data,
                             const std::vector<float>& observed,
                             const EngineOptions& options) {
  const double scale = IpValueScale(data);
  const double floor = 0.01 * options.errorFloorPercent;
  const double assumed = std::max(0.01 * options.assumedErrorPercent, floor);
  std::vector<double> errors(observed.size());
  for (size_t i = 0; i < observed.size(); ++i) {
    const double value = std::fabs(observed[i]);
    double error = assumed * value;
    const double given = data.ipError[i] * scale;
    if (data.errorsIncluded && std::isfinite(given) && given > 0.0) {
      error = std::max(given, floor * value);
    }
    errors[i] = std::max(error, kIpErrorAbsoluteFloor);
  }
  return errors;
}

}  // namespace layra
