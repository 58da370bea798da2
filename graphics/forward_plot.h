#ifndef LAYRA_GRAPHICS_FORWARD_PLOT_H_
#define LAYRA_GRAPHICS_FORWARD_PLOT_H_

#include "platform/canvas.h"
#include "state/records.h"

namespace layra {

// Draws a computed forward model as the forward-modelling window's Display
// does: plot kind = model kind, iteration -1, the calculated values standing
// for both the observed and the calculated curve, chargeabilities shown in
// thousandths. The model itself is not changed. Frequency panels carry their
// frequency; `frequency_page` >= 0 shows only that page of them.
void PlotForwardModel(const ForwardModel& model, Canvas& canvas, int frequency_page = -1);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_FORWARD_PLOT_H_
