#ifndef LAYRA_PLATFORM_CANVAS_H_
#define LAYRA_PLATFORM_CANVAS_H_

// A window's client area that keeps what is drawn on it until it is cleared.
// The plots draw through this and nothing else. Pixel
// coordinates grow right and down from the top-left corner of the client area.
// Line semantics follow the classic immediate-mode model: LineTo draws from the
// current position up to, but not including, the end point, and moves the
// current position there.

#include <cstdint>
#include <string>

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

  // Makes what has been drawn so far visible (a window repaints; others ignore).
  virtual void Present() {}
};

}  // namespace layra

#endif  // LAYRA_PLATFORM_CANVAS_H_
