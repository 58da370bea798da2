#ifndef LAYRA_WINDOWS_LISTING_CANVAS_H_
#define LAYRA_WINDOWS_LISTING_CANVAS_H_

// The Canvas a window hands to the core for one command: pictures go to the
// window's plot view, text lines to its listing. A picture runs from a Clear
// to the Present that ends it (every plot clears the canvas first and
// presents itself when complete); text drawn outside a picture is a line of a
// listing or a progress line and is handed to `line` instead of being painted
// over the plot. Blank text (the blanking of a status line) is dropped.

#include <functional>
#include <string>
#include <utility>

#include "platform/canvas.h"

namespace layra {

class ListingCanvas : public Canvas {
 public:
  ListingCanvas(Canvas& plot, std::function<void(const std::string&)> line)
      : plot_(plot), line_(std::move(line)) {}

  int Width() const override { return plot_.Width(); }
  int Height() const override { return plot_.Height(); }
  TextMetrics Metrics() const override { return plot_.Metrics(); }
  void Clear() override {
    in_picture_ = true;
    plot_.Clear();
  }
  void DrawText(int x, int y, const std::string& text) override {
    if (in_picture_) {
      plot_.DrawText(x, y, text);
    } else if (text.find_first_not_of(' ') != std::string::npos) {
      line_(text);
    }
  }
  Rgb SetTextColor(Rgb color) override { return plot_.SetTextColor(color); }
  Pen SelectPen(const Pen& pen) override { return plot_.SelectPen(pen); }
  void MoveTo(int x, int y) override { plot_.MoveTo(x, y); }
  void LineTo(int x, int y) override { plot_.LineTo(x, y); }
  void Rectangle(int left, int top, int right, int bottom) override {
    plot_.Rectangle(left, top, right, bottom);
  }
  Rgb GetPixel(int x, int y) const override { return plot_.GetPixel(x, y); }
  void SetPixel(int x, int y, Rgb color) override { plot_.SetPixel(x, y, color); }
  void Present() override {
    plot_.Present();
    in_picture_ = false;
  }

 private:
  Canvas& plot_;
  std::function<void(const std::string&)> line_;
  bool in_picture_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_LISTING_CANVAS_H_
