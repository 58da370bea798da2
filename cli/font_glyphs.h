#ifndef LAYRA_CLI_FONT_GLYPHS_H_
#define LAYRA_CLI_FONT_GLYPHS_H_

// The marks of the text in layra-cli's pixel pictures: a bold fixed-pitch
// TrueType font rendered by FreeType at a fixed pixel size, with sixteen grey
// levels for smooth edges. Each character is rendered once and kept.

#include <memory>
#include <string>
#include <unordered_map>

#include "graphics/raster_canvas.h"

namespace layra::cli {

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

 private:
  struct Library;
  FontGlyphs(std::unique_ptr<Library> library, int ascent);

  std::unique_ptr<Library> library_;
  int ascent_;
  std::unordered_map<char32_t, std::unique_ptr<Glyph>> glyphs_;  // null: no mark
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_FONT_GLYPHS_H_
