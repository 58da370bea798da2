#include "graphics/svg_document.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graphics/pen_pattern.h"
#include "graphics/raster_canvas.h"

namespace layra {
namespace {

class SvgWriter {
 public:
  explicit SvgWriter(std::string& out) : out_(out) {}

  SvgWriter& operator<<(const char* text) {
    out_ += text;
    return *this;
  }
  SvgWriter& operator<<(const std::string& text) {
    out_ += text;
    return *this;
  }
  SvgWriter& operator<<(int value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out_.append(digits, end);
    return *this;
  }
  // A pixel's centre: value + 0.5.
  SvgWriter& Centre(int value) {
    if (value < 0) {
      // -3 + 0.5 = -2.5
      if (value == -1) return *this << "-0.5";
      return *this << (value + 1) << ".5";
    }
    return *this << value << ".5";
  }
  SvgWriter& Color(Rgb color) {
    static const char kHex[] = "0123456789abcdef";
    const char text[] = {'#',
                         kHex[color.red >> 4],
                         kHex[color.red & 15],
                         kHex[color.green >> 4],
                         kHex[color.green & 15],
                         kHex[color.blue >> 4],
                         kHex[color.blue & 15]};
    out_.append(text, sizeof text);
    return *this;
  }
  SvgWriter& Stroke(const Pen& pen) {
    *this << " stroke=\"";
    Color(pen.color) << "\"";
    return Dashes(pen.style);
  }
  SvgWriter& Dashes(PenStyle style) {
    const PenPattern pattern = PatternOf(style);
    if (pattern.solid()) return *this;
    return *this << " stroke-dasharray=\"" << pattern.on << " " << pattern.off() << "\"";
  }
  // A coordinate to two decimals, without trailing zeros.
  SvgWriter& Number(double value) {
    if (!std::isfinite(value)) value = 0.0;
    value = std::clamp(value, -1e7, 1e7);
    const long hundredths = std::lround(value * 100.0);
    if (hundredths < 0) out_ += '-';
    const long whole = std::labs(hundredths);
    *this << static_cast<int>(whole / 100);
    const int fraction = static_cast<int>(whole % 100);
    if (fraction != 0) {
      out_ += '.';
      out_ += static_cast<char>('0' + fraction / 10);
      if (fraction % 10 != 0) out_ += static_cast<char>('0' + fraction % 10);
    }
    return *this;
  }
  // "x,y x,y ...", each point moved by `shift` (to pixel centres for lines).
  SvgWriter& Points(const std::vector<PointF>& points, double shift) {
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (i > 0) out_ += ' ';
      Number(points[i].x + shift);
      out_ += ',';
      Number(points[i].y + shift);
    }
    return *this;
  }
  SvgWriter& Opacity(const char* attribute, int opacity) {
    if (opacity >= 255) return *this;
    *this << " " << attribute << "=\"";
    return Number(std::max(opacity, 0) / 255.0) << "\"";
  }
  // `text` as XML character data in UTF-8; returns its count of characters.
  int Escaped(const std::string& text) {
    int count = 0;
    for (const char32_t c : DecodeUtf8(text)) {
      ++count;
      switch (c) {
        case '&':
          out_ += "&amp;";
          continue;
        case '<':
          out_ += "&lt;";
          continue;
        case '>':
          out_ += "&gt;";
          continue;
        default:
          break;
      }
      if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF ||
          c > 0x10FFFF) {
        out_ += ' ';  // not allowed in XML text: keeps its cell blank
      } else if (c < 0x80) {
        out_ += static_cast<char>(c);
      } else if (c < 0x800) {
        out_ += static_cast<char>(0xC0 | (c >> 6));
        out_ += static_cast<char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        out_ += static_cast<char>(0xE0 | (c >> 12));
        out_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out_ += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        out_ += static_cast<char>(0xF0 | (c >> 18));
        out_ += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out_ += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return count;
  }

 private:
  std::string& out_;
};

}  // namespace

std::string SvgDocument(const DrawingRecord& canvas,
                        const SvgFont& font,
                        const std::string& title) {
  const int width = canvas.Width();
  const int height = canvas.Height();
  const TextMetrics metrics = canvas.Metrics();
  std::string document;
  document.reserve(128 * canvas.items().size() + 1024);
  SvgWriter svg(document);
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << width
      << "\" height=\"" << height << "\" viewBox=\"0 0 " << width << " " << height
      << "\" shape-rendering=\"crispEdges\">\n<title>";
  svg.Escaped(title);
  svg << "</title>\n<rect width=\"" << width << "\" height=\"" << height
      << "\" fill=\"#ffffff\"/>\n<g fill=\"none\" stroke-width=\"1\" font-family=\"";
  svg.Escaped(font.family);
  svg << "\" font-size=\"" << font.pixelSize << "\"" << (font.bold ? " font-weight=\"bold\"" : "")
      << " xml:space=\"preserve\">\n";
  using Kind = DrawingItem::Kind;
  for (const DrawingItem& p : canvas.items()) {
    switch (p.kind) {
      case Kind::kText: {
        std::string escaped;
        SvgWriter text(escaped);
        const int count = text.Escaped(p.text);
        if (count == 0) break;
        const int cells = count * metrics.averageCharWidth;
        svg << "<rect x=\"" << p.x1 << "\" y=\"" << p.y1 << "\" width=\"" << cells << "\" height=\""
            << metrics.charHeight << "\" fill=\"#ffffff\"/>";
        if (escaped.find_first_not_of(' ') != std::string::npos) {
          svg << "<text x=\"" << p.x1 << "\" y=\"" << p.y1 + font.ascent << "\" textLength=\""
              << cells << "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"";
          svg.Color(p.color) << "\">" << escaped << "</text>";
        }
        svg << "\n";
        break;
      }
      case Kind::kLine:
        svg << "<line x1=\"";
        svg.Centre(p.x1) << "\" y1=\"";
        svg.Centre(p.y1) << "\" x2=\"";
        svg.Centre(p.x2) << "\" y2=\"";
        svg.Centre(p.y2) << "\"";
        svg.Stroke(p.pen) << "/>\n";
        break;
      case Kind::kRectangle:
        if (p.x2 - p.x1 < 1 || p.y2 - p.y1 < 1) break;
        svg << "<rect x=\"";
        svg.Centre(p.x1) << "\" y=\"";
        svg.Centre(p.y1) << "\" width=\"" << p.x2 - p.x1 - 1 << "\" height=\"" << p.y2 - p.y1 - 1
                         << "\" fill=\"#ffffff\"";
        svg.Stroke(p.pen) << "/>\n";
        break;
      case Kind::kPixel:
        svg << "<rect x=\"" << p.x1 << "\" y=\"" << p.y1 << "\" width=\"1\" height=\"1\" fill=\"";
        svg.Color(p.color) << "\"/>\n";
        break;
      case Kind::kPolyline:
        svg << "<polyline points=\"";
        svg.Points(p.points, 0.5) << "\" stroke=\"";
        svg.Color(p.stroke.color) << "\" stroke-width=\"";
        svg.Number(p.stroke.width) << "\"";
        svg.Dashes(p.stroke.style).Opacity("stroke-opacity", p.stroke.opacity)
            << " stroke-linejoin=\"round\" shape-rendering=\"geometricPrecision\"/>\n";
        break;
      case Kind::kPolygon:
        svg << "<polygon points=\"";
        svg.Points(p.points, 0.0) << "\" fill=\"";
        svg.Color(p.color) << "\"";
        svg.Opacity("fill-opacity", p.opacity)
            << " stroke=\"none\" fill-rule=\"evenodd\" shape-rendering=\"geometricPrecision\"/>\n";
        break;
    }
  }
  svg << "</g>\n</svg>\n";
  return document;
}

}  // namespace layra
