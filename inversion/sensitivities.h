#ifndef LAYRA_INVERSION_SENSITIVITIES_H_
#define LAYRA_INVERSION_SENSITIVITIES_H_

// Calculated apparent resistivities of a layered model together with their
// partial derivatives with respect to the layer resistivities (and, for an
// inversion from a user model, the layer thicknesses), in one pass of a
// derivative-carrying filter loop: the Pekeris recurrence is differentiated
// analytically, the derivatives are convolved with the same filter
// coefficients as the transform and interpolated to the observed spacings.
//
// Matrices are column-major: element (row i, column p), both 0-based, of a
// matrix with r rows is at i + p * r. Columns 0..L-1 belong to the layer
// resistivities, columns L..2L-2 to the thicknesses of layers 1..L-1.
//
// Thickness derivatives carry a factor 2: the recurrence works with
// t = tanh(u / 2), u = lambda * h, and the 1/2 of dt/du is not applied. The
// inversion from a user model has always been driven by these columns; the
// factor only rescales the thickness part of each damped step (the point where
// the step vanishes, J^T r = 0, is the same), so it is kept as it is.

#include "forward/filter_set.h"

namespace layra {

// Resistivity transform T(lambda) of `layer_count` layers (thickness[0..L-2],
// resistivity[0..L-1]) with dT/drho into out_drho[0..L-1] and 2 * dT/dh into
// out_dh[0..L-1] (out_dh[L-1] is always 0). Layers whose u = lambda * h exceeds
// 20 hide everything below them: the derivatives of deeper layers are 0.
float LayerTransformWithDerivatives(int layer_count,
                                    const float* thickness,
                                    const float* resistivity,
                                    float lambda,
                                    float* out_drho,
                                    float* out_dh);

// Apparent resistivity at each of the `spacing_count` spacings (a geometric
// grid with factor `ratio`, starting at spacings[0]) into out; with
// want_derivatives, the derivatives into out_jacobian (spacing_count rows;
// L resistivity columns, then L-1 thickness columns when
// want_thickness_derivatives). Coefficient 0 pairs with the largest abscissa
// of each window.
void FilterSoundingWithDerivatives(float ratio,
                                   float shift,
                                   const float* spacings,
                                   int filter_length,
                                   const float* coefficients,
                                   int spacing_count,
                                   const float* thickness,
                                   const float* resistivity,
                                   int layer_count,
                                   float* out,
                                   int want_derivatives,
                                   int want_thickness_derivatives,
                                   float* out_jacobian);

// Number of Jacobian columns: L for an automatic run, 2L-1 for a user model.
inline int ParameterCount(int user_model, int layer_count) {
  return user_model ? 2 * layer_count - 1 : layer_count;
}

// Calculated apparent resistivity at the `data_count` observed spacings into
// out_calculated and the absolute derivatives into out_jacobian (data_count
// rows, ParameterCount columns). The filter runs on a geometric grid from the
// smallest to beyond the largest spacing (the first and last spacing of an
// ascending list); response and derivative columns are interpolated by cubic
// splines over ln spacing (the response in log-log, the derivatives as they
// are). Non-positive grid responses are replaced as the forward kernel does
// (ReplaceNonPositiveFilterValues); returns how many were.
int ComputeResponseAndSensitivities(int user_model,
                                    const FilterSet& filter,
                                    const float* spacings,
                                    const float* thickness,
                                    const float* resistivity,
                                    int layer_count,
                                    float* out_calculated,
                                    int data_count,
                                    float* out_jacobian);

// Turns absolute derivatives into d ln rhoA / d ln p: column p is multiplied
// by resistivity[p] / calculated[i] (thickness columns by thickness[p]).
// `jacobian` and `out_jacobian` may be the same matrix.
void ToLogSensitivities(const float* resistivity,
                        const float* thickness,
                        const float* calculated,
                        const float* jacobian,
                        int data_count,
                        int layer_count,
                        int user_model,
                        float* out_jacobian);

}  // namespace layra

#endif  // LAYRA_INVERSION_SENSITIVITIES_H_
