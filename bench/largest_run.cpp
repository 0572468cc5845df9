// The largest series the files allow: 101 images of 50 points (a 5 × 10 grid), relaxed settings.
// Prints the time of each phase, the number of values and the peak resident memory.
#include "bench_series.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv) {
  const int images = argc > 1 ? std::atoi(argv[1]) : 101;
  const double spacing = argc > 2 ? std::atof(argv[2]) : 0.10;
  const double angle = argc > 3 ? std::atof(argv[3]) : 10.0;
  const auto in = kavo::bench::gridSeries(5, 10, images);
  const auto s = kavo::bench::benchSettings(images, spacing, angle);
  int steps = 0;
  kavo::EnumerationHooks hooks;
  hooks.stepProgress = [&] { ++steps; };
  const auto t0 = std::chrono::steady_clock::now();
  const kavo::FocalValues v = kavo::enumerateFocalValues(in, s, hooks);
  const auto t1 = std::chrono::steady_clock::now();
  const kavo::Statistics u = kavo::unclippedStatistics(v);
  const kavo::Statistics c = kavo::clippedStatistics(v, u, 3.0);
  const auto t2 = std::chrono::steady_clock::now();
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  std::printf("50 points, %d images, spacing %.2f, angle %.1f: %lld values, %d progress steps\n", images,
              spacing, angle, static_cast<long long>(v.size()), steps);
  std::printf("enumeration %.2f s, statistics %.2f s, peak resident %.0f MB, focal %.4f\n",
              std::chrono::duration<double>(t1 - t0).count(), std::chrono::duration<double>(t2 - t1).count(),
              static_cast<double>(r.ru_maxrss) / 1024.0, c.mean);
  return 0;
}
