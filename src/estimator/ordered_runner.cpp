#include "estimator/ordered_runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kavo {
namespace {

class Pool {
public:
  explicit Pool(const OrderedRun& r) : run(r), finished(r.tasks, 0), failure(r.tasks) {}
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  ~Pool() { finish(); }

  void start() {
    const unsigned count = std::max(1u, std::min<unsigned>(run.threads, static_cast<unsigned>(run.tasks)));
    workers.reserve(count);
    for (unsigned w = 0; w < count; ++w) {
      workers.emplace_back([this, w] { serve(w); });
    }
  }

  // Waits for the task; false when shouldStop asked to end the run.
  bool await(std::size_t task) {
    for (;;) {
      if (run.shouldStop && run.shouldStop()) {
        return false;
      }
      std::unique_lock<std::mutex> lock(mutex);
      if (taskDone.wait_for(lock, std::chrono::milliseconds(10), [&] { return finished[task] != 0; })) {
        break;
      }
    }
    if (failure[task]) {
      std::rethrow_exception(failure[task]);
    }
    return true;
  }

  void finish() {
    stop.store(true);
    for (auto& w : workers) {
      w.join();
    }
    workers.clear();
  }

private:
  void serve(unsigned worker) {
    for (;;) {
      const std::size_t task = next.fetch_add(1);
      if (task >= run.tasks || stop.load(std::memory_order_relaxed)) {
        return;
      }
      try {
        run.work(task, worker, stop);
      } catch (...) {
        failure[task] = std::current_exception();
      }
      {
        const std::lock_guard<std::mutex> lock(mutex);
        finished[task] = 1;
      }
      taskDone.notify_all();
    }
  }

  const OrderedRun& run;
  std::vector<std::uint8_t> finished;
  std::vector<std::exception_ptr> failure;
  std::vector<std::thread> workers;
  std::mutex mutex;
  std::condition_variable taskDone;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
};

} // namespace

bool runInOrder(const OrderedRun& run) {
  if (run.tasks == 0) {
    return true;
  }
  Pool pool(run);
  pool.start();
  for (std::size_t task = 0; task < run.tasks; ++task) {
    if (!pool.await(task)) {
      return false;
    }
    run.deliver(task);
  }
  return true;
}

} // namespace kavo
