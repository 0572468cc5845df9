#include "platform/worker_thread.h"

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

namespace kavo {

void WorkerExit::wait() {
  std::unique_lock lock(mutex);
  changed.wait(lock, [this] { return done; });
}

bool WorkerExit::waitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return changed.wait_for(lock, timeout, [this] { return done; });
}

bool WorkerExit::finished() const {
  std::lock_guard lock(mutex);
  return done;
}

void WorkerExit::markFinished() {
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  changed.notify_all();
}

WorkerThread::WorkerThread(MainThreadDispatcher& dispatcher_) : dispatcher(dispatcher_) {}

WorkerThread::~WorkerThread() {
  if (thread.joinable()) {
    // The last reference may be dropped by the run itself; a thread cannot join itself.
    if (thread.get_id() == std::this_thread::get_id()) {
      thread.detach();
    } else {
      thread.join();
    }
  }
}

namespace {

int niceValueOf(ThreadPriority priority) {
  switch (priority) {
  case ThreadPriority::Idle:
    return 19;
  case ThreadPriority::Lowest:
    return 10;
  case ThreadPriority::Lower:
    return 5;
  case ThreadPriority::Normal:
    return 0;
  case ThreadPriority::Higher:
    return -5;
  case ThreadPriority::Highest:
    return -10;
  }
  return 0;
}

} // namespace

void WorkerThread::Resume() {
  if (startedRun) {
    return;
  }
  startedRun = true;
  thread = std::thread(&WorkerThread::threadMain, shared_from_this(), exit);
  if (freeOnTerminate) {
    // Nobody joins a self-freeing worker; its exit token says when it is gone.
    thread.detach();
  }
}

void WorkerThread::WaitFor() {
  if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
    thread.join();
  } else {
    exit->wait();
  }
}

void WorkerThread::threadMain(std::shared_ptr<WorkerThread> self, std::shared_ptr<WorkerExit> exit) {
  if (self->priority != ThreadPriority::Normal) {
    // On Linux the nice value is per thread; the step is taken from the value the thread inherited,
    // so a program started with a lower priority keeps its distance. Raising the priority needs
    // privileges; without them the thread keeps the inherited one.
    const int inherited = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    const int value = std::clamp(inherited + niceValueOf(self->priority), -20, 19);
    static_cast<void>(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), value));
  }
  try {
    self->Execute();
  } catch (...) {
    // A run reports its own errors; nothing may escape a thread.
  }
  // Frees the object here when the main side holds no strong reference (FreeOnTerminate).
  self.reset();
  exit->markFinished();
}

} // namespace kavo
