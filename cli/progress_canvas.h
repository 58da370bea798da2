#ifndef LAYRA_CLI_PROGRESS_CANVAS_H_
#define LAYRA_CLI_PROGRESS_CANVAS_H_

// Passes everything to another Canvas and echoes the inversion's progress
// lines to a stream. The inversion writes its progress lines between plots:
// a plot starts by clearing the window and ends with Present, so text drawn
// outside a plot (before the first Clear, or after a Present) is a progress
// line, and text drawn inside one (axis labels, legends) is not. Blank text
// (the background of a status line) is not echoed.

#include <ostream>
#include <string>

#include "platform/canvas.h"

namespace layra::cli {

class ProgressCanvas : public Canvas {
 public:
  // `plots`: which plots of the run `inner` is to get.
  ProgressCanvas(Canvas& inner, std::ostream& out, RunPlots plots)
      : inner_(inner), out_(out), plots_(plots) {}

  int Width() const override { return inner_.Width(); }
  int Height() const override { return inner_.Height(); }
  TextMetrics Metrics() const override { return inner_.Metrics(); }
  void Clear() override {
    in_plot_ = true;
    inner_.Clear();
  }
  void DrawText(int x, int y, const std::string& text) override {
    if (!in_plot_ && text.find_first_not_of(' ') != std::string::npos) out_ << text << '\n';
    inner_.DrawText(x, y, text);
  }
  Rgb SetTextColor(Rgb color) override { return inner_.SetTextColor(color); }
  Pen SelectPen(const Pen& pen) override { return inner_.SelectPen(pen); }
  void MoveTo(int x, int y) override { inner_.MoveTo(x, y); }
  void LineTo(int x, int y) override { inner_.LineTo(x, y); }
  void Rectangle(int left, int top, int right, int bottom) override {
    inner_.Rectangle(left, top, right, bottom);
  }
  Rgb GetPixel(int x, int y) const override { return inner_.GetPixel(x, y); }
  void SetPixel(int x, int y, Rgb color) override { inner_.SetPixel(x, y, color); }
  void Present() override {
    in_plot_ = false;
    inner_.Present();
  }
  RunPlots WantsRunPlots() const override { return plots_; }

 private:
  Canvas& inner_;
  std::ostream& out_;
  RunPlots plots_;
  bool in_plot_ = false;
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_PROGRESS_CANVAS_H_
