#include "graphics/pdf_document.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "graphics/pen_pattern.h"
#include "graphics/raster_canvas.h"
#include "state/text_format.h"

namespace layra {
namespace {

// The bytes of `text` as a PDF string literal in Latin-1: UTF-8 sequences
// decoded, a byte that is not UTF-8 read as Latin-1, control characters left
// out, characters beyond Latin-1 as '?'. Sets `count` to the characters kept.
std::string PdfString(const std::string& text, int* count) {
  std::string out = "(";
  *count = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned code = c;
    size_t length = 1;
    if (c >= 0xC0 && c < 0xF8) {
      const size_t need = c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4);
      bool valid = i + need <= text.size();
      unsigned value = c & (need == 2 ? 0x1Fu : (need == 3 ? 0x0Fu : 0x07u));
      for (size_t k = 1; valid && k < need; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        valid = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3Fu);
      }
      if (valid) {
        code = value;
        length = need;
      }
    }
    i += length;
    if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) continue;
    ++*count;
    if (code > 0xFF) {
      out += '?';
    } else if (code == '(' || code == ')' || code == '\\') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code >= 0x80) {
      out += StrFormat("\\%03o", code);
    } else {
      out += static_cast<char>(code);
    }
  }
  return out + ")";
}

std::string Colour(Rgb colour, const char* op) {
  return StrFormat(
      "%.3f %.3f %.3f %s\n", colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0, op);
}

// The characters of `text` a PDF string keeps (control characters left
// out), as PdfString reads them.
std::u32string KeptCharacters(const std::string& text) {
  std::u32string kept;
  for (const char32_t code : DecodeUtf8(text)) {
    if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) continue;
    kept += code;
  }
  return kept;
}

// `text` as glyph indices of `font`, a hex string of two bytes each; a
// character the font lacks is shown as its '?'. Adds each glyph and its
// character to `used`.
std::string GlyphString(const std::u32string& text,
                        const PdfFont& font,
                        std::map<unsigned, char32_t>& used) {
  std::string out = "<";
  for (const char32_t code : text) {
    unsigned glyph = font.glyphOf(code);
    char32_t shown = code;
    if (glyph == 0 || glyph > 0xFFFF) {
      glyph = font.glyphOf(U'?');
      shown = U'?';
    }
    used.emplace(glyph, shown);
    out += StrFormat("%04X", glyph);
  }
  return out + ">";
}

// The dash pattern of `style` as a PDF dash operator.
std::string Dashes(PenStyle style) {
  const PenPattern pattern = PatternOf(style);
  return pattern.solid() ? "[] 0 d\n" : StrFormat("[%d %d] 0 d\n", pattern.on, pattern.off());
}

// The name of the graphics state of an opacity (0..255), kept in `opacities`.
std::string Opacity(int opacity, std::set<int>& opacities) {
  opacities.insert(opacity);
  return StrFormat("/A%d gs\n", opacity);
}

// The objects that embed `font`: the composite font, then its descendant,
// descriptor, file and the map from glyphs back to characters as objects
// `first` to `first` + 3.
std::vector<std::string> FontObjects(const PdfFont& font,
                                     const std::map<unsigned, char32_t>& used,
                                     int first) {
  const auto em = [&font](int units) {
    return static_cast<int>(std::lround(units * 1000.0 / std::max(font.unitsPerEm, 1)));
  };
  const std::string name = "/" + font.postScriptName;
  std::vector<std::string> objects;
  objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding /Identity-H " +
                    StrFormat("/DescendantFonts [%d 0 R] ", first) +
                    StrFormat("/ToUnicode %d 0 R >>", first + 3));
  objects.push_back("<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
                    " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> " +
                    StrFormat("/FontDescriptor %d 0 R /DW %d /CIDToGIDMap /Identity >>",
                              first + 1,
                              em(font.advance)));
  objects.push_back("<< /Type /FontDescriptor /FontName " + name +
                    StrFormat(" /Flags 33 /FontBBox [%d %d %d %d] /ItalicAngle 0 /Ascent %d "
                              "/Descent %d /CapHeight %d /StemV 80 /FontFile2 %d 0 R >>",
                              em(font.box[0]),
                              em(font.box[1]),
                              em(font.box[2]),
                              em(font.box[3]),
                              em(font.ascender),
                              em(font.descender),
                              em(font.capHeight),
                              first + 2));
  uLongf packed_size = compressBound(static_cast<uLong>(font.file.size()));
  std::string packed(packed_size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]),
                &packed_size,
                reinterpret_cast<const Bytef*>(font.file.data()),
                static_cast<uLong>(font.file.size()),
                9) != Z_OK) {
    packed_size = 0;
  }
  packed.resize(packed_size);
  objects.push_back(StrFormat("<< /Length %zu /Length1 %zu /Filter /FlateDecode >>\nstream\n",
                              packed.size(),
                              font.file.size()) +
                    packed + "\nendstream");
  std::string map =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  auto next = used.begin();
  while (next != used.end()) {
    std::string block;
    int count = 0;
    for (; next != used.end() && count < 100; ++next, ++count) {
      const char32_t c = next->second;
      std::string utf16;
      if (c >= 0x10000) {
        const char32_t v = c - 0x10000;
        utf16 = StrFormat("%04X%04X",
                          static_cast<unsigned>(0xD800 + (v >> 10)),
                          static_cast<unsigned>(0xDC00 + (v & 0x3FF)));
      } else {
        utf16 = StrFormat("%04X", static_cast<unsigned>(c));
      }
      block += StrFormat("<%04X> <", next->first) + utf16 + ">\n";
    }
    map += StrFormat("%d beginbfchar\n", count) + block + "endbfchar\n";
  }
  map += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  objects.push_back(StrFormat("<< /Length %zu >>\nstream\n", map.size()) + map + "\nendstream");
  return objects;
}

}  // namespace

bool PdfNeedsFont(const DrawingRecord& drawing) {
  for (const DrawingItem& item : drawing.items()) {
    if (item.kind != DrawingItem::Kind::kText) continue;
    for (const char32_t code : DecodeUtf8(item.text)) {
      if (code > 0xFF) return true;
    }
  }
  return false;
}

std::string PdfDocument(const DrawingRecord& drawing, const PdfOptions& options) {
  const int width = drawing.Width();
  const int height = drawing.Height();
  const TextMetrics metrics = drawing.Metrics();
  const int font_pixel_size = options.fontPixelSize;
  const PdfFont* font = PdfNeedsFont(drawing) ? options.font : nullptr;
  // Page space has its origin at the bottom left; pixel rows count down.
  auto y_of = [height](double y) { return height - y; };
  std::string content;
  const bool paper = options.paperWidth > 0.0 && options.paperHeight > 0.0;
  double page_width = width;
  double page_height = height;
  if (paper) {
    page_width = options.paperWidth;
    page_height = options.paperHeight;
    const double margin = 10.0 * 72.0 / 25.4;
    const double scale = std::max(
        std::min((page_width - 2 * margin) / width, (page_height - 2 * margin) / height), 1e-3);
    content += StrFormat("q %.4f 0 0 %.4f %.2f %.2f cm\n",
                         scale,
                         scale,
                         (page_width - scale * width) / 2,
                         (page_height - scale * height) / 2);
  }
  content += "1 1 1 rg\n" + StrFormat("0 0 %d %d re f\n", width, height);
  content += "1 w 0 J\n";
  std::map<unsigned, char32_t> glyphs_used;
  std::set<int> opacities;
  for (const DrawingItem& p : drawing.items()) {
    switch (p.kind) {
      case DrawingItem::Kind::kText: {
        int count = 0;
        std::string literal;
        double advance = 0.6;  // Courier glyphs are 0.6 em wide
        if (font != nullptr) {
          const std::u32string kept = KeptCharacters(p.text);
          count = static_cast<int>(kept.size());
          literal = GlyphString(kept, *font, glyphs_used);
          advance = static_cast<double>(font->advance) / std::max(font->unitsPerEm, 1);
        } else {
          literal = PdfString(p.text, &count);
        }
        if (count == 0) break;
        const int cells = count * metrics.averageCharWidth;
        content += "1 1 1 rg\n" + StrFormat("%d %g %d %d re f\n",
                                            p.x1,
                                            y_of(p.y1 + metrics.charHeight),
                                            cells,
                                            metrics.charHeight);
        // The glyphs are scaled to fill the cells.
        const double scale = 100.0 * cells / (advance * font_pixel_size * count);
        content += Colour(p.color, "rg") +
                   StrFormat("BT /F1 %d Tf %.2f Tz %d %g Td ",
                             font_pixel_size,
                             scale,
                             p.x1,
                             y_of(p.y1 + options.fontAscent)) +
                   literal + " Tj ET\n";
        break;
      }
      case DrawingItem::Kind::kLine:
        content += Colour(p.pen.color, "RG");
        content += Dashes(p.pen.style);
        content += StrFormat(
            "%g %g m %g %g l S\n", p.x1 + 0.5, y_of(p.y1 + 0.5), p.x2 + 0.5, y_of(p.y2 + 0.5));
        break;
      case DrawingItem::Kind::kRectangle:
        if (p.x2 - p.x1 < 1 || p.y2 - p.y1 < 1) break;
        content += "1 1 1 rg\n" + Colour(p.pen.color, "RG") + "[] 0 d\n" +
                   StrFormat("%g %g %d %d re B\n",
                             p.x1 + 0.5,
                             y_of(p.y2 - 0.5),
                             p.x2 - p.x1 - 1,
                             p.y2 - p.y1 - 1);
        break;
      case DrawingItem::Kind::kPixel:
        content += Colour(p.color, "rg") + StrFormat("%d %d 1 1 re f\n", p.x1, height - p.y1 - 1);
        break;
      case DrawingItem::Kind::kPolyline: {
        if (p.points.empty()) break;
        content += "q " + Colour(p.stroke.color, "RG") + Dashes(p.stroke.style) +
                   StrFormat("%.2f w 1 j 0 J\n", p.stroke.width);
        if (p.stroke.opacity < 255) content += Opacity(p.stroke.opacity, opacities);
        for (std::size_t i = 0; i < p.points.size(); ++i) {
          content += StrFormat("%.2f %.2f %s\n",
                               std::clamp(p.points[i].x, -1e6, 1e6) + 0.5,
                               y_of(std::clamp(p.points[i].y, -1e6, 1e6) + 0.5),
                               i == 0 ? "m" : "l");
        }
        content += "S Q\n";
        break;
      }
      case DrawingItem::Kind::kPolygon: {
        if (p.points.size() < 3) break;
        content += "q " + Colour(p.color, "rg");
        if (p.opacity < 255) content += Opacity(p.opacity, opacities);
        for (std::size_t i = 0; i < p.points.size(); ++i) {
          content += StrFormat("%.2f %.2f %s\n",
                               std::clamp(p.points[i].x, -1e6, 1e6),
                               y_of(std::clamp(p.points[i].y, -1e6, 1e6)),
                               i == 0 ? "m" : "l");
        }
        content += "h f* Q\n";
        break;
      }
    }
  }
  if (paper) content += "Q\n";

  // Objects 1 to 6 always; the embedded font's and the opacities' after them.
  const int font_first = 7;
  const int states_first = font_first + (font != nullptr ? 4 : 0);
  std::string resources = "/Font << /F1 5 0 R >>";
  if (!opacities.empty()) {
    resources += " /ExtGState <<";
    int n = states_first;
    for (const int opacity : opacities) resources += StrFormat(" /A%d %d 0 R", opacity, n++);
    resources += " >>";
  }
  int title_count = 0;
  std::vector<std::string> font_objects;
  if (font != nullptr) font_objects = FontObjects(*font, glyphs_used, font_first);
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      StrFormat("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %g %g] /Contents 4 0 R "
                "/Resources << ",
                page_width,
                page_height) +
          resources + " >> >>",
      StrFormat("<< /Length %zu >>\nstream\n", content.size()) + content + "\nendstream",
      font != nullptr ? font_objects[0]
                      : "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding "
                        "/WinAnsiEncoding >>",
      "<< /Title " + PdfString(options.title, &title_count) + " /Producer (LAYRA) >>",
  };
  for (std::size_t i = 1; i < font_objects.size(); ++i) objects.push_back(font_objects[i]);
  for (const int opacity : opacities) {
    const double alpha = opacity / 255.0;
    objects.push_back(StrFormat("<< /Type /ExtGState /CA %.3f /ca %.3f >>", alpha, alpha));
  }
  std::string document = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(document.size());
    document += StrFormat("%zu 0 obj\n", i + 1) + objects[i] + "\nendobj\n";
  }
  const size_t xref = document.size();
  document += StrFormat("xref\n0 %zu\n0000000000 65535 f \n", objects.size() + 1);
  for (size_t offset : offsets) document += StrFormat("%010zu 00000 n \n", offset);
  document +=
      StrFormat("trailer\n<< /Size %zu /Root 1 0 R /Info 6 0 R >>\nstartxref\n%zu\n%%%%EOF\n",
                objects.size() + 1,
                xref);
  return document;
}

}  // namespace layra
