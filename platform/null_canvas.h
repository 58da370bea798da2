#ifndef LAYRA_PLATFORM_NULL_CANVAS_H_
#define LAYRA_PLATFORM_NULL_CANVAS_H_

// A canvas that keeps nothing, for runs whose listing and plots nobody sees.
// By default it asks for no plots and no listing text, so the engines and
// readers skip that work; a caller that wants the drawing code exercised
// anyway (the fuzz targets) asks for every plot.

#include <string>

#include "platform/canvas.h"

namespace layra {

class NullCanvas : public Canvas {
 public:
  explicit NullCanvas(RunPlots plots = RunPlots::kNone) : plots_(plots) {}

  int Width() const override { return 1280; }
  int Height() const override { return 800; }
  TextMetrics Metrics() const override { return {}; }
  void Clear() override {}
  void DrawText(int, int, const std::string&) override {}
  Rgb SetTextColor(Rgb color) override { return color; }
  Pen SelectPen(const Pen& pen) override { return pen; }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void Rectangle(int, int, int, int) override {}
  Rgb GetPixel(int, int) const override { return kWhite; }
  void SetPixel(int, int, Rgb) override {}
  RunPlots WantsRunPlots() const override { return plots_; }
  bool ShowsText() const override { return plots_ != RunPlots::kNone; }

 private:
  RunPlots plots_;
};

}  // namespace layra

#endif  // LAYRA_PLATFORM_NULL_CANVAS_H_
