// How long the report grid takes to be filled the way reports fill it: the heading row first,
// then one row added per record, every cell set; and what a window watching it adds.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Grid.h"

namespace {
double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double FillRowByRow(long rows, long cols, bool watched) {
  platform::Grid grid;
  long told = 0;
  if (watched) grid.SetListener([&] { ++told; });
  auto start = std::chrono::steady_clock::now();
  grid.SetCols(cols);
  grid.SetRows(1);
  for (long c = 0; c < cols; ++c) grid.SetTextMatrix(0, c, "Heading " + std::to_string(c));
  for (long r = 1; r <= rows; ++r) {
    grid.SetRows(r + 1);
    for (long c = 0; c < cols; ++c) grid.SetTextMatrix(r, c, "value of a setting " + std::to_string(r));
  }
  double took = Seconds(start);
  if (grid.TextMatrix(rows, cols - 1).empty() || (watched && told == 0)) std::puts("unexpected");
  return took;
}
}  // namespace

int main() {
  for (long rows : {1000L, 10000L, 100000L}) {
    double plain = FillRowByRow(rows, 12, false);
    double watched = FillRowByRow(rows, 12, true);
    std::printf("%7ld rows x 12 cols: %.4f s (%.0f ns/cell), with a listener %.4f s\n", rows, plain,
                plain * 1e9 / (rows * 12.0), watched);
  }
  // One column added to a full grid moves every cell once.
  platform::Grid grid;
  grid.SetCols(12);
  grid.SetRows(100001);
  auto start = std::chrono::steady_clock::now();
  grid.SetCols(13);
  std::printf("adding a column to 100001 x 12: %.4f s\n", Seconds(start));
}
