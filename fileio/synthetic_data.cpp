#include "fileio/synthetic_data.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "fileio/atomic_file.h"
#include "fileio/text_output.h"
#include "state/text_format.h"

namespace layra {
namespace {

constexpr char kNoErrorsSection[] = "Error in measurements inluded (Yes,No)\nNo\nData section\n";
// IP data are chargeabilities in msec over a window from 0.1 to 1 s.
// The shortest decimal of 6 to 9 significant digits that the data-file reader
// (strtod, then float) takes back as `value`, right-aligned in `width`.
std::string Real(float value, int width) {
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (static_cast<float>(std::strtod(text, nullptr)) == value) break;
  }
  return StrFormat("%*s", width, text);
}

constexpr char kIpSection[] = "IP data\nChargeability\nmsec\n0.1,1.0\n";

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
                        const std::string& title) {
  assert(n <= 0 || (rho != nullptr && spacings != nullptr));
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  CheckedTextWriter out(file);
  const bool wenner = IsWenner(array_type);
  // One b spacing for every point: the whole set is one datum level.
  const float b = n > 0 ? 0.1f * spacings[0] : 0.0f;

  out.Write("%s\n", title.c_str());
  out.Write("Array type (Wenner or Schlumberger)\n");
  out.Write(wenner ? "Wenner array\n" : "Schlumberger array\n");
  out.Write("Number of data points\n%d\n", n);
  out.Write("Data type\n");
  if (kind == DataKind::kIp) {
    assert(n <= 0 || chargeability != nullptr);
    out.Write("%s", kIpSection);
    out.Write("%s", kNoErrorsSection);
    for (int p = 0; p < n; ++p) {
      // In float, like every stored value: 0.025 becomes exactly 25 msec.
      const float msec = 1000.0f * chargeability[p];
      if (wenner) {
        out.Write("%10.3f  %12.7f  %12.7f\n", spacings[p], rho[p], msec);
      } else {
        out.Write("%10.3f  %10.4f  %12.7f  %12.7f\n", spacings[p], b, rho[p], msec);
      }
    }
  } else if (kind == DataKind::kSip) {
    assert(nf <= 0 || frequencies != nullptr);
    assert(n <= 0 || nf <= 0 || (sip_first != nullptr && sip_second != nullptr));
    out.Write("SIP data\nFrequency domian\nNumber of frequencies\n");
    out.Write("%d\n", nf);
    out.Write("Frequency values\n");
    for (int f = 0; f < nf; ++f) out.Write("%.4f\n", frequencies[f]);
    out.Write("Type of SIP data (Amplitude-Phase,Inphase-Outphase)\n");
    out.Write(sip_form == SipForm::kAmplitudePhase ? "Amplitude-Phase\n" : "Inphase-Outphase\n");
    out.Write("%s", kNoErrorsSection);
    for (int p = 0; p < n; ++p) {
      if (wenner) {
        out.Write("%10.3f  %13.8f", spacings[p], rho[p]);
      } else {
        out.Write("%10.3f  %10.4f  %13.8f", spacings[p], b, rho[p]);
      }
      for (int f = 0; f < nf; ++f) {
        out.Write("    %13.8f %13.8f", sip_first[p + f * n], sip_second[p + f * n]);
      }
      out.Write("\n");
    }
  } else {
    out.Write("Resistivity data\n");
    out.Write("%s", kNoErrorsSection);
    for (int p = 0; p < n; ++p) {
      if (wenner) {
        out.Write("%10.3f  %10.4f\n", spacings[p], rho[p]);
      } else {
        out.Write("%10.3f  %10.4f  %10.4f\n", spacings[p], b, rho[p]);
      }
    }
  }
  // Read back, the first 0 is the starting-model label and the second its
  // answer, which is not yes: the file carries no starting model.
  out.Write("0\n0\n0\n0\n0\n");
  return out.Close();
}

std::string FormatDataFile(const SoundingData& data) {
  assert(data.dataKind != DataKind::kSip);
  const bool wenner = IsWenner(data.arrayType);
  const bool ip = data.dataKind == DataKind::kIp;
  const bool errors = data.errorsIncluded != 0;
  std::string title = data.title;
  for (char& c : title) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::string text = title + "\n";
  text += "Array type (Wenner or Schlumberger)\n";
  text += wenner ? "Wenner array\n" : "Schlumberger array\n";
  text += StrFormat("Number of data points\n%d\nData type\n", data.pointCount);
  text += ip ? kIpSection : "Resistivity data\n";
  text += "Error in measurements inluded (Yes,No)\n";
  text += errors ? "Yes\n" : "No\n";
  text += "Data section\n";
  for (int p = 0; p < data.pointCount; ++p) {
    text += Real(data.spacingA[p], 10);
    if (!wenner) text += "  " + Real(data.spacingB[p], 10);
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

bool SaveForwardModel(const ForwardModel& model, const std::string& path) {
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
                            model.title);
}

}  // namespace layra
