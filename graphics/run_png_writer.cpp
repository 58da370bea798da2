#include "graphics/run_png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace layra {

namespace {

constexpr int kMaxCopy = 258;        // the longest copy deflate codes
constexpr int kMinCopy = 3;          // the shortest
constexpr int kMaxDistance = 32768;  // the farthest back a copy reaches
constexpr std::size_t kChunkBytes = 1 << 16;

// The fixed Huffman code of a literal/length symbol, bit-reversed so that it
// goes out through the least significant bits first, and its length.
struct Code {
  std::uint16_t bits;
  std::uint8_t length;
};

std::uint16_t Reversed(unsigned code, int length) {
  unsigned reversed = 0;
  for (int k = 0; k < length; ++k) reversed |= ((code >> k) & 1u) << (length - 1 - k);
  return static_cast<std::uint16_t>(reversed);
}

const std::array<Code, 288>& LiteralCodes() {
  static const std::array<Code, 288> codes = [] {
    std::array<Code, 288> table{};
    for (unsigned s = 0; s < 288; ++s) {
      unsigned code = 0;
      int length = 0;
      if (s < 144) {
        code = 0x30 + s, length = 8;
      } else if (s < 256) {
        code = 0x190 + (s - 144), length = 9;
      } else if (s < 280) {
        code = s - 256, length = 7;
      } else {
        code = 0xC0 + (s - 280), length = 8;
      }
      table[s] = Code{Reversed(code, length), static_cast<std::uint8_t>(length)};
    }
    return table;
  }();
  return codes;
}

// Length symbols 257..285: the shortest length of each and its extra bits.
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Distance codes 0..29 likewise.
constexpr std::array<int, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The symbol index (0..28) of each copy length 3..258.
const std::array<std::uint8_t, kMaxCopy + 1>& LengthSymbols() {
  static const std::array<std::uint8_t, kMaxCopy + 1> symbols = [] {
    std::array<std::uint8_t, kMaxCopy + 1> table{};
    for (int length = kMinCopy; length <= kMaxCopy; ++length) {
      int k = 28;
      while (kLengthBase[k] > length) --k;
      table[length] = static_cast<std::uint8_t>(k);
    }
    return table;
  }();
  return symbols;
}

int DistanceSymbol(int distance) {
  int k = 29;
  while (kDistanceBase[k] > distance) --k;
  return k;
}

// How many bytes from the start `a` and `b` agree on, of `n`.
int SameLength(const std::uint8_t* a, const std::uint8_t* b, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// How many of the `n` bytes from `a` on equal `value`.
int RunLength(const std::uint8_t* a, std::uint8_t value, int n) {
  const std::uint64_t pattern = 0x0101010101010101ull * value;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x = 0;
    std::memcpy(&x, a + i, 8);
    if (x != pattern) break;
  }
  while (i < n && a[i] == value) ++i;
  return i;
}

// The zlib check value (Adler-32) of `data` appended to that of what came
// before, `adler`, taken run by run: a run of L bytes of value v adds L * v
// to the first sum and L * s1 + v * L (L + 1) / 2 to the second. The sums
// are reduced only when they grow large, about once per row.
std::uint32_t AdlerOfRuns(std::uint32_t adler, const std::uint8_t* data, int n) {
  constexpr std::uint64_t kModulus = 65521;
  std::uint64_t s1 = adler & 0xFFFF;
  std::uint64_t s2 = adler >> 16;
  for (int at = 0; at < n;) {
    const std::uint64_t value = data[at];
    const std::uint64_t length =
        1 + static_cast<std::uint64_t>(RunLength(data + at + 1, data[at], n - at - 1));
    s2 += length * s1 + value * (length * (length + 1) / 2);
    s1 += length * value;
    if (s2 >= (std::uint64_t{1} << 40)) {
      s1 %= kModulus;
      s2 %= kModulus;
    }
    at += static_cast<int>(length);
  }
  return static_cast<std::uint32_t>(((s2 % kModulus) << 16) | (s1 % kModulus));
}

void PutBigEndian(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

}  // namespace

RunPngWriter::RunPngWriter(std::FILE* file, int width, int height, const std::vector<Rgb>& palette)
    : file_(file), stride_(width + 1), row_(stride_, 0), previous_(stride_, 0) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ok_ = std::fwrite(kSignature, 1, sizeof kSignature, file_) == sizeof kSignature;
  std::uint8_t header[13] = {};
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits per index
  header[9] = 3;  // palette colour
  WriteChunk("IHDR", header, sizeof header);
  std::vector<std::uint8_t> entries;
  for (const Rgb& colour : palette) {
    entries.insert(entries.end(), {colour.red, colour.green, colour.blue});
  }
  WriteChunk("PLTE", entries.data(), entries.size());
  // The zlib header (deflate, 32 KB window, no dictionary) and the start of
  // the one block with fixed codes that holds every row.
  out_ = {0x78, 0x01};
  PutBits(0, 1);  // not the last block
  PutBits(1, 2);  // fixed Huffman codes
}

void RunPngWriter::PutBits(std::uint32_t bits, int count) {
  bit_buffer_ |= static_cast<std::uint64_t>(bits) << bit_count_;
  bit_count_ += count;
  if (bit_count_ >= 32) {
    const auto word = static_cast<std::uint32_t>(bit_buffer_);
    out_.insert(out_.end(),
                {static_cast<std::uint8_t>(word),
                 static_cast<std::uint8_t>(word >> 8),
                 static_cast<std::uint8_t>(word >> 16),
                 static_cast<std::uint8_t>(word >> 24)});
    bit_buffer_ >>= 32;
    bit_count_ -= 32;
  }
}

void RunPngWriter::PutLiteral(int symbol) {
  const Code code = LiteralCodes()[static_cast<std::size_t>(symbol)];
  PutBits(code.bits, code.length);
}

void RunPngWriter::PutCopy(int length, int distance) {
  const int k = LengthSymbols()[static_cast<std::size_t>(length)];
  PutLiteral(257 + k);
  if (kLengthExtra[k] > 0) {
    PutBits(static_cast<std::uint32_t>(length - kLengthBase[k]), kLengthExtra[k]);
  }
  const int d = DistanceSymbol(distance);
  PutBits(Reversed(static_cast<unsigned>(d), 5), 5);
  if (kDistanceExtra[d] > 0) {
    PutBits(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
  }
}

// A copy of any length of at least kMinCopy, as copies deflate can code:
// the last one is never shorter than kMinCopy.
void RunPngWriter::PutCopies(int length, int distance) {
  while (length > 0) {
    const int part = length <= kMaxCopy             ? length
                     : length - kMaxCopy < kMinCopy ? length - kMinCopy
                                                    : kMaxCopy;
    PutCopy(part, distance);
    length -= part;
  }
}

void RunPngWriter::WriteRow(const std::uint8_t* indices) {
  row_[0] = 0;  // no filter
  std::memcpy(row_.data() + 1, indices, static_cast<std::size_t>(stride_ - 1));
  EncodeRow();
  adler_ = AdlerOfRuns(adler_, row_.data(), stride_);
  std::swap(row_, previous_);
  have_previous_ = true;
  if (out_.size() >= kChunkBytes) FlushBytes(false);
}

// Where the row repeats the row above for at least kMinCopy bytes, a copy of
// it; elsewhere each run of one index as the index and a copy of the byte
// before.
void RunPngWriter::EncodeRow() {
  const std::uint8_t* row = row_.data();
  const std::uint8_t* above = previous_.data();
  const bool copy_rows = have_previous_ && stride_ <= kMaxDistance;
  for (int at = 0; at < stride_;) {
    if (copy_rows) {
      const int same = SameLength(row + at, above + at, stride_ - at);
      if (same >= kMinCopy) {
        PutCopies(same, stride_);
        at += same;
        continue;
      }
    }
    const std::uint8_t value = row[at];
    PutLiteral(value);
    const int run = RunLength(row + at + 1, value, stride_ - at - 1);
    if (run >= kMinCopy) {
      PutCopies(run, 1);
    } else {
      for (int k = 0; k < run; ++k) PutLiteral(value);
    }
    at += 1 + run;
  }
}

// Passes whole compressed bytes on as an IDAT chunk (`all`: the last bits
// too, padded to a byte).
void RunPngWriter::FlushBytes(bool all) {
  if (all) {
    while (bit_count_ > 0) {
      out_.push_back(static_cast<std::uint8_t>(bit_buffer_));
      bit_buffer_ >>= 8;
      bit_count_ = std::max(0, bit_count_ - 8);
    }
  }
  if (!out_.empty()) WriteChunk("IDAT", out_.data(), out_.size());
  out_.clear();
}

bool RunPngWriter::Finish() {
  PutLiteral(256);  // the end of the rows' block
  PutBits(1, 1);    // the last block: empty, fixed codes
  PutBits(1, 2);
  PutLiteral(256);
  while (bit_count_ % 8 != 0) PutBits(0, 1);
  std::uint8_t check[4];
  PutBigEndian(check, adler_);
  for (const std::uint8_t byte : check) PutBits(byte, 8);
  FlushBytes(true);
  WriteChunk("IEND", nullptr, 0);
  if (!ok_) return false;
  errno = 0;
  ok_ = std::fflush(file_) == 0 && !std::ferror(file_);
  if (!ok_) error_ = errno;
  return ok_;
}

void RunPngWriter::WriteChunk(const char* type, const std::uint8_t* data, std::size_t size) {
  std::uint8_t head[8];
  PutBigEndian(head, static_cast<std::uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0L, head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  std::uint8_t tail[4];
  PutBigEndian(tail, static_cast<std::uint32_t>(crc));
  if (!ok_) return;
  errno = 0;
  ok_ = std::fwrite(head, 1, 8, file_) == 8 &&
        (size == 0 || std::fwrite(data, 1, size, file_) == size) &&
        std::fwrite(tail, 1, 4, file_) == 4;
  if (!ok_) error_ = errno;
}

}  // namespace layra
