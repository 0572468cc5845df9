// Finding the target in 24-megapixel photos (6000 × 4000, JPEG, colour): the time per photo with the
// file's decoding included, and the megapixels searched per second; then a series of such photos on
// one thread and on every core.
#include "detect/photo_detection.h"
#include "detect/series_detection.h"
#include "photo_renderer.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <unistd.h>

namespace kavo::bench {
namespace {

using detect::TargetKind;
using detect::TargetSpec;

const TargetSpec kTargets[] = {
    {TargetKind::Chessboard, 9, 6, 30.0},
    {TargetKind::Circles, 7, 5, 40.0},
    {TargetKind::AsymmetricCircles, 4, 11, 22.0},
};

// The photos are drawn once, into a folder removed at exit.
class Photos {
public:
  ~Photos() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::string& of(int kind, int index) {
    const auto key = std::make_pair(kind, index);
    auto it = paths_.find(key);
    if (it == paths_.end()) {
      test::PhotoScene scene;
      scene.target = kTargets[kind];
      scene.width = 6000;
      scene.height = 4000;
      scene.focal = 5000.0;
      scene.distance = 800.0 + 40.0 * index;
      scene.supersample = 1;
      scene.blurSigma = 1.5;
      scene.noiseLevels = 3.0;
      scene.tiltXDegrees = 6.0;
      scene.rollDegrees = 2.0;
      scene.seed = static_cast<std::uint64_t>(index + 1);
      const std::string path = folder_ + "/t" + std::to_string(kind) + "_" + std::to_string(index) + ".jpg";
      if (!cv::imwrite(path, test::storedPhoto(test::renderPhoto(scene).image, 8, true),
                       {cv::IMWRITE_JPEG_QUALITY, 92})) {
        throw std::runtime_error("cannot write " + path);
      }
      it = paths_.emplace(key, path).first;
    }
    return it->second;
  }

private:
  std::string folder_ = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
  }();
  std::map<std::pair<int, int>, std::string> paths_;
};

Photos& photos() {
  static Photos p;
  return p;
}

void BM_DetectPhoto(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string& path = photos().of(kind, 0);
  for (auto _ : state) {
    const detect::PhotoDetection d = detect::detectPhoto(path, kTargets[kind]);
    if (d.status != detect::PhotoStatus::Found) {
      state.SkipWithError(d.problem.c_str());
      return;
    }
    benchmark::DoNotOptimize(d);
  }
  state.SetLabel(detect::targetKindName(kTargets[kind].kind));
  state.counters["photos/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["Mpx/s"] =
      benchmark::Counter(24.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DetectPhoto)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// A series of 8 photos: the photos are spread over the threads (0: every core).
void BM_DetectSeries(benchmark::State& state) {
  std::vector<std::string> series;
  for (int i = 0; i < 8; ++i) {
    series.push_back(photos().of(0, i));
  }
  detect::SeriesOptions options;
  options.threads = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const detect::SeriesDetection d = detect::detectSeries(series, kTargets[0], options);
    benchmark::DoNotOptimize(d);
  }
  state.counters["photos/s"] =
      benchmark::Counter(8.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DetectSeries)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace kavo::bench

BENCHMARK_MAIN();
