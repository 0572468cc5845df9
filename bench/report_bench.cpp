// Cost of a calibration report: binning the values through the distribution window's model and
// building the page with its plots, for lists of the size of the sample and of a very long run. The
// page's size is reported beside the time; it does not grow with the number of values.
#include "estimator/focal_values.h"
#include "report/report_distribution.h"
#include "report/report_page.h"

#include <benchmark/benchmark.h>

#include <random>

namespace kavo::bench {
namespace {

FocalValues normalValues(std::int64_t count) {
  std::mt19937_64 rng(20261210);
  std::normal_distribution<double> focal(1800.0, 9.0);
  std::vector<double> values(static_cast<std::size_t>(count));
  for (double& v : values) {
    v = focal(rng);
  }
  return FocalValues::fromVector(std::move(values));
}

// A report with every part present: refined result, step checks, per-image RMS, worst-image arrows.
ReportInput fullInput() {
  ReportInput in;
  in.programVersion = "1.0.0";
  in.date = "10.12.2025 12:00";
  in.files = {{"Файл внутренней геометрии", "/calib/camera.cam", std::string(64, 'a'), {}},
              {"Файл координат точек сцены", "/calib/scene.crd", std::string(64, 'b'), {}},
              {"Список калибровочных файлов", "/calib/series.lst", std::string(64, 'c'), {}}};
  in.imageCount = 101;
  in.scenePointCount = 50;
  in.measuredPointCount = 5050;
  in.classic = {true, {}, 0, 1800.0, 9.0, 0.01, {true, 0.3, {1799.4, 1800.6}, "изображения"}, {}, {}};
  in.refined.status = RefinedStatus::Ok;
  in.refined.focal = 1800.01;
  for (int i = 1; i <= 101; ++i) {
    const double step = 20.0 * (i - 1);
    in.scale.points.push_back({i, step, 150 + step * 0.1, 150 + step * 0.1, 0.001 * (i % 7 - 3), i == 40});
    in.imageRms.push_back({i, 0.03 + 0.001 * (i % 11)});
    if (i > 1) {
      in.refined.steps.push_back({i - 1, 20.0, 20.0 + 0.01 * (i % 5 - 2), i == 40});
    }
  }
  in.worstImage.image = 40;
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 10; ++c) {
      in.worstImage.points.push_back(
          {200.0 + 180 * c, 200.0 + 250 * r, 0.03 * (c - 5), 0.02 * (r - 2), false});
    }
  }
  return in;
}

void BM_Report(benchmark::State& state) {
  const FocalValues values = normalValues(state.range(0));
  ReportInput in = fullInput();
  in.classic.valueCount = values.size();
  std::size_t bytes = 0;
  for (auto _ : state) {
    in.distribution = reportDistribution(values, {1800.0, 3.0, 9.0, 0.01}, 1800.0);
    const std::string page = buildReportPage(in);
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["values"] = static_cast<double>(values.size());
  state.counters["values/s"] =
      benchmark::Counter(static_cast<double>(values.size()), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["page_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Report)->Arg(1314)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace kavo::bench

BENCHMARK_MAIN();
