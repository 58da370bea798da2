#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/plot_size.h"

#ifdef LAYRA_HAVE_QTGUI
#include <QImage>

#include "cli/image_canvas.h"
#include "graphics/sounding_plot.h"
#endif

namespace layra::cli {
namespace {

TEST(ParsePlotSize, ReadsWidthByHeight) {
  int width = 0;
  int height = 0;
  std::string error;
  ASSERT_TRUE(ParsePlotSize("1280x800", &width, &height, &error));
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 800);
  ASSERT_TRUE(ParsePlotSize("640X480", &width, &height, &error));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
}

TEST(ParsePlotSize, RefusesMalformedAndOutOfRangeSizes) {
  for (const char* text : {"",
                           "1280",
                           "x800",
                           "1280x",
                           "1280x800x2",
                           "12 80x800",
                           "-640x480",
                           "99999999999x800",
                           "100x100",
                           "9000x800",
                           "1280,800"}) {
    int width = 7;
    int height = 9;
    std::string error;
    EXPECT_FALSE(ParsePlotSize(text, &width, &height, &error)) << text;
    EXPECT_EQ(width, 7) << text;
    EXPECT_EQ(height, 9) << text;
    EXPECT_NE(error.find(std::string("'") + text + "'"), std::string::npos) << error;
  }
  int width = 0;
  int height = 0;
  EXPECT_FALSE(ParsePlotSize("bad", &width, &height, nullptr));
}

#ifdef LAYRA_HAVE_QTGUI

class ImageCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static char name[] = "layra_cli_tests";
    static char* argv[] = {name, nullptr};
    EnsureGuiApplication(1, argv);
  }

  static std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_F(ImageCanvasTest, FontMetricsSuitTheFixedLayout) {
  ImageCanvas canvas(640, 480);
  EXPECT_EQ(canvas.Width(), 640);
  EXPECT_EQ(canvas.Height(), 480);
  TextMetrics metrics = canvas.Metrics();
  EXPECT_GE(metrics.averageCharWidth, 6);
  EXPECT_LE(metrics.averageCharWidth, 12);
  EXPECT_GE(metrics.charHeight, 12);
  EXPECT_LE(metrics.charHeight, 24);
}

TEST_F(ImageCanvasTest, LinesLeaveOutTheirEndPointInEveryPen) {
  ImageCanvas canvas(100, 100);
  canvas.MoveTo(10, 10);
  canvas.LineTo(20, 10);
  EXPECT_EQ(canvas.GetPixel(10, 10), kBlack);
  EXPECT_EQ(canvas.GetPixel(19, 10), kBlack);
  EXPECT_EQ(canvas.GetPixel(20, 10), kWhite);
  EXPECT_EQ(canvas.SelectPen(Pen{PenStyle::kSolid, kBlue}), Pen{});
  canvas.MoveTo(30, 30);
  canvas.LineTo(30, 20);
  EXPECT_EQ(canvas.GetPixel(30, 30), kBlue);
  EXPECT_EQ(canvas.GetPixel(30, 21), kBlue);
  EXPECT_EQ(canvas.GetPixel(30, 20), kWhite);
  canvas.SelectPen(Pen{PenStyle::kDash, kBlue});
  canvas.MoveTo(0, 5);
  canvas.LineTo(60, 5);
  for (int x = 0; x < 60; ++x) {
    EXPECT_EQ(canvas.GetPixel(x, 5), x % 24 < 18 ? kBlue : kWhite) << "dash x " << x;
  }
  canvas.SelectPen(Pen{PenStyle::kDot, kBlue});
  canvas.MoveTo(0, 9);
  canvas.LineTo(30, 9);
  for (int x = 0; x < 30; ++x) {
    EXPECT_EQ(canvas.GetPixel(x, 9), x % 6 < 3 ? kBlue : kWhite) << "dot x " << x;
  }
}

TEST_F(ImageCanvasTest, RectanglesPixelsAndClear) {
  ImageCanvas canvas(100, 100);
  canvas.MoveTo(0, 15);
  canvas.LineTo(100, 15);  // a line the rectangle covers
  canvas.SelectPen(Pen{PenStyle::kSolid, kMagenta});
  canvas.Rectangle(10, 10, 40, 30);
  EXPECT_EQ(canvas.GetPixel(10, 10), kMagenta);
  EXPECT_EQ(canvas.GetPixel(39, 29), kMagenta);
  EXPECT_EQ(canvas.GetPixel(40, 30), kWhite);
  EXPECT_EQ(canvas.GetPixel(20, 15), kWhite);  // filled over the line
  EXPECT_EQ(canvas.GetPixel(50, 15), kBlack);
  canvas.Rectangle(-50, -50, 5000, 5);  // partly outside: clipped, no fault
  EXPECT_EQ(canvas.GetPixel(0, 4), kMagenta);
  canvas.SetPixel(3, 40, {1, 2, 3});
  EXPECT_EQ(canvas.GetPixel(3, 40), (Rgb{1, 2, 3}));
  canvas.SetPixel(-1, 170, kRed);  // outside: ignored
  EXPECT_EQ(canvas.GetPixel(-1, 170), kWhite);
  canvas.Clear();
  EXPECT_EQ(canvas.GetPixel(3, 40), kWhite);
  EXPECT_EQ(canvas.GetPixel(10, 10), kWhite);
}

TEST_F(ImageCanvasTest, TextIsOpaqueAndColoured) {
  ImageCanvas canvas(200, 60);
  canvas.MoveTo(0, 8);
  canvas.LineTo(200, 8);
  const TextMetrics metrics = canvas.Metrics();
  canvas.SetTextColor(kMagenta);
  canvas.DrawText(10, 0, "   ");  // blanks wipe what is under them
  EXPECT_EQ(canvas.GetPixel(12, 8), kWhite);
  EXPECT_EQ(canvas.GetPixel(10 + 3 * metrics.averageCharWidth + 2, 8), kBlack);
  canvas.DrawText(10, 20, "MMMM");
  int magenta_like = 0;
  for (int y = 20; y < 20 + metrics.charHeight; ++y) {
    for (int x = 10; x < 10 + 4 * metrics.averageCharWidth; ++x) {
      Rgb c = canvas.GetPixel(x, y);
      magenta_like += c.red > 128 && c.green < 128 && c.blue > 128;
    }
  }
  EXPECT_GT(magenta_like, 20);
  EXPECT_EQ(canvas.SetTextColor(kBlack), kMagenta);
}

// A two-layer sounding drawn whole: the frame, the blocks and the curve land
// on the pixels the layout gives, with the font's own metrics.
TEST_F(ImageCanvasTest, SoundingPlotLandsOnItsFrame) {
  std::vector<float> spacing{1.0f, 3.0f, 10.0f, 30.0f, 100.0f};
  std::vector<float> rho{50.0f, 60.0f, 120.0f, 300.0f, 450.0f};
  std::vector<float> layer_rho{50.0f, 500.0f};
  std::vector<float> thickness{5.0f, 0.0f};
  PlotInput input;
  input.nData = 5;
  input.nLayers = 2;
  input.spacing = spacing.data();
  input.observedRho = rho.data();
  input.calculatedRho = rho.data();
  input.layerRho = layer_rho.data();
  input.thickness = thickness.data();
  input.title = "Two layers";
  ImageCanvas canvas(1000, 700);
  PlotSounding(input, canvas);
  const int W = canvas.Metrics().averageCharWidth;
  const int H = canvas.Metrics().charHeight;
  const int x0 = 30 * W;
  const int right = x0 + 1000 - 34 * W;
  const int y0 = 700 - 3 * H - H / 2;
  const int top = y0 - (y0 - 4 * H);
  EXPECT_EQ(canvas.GetPixel(x0, y0), kBlack);
  EXPECT_EQ(canvas.GetPixel(right, top), kBlack);
  EXPECT_EQ(canvas.GetPixel((x0 + right) / 2, top), kBlack);
  // The 500 ohm-m half-space block's top edge, in magenta, on the 10..1000 axis.
  const int block_top = y0 - (y0 - top) * 85 / 100;  // log10(500) = 2.70: 85 % up
  int magenta_rows = 0;
  for (int y = block_top - 3; y <= block_top + 3; ++y) {
    magenta_rows += canvas.GetPixel(right - 20, y) == kMagenta;
  }
  EXPECT_EQ(magenta_rows, 1);
}

TEST_F(ImageCanvasTest, SavesPngBmpAndSvgByExtension) {
  ImageCanvas canvas(101, 40);
  canvas.SelectPen(Pen{PenStyle::kSolid, kBlue});
  canvas.MoveTo(0, 0);
  canvas.LineTo(50, 0);
  canvas.DrawText(5, 10, "Depth of layers");
  std::string error;
  const std::string base = ::testing::TempDir() + "cli_image_canvas";

  ASSERT_TRUE(SavePlotImage(canvas, base + ".png", &error)) << error;
  QImage png(QString::fromStdString(base + ".png"));
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.width(), 101);
  EXPECT_EQ(png.pixel(10, 0) & 0xFFFFFF, 0x0000FFu);

  ASSERT_TRUE(SavePlotImage(canvas, base + ".BMP", &error)) << error;
  auto bmp = ReadFile(base + ".BMP");
  ASSERT_EQ(bmp.size(), 54u + 304u * 40u);
  EXPECT_EQ(bmp[28], 24);
  // Top row is the last in the file: pixel (10, 0) blue.
  const size_t top_row = 54 + 304 * 39;
  EXPECT_EQ(bmp[top_row + 30], 255);
  EXPECT_EQ(bmp[top_row + 32], 0);

  ASSERT_TRUE(SavePlotImage(canvas, base + ".svg", &error)) << error;
  auto svg = ReadFile(base + ".svg");
  std::string text(svg.begin(), svg.end());
  EXPECT_NE(text.find("<svg"), std::string::npos);
  EXPECT_NE(text.find("Depth of layers"), std::string::npos);

  for (const char* suffix : {".png", ".BMP", ".svg"}) std::remove((base + suffix).c_str());
}

TEST_F(ImageCanvasTest, ReportsWhatItCannotSave) {
  ImageCanvas canvas(20, 20);
  std::string error;
  EXPECT_FALSE(SavePlotImage(canvas, ::testing::TempDir() + "plot.gif", &error));
  EXPECT_NE(error.find(".png, .svg or .bmp"), std::string::npos) << error;
  for (const char* name :
       {"missing_dir/plot.png", "missing_dir/plot.bmp", "missing_dir/plot.svg"}) {
    error.clear();
    EXPECT_FALSE(SavePlotImage(canvas, ::testing::TempDir() + name, &error)) << name;
    EXPECT_NE(error.find("missing_dir"), std::string::npos) << error;
  }
}

#endif  // LAYRA_HAVE_QTGUI

}  // namespace
}  // namespace layra::cli
