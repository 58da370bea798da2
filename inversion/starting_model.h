#ifndef LAYRA_INVERSION_STARTING_MODEL_H_
#define LAYRA_INVERSION_STARTING_MODEL_H_

#include "state/records.h"

namespace layra {

// The many-layer starting model of the automatic inversion. The first
// interface lies at 0.51 times the smallest spacing; each further layer is
// `thickness_factor` times thicker than the one above; the deepest interface is
// the last one above 0.51 times the largest spacing, and the layer below it is
// the half-space. When the first interface already reaches that depth the
// model has one layer. Every layer gets the geometric mean of the observed
// apparent resistivities. Fills layerCount, resistivity, thickness and depthTop
// of `model` (never more than kMaxLayers layers) and returns the layer count.
int BuildStartingModel(const float* spacings,
                       const float* observed,
                       int data_count,
                       float thickness_factor,
                       LayeredModel& model);

// exp(mean of ln values): the geometric mean.
float GeometricMean(const float* values, int count);

}  // namespace layra

#endif  // LAYRA_INVERSION_STARTING_MODEL_H_
