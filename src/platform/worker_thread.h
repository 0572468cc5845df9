#pragma once
#include "platform/dispatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kavo {

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest };

// Lets the main side wait until a worker's thread has finished and, for a self-freeing worker,
// until its object has been destroyed. It outlives the worker object.
class WorkerExit {
public:
  void wait();
  bool waitFor(std::chrono::milliseconds timeout);
  bool finished() const;
  void markFinished();

private:
  mutable std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
};

// A background thread object: created suspended, started with Resume, asked to stop with
// Terminate (a flag the run polls), optionally freeing itself when its run returns, and reaching
// the main thread only through Synchronize.
//
// Objects are always held by std::shared_ptr (create them with WorkerThread::create). While the
// run is under way the thread keeps its own reference; with FreeOnTerminate the main side keeps a
// std::weak_ptr, which expires once the object has freed itself, so a stale handle can never reach
// a destroyed worker.
class WorkerThread : public std::enable_shared_from_this<WorkerThread> {
public:
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  virtual ~WorkerThread();

  template <typename T, typename... Args> static std::shared_ptr<T> create(Args&&... args) {
    return std::shared_ptr<T>(new T(std::forward<Args>(args)...));
  }

  // Starts the run; a second call does nothing (a worker is never restarted).
  void Resume();
  // Asks the run to stop at its next checkpoint; safe from any thread.
  void Terminate() { terminated.store(true, std::memory_order_relaxed); }
  bool Terminated() const { return terminated.load(std::memory_order_relaxed); }

  void setFreeOnTerminate(bool value) { freeOnTerminate = value; }
  bool FreeOnTerminate() const { return freeOnTerminate; }
  // Applied to the thread when it starts (a nice value on Linux; raising it needs privileges and is
  // then left as it is).
  void setPriority(ThreadPriority value) { priority = value; }

  // Waits for the end of a worker that does not free itself (the main side owns it).
  void WaitFor();
  // Shared completion token; valid after the object is gone.
  std::shared_ptr<WorkerExit> exitToken() const { return exit; }
  bool started() const { return startedRun; }

protected:
  // Created suspended: nothing runs until Resume.
  explicit WorkerThread(MainThreadDispatcher& dispatcher);

  // The run, on the worker thread.
  virtual void Execute() = 0;
  // Runs step on the main thread and waits for it; exceptions of the step come back here.
  void Synchronize(const std::function<void()>& step) { dispatcher.runAndWait(step); }

private:
  static void threadMain(std::shared_ptr<WorkerThread> self, std::shared_ptr<WorkerExit> exit);

  MainThreadDispatcher& dispatcher;
  std::atomic<bool> terminated{false};
  bool freeOnTerminate = false;
  bool startedRun = false;
  ThreadPriority priority = ThreadPriority::Normal;
  std::thread thread;
  std::shared_ptr<WorkerExit> exit = std::make_shared<WorkerExit>();
};

} // namespace kavo
