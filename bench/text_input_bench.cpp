// Scanning a data file's numbers with the text-input primitives.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "fileio/text_input.h"

namespace {

void BM_ReadRealOverNinetyPoints(benchmark::State& state) {
  std::string text;
  for (int i = 1; i <= 90; ++i)
    text += std::to_string(i * 1.1) + "  " + std::to_string(i * 3.7) + "\r\n";
  std::vector<unsigned char> buffer(text.begin(), text.end());
  for (auto _ : state) {
    long cursor = 0;
    double sum = 0;
    for (int i = 0; i < 180; ++i) sum += layra::ReadReal(buffer, cursor, buffer.size());
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ReadRealOverNinetyPoints);

}  // namespace
