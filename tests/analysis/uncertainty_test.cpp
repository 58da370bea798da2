// How sure the model is, on soundings with 2 % noise: ranges that contain the
// truth, wide for the equivalent parameters of thin layers, narrow for S of a
// thin conductor, T of a thin resistor and a well-resolved model; the depth of
// investigation of a smooth run.

#include "analysis/uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "inversion/accurate_response.h"
#include "inversion/inversion_driver.h"
#include "tests/inversion/synthetic_sounding.h"

namespace layra {
namespace {

constexpr double kNoise = 0.02;

// Schlumberger data of the model, each value times exp(noise N(0, 1)).
SoundingData Sounding(const std::vector<double>& rho,
                      const std::vector<double>& h,
                      float first = 1.0f,
                      float last = 500.0f,
                      int count = 28,
                      unsigned seed = 5) {
  SoundingData data;
  data.arrayType = ArrayType::kSchlumberger;
  data.dataKind = DataKind::kResistivity;
  data.pointCount = count;
  data.pointCountAsRead = count;
  const std::vector<float> spacings = testing::LogSpacings(first, last, count);
  std::vector<double> response;
  EXPECT_TRUE(AccurateApparentResistivity(
      data.arrayType, testing::Doubles(spacings), rho, h, response, nullptr));
  std::mt19937 generator(seed);
  std::normal_distribution<double> normal;
  for (int i = 0; i < count; ++i) {
    data.spacingA[i] = spacings[i];
    data.apparentResistivity[i] =
        static_cast<float>(response[i] * std::exp(kNoise * normal(generator)));
  }
  return data;
}

EngineOptions Options() {
  EngineOptions options;
  options.engine = EngineKind::kAccurate;
  options.assumedErrorPercent = 100.0 * kNoise;
  options.estimateErrors = false;
  return options;
}

// Each value times `by`: the analysis starts away from the truth.
std::vector<double> Scaled(std::vector<double> values, double by) {
  for (double& v : values) v *= by;
  return values;
}

struct Expectation {
  const char* what;
  double truth;
  bool wide;  // the range spans more than x3; otherwise less than x2
};

struct FewLayerCase {
  const char* name;
  std::vector<double> rho;
  std::vector<double> h;
  std::vector<Expectation> expected;
  int rho2_h2_correlation;  // its sign: S (+) or T (-) is what the data fix; 0 not checked
};

// Parameter ranges, S ("S2") and T ("T2") by name.
void CheckRange(const FewLayerUncertainty& u, const Expectation& e, const char* name) {
  SCOPED_TRACE(std::string(name) + " " + e.what);
  const std::string what = e.what;
  double low = 0, high = 0;
  if (what[0] == 'S' || what[0] == 'T') {
    const LayerRange& r =
        (what[0] == 'S' ? u.conductance : u.transverse)[std::stoi(what.substr(1)) - 1];
    std::tie(low, high) = std::tie(r.low, r.high);
  } else {
    for (const ParameterRange& r : u.parameters) {
      if (r.name == what) std::tie(low, high) = std::tie(r.low, r.high);
    }
  }
  EXPECT_LE(low, e.truth);
  EXPECT_GE(high, e.truth);
  EXPECT_TRUE(e.wide ? high / low > 3.0 : high / low < 2.0) << "range x" << high / low;
}

TEST(FewLayerUncertainty, RangesContainTheTruthAndShowTheEquivalence) {
  const std::vector<FewLayerCase> cases = {
      {"thin conductor",
       {200, 20, 200},
       {10, 5},
       {{"rho2", 20, true}, {"h2", 5, true}, {"S2", 0.25, false}, {"rho1", 200, false}},
       1},
      {"thin resistor",
       {50, 1000, 50},
       {10, 5},
       {{"rho2", 1000, true}, {"T2", 5000, false}, {"rho1", 50, false}},
       -1},
      {"two layers",
       {100, 10},
       {20},
       {{"rho1", 100, false}, {"rho2", 10, false}, {"h1", 20, false}},
       0},
  };
  for (const FewLayerCase& c : cases) {
    const SoundingData data = Sounding(c.rho, c.h);
    FewLayerUncertainty u;
    std::string message;
    ASSERT_TRUE(
        AnalyseFewLayer(data, Options(), Scaled(c.rho, 1.3), Scaled(c.h, 0.8), &u, &message))
        << message;
    for (const Expectation& e : c.expected) CheckRange(u, e, c.name);
    if (c.rho2_h2_correlation != 0) {
      // rho2 and h2 (parameters 1 and 4 of three layers) move together.
      EXPECT_GT(c.rho2_h2_correlation * u.correlation[1][4], 0.9) << c.name;
    }
  }
}

// Errors stated at half the noise (chi^2 / N near 4) give ranges as wide as
// the right errors do: the threshold scales with chi^2 / (N - p).
TEST(FewLayerUncertainty, UnderstatedErrorsDoNotNarrowTheRanges) {
  const SoundingData data = Sounding({100, 10}, {20});
  auto width = [&](double assumed_percent) {
    EngineOptions options = Options();
    options.assumedErrorPercent = assumed_percent;
    FewLayerUncertainty u;
    std::string message;
    EXPECT_TRUE(AnalyseFewLayer(data, options, {100, 10}, {20}, &u, &message)) << message;
    return std::log(u.parameters[2].high / u.parameters[2].low);  // h1
  };
  EXPECT_NEAR(width(1.0) / width(2.0), 1.0, 0.15);
}

// With errors stated at half the noise, the S and T ranges of every layer
// still contain the truth in at least 90 % of noise realisations, as the
// parameters' ranges do.
TEST(FewLayerUncertainty, UnderstatedErrorsKeepSAndTHonest) {
  EngineOptions options = Options();
  options.assumedErrorPercent = 50.0 * kNoise;
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> earths = {
      {{200, 20, 200}, {10, 5}}, {{50, 1000, 50}, {10, 5}}, {{200, 20, 400, 30}, {2, 8, 30}}};
  int ranges = 0, inside = 0;
  for (const auto& [rho, h] : earths) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
      const SoundingData data = Sounding(rho, h, 1.0f, 500.0f, 28, seed);
      FewLayerUncertainty u;
      std::string message;
      ASSERT_TRUE(AnalyseFewLayer(data, options, rho, h, &u, &message)) << message;
      for (size_t j = 0; j < h.size(); ++j) {
        for (const auto& [r, truth] : {std::pair{u.conductance[j], h[j] / rho[j]},
                                       std::pair{u.transverse[j], h[j] * rho[j]}}) {
          ++ranges;
          inside += r.low <= truth * (1 + 1e-9) && r.high >= truth * (1 - 1e-9);
        }
      }
    }
  }
  EXPECT_GE(inside, 0.9 * ranges) << inside << " of " << ranges;
}

// An automatic run of the accurate engine on `data`; the model it leaves.
void SmoothRun(SoundingDocument& state, const SoundingData& data, double assumed_percent = 2.0) {
  const testing::ScratchDir directory;
  state.data = data;
  state.data.dataFileName = directory.Path("sounding.dat");
  state.engine = Options();
  state.engine.assumedErrorPercent = assumed_percent;
  state.settings.iterationLimit = 25;
  testing::RunSavingTo(state, "", false);
}

// The depth of investigation lies within the spacings and grows with the
// spread.
TEST(SmoothUncertainty, DepthOfInvestigationLiesWithinTheSpacings) {
  double previous = 0.0;
  for (const float last : {100.0f, 1000.0f}) {
    SoundingDocument state;
    SmoothRun(state, Sounding({100, 20, 500}, {5, 15}, 1.0f, last, 30));
    ASSERT_EQ(state.runs.back().outcome.runStatus, RunStatus::kCompleted)
        << state.runs.back().outcome.runMessage;
    const int layers = state.runs.back().outcome.model.layerCount;
    SmoothUncertainty u;
    std::string message;
    ASSERT_TRUE(AnalyseSmooth(
        state.data,
        state.engine,
        std::vector<double>(state.runs.back().outcome.model.resistivity.begin(),
                            state.runs.back().outcome.model.resistivity.begin() + layers),
        std::vector<double>(state.runs.back().outcome.model.thickness.begin(),
                            state.runs.back().outcome.model.thickness.begin() + layers - 1),
        state.runs.back().outcome.regularisation,
        &u,
        &message))
        << message;
    EXPECT_TRUE(u.doi_reached);
    EXPECT_EQ(static_cast<int>(u.doi_index.size()), layers);
    EXPECT_GT(u.doi, 1.0);
    EXPECT_LT(u.doi, last);
    EXPECT_GT(u.doi, 2.0 * previous) << "spread to " << last;
    previous = u.doi;
  }
}

// The depth of the smooth run of `data` with `assumed_percent` errors.
double Doi(const SoundingData& data, double assumed_percent) {
  SoundingDocument state;
  SmoothRun(state, data, assumed_percent);
  RunUncertainty u;
  std::string message;
  EXPECT_TRUE(AnalyseRun(state.data, state.runs.back(), &u, &message)) << message;
  return u.smooth.doi;
}

// The same data give about the same depth whatever error is assumed, and a
// half-space sounding a depth within its spread.
TEST(SmoothUncertainty, DepthOfInvestigationFollowsTheDataNotTheSettings) {
  const SoundingData layered = Sounding({100, 20, 500}, {5, 15}, 1.0f, 300.0f, 30);
  const double at3 = Doi(layered, 3.0), at6 = Doi(layered, 6.0), at10 = Doi(layered, 10.0);
  EXPECT_GT(at6 / at3, 0.5) << at3 << " " << at6;
  EXPECT_LT(at6 / at3, 2.0) << at3 << " " << at6;
  EXPECT_GT(at10, 30.0);
  const double half_space = Doi(Sounding({100}, {}, 1.0f, 100.0f, 25), 2.0);
  EXPECT_GT(half_space, 10.0);
  EXPECT_LT(half_space, 100.0);
}

}  // namespace
}  // namespace layra
