#pragma once
#include <functional>

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

} // namespace kavo
