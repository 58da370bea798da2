#ifndef LAYRA_SURVEY_COLOUR_MAP_H_
#define LAYRA_SURVEY_COLOUR_MAP_H_

// The perceptually uniform colour map "viridis" (S. van der Walt, N. Smith
// and E. Firing, 2015, released into the public domain under CC0; published
// as the 256-entry table of matplotlib), from dark blue-violet at 0 through
// teal to yellow at 1. Lightness grows steadily along the map, so a picture
// reads the same in grey and to readers with a colour-vision deficiency.

#include "platform/canvas.h"

namespace layra {

// The colour at t (0..1, values outside held to the ends), interpolated
// linearly between every 16th entry of the published table.
Rgb Viridis(double t);

}  // namespace layra

#endif  // LAYRA_SURVEY_COLOUR_MAP_H_
