#include "survey/colour_map.h"

#include <algorithm>
#include <cmath>

namespace layra {
namespace {

// Entries 0, 16, 32, ..., 240 and 255 of the published 256-entry table
// (red, green, blue in 0..1).
constexpr int kNodes = 17;
constexpr double kTable[kNodes][3] = {
    {0.267004, 0.004874, 0.329415},  //   0
    {0.282327, 0.094955, 0.417331},  //  16
    {0.278826, 0.175490, 0.483397},  //  32
    {0.258965, 0.251537, 0.524736},  //  48
    {0.229739, 0.322361, 0.545706},  //  64
    {0.199430, 0.387607, 0.554642},  //  80
    {0.172719, 0.448791, 0.557885},  //  96
    {0.149039, 0.508051, 0.557250},  // 112
    {0.127568, 0.566949, 0.550556},  // 128
    {0.120638, 0.625828, 0.533488},  // 144
    {0.157851, 0.683765, 0.501686},  // 160
    {0.246070, 0.738910, 0.452024},  // 176
    {0.369214, 0.788888, 0.382914},  // 192
    {0.515992, 0.831158, 0.294279},  // 208
    {0.678489, 0.863742, 0.189503},  // 224
    {0.845561, 0.887322, 0.099702},  // 240
    {0.993248, 0.906157, 0.143936},  // 255
};
constexpr int kEntry[kNodes] = {
    0, 16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 192, 208, 224, 240, 255};

std::uint8_t Channel(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

Rgb Viridis(double t) {
  const double entry = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0) * 255.0;
  int k = 0;
  while (k + 2 < kNodes && entry > kEntry[k + 1]) ++k;
  const double f = (entry - kEntry[k]) / (kEntry[k + 1] - kEntry[k]);
  double rgb[3];
  for (int c = 0; c < 3; ++c) rgb[c] = kTable[k][c] + f * (kTable[k + 1][c] - kTable[k][c]);
  return {Channel(rgb[0]), Channel(rgb[1]), Channel(rgb[2])};
}

}  // namespace layra
