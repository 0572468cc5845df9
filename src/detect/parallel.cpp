#include "detect/parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace kavo::detect {

int forEachInParallel(int count, int threads, const std::function<void(int)>& work,
                      const std::function<bool()>& stop) {
  if (threads <= 0) {
    threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  threads = std::clamp(threads, 1, std::max(1, count));
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::atomic<bool> stopped{false};
  auto loop = [&] {
    for (;;) {
      if (stopped.load() || (stop && stop())) {
        stopped.store(true);
        return;
      }
      const int i = next.fetch_add(1);
      if (i >= count) {
        return;
      }
      work(i);
      done.fetch_add(1);
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) {
    try {
      pool.emplace_back(loop);
    } catch (const std::system_error&) {
      break; // the threads already started, and this one, do the work
    }
  }
  loop();
  for (auto& t : pool) {
    t.join();
  }
  return done.load();
}

} // namespace kavo::detect
