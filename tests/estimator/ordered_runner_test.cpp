#include "estimator/ordered_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kavo {
namespace {

// Tasks that take random, uneven times so that they finish out of order.
OrderedRun unevenRun(std::size_t tasks, unsigned threads, std::vector<int>& results,
                     std::vector<std::size_t>& delivered) {
  results.assign(tasks, -1);
  OrderedRun run;
  run.tasks = tasks;
  run.threads = threads;
  run.work = [&results](std::size_t task, unsigned, const std::atomic<bool>&) {
    std::mt19937 rng(static_cast<unsigned>(task));
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
    results[task] = static_cast<int>(task) * 7;
  };
  run.deliver = [&results, &delivered](std::size_t task) {
    EXPECT_EQ(results[task], static_cast<int>(task) * 7) << "delivered before it was done";
    delivered.push_back(task);
  };
  return run;
}

TEST(OrderedRunner, DeliversEveryTaskInOrderWhateverTheNumberOfThreads) {
  for (const unsigned threads : {1u, 2u, 5u, 64u}) {
    std::vector<int> results;
    std::vector<std::size_t> delivered;
    const OrderedRun run = unevenRun(40, threads, results, delivered);
    ASSERT_TRUE(runInOrder(run));
    ASSERT_EQ(delivered.size(), 40u) << threads << " threads";
    for (std::size_t t = 0; t < delivered.size(); ++t) {
      EXPECT_EQ(delivered[t], t) << threads << " threads";
    }
  }
}

// A task's exception reaches the caller in its turn: the tasks before it are all delivered, none after.
TEST(OrderedRunner, ATasksExceptionIsThrownInItsTurn) {
  std::vector<int> results;
  std::vector<std::size_t> delivered;
  OrderedRun run = unevenRun(30, 4, results, delivered);
  const auto work = run.work;
  run.work = [work](std::size_t task, unsigned worker, const std::atomic<bool>& stop) {
    if (task == 17) {
      throw std::runtime_error("task 17");
    }
    work(task, worker, stop);
  };
  EXPECT_THROW(runInOrder(run), std::runtime_error);
  ASSERT_EQ(delivered.size(), 17u);
  EXPECT_EQ(delivered.back(), 16u);
}

// A stop request or a failing delivery ends the run early; the workers see the stop and return.
TEST(OrderedRunner, AStopRequestOrAFailingDeliveryEndsTheRunEarly) {
  std::vector<int> results;
  std::vector<std::size_t> delivered;
  OrderedRun run = unevenRun(200, 3, results, delivered);
  run.work = [](std::size_t, unsigned, const std::atomic<bool>& stop) {
    while (!stop.load()) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  };
  int polls = 0;
  run.shouldStop = [&polls] { return ++polls > 3; };
  EXPECT_FALSE(runInOrder(run)); // returns only once the spinning workers have ended
  EXPECT_TRUE(delivered.empty());

  run = unevenRun(200, 3, results, delivered);
  run.deliver = [](std::size_t task) {
    if (task == 5) {
      throw std::logic_error("delivery 5");
    }
  };
  EXPECT_THROW(runInOrder(run), std::logic_error);
}

} // namespace
} // namespace kavo
