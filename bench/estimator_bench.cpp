// Throughput of the estimator: solves per second, values per second, and the time of each phase of a
// run on synthetic fronto-parallel series.
#include "bench_series.h"
#include "estimator/projective_batch.h"
#include "estimator/projective_solve.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <sys/resource.h>

namespace kavo::bench {
namespace {

std::vector<std::array<Point2, 8>> solveCases() {
  const auto in = gridSeries(7, 1);
  std::vector<std::array<Point2, 8>> cases;
  std::mt19937_64 rng(1);
  while (cases.size() < 4096) {
    int q[4];
    for (int& v : q) {
      v = static_cast<int>(rng() % in.scene.size());
    }
    std::array<Point2, 8> c;
    for (int n = 0; n < 4; ++n) {
      c[static_cast<std::size_t>(n)] = in.images[0][static_cast<std::size_t>(q[n])];
      c[static_cast<std::size_t>(n + 4)] = in.scene[static_cast<std::size_t>(q[n])];
    }
    cases.push_back(c);
  }
  return cases;
}

template <bool (*Solve)(const Point2*, const Point2*, ProjectiveTransform&)>
void BM_Solve(benchmark::State& state) {
  const auto cases = solveCases();
  std::size_t n = 0;
  for (auto _ : state) {
    const auto& c = cases[n++ % cases.size()];
    ProjectiveTransform t;
    benchmark::DoNotOptimize(Solve(c.data(), c.data() + 4, t));
    benchmark::DoNotOptimize(t);
  }
  state.counters["solves/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Solve<solveProjectiveTransform>)->Name("Solve/specialised");

// Solve and measurement of the images of one quadruple side by side in vector lanes, as the
// enumeration does it: two lanes, and four where the processor has AVX2.
void BM_SolveBatch(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  if (width > solveBatchSize()) {
    state.SkipWithError("this processor has no four-lane form");
    return;
  }
  const auto cases = solveCases();
  std::size_t n = 0;
  for (auto _ : state) {
    std::array<Point2, 4> images[4];
    for (auto& image : images) {
      const auto& c = cases[n++ % cases.size()];
      std::copy(c.begin(), c.begin() + 4, image.begin());
    }
    ImageMeasure out[4];
    solveAndMeasureBatch(images, width, cases[n % cases.size()].data() + 4, out, width);
    benchmark::DoNotOptimize(out);
  }
  state.counters["solves/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * width, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SolveBatch)->Name("Solve/lanes+measure")->ArgName("lanes")->Arg(2)->Arg(4);
BENCHMARK(BM_Solve<solveProjectiveTransformFull>)->Name("Solve/full8x9");

double peakResidentBytes() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_maxrss) * 1024.0;
}

// One whole run: enumeration (all cores unless threads is given), unclipped and clipped statistics.
void BM_Run(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const int images = static_cast<int>(state.range(1));
  const bool relaxed = state.range(2) != 0;
  const int threads = static_cast<int>(state.range(3));
  const auto in = gridSeries(side, images);
  const auto settings =
      relaxed ? benchSettings(images, 0.10, 10, threads) : benchSettings(images, 0.3, 30, threads);
  double enumerateSeconds = 0;
  double statsSeconds = 0;
  std::int64_t values = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const FocalValues list = enumerateFocalValues(in, settings, {});
    const auto t1 = std::chrono::steady_clock::now();
    if (!list.empty()) {
      const Statistics u = unclippedStatistics(list);
      benchmark::DoNotOptimize(clippedStatistics(list, u, 3.0));
    }
    const auto t2 = std::chrono::steady_clock::now();
    enumerateSeconds += std::chrono::duration<double>(t1 - t0).count();
    statsSeconds += std::chrono::duration<double>(t2 - t1).count();
    values = list.size();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["values"] = static_cast<double>(values);
  state.counters["values/s"] =
      benchmark::Counter(static_cast<double>(values) * iterations, benchmark::Counter::kIsRate);
  state.counters["enumerate_s"] = enumerateSeconds / iterations;
  state.counters["statistics_s"] = statsSeconds / iterations;
  state.counters["peak_MB"] = peakResidentBytes() / 1e6;
}
BENCHMARK(BM_Run)
    ->ArgNames({"side", "images", "relaxed", "threads"})
    ->ArgsProduct({{5, 7}, {10, 20, 40}, {0, 1}, {0}})
    ->Args({7, 40, 1, 1})
    ->Args({7, 40, 1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace kavo::bench

BENCHMARK_MAIN();
