#ifndef LAYRA_GRAPHICS_BMP_FILE_H_
#define LAYRA_GRAPHICS_BMP_FILE_H_

// Windows bitmap files of a captured client area, in the two layouts the
// program writes: true colour (16 bits 5-5-5, 24 or 32 bits per pixel) and
// palette (8 or 4 bits per pixel, system palette plus one zero entry). Files
// are little-endian, rows bottom first, each row padded with zero bytes to a
// multiple of four.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace layra {

// A captured picture: width x height pixels, row by row from the top.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;

  PixelImage() = default;
  PixelImage(int w, int h, Rgb fill = kWhite);
  Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void Set(int x, int y, Rgb color) { pixels[static_cast<size_t>(y) * width + x] = color; }
  // Width and height positive and one pixel for each.
  bool IsValid() const;
};

// Bytes of a true-colour file: 14-byte file header (size 54 + S, pixel data at
// 54), 40-byte info header (image size, resolutions and colour counts 0), then
// S = stride x height bytes of rows with stride = 4 x ceil(width x depth / 32).
// Empty for an invalid image or a depth other than 16, 24 or 32.
std::vector<std::uint8_t> EncodeTrueColorBmp(const PixelImage& image, int bitsPerPixel);

// The same file written a row at a time: the 54 header bytes of a
// width x height picture (empty when a side is not positive or too large, or
// the depth is not 16, 24 or 32), then each row from the bottom up, appended
// to `out` by AppendTrueColorBmpRow from `width` pixels and padded.
std::vector<std::uint8_t> TrueColorBmpHeader(int width, int height, int bitsPerPixel);
void AppendTrueColorBmpRow(const Rgb* row,
                           int width,
                           int bitsPerPixel,
                           std::vector<std::uint8_t>& out);

// Bytes of a palette file for Np = palette.size() colours: the headers, Np + 1
// palette entries (blue, green, red, 0; the last all zero), then the rows at
// offset 58 + 4 Np, each of one byte per pixel (8 bits) or one byte per two
// pixels (4 bits, first pixel in the high half), padded to a multiple of 4.
// Each pixel takes the nearest palette colour. Empty for an invalid image, a
// depth other than 4 or 8, or an empty palette or one larger than the depth
// can index.
std::vector<std::uint8_t> EncodePaletteBmp(const PixelImage& image,
                                           int bitsPerPixel,
                                           const std::vector<Rgb>& palette);

// Writes the bytes to `path`; false (and no file left behind) when the file
// cannot be created or written, or the image cannot be encoded.
bool WriteTrueColorBmp(const PixelImage& image, int bitsPerPixel, const std::string& path);
bool WritePaletteBmp(const PixelImage& image,
                     int bitsPerPixel,
                     const std::vector<Rgb>& palette,
                     const std::string& path);

// The colours of a palette display: the 16 basic colours for 4 bits; for
// 8 bits those, then blue and magenta at 16 and 17, a 6 x 6 x 6 colour cube
// and greys, 256 in all.
std::vector<Rgb> StandardPalette(int bitsPerPixel);

// The capture file for a display of `displayDepth` bits per pixel: true colour
// at 16, 24 and 32; palette (StandardPalette) at 8 and 4; any other depth has
// no palette layout of its own and is written as 24-bit true colour.
bool WriteCaptureBmp(const PixelImage& image, int displayDepth, const std::string& path);

// `source` without its extension (the text from the last "." after the last
// directory separator, "\" or "/"), followed by `suffix`. Without an extension
// the suffix is appended to the whole name: C:\my.data\survey + ".bmp" gives
// C:\my.data\survey.bmp.
std::string MakeSiblingName(const std::string& source, const std::string& suffix);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_BMP_FILE_H_
