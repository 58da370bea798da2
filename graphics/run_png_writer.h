#ifndef LAYRA_GRAPHICS_RUN_PNG_WRITER_H_
#define LAYRA_GRAPHICS_RUN_PNG_WRITER_H_

// PNG files of palette pictures made of runs of one colour, as plots are.
// A general compressor looks at every byte: on a plot of a million pixels
// that is most of the cost of the picture. This writer builds the deflate
// stream (RFC 1951, with the fixed Huffman codes) from what a plot is made
// of instead: a copy of the row above where a row repeats it, and otherwise
// each run of one colour as a literal and a copy at distance one. Its work
// follows the runs, and any PNG reader decodes the file.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/raster.h"

namespace layra {

class RunPngWriter {
 public:
  // Writes the signature, the header and the palette (1 to 256 colours) to
  // `file`, which stays the caller's.
  RunPngWriter(std::FILE* file, int width, int height, const std::vector<Rgb>& palette);

  // The next row, `width` palette indices, top down.
  void WriteRow(const std::uint8_t* indices);

  // Ends the image after the last row; false when a write failed.
  bool Finish();

  // The system's reason (an errno value) for the first write that failed,
  // 0 if none did or the system gave none.
  int error() const { return error_; }

 private:
  void PutBits(std::uint32_t bits, int count);
  void PutLiteral(int symbol);
  void PutCopy(int length, int distance);
  void PutCopies(int length, int distance);
  void EncodeRow();
  void FlushBytes(bool all);
  void WriteChunk(const char* type, const std::uint8_t* data, std::size_t size);

  std::FILE* file_;
  int stride_;  // bytes of a row in the stream: the filter byte and the indices
  std::vector<std::uint8_t> row_;
  std::vector<std::uint8_t> previous_;
  bool have_previous_ = false;
  std::uint32_t adler_ = 1;
  std::uint64_t bit_buffer_ = 0;
  int bit_count_ = 0;
  std::vector<std::uint8_t> out_;  // compressed bytes not yet in an IDAT chunk
  bool ok_ = true;
  int error_ = 0;
};

}  // namespace layra

#endif  // LAYRA_GRAPHICS_RUN_PNG_WRITER_H_
