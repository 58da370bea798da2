// Scanning a data file's numbers with the text-input primitives, and
// formatting a results-file line with the program's own printf formatting
// against the C library's.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fileio/text_input.h"
#include "state/text_format.h"

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

// 90 calculated-value lines of an iteration block, as the results writer
// formats them.
void BM_FormatNinetyResultsLines(benchmark::State& state) {
  for (auto _ : state) {
    size_t size = 0;
    for (int i = 1; i <= 90; ++i) {
      size += layra::StrFormat("%2d  %10.3f  %10.3f\n", i, i * 1.1, i * 37.123).size();
    }
    benchmark::DoNotOptimize(size);
  }
}
BENCHMARK(BM_FormatNinetyResultsLines);

void BM_FormatNinetyResultsLinesWithSnprintf(benchmark::State& state) {
  char line[64];
  for (auto _ : state) {
    size_t size = 0;
    for (int i = 1; i <= 90; ++i) {
      size += static_cast<size_t>(
          std::snprintf(line, sizeof line, "%2d  %10.3f  %10.3f\n", i, i * 1.1, i * 37.123));
    }
    benchmark::DoNotOptimize(size);
  }
}
BENCHMARK(BM_FormatNinetyResultsLinesWithSnprintf);

}  // namespace
