#include "graphics/plot_primitives.h"

#include <cmath>

#include "state/text_format.h"

namespace layra {

namespace {

double ClampCoordinate(double value) {
  if (std::isnan(value)) return 0.0;
  if (value > kCoordinateLimit) return kCoordinateLimit;
  if (value < -kCoordinateLimit) return -kCoordinateLimit;
  return value;
}

}  // namespace

int RoundHalfAway(double value) {
  double clamped = ClampCoordinate(value);
  double magnitude = std::fabs(clamped);
  double whole = std::floor(magnitude);
  int result = static_cast<int>(whole);
  if (magnitude - whole >= 0.5) ++result;
  return clamped < 0.0 ? -result : result;
}

int TruncateCoordinate(double value) { return static_cast<int>(ClampCoordinate(value)); }

void DrawSegment(Canvas& canvas, int x1, int y1, int x2, int y2) {
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
  canvas.MoveTo(x2, y2);
  canvas.LineTo(x1, y1);
  canvas.SetPixel(x2, y2, canvas.GetPixel(x1, y1));
}

void DrawPlusMarker(Canvas& canvas, int x, int y) {
  DrawSegment(canvas, x, y - 3, x, y + 3);
  DrawSegment(canvas, x - 3, y, x + 3, y);
}

void DrawHollowMarker(Canvas& canvas, int x, int y) {
  canvas.MoveTo(x - 3, y - 3);
  canvas.LineTo(x + 3, y - 3);
  canvas.LineTo(x + 3, y + 3);
  canvas.LineTo(x - 3, y + 3);
  canvas.LineTo(x - 3, y - 3);
}

std::string FormatTickLabel(double value, int decimals) {
  switch (decimals) {
    case 1:
      return StrFormat("%3.1f", value);
    case 2:
      return StrFormat("%4.2f", value);
    case 3:
      return StrFormat("%5.3f", value);
    case 4:
      return StrFormat("%6.4f", value);
    case 5:
      return StrFormat("%7.5f", value);
    default:
      break;
  }
  if (decimals >= 6) return StrFormat("%8.6f", value);
  return StrFormat("%1d", RoundHalfAway(value));
}

std::pair<float, float> FindMinMax(int n, const float* values) {
  if (n < 1 || values == nullptr) return {0.0f, 0.0f};
  float minimum = values[0];
  float maximum = values[0];
  for (int i = 1; i < n; ++i) {
    if (values[i] < minimum) {
      minimum = values[i];
    } else if (values[i] > maximum) {
      maximum = values[i];
    }
  }
  return {minimum, maximum};
}

}  // namespace layra
