#include "graphics/picture_file.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "fileio/atomic_file.h"
#include "fileio/text_input.h"
#include "graphics/font_glyphs.h"
#include "graphics/pdf_document.h"
#include "graphics/raster_canvas.h"
#include "graphics/run_png_writer.h"
#include "graphics/svg_document.h"
#include "state/text_format.h"

namespace layra {

namespace {

// The largest font file embedded in a PDF (DejaVu Sans Mono is 340 kB).
constexpr long kMaxFontFileLength = 64L << 20;

static_assert(sizeof(Rgb) == 3, "pixel rows are handed on as red, green, blue bytes");

std::string LowerExtension(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
  return ToLowerAscii(path.substr(dot));
}

// "cannot write '<path>': <reason>"; a reason of the form "<path>: <why>"
// (as the atomic writer gives it) loses its path.
bool Refuse(const std::string& path, std::string reason, std::string* error) {
  const std::string prefix = path + ": ";
  if (reason.compare(0, prefix.size(), prefix) == 0) reason.erase(0, prefix.size());
  if (error != nullptr) *error = "cannot write '" + path + "': " + reason;
  return false;
}

bool Refuse(const AtomicFileWriter& writer, const std::string& reason, std::string* error) {
  return Refuse(writer.target(), reason.empty() ? writer.error() : reason, error);
}

bool CommitOrRefuse(AtomicFileWriter& writer, std::string* error) {
  return writer.Commit() || Refuse(writer, "", error);
}

// The rows of a picture painted from a drawing, a band of rows at a time
// (about 256 KB), so that a large picture never needs memory for all its rows.
// Rows may be asked for top down or bottom up.
class BandedPicture {
 public:
  BandedPicture(const DrawingRecord& drawing, GlyphSource* glyphs)
      : drawing_(drawing),
        canvas_(drawing.Width(),
                drawing.Height(),
                drawing.Metrics(),
                glyphs,
                std::max(16, (256 << 10) / (3 * drawing.Width()))) {}

  int Width() const { return canvas_.Width(); }
  int Height() const { return canvas_.Height(); }

  const Rgb* Row(int y) {
    const int rows = canvas_.BandRows();
    if (!painted_ || y < canvas_.BandTop() || y >= canvas_.BandTop() + rows) {
      const int top = painted_ && y < canvas_.BandTop() ? y - rows + 1 : y;
      canvas_.SetBand(std::max(0, std::min(top, Height() - rows)));
      drawing_.Replay(canvas_, canvas_.BandTop(), canvas_.BandTop() + rows);
      painted_ = true;
    }
    return canvas_.Row(y);
  }

 private:
  const DrawingRecord& drawing_;
  RasterCanvas canvas_;
  bool painted_ = false;
};

struct PngFailure {
  std::string message;
};

void OnPngError(png_structp png, png_const_charp message) {
  static_cast<PngFailure*>(png_get_error_ptr(png))->message = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The colours a picture painted from `drawing` can hold: white, the pens',
// the pixels' and, for each text colour, its marks at every coverage level on
// white. Empty when there are more than a palette's 256, or when something
// translucent is drawn.
std::vector<Rgb> PictureColours(const DrawingRecord& drawing) {
  std::vector<Rgb> colours{kWhite};
  std::unordered_map<std::uint32_t, bool> seen;
  auto add = [&](Rgb color) {
    const std::uint32_t key = (color.red << 16) | (color.green << 8) | color.blue;
    if (seen.emplace(key, true).second && !(color == kWhite)) colours.push_back(color);
  };
  std::unordered_map<std::uint32_t, bool> text_colours;
  for (const DrawingItem& p : drawing.items()) {
    if (colours.size() > 256) return {};
    switch (p.kind) {
      case DrawingItem::Kind::kText: {
        const std::uint32_t key = (p.color.red << 16) | (p.color.green << 8) | p.color.blue;
        if (!text_colours.emplace(key, true).second) break;
        for (int c = kCoverageStep; c <= 255; c += kCoverageStep) {
          add(MixColors(kWhite, p.color, c));
        }
        break;
      }
      case DrawingItem::Kind::kPixel:
        add(p.color);
        break;
      case DrawingItem::Kind::kPolyline:
        // Mixed with what lies below: colours no list can foresee.
        if (p.stroke.opacity < 255) return {};
        add(p.stroke.color);
        break;
      case DrawingItem::Kind::kPolygon:
        if (p.opacity < 255) return {};
        add(p.color);
        break;
      default:
        add(p.pen.color);
        break;
    }
  }
  return colours.size() > 256 ? std::vector<Rgb>{} : colours;
}

// Turns rows of colours into palette indices; runs of one colour are matched
// eight pixels at a time.
class PaletteRows {
 public:
  explicit PaletteRows(const std::vector<Rgb>& colours) {
    for (std::size_t i = 0; i < colours.size(); ++i) {
      index_.emplace(Key(colours[i]), static_cast<std::uint8_t>(i));
    }
  }

  // False when a colour is not in the palette.
  bool Convert(const Rgb* row, int width, std::uint8_t* out) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    for (int x = 0; x < width;) {
      const std::uint8_t* pixel = bytes + 3 * static_cast<std::size_t>(x);
      if (have_run_ && x + 8 <= width && std::memcmp(pixel, run_, 24) == 0) {
        std::memset(out + x, run_index_, 8);
        x += 8;
        continue;
      }
      if (!have_run_ || std::memcmp(pixel, run_, 3) != 0) {
        const auto found = index_.find(Key(row[x]));
        if (found == index_.end()) return false;
        for (int k = 0; k < 8; ++k) std::memcpy(run_ + 3 * k, pixel, 3);
        run_index_ = found->second;
        have_run_ = true;
      }
      out[x++] = run_index_;
    }
    return true;
  }

 private:
  static std::uint32_t Key(Rgb color) {
    return (color.red << 16) | (color.green << 8) | color.blue;
  }

  std::unordered_map<std::uint32_t, std::uint8_t> index_;
  std::uint8_t run_[24] = {};
  std::uint8_t run_index_ = 0;
  bool have_run_ = false;
};

// Writes the rows as 24-bit colour.
void WritePngImage(png_structp png, png_infop info, BandedPicture& picture) {
  png_set_IHDR(png,
               info,
               static_cast<png_uint_32>(picture.Width()),
               static_cast<png_uint_32>(picture.Height()),
               8,
               PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // Plots are mostly flat colour: fast settings cost little in size.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 1);
  png_set_compression_mem_level(png, 1);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height(); ++y) {
    png_write_row(png, reinterpret_cast<png_const_bytep>(picture.Row(y)));
  }
  png_write_end(png, info);
}

// Encodes the picture into `file`; false with libpng's message in `failure`.
// Kept free of objects with destructors: libpng leaves a failed call by a
// long jump back here.
bool EncodeTrueColorPng(std::FILE* file, BandedPicture& picture, PngFailure& failure) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnPngError, OnPngWarning);
  if (png == nullptr) {
    failure.message = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    if (failure.message.empty()) failure.message = "out of memory";
    return false;
  }
  png_init_io(png, file);
  WritePngImage(png, info, picture);
  png_destroy_write_struct(&png, &info);
  return true;
}

// A palette picture when the drawing's colours fit one (a third of the data,
// written from its runs), otherwise, or when a pixel turns out to have
// another colour, 24-bit colour through libpng.
bool WritePng(const DrawingRecord& drawing,
              BandedPicture& picture,
              const std::string& path,
              std::string* error) {
  const std::vector<Rgb> colours = PictureColours(drawing);
  if (!colours.empty()) {
    AtomicFileWriter writer(path);
    if (!writer.ok()) return Refuse(writer, "", error);
    RunPngWriter png(writer.stream(), picture.Width(), picture.Height(), colours);
    PaletteRows rows(colours);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(picture.Width()));
    bool in_palette = true;
    for (int y = 0; y < picture.Height() && in_palette; ++y) {
      in_palette = rows.Convert(picture.Row(y), picture.Width(), indices.data());
      if (in_palette) png.WriteRow(indices.data());
    }
    if (in_palette) {
      if (!png.Finish()) {
        return Refuse(writer, png.error() != 0 ? std::strerror(png.error()) : "", error);
      }
      return CommitOrRefuse(writer, error);
    }
  }
  AtomicFileWriter writer(path);
  if (!writer.ok()) return Refuse(writer, "", error);
  PngFailure failure;
  errno = 0;
  if (!EncodeTrueColorPng(writer.stream(), picture, failure)) {
    const int write_error = errno;
    return Refuse(writer, write_error != 0 ? std::strerror(write_error) : failure.message, error);
  }
  return CommitOrRefuse(writer, error);
}

// Rows from the bottom up, each padded to a multiple of four bytes.
bool WriteBmp(BandedPicture& picture, AtomicFileWriter& writer, std::string* error) {
  const std::vector<std::uint8_t> header =
      TrueColorBmpHeader(picture.Width(), picture.Height(), 24);
  if (header.empty()) return Refuse(writer, "the picture is too large for a bitmap file", error);
  writer.Write(header.data(), header.size());
  std::vector<std::uint8_t> row;
  for (int y = picture.Height() - 1; y >= 0 && writer.ok(); --y) {
    row.clear();
    AppendTrueColorBmpRow(picture.Row(y), picture.Width(), 24, row);
    writer.Write(row.data(), row.size());
  }
  return CommitOrRefuse(writer, error);
}

// Opens the pictures' font; null with the reason in *error.
std::unique_ptr<FontGlyphs> OpenPictureFont(const std::string& path, std::string* error) {
  std::string font_error;
  std::unique_ptr<FontGlyphs> glyphs =
      FontGlyphs::Open(kPictureFontPixelSize, kPictureTextAscent, &font_error);
  if (glyphs == nullptr && error != nullptr) {
    *error = "cannot draw '" + path + "': " + font_error;
  }
  return glyphs;
}

bool WritePdf(const DrawingRecord& drawing,
              const std::string& path,
              const PictureOptions& options,
              std::string* error) {
  PdfOptions pdf;
  pdf.fontPixelSize = kPictureFontPixelSize;
  pdf.fontAscent = kPictureTextAscent;
  pdf.title = options.title;
  pdf.paperWidth = options.paper.width;
  pdf.paperHeight = options.paper.height;
  // Text beyond Latin-1 is set in the pixel pictures' font, embedded.
  std::unique_ptr<FontGlyphs> glyphs;
  PdfFont font;
  if (PdfNeedsFont(drawing)) {
    glyphs = OpenPictureFont(path, error);
    if (glyphs == nullptr) return false;
    std::string problem;
    if (!ReadFileBytes(glyphs->path(), kMaxFontFileLength, &font.file, &problem)) {
      if (error != nullptr) {
        *error = "cannot draw '" + path + "': the font " + glyphs->path() + " " + problem;
      }
      return false;
    }
    const FontGlyphs::Measures measures = glyphs->Describe();
    font.postScriptName = measures.postScriptName;
    font.unitsPerEm = measures.unitsPerEm;
    font.ascender = measures.ascender;
    font.descender = measures.descender;
    font.capHeight = measures.capHeight;
    std::copy(measures.box, measures.box + 4, font.box);
    font.advance = measures.advance;
    const FontGlyphs* source = glyphs.get();
    font.glyphOf = [source](char32_t c) { return source->GlyphIndex(c); };
    pdf.font = &font;
  }
  std::string reason;
  if (WriteFileAtomically(path, PdfDocument(drawing, pdf), &reason)) return true;
  return Refuse(path, reason, error);
}

}  // namespace

const std::vector<PictureFormatInfo>& PictureFormats() {
  static const std::vector<PictureFormatInfo> formats = {
      {PictureFormat::kPng, ".png", "PNG"},
      {PictureFormat::kSvg, ".svg", "SVG"},
      {PictureFormat::kBmp, ".bmp", "BMP"},
      {PictureFormat::kPdf, ".pdf", "PDF"},
  };
  return formats;
}

const PictureFormatInfo* PictureFormatOfPath(const std::string& path) {
  const std::string extension = LowerExtension(path);
  for (const PictureFormatInfo& info : PictureFormats()) {
    if (extension == info.extension) return &info;
  }
  return nullptr;
}

namespace {

// The items joined as a sentence: "a, b, c or d".
template <typename Field>
std::string JoinFormats(Field field, const char* separator, const char* last) {
  const std::vector<PictureFormatInfo>& formats = PictureFormats();
  std::string text;
  for (std::size_t i = 0; i < formats.size(); ++i) {
    if (i > 0) text += i + 1 == formats.size() ? last : separator;
    text += field(formats[i]);
  }
  return text;
}

}  // namespace

std::string PictureExtensionList() {
  return JoinFormats([](const PictureFormatInfo& info) { return info.extension; }, ", ", " or ");
}

std::string PictureFormatNames() {
  return JoinFormats([](const PictureFormatInfo& info) { return info.name; }, ", ", " or ");
}

std::string PicturePatterns() {
  return JoinFormats(
      [](const PictureFormatInfo& info) { return std::string("*") + info.extension; }, " ", " ");
}

DrawingRecord MakePictureDrawing(int width, int height) {
  return DrawingRecord(width, height, kPictureTextMetrics);
}

bool SavePicture(const DrawingRecord& drawing,
                 const std::string& path,
                 PictureFormat format,
                 const PictureOptions& options,
                 std::string* error) {
  if (format == PictureFormat::kSvg) {
    SvgFont font;
    font.pixelSize = kPictureFontPixelSize;
    font.ascent = kPictureTextAscent;
    std::string reason;
    if (WriteFileAtomically(path, SvgDocument(drawing, font, options.title), &reason)) {
      return true;
    }
    return Refuse(path, reason, error);
  }
  if (format == PictureFormat::kPdf) return WritePdf(drawing, path, options, error);
  const std::unique_ptr<FontGlyphs> glyphs = OpenPictureFont(path, error);
  if (glyphs == nullptr) return false;
  BandedPicture picture(drawing, glyphs.get());
  if (format == PictureFormat::kPng) return WritePng(drawing, picture, path, error);
  AtomicFileWriter writer(path);
  if (!writer.ok()) return Refuse(writer, "", error);
  return WriteBmp(picture, writer, error);
}

PixelImage PaintPicture(const DrawingRecord& drawing, std::string* error) {
  const std::unique_ptr<FontGlyphs> glyphs = OpenPictureFont("picture", error);
  if (glyphs == nullptr) return PixelImage();
  RasterCanvas canvas(drawing.Width(), drawing.Height(), drawing.Metrics(), glyphs.get());
  drawing.Replay(canvas);
  return canvas.band();
}

}  // namespace layra
