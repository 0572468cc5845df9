// Cost of the refined fit and the intervals on a typical calibration series: a 10-image series of
// an 8 × 7 board (56 points) at 0.04 px, with the classic run's default settings and with relaxed
// ones (5.7°, 5 %: about 20 million classic values), and how soon a stop request ends the work.
#include "refine/classic_interval.h"
#include "refine/refine_series.h"
#include "refine/series_assessment.h"
#include "refine/synthetic_geometry.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

namespace kavo {
namespace {

RefineInput boardInput(bool relaxed) {
  SyntheticGeometryOptions o;
  o.rows = 7;
  o.cols = 8;
  o.pitch = 30.0;
  o.focal = 1600.0;
  o.images = 10;
  o.step = 20.0;
  o.noise = 0.04;
  o.tiltDegrees = 3.0;
  o.k1 = -0.02;
  o.stepJitter = 0.1;
  o.imageWidth = 1920.0;
  o.imageHeight = 1080.0;
  const SyntheticGeometry g = makeSyntheticGeometry(o);
  RefineInput in;
  in.points = correctedPoints(g, o);
  in.settings.imageWidth = o.imageWidth;
  in.settings.imageHeight = o.imageHeight;
  in.settings.imageValues = g.listedSteps;
  in.settings.imageValues.push_back(0.0);
  in.imageCentreX = o.imageWidth / 2.0;
  in.imageCentreY = o.imageHeight / 2.0;
  if (relaxed) {
    in.settings.minLineAngle = 0.1;
    in.settings.minPointSpacing = 0.05;
  }
  return in;
}

void BM_RefinedFit(benchmark::State& state) {
  const RefineInput in = boardInput(false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(refineSeries(in));
  }
  state.counters["points/s"] =
      benchmark::Counter(560.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RefinedFit)->Unit(benchmark::kMillisecond);

// range(0): relaxed settings; range(1): the classic run's own values handed over, as the compute
// command can, instead of enumerated again.
void BM_ClassicInterval(benchmark::State& state) {
  const RefineInput in = boardInput(state.range(0) != 0);
  const RefinedResult refined = refineSeries(in);
  const FocalValues values = enumerateFocalValues(in.points, in.settings, {});
  ClassicUncertainty u;
  for (auto _ : state) {
    u = classicInterval(in, &refined, {}, state.range(1) != 0 ? &values : nullptr);
    benchmark::DoNotOptimize(u);
  }
  state.counters["values"] = static_cast<double>(u.valueCount);
  state.counters["replicates"] = u.replicates;
}
BENCHMARK(BM_ClassicInterval)->Args({0, 0})->Args({0, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassicInterval)->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)->Iterations(2);

// Everything the compute command adds to a classic run.
void BM_AssessSeries(benchmark::State& state) {
  const RefineInput in = boardInput(false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(assessSeries(in));
  }
}
BENCHMARK(BM_AssessSeries)->Unit(benchmark::kMillisecond);

// Time from a stop request, raised after the given fraction of the work, to the end of the work.
void BM_StopLatency(benchmark::State& state) {
  const RefineInput in = boardInput(false);
  const double at = static_cast<double>(state.range(0)) / 100.0;
  double worst = 0.0;
  for (auto _ : state) {
    std::atomic<bool> stop{false};
    std::chrono::steady_clock::time_point raised;
    RefineHooks hooks;
    hooks.progress = [&](double f) {
      if (f >= at && !stop.exchange(true)) {
        raised = std::chrono::steady_clock::now();
      }
    };
    hooks.shouldStop = [&] { return stop.load(); };
    try {
      assessSeries(in, hooks);
    } catch (const RunAbandoned&) {
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - raised).count();
    worst = std::max(worst, ms);
  }
  state.counters["worst stop ms"] = worst;
}
BENCHMARK(BM_StopLatency)->Arg(10)->Arg(50)->Arg(90)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kavo

BENCHMARK_MAIN();
