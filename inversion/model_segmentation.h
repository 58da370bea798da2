#ifndef LAYRA_INVERSION_MODEL_SEGMENTATION_H_
#define LAYRA_INVERSION_MODEL_SEGMENTATION_H_

// A few-layer summary of a many-layer model (the automatic inversion's), as a
// starting model for the user to edit.

#include "state/records.h"

namespace layra {

// Merges neighbouring layers of `model`, always the pair whose log10
// resistivities differ least, until `layers` remain (a model with no more
// layers is returned as it is). A merged layer's thickness is the sum of its
// parts and its resistivity their thickness-weighted geometric mean; the
// half-space weighs as much as the layer above it and stays the half-space.
// Values are rounded to three significant digits; depths are filled in.
LayeredModel SegmentModel(const LayeredModel& model, int layers);

}  // namespace layra

#endif  // LAYRA_INVERSION_MODEL_SEGMENTATION_H_
