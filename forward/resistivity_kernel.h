#ifndef LAYRA_FORWARD_RESISTIVITY_KERNEL_H_
#define LAYRA_FORWARD_RESISTIVITY_KERNEL_H_

// Apparent resistivity of a horizontally layered earth for a Wenner or a
// Schlumberger array by a digital linear filter: the Pekeris recurrence at
// logarithmically spaced abscissae, a sliding 14-point convolution on a
// geometric grid of spacings starting at the first spacing, and a cubic spline
// in log-log coordinates to the given spacings. Every value stored in an array
// or a local is rounded to single precision, as the published check values
// require. Spacings and resistivities must be positive, spacings ascending.

#include <string>
#include <vector>

namespace layra {

// Geometric grid from spacings[0] upward by `ratio`, each point the previous
// one times ratio rounded to float, ending with two points beyond the last
// spacing. Replaces `grid` and returns its size N.
int MakeSpacingGrid(const float* spacings,
                    int spacing_count,
                    float ratio,
                    std::vector<float>& grid);

// Resistivity transform T(lambda) of n layers (thickness[0..n-2],
// resistivity[0..n-1]) by the Pekeris recurrence from the half-space up.
float LayerTransform(int layer_count,
                     const float* thickness,
                     const float* resistivity,
                     float lambda);

// Apparent resistivities at the N grid spacings into out_grid[0..N-1].
void FilterSounding(float ratio,
                    float shift,
                    const float* grid,
                    int filter_length,
                    const float* coefficients,
                    int grid_count,
                    const float* thickness,
                    const float* resistivity,
                    int layer_count,
                    float* out_grid);

// Interpolating cubic spline (end conditions matching the third derivative of
// the cubic through the four end points). Arrays hold n entries.
void SplineFit(int n, const float* x, const float* y, float* b, float* c, float* d);
// The knot interval whose cubic serves `point`: the first at and below the
// second knot, otherwise by binary search the last knot not above the point
// (a point that is not a number goes to the last).
int SplineInterval(int n, const float* x, float point);
// The value of cubic i at `point`.
inline float SplineValue(int i,
                         float point,
                         const float* x,
                         const float* y,
                         const float* b,
                         const float* c,
                         const float* d) {
  const float dx = point - x[i];
  return static_cast<float>(
      y[i] + static_cast<double>(dx) *
                 (b[i] + static_cast<double>(dx) * (c[i] + static_cast<double>(dx) * d[i])));
}
// Evaluates the spline at u[0..eval_count-1] into out.
void SplineEval(int eval_count,
                float* out,
                int n,
                const float* u,
                const float* x,
                const float* y,
                const float* b,
                const float* c,
                const float* d);

// Apparent resistivity at each of the `spacing_count` spacings into out.
// With extreme resistivity contrasts the filter's own error can carry a grid
// value to zero or below; such values are replaced by the smallest layer
// resistivity (see ReplaceNonPositiveFilterValues). Returns how many were
// replaced: 0 means every value is the filter's own.
int ComputeApparentResistivity(float ratio,
                               float shift,
                               const float* spacings,
                               int filter_length,
                               const float* coefficients,
                               const float* thickness,
                               const float* resistivity,
                               int layer_count,
                               float* out,
                               int spacing_count);

// The guard of the filter: grid responses that are not positive would turn
// the log-log spline, and so every spacing, into NaN; each is replaced by the
// smallest layer resistivity, the physical lower bound of an apparent
// resistivity. Positive values are left exactly as computed. Returns the
// number of values replaced.
int ReplaceNonPositiveFilterValues(float* grid_response,
                                   int grid_count,
                                   const float* resistivity,
                                   int layer_count);

// The warning shown (listing, message, JSON) when the guard replaced
// `replaced` filter values of a response.
std::string FilterGuardWarning(int replaced);

}  // namespace layra

#endif  // LAYRA_FORWARD_RESISTIVITY_KERNEL_H_
