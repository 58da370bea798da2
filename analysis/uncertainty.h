#ifndef LAYRA_ANALYSIS_UNCERTAINTY_H_
#define LAYRA_ANALYSIS_UNCERTAINTY_H_

// How well the data determine a model found by the accurate engine.
//
// Few-layer models (runs from a user model):
// - Linearised uncertainty at the model: with J the error-weighted
//   sensitivities d(ln rhoa_i / sigma_i) / d ln p_k of the free parameters,
//   the covariance of ln p is C = s^2 (J^T J)^-1 with s^2 = max(1, chi^2/N);
//   each value is known to x/ exp(sqrt(C_kk)) at one standard deviation, and
//   the correlation is C_kl / sqrt(C_kk C_ll).
// - Equivalence ranges by exploring the valley of the misfit (profile
//   likelihood): each free parameter is fixed at trial values stepping away
//   from the model (steps doubling in ln p) while the others are fitted
//   again by the engine's Levenberg-Marquardt, until chi^2 passes the
//   threshold; the edge is then bisected. A model is acceptable when
//       chi^2 <= chi^2_best + 3.84 s^2,   s^2 = max(1, chi^2_best / (N - p)),
//   p the free parameters: 3.84 is the 95 % point of chi^2 with one degree
//   of freedom, so each range holds the parameter at 95 % confidence, and
//   s^2 widens the ranges by the factor the errors appear understated
//   (overstated errors leave them as they are). The search stops at a
//   factor kSearchLimit either way, or at the parameter's bound; a range
//   ending there is open on that side (the data do not bound it).
// - Conductance S = h / rho and transverse resistance T = h rho of every
//   layer above the basement, with their least and largest values over the
//   acceptable models found, widened to at least their linearised range at
//   the same confidence, value x/ exp(sqrt(3.84 s^2 Var ln S)) (ln S and
//   ln T being ln h -/+ ln rho; the parameters' profiles need not meet S's
//   or T's own extremes); up to kMaxEquivalentModels of the acceptable
//   models are kept for drawing.
//
// Smooth models (automatic runs): the depth of investigation by the index of
// Oldenburg & Li (1999), Geophysics 64, 403-416. The run's model is carried
// below its last interface (kDoiExtension times deeper, at the same layer
// ratio) and found twice more, with the run's roughness weight mu, by
// minimising |r|^2 + mu (|F ln rho|^2 + a |ln rho - ln ref|^2) with
// a = kReferenceWeight (0.3), once toward a half-space of 10 times and once
// of a tenth of the geometric mean of the apparent resistivities. Per layer,
//     R = (ln rho_a - ln rho_b) / (ln ref_a - ln ref_b)
// is near 0 where the data fix the resistivity and near 1 where the
// reference does. The depth of investigation is the shallowest depth below
// which R stays at kDoiThreshold (0.1) or above, interpolated in log-depth
// between layer centres. (Within the model, the equivalence of thin layers
// can move the two fits apart locally; only below the reach of the data
// does the reference decide the model all the way down.)
// The two fits use the smooth (least-squares) roughness also after a robust
// run, with that run's weight.

#include <string>
#include <vector>

#include "state/engine_options.h"
#include "state/records.h"

namespace layra {

// Ranges are searched no further than this factor from the model's value.
constexpr double kSearchLimit = 1000.0;
constexpr int kMaxEquivalentModels = 50;
constexpr double kDoiThreshold = 0.1;
constexpr double kDoiReferenceFactor = 10.0;
constexpr double kReferenceWeight = 0.3;
constexpr double kDoiExtension = 10.0;
// The profile's chi^2 step at 95 % confidence for one parameter.
constexpr double kRangeChi2 = 3.84;

struct ParameterRange {
  std::string name;  // rho1.., h1.. as --fix names them
  double value = 0.0;
  double low = 0.0;
  double high = 0.0;
  double factor = 1.0;  // x/ factor at one standard deviation; 1 when fixed
  bool fixed = false;
  bool open_low = false;  // the search reached its limit below
  bool open_high = false;
};

struct LayerRange {
  int layer = 0;  // 1-based
  double value = 0.0;
  double low = 0.0;
  double high = 0.0;
};

struct EquivalentModel {
  std::vector<double> resistivity;
  std::vector<double> thickness;  // layers 1..L-1
};

struct FewLayerUncertainty {
  int data_count = 0;
  double best_chi2 = 0.0;  // chi^2 (not divided by N) of the analysed model
  double threshold_chi2 = 0.0;
  double variance_scale = 1.0;             // s^2
  int acceptable_found = 0;                // acceptable models met in the search
  std::vector<ParameterRange> parameters;  // rho1..rhoL, h1..h(L-1)
  std::vector<LayerRange> conductance;     // S = h / rho, siemens
  std::vector<LayerRange> transverse;      // T = h rho, ohm-m^2
  std::vector<std::vector<double>>
      correlation;  // over `parameters`; fixed rows are 0 but 1 on the diagonal
  std::vector<EquivalentModel> equivalent_models;
};

struct SmoothUncertainty {
  double doi = 0.0;          // metres; the deepest interface when R never reaches the threshold
  bool doi_reached = false;  // R reached the threshold within the model
  std::vector<double> doi_index;  // R per layer
};

// Analyses the few-layer model (rho1..rhoL, h1..h(L-1)) for the data with the
// accurate engine's weighting; fixed and bounded parameters of `options`
// apply as in the run. The model is first fitted again in double precision,
// so the analysis starts from the bottom of the valley. False with a message
// when the model has no response or a choice of `options` does not fit it.
bool AnalyseFewLayer(const SoundingData& data,
                     const EngineOptions& options,
                     const std::vector<double>& resistivity,
                     const std::vector<double>& thickness,
                     FewLayerUncertainty* result,
                     std::string* message);

// The depth of investigation of the smooth model (rho1..rhoL over fixed
// thicknesses) an automatic run found with roughness weight `weight` (the
// run's "regularisation"; 0 chooses one from the sensitivities).
bool AnalyseSmooth(const SoundingData& data,
                   const EngineOptions& options,
                   const std::vector<double>& resistivity,
                   const std::vector<double>& thickness,
                   double weight,
                   SmoothUncertainty* result,
                   std::string* message);

}  // namespace layra

#endif  // LAYRA_ANALYSIS_UNCERTAINTY_H_
