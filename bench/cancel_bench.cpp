// Cancellation latency: a large run is asked to stop at several moments, during the enumeration and
// during the statistics passes, and the time until the run has ended is measured.
#include "bench_series.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double stopLatencyMs(const kavo::EstimatorInput& in, const kavo::EstimatorSettings& s, int afterMs) {
  std::atomic<bool> stop{false};
  Clock::time_point requested{};
  std::thread requester([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    requested = Clock::now();
    stop = true;
  });
  kavo::EnumerationHooks hooks;
  hooks.shouldStop = [&] { return stop.load(); };
  Clock::time_point ended{};
  try {
    const kavo::FocalValues v = kavo::enumerateFocalValues(in, s, hooks);
    const kavo::Statistics u = kavo::unclippedStatistics(v, hooks.shouldStop);
    kavo::clippedStatistics(v, u, 3.0, hooks.shouldStop);
    ended = Clock::now();
  } catch (const kavo::RunAbandoned&) {
    ended = Clock::now();
  }
  requester.join();
  if (ended < requested) {
    return -1; // the run finished before the request
  }
  return std::chrono::duration<double, std::milli>(ended - requested).count();
}

} // namespace

int main() {
  const auto in = kavo::bench::gridSeries(7, 40);
  const auto s = kavo::bench::benchSettings(40, 0.10, 10);
  std::vector<double> latencies;
  for (const int after : {50, 200, 400, 700, 1000, 1300, 1600, 1900}) {
    const double ms = stopLatencyMs(in, s, after);
    std::printf("cancel after %4d ms: %s", after, ms < 0 ? "run had finished\n" : "");
    if (ms >= 0) {
      std::printf("stopped %.2f ms after the request\n", ms);
      latencies.push_back(ms);
    }
  }
  if (!latencies.empty()) {
    std::printf("cancellation latency: worst %.2f ms over %zu requests (7x7 grid, 40 images, relaxed)\n",
                *std::max_element(latencies.begin(), latencies.end()), latencies.size());
  }
  return 0;
}
