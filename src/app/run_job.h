#pragma once
#include "app/run.h"
#include "platform/dispatcher.h"
#include "platform/worker_thread.h"

#include <functional>
#include <memory>

namespace kavo {

// A run in the background, as the desktop runs it: computeRun on a worker thread of its own, every
// hook served on the main thread through the dispatcher while the run waits, and the result handed
// to `finished` on the main thread as the run's last step. The job frees itself when its run is over.
//
// The owner keeps this handle; detach() (or the handle going away) leaves the run to end quietly: the
// hooks and the last step then do nothing, a question counts as answered no and the distribution
// window as left with "Выход". The dispatcher must outlive the run (wait for exit()).
class RunJob {
public:
  using Finished = std::function<void(RunResult)>;

  // Starts the run at once; the hooks and `finished` are called on the dispatcher's main thread.
  static std::shared_ptr<RunJob> start(MainThreadDispatcher& dispatcher, RunRequest request, RunHooks hooks,
                                       Finished finished);

  ~RunJob();
  RunJob(const RunJob&) = delete;
  RunJob& operator=(const RunJob&) = delete;

  // Asks the run to stop at its next checkpoint; it then ends as cancelled.
  void requestStop();
  // No hook and no last step reaches the owner any more; the run is asked to stop.
  void detach();
  // Lets the owner wait until the job's thread has ended and the job is gone.
  std::shared_ptr<WorkerExit> exit() const;

  struct Owner; // what the worker reaches on the main thread

private:
  class Worker;
  RunJob() = default;

  std::weak_ptr<WorkerThread> worker;
  std::shared_ptr<WorkerExit> exitToken;
  std::shared_ptr<Owner> owner;
};

} // namespace kavo
