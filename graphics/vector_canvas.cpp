#include "graphics/vector_canvas.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "graphics/raster_canvas.h"

namespace layra {

VectorCanvas::VectorCanvas(int width, int height, TextMetrics metrics)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), metrics_(metrics) {}

void VectorCanvas::Clear() {
  primitives_.clear();
  line_starts_[0] = line_starts_[1] = LineStart{};
  read_pending_ = false;
}

void VectorCanvas::DrawText(int x, int y, const std::string& text) {
  read_pending_ = false;
  Primitive text_primitive;
  text_primitive.kind = Primitive::Kind::kText;
  text_primitive.x1 = x;
  text_primitive.y1 = y;
  text_primitive.color = text_color_;
  text_primitive.text = text;
  primitives_.push_back(std::move(text_primitive));
}

Rgb VectorCanvas::SetTextColor(Rgb color) {
  const Rgb previous = text_color_;
  text_color_ = color;
  return previous;
}

Pen VectorCanvas::SelectPen(const Pen& pen) {
  const Pen previous = pen_;
  pen_ = pen;
  return previous;
}

void VectorCanvas::MoveTo(int x, int y) {
  cursor_x_ = x;
  cursor_y_ = y;
}

void VectorCanvas::LineTo(int x, int y) {
  read_pending_ = false;
  if (x != cursor_x_ || y != cursor_y_) {
    Primitive line;
    line.kind = Primitive::Kind::kLine;
    line.x1 = cursor_x_;
    line.y1 = cursor_y_;
    line.x2 = x;
    line.y2 = y;
    line.pen = pen_;
    primitives_.push_back(line);
    line_starts_[1] = line_starts_[0];
    line_starts_[0] = {cursor_x_, cursor_y_, pen_.color, true};
  }
  cursor_x_ = x;
  cursor_y_ = y;
}

void VectorCanvas::Rectangle(int left, int top, int right, int bottom) {
  read_pending_ = false;
  Primitive rectangle;
  rectangle.kind = Primitive::Kind::kRectangle;
  rectangle.x1 = std::min(left, right);
  rectangle.y1 = std::min(top, bottom);
  rectangle.x2 = std::max(left, right);
  rectangle.y2 = std::max(top, bottom);
  rectangle.pen = pen_;
  primitives_.push_back(rectangle);
}

Rgb VectorCanvas::GetPixel(int x, int y) const {
  Rgb answer = kWhite;
  const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
  for (const LineStart& start : line_starts_) {
    if (inside && start.set && start.x == x && start.y == y) {
      answer = start.color;
      break;
    }
  }
  read_x_ = x;
  read_y_ = y;
  read_color_ = answer;
  read_pending_ = true;
  return answer;
}

void VectorCanvas::SetPixel(int x, int y, Rgb color) {
  const bool unchanged = read_pending_ && x == read_x_ && y == read_y_ && color == read_color_;
  read_pending_ = false;
  if (unchanged) return;
  Primitive pixel;
  pixel.kind = Primitive::Kind::kPixel;
  pixel.x1 = pixel.x2 = x;
  pixel.y1 = pixel.y2 = y;
  pixel.color = color;
  primitives_.push_back(pixel);
}

void VectorCanvas::Replay(Canvas& target) const {
  Replay(target, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void VectorCanvas::Replay(Canvas& target, int top, int bottom) const {
  target.Clear();
  const Pen pen = target.SelectPen(Pen{});
  const Rgb text_color = target.SetTextColor(kBlack);
  // The rows a primitive can paint: a line or a rectangle its own and one
  // more each side; a text its line, with a line's margin above and below
  // for glyphs that reach beyond it.
  const auto reaches = [&](const Primitive& p) {
    long first = std::min(p.y1, p.y2) - 1L;
    long last = std::max(p.y1, p.y2) + 1L;
    if (p.kind == Primitive::Kind::kText) {
      first = p.y1 - static_cast<long>(metrics_.charHeight);
      last = p.y1 + 2L * metrics_.charHeight;
    } else if (p.kind == Primitive::Kind::kPixel) {
      first = last = p.y1;
    }
    return last >= top && first < bottom;
  };
  for (const Primitive& p : primitives_) {
    if (!reaches(p)) continue;
    switch (p.kind) {
      case Primitive::Kind::kText:
        target.SetTextColor(p.color);
        target.DrawText(p.x1, p.y1, p.text);
        break;
      case Primitive::Kind::kLine:
        target.SelectPen(p.pen);
        target.MoveTo(p.x1, p.y1);
        target.LineTo(p.x2, p.y2);
        break;
      case Primitive::Kind::kRectangle:
        target.SelectPen(p.pen);
        target.Rectangle(p.x1, p.y1, p.x2, p.y2);
        break;
      case Primitive::Kind::kPixel:
        target.SetPixel(p.x1, p.y1, p.color);
        break;
    }
  }
  target.SelectPen(pen);
  target.SetTextColor(text_color);
}

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
    if (pen.style == PenStyle::kDash) *this << " stroke-dasharray=\"18 6\"";
    if (pen.style == PenStyle::kDot) *this << " stroke-dasharray=\"3 3\"";
    return *this;
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

std::string SvgDocument(const VectorCanvas& canvas, const SvgFont& font, const std::string& title) {
  const int width = canvas.Width();
  const int height = canvas.Height();
  const TextMetrics metrics = canvas.Metrics();
  std::string document;
  document.reserve(128 * canvas.primitives().size() + 1024);
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
  using Kind = VectorCanvas::Primitive::Kind;
  for (const VectorCanvas::Primitive& p : canvas.primitives()) {
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
    }
  }
  svg << "</g>\n</svg>\n";
  return document;
}

}  // namespace layra
