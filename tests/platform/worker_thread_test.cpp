#include "platform/worker_thread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kavo {
namespace {

using namespace std::chrono_literals;

// Generous bound for "eventually": only a hang fails it, never a slow machine.
constexpr auto kLongWait = 60s;

struct Probe {
  std::atomic<int> executed{0};
  std::atomic<int> destroyed{0};
  std::atomic<bool> sawTermination{false};
  std::atomic<long> loops{0};
};

class ProbeWorker final : public WorkerThread {
public:
  enum class Kind { Once, LoopUntilTerminated, Throw, SynchronizeTwice, SynchronizeThrowing };

  ProbeWorker(MainThreadDispatcher& d, Probe& p, Kind k) : WorkerThread(d), probe(p), kind(k) {}
  ~ProbeWorker() override { probe.destroyed.fetch_add(1); }

  std::vector<std::thread::id> stepThreads;
  int stepsSeen = 0;
  std::string caught;
  int niceSeen = 0;

protected:
  void Execute() override {
    probe.executed.fetch_add(1);
    niceSeen = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    switch (kind) {
    case Kind::Once:
      break;
    case Kind::LoopUntilTerminated:
      while (!Terminated()) {
        probe.loops.fetch_add(1);
        std::this_thread::yield();
      }
      probe.sawTermination = true;
      break;
    case Kind::Throw:
      throw std::runtime_error("fault inside the run");
    case Kind::SynchronizeTwice:
      for (int i = 0; i < 2; ++i) {
        Synchronize([this] {
          stepThreads.push_back(std::this_thread::get_id());
          ++stepsSeen;
        });
      }
      break;
    case Kind::SynchronizeThrowing:
      try {
        Synchronize([] { throw std::runtime_error("step failed"); });
      } catch (const std::runtime_error& e) {
        caught = e.what();
      }
      break;
    }
  }

private:
  Probe& probe;
  Kind kind;
};

TEST(WorkerThread, StaysSuspendedUntilResumeAndRunsOnce) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::Once);
  EXPECT_FALSE(worker->started());
  EXPECT_EQ(probe.executed.load(), 0);
  worker->Resume();
  worker->Resume(); // a worker is never restarted
  worker->WaitFor();
  EXPECT_EQ(probe.executed.load(), 1);
  EXPECT_TRUE(worker->exitToken()->finished());
}

TEST(WorkerThread, SynchronizeRunsEachStepOnTheMainThreadWhileTheWorkerWaits) {
  QueuedDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::SynchronizeTwice);
  auto exit = worker->exitToken();
  worker->Resume();
  ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, kLongWait));
  worker->WaitFor();
  ASSERT_EQ(worker->stepsSeen, 2);
  for (auto id : worker->stepThreads) {
    EXPECT_EQ(id, std::this_thread::get_id());
  }
}

TEST(WorkerThread, AnErrorOfASynchronizedStepReachesTheWorker) {
  QueuedDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::SynchronizeThrowing);
  auto exit = worker->exitToken();
  worker->Resume();
  ASSERT_TRUE(dispatcher.processUntil([&] { return exit->finished(); }, kLongWait));
  worker->WaitFor();
  EXPECT_EQ(worker->caught, "step failed");
}

TEST(WorkerThread, TerminateIsSeenByARunningLoop) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::LoopUntilTerminated);
  worker->Resume();
  while (probe.loops.load() == 0) {
    std::this_thread::yield();
  }
  worker->Terminate();
  EXPECT_TRUE(worker->Terminated());
  worker->WaitFor();
  EXPECT_TRUE(probe.sawTermination.load());
}

// A self-freeing worker while the main side keeps only the weak quadrupleWorker-style handle: the
// handle expires, the object is destroyed exactly once, and nothing is left behind.
TEST(WorkerThread, FreeOnTerminateDestroysTheObjectAndExpiresWeakHandles) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  std::weak_ptr<ProbeWorker> handle;
  std::shared_ptr<WorkerExit> exit;
  {
    auto worker =
        WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::LoopUntilTerminated);
    worker->setFreeOnTerminate(true);
    exit = worker->exitToken();
    handle = worker;
    worker->Resume();
  }
  // The run keeps the object alive although the main side holds no strong reference.
  if (auto alive = handle.lock()) {
    alive->Terminate();
  }
  ASSERT_TRUE(exit->waitFor(kLongWait));
  EXPECT_TRUE(handle.expired());
  EXPECT_EQ(probe.destroyed.load(), 1);
}

// The main side drops the last strong reference of a worker that does not free itself while it
// runs: the run finishes on its own object, which is then freed on the worker thread.
TEST(WorkerThread, OwnerDroppingItsReferenceMidRunIsSafe) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::LoopUntilTerminated);
  auto exit = worker->exitToken();
  worker->Resume();
  while (probe.loops.load() == 0) {
    std::this_thread::yield();
  }
  worker->Terminate();
  worker.reset();
  ASSERT_TRUE(exit->waitFor(kLongWait));
  EXPECT_EQ(probe.destroyed.load(), 1);
  EXPECT_TRUE(probe.sawTermination.load());
}

TEST(WorkerThread, AnErrorEscapingTheRunEndsItQuietly) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::Throw);
  worker->setFreeOnTerminate(true);
  auto exit = worker->exitToken();
  worker->Resume();
  worker.reset();
  ASSERT_TRUE(exit->waitFor(kLongWait));
  EXPECT_EQ(probe.executed.load(), 1);
  EXPECT_EQ(probe.destroyed.load(), 1);
}

TEST(WorkerThread, LowerPriorityIsAppliedToTheThreadOnly) {
  InPlaceDispatcher dispatcher;
  Probe probe;
  auto worker = WorkerThread::create<ProbeWorker>(dispatcher, probe, ProbeWorker::Kind::Once);
  worker->setPriority(ThreadPriority::Lowest);
  worker->Resume();
  worker->WaitFor();
  const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  EXPECT_EQ(worker->niceSeen, std::min(base + 10, 19));
}

} // namespace
} // namespace kavo
