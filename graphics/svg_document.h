#ifndef LAYRA_GRAPHICS_SVG_DOCUMENT_H_
#define LAYRA_GRAPHICS_SVG_DOCUMENT_H_

// A drawing record as a standalone SVG document.

#include <string>

#include "graphics/drawing_record.h"

namespace layra {

// How an SVG document names and places the text font: family list, size in
// pixels, and the distance from the top of a text line to its baseline.
struct SvgFont {
  std::string family = "DejaVu Sans Mono, monospace";
  int pixelSize = 14;
  int ascent = 13;
  bool bold = true;
};

// The drawing as a standalone SVG document of Width() x Height() user units
// (one per pixel): a white background, then each item in order. Lines run
// between pixel centres with flat ends; each text is stretched over its
// fixed-pitch cells on an opaque white background. Polylines and polygons
// are drawn smooth (not snapped to pixels), with their width and opacity.
// Text is written as valid UTF-8 XML whatever its bytes (a byte that is not
// UTF-8 is read as Latin-1, control characters are left out).
std::string SvgDocument(const DrawingRecord& drawing,
                        const SvgFont& font,
                        const std::string& title);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_SVG_DOCUMENT_H_
