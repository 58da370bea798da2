#ifndef LAYRA_CLI_IMAGE_CANVAS_H_
#define LAYRA_CLI_IMAGE_CANVAS_H_

// The command line's picture Canvas: an image in memory, drawn off-screen and
// saved as PNG, SVG or BMP. Lines and rectangles are rasterised here with the
// window semantics the plot is written for (a line leaves out its end point;
// dashed pens 18 on / 6 off, dotted 3 on / 3 off, restarting with each line);
// text comes from a bold fixed-pitch font whose metrics the plot lays out by.
// Everything drawn since the last Clear is also recorded, so it can be
// replayed into a vector (SVG) painter.

#ifdef LAYRA_HAVE_QTGUI

#include <QFont>
#include <QImage>
#include <string>
#include <vector>

#include "cli/plot_size.h"
#include "graphics/bmp_file.h"
#include "platform/canvas.h"

class QPainter;

namespace layra::cli {

class ImageCanvas : public Canvas {
 public:
  // Needs a QGuiApplication (EnsureGuiApplication) for its font.
  explicit ImageCanvas(int width = kDefaultPlotWidth, int height = kDefaultPlotHeight);

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  TextMetrics Metrics() const override { return metrics_; }
  void Clear() override;
  void DrawText(int x, int y, const std::string& text) override;
  Rgb SetTextColor(Rgb color) override;
  Pen SelectPen(const Pen& pen) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  Rgb GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, Rgb color) override;

  const QImage& image() const { return image_; }
  PixelImage ToPixelImage() const;
  // Draws everything since the last Clear into `painter`, white background first.
  void Replay(QPainter& painter) const;

 private:
  struct Operation {
    enum class Kind { kText, kLine, kRectangle, kPixel };
    Kind kind;
    int x1, y1, x2, y2;
    std::string text;
    Pen pen;
    Rgb color;
  };

  void Plot(int x, int y, Rgb color);
  void PaintText(QPainter& painter, int x, int y, const std::string& text, Rgb color) const;

  QImage image_;
  QFont font_;
  TextMetrics metrics_;
  Pen pen_;
  Rgb text_color_ = kBlack;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  std::vector<Operation> operations_;
};

// Saves the picture by the extension of `path` (case ignored): ".png" and
// ".bmp" (24-bit, our own writer) from the pixels, ".svg" by replaying the
// drawing as vectors. False with a message in *error when the type is not
// known or the file cannot be written.
bool SavePlotImage(const ImageCanvas& canvas, const std::string& path, std::string* error);

// Makes sure a QGuiApplication exists for fonts and images. Without a display
// setting (QT_QPA_PLATFORM unset) the off-screen platform is chosen, so the
// command line draws on machines with no display. Safe to call repeatedly.
void EnsureGuiApplication(int argc, char** argv);

}  // namespace layra::cli

#endif  // LAYRA_HAVE_QTGUI

#endif  // LAYRA_CLI_IMAGE_CANVAS_H_
