#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "forward/cole_cole.h"
#include "forward/filter_set.h"
#include "forward/ip_response.h"
#include "forward/sip_response.h"
#include "inversion/inversion_driver.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

using testing::LogSpacings;
using testing::SetModel;

const std::vector<float> kRho = {100.0f, 20.0f, 500.0f};
const std::vector<float> kThickness = {5.0f, 15.0f};
const std::vector<float> kCharge = {0.02f, 0.15f, 0.05f};
const std::vector<float> kTau = {0.1f, 0.1f, 0.1f};
const std::vector<float> kExponent = {0.5f, 0.5f, 0.5f};
const std::vector<float> kFrequencies = {0.1f, 0.3f, 1.0f, 3.0f, 10.0f, 30.0f};

LayeredModel TrueModel() {
  return testing::ColeColeModel(kRho, kThickness, kCharge, kTau, kExponent);
}

// Schlumberger spectra of a model's first `layers` layers, point by point.
testing::Spectra PointMajorSpectra(const LayeredModel& model,
                                   int layers,
                                   const float* spacings,
                                   int n,
                                   const std::vector<float>& frequencies) {
  return testing::SpectralResponse(ArrayType::kSchlumberger,
                                   model,
                                   layers,
                                   spacings,
                                   n,
                                   frequencies,
                                   SpectralLayout::kPointMajor);
}

class StagesTest : public ::testing::Test {
 protected:
  // `scale` 1: fractions, 1000: mV/V.
  void IpSounding(SoundingDocument& state, float scale) {
    const std::vector<float> spacings = LogSpacings(1.0f, 300.0f, 20);
    testing::FillSounding(
        state, ArrayType::kSchlumberger, spacings, kRho, kThickness, directory_.Path("ip.dat"));
    state.data.dataKind = DataKind::kIp;
    const LayeredModel model = TrueModel();
    std::vector<float> rho(20), ma(20);
    ComputeApparentChargeability(
        model, spacings.data(), 20, SelectFilter(ArrayType::kSchlumberger), rho.data(), ma.data());
    for (int i = 0; i < 20; ++i) state.data.ipValue[i] = scale * ma[i];
  }

  // With the derived IP value of each point.
  void SipSounding(SoundingDocument& state, SipForm form) {
    const std::vector<float> spacings = LogSpacings(1.0f, 300.0f, 16);
    const int n = 16, nf = static_cast<int>(kFrequencies.size());
    testing::FillSounding(
        state, ArrayType::kSchlumberger, spacings, kRho, kThickness, directory_.Path("sip.dat"));
    SoundingData& data = state.data;
    data.dataKind = DataKind::kSip;
    data.sipForm = form;
    data.frequencyCount = nf;
    for (int k = 0; k < nf; ++k) data.frequencies[k] = kFrequencies[k];
    const LayeredModel model = TrueModel();
    const testing::Spectra s = PointMajorSpectra(model, 3, spacings.data(), n, kFrequencies);
    for (int i = 0; i < n; ++i) {
      float drop = -INFINITY;
      for (int k = 0; k < nf; ++k) {
        const int v = i * nf + k;
        data.sipValue1[v] = form == SipForm::kAmplitudePhase ? s.amplitude[v] : s.real[v];
        data.sipValue2[v] = form == SipForm::kAmplitudePhase ? s.phase[v] : s.imaginary[v];
        const float rho = data.apparentResistivity[i];
        drop = std::max(drop, (rho - s.amplitude[v]) / rho);
      }
      data.ipValue[i] = drop;
    }
  }

  void Run(SoundingDocument& state) {
    SetModel(state.model, kRho, kThickness);
    const InversionOutcome& outcome = testing::RunSavingTo(state, directory_.Path("run.INV"), true);
    ASSERT_EQ(outcome.runStatus, RunStatus::kCompleted) << outcome.runMessage;
  }

  testing::ScratchDir directory_;
};

// Fractions and thousandths give the same chargeabilities, which fit the data;
// the observed data stay as given.
TEST_F(StagesTest, IpStageFitsChargeabilitiesInEitherUnit) {
  SoundingDocument fraction, thousandths;
  IpSounding(fraction, 1.0f);
  IpSounding(thousandths, 1000.0f);
  Run(fraction);
  Run(thousandths);
  const InversionOutcome& outcome = fraction.runs.back().outcome;
  EXPECT_LT(outcome.finalIpMisfit, 0.003f);
  EXPECT_NEAR(thousandths.runs.back().outcome.finalIpMisfit, outcome.finalIpMisfit, 1e-5f);
  EXPECT_GT(thousandths.data.ipValue[5], 1.0f);
  for (int j = 0; j < 3; ++j) {
    EXPECT_GE(fraction.runs.back().outcome.model.chargeability[j], 0.0f) << "layer " << j + 1;
    EXPECT_LT(fraction.runs.back().outcome.model.chargeability[j], 1.0f) << "layer " << j + 1;
    EXPECT_NEAR(thousandths.runs.back().outcome.model.chargeability[j],
                fraction.runs.back().outcome.model.chargeability[j],
                1e-4f)
        << "layer " << j + 1;
  }
  EXPECT_GT(fraction.runs.back().outcome.model.chargeability[1],
            fraction.runs.back().outcome.model.chargeability[0]);
  for (int i = 0; i < fraction.data.pointCount; ++i) {
    EXPECT_NEAR(outcome.calculatedIp[i], fraction.data.ipValue[i], 0.01f) << "point " << i;
  }
}

TEST_F(StagesTest, IpStageWithoutIterationsKeepsTheStartingChargeability) {
  SoundingDocument state;
  IpSounding(state, 1.0f);
  state.settings.iterationLimit = 0;
  Run(state);
  double mean = 0.0;
  for (int i = 0; i < state.data.pointCount; ++i) mean += std::fabs(state.data.ipValue[i]);
  mean /= state.data.pointCount;
  for (int j = 0; j < 3; ++j)
    EXPECT_NEAR(state.runs.back().outcome.model.chargeability[j], mean, 1e-6) << "layer " << j + 1;
  EXPECT_GT(state.runs.back().outcome.finalIpMisfit, 0.0f);
}

// Both SIP data forms give the same result, and the calculated spectra follow
// the observed ones.
TEST_F(StagesTest, SipStageReproducesTheSpectraInBothDataForms) {
  SoundingDocument state, in_phase;
  SipSounding(state, SipForm::kAmplitudePhase);
  SipSounding(in_phase, SipForm::kInphaseOutphase);
  Run(state);
  Run(in_phase);
  const LayeredModel& model = state.runs.back().outcome.model;
  for (int j = 0; j < 3; ++j) {
    EXPECT_TRUE(std::isfinite(model.timeConstant[j]) && model.timeConstant[j] > 0.0f);
    EXPECT_TRUE(std::isfinite(model.exponent[j]) && model.exponent[j] > 0.0f);
    EXPECT_NEAR(in_phase.runs.back().outcome.model.timeConstant[j],
                model.timeConstant[j],
                1e-3f * model.timeConstant[j]);
    EXPECT_NEAR(in_phase.runs.back().outcome.model.exponent[j], model.exponent[j], 1e-3f);
  }
  EXPECT_NEAR(in_phase.runs.back().outcome.finalSipMisfit,
              state.runs.back().outcome.finalSipMisfit,
              1e-3f * state.runs.back().outcome.finalSipMisfit + 1e-3f);
  const SoundingData& data = state.data;
  const int nf = data.frequencyCount;
  double worst_phase = 0.0, largest_phase = 0.0;
  for (int v = 0; v < data.pointCount * nf; ++v) {
    worst_phase =
        std::max(worst_phase,
                 std::fabs(state.runs.back().outcome.calculatedPhase[v] - data.sipValue2[v]) + 0.0);
    largest_phase = std::max(largest_phase, std::fabs(data.sipValue2[v]) + 0.0);
    EXPECT_NEAR(state.runs.back().outcome.calculatedAmplitude[v],
                data.sipValue1[v],
                0.03f * data.sipValue1[v]);
  }
  EXPECT_LT(worst_phase, 0.2 * largest_phase);
  EXPECT_NEAR(state.runs.back().outcome.fittedExponent[0], 0.5f, 0.2f);
}

// The example SIP sounding inverted automatically ends no worse than its start
// from the per-datum fits, with exponents in a physical range.
TEST_F(StagesTest, SipStageNeverEndsAboveItsStartingMisfit) {
  SoundingDocument state;
  DiscardingSink reading;
  ASSERT_EQ(
      ReadDataFile(std::string(LAYRA_EXAMPLES_DIR) + "/sip_amplitude_phase.dat", state, reading),
      0);
  testing::RunSavingTo(state, directory_.Path("example.INV"), false);
  ASSERT_EQ(state.runs.back().outcome.runStatus, RunStatus::kCompleted);
  const SoundingData& data = state.data;
  const int n = data.pointCount, nf = data.frequencyCount,
            layers = state.runs.back().outcome.model.layerCount;
  double log_tau = 0.0, c_sum = 0.0;
  for (int i = 0; i < n; ++i) {
    log_tau += std::log(static_cast<double>(state.runs.back().outcome.fittedTimeConstant[i]));
    c_sum += state.runs.back().outcome.fittedExponent[i];
  }
  LayeredModel start = state.runs.back().outcome.model;
  for (int j = 0; j < layers; ++j) {
    start.timeConstant[j] = static_cast<float>(std::exp(log_tau / n));
    start.exponent[j] = static_cast<float>(c_sum / n);
  }
  ASSERT_EQ(data.arrayType, ArrayType::kSchlumberger);
  const testing::Spectra s =
      PointMajorSpectra(start,
                        layers,
                        data.spacingA.data(),
                        n,
                        {data.frequencies.begin(), data.frequencies.begin() + nf});
  double start_misfit = 0.0;
  for (int v = 0; v < n * nf; ++v) {
    start_misfit += std::pow(data.sipValue1[v] - s.amplitude[v], 2) +
                    std::pow(data.sipValue2[v] - s.phase[v], 2);
  }
  EXPECT_LE(state.runs.back().outcome.finalSipMisfit, start_misfit * (1 + 1e-5));
  for (int j = 0; j < layers; ++j) {
    EXPECT_GT(state.runs.back().outcome.model.exponent[j], 0.0f) << "layer " << j + 1;
    EXPECT_LT(state.runs.back().outcome.model.exponent[j], 2.0f) << "layer " << j + 1;
  }
}

}  // namespace
}  // namespace layra
