#include "graphics/picture_file.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "graphics/raster_canvas.h"
#include "graphics/run_png_writer.h"
#include "tests/support/scratch_dir.h"

namespace layra {
namespace {

namespace fs = std::filesystem;

class PictureFiles : public ::testing::Test {
 protected:
  // A small drawing: a blue line along the top row and a text.
  static DrawingRecord Drawing(int width = 201, int height = 240) {
    DrawingRecord drawing = MakePictureDrawing(width, height);
    drawing.SelectPen(Pen{PenStyle::kSolid, kBlue});
    drawing.MoveTo(0, 0);
    drawing.LineTo(50, 0);
    drawing.DrawText(5, 10, "Depth of layers");
    return drawing;
  }

  std::string Path(const std::string& name) const { return dir_.Path(name); }

  // Saves `drawing` in the format its name's extension gives; the error
  // message when that was refused.
  static std::string Save(const std::string& path,
                          const DrawingRecord& drawing = Drawing(),
                          const PictureOptions& options = PictureOptions{}) {
    const PictureFormatInfo* format = PictureFormatOfPath(path);
    if (format == nullptr) return "no format";
    std::string error;
    return SavePicture(drawing, path, format->format, options, &error) ? "" : error;
  }

  // The names in the test's folder.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  layra::testing::ScratchDir dir_;
};

// Reads a PNG as RGB rows; whether it was stored with a palette goes to
// *palette.
std::vector<unsigned char> ReadPng(const std::string& path, png_image& png, bool* palette) {
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
  if (palette) *palette = (png.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
  png.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) return {};
  return pixels;
}

TEST_F(PictureFiles, WritesPngBmpAndSvgByExtension) {
  ASSERT_EQ(Save(Path("plot.png")), "");
  png_image png;
  const std::vector<unsigned char> pixels = ReadPng(Path("plot.png"), png, nullptr);
  ASSERT_FALSE(pixels.empty()) << png.message;
  EXPECT_EQ(png.width, 201u);
  EXPECT_EQ(png.height, 240u);
  EXPECT_EQ((std::vector<unsigned char>(pixels.begin() + 30, pixels.begin() + 33)),
            (std::vector<unsigned char>{0, 0, 255}));
  int text_pixels = 0;  // dark marks in the text's cells
  for (int y = 10; y < 26; ++y) {
    for (int x = 5; x < 5 + 15 * 8; ++x) text_pixels += pixels[3 * (y * 201 + x)] < 128;
  }
  EXPECT_GT(text_pixels, 100);

  ASSERT_EQ(Save(Path("plot.BMP")), "");  // the layout is pinned in tests/graphics
  const std::string bmp = layra::testing::ReadWholeFile(Path("plot.BMP"));
  EXPECT_EQ(bmp.size(), 54u + 604u * 240u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");

  ASSERT_EQ(Save(Path("plot.svg")), "");
  const std::string svg = layra::testing::ReadWholeFile(Path("plot.svg"));
  EXPECT_EQ(svg.compare(0, 5, "<?xml"), 0);
  EXPECT_NE(svg.find("width=\"201\" height=\"240\""), std::string::npos);
  EXPECT_NE(svg.find(">Depth of layers</text>"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"plot.BMP", "plot.png", "plot.svg"}));
}

// A PDF is whole: its cross-reference table points at each object.
void ExpectWholePdf(const std::string& pdf) {
  EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  const size_t startxref = pdf.rfind("startxref\n");
  ASSERT_NE(startxref, std::string::npos);
  const size_t xref = std::stoul(pdf.substr(startxref + 10));
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  std::istringstream table(pdf.substr(xref + 5));
  int first = 0;
  int count = 0;
  table >> first >> count;
  ASSERT_GT(count, 1);
  std::string offset, generation, kind;
  table >> offset >> generation >> kind;  // the free entry 0
  for (int n = 1; n < count; ++n) {
    ASSERT_TRUE(table >> offset >> generation >> kind);
    const std::string expected = std::to_string(n) + " 0 obj";
    EXPECT_EQ(pdf.compare(std::stoul(offset), expected.size(), expected), 0) << n;
  }
}

// Latin-1 text is set in the standard Courier font on a page of the
// picture's size; text beyond it embeds the pictures' font, which then sets
// every text, with a map back to the characters; a paper size scales the
// picture onto the page; translucent fills get their graphics state.
TEST_F(PictureFiles, PdfSetsItsTextAndPagesAsAsked) {
  ASSERT_EQ(Save(Path("plot.pdf")), "");
  std::string pdf = layra::testing::ReadWholeFile(Path("plot.pdf"));
  ExpectWholePdf(pdf);
  EXPECT_NE(pdf.find("/MediaBox [0 0 201 240]"), std::string::npos);
  EXPECT_NE(pdf.find("(Depth of layers) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Courier"), std::string::npos);

  DrawingRecord drawing = Drawing();
  drawing.DrawText(5,
                   40,
                   "\xCF\x81"
                   "a (\xCE\xA9\xC2\xB7m)");
  drawing.FillPolygon({{0, 0}, {20, 0}, {20, 20}}, kBlue, 128);
  PictureOptions a4;
  a4.paper = kPaperA4;
  ASSERT_EQ(Save(Path("units.pdf"), drawing, a4), "");
  pdf = layra::testing::ReadWholeFile(Path("units.pdf"));
  ExpectWholePdf(pdf);
  EXPECT_NE(pdf.find("/MediaBox [0 0 595.276 841.89]"), std::string::npos);
  EXPECT_NE(pdf.find("q 2.6795 0 0 2.6795 28.35 99.40 cm"), std::string::npos);
  EXPECT_NE(pdf.find("/DescendantFonts [7 0 R] /ToUnicode 10 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("7 0 obj\n<< /Type /Font /Subtype /CIDFontType2"), std::string::npos);
  EXPECT_NE(pdf.find("10 0 obj\n<< /Length"), std::string::npos);
  EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);
  EXPECT_EQ(pdf.find("/Courier"), std::string::npos);
  EXPECT_NE(pdf.find("<03A9>"), std::string::npos) << "the ohm sign maps back to its character";
  EXPECT_NE(pdf.find("<00B7>"), std::string::npos);
  EXPECT_EQ(pdf.find("(Depth of layers)"), std::string::npos) << "glyphs, not Latin-1 text";
  EXPECT_NE(pdf.find("/ExtGState << /A128"), std::string::npos);
  EXPECT_NE(pdf.find("/CA 0.502 /ca 0.502"), std::string::npos);
}

// The dash and dot patterns are one definition: 18 on and 6 off, 3 and 3, in
// pixels and in the vector formats alike.
TEST_F(PictureFiles, EveryWriterDrawsTheSameDashes) {
  DrawingRecord drawing = MakePictureDrawing(200, 40);
  drawing.SelectPen(Pen{PenStyle::kDash, kBlue});
  drawing.MoveTo(0, 5);
  drawing.LineTo(100, 5);
  drawing.Polyline({{0, 20}, {100, 20}}, Stroke{kRed, PenStyle::kDot, 1.0, 255});
  std::string error;
  const PixelImage pixels = PaintPicture(drawing, &error);
  ASSERT_TRUE(pixels.IsValid()) << error;
  for (int x = 0; x < 48; ++x) {
    EXPECT_EQ(pixels.At(x, 5), x % 24 < 18 ? kBlue : kWhite) << x;
    EXPECT_EQ(pixels.At(x, 20), x % 6 < 3 ? kRed : kWhite) << x;
  }
  ASSERT_EQ(Save(Path("dashes.svg"), drawing), "");
  const std::string svg = layra::testing::ReadWholeFile(Path("dashes.svg"));
  EXPECT_NE(svg.find("stroke=\"#0000ff\" stroke-dasharray=\"18 6\""), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray=\"3 3\""), std::string::npos);
  ASSERT_EQ(Save(Path("dashes.pdf"), drawing), "");
  const std::string pdf = layra::testing::ReadWholeFile(Path("dashes.pdf"));
  EXPECT_NE(pdf.find("[18 6] 0 d"), std::string::npos);
  EXPECT_NE(pdf.find("[3 3] 0 d"), std::string::npos);
}

// A PNG holds the very colours drawn, whether they fit a palette or not (a
// translucent fill mixes colours no palette foresees).
TEST_F(PictureFiles, PngKeepsEveryColourDrawn) {
  for (const int colours : {3, 300, 4}) {
    DrawingRecord drawing = MakePictureDrawing(300, 200);
    for (int i = 0; i < std::min(colours, 300); ++i) {
      drawing.SetPixel(
          i, 7, Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2), 9});
    }
    if (colours == 4) drawing.FillPolygon({{0, 100}, {300, 100}, {300, 200}}, kRed, 100);
    drawing.DrawText(0, 20, "Wg");
    ASSERT_EQ(Save(Path("colours.png"), drawing), "");
    png_image png;
    bool palette = false;
    const std::vector<unsigned char> pixels = ReadPng(Path("colours.png"), png, &palette);
    ASSERT_FALSE(pixels.empty()) << png.message;
    EXPECT_EQ(palette, colours < 4) << colours;
    if (colours == 4) {
      const Rgb mixed = MixColors(kWhite, kRed, 100);
      EXPECT_EQ(
          (std::vector<int>{pixels[3 * (190 * 300 + 299)], pixels[3 * (190 * 300 + 299) + 1]}),
          (std::vector<int>{mixed.red, mixed.green}));
    }
    for (int i = 0; i < colours; ++i) {
      const unsigned char* p = &pixels[3 * (7 * 300 + i)];
      EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{i % 256, i / 2, 9})) << i;
    }
  }
}

// The run encoder's stream decodes to the very indices written, whatever
// mix of repeated rows, long runs (around the longest copy, 258), single
// pixels and every palette entry, and for rows too wide to copy from.
TEST_F(PictureFiles, RunEncodedPngDecodesToTheIndicesWritten) {
  std::vector<Rgb> palette;
  for (int c = 0; c < 256; ++c) {
    palette.push_back(Rgb{static_cast<std::uint8_t>(c),
                          static_cast<std::uint8_t>(255 - c),
                          static_cast<std::uint8_t>(c / 3)});
  }
  const auto pattern = [](int x, int y) {
    if (y % 5 == 1) return (x * 7 + y) % 256;        // a new index at every pixel
    if (y % 5 == 2) return (x / (256 + y % 7)) % 3;  // runs of 256 to 262
    if (y % 5 == 3) return x == y ? 200 : 0;         // the row before but one pixel
    return 0;                                        // repeats the row above
  };
  const struct {
    int width;
    int height;
  } sizes[] = {{1, 1}, {2, 3}, {777, 23}, {33000, 4}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size.width);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(size.width) * size.height);
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) {
        indices[static_cast<std::size_t>(y) * size.width + x] =
            static_cast<std::uint8_t>(pattern(x, y));
      }
    }
    std::FILE* file = std::fopen(Path("runs.png").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    RunPngWriter png(file, size.width, size.height, palette);
    for (int y = 0; y < size.height; ++y) {
      png.WriteRow(&indices[static_cast<std::size_t>(y) * size.width]);
    }
    EXPECT_TRUE(png.Finish());
    std::fclose(file);
    png_image image;
    bool stored_as_palette = false;
    const std::vector<unsigned char> pixels = ReadPng(Path("runs.png"), image, &stored_as_palette);
    ASSERT_FALSE(pixels.empty()) << image.message;
    EXPECT_TRUE(stored_as_palette);
    ASSERT_EQ(pixels.size(), 3 * indices.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
      const Rgb& want = palette[indices[i]];
      ASSERT_EQ((std::vector<int>{pixels[3 * i], pixels[3 * i + 1], pixels[3 * i + 2]}),
                (std::vector<int>{want.red, want.green, want.blue}))
          << "pixel " << i;
    }
  }
}

// A picture that cannot be written is reported with its path and the
// system's reason, leaves an earlier file as it was and nothing else behind.
TEST_F(PictureFiles, AFailedWriteIsReportedAndLeavesNothingBehind) {
  std::ofstream(Path("kept.png")) << "earlier picture";
  fs::create_directory(Path("folder.svg"));
  for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
           {Path("missing/plot.png"), "No such file or directory"},
           {Path("missing/plot.bmp"), "No such file or directory"},
           {Path("missing/plot.svg"), "No such file or directory"},
           {Path("folder.svg"), "is a directory"}}) {
    const std::string error = Save(path);
    EXPECT_NE(error.find("'" + path + "': " + reason), std::string::npos) << error;
  }
  for (const PictureFormatInfo& format : PictureFormats()) {
    std::string error;
    EXPECT_FALSE(SavePicture(Drawing(), "/dev/full", format.format, PictureOptions{}, &error))
        << format.name;
    EXPECT_NE(error.find("'/dev/full': is not a regular file"), std::string::npos) << error;
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder.svg", "kept.png"}));
  EXPECT_EQ(layra::testing::ReadWholeFile(Path("kept.png")), "earlier picture");
}

}  // namespace
}  // namespace layra
