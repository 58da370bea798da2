#ifndef LAYRA_FORWARD_LEAST_SQUARES_STEP_H_
#define LAYRA_FORWARD_LEAST_SQUARES_STEP_H_

// The damped least-squares step of a small fit: solves
// (J^T J + lambda I) dx = -J^T r by a Cholesky factorisation of the normal
// matrix, kept as its upper triangle packed row by row, in double precision.

#include "platform/listing_sink.h"

namespace layra {

constexpr int kLeastSquaresSolved = 0;
constexpr int kLeastSquaresNotPositiveDefinite = 2;

// `jacobian` holds row_count x parameter_count floats column by column;
// `residuals` row_count doubles (measured minus calculated). On success writes
// the step (parameter_count floats) and returns kLeastSquaresSolved. When a
// pivot is not positive, beeps, lists "Least-squares matrix not positive
// definite!" on `listing`, leaves `step` untouched and returns
// kLeastSquaresNotPositiveDefinite.
int SolveDampedLeastSquares(const float* jacobian,
                            int row_count,
                            int parameter_count,
                            const double* residuals,
                            float* step,
                            double lambda,
                            ListingSink& listing);

}  // namespace layra

#endif  // LAYRA_FORWARD_LEAST_SQUARES_STEP_H_
