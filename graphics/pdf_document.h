#ifndef LAYRA_GRAPHICS_PDF_DOCUMENT_H_
#define LAYRA_GRAPHICS_PDF_DOCUMENT_H_

// A drawing record as a one-page vector PDF document: a white background,
// then each item in order, as the SVG document draws it. Without a paper
// size the page is the picture, Width() x Height() points (one per pixel);
// with one, the picture is scaled to fit the paper inside a margin of 10 mm
// and centred on it.
//
// Text is stretched over its fixed-pitch cells on an opaque white
// background. It is set in the standard Courier font (nothing embedded) in
// its Latin-1 encoding when every character is in it; a drawing with text
// beyond Latin-1 (an ohm sign, a Greek letter) needs a font to embed, and
// then every text is set in that font.

#include <functional>
#include <string>

#include "graphics/drawing_record.h"

namespace layra {

// A TrueType font embedded whole in the document (compressed), its glyphs
// addressed by their index in the font.
struct PdfFont {
  std::string postScriptName;  // letters, digits and '-' only
  std::string file;            // the TrueType file's bytes
  int unitsPerEm = 2048;
  int ascender = 0;  // font units; descender below the baseline is negative
  int descender = 0;
  int capHeight = 0;
  int box[4] = {0, 0, 0, 0};  // left, bottom, right, top
  int advance = 0;            // every glyph's width (a fixed-pitch font)
  // The glyph of a character; 0 when the font has none.
  std::function<unsigned(char32_t)> glyphOf;
};

struct PdfOptions {
  int fontPixelSize = 14;
  int fontAscent = 13;
  std::string title;
  // Paper size in points; 0 x 0: the page is the picture.
  double paperWidth = 0.0;
  double paperHeight = 0.0;
  // Needed when PdfNeedsFont(drawing): the text is then set in it.
  const PdfFont* font = nullptr;
};

// True when some text of `drawing` has a character beyond Latin-1.
bool PdfNeedsFont(const DrawingRecord& drawing);

// The document; characters beyond Latin-1 come out as '?' when the font
// `options` names is null.
std::string PdfDocument(const DrawingRecord& drawing, const PdfOptions& options);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PDF_DOCUMENT_H_
