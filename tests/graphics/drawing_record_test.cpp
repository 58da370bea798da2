#include "graphics/drawing_record.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/plot_primitives.h"
#include "graphics/raster_canvas.h"
#include "graphics/sounding_plot.h"
#include "graphics/svg_document.h"

namespace layra {
namespace {

constexpr TextMetrics kCell{8, 16};

class BoxGlyphs : public GlyphSource {
 public:
  BoxGlyphs() {
    box_.width = 6;
    box_.rows = 9;
    box_.top = 9;
    box_.coverage.assign(54, 200);
  }
  int Ascent() const override { return 13; }
  const Glyph* Find(char32_t character) override { return character == U' ' ? nullptr : &box_; }

 private:
  Glyph box_;
};

// A two-layer sounding whose last two calculated values fall on one pixel, so
// the curve has a segment of no length.
struct TwoLayers {
  std::vector<float> spacing{1.0f, 3.0f, 10.0f, 30.0f, 100.0f, 100.001f};
  std::vector<float> rho{50.0f, 60.0f, 120.0f, 300.0f, 450.0f, 450.0f};
  std::vector<float> layer_rho{50.0f, 500.0f};
  std::vector<float> thickness{5.0f, 0.0f};
  PlotInput Input() {
    PlotInput input;
    input.nData = 6;
    input.nLayers = 2;
    input.spacing = spacing.data();
    input.observedRho = rho.data();
    input.calculatedRho = rho.data();
    input.layerRho = layer_rho.data();
    input.thickness = thickness.data();
    input.title = "Two layers <A & B>";
    return input;
  }
};

// Replaying the recording paints exactly the pixels drawing directly paints,
// whole or a band at a time.
TEST(DrawingRecord, ReplayPaintsWhatDrawingDirectlyPaints) {
  TwoLayers sounding;
  BoxGlyphs glyphs;
  const auto draw = [&](auto& canvas) {
    PlotSounding(sounding.Input(), canvas);
    canvas.SetTextColor(kRed);
    canvas.DrawText(3, 680, "after the plot");
    DrawSegment(canvas, 240, 644, 240, 644);  // copies the frame corner onto itself
    DrawSegment(canvas, 400, 650, 410, 660);
  };
  RasterCanvas direct(1000, 700, kCell, &glyphs);
  draw(direct);
  DrawingRecord recording(1000, 700, kCell);
  recording.DrawText(0, 0, "cleared away");
  draw(recording);
  RasterCanvas replayed(1000, 700, kCell, &glyphs);
  replayed.SetPixel(1, 1, kGreen);  // replay starts from a clear canvas
  recording.Replay(replayed);
  ASSERT_EQ(replayed.band().pixels, direct.band().pixels);
  // Replayed band by band, 64 rows at a time, only what reaches the band
  // drawn, the rows are the same again.
  RasterCanvas band(1000, 700, kCell, &glyphs, 64);
  for (int top = 0; top < 700; top += 64) {
    band.SetBand(std::min(top, 700 - 64));
    recording.Replay(band, band.BandTop(), band.BandTop() + 64);
    for (int y = band.BandTop(); y < band.BandTop() + 64; ++y) {
      ASSERT_TRUE(std::equal(band.Row(y), band.Row(y) + 1000, direct.Row(y))) << "row " << y;
    }
  }
  int magenta = 0;  // the model blocks reach the picture
  for (const Rgb& pixel : replayed.band().pixels) magenta += pixel == kMagenta;
  EXPECT_GT(magenta, 100);
}

// A window draws its record again at another size: every coordinate
// scaled, text at its scaled place in its own size, the record itself kept.
TEST(DrawingRecord, ReplayScaledScalesEveryCoordinate) {
  DrawingRecord drawing(100, 100, kCell);
  drawing.MoveTo(10, 10);
  drawing.LineTo(50, 50);
  drawing.DrawText(20, 40, "x");
  drawing.Polyline({{10, 10}, {30, 90}}, Stroke{kBlue, PenStyle::kSolid, 2.0, 255});
  drawing.FillPolygon({{0, 0}, {100, 0}, {100, 100}}, kRed, 64);
  DrawingRecord scaled(200, 50, kCell);
  scaled.DrawText(0, 0, "cleared away");
  drawing.ReplayScaled(scaled);
  ASSERT_EQ(scaled.items().size(), 4u);
  const DrawingItem& line = scaled.items()[0];
  EXPECT_EQ((std::vector<int>{line.x1, line.y1, line.x2, line.y2}),
            (std::vector<int>{20, 5, 100, 25}));
  EXPECT_EQ((std::vector<int>{scaled.items()[1].x1, scaled.items()[1].y1}),
            (std::vector<int>{40, 20}));
  const DrawingItem& polyline = scaled.items()[2];
  EXPECT_DOUBLE_EQ(polyline.points[1].x, 60.0);
  EXPECT_DOUBLE_EQ(polyline.points[1].y, 45.0);
  EXPECT_EQ(polyline.stroke.width, 2.0);
  EXPECT_EQ(scaled.items()[3].opacity, 64);
  EXPECT_EQ(drawing.items().size(), 4u);
}

struct XmlCheck {
  int elements = 0;
  int texts = 0;
  std::string characters;
};

// Parses `document` with expat; the error text when it is not well-formed.
std::string ParseXml(const std::string& document, XmlCheck* check) {
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, check);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* name, const XML_Char**) {
        auto* c = static_cast<XmlCheck*>(data);
        ++c->elements;
        c->texts += std::string(name) == "text";
      },
      nullptr);
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* text, int length) {
    static_cast<XmlCheck*>(data)->characters.append(text, length);
  });
  const bool ok =
      XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
  std::string error = ok ? "" : XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return error;
}

TEST(SvgDocument, IsWellFormedWhateverTheTextHolds) {
  TwoLayers sounding;
  DrawingRecord canvas(1000, 700, kCell);
  PlotSounding(sounding.Input(), canvas);
  canvas.SelectPen(Pen{PenStyle::kDash, kBlue});
  canvas.MoveTo(-3, 5);
  canvas.LineTo(-1, 5);
  canvas.DrawText(5, 5, std::string("\xB5S \x01 \xCE\xA9 \"q\" 'a' ]]>"));
  const std::string svg = SvgDocument(canvas, SvgFont{}, "Title & <more>");
  XmlCheck check;
  ASSERT_EQ(ParseXml(svg, &check), "") << svg.substr(0, 400);
  EXPECT_NE(svg.find("viewBox=\"0 0 1000 700\""), std::string::npos);
  EXPECT_NE(check.characters.find("Title & <more>"), std::string::npos);
  EXPECT_NE(check.characters.find("Two layers <A & B>"), std::string::npos);
  EXPECT_NE(check.characters.find("Electrode spacing"), std::string::npos);
  EXPECT_NE(check.characters.find("\xC2\xB5S   \xCE\xA9 \"q\" 'a' ]]>"), std::string::npos);
  EXPECT_NE(svg.find("x1=\"-2.5\" y1=\"5.5\" x2=\"-0.5\""), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray=\"18 6\""), std::string::npos);
  EXPECT_GT(check.texts, 10);
}

// Polylines run through pixel centres with their width and opacity;
// polygons cover pixel edges with their fill's opacity.
TEST(SvgDocument, DrawsPolylinesAndPolygonsSmooth) {
  DrawingRecord canvas(100, 80, kCell);
  canvas.Polyline({{1, 2}, {10.25, 2}, {10.25, 30}}, Stroke{kBlue, PenStyle::kDash, 2.5, 128});
  canvas.FillPolygon({{0, 0}, {50, 0}, {50, 40}}, kMagenta, 64);
  const std::string svg = SvgDocument(canvas, SvgFont{}, "t");
  XmlCheck check;
  ASSERT_EQ(ParseXml(svg, &check), "");
  EXPECT_NE(svg.find("<polyline points=\"1.5,2.5 10.75,2.5 10.75,30.5\" stroke=\"#0000ff\" "
                     "stroke-width=\"2.5\" stroke-dasharray=\"18 6\" stroke-opacity=\"0.5\""),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("<polygon points=\"0,0 50,0 50,40\" fill=\"#ff00ff\" fill-opacity=\"0.25\""),
            std::string::npos)
      << svg;
}

}  // namespace
}  // namespace layra
