#include "cli/plot_output.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "cli/font_glyphs.h"
#include "cli/plot_size.h"
#include "fileio/atomic_file.h"
#include "graphics/bmp_file.h"
#include "graphics/raster_canvas.h"

namespace layra::cli {

namespace {

static_assert(sizeof(Rgb) == 3, "pixel rows are handed on as red, green, blue bytes");

constexpr const char* kPictureTitle = "LAYRA sounding plot";

std::string LowerExtension(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return "";
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
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
  BandedPicture(const VectorCanvas& drawing, GlyphSource* glyphs)
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
      drawing_.Replay(canvas_);
      painted_ = true;
    }
    return canvas_.Row(y);
  }

 private:
  const VectorCanvas& drawing_;
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

// The picture as palette indices, one byte a pixel, when it has at most 256
// colours (a plot has a few pen and text colours and the grey levels of the
// text's edges): a third of the data to compress.
struct IndexedPicture {
  std::vector<png_color> palette;
  std::vector<std::uint8_t> indices;  // row by row from the top
};

bool IndexPicture(BandedPicture& picture, IndexedPicture& indexed) {
  const int width = picture.Width();
  indexed.indices.resize(static_cast<std::size_t>(width) * picture.Height());
  std::unordered_map<std::uint32_t, std::uint8_t> index_of;
  std::uint32_t last_key = 0xFFFFFFFF;
  std::uint8_t last_index = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    const Rgb* row = picture.Row(y);
    std::uint8_t* out = indexed.indices.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t key = (row[x].red << 16) | (row[x].green << 8) | row[x].blue;
      if (key != last_key) {
        auto found = index_of.find(key);
        if (found == index_of.end()) {
          if (indexed.palette.size() == 256) return false;
          found = index_of.emplace(key, static_cast<std::uint8_t>(indexed.palette.size())).first;
          indexed.palette.push_back(png_color{row[x].red, row[x].green, row[x].blue});
        }
        last_key = key;
        last_index = found->second;
      }
      out[x] = last_index;
    }
  }
  return true;
}

void WritePngImage(png_structp png,
                   png_infop info,
                   BandedPicture& picture,
                   const IndexedPicture* indexed) {
  png_set_IHDR(png,
               info,
               static_cast<png_uint_32>(picture.Width()),
               static_cast<png_uint_32>(picture.Height()),
               8,
               indexed != nullptr ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (indexed != nullptr) {
    png_set_PLTE(png, info, indexed->palette.data(), static_cast<int>(indexed->palette.size()));
  }
  // Plots are mostly flat colour: fast settings cost little in size.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height(); ++y) {
    png_write_row(png,
                  indexed != nullptr
                      ? indexed->indices.data() + static_cast<std::size_t>(y) * picture.Width()
                      : reinterpret_cast<png_const_bytep>(picture.Row(y)));
  }
  png_write_end(png, info);
}

// Encodes the picture into `file`; false with libpng's message on failure.
// Kept free of objects with destructors: libpng leaves a failed call by a
// long jump back here.
bool EncodePng(std::FILE* file,
               BandedPicture& picture,
               const IndexedPicture* indexed,
               PngFailure& failure) {
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
  WritePngImage(png, info, picture, indexed);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WritePng(BandedPicture& picture, AtomicFileWriter& writer, std::string* error) {
  IndexedPicture indexed;
  const bool few_colours = IndexPicture(picture, indexed);
  PngFailure failure;
  errno = 0;
  if (!EncodePng(writer.stream(), picture, few_colours ? &indexed : nullptr, failure)) {
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

}  // namespace

bool ParsePictureRequest(const std::string& path,
                         const std::string& size,
                         PictureRequest* request,
                         std::string* error) {
  PictureRequest parsed;
  parsed.path = path;
  parsed.width = kDefaultPlotWidth;
  parsed.height = kDefaultPlotHeight;
  if (!ParsePlotSize(size, &parsed.width, &parsed.height, error)) return false;
  const std::string extension = LowerExtension(path);
  if (extension == ".png") {
    parsed.format = PictureFormat::kPng;
  } else if (extension == ".svg") {
    parsed.format = PictureFormat::kSvg;
  } else if (extension == ".bmp") {
    parsed.format = PictureFormat::kBmp;
  } else {
    if (error != nullptr) {
      *error = "cannot save a plot as '" + path + "': use a .png, .svg or .bmp file name";
    }
    return false;
  }
  *request = parsed;
  return true;
}

VectorCanvas MakePictureCanvas(const PictureRequest& request) {
  return VectorCanvas(request.width, request.height, kPictureTextMetrics);
}

bool SavePicture(const VectorCanvas& drawing, const PictureRequest& request, std::string* error) {
  if (request.format == PictureFormat::kSvg) {
    SvgFont font;
    font.pixelSize = kPictureFontPixelSize;
    font.ascent = kPictureTextAscent;
    std::string reason;
    if (WriteFileAtomically(request.path, SvgDocument(drawing, font, kPictureTitle), &reason)) {
      return true;
    }
    return Refuse(request.path, reason, error);
  }
  std::string font_error;
  const std::unique_ptr<FontGlyphs> glyphs =
      FontGlyphs::Open(kPictureFontPixelSize, kPictureTextAscent, &font_error);
  if (glyphs == nullptr) {
    if (error != nullptr) *error = "cannot draw '" + request.path + "': " + font_error;
    return false;
  }
  BandedPicture picture(drawing, glyphs.get());
  AtomicFileWriter writer(request.path);
  if (!writer.ok()) return Refuse(writer, "", error);
  return request.format == PictureFormat::kPng ? WritePng(picture, writer, error)
                                               : WriteBmp(picture, writer, error);
}

bool DrawToImageFile(const std::string& path,
                     const std::string& size,
                     const std::function<void(Canvas&)>& draw,
                     std::string* error) {
  PictureRequest request;
  if (!ParsePictureRequest(path, size, &request, error)) return false;
  VectorCanvas drawing = MakePictureCanvas(request);
  draw(drawing);
  return SavePicture(drawing, request, error);
}

}  // namespace layra::cli
