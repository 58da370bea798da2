#ifndef LAYRA_CLI_TEXT_CANVAS_H_
#define LAYRA_CLI_TEXT_CANVAS_H_

// The command line's listing Canvas: prints each text line, in the order
// drawn, to a stream (stdout by default). Drawing primitives are accepted and
// discarded; the client area has a nominal size and a fixed character cell.

#include <iostream>

#include "platform/canvas.h"

namespace layra::cli {

class TextCanvas : public Canvas {
 public:
  explicit TextCanvas(std::ostream& out = std::cout) : out_(&out) {}

  void set_stream(std::ostream& out) { out_ = &out; }

  int Width() const override { return 1280; }
  int Height() const override { return 800; }
  TextMetrics Metrics() const override { return {8, 16}; }
  void Clear() override {}
  void DrawText(int /*x*/, int /*y*/, const std::string& text) override { *out_ << text << '\n'; }
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
  void Present() override { out_->flush(); }

 private:
  std::ostream* out_;
  Rgb color_ = kBlack;
  Pen pen_;
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_TEXT_CANVAS_H_
