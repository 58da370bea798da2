// The SIP stage: with the resistivities and thicknesses the resistivity stage
// left, fits the Cole-Cole parameters of each layer to the observed amplitude
// and phase spectra. The layers start from the spectra fitted datum by datum;
// the engine of the run makes the steps; the stage plots after each one the
// spectra and the Cole-Cole parameters fitted to the calculated spectra.

#include <algorithm>
#include <cmath>
#include <vector>

#include "forward/cole_cole.h"
#include "forward/cole_cole_fit.h"
#include "inversion/engine.h"
#include "inversion/inversion_run.h"

namespace layra {

namespace {

class SipStage {
 public:
  explicit SipStage(InversionRun& run)
      : run_(run),
        state_(run.state),
        model_(run.state.model),
        n_(run.data_count),
        layers_(run.layer_count),
        frequencies_(run.state.data.frequencyCount),
        values_(static_cast<size_t>(n_) * frequencies_),
        observed_tau_(n_),
        observed_c_(n_),
        calculated_tau_(n_),
        calculated_c_(n_) {
    spectra_.frequencies = frequencies_;
    for (auto* values : {&spectra_.observed_amplitude,
                         &spectra_.observed_phase,
                         &spectra_.amplitude,
                         &spectra_.phase}) {
      values->assign(values_, 0.0f);
    }
  }

  void Run();

 private:
  // Observed spectra as amplitude and phase: data given as in-phase and
  // out-of-phase parts are converted, so both forms are compared alike.
  void LoadObserved();
  void FitCalculatedSpectra();
  void Draw();

  InversionRun& run_;
  RunState& state_;
  LayeredModel& model_;
  const int n_;
  const int layers_;
  const int frequencies_;
  const size_t values_;
  SipSpectra spectra_;
  std::vector<float> observed_tau_;
  std::vector<float> observed_c_;
  std::vector<float> calculated_tau_;
  std::vector<float> calculated_c_;
};

void SipStage::LoadObserved() {
  const SoundingData& data = state_.data;
  for (size_t v = 0; v < values_; ++v) {
    const float first = data.sipValue1[v];
    const float second = data.sipValue2[v];
    if (data.sipForm == SipForm::kAmplitudePhase) {
      spectra_.observed_amplitude[v] = first;
      spectra_.observed_phase[v] = second;
    } else {
      spectra_.observed_amplitude[v] = std::sqrt(first * first + second * second);
      spectra_.observed_phase[v] = PhaseMilliradians(first, second);
    }
  }
}

void SipStage::FitCalculatedSpectra() {
  const float* rho = state_.outcome.calculatedResistivity.data();
  const float* ip = state_.outcome.calculatedIp.data();
  for (int i = 0; i < n_; ++i) {
    const size_t v = static_cast<size_t>(i) * frequencies_;
    float c = 0.0f, rms = 0.0f;
    calculated_tau_[i] = FitColeColeSpectrum(frequencies_,
                                             rho[i],
                                             ip[i],
                                             state_.data.frequencies.data(),
                                             &spectra_.amplitude[v],
                                             &spectra_.phase[v],
                                             &c,
                                             &rms,
                                             run_.observer);
    calculated_c_[i] = c;
  }
}

void SipStage::Draw() {
  FitCalculatedSpectra();
  // The plot takes the spectra frequency by frequency.
  std::vector<float> observed_amplitude(values_), observed_phase(values_);
  std::vector<float> calculated_amplitude(values_), calculated_phase(values_);
  for (int i = 0; i < n_; ++i) {
    for (int k = 0; k < frequencies_; ++k) {
      const size_t from = static_cast<size_t>(i) * frequencies_ + k;
      const size_t to = static_cast<size_t>(k) * n_ + i;
      observed_amplitude[to] = spectra_.observed_amplitude[from];
      observed_phase[to] = spectra_.observed_phase[from];
      calculated_amplitude[to] = spectra_.amplitude[from];
      calculated_phase[to] = spectra_.phase[from];
    }
  }
  ColeColePanels panels;
  panels.observed_tau = observed_tau_.data();
  panels.observed_c = observed_c_.data();
  panels.calculated_tau = calculated_tau_.data();
  panels.calculated_c = calculated_c_.data();
  panels.observed_amplitude = observed_amplitude.data();
  panels.observed_phase = observed_phase.data();
  panels.calculated_amplitude = calculated_amplitude.data();
  panels.calculated_phase = calculated_phase.data();
  ShowRunPlot(run_, RunStage::kSip, &panels);
}

void SipStage::Run() {
  if (frequencies_ < 1) return;
  LoadObserved();
  // Each datum's own spectrum fitted with its resistivity and chargeability
  // held: the layers start from the geometric mean of the fitted time
  // constants and the mean of the exponents.
  double log_tau = 0.0, c_sum = 0.0;
  int fitted = 0;
  for (int i = 0; i < n_; ++i) {
    const size_t v = static_cast<size_t>(i) * frequencies_;
    float c = 0.0f, rms = 0.0f;
    const float tau = FitColeColeSpectrum(frequencies_,
                                          state_.data.apparentResistivity[i],
                                          run_.observed_ip[i],
                                          state_.data.frequencies.data(),
                                          &spectra_.observed_amplitude[v],
                                          &spectra_.observed_phase[v],
                                          &c,
                                          &rms,
                                          run_.observer);
    observed_tau_[i] = tau;
    observed_c_[i] = c;
    state_.outcome.fittedTimeConstant[i] = tau;
    state_.outcome.fittedExponent[i] = c;
    if (std::isfinite(tau) && tau > 0.0f && std::isfinite(c) && c > 0.0f) {
      log_tau += std::log(static_cast<double>(tau));
      c_sum += c;
      ++fitted;
    }
  }
  // A spectrum that admits no fit leaves the layers at a neutral start.
  const float start_tau = fitted > 0 ? static_cast<float>(std::exp(log_tau / fitted)) : 1.0f;
  const float start_c = fitted > 0 ? static_cast<float>(c_sum / fitted) : 0.5f;
  std::fill(model_.timeConstant.begin(), model_.timeConstant.begin() + layers_, start_tau);
  std::fill(model_.exponent.begin(), model_.exponent.begin() + layers_, start_c);

  InversionEngine& engine = *run_.engine;
  if (!engine.BeginSip(run_, spectra_)) return;
  const int limit = engine.SipIterationLimit(run_);
  for (int iteration = 0; iteration < limit && std::isfinite(spectra_.misfit) && !run_.Cancelled();
       ++iteration) {
    const bool go_on = engine.StepSip(run_, spectra_);
    Draw();
    if (!go_on) break;
  }
  std::copy(spectra_.amplitude.begin(),
            spectra_.amplitude.end(),
            state_.outcome.calculatedAmplitude.begin());
  std::copy(spectra_.phase.begin(), spectra_.phase.end(), state_.outcome.calculatedPhase.begin());
  state_.outcome.finalSipMisfit = spectra_.misfit;
}

}  // namespace

void RunSipStage(InversionRun& run) {
  SipStage stage(run);
  stage.Run();
}

}  // namespace layra
