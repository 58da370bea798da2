#include "forward/ip_response.h"

#include <vector>

#include "forward/resistivity_kernel.h"

namespace layra {

void ComputeApparentChargeability(const LayeredModel& model,
                                  const float* spacings,
                                  int spacing_count,
                                  const FilterSet& filter,
                                  float* apparent_resistivity,
                                  float* apparent_chargeability) {
  if (spacing_count < 1 || model.layerCount < 1) return;
  const int n = model.layerCount;
  ComputeApparentResistivity(filter.ratio,
                             filter.shift,
                             spacings,
                             filter.length,
                             filter.coefficients.data(),
                             model.thickness.data(),
                             model.resistivity.data(),
                             n,
                             apparent_resistivity,
                             spacing_count);
  std::vector<float> perturbed(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double conductivity = 1.0 / static_cast<double>(model.resistivity[i]);
    perturbed[i] = static_cast<float>(1.0 / ((1.0 - model.chargeability[i]) * conductivity));
  }
  std::vector<float> perturbed_sounding(static_cast<size_t>(spacing_count));
  ComputeApparentResistivity(filter.ratio,
                             filter.shift,
                             spacings,
                             filter.length,
                             filter.coefficients.data(),
                             model.thickness.data(),
                             perturbed.data(),
                             n,
                             perturbed_sounding.data(),
                             spacing_count);
  for (int i = 0; i < spacing_count; ++i) {
    const double perturbed_value = perturbed_sounding[i];
    apparent_chargeability[i] =
        static_cast<float>((perturbed_value - apparent_resistivity[i]) / perturbed_value);
  }
}

}  // namespace layra
