#include "survey/lateral_inversion.h"

#include <Eigen/Dense>
#include <Eigen/SparseCore>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

#include "fileio/atomic_file.h"
#include "fileio/results_file.h"
#include "inversion/accurate_fit.h"
#include "inversion/accurate_response.h"
#include "inversion/levenberg_marquardt.h"
#include "state/text_format.h"

namespace layra {
namespace {

// The joint fit starts from the independent inversions, near its minimum.
constexpr double kInitialDamping = 0.01;
constexpr int kMaxJointIterations = 40;

using SparseMatrix = Eigen::SparseMatrix<double>;
using Triplet = Eigen::Triplet<double>;

struct Member {
  SoundingResult* result = nullptr;
  std::unique_ptr<WeightedProblem> problem;
  Eigen::Index offset = 0;
  Eigen::Index size = 0;
  Eigen::VectorXd residuals;
  Eigen::MatrixXd jacobian;
};

// The soundings of one profile on one layer grid, as the sparse minimiser
// sees them.
class ProfileFit : public SparseProblem {
 public:
  ProfileFit(std::vector<Member> members, int layers, SparseMatrix penalty)
      : members_(std::move(members)), layers_(layers), penalty_(std::move(penalty)) {}

  // sum of chi^2 + x^T P x at x; with `jacobian`, each member keeps its
  // residuals and Jacobian. Infinite when a sounding has no response.
  double Objective(const Eigen::VectorXd& x, bool jacobian) {
    double chi2 = 0.0;
    for (Member& m : members_) {
      Eigen::VectorXd residuals;
      Eigen::VectorXd* r = jacobian ? &m.residuals : &residuals;
      if (!m.problem->Evaluate(x.segment(m.offset, m.size), r, jacobian ? &m.jacobian : nullptr)) {
        return INFINITY;
      }
      chi2 += r->squaredNorm();
    }
    return chi2 + x.dot(penalty_ * x);
  }

  bool Value(const Eigen::VectorXd& x, double* value) override {
    *value = Objective(x, false);
    return std::isfinite(*value);
  }

  // The normal matrix: each member's dense block J^T J on the diagonal plus
  // the ties' penalty; the descent J^T r - P x.
  bool Linearise(const Eigen::VectorXd& x,
                 double* value,
                 SparseMatrix* normal,
                 Eigen::VectorXd* descent) override {
    *value = Objective(x, true);
    if (!std::isfinite(*value)) return false;
    const Eigen::Index n = x.size();
    std::vector<Triplet> triplets;
    *descent = -(penalty_ * x);
    for (const Member& m : members_) {
      const Eigen::MatrixXd block = m.jacobian.transpose() * m.jacobian;
      descent->segment(m.offset, m.size) += m.jacobian.transpose() * m.residuals;
      for (Eigen::Index j = 0; j < m.size; ++j) {
        for (Eigen::Index i = 0; i < m.size; ++i) {
          triplets.emplace_back(m.offset + i, m.offset + j, block(i, j));
        }
      }
    }
    normal->resize(n, n);
    normal->setFromTriplets(triplets.begin(), triplets.end());
    *normal += penalty_;
    return true;
  }

  // Levenberg-Marquardt on the whole profile from x; returns the steps taken.
  int Fit(Eigen::VectorXd& x) {
    MinimiserOptions options;
    options.initial_damping = kInitialDamping;
    options.max_steps = kMaxJointIterations;
    SparseLevenbergMarquardt minimiser(*this, x, options);
    if (!minimiser.Start()) return 0;
    minimiser.Run();
    x = minimiser.x();
    // The members keep the residuals and Jacobian of the model they end at.
    Objective(x, true);
    return minimiser.steps();
  }

  std::vector<Member>& members() { return members_; }
  int layers() const { return layers_; }

 private:
  std::vector<Member> members_;
  const int layers_;
  const SparseMatrix penalty_;
};

double Distance(const SurveySounding& a, const SurveySounding& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// The resistivity of `model` at `depth`.
double ResistivityAt(const LayeredModel& model, double depth) {
  int j = 0;
  while (j + 1 < model.layerCount && model.depthTop[j + 1] <= depth) ++j;
  return model.resistivity[j];
}

// The model of the member's free variables x on the fit's layer grid.
void StoreModel(const Eigen::VectorXd& x,
                const std::vector<double>& grid,
                bool few_layers,
                LayeredModel& model) {
  const int layers = static_cast<int>(few_layers ? (x.size() + 1) / 2 : x.size());
  model.layerCount = layers;
  double depth = 0.0;
  for (int j = 0; j < layers; ++j) {
    model.resistivity[j] = static_cast<float>(std::exp(x(j)));
    model.depthTop[j] = static_cast<float>(depth);
    if (j + 1 == layers) {
      model.thickness[j] = 0.0f;
    } else {
      model.thickness[j] = static_cast<float>(few_layers ? std::exp(x(layers + j)) : grid[j]);
      depth += model.thickness[j];
    }
  }
}

// The response of `model` at the data's spacings into `calculated` and its
// RMS misfit of log-resistivities (a fraction); false when it has none.
bool Respond(const SoundingData& data,
             const LayeredModel& model,
             float* calculated,
             float* misfit) {
  const int n = data.pointCount;
  const std::vector<double> spacings(data.spacingA.begin(), data.spacingA.begin() + n);
  const std::vector<double> rho(model.resistivity.begin(),
                                model.resistivity.begin() + model.layerCount);
  const std::vector<double> h(model.thickness.begin(),
                              model.thickness.begin() + model.layerCount - 1);
  std::vector<double> response;
  if (!AccurateApparentResistivity(data.arrayType, spacings, rho, h, response, nullptr)) {
    return false;
  }
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    calculated[i] = static_cast<float>(response[i]);
    const double r = std::log(data.apparentResistivity[i] / response[i]);
    sum += r * r;
  }
  *misfit = static_cast<float>(std::sqrt(sum / n));
  return true;
}

// Puts the jointly fitted model into the member's run and result, with its
// response and misfit, and adds it to its results file as one more block.
// A smooth model on a profile grid of other layers than the sounding's own
// run cannot follow that run's blocks, nor can a block after the last one
// a results file holds: the file is then written anew, whole, with the joint
// fit's start (the independent model on the profile's grid) as its block 0
// and the joint model as block 1. When the file cannot be written it keeps
// what it held, and the sounding fails with its independent model left out.
void Finish(Member& m,
            const Eigen::VectorXd& x,
            const Eigen::VectorXd& start,
            const std::vector<double>& grid,
            bool few_layers) {
  const SoundingDocument& document = *m.result->document;
  InversionOutcome& outcome = m.result->document->runs.back().outcome;
  SoundingResult& result = *m.result;
  const SoundingData& data = document.data;
  const int n = data.pointCount;
  const int layers = static_cast<int>(few_layers ? (x.size() + 1) / 2 : x.size());
  // A file holds kMaxRunIterations blocks after block 0.
  const bool rewrite =
      outcome.model.layerCount != layers || outcome.lastIteration >= kMaxRunIterations;
  std::string text;
  if (rewrite) {
    auto initial = std::make_unique<LayeredModel>();
    StoreModel(start, grid, few_layers, *initial);
    std::vector<float> calculated(static_cast<size_t>(n));
    float misfit = 0.0f;
    if (!Respond(data, *initial, calculated.data(), &misfit)) return;
    text = FormatResultsBlock(document.data,
                              document.someParametersFixed,
                              few_layers ? 1 : 0,
                              0,
                              *initial,
                              calculated.data(),
                              misfit,
                              outcome.settings);
  }
  auto model = std::make_unique<LayeredModel>(outcome.model);
  StoreModel(x, grid, few_layers, *model);
  // The IP and Cole-Cole values of the layers (fitted alone, not tied) stay
  // with their layers, and move by depth to a grid of other layers.
  const LayeredModel& alone = outcome.model;
  for (int j = 0; j < model->layerCount && alone.layerCount != model->layerCount; ++j) {
    const double depth = j + 1 < model->layerCount ? model->depthTop[j] + 0.5 * model->thickness[j]
                                                   : 1.5 * model->depthTop[j];
    int k = 0;
    while (k + 1 < alone.layerCount && alone.depthTop[k + 1] <= depth) ++k;
    model->chargeability[j] = alone.chargeability[k];
    model->timeConstant[j] = alone.timeConstant[k];
    model->exponent[j] = alone.exponent[k];
  }
  std::vector<float> calculated(static_cast<size_t>(n));
  float misfit = 0.0f;
  if (!Respond(data, *model, calculated.data(), &misfit)) return;
  const int iteration = rewrite ? 1 : outcome.lastIteration + 1;
  text += FormatResultsBlock(document.data,
                             document.someParametersFixed,
                             few_layers ? 1 : 0,
                             iteration,
                             *model,
                             calculated.data(),
                             misfit,
                             outcome.settings);
  const bool written = rewrite
                           ? WriteFileAtomically(outcome.resultsFile, text)
                           : ResultsFileStream().WriteBlock(outcome.resultsFile, iteration, text);
  if (!written) {
    result.status = SoundingStatus::kFailed;
    result.message = "Cannot write the joint model to the results file " + outcome.resultsFile +
                     "; the file keeps the sounding's own run.";
    return;
  }
  outcome.model = *model;
  std::copy(calculated.begin(), calculated.end(), outcome.calculatedResistivity.begin());
  Eigen::VectorXd residuals;
  if (m.problem->Evaluate(x, &residuals, nullptr)) outcome.chi2 = residuals.squaredNorm() / n;
  outcome.finalMisfit = misfit;
  outcome.lastIteration = iteration;
  result.model = outcome.model;
  result.misfit = misfit;
  result.iterations = outcome.lastIteration;
  result.calculated = calculated;
  SetSoundingDoi(document, &result);
}

LateralOutcome InvertProfile(const std::string& name,
                             const std::vector<const SurveySounding*>& soundings,
                             const std::vector<SoundingResult*>& results,
                             double weight,
                             bool few_layers) {
  LateralOutcome outcome;
  outcome.profile = name;
  const int count = static_cast<int>(results.size());
  outcome.soundings = count;
  if (count < 2 || weight == 0.0) return outcome;

  // The layer grid: the few-layer models' own, or the profile's thin layers.
  int layers = 0;
  std::vector<double> grid;
  double trade_off = 0.0;
  if (few_layers) {
    layers = results[0]->model.layerCount;
    for (const SoundingResult* r : results) {
      if (r->model.layerCount != layers) {
        outcome.message = StrFormat(
            "the soundings of profile \"%s\" have different layer counts; a laterally "
            "constrained few-layer run needs the same count in every starting model.",
            name.c_str());
        return outcome;
      }
    }
  } else {
    double smallest = INFINITY, largest = 0.0, log_sum = 0.0;
    int weights = 0;
    for (const SoundingResult* r : results) {
      const SoundingData& data = r->document->data;
      for (int i = 0; i < data.pointCount; ++i) {
        smallest = std::min(smallest, static_cast<double>(data.spacingA[i]));
        largest = std::max(largest, static_cast<double>(data.spacingA[i]));
      }
      const double regularisation = r->document->runs.back().outcome.regularisation;
      if (regularisation > 0.0) {
        log_sum += std::log(regularisation);
        ++weights;
      }
    }
    const std::vector<double> interfaces = AccurateAutomaticInterfaces(smallest, largest);
    double depth = 0.0;
    for (double next : interfaces) {
      grid.push_back(static_cast<float>(next - depth));
      depth = next;
    }
    layers = static_cast<int>(grid.size()) + 1;
    trade_off = weights > 0 ? std::exp(log_sum / weights) : 0.0;
  }

  // Free variables and their starts, from the independent models.
  const Eigen::Index size = few_layers ? 2 * layers - 1 : layers;
  Eigen::VectorXd x(size * count);
  std::vector<Member> members;
  for (int s = 0; s < count; ++s) {
    Member m;
    m.result = results[static_cast<size_t>(s)];
    m.offset = size * s;
    m.size = size;
    const LayeredModel& model = m.result->model;
    if (few_layers) {
      for (int j = 0; j < layers; ++j) x(m.offset + j) = std::log(model.resistivity[j]);
      for (int j = 0; j + 1 < layers; ++j) x(m.offset + layers + j) = std::log(model.thickness[j]);
      const std::vector<double> h(model.thickness.begin(), model.thickness.begin() + layers - 1);
      m.problem = MakeAccurateResistivityProblem(
          m.result->document->data, m.result->document->engine, h, true);
    } else {
      double top = 0.0;
      for (int j = 0; j < layers; ++j) {
        const double middle = j + 1 < layers ? top + 0.5 * grid[j] : 1.5 * top;
        x(m.offset + j) = std::log(ResistivityAt(model, middle));
        if (j + 1 < layers) top += grid[j];
      }
      m.problem = MakeAccurateResistivityProblem(
          m.result->document->data, m.result->document->engine, grid, false);
    }
    members.push_back(std::move(m));
  }

  // The penalty x^T P x: the ties between neighbours (every free variable:
  // the log-resistivities and, of few-layer models, the log-thicknesses, so
  // that a layer cannot trade its resistivity for its thickness) and, for
  // smooth models, each sounding's roughness.
  double mean = 0.0;
  for (int s = 0; s + 1 < count; ++s) mean += Distance(*soundings[s], *soundings[s + 1]);
  mean /= count - 1;
  std::vector<Triplet> triplets;
  auto couple = [&](Eigen::Index a, Eigen::Index b, double w) {
    triplets.emplace_back(a, a, w);
    triplets.emplace_back(b, b, w);
    triplets.emplace_back(a, b, -w);
    triplets.emplace_back(b, a, -w);
  };
  for (int s = 0; s + 1 < count; ++s) {
    // Soundings at one place are tied as if a tenth of the mean apart.
    const double distance = std::max(Distance(*soundings[s], *soundings[s + 1]), 0.1 * mean);
    const double tie = mean > 0.0 ? weight * mean / distance : weight;
    for (Eigen::Index j = 0; j < size; ++j) couple(size * s + j, size * (s + 1) + j, tie * tie);
  }
  if (trade_off > 0.0) {
    for (int s = 0; s < count; ++s) {
      for (int j = 0; j + 1 < layers; ++j) couple(size * s + j, size * s + j + 1, trade_off);
    }
  }
  SparseMatrix penalty(x.size(), x.size());
  penalty.setFromTriplets(triplets.begin(), triplets.end());

  ProfileFit fit(std::move(members), layers, std::move(penalty));
  const Eigen::VectorXd start = x;
  outcome.iterations = fit.Fit(x);
  long data = 0;
  double chi2 = 0.0;
  for (Member& m : fit.members()) {
    Finish(m, x.segment(m.offset, m.size), start.segment(m.offset, m.size), grid, few_layers);
    const int n = m.result->document->data.pointCount;
    data += n;
    chi2 += m.result->document->runs.back().outcome.chi2 * n;
  }
  outcome.chi2 = data > 0 ? chi2 / static_cast<double>(data) : 0.0;
  return outcome;
}

}  // namespace

std::vector<LateralOutcome> InvertLaterally(const std::vector<SurveySounding>& soundings,
                                            std::vector<SoundingResult>& results,
                                            double weight,
                                            bool user_model) {
  // Profiles in the order they first appear; their soundings in the order listed.
  std::vector<std::string> names;
  std::map<std::string, std::vector<size_t>> members;
  for (size_t i = 0; i < soundings.size(); ++i) {
    const SoundingResult& r = results[i];
    if (r.status != SoundingStatus::kOk || !r.document) continue;
    auto [it, added] = members.try_emplace(soundings[i].profile);
    if (added) names.push_back(soundings[i].profile);
    it->second.push_back(i);
  }
  std::vector<LateralOutcome> outcomes;
  for (const std::string& name : names) {
    std::vector<const SurveySounding*> profile_soundings;
    std::vector<SoundingResult*> profile_results;
    for (size_t i : members[name]) {
      profile_soundings.push_back(&soundings[i]);
      profile_results.push_back(&results[i]);
    }
    outcomes.push_back(InvertProfile(name, profile_soundings, profile_results, weight, user_model));
  }
  return outcomes;
}

}  // namespace layra
