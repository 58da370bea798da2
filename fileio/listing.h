#ifndef LAYRA_FILEIO_LISTING_H_
#define LAYRA_FILEIO_LISTING_H_

// The on-screen listing the file readers draw while they read: one text line
// after another at a fixed left margin, one text-line height apart.

#include <string>

#include "platform/canvas.h"

namespace layra {

class Listing {
 public:
  Listing(Canvas& canvas, int line_height, int x = 8, int y = 10)
      : canvas_(canvas), line_height_(line_height), x_(x), y_(y) {}

  // Draws `text` at the current position and moves one line down.
  void Line(const std::string& text) {
    canvas_.DrawText(x_, y_, text);
    y_ += line_height_;
  }
  // Whether the lines are shown at all: callers may leave out the work of
  // formatting lines that nobody sees (Line still moves down).
  bool shown() const { return canvas_.ShowsText(); }
  // Leaves one empty line.
  void Skip() { y_ += line_height_; }

  int y() const { return y_; }
  Canvas& canvas() { return canvas_; }

 private:
  Canvas& canvas_;
  int line_height_;
  int x_;
  int y_;
};

}  // namespace layra

#endif  // LAYRA_FILEIO_LISTING_H_
