#include "forward/forward_calculation.h"

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "forward/accurate_forward.h"
#include "forward/cole_cole.h"
#include "forward/filter_set.h"
#include "forward/ip_response.h"
#include "forward/resistivity_kernel.h"
#include "forward/sip_response.h"
#include "state/text_format.h"

namespace layra {

namespace {

// Returns how many filter values the kernel's guard replaced.
int ComputeDocumented(ForwardModel& model, bool with_ip) {
  const LayeredModel& layers = model.model;
  const FilterSet filter = SelectFilter(model.arrayType);
  const int replaced = ComputeApparentResistivity(filter.ratio,
                                                  filter.shift,
                                                  model.spacings.data(),
                                                  filter.length,
                                                  filter.coefficients.data(),
                                                  layers.thickness.data(),
                                                  layers.resistivity.data(),
                                                  layers.layerCount,
                                                  model.calcResistivity.data(),
                                                  model.spacingCount);
  if (with_ip) {
    ComputeApparentChargeability(layers,
                                 model.spacings.data(),
                                 model.spacingCount,
                                 filter,
                                 model.calcResistivity.data(),
                                 model.calcIp.data());
  }
  return replaced;
}

void ComputeDocumentedSpectrum(ForwardModel& model) {
  const LayeredModel& layers = model.model;
  const FilterSet filter = SelectFilter(model.arrayType);
  ComputeSpectralResponse(filter.shift,
                          filter.length,
                          filter.coefficients.data(),
                          filter.ratio,
                          model.spacings.data(),
                          layers.layerCount,
                          model.frequencyCount,
                          model.frequencies.data(),
                          layers.thickness.data(),
                          layers.resistivity.data(),
                          layers.chargeability.data(),
                          layers.timeConstant.data(),
                          layers.exponent.data(),
                          model.spacingCount,
                          model.amplitude.data(),
                          model.phase.data(),
                          model.real.data(),
                          model.imaginary.data(),
                          SpectralLayout::kFrequencyMajor);
}

// The accurate engine into the same single-precision arrays. The array code
// is read as the documented filter choice reads it: 7 is Schlumberger,
// everything else Wenner.
bool ComputeAccurate(ForwardModel& model, bool with_ip, bool with_spectrum) {
  const LayeredModel& layers = model.model;
  const int l = layers.layerCount;
  const int n = model.spacingCount;
  // Refuse before anything is written.
  if (with_spectrum)
    for (int j = 0; j < l; ++j)
      if (!(layers.timeConstant[j] >= 0.0f) || !std::isfinite(layers.timeConstant[j]) ||
          !std::isfinite(layers.exponent[j]))
        return false;
  accurate::Geometry geometry;
  geometry.type = model.arrayType;
  geometry.spacing.assign(model.spacings.begin(), model.spacings.begin() + n);
  accurate::Layers earth;
  earth.resistivity.assign(layers.resistivity.begin(), layers.resistivity.begin() + l);
  earth.thickness.assign(layers.thickness.begin(), layers.thickness.begin() + (l - 1));
  std::vector<double> rhoa;
  if (with_ip) {
    std::vector<double> ma;
    const std::vector<double> m(layers.chargeability.begin(), layers.chargeability.begin() + l);
    if (!accurate::ApparentChargeability(geometry, earth, m, ma, nullptr, &rhoa)) return false;
    for (int i = 0; i < n; ++i) model.calcIp[i] = static_cast<float>(ma[i]);
  } else if (!accurate::ApparentResistivity(geometry, earth, rhoa)) {
    return false;
  }
  for (int i = 0; i < n; ++i) model.calcResistivity[i] = static_cast<float>(rhoa[i]);
  if (!with_spectrum) return true;
  accurate::ColeColeLayers cole_cole;
  cole_cole.rho0 = earth.resistivity;
  cole_cole.thickness = earth.thickness;
  cole_cole.m.assign(layers.chargeability.begin(), layers.chargeability.begin() + l);
  cole_cole.tau.assign(layers.timeConstant.begin(), layers.timeConstant.begin() + l);
  cole_cole.c.assign(layers.exponent.begin(), layers.exponent.begin() + l);
  std::vector<std::complex<double>> z;
  for (int k = 0; k < model.frequencyCount; ++k) {
    if (!accurate::ColeColeApparentResistivity(geometry, cole_cole, model.frequencies[k], z))
      return false;
    for (int i = 0; i < n; ++i) {
      const size_t at = static_cast<size_t>(k) * n + i;
      model.real[at] = static_cast<float>(z[i].real());
      model.imaginary[at] = static_cast<float>(z[i].imag());
      model.amplitude[at] = static_cast<float>(std::abs(z[i]));
      model.phase[at] = PhaseMilliradians(model.real[at], model.imaginary[at]);
    }
  }
  return true;
}

}  // namespace

bool CalculateForwardResponse(ForwardModel& model, ListingSink& listing, EngineKind engine) {
  const LayeredModel& layers = model.model;
  const int spacing_count = model.spacingCount;
  if (layers.layerCount < 1 || spacing_count < 1) {
    listing.Message("There is no model to calculate.\nPlease read a resistivity model file first.",
                    "Message",
                    MessageIcon::kInformation);
    return false;
  }
  const bool with_ip = model.modelKind != DataKind::kResistivity;
  const bool with_spectrum = model.modelKind == DataKind::kSip && model.frequencyCount > 0;
  const bool accurate = engine == EngineKind::kAccurate;
  model.warnings.clear();
  int replaced = 0;  // the accurate engine has no guard to apply
  if (accurate) {
    if (!ComputeAccurate(model, with_ip, with_spectrum)) {
      listing.Message(
          "The accurate engine cannot compute this model: every resistivity and thickness must "
          "be positive, every chargeability at least 0 and below 1 and no time constant negative.",
          "Message",
          MessageIcon::kInformation);
      return false;
    }
  } else {
    replaced = ComputeDocumented(model, with_ip);
  }

  if (accurate) listing.Line(std::string("Engine: ") + EngineName(engine));
  listing.Line(std::string("No.   Spacing    App. Res.") + (with_ip ? "    Chargeability" : ""));
  for (int i = 0; i < spacing_count; ++i) {
    std::string text = StrFormat("%2d    %8.2f      %8.2f",
                                 i + 1,
                                 static_cast<double>(model.spacings[i]),
                                 static_cast<double>(model.calcResistivity[i]));
    if (with_ip) text += StrFormat("      %8.4f", static_cast<double>(model.calcIp[i]));
    listing.Line(text);
  }

  if (replaced > 0) {
    model.warnings.push_back(FilterGuardWarning(replaced));
    listing.Line("");
    listing.Lines(model.warnings.back());
    listing.Warn(model.warnings.back(), "Warning");
  }

  if (with_spectrum) {
    if (!accurate) ComputeDocumentedSpectrum(model);
    listing.Line("Complex model");
    listing.Message("Calculations completed", "Message", MessageIcon::kInformation);
  }
  return true;
}

}  // namespace layra
