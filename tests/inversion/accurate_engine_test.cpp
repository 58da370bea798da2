#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fileio/results_file.h"
#include "inversion/accurate_response.h"
#include "inversion/data_errors.h"
#include "inversion/inversion_driver.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

using testing::Doubles;
using testing::LogSpacings;
using testing::SetModel;

class AccurateEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { state_.engine.engine = EngineKind::kAccurate; }

  // The accurate response of the model, each value times exp(noise N(0, 1)).
  void Sounding(ArrayType array_type,
                const std::vector<float>& spacings,
                const std::vector<float>& rho,
                const std::vector<float>& h,
                double noise) {
    testing::FillSounding(state_, array_type, spacings, rho, h, directory_.Path("sounding.dat"));
    std::vector<double> response;
    ASSERT_TRUE(AccurateApparentResistivity(
        array_type, Doubles(spacings), Doubles(rho), Doubles(h), response, nullptr));
    std::mt19937 generator(11);
    std::normal_distribution<double> normal;
    for (size_t i = 0; i < spacings.size(); ++i) {
      state_.data.apparentResistivity[i] =
          static_cast<float>(response[i] * std::exp(noise * normal(generator)));
    }
  }

  void Run(int user_model) {
    state_.settings.iterationLimit = 25;
    testing::RunSavingTo(state_, directory_.Path("sounding.INV"), user_model != 0);
  }

  testing::ScratchDir directory_;
  SoundingDocument state_;
};

struct FewLayerCase {
  const char* name;
  ArrayType array;
  std::vector<float> rho;
  std::vector<float> h;
  double noise;
};

// Runs from a start 40 % off the truth end within 1.2 times the noise level,
// and no iteration raises the misfit.
TEST_F(AccurateEngineTest, FewLayerRunsEndAtTheNoiseLevelWithoutRaisingTheMisfit) {
  const std::vector<FewLayerCase> cases = {
      {"H 1%", ArrayType::kSchlumberger, {100, 10, 1000}, {5, 10}, 0.01},
      {"K 3%", ArrayType::kWenner, {50, 800, 20}, {3, 12}, 0.03},
  };
  for (const FewLayerCase& c : cases) {
    Sounding(c.array, LogSpacings(1.0f, 500.0f, 30), c.rho, c.h, c.noise);
    std::vector<float> start_rho = c.rho, start_h = c.h;
    for (size_t j = 0; j < start_rho.size(); ++j) start_rho[j] *= j % 2 ? 0.6f : 1.4f;
    for (float& h : start_h) h *= 1.4f;
    SetModel(state_.model, start_rho, start_h);
    Run(1);
    ASSERT_EQ(state_.runs.back().outcome.runStatus, RunStatus::kCompleted) << c.name;
    EXPECT_LE(state_.runs.back().outcome.finalMisfit, 1.2 * c.noise) << c.name;
    for (int k = 1; k <= state_.runs.back().outcome.lastIteration; ++k) {
      EXPECT_LE(state_.runs.back().outcome.misfits[k], state_.runs.back().outcome.misfits[k - 1])
          << c.name << " " << k;
    }
  }
}

// Fixed values stay exact, bounds hold; an unknown name is refused before any
// results file is written.
TEST_F(AccurateEngineTest, FixedValuesStayExactAndBoundsHold) {
  Sounding(ArrayType::kSchlumberger, LogSpacings(1.0f, 300.0f, 25), {100, 20, 500}, {5, 15}, 0.01);
  SetModel(state_.model, {80.0f, 23.7f, 400.0f}, {6.3f, 12.0f});
  state_.engine.fixed = {"rho2", "h1"};
  state_.engine.bounds = {{"rho3", 100.0, 300.0}};
  Run(1);
  ASSERT_EQ(state_.runs.back().outcome.runStatus, RunStatus::kCompleted)
      << state_.runs.back().outcome.runMessage;
  EXPECT_EQ(state_.runs.back().outcome.model.resistivity[1], 23.7f);
  EXPECT_EQ(state_.runs.back().outcome.model.thickness[0], 6.3f);
  EXPECT_GE(state_.runs.back().outcome.model.resistivity[2], 100.0f);
  EXPECT_LE(state_.runs.back().outcome.model.resistivity[2], 300.0f);
  EXPECT_GT(state_.runs.back().outcome.lastIteration, 0);
  InversionResults results;
  DiscardingSink reader;
  ASSERT_EQ(ReadResultsFile(directory_.Path("sounding.INV"), results, reader), 0);
  EXPECT_EQ(results.someParametersFixed, 1);

  for (const char* name : {"rho4", "h3", "m1"}) {
    SoundingDocument refused;
    refused.engine = state_.engine;
    refused.data = state_.data;
    SetModel(refused.model, {80.0f, 23.7f, 400.0f}, {6.3f, 12.0f});
    refused.engine.fixed = {name};
    refused.engine.bounds.clear();
    testing::RunSavingTo(refused, directory_.Path("refused.INV"), true);
    EXPECT_EQ(refused.runs.back().outcome.runStatus, RunStatus::kFailed) << name;
    EXPECT_NE(refused.runs.back().outcome.runMessage.find(name), std::string::npos) << name;
    EXPECT_FALSE(std::filesystem::exists(directory_.Path("refused.INV"))) << name;
  }
}

// A point 1.6 times too high with a 50 % error barely moves the model; with
// the same error as the others it pulls the fit.
TEST_F(AccurateEngineTest, DataErrorsWeightTheFit) {
  const std::vector<float> rho = {100, 20, 500}, h = {5, 15};
  auto recovered_h2 = [&](float outlier_error) {
    Sounding(ArrayType::kSchlumberger, LogSpacings(1.0f, 300.0f, 25), rho, h, 0.0);
    state_.data.errorsIncluded = 1;
    for (int i = 0; i < 25; ++i) {
      state_.data.resistivityError[i] = 0.01f * state_.data.apparentResistivity[i];
    }
    state_.data.apparentResistivity[12] *= 1.6f;
    state_.data.resistivityError[12] = outlier_error * state_.data.apparentResistivity[12];
    SetModel(state_.model, rho, h);
    Run(1);
    return state_.runs.back().outcome.model.thickness[1];
  };
  EXPECT_NEAR(recovered_h2(0.5f), 15.0f, 0.3f);
  EXPECT_GT(std::fabs(recovered_h2(0.01f) - 15.0f), 1.0f);
}

// The smooth inversion ends at chi^2 / N = 1 over four decades (which the
// documented engine refuses) and reports its weight.
TEST_F(AccurateEngineTest, SmoothRunMeetsTheDiscrepancyOverFourDecades) {
  for (const int robust : {0, 1}) {
    Sounding(ArrayType::kSchlumberger,
             LogSpacings(1.0f, 10000.0f, 60),
             {100, 20, 500, 5},
             {5, 15, 300},
             0.03);
    state_.engine.assumedErrorPercent = 3.0;
    state_.settings.modelConstraint = robust;
    Run(0);
    ASSERT_EQ(state_.runs.back().outcome.runStatus, RunStatus::kCompleted)
        << state_.runs.back().outcome.runMessage;
    EXPECT_GT(state_.runs.back().outcome.model.layerCount, 30);
    EXPECT_NEAR(state_.runs.back().outcome.chi2, 1.0, 0.15) << "robust " << robust;
    EXPECT_GT(state_.runs.back().outcome.regularisation, 0.0);
  }
  SoundingDocument documented = state_;
  documented.engine.engine = EngineKind::kDocumented;
  documented.thicknessFactor = 1.25f;
  testing::RunSavingTo(documented, directory_.Path("documented.INV"), false);
  EXPECT_EQ(documented.runs.back().outcome.runStatus, RunStatus::kFailed);
}

// The unit line decides the IP unit; only without a known unit do the values'
// magnitudes.
TEST(IpFractionsByUnit, UnitLineDecidesAndMagnitudeOnlyWithoutOne) {
  struct Case {
    const char* unit;
    float value;
    float fraction;
  } cases[] = {
      {"msec", 0.5f, 0.0005f},
      {" mV/V ", 20.0f, 0.02f},
      {"%", 2.0f, 0.02f},
      {"V/V", 0.03f, 0.03f},
      {"", 0.5f, 0.5f},
      {"", 30.0f, 0.03f},
      {"units", 30.0f, 0.03f},
  };
  for (const Case& c : cases) {
    SoundingData data;
    data.pointCount = 5;
    data.ipUnitText = c.unit;
    std::fill(data.ipValue.begin(), data.ipValue.begin() + 5, c.value);
    EXPECT_FLOAT_EQ(IpFractionsByUnit(data)[4], c.fraction) << "'" << c.unit << "' " << c.value;
  }
}

// Scaling every resistivity of a SIP sounding leaves the recovered time
// constants; exact spectra are fitted with no misfit, and the IP panel and
// misfit are those of the chargeabilities the run ends with.
TEST_F(AccurateEngineTest, SipTimeConstantsDoNotDependOnTheResistivityScale) {
  const std::vector<float> rho = {100, 20, 500}, h = {5, 15};
  const std::vector<double> m = {0.02, 0.15, 0.05}, tau = {0.01, 0.1, 0.01}, c = {0.5, 0.5, 0.5};
  const std::vector<double> frequencies = {0.1, 0.3, 1, 3, 10, 30, 100};
  const std::vector<float> spacings = LogSpacings(1.0f, 300.0f, 16);
  std::vector<std::vector<float>> recovered_tau;
  for (const float scale : {0.1f, 1.0f, 100.0f}) {
    std::vector<float> scaled = rho;
    for (float& r : scaled) r *= scale;
    Sounding(ArrayType::kSchlumberger, spacings, scaled, h, 0.0);
    SoundingData& data = state_.data;
    data.dataKind = DataKind::kSip;
    data.sipForm = SipForm::kAmplitudePhase;
    data.frequencyCount = static_cast<int>(frequencies.size());
    const int nf = data.frequencyCount;
    for (int k = 0; k < nf; ++k) {
      data.frequencies[k] = static_cast<float>(frequencies[k]);
      std::vector<std::complex<double>> layer(3), rhoa;
      for (int j = 0; j < 3; ++j) {
        const std::complex<double> z =
            std::pow(std::complex<double>(0.0, 2.0 * M_PI * frequencies[k] * tau[j]), c[j]);
        layer[j] = static_cast<double>(scaled[j]) * (1.0 - m[j] * (1.0 - 1.0 / (1.0 + z)));
      }
      ASSERT_TRUE(AccurateComplexApparentResistivity(
          data.arrayType, Doubles(spacings), layer, Doubles(h), rhoa, nullptr));
      for (int i = 0; i < 16; ++i) {
        data.sipValue1[i * nf + k] = static_cast<float>(std::abs(rhoa[i]));
        data.sipValue2[i * nf + k] = static_cast<float>(-1000.0 * std::arg(rhoa[i]));
      }
    }
    for (int i = 0; i < 16; ++i) {
      float drop = 0.0f;
      for (int k = 0; k < nf; ++k) {
        drop = std::max(drop, 1.0f - data.sipValue1[i * nf + k] / data.apparentResistivity[i]);
      }
      data.ipValue[i] = drop;
    }
    SetModel(state_.model, scaled, h);
    Run(1);
    ASSERT_EQ(state_.runs.back().outcome.runStatus, RunStatus::kCompleted)
        << state_.runs.back().outcome.runMessage;
    const InversionOutcome& outcome = state_.runs.back().outcome;
    // Exact spectra of the starting model's resistivities: the fit is
    // perfect, and its misfit nothing.
    EXPECT_LT(outcome.finalSipMisfit, 1e-6f) << "scale " << scale;
    // The IP panel and misfit follow the chargeabilities the run ends with.
    const LayeredModel& end = outcome.model;
    std::vector<double> plain, perturbed, ended(rho.begin(), rho.end());
    for (int j = 0; j < 3; ++j) ended[j] = end.resistivity[j];
    ASSERT_TRUE(AccurateApparentResistivity(
        data.arrayType, Doubles(spacings), ended, Doubles(h), plain, nullptr));
    for (int j = 0; j < 3; ++j) ended[j] /= 1.0 - end.chargeability[j];
    ASSERT_TRUE(AccurateApparentResistivity(
        data.arrayType, Doubles(spacings), ended, Doubles(h), perturbed, nullptr));
    double sum = 0.0;
    for (int i = 0; i < 16; ++i) {
      const double ma = 1.0 - plain[i] / perturbed[i];
      EXPECT_NEAR(outcome.calculatedIp[i], ma, 1e-6) << "scale " << scale << " point " << i;
      sum += (data.ipValue[i] - ma) * (data.ipValue[i] - ma);
    }
    EXPECT_NEAR(outcome.finalIpMisfit, std::sqrt(sum / 16), 1e-6) << "scale " << scale;
    recovered_tau.emplace_back(outcome.model.timeConstant.begin(),
                               outcome.model.timeConstant.begin() + 3);
  }
  for (size_t s = 0; s < recovered_tau.size(); ++s) {
    for (int j = 0; j < 3; ++j) {
      EXPECT_NEAR(recovered_tau[s][j] / recovered_tau[1][j], 1.0, 0.01)
          << "scale " << s << " layer " << j + 1;
    }
  }
  EXPECT_NEAR(recovered_tau[1][1], 0.1, 0.02);
}

}  // namespace
}  // namespace layra
