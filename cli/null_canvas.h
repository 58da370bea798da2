#ifndef LAYRA_CLI_NULL_CANVAS_H_
#define LAYRA_CLI_NULL_CANVAS_H_

// A Canvas that keeps nothing: listings and plots drawn on it are discarded.
// It has the text canvas's nominal size and character cell, so layouts are
// computed as for a window.

#include <string>

#include "platform/canvas.h"

namespace layra::cli {

class NullCanvas : public Canvas {
 public:
  int Width() const override { return 1280; }
  int Height() const override { return 800; }
  TextMetrics Metrics() const override { return {8, 16}; }
  void Clear() override {}
  void DrawText(int, int, const std::string&) override {}
  Rgb SetTextColor(Rgb color) override {
    Rgb previous = color_;
    color_ = color;
    return previous;
  }
  Pen SelectPen(const Pen& pen) override {
    Pen previous = pen_;
    pen_ = pen;
    return previous;
  }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void Rectangle(int, int, int, int) override {}
  Rgb GetPixel(int, int) const override { return kWhite; }
  void SetPixel(int, int, Rgb) override {}

 private:
  Rgb color_ = kBlack;
  Pen pen_;
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_NULL_CANVAS_H_
