#pragma once
#include <atomic>
#include <cstddef>
#include <functional>

namespace kavo {

// Runs independent tasks on worker threads and hands them, finished, to the calling thread in task
// order, so that whatever the caller does with them (adding values, meeting the first fault) happens
// exactly as if the tasks had run one after the other on that thread.
struct OrderedRun {
  std::size_t tasks = 0;
  unsigned threads = 1; // workers; at most one per task

  // On a worker thread: performs task `task`; `worker` numbers the thread (0 .. threads − 1), for
  // memory of its own; `stop` set means the run is ending and the task may return unfinished.
  std::function<void(std::size_t task, unsigned worker, const std::atomic<bool>& stop)> work;
  // On the calling thread, in task order, once the task has finished.
  std::function<void(std::size_t task)> deliver;
  // On the calling thread, before each delivery and at least every 10 ms while it waits; true ends
  // the run.
  std::function<bool()> shouldStop;
};

// Returns true when every task was delivered, false when shouldStop ended the run first. An exception
// thrown by a task is thrown on the calling thread in the task's turn; one thrown by deliver or
// shouldStop is passed on. Either way every worker has ended before this returns.
bool runInOrder(const OrderedRun& run);

} // namespace kavo
