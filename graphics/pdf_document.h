#ifndef LAYRA_GRAPHICS_PDF_DOCUMENT_H_
#define LAYRA_GRAPHICS_PDF_DOCUMENT_H_

// A recorded VectorCanvas drawing as a one-page vector PDF document of
// Width() x Height() points (one per pixel): a white background, then each
// primitive in order, as the SVG document draws it. Text is set in the
// standard Courier font (no font is embedded), stretched over its
// fixed-pitch cells on an opaque white background; UTF-8 text is written in
// the font's Latin-1 encoding, a character outside it as '?'.

#include <string>

#include "graphics/vector_canvas.h"

namespace layra {

std::string PdfDocument(const VectorCanvas& canvas,
                        int font_pixel_size,
                        int font_ascent,
                        const std::string& title);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PDF_DOCUMENT_H_
