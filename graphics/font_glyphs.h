#ifndef LAYRA_GRAPHICS_FONT_GLYPHS_H_
#define LAYRA_GRAPHICS_FONT_GLYPHS_H_

// The marks of the text in pixel pictures: a bold fixed-pitch TrueType font
// rendered by FreeType at a fixed pixel size, with sixteen grey levels for
// smooth edges. Each character is rendered once and kept. The same font is
// what a PDF embeds for text beyond Latin-1 (Describe).

#include <memory>
#include <string>
#include <unordered_map>

#include "graphics/raster_canvas.h"

namespace layra {

// The glyphs' coverage levels are multiples of this (0, 17, ... 255).
constexpr int kCoverageStep = 17;

class FontGlyphs : public GlyphSource {
 public:
  // Opens the first of the usual places of the font (DejaVu Sans Mono Bold,
  // then Liberation Mono Bold) that FreeType reads; null with a message in
  // *error naming where it looked when none is found.
  static std::unique_ptr<FontGlyphs> Open(int pixel_size, int ascent, std::string* error);
  ~FontGlyphs() override;

  int Ascent() const override { return ascent_; }
  const Glyph* Find(char32_t character) override;

  // The font file that was opened.
  const std::string& path() const { return path_; }
  // The index of the glyph of `character` in the font; 0 when it has none.
  unsigned GlyphIndex(char32_t character) const;
  // The font's own measures, in its units.
  struct Measures {
    std::string postScriptName;
    int unitsPerEm = 0;
    int ascender = 0;
    int descender = 0;
    int capHeight = 0;
    int box[4] = {0, 0, 0, 0};  // left, bottom, right, top
    int advance = 0;            // of the letter M: every glyph's in a fixed-pitch font
  };
  Measures Describe() const;

 private:
  struct Library;
  FontGlyphs(std::unique_ptr<Library> library, std::string path, int ascent);

  std::unique_ptr<Library> library_;
  std::string path_;
  int ascent_;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> glyphs_;  // null: no mark
};

}  // namespace layra

#endif  // LAYRA_GRAPHICS_FONT_GLYPHS_H_
