#include "fileio/synthetic_data.h"

#include <cassert>
#include <cmath>

#include "fileio/atomic_file.h"
#include "fileio/data_file.h"
#include "state/text_format.h"

namespace layra {
namespace {

constexpr char kNoErrorsSection[] = "Error in measurements inluded (Yes,No)\nNo\nData section\n";
// IP data are chargeabilities in msec over a window from 0.1 to 1 s.
constexpr char kIpSection[] = "IP data\nChargeability\nmsec\n0.1,1.0\n";

// The shortest decimal of 6 to 9 significant digits that the data-file reader
// (a double, then float) takes back as `value`, right-aligned in `width`.
std::string Real(float value, int width) {
  std::string text;
  for (int digits = 6; digits <= 9; ++digits) {
    text = StrFormat("%.*g", digits, static_cast<double>(value));
    if (static_cast<float>(ReadDecimalPrefix(text).value) == value) break;
  }
  return StrFormat("%*s", width, text.c_str());
}

}  // namespace

bool WriteSyntheticData(SipForm sip_form,
                        DataKind kind,
                        ArrayType array_type,
                        const std::string& path,
                        int nf,
                        const float* frequencies,
                        int n,
                        const float* rho,
                        const float* chargeability,
                        const float* sip_second,
                        const float* sip_first,
                        const float* spacings,
                        const std::string& title,
                        std::string* error) {
  assert(n <= 0 || (rho != nullptr && spacings != nullptr));
  // The text is put together first and written whole or not at all.
  std::string out;
  const bool second_spacing = Traits(array_type).second_spacing;
  // One b spacing for every point: the whole set is one datum level.
  const float b = n > 0 ? 0.1f * spacings[0] : 0.0f;

  out += StrFormat("%s\n", title.c_str());
  out += "Array type (Wenner or Schlumberger)\n";
  out += std::string(Traits(array_type).file_line) + "\n";
  out += StrFormat("Number of data points\n%d\n", n);
  out += "Data type\n";
  if (kind == DataKind::kIp) {
    assert(n <= 0 || chargeability != nullptr);
    out += kIpSection;
    out += kNoErrorsSection;
    for (int p = 0; p < n; ++p) {
      // In float, like every stored value: 0.025 becomes exactly 25 msec.
      const float msec = 1000.0f * chargeability[p];
      if (!second_spacing) {
        out += StrFormat("%10.3f  %12.7f  %12.7f\n", spacings[p], rho[p], msec);
      } else {
        out += StrFormat("%10.3f  %10.4f  %12.7f  %12.7f\n", spacings[p], b, rho[p], msec);
      }
    }
  } else if (kind == DataKind::kSip) {
    assert(nf <= 0 || frequencies != nullptr);
    assert(n <= 0 || nf <= 0 || (sip_first != nullptr && sip_second != nullptr));
    out += "SIP data\nFrequency domian\nNumber of frequencies\n";
    out += StrFormat("%d\n", nf);
    out += "Frequency values\n";
    for (int f = 0; f < nf; ++f) out += StrFormat("%.4f\n", frequencies[f]);
    out += "Type of SIP data (Amplitude-Phase,Inphase-Outphase)\n";
    out += sip_form == SipForm::kAmplitudePhase ? "Amplitude-Phase\n" : "Inphase-Outphase\n";
    out += kNoErrorsSection;
    for (int p = 0; p < n; ++p) {
      if (!second_spacing) {
        out += StrFormat("%10.3f  %13.8f", spacings[p], rho[p]);
      } else {
        out += StrFormat("%10.3f  %10.4f  %13.8f", spacings[p], b, rho[p]);
      }
      for (int f = 0; f < nf; ++f) {
        out += StrFormat("    %13.8f %13.8f", sip_first[p + f * n], sip_second[p + f * n]);
      }
      out += "\n";
    }
  } else {
    out += "Resistivity data\n";
    out += kNoErrorsSection;
    for (int p = 0; p < n; ++p) {
      if (!second_spacing) {
        out += StrFormat("%10.3f  %10.4f\n", spacings[p], rho[p]);
      } else {
        out += StrFormat("%10.3f  %10.4f  %10.4f\n", spacings[p], b, rho[p]);
      }
    }
  }
  // Read back, the first 0 is the starting-model label and the second its
  // answer, which is not yes: the file carries no starting model.
  out += "0\n0\n0\n0\n0\n";
  return WriteFileAtomically(path, out, error);
}

std::string FormatDataFile(const SoundingData& data) {
  assert(data.dataKind != DataKind::kSip);
  const bool second_spacing = Traits(data.arrayType).second_spacing;
  const bool ip = data.dataKind == DataKind::kIp;
  const bool errors = data.errorsIncluded != 0;
  std::string title = data.title;
  for (char& c : title) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string text = title + "\n";
  text += "Array type (Wenner or Schlumberger)\n";
  text += std::string(Traits(data.arrayType).file_line) + "\n";
  text += StrFormat("Number of data points\n%d\nData type\n", data.pointCount);
  text += ip ? kIpSection : "Resistivity data\n";
  text += "Error in measurements inluded (Yes,No)\n";
  text += errors ? "Yes\n" : "No\n";
  text += "Data section\n";
  for (int p = 0; p < data.pointCount; ++p) {
    text += Real(data.spacingA[p], 10);
    if (second_spacing) text += "  " + Real(data.spacingB[p], 10);
    text += "  " + Real(data.apparentResistivity[p], 12);
    if (errors) text += "  " + Real(data.resistivityError[p], 10);
    if (ip) {
      text += "  " + Real(data.ipValue[p], 10);
      if (errors) text += "  " + Real(data.ipError[p], 10);
    }
    text += "\n";
  }
  text += "User Starting Model Available (Yes/No)\nNo\n";
  return text;
}

bool WriteDataFile(const SoundingData& data, const std::string& path, std::string* error) {
  return WriteFileAtomically(path, FormatDataFile(data), error);
}

std::string UnreadableResponseReason(const ForwardModel& model) {
  const int n = model.spacingCount;
  const char* cannot = "The response cannot be saved as a data file:\n";
  if (n < kMinDataPoints || n > kMaxDataPoints) {
    return StrFormat(
        "%sit has %d spacings, and a data file holds %d to %d points.\nGive the model file a "
        "list of spacings.",
        cannot,
        n,
        kMinDataPoints,
        kMaxDataPoints);
  }
  const bool sip = model.modelKind == DataKind::kSip;
  const int nf = model.frequencyCount;
  if (sip && (nf < kMinSipFrequencies || nf > kMaxSipFrequencies)) {
    return StrFormat(
        "%sit has %d frequencies, and a data file holds %d to %d.\nGive the model file a list "
        "of frequencies.",
        cannot,
        nf,
        kMinSipFrequencies,
        kMaxSipFrequencies);
  }
  // Values the reader refuses: spacings and resistivities below the least a
  // results file records (kMinRecordedValue), frequencies written as 0 with
  // four decimals, values that are not numbers.
  const double least = kMinRecordedValue;
  for (int p = 0; p < n; ++p) {
    if (!(model.spacings[p] >= kMinRecordedValue) || !std::isfinite(model.spacings[p])) {
      return StrFormat("%sspacing %d (%g m) is below the %g m a data file can hold.",
                       cannot,
                       p + 1,
                       model.spacings[p],
                       least);
    }
    if (!(model.calcResistivity[p] >= kMinRecordedValue) ||
        !std::isfinite(model.calcResistivity[p])) {
      return StrFormat(
          "%sthe apparent resistivity at spacing %d (%g) is below\nthe %g a data file can hold.",
          cannot,
          p + 1,
          model.calcResistivity[p],
          least);
    }
    if (model.modelKind == DataKind::kIp && !std::isfinite(model.calcIp[p])) {
      return StrFormat("%sthe chargeability at spacing %d is not a number.", cannot, p + 1);
    }
    // Written in msec, as the file's IP values are; the reader takes none
    // beyond kMaxIpMagnitude.
    const float msec = 1000.0f * model.calcIp[p];
    if (model.modelKind == DataKind::kIp && !(std::fabs(msec) <= kMaxIpMagnitude)) {
      return StrFormat(
          "%sthe chargeability at spacing %d (%.2f msec) is beyond\nthe %g msec a data file can "
          "hold.",
          cannot,
          p + 1,
          msec,
          static_cast<double>(kMaxIpMagnitude));
    }
  }
  if (sip) {
    const bool amplitude_phase = model.outputSipForm == SipForm::kAmplitudePhase;
    for (int f = 0; f < nf; ++f) {
      if (!(model.frequencies[f] >= 0.00005f) || !std::isfinite(model.frequencies[f])) {
        return StrFormat("%sfrequency %d (%g Hz) is not positive at four decimals.",
                         cannot,
                         f + 1,
                         model.frequencies[f]);
      }
      for (int p = 0; p < n; ++p) {
        const int at = p + f * n;
        const float first = amplitude_phase ? model.amplitude[at] : model.real[at];
        const float second = amplitude_phase ? model.phase[at] : model.imaginary[at];
        if (!std::isfinite(first) || !std::isfinite(second) ||
            (amplitude_phase && !(first >= 0.000000005f))) {
          return StrFormat("%sthe SIP values at spacing %d and frequency %d are not usable.",
                           cannot,
                           p + 1,
                           f + 1);
        }
      }
    }
  }
  return std::string();
}

bool SaveForwardModel(const ForwardModel& model, const std::string& path, std::string* error) {
  const std::string reason = UnreadableResponseReason(model);
  if (!reason.empty()) {
    if (error != nullptr) *error = reason;
    return false;
  }
  const bool amplitude_phase = model.outputSipForm == SipForm::kAmplitudePhase;
  return WriteSyntheticData(model.outputSipForm,
                            model.modelKind,
                            model.arrayType,
                            path,
                            model.frequencyCount,
                            model.frequencies.data(),
                            model.spacingCount,
                            model.calcResistivity.data(),
                            model.calcIp.data(),
                            amplitude_phase ? model.phase.data() : model.imaginary.data(),
                            amplitude_phase ? model.amplitude.data() : model.real.data(),
                            model.spacings.data(),
                            model.title,
                            error);
}

}  // namespace layra
