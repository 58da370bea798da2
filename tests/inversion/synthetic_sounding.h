#ifndef LAYRA_TESTS_INVERSION_SYNTHETIC_SOUNDING_H_
#define LAYRA_TESTS_INVERSION_SYNTHETIC_SOUNDING_H_

// Soundings computed by the forward engine, and the folders and runs of the
// inversion tests.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "forward/filter_set.h"
#include "forward/resistivity_kernel.h"
#include "forward/sip_response.h"
#include "inversion/sounding_document.h"
#include "state/records.h"
#include "tests/support/recording_observer.h"
#include "tests/support/scratch_dir.h"

namespace layra::testing {

// `count` spacings spread logarithmically from `first` to `last`.
inline std::vector<float> LogSpacings(float first, float last, int count) {
  std::vector<float> spacings(count);
  for (int i = 0; i < count; ++i) {
    const double f = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
    spacings[i] = static_cast<float>(first * std::pow(last / first, f));
  }
  return spacings;
}

inline std::vector<float> ForwardResponse(ArrayType array_type,
                                          const std::vector<float>& spacings,
                                          const std::vector<float>& resistivity,
                                          const std::vector<float>& thickness) {
  const FilterSet filter = SelectFilter(array_type);
  std::vector<float> out(spacings.size());
  std::vector<float> h = thickness;
  h.resize(resistivity.size(), 0.0f);
  ComputeApparentResistivity(filter.ratio,
                             filter.shift,
                             spacings.data(),
                             filter.length,
                             filter.coefficients.data(),
                             h.data(),
                             resistivity.data(),
                             static_cast<int>(resistivity.size()),
                             out.data(),
                             static_cast<int>(spacings.size()));
  return out;
}

// Fills document.data with the response of the model, multiplied point by
// point by exp(noise * N(0, 1)) when noise > 0 (a fixed seed keeps runs
// repeatable).
inline void FillSounding(SoundingDocument& document,
                         ArrayType array_type,
                         const std::vector<float>& spacings,
                         const std::vector<float>& resistivity,
                         const std::vector<float>& thickness,
                         const std::string& data_file,
                         double noise = 0.0,
                         unsigned seed = 7) {
  SoundingData& data = document.data;
  data = SoundingData{};
  data.title = "Synthetic three-layer sounding";
  data.dataFileName = data_file;
  data.arrayType = array_type;
  data.dataKind = DataKind::kResistivity;
  data.pointCount = static_cast<int>(spacings.size());
  data.pointCountAsRead = data.pointCount;
  const std::vector<float> rho = ForwardResponse(array_type, spacings, resistivity, thickness);
  // Box-Muller over the fully specified mt19937, so every platform draws the
  // same noise.
  std::mt19937 generator(seed);
  auto normal = [&generator]() {
    const double u1 = (generator() + 1.0) / 4294967297.0;
    const double u2 = generator() / 4294967296.0;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
  };
  for (size_t i = 0; i < spacings.size(); ++i) {
    data.spacingA[i] = spacings[i];
    data.spacingB[i] = 0.1f * spacings[0];
    data.apparentResistivity[i] =
        noise > 0.0 ? static_cast<float>(rho[i] * std::exp(noise * normal())) : rho[i];
  }
}

inline void SetModel(LayeredModel& model,
                     const std::vector<float>& resistivity,
                     const std::vector<float>& thickness) {
  model.layerCount = static_cast<int>(resistivity.size());
  float depth = 0.0f;
  for (size_t j = 0; j < resistivity.size(); ++j) {
    model.resistivity[j] = resistivity[j];
    model.depthTop[j] = depth;
    if (j < thickness.size()) {
      model.thickness[j] = thickness[j];
      depth += thickness[j];
    }
  }
}

// A model with Cole-Cole parameters in every layer.
inline LayeredModel ColeColeModel(const std::vector<float>& resistivity,
                                  const std::vector<float>& thickness,
                                  const std::vector<float>& m,
                                  const std::vector<float>& tau,
                                  const std::vector<float>& c) {
  LayeredModel model;
  SetModel(model, resistivity, thickness);
  for (size_t j = 0; j < resistivity.size(); ++j) {
    model.chargeability[j] = m[j];
    model.timeConstant[j] = tau[j];
    model.exponent[j] = c[j];
  }
  return model;
}

struct Spectra {
  std::vector<float> amplitude, phase, real, imaginary;
};

// The spectra of the model's first `layers` layers at every spacing and
// frequency.
inline Spectra SpectralResponse(ArrayType array,
                                const LayeredModel& model,
                                int layers,
                                const float* spacings,
                                int n,
                                const std::vector<float>& frequencies,
                                SpectralLayout layout) {
  const FilterSet filter = SelectFilter(array);
  const size_t size = n * frequencies.size();
  Spectra s{std::vector<float>(size),
            std::vector<float>(size),
            std::vector<float>(size),
            std::vector<float>(size)};
  ComputeSpectralResponse(filter.shift,
                          filter.length,
                          filter.coefficients.data(),
                          filter.ratio,
                          spacings,
                          layers,
                          static_cast<int>(frequencies.size()),
                          frequencies.data(),
                          model.thickness.data(),
                          model.resistivity.data(),
                          model.chargeability.data(),
                          model.timeConstant.data(),
                          model.exponent.data(),
                          n,
                          s.amplitude.data(),
                          s.phase.data(),
                          s.real.data(),
                          s.imaginary.data(),
                          layout);
  return s;
}

inline std::vector<double> Doubles(const std::vector<float>& values) {
  return std::vector<double>(values.begin(), values.end());
}

// A run of the document (from its working model, or automatic) writing
// `results_file`; returns its outcome.
inline const InversionOutcome& RunSavingTo(SoundingDocument& document,
                                           const std::string& results_file,
                                           bool from_model) {
  RunOptions options = document.NextRunOptions(from_model);
  options.results_path = results_file;
  RecordingObserver observer;
  return document.Run(options, observer).outcome;
}

}  // namespace layra::testing

#endif  // LAYRA_TESTS_INVERSION_SYNTHETIC_SOUNDING_H_
