#ifndef LAYRA_GRAPHICS_PICTURE_FILE_H_
#define LAYRA_GRAPHICS_PICTURE_FILE_H_

// Picture files of a drawing record, for every front end: the table of the
// formats, and the writers. SVG is written as vectors with the text as text;
// PDF likewise (graphics/pdf_document.h); PNG and BMP (24-bit) are painted
// into pixels a band of rows at a time. Text is laid out in the cells of a
// bold fixed-pitch font of 14 pixels (kPictureTextMetrics), drawn by
// FreeType in the pixel formats. A picture file is written whole or not at
// all (fileio/atomic_file.h): on any failure the file named is left as it
// was and nothing else is left behind.

#include <string>
#include <vector>

#include "graphics/bmp_file.h"
#include "graphics/drawing_record.h"

namespace layra {

enum class PictureFormat { kPng, kSvg, kBmp, kPdf };

struct PictureFormatInfo {
  PictureFormat format;
  const char* extension;  // ".png", lower case
  const char* name;       // "PNG"
};

// Every format a picture can be written in, in the order they are offered.
const std::vector<PictureFormatInfo>& PictureFormats();
// The format named by the extension of `path` (case ignored); null when the
// extension names none.
const PictureFormatInfo* PictureFormatOfPath(const std::string& path);
// ".png, .svg, .bmp or .pdf"
std::string PictureExtensionList();
// "PNG, SVG, BMP or PDF"
std::string PictureFormatNames();
// "*.png *.svg *.bmp *.pdf", for a file chooser's filter.
std::string PicturePatterns();

// The cell of DejaVu Sans Mono Bold at 14 pixels, which pictures lay out by.
constexpr TextMetrics kPictureTextMetrics{8, 16};
constexpr int kPictureFontPixelSize = 14;
constexpr int kPictureTextAscent = 13;

// A paper size for PDF pages, in points.
struct PaperSize {
  double width = 0.0;
  double height = 0.0;
  bool empty() const { return !(width > 0.0 && height > 0.0); }
};
constexpr PaperSize kPaperA4{595.276, 841.89};
constexpr PaperSize kPaperLetter{612.0, 792.0};

struct PictureOptions {
  std::string title = "LAYRA sounding plot";  // SVG and PDF documents carry it
  // PDF only: the page's size; empty: the page is the picture, a point per
  // pixel.
  PaperSize paper;
};

// An empty drawing of width x height pixels with the pictures' text cells.
DrawingRecord MakePictureDrawing(int width, int height);

// Writes `drawing` to `path` in `format`. False with a message naming the
// file and the reason ("cannot write '<path>': <reason>") when it cannot be
// written.
bool SavePicture(const DrawingRecord& drawing,
                 const std::string& path,
                 PictureFormat format,
                 const PictureOptions& options,
                 std::string* error);

// The drawing painted into pixels as a PNG or BMP file has them. An invalid
// image with a message in *error when the font cannot be opened or the
// picture is too large to hold.
PixelImage PaintPicture(const DrawingRecord& drawing, std::string* error);

}  // namespace layra

#endif  // LAYRA_GRAPHICS_PICTURE_FILE_H_
