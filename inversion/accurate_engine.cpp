// The accurate engine: the double-precision forward with exact
// sensitivities, residuals weighted by the data errors (misfit reported as
// chi^2 / N beside the RMS), Levenberg-Marquardt steps that never raise the
// objective for runs from a user model (with fixed and bounded parameters),
// and Occam's smooth inversion with the trade-off chosen by the discrepancy
// principle for automatic runs. Fixed and bounded parameters apply to runs
// from a user model; an automatic run, whose layers are made by the run,
// leaves them aside.

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <optional>
#include <vector>

#include "inversion/accurate_fit.h"
#include "inversion/accurate_response.h"
#include "inversion/accurate_search.h"
#include "inversion/data_errors.h"
#include "inversion/engine.h"
#include "inversion/inversion_run.h"
#include "inversion/parameter_transform.h"
#include "inversion/resistivity_problem.h"
#include "inversion/starting_model.h"

namespace layra {

namespace {

// Layers of the automatic model per decade of depth, and its depth range:
// the first interface at half the smallest spacing, the last at the largest.
constexpr double kLayersPerDecade = 8.0;
constexpr double kFirstInterfaceFactor = 0.5;
constexpr double kLastInterfaceFactor = 1.0;
// Differences of log-resistivity below this count as flat in the robust
// (blocky) roughness.
constexpr double kBlockyCutoff = 0.01;

std::vector<double> ToDouble(const float* values, int count) {
  return std::vector<double>(values, values + count);
}

Eigen::VectorXd ToVector(const std::vector<double>& values) {
  return Eigen::Map<const Eigen::VectorXd>(values.data(), static_cast<Eigen::Index>(values.size()));
}

std::vector<double> ToStd(const Eigen::VectorXd& x) {
  return std::vector<double>(x.data(), x.data() + x.size());
}

// Apparent chargeabilities (Seigel: m_a = 1 - rhoA(rho) / rhoA(rho / (1 - m)))
// of the chargeabilities m1..mL held in a transform, over a fixed layered
// resistivity model.
class IpProblem : public WeightedProblem {
 public:
  IpProblem(const SoundingData& data,
            std::vector<double> rho,
            std::vector<double> h,
            std::vector<double> rhoa,
            const std::vector<float>& observed,
            std::vector<double> sigma,
            ParameterTransform transform)
      : array_type_(data.arrayType),
        spacings_(ToDouble(data.spacingA.data(), data.pointCount)),
        rho_(std::move(rho)),
        h_(std::move(h)),
        rhoa_(std::move(rhoa)),
        observed_(observed.begin(), observed.end()),
        sigma_(std::move(sigma)),
        transform_(std::move(transform)) {}

  bool Evaluate(const Eigen::VectorXd& x,
                Eigen::VectorXd* residuals,
                Eigen::MatrixXd* jacobian) override {
    std::vector<double> derivative;
    transform_.FromFree(ToStd(x), &derivative);
    const std::vector<double> m = transform_.Values();
    const int layers = static_cast<int>(rho_.size());
    std::vector<double> perturbed(layers);
    for (int j = 0; j < layers; ++j) {
      if (!(m[j] < 1.0)) return false;
      perturbed[j] = rho_[j] / (1.0 - m[j]);
    }
    std::vector<double> rhoa_perturbed, log_jacobian;
    if (!AccurateApparentResistivity(array_type_,
                                     spacings_,
                                     perturbed,
                                     h_,
                                     rhoa_perturbed,
                                     jacobian ? &log_jacobian : nullptr)) {
      return false;
    }
    const int n = static_cast<int>(spacings_.size());
    calculated_.resize(n);
    residuals->resize(n);
    for (int i = 0; i < n; ++i) {
      calculated_[i] = 1.0 - rhoa_[i] / rhoa_perturbed[i];
      (*residuals)(i) = (observed_[i] - calculated_[i]) / sigma_[i];
    }
    if (jacobian != nullptr) {
      const int free = transform_.FreeCount();
      jacobian->resize(n, free);
      for (int k = 0; k < free; ++k) {
        const int j = transform_.FreeIndex(k);
        for (int i = 0; i < n; ++i) {
          const double by_m = rhoa_[i] / rhoa_perturbed[i] *
                              log_jacobian[i + static_cast<size_t>(j) * n] / (1.0 - m[j]);
          (*jacobian)(i, k) = by_m * derivative[k] / sigma_[i];
        }
      }
    }
    return residuals->allFinite();
  }

  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return transform_.Pinned(static_cast<int>(k), x(k), descent);
  }

  ParameterTransform& transform() { return transform_; }
  const std::vector<double>& calculated() const { return calculated_; }
  const std::vector<double>& observed() const { return observed_; }

 private:
  const ArrayType array_type_;
  const std::vector<double> spacings_;
  const std::vector<double> rho_;
  const std::vector<double> h_;
  const std::vector<double> rhoa_;
  const std::vector<double> observed_;
  const std::vector<double> sigma_;
  ParameterTransform transform_;
  std::vector<double> calculated_;
};

// Amplitude and phase spectra of layers with Cole-Cole resistivities
// rho0 (1 - m (1 - 1 / (1 + (i w tau)^c))) over fixed rho0 and thicknesses;
// the parameters m1..mL, tau1..tauL, c1..cL are held in a transform.
// Residuals: ln amplitude (relative) and phase (milliradians), each over its
// error, amplitudes first, point-major (datum i, frequency k at i * nf + k).
class SipProblem : public WeightedProblem {
 public:
  SipProblem(const SoundingData& data,
             std::vector<double> rho0,
             std::vector<double> h,
             const SipSpectra& spectra,
             const EngineOptions& options,
             ParameterTransform transform)
      : array_type_(data.arrayType),
        spacings_(ToDouble(data.spacingA.data(), data.pointCount)),
        frequencies_(ToDouble(data.frequencies.data(), data.frequencyCount)),
        rho0_(std::move(rho0)),
        h_(std::move(h)),
        transform_(std::move(transform)) {
    const double floor = 0.01 * options.errorFloorPercent;
    const double assumed = std::max(0.01 * options.assumedErrorPercent, floor);
    const size_t values = spectra.observed_amplitude.size();
    for (size_t v = 0; v < values; ++v) {
      log_amplitude_.push_back(std::log(static_cast<double>(spectra.observed_amplitude[v])));
      phase_.push_back(spectra.observed_phase[v]);
      phase_sigma_.push_back(std::max(assumed * std::fabs(phase_.back()), kPhaseErrorFloor));
    }
    amplitude_sigma_ = assumed;
    amplitude_.assign(values, 0.0);
    calculated_phase_.assign(values, 0.0);
  }

  bool Evaluate(const Eigen::VectorXd& x,
                Eigen::VectorXd* residuals,
                Eigen::MatrixXd* jacobian) override {
    std::vector<double> derivative;
    transform_.FromFree(ToStd(x), &derivative);
    const std::vector<double> p = transform_.Values();
    const int layers = static_cast<int>(rho0_.size());
    const int n = static_cast<int>(spacings_.size());
    const int nf = static_cast<int>(frequencies_.size());
    const size_t values = static_cast<size_t>(n) * nf;
    const int free = transform_.FreeCount();
    residuals->resize(2 * values);
    if (jacobian != nullptr) jacobian->setZero(2 * values, free);
    std::vector<std::complex<double>> rho(layers), rhoa, log_jacobian;
    // d ln rho_j / d parameter, per layer: m, tau, c.
    std::vector<std::complex<double>> by(3 * static_cast<size_t>(layers));
    const std::complex<double> i_unit(0.0, 1.0);
    for (int k = 0; k < nf; ++k) {
      const double omega = 2.0 * M_PI * frequencies_[k];
      for (int j = 0; j < layers; ++j) {
        const double m = p[j], tau = p[layers + j], c = p[2 * layers + j];
        const std::complex<double> log_iwt = std::log(omega * tau) + i_unit * (0.5 * M_PI);
        const std::complex<double> z = std::exp(c * log_iwt);
        const std::complex<double> g = z / (1.0 + z);
        const std::complex<double> factor = 1.0 - m * g;
        rho[j] = rho0_[j] * factor;
        const std::complex<double> g_by_z = 1.0 / ((1.0 + z) * (1.0 + z));
        by[j] = -g / factor;
        by[layers + j] = -m * g_by_z * c * z / (tau * factor);
        by[2 * layers + j] = -m * g_by_z * z * log_iwt / factor;
      }
      if (!AccurateComplexApparentResistivity(
              array_type_, spacings_, rho, h_, rhoa, jacobian ? &log_jacobian : nullptr)) {
        return false;
      }
      for (int i = 0; i < n; ++i) {
        const size_t v = static_cast<size_t>(i) * nf + k;
        amplitude_[v] = std::abs(rhoa[i]);
        calculated_phase_[v] = -1000.0 * std::arg(rhoa[i]);
        (*residuals)(v) = (log_amplitude_[v] - std::log(amplitude_[v])) / amplitude_sigma_;
        (*residuals)(values + v) = (phase_[v] - calculated_phase_[v]) / phase_sigma_[v];
        if (jacobian == nullptr) continue;
        for (int f = 0; f < free; ++f) {
          const int q = transform_.FreeIndex(f);
          const int j = q % layers;
          const std::complex<double> d =
              log_jacobian[i + static_cast<size_t>(j) * n] * by[q] * derivative[f];
          (*jacobian)(v, f) = d.real() / amplitude_sigma_;
          (*jacobian)(values + v, f) = -1000.0 * d.imag() / phase_sigma_[v];
        }
      }
    }
    return residuals->allFinite();
  }

  bool Pinned(const Eigen::VectorXd& x, Eigen::Index k, double descent) const override {
    return transform_.Pinned(static_cast<int>(k), x(k), descent);
  }

  ParameterTransform& transform() { return transform_; }
  const std::vector<double>& amplitude() const { return amplitude_; }
  const std::vector<double>& phase() const { return calculated_phase_; }

 private:
  static constexpr double kPhaseErrorFloor = 0.1;  // milliradians
  const ArrayType array_type_;
  const std::vector<double> spacings_;
  const std::vector<double> frequencies_;
  const std::vector<double> rho0_;
  const std::vector<double> h_;
  ParameterTransform transform_;
  std::vector<double> log_amplitude_;
  std::vector<double> phase_;
  std::vector<double> phase_sigma_;
  double amplitude_sigma_ = 0.0;
  std::vector<double> amplitude_;
  std::vector<double> calculated_phase_;
};

// One fit of a stage: Levenberg-Marquardt from the settings' initial damping
// for a run from a user model, Occam towards the target misfit (in blocks of
// the run's layers) for an automatic run.
class StageFit {
 public:
  StageFit(WeightedProblem& problem,
           const std::vector<double>& x,
           const InversionRun& run,
           double target,
           bool blocky) {
    if (!run.user_model) {
      occam_.emplace(problem, ToVector(x), target, blocky, kBlockyCutoff, run.layer_count);
    } else {
      marquardt_.emplace(problem, ToVector(x), run.state.settings.initialDampingFactor);
    }
  }
  bool Start() { return occam_ ? occam_->Start() : marquardt_->Start(); }
  bool Step() { return occam_ ? occam_->Step() : marquardt_->Step(); }
  bool converged() const { return occam_ ? occam_->converged() : marquardt_->converged(); }
  const Eigen::VectorXd& x() const { return occam_ ? occam_->x() : marquardt_->x(); }
  double weight() const { return occam_ ? occam_->weight() : 0.0; }

 private:
  std::optional<LevenbergMarquardtFit> marquardt_;
  std::optional<OccamFit> occam_;
};

class AccurateEngine : public InversionEngine {
 public:
  EngineKind kind() const override { return EngineKind::kAccurate; }
  int BuildAutomaticModel(InversionRun& run) override;
  int MaxRunLayers() const override { return kMaxResultsLayers; }
  bool CheckChoices(const InversionRun& run, std::string* message) const override;

  void BeginResistivity(InversionRun& run) override;
  void EvaluateResistivity(InversionRun& run) override;
  // The fit is searched to its end by BeginResistivity; the iterations show
  // the models of its path.
  StepResult StepResistivity(InversionRun& run) override;
  std::optional<StopReason> Ended(const InversionRun&) const override {
    if (!PathShown()) return std::nullopt;
    return StopReason::kConverged;
  }
  void EndResistivity(InversionRun& run) override;

  std::vector<float> ObservedIpFractions(const SoundingData& data) const override {
    return IpFractionsByUnit(data);
  }
  bool BeginIp(InversionRun& run) override;
  StepResult StepIp(InversionRun& run, bool* last) override;
  void EndIp(InversionRun& run) override;

  int SipIterationLimit(const InversionRun& run) const override;
  bool BeginSip(InversionRun& run, SipSpectra& spectra) override;
  bool StepSip(InversionRun& run, SipSpectra& spectra) override;

 private:
  // Names of every parameter the run's stages have.
  static std::vector<std::string> RunParameterNames(const InversionRun& run);
  // Applies the user's fixed names and bounds to a stage of a run from a user
  // model (checked beforehand by CheckChoices).
  static void ApplyRunChoices(const InversionRun& run, std::vector<ModelParameter>& parameters) {
    std::string unused;
    ApplyChoices(run.state.engine, RunParameterNames(run), parameters, &unused);
  }
  // Writes the free values of a stage's transform into the model.
  static void StoreFree(const ParameterTransform& transform, float* values, int offset);
  void ShowIp(InversionRun& run);
  void ShowSip(InversionRun& run, SipSpectra& spectra);
  void ShowSipChargeability(InversionRun& run);

  std::unique_ptr<ResistivityProblem> resistivity_;
  std::unique_ptr<IpProblem> ip_;
  std::unique_ptr<SipProblem> sip_;
  bool PathShown() const { return next_ >= plan_.path.size(); }

  std::unique_ptr<StageFit> fit_;
  ResistivityPlan plan_;
  size_t next_ = 0;  // the model of plan_.path the next iteration shows
  Eigen::VectorXd current_;
};

int AccurateEngine::BuildAutomaticModel(InversionRun& run) {
  const SoundingData& data = run.state.data;
  LayeredModel& model = run.state.model;
  const int n = data.pointCount;
  float smallest = data.spacingA[0], largest = data.spacingA[0];
  for (int i = 1; i < n; ++i) {
    smallest = std::min(smallest, data.spacingA[i]);
    largest = std::max(largest, data.spacingA[i]);
  }
  const std::vector<double> interfaces = AccurateAutomaticInterfaces(smallest, largest);
  const float rho = GeometricMean(data.apparentResistivity.data(), n);
  model.layerCount = static_cast<int>(interfaces.size()) + 1;
  double depth = 0.0;
  for (int j = 0; j < model.layerCount; ++j) {
    model.resistivity[j] = rho;
    model.depthTop[j] = static_cast<float>(depth);
    if (j + 1 < model.layerCount) {
      model.thickness[j] = static_cast<float>(interfaces[j] - depth);
      depth = interfaces[j];
    } else {
      model.thickness[j] = 0.0f;
    }
  }
  return model.layerCount;
}

std::vector<std::string> AccurateEngine::RunParameterNames(const InversionRun& run) {
  std::vector<std::string> names;
  const int layers = run.layer_count;
  const DataKind kind = run.state.data.dataKind;
  for (int j = 1; j <= layers; ++j) {
    names.push_back("rho" + std::to_string(j));
    if (j < layers) names.push_back("h" + std::to_string(j));
    if (kind != DataKind::kResistivity) names.push_back("m" + std::to_string(j));
    if (kind == DataKind::kSip) {
      names.push_back("tau" + std::to_string(j));
      names.push_back("c" + std::to_string(j));
    }
  }
  return names;
}

bool AccurateEngine::CheckChoices(const InversionRun& run, std::string* message) const {
  if (!run.user_model) return true;
  // Every parameter the run's stages have, checked against the fixed names
  // and the bounds as the stages will apply them.
  const std::vector<std::string> names = RunParameterNames(run);
  std::vector<ModelParameter> parameters;
  for (ParameterKind kind : {ParameterKind::kResistivity,
                             ParameterKind::kThickness,
                             ParameterKind::kChargeability,
                             ParameterKind::kTimeConstant,
                             ParameterKind::kExponent}) {
    const int count = kind == ParameterKind::kThickness ? run.layer_count - 1 : run.layer_count;
    AppendParameters(kind, std::vector<double>(count, 1.0), parameters);
  }
  parameters.erase(std::remove_if(parameters.begin(),
                                  parameters.end(),
                                  [&](const ModelParameter& p) {
                                    return std::find(names.begin(), names.end(), p.name) ==
                                           names.end();
                                  }),
                   parameters.end());
  return ApplyChoices(run.state.engine, {}, parameters, message);
}

void AccurateEngine::StoreFree(const ParameterTransform& transform, float* values, int offset) {
  const std::vector<ModelParameter>& parameters = transform.parameters();
  for (int k = 0; k < transform.FreeCount(); ++k) {
    const int p = transform.FreeIndex(k);
    values[p - offset] = static_cast<float>(parameters[p].value);
  }
}

void AccurateEngine::BeginResistivity(InversionRun& run) {
  RunState& state = run.state;
  const LayeredModel& model = state.model;
  const int layers = run.layer_count;
  std::vector<ModelParameter> parameters;
  AppendParameters(
      ParameterKind::kResistivity, ToDouble(model.resistivity.data(), layers), parameters);
  AppendParameters(
      ParameterKind::kThickness, ToDouble(model.thickness.data(), layers - 1), parameters);
  if (run.user_model) {
    ApplyRunChoices(run, parameters);
  } else {
    // The automatic run moves the resistivities of its fixed layers.
    for (int j = layers; j < 2 * layers - 1; ++j) parameters[j].fixed = true;
  }
  plan_ = PlanResistivityFit(state.data,
                             state.engine,
                             parameters,
                             run.user_model != 0,
                             state.settings.modelConstraint != 0,
                             state.settings.iterationLimit);
  next_ = 1;
  resistivity_ = std::make_unique<ResistivityProblem>(state.data,
                                                      layers,
                                                      ResistivityErrors(state.data, plan_.options),
                                                      ParameterTransform(plan_.parameters));
  const std::vector<double> start = resistivity_->transform().ToFree();
  current_ = plan_.ok ? plan_.path.front() : ToVector(start);
  state.outcome.fit = FitReport{};
}

void AccurateEngine::EvaluateResistivity(InversionRun& run) {
  InversionOutcome& outcome = run.state.outcome;
  Eigen::VectorXd residuals;
  if (!plan_.ok || !resistivity_->Evaluate(current_, &residuals, nullptr)) {
    run.misfit = INFINITY;
    return;
  }
  const int n = run.data_count;
  const std::vector<double>& response = resistivity_->response();
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    outcome.calculatedResistivity[i] = static_cast<float>(response[i]);
    const double r = resistivity_->log_observed()[i] - std::log(response[i]);
    sum += r * r;
  }
  run.misfit = static_cast<float>(std::sqrt(sum / n));
  outcome.chi2 = residuals.squaredNorm() / n;
  outcome.regularisation = PathShown() ? plan_.weight : 0.0;
  LayeredModel& model = run.state.model;
  StoreFree(resistivity_->transform(), model.resistivity.data(), 0);
  StoreFree(resistivity_->transform(), model.thickness.data(), run.layer_count);
}

StepResult AccurateEngine::StepResistivity(InversionRun& run) {
  if (PathShown()) return StepResult::kFinished;
  current_ = plan_.path[next_++];
  EvaluateResistivity(run);
  return StepResult::kStepped;
}

void AccurateEngine::EndResistivity(InversionRun& run) {
  if (!plan_.ok) return;
  InversionOutcome& outcome = run.state.outcome;
  FinishFitReport(plan_,
                  static_cast<int>(next_) - 1,
                  resistivity_->transform().parameters(),
                  outcome.chi2,
                  &outcome.fit);
  switch (outcome.fit.status) {
    case FitStatus::kOk:
      break;
    case FitStatus::kAboveTarget:
      outcome.stopReason = StopReason::kAboveTarget;
      break;
    case FitStatus::kNotAtMinimum:
      outcome.stopReason = StopReason::kIterationLimit;
      break;
  }
  for (const std::string& line : FitReportLines(outcome.fit)) ShowProgressLine(run, line);
}

bool AccurateEngine::BeginIp(InversionRun& run) {
  RunState& state = run.state;
  const LayeredModel& model = state.model;
  const int layers = run.layer_count;
  const int n = run.data_count;
  std::vector<double> rho = ToDouble(model.resistivity.data(), layers);
  std::vector<double> h = ToDouble(model.thickness.data(), layers - 1);
  std::vector<double> rhoa;
  if (!AccurateApparentResistivity(
          state.data.arrayType, ToDouble(state.data.spacingA.data(), n), rho, h, rhoa, nullptr)) {
    return false;
  }
  double mean = 0.0;
  for (int i = 0; i < n; ++i) mean += std::fabs(run.observed_ip[i]);
  // Chargeabilities must stay below 1 to have a response.
  const double start = std::min(std::max(mean / n, 0.001), 0.95);
  std::vector<ModelParameter> parameters;
  AppendParameters(ParameterKind::kChargeability, std::vector<double>(layers, start), parameters);
  if (run.user_model) {
    ApplyRunChoices(run, parameters);
    // A fixed chargeability keeps the value the model gives it.
    for (int j = 0; j < layers; ++j) {
      if (parameters[j].fixed) parameters[j].value = model.chargeability[j];
    }
  }
  ParameterTransform transform(std::move(parameters));
  const std::vector<double> x = transform.ToFree();
  ip_ = std::make_unique<IpProblem>(state.data,
                                    std::move(rho),
                                    std::move(h),
                                    std::move(rhoa),
                                    run.observed_ip,
                                    IpErrors(state.data, run.observed_ip, state.engine),
                                    std::move(transform));
  fit_ = std::make_unique<StageFit>(*ip_, x, run, static_cast<double>(n), false);
  if (!fit_->Start()) return false;
  ShowIp(run);
  return true;
}

// The model's chargeabilities, the calculated apparent chargeabilities and
// their RMS misfit (a fraction) at the fit's current x.
void AccurateEngine::ShowIp(InversionRun& run) {
  Eigen::VectorXd residuals;
  if (!ip_->Evaluate(fit_->x(), &residuals, nullptr)) return;
  StoreFree(ip_->transform(), run.state.model.chargeability.data(), 0);
  const int n = run.data_count;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    run.state.outcome.calculatedIp[i] = static_cast<float>(ip_->calculated()[i]);
    const double r = ip_->observed()[i] - ip_->calculated()[i];
    sum += r * r;
  }
  run.ip_misfit = static_cast<float>(std::sqrt(sum / n));
}

StepResult AccurateEngine::StepIp(InversionRun& run, bool* last) {
  if (!fit_->Step()) return StepResult::kFinished;
  ShowIp(run);
  *last = fit_->converged();
  return StepResult::kStepped;
}

void AccurateEngine::EndIp(InversionRun& run) {
  if (ip_) {
    // Fixed chargeabilities keep their values; the others are the fit's.
    const std::vector<ModelParameter>& parameters = ip_->transform().parameters();
    for (size_t j = 0; j < parameters.size(); ++j) {
      run.state.model.chargeability[j] = static_cast<float>(parameters[j].value);
    }
    ShowIp(run);
  }
  run.state.outcome.finalIpMisfit = run.ip_misfit;
}

int AccurateEngine::SipIterationLimit(const InversionRun& run) const {
  return std::max(run.state.settings.iterationLimit, 1);
}

bool AccurateEngine::BeginSip(InversionRun& run, SipSpectra& spectra) {
  RunState& state = run.state;
  const LayeredModel& model = state.model;
  const int layers = run.layer_count;
  std::vector<ModelParameter> parameters;
  AppendParameters(
      ParameterKind::kChargeability, ToDouble(model.chargeability.data(), layers), parameters);
  AppendParameters(
      ParameterKind::kTimeConstant, ToDouble(model.timeConstant.data(), layers), parameters);
  AppendParameters(ParameterKind::kExponent, ToDouble(model.exponent.data(), layers), parameters);
  for (ModelParameter& p : parameters) {
    // Starts the spectra give no value for move to a neutral one.
    if (!std::isfinite(p.value) || !(p.value > 0.0))
      p.value = p.kind == ParameterKind::kTimeConstant ? 1.0 : 0.5;
  }
  if (run.user_model) ApplyRunChoices(run, parameters);
  ParameterTransform transform(std::move(parameters));
  const std::vector<double> x = transform.ToFree();
  sip_ = std::make_unique<SipProblem>(state.data,
                                      ToDouble(model.resistivity.data(), layers),
                                      ToDouble(model.thickness.data(), layers - 1),
                                      spectra,
                                      state.engine,
                                      std::move(transform));
  fit_ = std::make_unique<StageFit>(
      *sip_, x, run, 2.0 * static_cast<double>(spectra.amplitude.size()), false);
  if (!fit_->Start()) {
    spectra.misfit = INFINITY;
    return false;
  }
  ShowSip(run, spectra);
  return true;
}

// The model's Cole-Cole parameters and the spectra of the fit's current x;
// the misfit is the error-weighted chi^2.
void AccurateEngine::ShowSip(InversionRun& run, SipSpectra& spectra) {
  Eigen::VectorXd residuals;
  if (!sip_->Evaluate(fit_->x(), &residuals, nullptr)) return;
  LayeredModel& model = run.state.model;
  const int layers = run.layer_count;
  const std::vector<ModelParameter>& parameters = sip_->transform().parameters();
  for (int j = 0; j < layers; ++j) {
    model.chargeability[j] = static_cast<float>(parameters[j].value);
    model.timeConstant[j] = static_cast<float>(parameters[layers + j].value);
    model.exponent[j] = static_cast<float>(parameters[2 * layers + j].value);
  }
  for (size_t v = 0; v < spectra.amplitude.size(); ++v) {
    spectra.amplitude[v] = static_cast<float>(sip_->amplitude()[v]);
    spectra.phase[v] = static_cast<float>(sip_->phase()[v]);
  }
  spectra.misfit = static_cast<float>(residuals.squaredNorm());
  ShowSipChargeability(run);
}

// The apparent chargeabilities (Seigel) of the SIP fit's chargeabilities
// over the resistivity model, and their RMS misfit to the file's IP values:
// the IP panel and misfit follow the model the run ends with, so a perfect
// fit of the spectra has no IP misfit either.
void AccurateEngine::ShowSipChargeability(InversionRun& run) {
  const RunState& state = run.state;
  const LayeredModel& model = state.model;
  const int layers = run.layer_count;
  const int n = run.data_count;
  std::vector<double> rho = ToDouble(model.resistivity.data(), layers);
  const std::vector<double> h = ToDouble(model.thickness.data(), layers - 1);
  const std::vector<double> spacings = ToDouble(state.data.spacingA.data(), n);
  std::vector<double> plain, perturbed;
  if (!AccurateApparentResistivity(state.data.arrayType, spacings, rho, h, plain, nullptr)) return;
  for (int j = 0; j < layers; ++j) {
    if (!(model.chargeability[j] >= 0.0f && model.chargeability[j] < 1.0f)) return;
    rho[j] /= 1.0 - model.chargeability[j];
  }
  if (!AccurateApparentResistivity(state.data.arrayType, spacings, rho, h, perturbed, nullptr))
    return;
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const double ma = 1.0 - plain[i] / perturbed[i];
    run.state.outcome.calculatedIp[i] = static_cast<float>(ma);
    sum += (run.observed_ip[i] - ma) * (run.observed_ip[i] - ma);
  }
  run.ip_misfit = static_cast<float>(std::sqrt(sum / n));
  run.state.outcome.finalIpMisfit = run.ip_misfit;
}

bool AccurateEngine::StepSip(InversionRun& run, SipSpectra& spectra) {
  const bool stepped = fit_->Step();
  ShowSip(run, spectra);
  return stepped && !fit_->converged();
}

}  // namespace

std::vector<double> AccurateAutomaticInterfaces(double smallest, double largest) {
  const double first = kFirstInterfaceFactor * smallest;
  const double last = std::max(kLastInterfaceFactor * largest, 2.0 * first);
  const int interfaces =
      std::min(static_cast<int>(std::ceil(kLayersPerDecade * std::log10(last / first))) + 1,
               kMaxResultsLayers - 1);
  const double ratio = std::pow(last / first, 1.0 / (interfaces - 1));
  std::vector<double> depths;
  for (int j = 0; j < interfaces; ++j) depths.push_back(first * std::pow(ratio, j));
  return depths;
}

std::unique_ptr<InversionEngine> MakeAccurateEngine() { return std::make_unique<AccurateEngine>(); }

}  // namespace layra
