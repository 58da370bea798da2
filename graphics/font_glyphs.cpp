#include "graphics/font_glyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

namespace layra {

namespace {

constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/dejavu/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/TTF/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf",
    "/usr/share/fonts/liberation-mono/LiberationMono-Bold.ttf",
};

}  // namespace

struct FontGlyphs::Library {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Library() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

FontGlyphs::FontGlyphs(std::unique_ptr<Library> library, std::string path, int ascent)
    : library_(std::move(library)), path_(std::move(path)), ascent_(ascent) {}

FontGlyphs::~FontGlyphs() = default;

std::unique_ptr<FontGlyphs> FontGlyphs::Open(int pixel_size, int ascent, std::string* error) {
  auto library = std::make_unique<Library>();
  if (FT_Init_FreeType(&library->library) != 0) {
    if (error != nullptr) *error = "cannot start the font renderer (FreeType)";
    return nullptr;
  }
  for (const char* path : kFontFiles) {
    if (FT_New_Face(library->library, path, 0, &library->face) != 0) {
      library->face = nullptr;
      continue;
    }
    if (FT_Set_Pixel_Sizes(library->face, 0, static_cast<FT_UInt>(pixel_size)) == 0) {
      return std::unique_ptr<FontGlyphs>(new FontGlyphs(std::move(library), path, ascent));
    }
    FT_Done_Face(library->face);
    library->face = nullptr;
  }
  if (error != nullptr) {
    *error = "no font for the text of the picture: install fonts-dejavu-core (looked for";
    for (const char* path : kFontFiles) *error += std::string(" ") + path;
    *error += ")";
  }
  return nullptr;
}

const GlyphSource::Glyph* FontGlyphs::Find(char32_t character) {
  const auto found = glyphs_.find(character);
  if (found != glyphs_.end()) return found->second.get();
  std::unique_ptr<Glyph> glyph;
  FT_Face face = library_->face;
  if (character > U' ' && FT_Load_Char(face, character, FT_LOAD_RENDER) == 0) {
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.width > 0 && bitmap.rows > 0) {
      glyph = std::make_unique<Glyph>();
      glyph->left = slot->bitmap_left;
      glyph->top = slot->bitmap_top;
      glyph->width = static_cast<int>(bitmap.width);
      glyph->rows = static_cast<int>(bitmap.rows);
      glyph->coverage.resize(static_cast<size_t>(glyph->width) * glyph->rows);
      for (int row = 0; row < glyph->rows; ++row) {
        const unsigned char* source =
            bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::uint8_t* target =
            glyph->coverage.data() + static_cast<std::ptrdiff_t>(row) * glyph->width;
        // Sixteen levels of coverage are as smooth to the eye as 256 and keep
        // a plot within the 256 colours of a palette picture.
        for (int column = 0; column < glyph->width; ++column) {
          target[column] = static_cast<std::uint8_t>((source[column] + kCoverageStep / 2) /
                                                     kCoverageStep * kCoverageStep);
        }
      }
    }
  }
  const Glyph* result = glyph.get();
  glyphs_.emplace(character, std::move(glyph));
  return result;
}

unsigned FontGlyphs::GlyphIndex(char32_t character) const {
  return FT_Get_Char_Index(library_->face, character);
}

FontGlyphs::Measures FontGlyphs::Describe() const {
  const FT_Face face = library_->face;
  Measures measures;
  const char* name = FT_Get_Postscript_Name(face);
  for (const char* c = name; c != nullptr && *c != '\0'; ++c) {
    const bool plain = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') ||
                       (*c >= '0' && *c <= '9') || *c == '-';
    if (plain) measures.postScriptName += *c;
  }
  if (measures.postScriptName.empty()) measures.postScriptName = "EmbeddedFont";
  measures.unitsPerEm = face->units_per_EM;
  measures.ascender = face->ascender;
  measures.descender = face->descender;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  measures.capHeight = os2 != nullptr && os2->sCapHeight != 0 ? os2->sCapHeight : face->ascender;
  measures.box[0] = static_cast<int>(face->bbox.xMin);
  measures.box[1] = static_cast<int>(face->bbox.yMin);
  measures.box[2] = static_cast<int>(face->bbox.xMax);
  measures.box[3] = static_cast<int>(face->bbox.yMax);
  if (FT_Load_Glyph(face, FT_Get_Char_Index(face, U'M'), FT_LOAD_NO_SCALE) == 0) {
    measures.advance = static_cast<int>(face->glyph->metrics.horiAdvance);
  } else {
    measures.advance = face->max_advance_width;
  }
  return measures;
}

}  // namespace layra
