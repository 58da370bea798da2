#ifndef LAYRA_CLI_PLOT_OUTPUT_H_
#define LAYRA_CLI_PLOT_OUTPUT_H_

// The pictures of layra-cli (--plot FILE.png|svg|bmp|pdf at --size WxH). A plot is
// drawn into a VectorCanvas of the picture's client size, then written once:
// SVG as vector text, PNG and BMP (24-bit) painted into pixels row by row.
// Text is laid out in the cells of a bold fixed-pitch font of 14 pixels. A
// picture file is written whole or not at all: on any failure the file named
// is left as it was and nothing else is left behind.

#include <functional>
#include <string>

#include "graphics/vector_canvas.h"
#include "platform/canvas.h"

namespace layra::cli {

enum class PictureFormat { kPng, kSvg, kBmp, kPdf };

struct PictureRequest {
  std::string path;
  PictureFormat format = PictureFormat::kPng;
  int width = 0;
  int height = 0;
};

// The cell of DejaVu Sans Mono Bold at 14 pixels, which the plots lay out by.
constexpr TextMetrics kPictureTextMetrics{8, 16};
constexpr int kPictureFontPixelSize = 14;
constexpr int kPictureTextAscent = 13;

// Checks a --plot file name and a --size text. False with a message in *error
// when the size is refused or the name does not end in .png, .svg, .bmp or .pdf
// (case ignored).
bool ParsePictureRequest(const std::string& path,
                         const std::string& size,
                         PictureRequest* request,
                         std::string* error);

// An empty drawing of the picture's client size and text metrics.
VectorCanvas MakePictureCanvas(const PictureRequest& request);

// Writes what `drawing` holds to the file of `request`. False with a message
// naming the file and the system's reason when it cannot be written.
bool SavePicture(const VectorCanvas& drawing, const PictureRequest& request, std::string* error);

// Checks `path` and `size`, draws with `draw` and saves. False with a message
// in *error when the request is refused or the file cannot be written.
bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error);

}  // namespace layra::cli

#endif  // LAYRA_CLI_PLOT_OUTPUT_H_
