#include "app/run_job.h"

namespace kavo {

// Touched on the main thread only: by the owner's calls and by the worker's steps, which run there.
struct RunJob::Owner {
  bool attached = true;
  RunHooks hooks;
  Finished finished;
};

class RunJob::Worker final : public WorkerThread {
public:
  Worker(MainThreadDispatcher& mainThread, RunRequest r, std::shared_ptr<Owner> o)
      : WorkerThread(mainThread), request(std::move(r)), owner(std::move(o)) {
    setPriority(ThreadPriority::Normal);
    setFreeOnTerminate(true);
  }

protected:
  void Execute() override {
    RunHooks hooks;
    hooks.shouldStop = [this] { return Terminated(); };
    hooks.progress = [this](const RunProgress& p) {
      onOwner([&](Owner& o) {
        if (o.hooks.progress) {
          o.hooks.progress(p);
        }
      });
    };
    hooks.confirm = [this](const UserMessage& question) {
      bool answer = false; // nobody left to answer: the run stops
      onOwner([&](Owner& o) { answer = !o.hooks.confirm || o.hooks.confirm(question); });
      return answer;
    };
    hooks.warn = [this](const UserMessage& warning) {
      onOwner([&](Owner& o) {
        if (o.hooks.warn) {
          o.hooks.warn(warning);
        }
      });
    };
    hooks.valuesReady = [this](const FocalValues& values) {
      onOwner([&](Owner& o) {
        if (o.hooks.valuesReady) {
          o.hooks.valuesReady(values);
        }
      });
    };
    hooks.listing = [this](const std::vector<std::string>& lines) {
      onOwner([&](Owner& o) {
        if (o.hooks.listing) {
          o.hooks.listing(lines);
        }
      });
    };
    hooks.distribution = [this](const FocalValues& values, const DistributionNumbers& opening) {
      // Nobody left to take the result: as if "Выход" had been pressed.
      DistributionOutcome outcome{true, opening.meanValue, opening.deviation, opening.standardDeviation};
      onOwner([&](Owner& o) {
        outcome = o.hooks.distribution ? o.hooks.distribution(values, opening)
                                       : DistributionOutcome{false, opening.meanValue, opening.deviation,
                                                             opening.standardDeviation};
      });
      return outcome;
    };
    RunResult result = computeRun(request, hooks);
    try {
      onOwner([&](Owner& o) {
        if (o.finished) {
          o.finished(std::move(result));
        }
      });
    } catch (...) {
      // The owner handles its own errors; the job shows nothing.
    }
  }

private:
  // Performs a step on the main thread; nothing once the owner has detached.
  void onOwner(const std::function<void(Owner&)>& step) {
    Synchronize([&] {
      if (owner->attached) {
        step(*owner);
      }
    });
  }

  RunRequest request;
  std::shared_ptr<Owner> owner;
};

std::shared_ptr<RunJob> RunJob::start(MainThreadDispatcher& dispatcher, RunRequest request, RunHooks hooks,
                                      Finished finished) {
  std::shared_ptr<RunJob> job(new RunJob());
  job->owner = std::make_shared<Owner>();
  job->owner->hooks = std::move(hooks);
  job->owner->finished = std::move(finished);
  auto worker = WorkerThread::create<Worker>(dispatcher, std::move(request), job->owner);
  job->worker = worker;
  job->exitToken = worker->exitToken();
  worker->Resume();
  return job;
}

RunJob::~RunJob() {
  detach();
}

void RunJob::requestStop() {
  if (auto w = worker.lock()) {
    w->Terminate();
  }
}

void RunJob::detach() {
  // The hooks stay where they are (one of them may be the very step running now); nothing calls them
  // any more.
  if (owner) {
    owner->attached = false;
  }
  requestStop();
}

std::shared_ptr<WorkerExit> RunJob::exit() const {
  return exitToken;
}

} // namespace kavo
