#ifndef LAYRA_PLATFORM_CANVAS_H_
#define LAYRA_PLATFORM_CANVAS_H_

// A window's client area that keeps what is drawn on it until it is cleared.
// The plots draw through this and nothing else. Pixel
// coordinates grow right and down from the top-left corner of the client area.
// Line semantics follow the classic immediate-mode model: LineTo draws from the
// current position up to, but not including, the end point, and moves the
// current position there.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace layra {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb& a, const Rgb& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
  }
  friend bool operator!=(const Rgb& a, const Rgb& b) { return !(a == b); }
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};

enum class PenStyle { kSolid, kDash, kDot };

struct Pen {
  PenStyle style = PenStyle::kSolid;
  Rgb color = kBlack;
  friend bool operator==(const Pen& a, const Pen& b) {
    return a.style == b.style && a.color == b.color;
  }
};

// A point of a polyline or polygon, in pixels with fractions.
struct PointF {
  double x = 0.0;
  double y = 0.0;
};

// How a polyline is drawn: colour, dash pattern, width in pixels and opacity
// (0 transparent .. 255 opaque) over what is already there.
struct Stroke {
  Rgb color = kBlack;
  PenStyle style = PenStyle::kSolid;
  double width = 1.0;
  int opacity = 255;
};

// Calls span(y, left, right) for every pixel row y of the polygon `points`
// with the pixels left..right-1 whose centres (x + 0.5, y + 0.5) lie inside
// it (even-odd rule), rows top down, spans left to right.
template <typename SpanFunction>
void ForEachPolygonSpan(const std::vector<PointF>& points, SpanFunction span) {
  if (points.size() < 3) return;
  double top = points[0].y;
  double bottom = points[0].y;
  for (const PointF& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  // Rows far outside any picture are never drawn: the bound keeps the loop
  // short for a polygon of absurd size.
  const int first = static_cast<int>(std::max(std::ceil(top - 0.5), -1e5));
  const int last = static_cast<int>(std::min(std::ceil(bottom - 0.5), 1e5));
  std::vector<double> crossings;
  for (int y = first; y < last; ++y) {
    const double centre = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const PointF& a = points[i];
      const PointF& b = points[(i + 1) % points.size()];
      if ((a.y <= centre) != (b.y <= centre)) {
        crossings.push_back(a.x + (centre - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const double left = std::max(std::ceil(crossings[i] - 0.5), -1e5);
      const double right = std::min(std::ceil(crossings[i + 1] - 0.5), 1e5);
      if (left < right) span(y, static_cast<int>(left), static_cast<int>(right));
    }
  }
}

struct TextMetrics {
  int averageCharWidth = 8;  // W
  int charHeight = 16;       // H
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual TextMetrics Metrics() const = 0;

  // Fills the whole client area with white.
  virtual void Clear() = 0;

  // Text with its top-left corner at (x, y), in the current text colour, on an
  // opaque white background.
  virtual void DrawText(int x, int y, const std::string& text) = 0;
  // Sets the text colour and returns the previous one.
  virtual Rgb SetTextColor(Rgb color) = 0;

  // Selects a pen and returns the one that was selected before.
  virtual Pen SelectPen(const Pen& pen) = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual void LineTo(int x, int y) = 0;
  // Outline in the current pen over left..right-1, top..bottom-1, inside
  // filled with white.
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual Rgb GetPixel(int x, int y) const = 0;
  virtual void SetPixel(int x, int y, Rgb color) = 0;

  // A line through `points` (pixel positions, as MoveTo and LineTo take
  // them, fractions allowed), joined at each point, end point included, in
  // `stroke`. The selected pen is left as it was. This default draws it with
  // MoveTo and LineTo in a pen of the stroke's colour and style: one pixel
  // wide and opaque whatever the stroke asks.
  virtual void Polyline(const std::vector<PointF>& points, const Stroke& stroke) {
    if (points.empty()) return;
    const Pen previous = SelectPen(Pen{stroke.style, stroke.color});
    const auto x = [](double v) { return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6))); };
    MoveTo(x(points[0].x), x(points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i) LineTo(x(points[i].x), x(points[i].y));
    LineTo(x(points.back().x) + 1, x(points.back().y));
    SelectPen(previous);
  }

  // Fills the polygon `points` (pixel edges: the pixel (x, y) covers x..x+1,
  // y..y+1; the even-odd rule) with `color` at `opacity` (0..255) over what
  // is there. This default draws the rows with LineTo in the colour the
  // fill gives over white. The selected pen is left as it was.
  virtual void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) {
    const int a = std::clamp(opacity, 0, 255);
    const auto mix = [a](std::uint8_t over) {
      return static_cast<std::uint8_t>((255 * (255 - a) + over * a + 127) / 255);
    };
    const Pen previous =
        SelectPen(Pen{PenStyle::kSolid, {mix(color.red), mix(color.green), mix(color.blue)}});
    ForEachPolygonSpan(points, [this](int y, int left, int right) {
      MoveTo(left, y);
      LineTo(right, y);
    });
    SelectPen(previous);
  }

  // Makes what has been drawn so far visible (a window repaints; others ignore).
  virtual void Present() {}
};

}  // namespace layra

#endif  // LAYRA_PLATFORM_CANVAS_H_
