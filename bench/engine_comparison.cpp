// Prints, for synthetic layered earths with 1-5 % noise, what the documented
// and the accurate engine recover from the same data: final RMS misfit,
// chi^2 / N (the data's errors being the noise level) and the parameters
// against the truth. Data are the accurate forward's response times
// exp(noise * N(0, 1)); few-layer runs start 30 % off the truth, automatic
// runs from the engines' own starting models. Both engines run silently until
// their own stopping rules (convergence limit out of reach, 25 iterations).
//
//   build/bench/engine_comparison

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "inversion/accurate_response.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {
namespace {

struct Earth {
  const char* name;
  ArrayType array;
  std::vector<double> rho;
  std::vector<double> h;
};

const Earth kEarths[] = {
    {"2L 10:1 W", ArrayType::kWenner, {100, 10}, {8}},
    {"H 100:1 S", ArrayType::kSchlumberger, {100, 10, 1000}, {5, 10}},
    {"K W", ArrayType::kWenner, {50, 800, 20}, {3, 12}},
    {"A S", ArrayType::kSchlumberger, {10, 100, 1000}, {4, 20}},
    {"HK S", ArrayType::kSchlumberger, {200, 20, 400, 30}, {2, 8, 30}},
    {"5L W", ArrayType::kWenner, {300, 60, 15, 200, 1000}, {1.5, 5, 12, 40}},
};

void Fill(SoundingDocument& document, const Earth& earth, double noise, unsigned seed) {
  const int n = 30;
  std::vector<double> spacings(n), response;
  for (int i = 0; i < n; ++i) spacings[i] = std::pow(10.0, 3.0 * i / (n - 1));
  AccurateApparentResistivity(earth.array, spacings, earth.rho, earth.h, response, nullptr);
  std::mt19937 generator(seed);
  std::normal_distribution<double> normal;
  SoundingData& data = document.data;
  data = SoundingData{};
  data.title = earth.name;
  data.dataFileName =
      (std::filesystem::temp_directory_path() / "layra_engine_comparison.dat").string();
  data.arrayType = earth.array;
  data.pointCount = n;
  data.pointCountAsRead = n;
  for (int i = 0; i < n; ++i) {
    data.spacingA[i] = static_cast<float>(spacings[i]);
    data.apparentResistivity[i] =
        static_cast<float>(response[i] * std::exp(noise * normal(generator)));
  }
}

struct Outcome {
  double rms = 0.0;
  double chi2 = 0.0;
  double worst = 0.0;  // largest |ln(p / p_true)| over the parameters
  std::vector<float> values;
};

Outcome Run(const Earth& earth, double noise, unsigned seed, EngineKind engine, int user_model) {
  auto document = std::make_unique<SoundingDocument>();
  Fill(*document, earth, noise, seed);
  document->engine.engine = engine;
  document->engine.assumedErrorPercent = 100.0 * noise;
  document->engine.errorFloorPercent = std::min(1.0, 100.0 * noise);
  document->settings.iterationLimit = 25;
  document->settings.convergenceLimit = 0.0001f;
  const int layers = static_cast<int>(earth.rho.size());
  if (user_model) {
    document->model.layerCount = layers;
    for (int j = 0; j < layers; ++j) {
      document->model.resistivity[j] = static_cast<float>(earth.rho[j] * (j % 2 ? 0.7 : 1.3));
      if (j < layers - 1) document->model.thickness[j] = static_cast<float>(earth.h[j] * 1.3);
    }
  }
  UnattendedObserver observer;
  const InversionOutcome& outcome =
      document->Run(document->NextRunOptions(user_model != 0), observer).outcome;
  const LayeredModel& model = outcome.model;
  Outcome out;
  if (outcome.runStatus != RunStatus::kCompleted) {
    out.rms = NAN;
    return out;
  }
  out.rms = outcome.finalMisfit;
  out.chi2 = (out.rms / noise) * (out.rms / noise);
  if (user_model) {
    for (int j = 0; j < 2 * layers - 1; ++j) {
      const double value = j < layers ? model.resistivity[j] : model.thickness[j - layers];
      const double truth = j < layers ? earth.rho[j] : earth.h[j - layers];
      out.values.push_back(static_cast<float>(value));
      out.worst = std::max(out.worst, std::fabs(std::log(value / truth)));
    }
  }
  return out;
}

// A three-layer SIP sounding (Wenner, 16 spacings, 7 frequencies) of Cole-Cole
// layers with the resistivities times `scale`, inverted from the true
// resistivity model; returns m, tau and c of each layer.
std::vector<float> SipRun(EngineKind engine, float scale) {
  const std::vector<double> rho = {100, 20, 500}, h = {5, 15};
  const std::vector<double> m = {0.02, 0.15, 0.05}, tau = {0.01, 0.1, 0.01}, c = {0.5, 0.5, 0.5};
  const std::vector<double> frequencies = {0.1, 0.3, 1, 3, 10, 30, 100};
  const int n = 16, nf = static_cast<int>(frequencies.size());
  auto document = std::make_unique<SoundingDocument>();
  std::vector<double> spacings(n), dc;
  for (int i = 0; i < n; ++i) spacings[i] = std::pow(300.0, static_cast<double>(i) / (n - 1));
  std::vector<double> scaled = rho;
  for (double& r : scaled) r *= scale;
  AccurateApparentResistivity(ArrayType::kWenner, spacings, scaled, h, dc, nullptr);
  SoundingData& data = document->data;
  data.dataFileName = (std::filesystem::temp_directory_path() / "layra_engine_sip.dat").string();
  data.arrayType = ArrayType::kWenner;
  data.dataKind = DataKind::kSip;
  data.sipForm = SipForm::kAmplitudePhase;
  data.pointCount = n;
  data.frequencyCount = nf;
  for (int i = 0; i < n; ++i) {
    data.spacingA[i] = static_cast<float>(spacings[i]);
    data.apparentResistivity[i] = static_cast<float>(dc[i]);
  }
  for (int k = 0; k < nf; ++k) {
    data.frequencies[k] = static_cast<float>(frequencies[k]);
    std::vector<std::complex<double>> layer(3), rhoa;
    for (int j = 0; j < 3; ++j) {
      const std::complex<double> z =
          std::pow(std::complex<double>(0.0, 2.0 * M_PI * frequencies[k] * tau[j]), c[j]);
      layer[j] = scaled[j] * (1.0 - m[j] * (1.0 - 1.0 / (1.0 + z)));
    }
    AccurateComplexApparentResistivity(ArrayType::kWenner, spacings, layer, h, rhoa, nullptr);
    for (int i = 0; i < n; ++i) {
      data.sipValue1[i * nf + k] = static_cast<float>(std::abs(rhoa[i]));
      data.sipValue2[i * nf + k] = static_cast<float>(-1000.0 * std::arg(rhoa[i]));
    }
  }
  for (int i = 0; i < n; ++i) {
    float drop = 0.0f;
    for (int k = 0; k < nf; ++k) {
      drop = std::max(drop, 1.0f - data.sipValue1[i * nf + k] / data.apparentResistivity[i]);
    }
    data.ipValue[i] = drop;
  }
  document->engine.engine = engine;
  document->model.layerCount = 3;
  for (int j = 0; j < 3; ++j) document->model.resistivity[j] = static_cast<float>(scaled[j]);
  for (int j = 0; j < 2; ++j) document->model.thickness[j] = static_cast<float>(h[j]);
  UnattendedObserver observer;
  const LayeredModel& model = document->Run(document->NextRunOptions(true), observer).outcome.model;
  std::vector<float> out;
  for (int j = 0; j < 3; ++j) {
    out.push_back(model.chargeability[j]);
    out.push_back(model.timeConstant[j]);
    out.push_back(model.exponent[j]);
  }
  return out;
}

std::string Values(const std::vector<float>& values, int layers) {
  std::string text;
  char buffer[32];
  for (size_t k = 0; k < values.size(); ++k) {
    std::snprintf(buffer,
                  sizeof buffer,
                  "%s%.3g",
                  k == 0 ? "" : (static_cast<int>(k) == layers ? " | " : " "),
                  values[k]);
    text += buffer;
  }
  return text;
}

}  // namespace
}  // namespace layra

int main() {
  using namespace layra;
  std::printf("Few-layer runs (start 30 %% off the truth); parameters rho1.. | h1..\n");
  std::printf("%-10s %5s | %8s %7s %6s | %8s %7s %6s | %s\n",
              "model",
              "noise",
              "doc RMS",
              "chi2/N",
              "worst",
              "acc RMS",
              "chi2/N",
              "worst",
              "truth / documented / accurate");
  unsigned seed = 7;  // one noise draw per row, the same for both engines
  for (const Earth& earth : kEarths) {
    for (const double noise : {0.01, 0.03, 0.05}) {
      ++seed;
      const Outcome doc = Run(earth, noise, seed, EngineKind::kDocumented, 1);
      const Outcome acc = Run(earth, noise, seed, EngineKind::kAccurate, 1);
      std::vector<float> truth;
      for (double r : earth.rho) truth.push_back(static_cast<float>(r));
      for (double h : earth.h) truth.push_back(static_cast<float>(h));
      const int layers = static_cast<int>(earth.rho.size());
      std::printf("%-10s %4.0f%% | %7.2f%% %7.2f %6.2f | %7.2f%% %7.2f %6.2f | %s / %s / %s\n",
                  earth.name,
                  100 * noise,
                  100 * doc.rms,
                  doc.chi2,
                  doc.worst,
                  100 * acc.rms,
                  acc.chi2,
                  acc.worst,
                  Values(truth, layers).c_str(),
                  Values(doc.values, layers).c_str(),
                  Values(acc.values, layers).c_str());
    }
  }
  std::printf("\nAutomatic (smooth) runs\n");
  std::printf("%-10s %5s | %8s %7s | %8s %7s\n",
              "model",
              "noise",
              "doc RMS",
              "chi2/N",
              "acc RMS",
              "chi2/N");
  seed = 7;
  for (const Earth& earth : kEarths) {
    for (const double noise : {0.01, 0.03, 0.05}) {
      ++seed;
      const Outcome doc = Run(earth, noise, seed, EngineKind::kDocumented, 0);
      const Outcome acc = Run(earth, noise, seed, EngineKind::kAccurate, 0);
      std::printf("%-10s %4.0f%% | %7.2f%% %7.2f | %7.2f%% %7.2f\n",
                  earth.name,
                  100 * noise,
                  100 * doc.rms,
                  doc.chi2,
                  100 * acc.rms,
                  acc.chi2);
    }
  }
  std::printf("\nSIP, three layers from the true resistivity model; m tau c per layer\n");
  std::printf("truth                     0.02 0.01 0.5 | 0.15 0.1 0.5 | 0.05 0.01 0.5\n");
  for (const EngineKind engine : {EngineKind::kDocumented, EngineKind::kAccurate}) {
    for (const float scale : {0.1f, 1.0f, 100.0f}) {
      const std::vector<float> v = SipRun(engine, scale);
      std::printf("%-10s rho x %-6g  %.3g %.3g %.3g | %.3g %.3g %.3g | %.3g %.3g %.3g\n",
                  EngineName(engine),
                  scale,
                  v[0],
                  v[1],
                  v[2],
                  v[3],
                  v[4],
                  v[5],
                  v[6],
                  v[7],
                  v[8]);
    }
  }
  return 0;
}
