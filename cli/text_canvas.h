#ifndef LAYRA_CLI_TEXT_CANVAS_H_
#define LAYRA_CLI_TEXT_CANVAS_H_

// The command line's listing Canvas: prints each text line, in the order
// drawn, to a stream (stdout by default), or discards everything when given
// no stream. A listing that moves down by more than one line height leaves the
// empty lines in between, as it does in a window; text of blanks only (the
// background of a status line) is not printed. Drawing primitives are
// discarded; the client area has a nominal size and a fixed character cell.

#include <iostream>
#include <string>

#include "platform/canvas.h"

namespace layra::cli {

class TextCanvas : public Canvas {
 public:
  explicit TextCanvas(std::ostream* out) : out_(out) {}
  explicit TextCanvas(std::ostream& out = std::cout) : out_(&out) {}

  int Width() const override { return 1280; }
  int Height() const override { return 800; }
  TextMetrics Metrics() const override { return {8, 16}; }
  void Clear() override { last_y_ = kNoLine; }
  void DrawText(int /*x*/, int y, const std::string& text) override {
    if (out_ == nullptr || text.find_first_not_of(' ') == std::string::npos) return;
    const int line_height = Metrics().charHeight;
    if (last_y_ != kNoLine) {
      for (int skipped = last_y_ + 2 * line_height; skipped <= y; skipped += line_height) {
        *out_ << '\n';
      }
    }
    last_y_ = y;
    *out_ << text << '\n';
  }
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
  void Present() override {
    if (out_ != nullptr) out_->flush();
  }
  RunPlots WantsRunPlots() const override { return RunPlots::kNone; }
  bool ShowsText() const override { return out_ != nullptr; }

 private:
  static constexpr int kNoLine = -1000000;

  std::ostream* out_;
  Rgb color_ = kBlack;
  Pen pen_;
  int last_y_ = kNoLine;
};

// A Canvas that keeps nothing: listings and plots drawn on it are discarded.
class NullCanvas : public TextCanvas {
 public:
  NullCanvas() : TextCanvas(nullptr) {}
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_TEXT_CANVAS_H_
