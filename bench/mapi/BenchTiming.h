// Timing and reporting shared by the benchmarks of mapi_bench.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace bench {

constexpr int kRepetitions = 5;

// The best time of `repetitions` runs of f, in seconds; -1 when f returns false (a failure).
template <class F>
double Best(F f, int repetitions = kRepetitions) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  double best = 1e30;
  for (int r = 0; r < repetitions; ++r) {
    LARGE_INTEGER start{}, end{};
    QueryPerformanceCounter(&start);
    if (!f()) return -1;
    QueryPerformanceCounter(&end);
    best = std::min(best, double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
  }
  return best;
}

struct Times {
  double library;
  double baseline;
};

// The best times of the library's run and the baseline's, their repetitions alternating so
// that both see the same load of a shared machine; -1 for both on a failure.
// `prepare` runs untimed before every run of either side (to remove what the run before
// left behind, or to wait for work it started).
template <class P, class F, class G>
Times BestOfBothPrepared(P prepare, F library, G baseline, int repetitions = kRepetitions) {
  Times best{1e30, 1e30};
  for (int r = 0; r < repetitions; ++r) {
    prepare();
    const double l = Best(library, 1);
    if (l < 0) return {-1, -1};
    prepare();
    const double b = Best(baseline, 1);
    if (b < 0) return {-1, -1};
    best = {std::min(best.library, l), std::min(best.baseline, b)};
  }
  return best;
}

// The same with nothing to prepare.
template <class F, class G>
Times BestOfBoth(F library, G baseline, int repetitions = kRepetitions) {
  return BestOfBothPrepared([] {}, library, baseline, repetitions);
}

// One figure line, "BENCH<tab>figure<tab>library us<tab>baseline us<tab>target": times of
// a run of `perRun` operations, given per operation.
inline void Report(const char* figure, Times t, double perRun, const char* target) {
  const double library = t.library, baseline = t.baseline;
  if (library < 0 || baseline < 0) {
    std::printf("BENCH\t%s\tfailed\tfailed\t%s\n", figure, target);
  } else {
    std::printf("BENCH\t%s\t%.4f\t%.4f\t%s\n", figure, library * 1e6 / perRun,
                baseline * 1e6 / perRun, target);
  }
  std::fflush(stdout);
}

// One figure line of amounts that are not times (bytes, say), printed as they are.
inline void ReportAmounts(const char* figure, double library, double baseline, const char* target) {
  if (library < 0 || baseline <= 0) {
    std::printf("BENCH\t%s\tfailed\tfailed\t%s\n", figure, target);
  } else {
    std::printf("BENCH\t%s\t%.4f\t%.4f\t%s\n", figure, library, baseline, target);
  }
  std::fflush(stdout);
}

// One point of a scaling curve, "SCALE<tab>figure<tab>size<tab>library<tab>baseline":
// the cost per item (microseconds, or bytes for a memory figure) at that size.
inline void ReportScale(const char* figure, unsigned long size, double library, double baseline) {
  if (library < 0 || baseline < 0) {
    std::printf("SCALE\t%s\t%lu\tfailed\tfailed\n", figure, size);
  } else {
    std::printf("SCALE\t%s\t%lu\t%.4f\t%.4f\n", figure, size, library, baseline);
  }
  std::fflush(stdout);
}

// Times of a run of `items` items as one point of a scaling curve.
inline void ReportScale(const char* figure, unsigned long size, Times t, double items) {
  ReportScale(figure, size, t.library < 0 ? -1 : t.library * 1e6 / items,
              t.baseline < 0 ? -1 : t.baseline * 1e6 / items);
}

}  // namespace bench
