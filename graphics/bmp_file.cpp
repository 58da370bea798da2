#include "graphics/bmp_file.h"

#include <cstdio>
#include <map>

namespace layra {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
// Largest side accepted, so every size and offset fits the 32-bit fields.
constexpr int kMaxSide = 1 << 15;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutHeaders(std::vector<std::uint8_t>& out,
                int width,
                int height,
                int bitsPerPixel,
                std::uint32_t fileSize,
                std::uint32_t dataOffset) {
  Put16(out, 0x4D42);  // "BM"
  Put32(out, fileSize);
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, dataOffset);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bitsPerPixel));
  for (int field = 0; field < 6; ++field) Put32(out, 0);
}

std::size_t PaddedRow(std::size_t bytes) { return (bytes + 3) / 4 * 4; }

int Distance(Rgb a, Rgb b) {
  int dr = a.red - b.red;
  int dg = a.green - b.green;
  int db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

// Palette index of each colour met, nearest colour first found.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const std::vector<Rgb>& palette) : palette_(palette) {}

  std::uint8_t Index(Rgb color) {
    std::uint32_t key = (color.red << 16) | (color.green << 8) | color.blue;
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette_.size(); ++i) {
      if (Distance(palette_[i], color) < Distance(palette_[best], color)) best = i;
    }
    cache_[key] = static_cast<std::uint8_t>(best);
    return static_cast<std::uint8_t>(best);
  }

 private:
  const std::vector<Rgb>& palette_;
  std::map<std::uint32_t, std::uint8_t> cache_;
};

bool WriteBytes(const std::vector<std::uint8_t>& bytes, const std::string& path) {
  if (bytes.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (!written) std::remove(path.c_str());
  return written;
}

}  // namespace

PixelImage::PixelImage(int w, int h, Rgb fill)
    : width(w),
      height(h),
      pixels(w > 0 && h > 0 ? static_cast<std::size_t>(w) * static_cast<std::size_t>(h) : 0, fill) {
}

bool PixelImage::IsValid() const {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

namespace {

std::size_t TrueColorBmpStride(int width, int bitsPerPixel) {
  return 4 * ((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32);
}

}  // namespace

std::vector<std::uint8_t> TrueColorBmpHeader(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
  if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return {};
  const std::size_t size =
      TrueColorBmpStride(width, bitsPerPixel) * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> out;
  PutHeaders(out,
             width,
             height,
             bitsPerPixel,
             static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize + size),
             kFileHeaderSize + kInfoHeaderSize);
  return out;
}

void AppendTrueColorBmpRow(const Rgb* row,
                           int width,
                           int bitsPerPixel,
                           std::vector<std::uint8_t>& out) {
  const std::size_t row_start = out.size();
  for (int x = 0; x < width; ++x) {
    const Rgb c = row[x];
    if (bitsPerPixel == 16) {
      Put16(out, ((c.red >> 3) << 10) | ((c.green >> 3) << 5) | (c.blue >> 3));
    } else {
      out.push_back(c.blue);
      out.push_back(c.green);
      out.push_back(c.red);
      if (bitsPerPixel == 32) out.push_back(0);
    }
  }
  out.resize(row_start + TrueColorBmpStride(width, bitsPerPixel), 0);
}

std::vector<std::uint8_t> EncodeTrueColorBmp(const PixelImage& image, int bitsPerPixel) {
  if (!image.IsValid()) return {};
  std::vector<std::uint8_t> out = TrueColorBmpHeader(image.width, image.height, bitsPerPixel);
  if (out.empty()) return {};
  out.reserve(out.size() + TrueColorBmpStride(image.width, bitsPerPixel) * image.height);
  for (int y = image.height - 1; y >= 0; --y) {
    AppendTrueColorBmpRow(
        &image.pixels[static_cast<std::size_t>(y) * image.width], image.width, bitsPerPixel, out);
  }
  return out;
}

std::vector<std::uint8_t> EncodePaletteBmp(const PixelImage& image,
                                           int bitsPerPixel,
                                           const std::vector<Rgb>& palette) {
  if (!image.IsValid()) return {};
  if (bitsPerPixel != 8 && bitsPerPixel != 4) return {};
  if (palette.empty() || palette.size() > (std::size_t{1} << bitsPerPixel)) return {};
  const std::size_t entries = palette.size();
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + 4 + 4 * entries;
  // A 4-bit row holds two pixels per byte; an odd last pixel gets a byte of
  // its own so no column is lost.
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t row_bytes = bitsPerPixel == 8 ? width : (width + 1) / 2;
  const std::size_t row = PaddedRow(row_bytes);
  std::vector<std::uint8_t> out;
  out.reserve(offset + row * image.height);
  PutHeaders(out,
             image.width,
             image.height,
             bitsPerPixel,
             static_cast<std::uint32_t>(offset + row * image.height),
             static_cast<std::uint32_t>(offset));
  for (const Rgb& c : palette) {
    out.push_back(c.blue);
    out.push_back(c.green);
    out.push_back(c.red);
    out.push_back(0);
  }
  for (int i = 0; i < 4; ++i) out.push_back(0);
  PaletteMatcher matcher(palette);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> line(row, 0);
    for (int x = 0; x < image.width; ++x) {
      std::uint8_t index = matcher.Index(image.At(x, y));
      if (bitsPerPixel == 8) {
        line[x] = index;
      } else {
        line[x / 2] |= x % 2 == 0 ? static_cast<std::uint8_t>(index << 4) : index;
      }
    }
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

bool WriteTrueColorBmp(const PixelImage& image, int bitsPerPixel, const std::string& path) {
  return WriteBytes(EncodeTrueColorBmp(image, bitsPerPixel), path);
}

bool WritePaletteBmp(const PixelImage& image,
                     int bitsPerPixel,
                     const std::vector<Rgb>& palette,
                     const std::string& path) {
  return WriteBytes(EncodePaletteBmp(image, bitsPerPixel, palette), path);
}

std::vector<Rgb> StandardPalette(int bitsPerPixel) {
  std::vector<Rgb> palette = {{0, 0, 0},
                              {128, 0, 0},
                              {0, 128, 0},
                              {128, 128, 0},
                              {0, 0, 128},
                              {128, 0, 128},
                              {0, 128, 128},
                              {192, 192, 192},
                              {128, 128, 128},
                              {255, 0, 0},
                              {0, 255, 0},
                              {255, 255, 0},
                              {0, 0, 255},
                              {255, 0, 255},
                              {0, 255, 255},
                              {255, 255, 255}};
  if (bitsPerPixel <= 4) return palette;
  palette.push_back(kBlue);
  palette.push_back(kMagenta);
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        palette.push_back({static_cast<std::uint8_t>(51 * r),
                           static_cast<std::uint8_t>(51 * g),
                           static_cast<std::uint8_t>(51 * b)});
      }
    }
  }
  for (int grey = 1; palette.size() < 256; ++grey) {
    std::uint8_t level = static_cast<std::uint8_t>(grey * 11);
    palette.push_back({level, level, level});
  }
  return palette;
}

bool WriteCaptureBmp(const PixelImage& image, int displayDepth, const std::string& path) {
  if (displayDepth == 16 || displayDepth == 24 || displayDepth == 32) {
    return WriteTrueColorBmp(image, displayDepth, path);
  }
  if (displayDepth == 8 || displayDepth == 4) {
    return WritePaletteBmp(image, displayDepth, StandardPalette(displayDepth), path);
  }
  return WriteTrueColorBmp(image, 24, path);
}

std::string MakeSiblingName(const std::string& source, const std::string& suffix) {
  std::size_t separator = source.find_last_of("\\/");
  std::size_t dot = source.rfind('.');
  bool has_extension =
      dot != std::string::npos && (separator == std::string::npos || dot > separator);
  return (has_extension ? source.substr(0, dot) : source) + suffix;
}

}  // namespace layra
