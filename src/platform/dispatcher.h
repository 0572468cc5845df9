#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kavo {

// Runs a step on the main (GUI) thread and waits until it has finished: the worker's Synchronize.
// The desktop's is a blocking queued call into the Qt event loop; the command line's runs the
// step in place.
class MainThreadDispatcher {
public:
  virtual ~MainThreadDispatcher() = default;
  virtual void runAndWait(const std::function<void()>& step) = 0;
};

// The command line's dispatcher: there is no separate GUI thread, the step runs at once.
class InPlaceDispatcher final : public MainThreadDispatcher {
public:
  void runAndWait(const std::function<void()>& step) override { step(); }
};

// A main thread without a GUI event loop: steps posted from other threads wait in a queue until the
// main thread (the one that created the dispatcher) processes them, which is how the desktop's
// event loop behaves. Steps posted from the main thread itself run in place. An exception of a step
// is passed back to the thread that posted it. It must outlive every worker that posts to it: wait
// for a worker's exit token, serving its steps, before letting the dispatcher go.
class QueuedDispatcher final : public MainThreadDispatcher {
public:
  QueuedDispatcher() : mainThread(std::this_thread::get_id()) {}

  void runAndWait(const std::function<void()>& step) override {
    if (std::this_thread::get_id() == mainThread) {
      step();
      return;
    }
    Pending pending{&step, nullptr, false};
    std::unique_lock lock(mutex);
    queue.push_back(&pending);
    changed.notify_all();
    changed.wait(lock, [&] { return pending.finished; });
    if (pending.error) {
      std::rethrow_exception(pending.error);
    }
  }

  // On the main thread: runs posted steps until done() holds (checked between steps and at least
  // every few milliseconds) or the timeout passes; true when done() held.
  template <typename Rep, typename Period>
  bool processUntil(const std::function<bool()>& done, std::chrono::duration<Rep, Period> timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) {
        return false;
      }
      processOne(std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(5)));
    }
    return true;
  }

  // On the main thread: runs at most one posted step, waiting up to timeout for one; true when a
  // step ran.
  bool processOne(std::chrono::steady_clock::duration timeout) {
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, timeout, [this] { return !queue.empty(); })) {
      return false;
    }
    Pending* pending = queue.front();
    queue.pop_front();
    lock.unlock();
    try {
      (*pending->step)();
    } catch (...) {
      pending->error = std::current_exception();
    }
    lock.lock();
    pending->finished = true;
    changed.notify_all();
    return true;
  }

private:
  struct Pending {
    const std::function<void()>* step;
    std::exception_ptr error;
    bool finished = false;
  };

  std::thread::id mainThread;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Pending*> queue;
};

} // namespace kavo
