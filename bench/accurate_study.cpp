// Not a benchmark: how dependable each engine's fits are, measured as a
// careful interpreter would try them.
//
//   build/bench/accurate_study FIELD_FOLDER [starts|automatic|coverage|doi]
//
// 1. Random starts on field soundings: every *.dat of FIELD_FOLDER, 16
//    random three- and four-layer starts each (resistivities 1..3000 ohm-m,
//    interfaces between the smallest and largest spacing), run from the
//    model by both engines (8 iterations). Each run's misfit is the RMS of
//    ln(observed / accurate response); "best" is the least any run of that
//    sounding and layer count reached. Counted: runs above 1.05x and 1.5x
//    the best, the same by each engine's own misfit (the RMS it reports)
//    against the least it reached itself, and runs with a runaway parameter
//    (resistivity not finite or outside 1e-3..1e7 ohm-m, thickness not
//    finite or not positive). STUDY_VERBOSE=1 lists the accurate runs above
//    1.05x and the best ones.
// 2. Automatic runs on 9 synthetic earths x 1/3/5 % noise x 3 seeds (30
//    spacings, 1-1000 m): runs whose RMS over the noise exceeds sqrt(1.5)
//    (chi^2/N above 1.5 with the right errors), with errors assumed right
//    and (accurate engine) estimated from the data; also counted against
//    the RMS of the noise actually drawn (30 draws scatter by about 13 %).
// 3. Range coverage (accurate engine): 5 earths x 40 noise realisations of
//    3 % noise, ranges found with the errors right (3 %), overstated (6 %)
//    and understated (1.5 %); the share of ranges (parameters, S, T) that
//    contain the truth.
// 4. The depth of investigation of automatic accurate runs of the field
//    soundings with --assumed-error 3, 6 and 10: the ratio of 6 to 3 and the
//    depth at 10 over the largest spacing.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "fileio/data_file.h"
#include "inversion/accurate_response.h"
#include "inversion/sounding_document.h"
#include "state/records.h"
#include "state/text_format.h"

namespace layra {
namespace {

// RMS of ln(observed / accurate response) of `model`; infinite without a
// response.
double AccurateRms(const SoundingData& data, const LayeredModel& model) {
  std::vector<double> rho(model.resistivity.begin(), model.resistivity.begin() + model.layerCount);
  std::vector<double> h(model.thickness.begin(), model.thickness.begin() + model.layerCount - 1);
  std::vector<double> spacings(data.spacingA.begin(), data.spacingA.begin() + data.pointCount);
  std::vector<double> response;
  if (!AccurateApparentResistivity(data.arrayType, spacings, rho, h, response, nullptr))
    return INFINITY;
  double sum = 0.0;
  for (int i = 0; i < data.pointCount; ++i) {
    const double r = std::log(data.apparentResistivity[i] / response[i]);
    sum += r * r;
  }
  return std::sqrt(sum / data.pointCount);
}

std::string ModelText(const LayeredModel& model) {
  std::string out;
  for (int j = 0; j < model.layerCount; ++j) {
    out += StrFormat("%.4g", model.resistivity[j]);
    if (j + 1 < model.layerCount) out += StrFormat("/%.3g ", model.thickness[j]);
  }
  return out;
}

bool Runaway(const LayeredModel& model) {
  for (int j = 0; j < model.layerCount; ++j) {
    const double rho = model.resistivity[j];
    if (!std::isfinite(rho) || rho < 1e-3 || rho > 1e7) return true;
    if (j + 1 < model.layerCount &&
        (!std::isfinite(model.thickness[j]) || !(model.thickness[j] > 0)))
      return true;
  }
  return false;
}

// Runs the document unattended (automatic, or from its working model).
void Invert(SoundingDocument& document, int user_model) {
  UnattendedObserver observer;
  document.Run(document.NextRunOptions(user_model != 0), observer);
}

const EngineKind kEngines[] = {EngineKind::kDocumented, EngineKind::kAccurate};

void FieldStarts(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".dat") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  int runs[2] = {0, 0}, above105[2] = {0, 0}, above150[2] = {0, 0}, runaway[2] = {0, 0},
      not_ok[2] = {0, 0}, own105[2] = {0, 0}, own150[2] = {0, 0};
  for (const std::string& file : files) {
    auto read = std::make_unique<SoundingDocument>();
    DiscardingSink quiet;
    if (ReadDataFile(file, *read, quiet) != 0) continue;
    const SoundingData& data = read->data;
    const auto range =
        std::minmax_element(data.spacingA.begin(), data.spacingA.begin() + data.pointCount);
    for (int layers : {3, 4}) {
      std::mt19937 generator(static_cast<unsigned>(layers * 7919 + file.size()));
      std::uniform_real_distribution<double> unit(0.0, 1.0);
      std::vector<double> rms[2];
      std::vector<double> own_rms[2];  // each engine's own misfit of its model
      std::vector<bool> bad[2];
      std::vector<std::string> notes;
      for (int start = 0; start < 8; ++start) {
        LayeredModel model;
        model.layerCount = layers;
        std::vector<double> depths;
        for (int j = 0; j + 1 < layers; ++j) {
          depths.push_back(std::exp(std::log(*range.first) +
                                    unit(generator) * std::log(*range.second / *range.first)));
        }
        std::sort(depths.begin(), depths.end());
        double top = 0.0;
        for (int j = 0; j < layers; ++j) {
          model.resistivity[j] = static_cast<float>(std::pow(10.0, 3.5 * unit(generator)));
          if (j + 1 < layers) {
            model.thickness[j] = static_cast<float>(std::max(depths[j] - top, 0.1));
            top += model.thickness[j];
          }
        }
        for (int e = 0; e < 2; ++e) {
          auto state = std::make_unique<SoundingDocument>(*read);
          state->model = model;
          state->engine.engine = kEngines[e];
          Invert(*state, 1);
          ++runs[e];
          const InversionOutcome& outcome = state->runs.back().outcome;
          const bool completed = outcome.runStatus == RunStatus::kCompleted;
          rms[e].push_back(completed ? AccurateRms(state->data, outcome.model) : INFINITY);
          own_rms[e].push_back(completed ? outcome.finalMisfit : INFINITY);
          bad[e].push_back(!completed || Runaway(outcome.model));
          not_ok[e] += outcome.fit.assessed && outcome.fit.status != FitStatus::kOk;
          if (e == 1)
            notes.push_back("from " + ModelText(model) + " to " + ModelText(outcome.model) +
                            StrFormat(" best start %d %s, own %.3f, chi2/N %.3f",
                                      outcome.fit.best_start,
                                      outcome.fit.best_start_name.c_str(),
                                      outcome.fit.own_start_chi2,
                                      outcome.chi2));
        }
      }
      double best = INFINITY;
      for (int e = 0; e < 2; ++e)
        for (double r : rms[e]) best = std::min(best, r);
      for (int e = 0; e < 2; ++e) {
        double own_best = INFINITY;
        for (double r : own_rms[e]) own_best = std::min(own_best, r);
        for (size_t k = 0; k < rms[e].size(); ++k) {
          if (e == 1 && std::getenv("STUDY_VERBOSE") &&
              (!(rms[e][k] <= 1.05 * best) || rms[e][k] == best))
            std::printf("   %s %d layers start %zu: RMS %.4f best %.4f (%s)\n",
                        std::filesystem::path(file).stem().string().c_str(),
                        layers,
                        k,
                        rms[e][k],
                        best,
                        notes[k].c_str());
          above105[e] += !(rms[e][k] <= 1.05 * best);
          above150[e] += !(rms[e][k] <= 1.5 * best);
          own105[e] += !(own_rms[e][k] <= 1.05 * own_best);
          own150[e] += !(own_rms[e][k] <= 1.5 * own_best);
          runaway[e] += bad[e][k];
        }
      }
    }
  }
  std::printf("1. Random starts on %zu field soundings (3 and 4 layers, 8 starts each)\n",
              files.size());
  for (int e = 0; e < 2; ++e) {
    std::printf(
        "   %-10s runs %3d  above 1.05x best %3d  1.5x %3d  (own RMS, own best: %3d, %3d)  "
        "runaway %3d%s\n",
        EngineName(kEngines[e]),
        runs[e],
        above105[e],
        above150[e],
        own105[e],
        own150[e],
        runaway[e],
        e == 1 ? StrFormat("  status not ok %d", not_ok[e]).c_str() : "");
  }
}

struct Earth {
  ArrayType array;
  std::vector<double> rho, h;
};

const Earth kEarths[] = {
    {ArrayType::kWenner, {100, 10}, {8}},
    {ArrayType::kSchlumberger, {10, 300}, {5}},
    {ArrayType::kSchlumberger, {100, 10, 1000}, {5, 10}},
    {ArrayType::kWenner, {50, 800, 20}, {3, 12}},
    {ArrayType::kSchlumberger, {10, 100, 1000}, {4, 20}},
    {ArrayType::kSchlumberger, {1000, 100, 10}, {3, 30}},
    {ArrayType::kSchlumberger, {200, 20, 400, 30}, {2, 8, 30}},
    {ArrayType::kWenner, {300, 60, 15, 200, 1000}, {1.5, 5, 12, 40}},
    {ArrayType::kSchlumberger, {30, 3000, 30}, {5, 2}},
};

// Returns the RMS of the noise drawn (of ln rho_a).
double Fill(SoundingData& data, const Earth& earth, double noise, unsigned seed, int count = 30) {
  std::vector<double> spacings(count), response;
  for (int i = 0; i < count; ++i) spacings[i] = std::pow(10.0, 3.0 * i / (count - 1));
  AccurateApparentResistivity(earth.array, spacings, earth.rho, earth.h, response, nullptr);
  std::mt19937 generator(seed);
  std::normal_distribution<double> normal;
  data = SoundingData{};
  data.arrayType = earth.array;
  data.pointCount = data.pointCountAsRead = count;
  double sum = 0.0;
  for (int i = 0; i < count; ++i) {
    const double drawn = noise * normal(generator);
    sum += drawn * drawn;
    data.spacingA[i] = static_cast<float>(spacings[i]);
    data.apparentResistivity[i] = static_cast<float>(response[i] * std::exp(drawn));
  }
  return std::sqrt(sum / count);
}

void AutomaticRuns() {
  int runs = 0, above[3] = {0, 0, 0}, above_drawn[3] = {0, 0, 0};
  double worst[3] = {0, 0, 0};
  for (const Earth& earth : kEarths) {
    for (double noise : {0.01, 0.03, 0.05}) {
      for (unsigned seed = 1; seed <= 3; ++seed) {
        ++runs;
        for (int variant = 0; variant < 3; ++variant) {
          auto state = std::make_unique<SoundingDocument>();
          const double drawn = Fill(state->data, earth, noise, seed);
          state->engine.engine = variant == 0 ? EngineKind::kDocumented : EngineKind::kAccurate;
          state->engine.assumedErrorPercent = 100.0 * noise;
          state->engine.errorFloorPercent = std::min(1.0, 100.0 * noise);
          state->engine.estimateErrors = variant == 2;
          state->settings.iterationLimit = 25;
          state->settings.convergenceLimit = 0.0001f;
          Invert(*state, 0);
          const double ratio =
              state->runs.back().outcome.runStatus == RunStatus::kCompleted
                  ? AccurateRms(state->data, state->runs.back().outcome.model) / noise
                  : INFINITY;
          above[variant] += !(ratio * ratio <= 1.5);
          const double by_drawn = ratio * noise / drawn;
          above_drawn[variant] += !(by_drawn * by_drawn <= 1.5);
          if (variant == 2 && std::getenv("STUDY_VERBOSE"))
            std::printf(
                "   earth %d noise %.2f seed %u (drawn %.2f %%): estimate %.2f %% RMS/noise %.2f\n",
                static_cast<int>(&earth - kEarths),
                noise,
                seed,
                100.0 * drawn,
                state->runs.back().outcome.fit.error_percent,
                ratio);
          worst[variant] = std::max(worst[variant], ratio);
        }
      }
    }
  }
  const char* names[] = {"documented", "accurate (errors right)", "accurate (estimated)"};
  std::printf("2. Automatic runs: %d per engine (9 earths x 1/3/5 %% x 3 seeds)\n", runs);
  for (int v = 0; v < 3; ++v) {
    std::printf("   %-26s above target %3d  worst RMS / noise %.2f  (by the noise drawn: %d)\n",
                names[v],
                above[v],
                worst[v],
                above_drawn[v]);
  }
}

void Coverage() {
  const Earth earths[] = {
      {ArrayType::kSchlumberger, {100, 10}, {20}},
      {ArrayType::kSchlumberger, {200, 20, 200}, {10, 5}},
      {ArrayType::kSchlumberger, {50, 1000, 50}, {10, 5}},
      {ArrayType::kWenner, {100, 10, 1000}, {5, 10}},
      {ArrayType::kSchlumberger, {200, 20, 400, 30}, {2, 8, 30}},
  };
  const double noise = 0.03;
  const double assumed[] = {3.0, 6.0, 1.5};
  const char* names[] = {"right (3 %)", "overstated (6 %)", "understated (1.5 %)"};
  for (int a = 0; a < 3; ++a) {
    int ranges = 0, inside = 0, st = 0, st_inside = 0;
    for (const Earth& earth : earths) {
      const int layers = static_cast<int>(earth.rho.size());
      for (unsigned seed = 1; seed <= 40; ++seed) {
        auto state = std::make_unique<SoundingDocument>();
        Fill(state->data, earth, noise, 1000 + seed, 28);
        state->engine.engine = EngineKind::kAccurate;
        state->engine.assumedErrorPercent = assumed[a];
        state->engine.estimateErrors = false;
        state->settings.iterationLimit = 25;
        state->model.layerCount = layers;
        for (int j = 0; j < layers; ++j) {
          state->model.resistivity[j] = static_cast<float>(earth.rho[j]);
          if (j + 1 < layers) state->model.thickness[j] = static_cast<float>(earth.h[j]);
        }
        Invert(*state, 1);
        RunUncertainty u;
        std::string message;
        if (!AnalyseRun(state->data, state->runs.back(), &u, &message)) continue;
        for (int p = 0; p < 2 * layers - 1; ++p) {
          const double truth = p < layers ? earth.rho[p] : earth.h[p - layers];
          const ParameterRange& r = u.few.parameters[p];
          ++ranges;
          inside += r.low <= truth * 1.0000001 && r.high >= truth * 0.9999999;
        }
        for (int j = 0; j + 1 < layers; ++j) {
          const double s = earth.h[j] / earth.rho[j], t = earth.h[j] * earth.rho[j];
          st += 2;
          st_inside += u.few.conductance[j].low <= s * 1.0000001 &&
                       u.few.conductance[j].high >= s * 0.9999999;
          st_inside +=
              u.few.transverse[j].low <= t * 1.0000001 && u.few.transverse[j].high >= t * 0.9999999;
        }
      }
    }
    std::printf("3. Coverage, errors %-20s parameters %5.1f %% of %d   S and T %5.1f %% of %d\n",
                names[a],
                100.0 * inside / std::max(ranges, 1),
                ranges,
                100.0 * st_inside / std::max(st, 1),
                st);
  }
}

void DepthOfInvestigation(const std::string& folder) {
  std::printf("4. Depth of investigation (accurate, automatic) with assumed errors 3/6/10 %%\n");
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".dat") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    double doi[3] = {0, 0, 0};
    double largest = 0.0;
    for (int k = 0; k < 3; ++k) {
      auto state = std::make_unique<SoundingDocument>();
      DiscardingSink quiet;
      if (ReadDataFile(file, *state, quiet) != 0) break;
      largest = *std::max_element(state->data.spacingA.begin(),
                                  state->data.spacingA.begin() + state->data.pointCount);
      state->engine.engine = EngineKind::kAccurate;
      state->engine.assumedErrorPercent = k == 0 ? 3.0 : k == 1 ? 6.0 : 10.0;
      state->engine.estimateErrors = false;
      state->settings.iterationLimit = 25;
      Invert(*state, 0);
      RunUncertainty u;
      std::string message;
      if (AnalyseRun(state->data, state->runs.back(), &u, &message)) doi[k] = u.smooth.doi;
    }
    std::printf("   %-24s DOI %7.1f %7.1f %7.1f m  6/3 %.2f  10/largest AB/2 %.2f\n",
                std::filesystem::path(file).stem().string().c_str(),
                doi[0],
                doi[1],
                doi[2],
                doi[1] / doi[0],
                doi[2] / largest);
  }
}

}  // namespace
}  // namespace layra

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: accurate_study FIELD_FOLDER\n");
    return 2;
  }
  const std::string only = argc > 2 ? argv[2] : "";
  if (only.empty() || only == "starts") layra::FieldStarts(argv[1]);
  if (only.empty() || only == "automatic") layra::AutomaticRuns();
  if (only.empty() || only == "coverage") layra::Coverage();
  if (only.empty() || only == "doi") layra::DepthOfInvestigation(argv[1]);
  return 0;
}
