#include "graphics/pdf_document.h"

#include <vector>

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

}  // namespace

std::string PdfDocument(const VectorCanvas& canvas,
                        int font_pixel_size,
                        int font_ascent,
                        const std::string& title) {
  const int width = canvas.Width();
  const int height = canvas.Height();
  const TextMetrics metrics = canvas.Metrics();
  // Page space has its origin at the bottom left; pixel rows count down.
  auto y_of = [height](double y) { return height - y; };
  std::string content = "1 1 1 rg\n" + StrFormat("0 0 %d %d re f\n", width, height);
  content += "1 w 0 J\n";
  using Kind = VectorCanvas::Primitive::Kind;
  for (const VectorCanvas::Primitive& p : canvas.primitives()) {
    switch (p.kind) {
      case Kind::kText: {
        int count = 0;
        const std::string literal = PdfString(p.text, &count);
        if (count == 0) break;
        const int cells = count * metrics.averageCharWidth;
        content += "1 1 1 rg\n" + StrFormat("%d %g %d %d re f\n",
                                            p.x1,
                                            y_of(p.y1 + metrics.charHeight),
                                            cells,
                                            metrics.charHeight);
        // Courier glyphs are 0.6 em wide; scale them to fill the cells.
        const double scale = 100.0 * cells / (0.6 * font_pixel_size * count);
        content += Colour(p.color, "rg") +
                   StrFormat("BT /F1 %d Tf %.2f Tz %d %g Td ",
                             font_pixel_size,
                             scale,
                             p.x1,
                             y_of(p.y1 + font_ascent)) +
                   literal + " Tj ET\n";
        break;
      }
      case Kind::kLine:
        content += Colour(p.pen.color, "RG");
        content += p.pen.style == PenStyle::kDash  ? "[4 2] 0 d\n"
                   : p.pen.style == PenStyle::kDot ? "[1 1] 0 d\n"
                                                   : "[] 0 d\n";
        content += StrFormat(
            "%g %g m %g %g l S\n", p.x1 + 0.5, y_of(p.y1 + 0.5), p.x2 + 0.5, y_of(p.y2 + 0.5));
        break;
      case Kind::kRectangle:
        if (p.x2 - p.x1 < 1 || p.y2 - p.y1 < 1) break;
        content += "1 1 1 rg\n" + Colour(p.pen.color, "RG") + "[] 0 d\n" +
                   StrFormat("%g %g %d %d re B\n",
                             p.x1 + 0.5,
                             y_of(p.y2 - 0.5),
                             p.x2 - p.x1 - 1,
                             p.y2 - p.y1 - 1);
        break;
      case Kind::kPixel:
        content += Colour(p.color, "rg") + StrFormat("%d %d 1 1 re f\n", p.x1, height - p.y1 - 1);
        break;
    }
  }

  int title_count = 0;
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      StrFormat("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents 4 0 R "
                "/Resources << /Font << /F1 5 0 R >> >> >>",
                width,
                height),
      StrFormat("<< /Length %zu >>\nstream\n", content.size()) + content + "\nendstream",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>",
      "<< /Title " + PdfString(title, &title_count) + " /Producer (LAYRA) >>",
  };
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
