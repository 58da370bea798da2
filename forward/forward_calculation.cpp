#include "forward/forward_calculation.h"

#include <string>

#include "forward/filter_set.h"
#include "forward/ip_response.h"
#include "forward/resistivity_kernel.h"
#include "forward/sip_response.h"
#include "state/text_format.h"

namespace layra {

bool CalculateForwardResponse(ForwardModel& model, Canvas& canvas, int line_height, Host& host) {
  const LayeredModel& layers = model.model;
  const int spacing_count = model.spacingCount;
  if (layers.layerCount < 1 || spacing_count < 1) {
    host.ShowMessage("There is no model to calculate.\nPlease read a resistivity model file first.",
                     "Message",
                     MessageIcon::kInformation,
                     MessageButtons::kOk);
    return false;
  }
  const FilterSet filter = SelectFilter(model.arrayType);
  model.warnings.clear();
  const int replaced = ComputeApparentResistivity(filter.ratio,
                                                  filter.shift,
                                                  model.spacings.data(),
                                                  filter.length,
                                                  filter.coefficients.data(),
                                                  layers.thickness.data(),
                                                  layers.resistivity.data(),
                                                  layers.layerCount,
                                                  model.calcResistivity.data(),
                                                  spacing_count);
  const bool with_ip = model.modelKind != DataKind::kResistivity;
  if (with_ip) {
    ComputeApparentChargeability(layers,
                                 model.spacings.data(),
                                 spacing_count,
                                 filter,
                                 model.calcResistivity.data(),
                                 model.calcIp.data());
  }

  int y = line_height;
  auto line = [&](const std::string& text) {
    canvas.DrawText(8, y, text);
    y += line_height;
  };
  line(std::string("No.   Spacing    App. Res.") + (with_ip ? "    Chargeability" : ""));
  for (int i = 0; i < spacing_count; ++i) {
    std::string text = StrFormat("%2d    %8.2f      %8.2f",
                                 i + 1,
                                 static_cast<double>(model.spacings[i]),
                                 static_cast<double>(model.calcResistivity[i]));
    if (with_ip) text += StrFormat("      %8.4f", static_cast<double>(model.calcIp[i]));
    line(text);
  }

  if (replaced > 0) {
    model.warnings.push_back(FilterGuardWarning(replaced));
    line("");
    for (size_t at = 0, end; at <= model.warnings.back().size(); at = end + 1) {
      end = model.warnings.back().find('\n', at);
      if (end == std::string::npos) end = model.warnings.back().size();
      line(model.warnings.back().substr(at, end - at));
    }
    host.Warn(model.warnings.back(), "Warning");
  }

  if (model.modelKind == DataKind::kSip && model.frequencyCount > 0) {
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
                            spacing_count,
                            model.amplitude.data(),
                            model.phase.data(),
                            model.real.data(),
                            model.imaginary.data(),
                            SpectralLayout::kFrequencyMajor);
    line("Complex model");
    host.ShowMessage(
        "Calculations completed", "Message", MessageIcon::kInformation, MessageButtons::kOk);
    canvas.Clear();
  }
  return true;
}

}  // namespace layra
