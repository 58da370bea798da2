#include "graphics/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace layra {
namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::uint16_t Read16(const std::vector<std::uint8_t>& bytes, size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The header fields every layout shares.
void ExpectHeaders(const std::vector<std::uint8_t>& bytes,
                   int width,
                   int height,
                   int depth,
                   std::uint32_t offset) {
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 2), "BM");
  EXPECT_EQ(Read32(bytes, 2), bytes.size());
  EXPECT_EQ(Read32(bytes, 6), 0u);  // both reserved fields
  EXPECT_EQ(Read32(bytes, 10), offset);
  EXPECT_EQ(Read32(bytes, 14), 40u);
  EXPECT_EQ(Read32(bytes, 18), static_cast<std::uint32_t>(width));
  EXPECT_EQ(Read32(bytes, 22), static_cast<std::uint32_t>(height));
  EXPECT_EQ(Read16(bytes, 26), 1);
  EXPECT_EQ(Read16(bytes, 28), depth);
  for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(Read32(bytes, at), 0u) << "offset " << at;
}

using Bytes = std::vector<std::uint8_t>;
Bytes Slice(const std::vector<std::uint8_t>& bytes, size_t at, size_t count) {
  return {bytes.begin() + at, bytes.begin() + at + count};
}

PixelImage Pattern(int width, int height) {
  PixelImage image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.Set(x, y, {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200});
    }
  }
  return image;
}

TEST(EncodeTrueColorBmp, RowsArePaddedToFourBytesBottomRowFirst) {
  PixelImage image = Pattern(101, 7);
  image.Set(0, 6, {10, 20, 30});    // bottom-left pixel
  image.Set(100, 0, {40, 50, 60});  // top-right pixel
  auto bytes = EncodeTrueColorBmp(image, 24);
  ExpectHeaders(bytes, 101, 7, 24, 54);
  EXPECT_EQ(bytes.size(), 54u + 304u * 7u);
  // The first row in the file is the bottom one, blue-green-red, and each row
  // ends in one padding byte.
  EXPECT_EQ(Slice(bytes, 54, 3), (Bytes{30, 20, 10}));
  EXPECT_EQ(bytes[54 + 303], 0);
  EXPECT_EQ(Slice(bytes, 54 + 304 * 6 + 300, 4), (Bytes{60, 50, 40, 0}));
}

TEST(EncodeTrueColorBmp, SixteenAndThirtyTwoBitPixels) {
  PixelImage image(3, 2, {255, 128, 8});
  auto sixteen = EncodeTrueColorBmp(image, 16);
  ExpectHeaders(sixteen, 3, 2, 16, 54);
  EXPECT_EQ(sixteen.size(), 54u + 8u * 2u);  // 6 bytes padded to 8
  // 5-5-5: red 31, green 16, blue 1.
  EXPECT_EQ(Read16(sixteen, 54), (31 << 10) | (16 << 5) | 1);
  EXPECT_EQ(Read16(sixteen, 60), 0);
  auto thirty_two = EncodeTrueColorBmp(image, 32);
  ExpectHeaders(thirty_two, 3, 2, 32, 54);
  EXPECT_EQ(thirty_two.size(), 54u + 12u * 2u);
  EXPECT_EQ(Read32(thirty_two, 54), 0x00FF8008u);
}

TEST(EncodeTrueColorBmp, RefusesWhatItCannotWrite) {
  EXPECT_TRUE(EncodeTrueColorBmp(PixelImage(4, 4), 8).empty());
  EXPECT_TRUE(EncodeTrueColorBmp(PixelImage(0, 4), 24).empty());
  PixelImage short_buffer(4, 4);
  short_buffer.pixels.pop_back();
  EXPECT_TRUE(EncodeTrueColorBmp(short_buffer, 24).empty());
}

TEST(EncodePaletteBmp, EightBitLayoutWithTheSystemPalette) {
  PixelImage image(100, 50, kWhite);
  image.Set(0, 49, kBlue);
  image.Set(1, 49, kMagenta);
  image.Set(2, 49, {250, 1, 3});  // nearest: red
  std::vector<Rgb> palette = StandardPalette(8);
  ASSERT_EQ(palette.size(), 256u);
  auto bytes = EncodePaletteBmp(image, 8, palette);
  ExpectHeaders(bytes, 100, 50, 8, 1082);
  EXPECT_EQ(bytes.size(), 1082u + 5000u);
  // Palette entries blue, green, red, 0; entry 256 all zero.
  EXPECT_EQ(bytes[54 + 4 * 9 + 2], 255);               // entry 9 is red
  EXPECT_EQ(Read32(bytes, 54 + 4 * 16), 0x000000FFu);  // entry 16 is blue
  EXPECT_EQ(Read32(bytes, 54 + 4 * 256), 0u);
  const std::vector<Rgb> colours = {
      palette[bytes[1082]], palette[bytes[1083]], palette[bytes[1084]], palette[bytes[1085]]};
  EXPECT_EQ(colours, (std::vector<Rgb>{kBlue, kMagenta, kRed, kWhite}));
}

TEST(EncodePaletteBmp, FourBitRowsKeepAnOddLastColumn) {
  PixelImage image(9, 2, kWhite);
  image.Set(8, 1, kBlack);  // last column of the bottom row
  image.Set(0, 1, kBlue);
  std::vector<Rgb> palette = StandardPalette(4);
  ASSERT_EQ(palette.size(), 16u);
  auto bytes = EncodePaletteBmp(image, 4, palette);
  const size_t offset = 58 + 4 * 16;
  ExpectHeaders(bytes, 9, 2, 4, offset);
  EXPECT_EQ(bytes.size(), offset + 8u * 2u);              // 5 bytes per row, padded to 8
  EXPECT_EQ(bytes[offset], 0xCF);                         // blue, white
  EXPECT_EQ(Slice(bytes, offset + 4, 2), (Bytes{0, 0}));  // black in column 8, padding
  EXPECT_TRUE(EncodePaletteBmp(image, 4, StandardPalette(8)).empty());
  EXPECT_TRUE(EncodePaletteBmp(image, 8, {}).empty());
}

TEST(WriteCaptureBmp, WritesTheLayoutOfTheDisplayDepth) {
  const std::string path = ::testing::TempDir() + "graphics_capture.bmp";
  PixelImage image = Pattern(10, 3);
  for (int depth : {16, 24, 32, 8, 4, 1}) {
    ASSERT_TRUE(WriteCaptureBmp(image, depth, path)) << depth;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 54u) << depth;
    EXPECT_EQ(Read32(bytes, 2), bytes.size()) << depth;
    EXPECT_EQ(Read16(bytes, 28), depth == 1 ? 24 : depth) << depth;
  }
  std::remove(path.c_str());
}

TEST(WriteCaptureBmp, ReportsAFileThatCannotBeCreated) {
  const std::string path = ::testing::TempDir() + "no_such_dir/capture.bmp";
  EXPECT_FALSE(WriteTrueColorBmp(PixelImage(4, 4), 24, path));
  EXPECT_FALSE(WritePaletteBmp(PixelImage(4, 4), 8, StandardPalette(8), path));
  EXPECT_FALSE(WriteCaptureBmp(PixelImage(4, 4), 24, path));
  EXPECT_FALSE(WriteCaptureBmp(PixelImage(), 24, ::testing::TempDir() + "empty.bmp"));
  EXPECT_FALSE(std::ifstream(::testing::TempDir() + "empty.bmp").good());
}

TEST(MakeSiblingName, ReplacesOnlyTheExtensionOfTheFileName) {
  EXPECT_EQ(MakeSiblingName("C:\\data\\survey1.dat", "_temp.bmp"), "C:\\data\\survey1_temp.bmp");
  EXPECT_EQ(MakeSiblingName("survey", ".bmp"), "survey.bmp");
  EXPECT_EQ(MakeSiblingName("C:\\my.data\\survey", "_temp.bmp"), "C:\\my.data\\survey_temp.bmp");
  EXPECT_EQ(MakeSiblingName("/home/me/my.data/survey", ".bmp"), "/home/me/my.data/survey.bmp");
  EXPECT_EQ(MakeSiblingName("/home/me/run.v2.inv", ".bmp"), "/home/me/run.v2.bmp");
  EXPECT_EQ(MakeSiblingName("", "_temp.bmp"), "_temp.bmp");
}

}  // namespace
}  // namespace layra
