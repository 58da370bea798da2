// The accurate engine's fits as a careful interpreter would try them: poor
// starts, unknown and understated errors, a basement beyond the default
// bounds, the layer count left to the program.

#include "inversion/accurate_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "inversion/accurate_response.h"
#include "inversion/default_bounds.h"
#include "inversion/noise_estimate.h"
#include "platform/listing_sink.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

using testing::Doubles;
using testing::LogSpacings;
using testing::SetModel;

// The accurate response of the model at `count` spacings from 1 to `last` m,
// each value times exp(noise N(0, 1)).
SoundingData Sounding(ArrayType array,
                      const std::vector<double>& rho,
                      const std::vector<double>& h,
                      double noise,
                      unsigned seed = 3,
                      float last = 300.0f,
                      int count = 30) {
  SoundingData data;
  data.arrayType = array;
  data.dataKind = DataKind::kResistivity;
  data.pointCount = data.pointCountAsRead = count;
  const std::vector<float> spacings = LogSpacings(1.0f, last, count);
  std::vector<double> response;
  EXPECT_TRUE(AccurateApparentResistivity(array, Doubles(spacings), rho, h, response, nullptr));
  std::mt19937 generator(seed);
  std::normal_distribution<double> normal;
  for (int i = 0; i < count; ++i) {
    data.spacingA[i] = spacings[i];
    data.apparentResistivity[i] =
        static_cast<float>(response[i] * std::exp(noise * normal(generator)));
  }
  return data;
}

EngineOptions Accurate() {
  EngineOptions options;
  options.engine = EngineKind::kAccurate;
  return options;
}

// A run of the accurate engine on `data` (automatic, or from `start`).
SoundingRun Invert(const SoundingData& data,
                   const EngineOptions& options,
                   const LayeredModel* start,
                   int iterations = 25) {
  const testing::ScratchDir directory;
  SoundingDocument document;
  document.data = data;
  document.data.dataFileName = directory.Path("sounding.dat");
  document.engine = options;
  document.settings.iterationLimit = iterations;
  if (start != nullptr) document.model = *start;
  const InversionOutcome& outcome = testing::RunSavingTo(document, "", start != nullptr);
  EXPECT_EQ(outcome.runStatus, RunStatus::kCompleted) << outcome.runMessage;
  return document.runs.back();
}

LayeredModel Model(const std::vector<float>& rho, const std::vector<float>& h) {
  LayeredModel model;
  SetModel(model, rho, h);
  return model;
}

// From starts far off the truth, few-layer runs end at the misfit a start at
// the truth reaches, within the default bounds, and say so.
TEST(AccurateFewLayerFit, PoorStartsReachTheBestMisfitWithinBounds) {
  struct Case {
    const char* name;
    ArrayType array;
    std::vector<double> rho, h;
    std::vector<float> start_rho, start_h;
  } cases[] = {
      {"H", ArrayType::kSchlumberger, {120, 8, 600}, {4, 12}, {600, 2, 60}, {30, 2}},
      {"K W", ArrayType::kWenner, {40, 900, 15}, {2, 9}, {10, 100, 150}, {10, 40}},
      {"4L",
       ArrayType::kSchlumberger,
       {300, 40, 900, 20},
       {2, 6, 25},
       {50, 300, 100, 300},
       {10, 1, 3}},
  };
  for (const Case& c : cases) {
    const SoundingData data = Sounding(c.array, c.rho, c.h, 0.02);
    const std::vector<float> true_rho(c.rho.begin(), c.rho.end()), true_h(c.h.begin(), c.h.end());
    const LayeredModel truth = Model(true_rho, true_h), poor = Model(c.start_rho, c.start_h);
    const SoundingRun best = Invert(data, Accurate(), &truth);
    const SoundingRun far = Invert(data, Accurate(), &poor);
    EXPECT_LE(far.outcome.chi2, 1.05 * best.outcome.chi2) << c.name;
    EXPECT_EQ(far.outcome.fit.status, FitStatus::kOk) << c.name << far.outcome.fit.reason;
    for (int j = 0; j < far.outcome.model.layerCount; ++j) {
      EXPECT_GE(far.outcome.model.resistivity[j], kLowestResistivity) << c.name;
      EXPECT_LE(far.outcome.model.resistivity[j], kHighestResistivity) << c.name;
    }
    EXPECT_GT(far.outcome.fit.starts, 3) << c.name;
  }
}

// Field soundings from random starts whose every first start met in one
// valley: each run ends within 1.05x of the misfit another start reached.
TEST(AccurateFewLayerFit, FieldStartsCaughtInALocalValleyReachTheBest) {
  const char* folder = std::getenv("LAYRA_FIELDCASES");
  const std::filesystem::path dir = folder != nullptr ? folder : LAYRA_FIELDCASES_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no field soundings at " << dir;
  struct Case {
    const char* file;
    LayeredModel caught, better;
  } cases[] = {
      {"BOUNDIALI_SE1.dat",
       Model({417.6f, 396.6f, 1.398f, 70.68f}, {19.6f, 10.6f, 70.8f}),
       Model({1.86f, 5.741f, 1911.0f, 265.0f}, {3.5f, 0.1f, 24.4f})},
      {"AUNGSAN_LOC1_WENNER.dat",
       Model({1.003f, 1.63f, 1.608f}, {1.81f, 7.26f}),
       Model({3.725f, 16.87f, 34.72f}, {1.47f, 0.827f})},
  };
  for (const Case& c : cases) {
    SoundingDocument read;
    DiscardingSink quiet;
    ASSERT_EQ(ReadDataFile((dir / c.file).string(), read, quiet), 0) << c.file;
    const SoundingRun caught = Invert(read.data, Accurate(), &c.caught, 8);
    const SoundingRun better = Invert(read.data, Accurate(), &c.better, 8);
    EXPECT_LE(caught.outcome.chi2, 1.05 * better.outcome.chi2) << c.file;
  }
}

// The scatter about local quadratics of 30 data, 1 to 300 m, is never far
// below that of the noise drawn, and within 25 % of it where the noise
// outweighs the curve's bends between neighbouring spacings (3 and 5 %).
TEST(LocalFitNoise, FindsTheScatterOfTheData) {
  for (const auto& [rho, h] : {std::pair<std::vector<double>, std::vector<double>>{{100, 10}, {8}},
                               {{10, 100, 1000}, {4, 20}},
                               {{200, 20, 400, 30}, {2, 8, 30}}}) {
    for (double noise : {0.01, 0.03, 0.05}) {
      const SoundingData data = Sounding(ArrayType::kSchlumberger, rho, h, noise);
      std::vector<double> spacings, log_rho, clean;
      for (int i = 0; i < data.pointCount; ++i) {
        spacings.push_back(data.spacingA[i]);
        log_rho.push_back(std::log(static_cast<double>(data.apparentResistivity[i])));
      }
      ASSERT_TRUE(AccurateApparentResistivity(data.arrayType, spacings, rho, h, clean, nullptr));
      double drawn = 0.0;
      for (size_t i = 0; i < clean.size(); ++i)
        drawn += std::pow(log_rho[i] - std::log(clean[i]), 2.0);
      drawn = std::sqrt(drawn / clean.size());
      const double ratio = LocalFitNoise(spacings, log_rho) / drawn;
      EXPECT_GT(ratio, 0.75) << rho.size() << " layers, noise " << noise;
      if (noise >= 0.03) {
        EXPECT_LT(ratio, 1.25) << rho.size() << " layers, noise " << noise;
      }
    }
  }
}

// A basement above the default bound ends at it, and the report names it.
TEST(AccurateFewLayerFit, AParameterAtItsBoundIsNamed) {
  const SoundingData data = Sounding(ArrayType::kSchlumberger, {50, 1e8}, {5}, 0.01);
  const LayeredModel start = Model({60, 1000}, {4});
  const SoundingRun state = Invert(data, Accurate(), &start);
  ASSERT_EQ(state.outcome.fit.bound_hits.size(), 1u);
  EXPECT_EQ(state.outcome.fit.bound_hits[0].name, "rho2");
  EXPECT_TRUE(state.outcome.fit.bound_hits[0].high);
  EXPECT_FALSE(state.outcome.fit.bound_hits[0].user);
}

// Automatic runs: at their target and "ok" where the errors are right or
// unknown (estimated near the noise), "above target" with the least
// reachable misfit where the file's errors are understated.
TEST(AccurateSmoothFit, EndsAtTheTargetOrSaysWhyNot) {
  const std::vector<double> rho = {100, 10}, h = {8};
  struct Case {
    const char* name;
    double noise;
    double file_error;  // 0: the file gives none
    bool estimate;
    FitStatus status;
  } cases[] = {
      {"3 % assumed", 0.03, 0.0, false, FitStatus::kOk},
      {"1 % estimated", 0.01, 0.0, true, FitStatus::kOk},
      {"5 % estimated", 0.05, 0.0, true, FitStatus::kOk},
      {"3 % noise, 1 % in the file", 0.03, 0.01, true, FitStatus::kAboveTarget},
  };
  for (const Case& c : cases) {
    SoundingData data = Sounding(ArrayType::kSchlumberger, rho, h, c.noise, 5);
    if (c.file_error > 0.0) {
      data.errorsIncluded = 1;
      for (int i = 0; i < data.pointCount; ++i)
        data.resistivityError[i] = static_cast<float>(c.file_error) * data.apparentResistivity[i];
    }
    EngineOptions options = Accurate();
    options.estimateErrors = c.estimate;
    const SoundingRun state = Invert(data, options, nullptr);
    const FitReport& fit = state.outcome.fit;
    EXPECT_EQ(fit.status, c.status) << c.name << " " << fit.reason;
    if (c.status == FitStatus::kOk) {
      EXPECT_LT(state.outcome.chi2, 1.1) << c.name;
      EXPECT_NEAR(state.outcome.finalMisfit / c.noise, 1.0, 0.35) << c.name;
    } else {
      EXPECT_GT(fit.least_chi2, 2.0) << c.name;
      EXPECT_NE(fit.reason.find("least reachable"), std::string::npos) << c.name;
    }
    EXPECT_EQ(fit.error_estimated, c.estimate && c.file_error == 0.0) << c.name;
  }
}

// A run cut short by the iteration limit is not at its minimum, and says so.
TEST(AccurateFewLayerFit, AnIterationLimitBeforeTheMinimumIsReported) {
  const SoundingData data = Sounding(ArrayType::kSchlumberger, {120, 8, 600}, {4, 12}, 0.02);
  const LayeredModel start = Model({600, 2, 60}, {30, 2});
  const SoundingRun state = Invert(data, Accurate(), &start, 0);
  EXPECT_EQ(state.outcome.fit.status, FitStatus::kNotAtMinimum);
}

TEST(ChooseLayerCount, PicksTheCountOfTheEarth) {
  for (const auto& [rho, h] : std::vector<std::pair<std::vector<double>, std::vector<double>>>{
           {{100, 10}, {8}}, {{120, 8, 600}, {4, 12}}}) {
    const SoundingData data = Sounding(ArrayType::kSchlumberger, rho, h, 0.02, 5, 500.0f, 40);
    LayerCountChoice choice;
    std::string message;
    ASSERT_TRUE(ChooseLayerCount(data, Accurate(), 2, 6, &choice, &message)) << message;
    EXPECT_EQ(choice.rows.size(), 5u);
    EXPECT_EQ(ChosenModel(choice).layerCount, static_cast<int>(rho.size()))
        << LayerCountTable(choice);
  }
}

}  // namespace
}  // namespace layra
