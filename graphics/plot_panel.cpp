#include "graphics/plot_panel.h"

#include "graphics/plot_primitives.h"

namespace layra {

int PlotPanel::X(float u) const { return x0 + RoundHalfAway((u - xmin) * xscale); }

int PlotPanel::Y(float v) const { return y0 - RoundHalfAway((v - ymin) * yscale); }

}  // namespace layra
