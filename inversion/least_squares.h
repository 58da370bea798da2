#ifndef LAYRA_INVERSION_LEAST_SQUARES_H_
#define LAYRA_INVERSION_LEAST_SQUARES_H_

// One damped (Marquardt-type) least-squares step for the change of the
// logarithmic model parameters: misfit, normal equations with the standard or
// the robust data constraint, roughness (smoothness) or diagonal damping, and
// a Cholesky solver. Normal matrices are P by P, column-major, in double
// precision (element (k, l), 0-based, at k + l * P); vectors are floats.

#include <functional>

#include "platform/listing_sink.h"

namespace layra {

// Residuals r_i = ln(observed_i / calculated_i) into `residuals` and the largest
// |r_i| into *max_abs_residual (when not null). Returns the mean of |r_i| when
// `robust`, otherwise sqrt(mean of r_i^2); 100 times it is the misfit in percent.
float ComputeMisfit(int robust,
                    float* residuals,
                    const float* observed,
                    const float* calculated,
                    int data_count,
                    float* max_abs_residual);

// Difference filters of the roughness matrix.
constexpr int kFirstDifference = 1;   // row 1 empty; row i: -1 at i-1, +1 at i
constexpr int kSecondDifference = 2;  // row 1: -1, +1; inner rows 1, -2, 1; last row +1, -1

// Roughness matrix Cm (L by L) = F^T F + 0.1 I, or with `robust` F^T diag(R) F
// + 0.1 I with R_k = 1 / sqrt(s_k^2 + cutoff^2), s = F x, x the logarithms of
// `model_values` (the values themselves when `already_log`). The 0.1 keeps Cm
// positive definite although the first row of the first-difference filter is
// empty.
void BuildRoughness(int already_log,
                    const float* model_values,
                    int robust,
                    float cutoff,
                    double* roughness,
                    int layer_count,
                    int filter_kind);

// A = J^T W J and g = J^T W r with J (data_count by parameter_count,
// column-major) and W = I, or with `robust` W = diag(1 / sqrt(cutoff^2 + r_i^2)).
void BuildNormalEquations(const float* jacobian,
                          const float* residuals,
                          int data_count,
                          int parameter_count,
                          int robust,
                          float data_cutoff,
                          double* normal,
                          float* rhs);

// A(k, k) += lambda (the user-model inversion).
void AddDiagonalDamping(double* normal, int parameter_count, double lambda);
// A += lambda * Cm (the automatic inversion; Cm is parameter_count square).
void AddRoughnessDamping(double* normal,
                         const double* roughness,
                         int parameter_count,
                         double lambda);

// Factors A = U^T U in place; U is left in the upper triangle (the lower one
// is not used). Returns 0 on success. A pivot that is not positive (or not a
// number) stops the factorisation: "matrix not positive definite\n" goes to
// the listing's console and the function returns 1; A is then only partly
// factored and must not be used for a solve.
int CholeskyFactor(double* normal, int parameter_count, ListingSink& listing);

// Solves U^T U dp = g with the factor of CholeskyFactor; dp stored as floats.
void CholeskySolve(float* step, int parameter_count, const float* rhs, const double* factored);

// A failed factorisation doubles the damping and forms the matrix again this
// often before a stage gives up.
constexpr int kFactorRetries = 8;

// Calls form(lambda) to fill `normal` and `rhs` with the damped normal
// equations, factors and solves them into `step`. A matrix that cannot be
// factored doubles lambda (kept in the caller's variable) and is formed
// again, at most kFactorRetries times. False when no factorisation succeeded
// or the step holds a value that is not finite.
bool SolveWithDampingRetries(double& lambda,
                             int parameter_count,
                             const std::function<void(double)>& form,
                             double* normal,
                             const float* rhs,
                             float* step,
                             ListingSink& listing);

}  // namespace layra

#endif  // LAYRA_INVERSION_LEAST_SQUARES_H_
