#ifndef LAYRA_INVERSION_ACCURATE_RESPONSE_H_
#define LAYRA_INVERSION_ACCURATE_RESPONSE_H_

// The forward response the accurate engine fits: the accurate forward at the
// observed spacings, with its exact sensitivities in logarithmic form.

#include <complex>
#include <vector>

#include "state/records.h"

namespace layra {

// Apparent resistivities (ohm-m) of the layered earth (resistivity[0..L-1],
// thickness[0..L-2]) at spacings[0..n-1] of `array_type`, into rhoa. With
// log_jacobian, d ln rhoa_i / d ln p_j into it: n rows, column-major, the L
// resistivities then the L-1 thicknesses. False when a value is not a finite
// positive number.
bool AccurateApparentResistivity(ArrayType array_type,
                                 const std::vector<double>& spacings,
                                 const std::vector<double>& resistivity,
                                 const std::vector<double>& thickness,
                                 std::vector<double>& rhoa,
                                 std::vector<double>* log_jacobian);

// The same for complex layer resistivities (one frequency): complex apparent
// resistivities, and with log_jacobian d ln rhoa_i / d ln rho_j (n rows, L
// columns; the response is analytic in each rho_j). False when a value is
// not finite or zero.
bool AccurateComplexApparentResistivity(ArrayType array_type,
                                        const std::vector<double>& spacings,
                                        const std::vector<std::complex<double>>& resistivity,
                                        const std::vector<double>& thickness,
                                        std::vector<std::complex<double>>& rhoa,
                                        std::vector<std::complex<double>>* log_jacobian);

}  // namespace layra

#endif  // LAYRA_INVERSION_ACCURATE_RESPONSE_H_
