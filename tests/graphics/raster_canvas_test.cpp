#include "graphics/raster_canvas.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/recording_canvas.h"

namespace layra {
namespace {

constexpr TextMetrics kCell{8, 16};

// Every character a 2 x 3 block whose left column is fully covered and right
// column half, with its top three pixels above a baseline 10 below the line.
class BlockGlyphs : public GlyphSource {
 public:
  BlockGlyphs() {
    block_.left = 1;
    block_.top = 3;
    block_.width = 2;
    block_.rows = 3;
    block_.coverage = {255, 128, 255, 128, 255, 128};
  }
  int Ascent() const override { return 10; }
  const Glyph* Find(char32_t character) override { return character == U' ' ? nullptr : &block_; }

 private:
  Glyph block_;
};

struct Probe {
  int x, y;
  Rgb colour;
};

void ExpectPixels(const RasterCanvas& canvas, std::initializer_list<Probe> probes) {
  for (const Probe& p : probes)
    EXPECT_EQ(canvas.GetPixel(p.x, p.y), p.colour) << p.x << ", " << p.y;
}

// The line patterns themselves are pinned in raster_test; the canvas paints
// them in the pen's colour from the current position and clips them.
TEST(RasterCanvas, LinesLeaveOutTheirEndPointInEveryPen) {
  RasterCanvas canvas(100, 100, kCell, nullptr);
  canvas.MoveTo(10, 10);
  canvas.LineTo(20, 10);
  ExpectPixels(canvas, {{10, 10, kBlack}, {19, 10, kBlack}, {20, 10, kWhite}});
  EXPECT_EQ(canvas.SelectPen(Pen{PenStyle::kSolid, kBlue}), Pen{});
  canvas.MoveTo(30, 30);
  canvas.LineTo(30, 20);
  ExpectPixels(canvas, {{30, 30, kBlue}, {30, 21, kBlue}, {30, 20, kWhite}});
  canvas.SelectPen(Pen{PenStyle::kDot, kBlue});
  canvas.MoveTo(0, 9);
  canvas.LineTo(30, 9);
  ExpectPixels(canvas, {{2, 9, kBlue}, {3, 9, kWhite}});
  canvas.SelectPen(Pen{});
  canvas.MoveTo(-1000000, 50);  // far outside: clipped, no fault
  canvas.LineTo(1000000, 50);
  EXPECT_EQ(canvas.GetPixel(99, 50), kBlack);
}

TEST(RasterCanvas, RectanglesPixelsAndClear) {
  RasterCanvas canvas(100, 100, kCell, nullptr);
  canvas.MoveTo(0, 15);
  canvas.LineTo(100, 15);  // a line the rectangle covers
  canvas.SelectPen(Pen{PenStyle::kSolid, kMagenta});
  canvas.Rectangle(40, 30, 10, 10);  // corners in any order
  // Filled over the line at y 15, which goes on beyond the rectangle.
  ExpectPixels(canvas, {{10, 10, kMagenta}, {39, 29, kMagenta}, {10, 29, kMagenta}});
  ExpectPixels(canvas, {{40, 30, kWhite}, {20, 15, kWhite}, {50, 15, kBlack}});
  canvas.Rectangle(-50, -50, 5000, 5);  // partly outside: clipped, no fault
  EXPECT_EQ(canvas.GetPixel(0, 4), kMagenta);
  canvas.SelectPen(Pen{PenStyle::kDot, kRed});
  canvas.Rectangle(60, 60, 70, 70);
  ExpectPixels(canvas, {{60, 60, kRed}, {63, 60, kWhite}});
  canvas.SetPixel(3, 40, {1, 2, 3});
  EXPECT_EQ(canvas.GetPixel(3, 40), (Rgb{1, 2, 3}));
  canvas.SetPixel(-1, 170, kRed);  // outside: ignored
  EXPECT_EQ(canvas.GetPixel(-1, 170), kWhite);
  canvas.Clear();
  ExpectPixels(canvas, {{3, 40, kWhite}, {10, 10, kWhite}});
}

TEST(RasterCanvas, TextIsOpaqueAndBlendsItsMarksInTheTextColour) {
  BlockGlyphs glyphs;
  RasterCanvas canvas(200, 60, kCell, &glyphs);
  canvas.MoveTo(0, 8);
  canvas.LineTo(200, 8);
  canvas.DrawText(10, 0, "   ");  // blanks wipe their cells only
  ExpectPixels(canvas, {{10, 8, kWhite}, {33, 8, kWhite}, {34, 8, kBlack}});
  EXPECT_EQ(canvas.SetTextColor(kMagenta), kBlack);
  canvas.DrawText(10, 20, "ab");
  // The second character's block: cell at x 18, one column in, rows 27..29.
  ExpectPixels(
      canvas,
      {{19, 27, kMagenta}, {20, 29, Rgb{255, 127, 255}}, {19, 26, kWhite}, {21, 27, kWhite}});
  canvas.DrawText(195, 58, "xyz");  // off the edge: clipped, no fault
}

// A fill covers the pixels whose centres lie inside, mixed in at its
// opacity; a wide polyline covers its width across each line, corners and
// end point included, and a translucent one mixes its colour in.
TEST(RasterCanvas, FillsAndWidePolylinesCoverTheirPixels) {
  RasterCanvas canvas(100, 100, kCell, nullptr);
  canvas.FillPolygon({{2, 2}, {6, 2}, {6, 5}, {2, 5}}, kBlue, 255);
  ExpectPixels(canvas, {{2, 2, kBlue}, {5, 4, kBlue}, {6, 4, kWhite}, {5, 5, kWhite}});
  canvas.FillPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, kRed, 51);
  ExpectPixels(canvas, {{8, 8, MixColors(kWhite, kRed, 51)}, {3, 3, MixColors(kBlue, kRed, 51)}});
  canvas.FillPolygon({{-1e9, 50}, {1e9, 50}, {0, 1e9}}, kGreen, 255);  // absurd: clipped
  EXPECT_EQ(canvas.GetPixel(50, 99), kGreen);

  RasterCanvas lines(100, 100, kCell, nullptr);
  lines.Polyline({{20, 20}, {40, 20}, {40, 30}}, Stroke{kMagenta, PenStyle::kSolid, 3.0, 255});
  ExpectPixels(lines,
               {{20, 19, kMagenta},
                {20, 21, kMagenta},
                {20, 22, kWhite},
                {41, 19, kMagenta},  // the corner's square
                {39, 30, kMagenta},  // the end point, as wide
                {41, 31, kWhite}});
  lines.Polyline({{0, 60}, {50, 60}}, Stroke{kBlue, PenStyle::kDash, 1.0, 128});
  ExpectPixels(lines,
               {{0, 60, MixColors(kWhite, kBlue, 128)},
                {17, 60, MixColors(kWhite, kBlue, 128)},
                {18, 60, kWhite}});
}

// A canvas that draws only lines (the defaults of the Canvas interface)
// shows a polyline one pixel wide and a fill in the colour it takes over
// white, on the very pixels the pixel canvas covers.
TEST(RasterCanvas, LineOnlyCanvasesDrawPolylinesAndFillsOnTheSamePixels) {
  class LinesOnly : public testing::RecordingCanvas {
   public:
    LinesOnly() : RecordingCanvas(60, 60, kCell) {}
    void Polyline(const std::vector<PointF>& points, const Stroke& stroke) override {
      Canvas::Polyline(points, stroke);
    }
    void FillPolygon(const std::vector<PointF>& points, Rgb color, int opacity) override {
      Canvas::FillPolygon(points, color, opacity);
    }
  };
  const auto draw = [](Canvas& canvas) {
    canvas.FillPolygon({{3.5, 2}, {40, 9}, {22, 47.5}}, kBlue, 90);
    canvas.Polyline({{5, 50}, {30, 55}, {55, 20.4}}, Stroke{kRed, PenStyle::kSolid, 1.0, 255});
  };
  LinesOnly lines;
  draw(lines);
  RasterCanvas pixels(60, 60, kCell, nullptr);
  draw(pixels);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(lines.GetPixel(x, y), pixels.GetPixel(x, y)) << x << ", " << y;
  }
  EXPECT_EQ(lines.pen(), Pen{}) << "the pen selected before is selected again";
}

TEST(DecodeUtf8, ReadsUtf8AndTakesOtherBytesAsLatin1) {
  const struct {
    std::string text;
    std::u32string code_points;
  } cases[] = {
      {"Ohm-m", U"Ohm-m"},
      {"\xCE\xA9 \xC2\xB0", U"\u03A9 \u00B0"},  // two-byte sequences
      {"\xE2\x80\xB0", U"\u2030"},              // three bytes
      {"\xF0\x9F\x98\x80", U"\U0001F600"},      // four bytes
      {"\xB5m", U"\u00B5m"},                    // a lone Latin-1 byte
      {"\xCE", U"\u00CE"},                      // a sequence cut short
      {"\xE2\x80"
       "A",
       U"\u00E2\u0080A"},  // an ASCII byte inside one
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeUtf8(c.text), c.code_points) << c.text;
}

}  // namespace
}  // namespace layra
