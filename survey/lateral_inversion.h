#ifndef LAYRA_SURVEY_LATERAL_INVERSION_H_
#define LAYRA_SURVEY_LATERAL_INVERSION_H_

// Laterally constrained inversion: the soundings of a profile fitted
// together with the accurate engine's forward, their log-resistivities tied
// to those of their neighbours: a tie's residual is its weight times the
// difference of the natural logarithms, beside the data residuals in units of
// their standard deviations. Neighbours are consecutive soundings of a
// profile in the order the survey lists them; the tie between two of them
// weighs weight * (mean distance between neighbours of the profile) /
// (their distance), so that close soundings are held together more firmly.
//
// Few-layer models (runs from the files' own starting models) tie the
// resistivities and the thicknesses of the same layer (tied resistivities
// alone would let a layer trade one for the other), and need the same layer
// count in every sounding of a profile. Smooth models are
// put on one grid of thin layers for the whole profile, made as the engine
// makes its own from the profile's whole spacing range, and tie the
// resistivities at the same depth; each sounding's roughness is penalised
// with the geometric mean of the trade-off weights its soundings chose alone.
//
// The joint fit starts from the independent inversions (the survey's
// results, with their documents kept) and minimises the sum of the soundings'
// chi^2, the roughness and the ties by Levenberg-Marquardt steps on the
// sparse normal equations of the whole profile. A weight of 0 ties nothing
// and leaves the independent inversions as they are.

#include <string>
#include <vector>

#include "survey/survey_file.h"
#include "survey/survey_run.h"

namespace layra {

struct LateralOutcome {
  std::string profile;
  int soundings = 0;    // soundings fitted together
  int iterations = 0;   // joint steps taken
  double chi2 = 0.0;    // chi^2 / N of the profile's data, after the joint fit
  std::string message;  // why the profile was not fitted together (empty when it was)
};

// Fits each profile of `soundings` together and replaces the model, misfit
// and calculated values of each of its results (kOk, with its document) by the
// joint fit's; the results file of each such sounding gets one more
// iteration block holding the jointly fitted model (or, where that cannot
// follow the file's blocks, is written anew with the joint fit's start and
// result). Only resistivities and thicknesses are fitted together; IP and
// Cole-Cole values stay as fitted alone. `user_model`: the
// results are few-layer models. A profile that cannot be fitted together
// (different layer counts in a few-layer run) keeps its independent results
// and says why in its outcome.
std::vector<LateralOutcome> InvertLaterally(const std::vector<SurveySounding>& soundings,
                                            std::vector<SoundingResult>& results,
                                            double weight,
                                            bool user_model);

}  // namespace layra

#endif  // LAYRA_SURVEY_LATERAL_INVERSION_H_
