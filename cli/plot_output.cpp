#include "cli/plot_output.h"

#include <png.h>

#include <cctype>
#include <cerrno>
#include <cstring>
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

bool WritePng(const RasterCanvas& canvas, AtomicFileWriter& writer, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(canvas.Width());
  image.height = static_cast<png_uint_32>(canvas.Height());
  image.format = PNG_FORMAT_RGB;
  // Plots are mostly flat colour: the fast setting costs little in size.
  image.flags = PNG_IMAGE_FLAG_FAST;
  errno = 0;
  const int written = png_image_write_to_stdio(
      &image, writer.stream(), 0, canvas.Row(0), 3 * canvas.Width(), nullptr);
  const int write_error = errno;
  const std::string message = image.message;
  png_image_free(&image);
  if (!written) {
    return Refuse(writer, write_error != 0 ? std::strerror(write_error) : message, error);
  }
  return CommitOrRefuse(writer, error);
}

bool WriteBmp(const RasterCanvas& canvas, AtomicFileWriter& writer, std::string* error) {
  const std::vector<std::uint8_t> header = TrueColorBmpHeader(canvas.Width(), canvas.Height(), 24);
  if (header.empty()) return Refuse(writer, "the picture is too large for a bitmap file", error);
  writer.Write(header.data(), header.size());
  std::vector<std::uint8_t> row;
  for (int y = canvas.Height() - 1; y >= 0 && writer.ok(); --y) {
    row.clear();
    AppendTrueColorBmpRow(canvas.Row(y), canvas.Width(), 24, row);
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
  RasterCanvas canvas(drawing.Width(), drawing.Height(), drawing.Metrics(), glyphs.get());
  drawing.Replay(canvas);
  AtomicFileWriter writer(request.path);
  if (!writer.ok()) return Refuse(writer, "", error);
  return request.format == PictureFormat::kPng ? WritePng(canvas, writer, error)
                                               : WriteBmp(canvas, writer, error);
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
