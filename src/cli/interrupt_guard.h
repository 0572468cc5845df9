#pragma once
#include <atomic>
#include <csignal>

namespace kavo {

// Ctrl+C asks the work under way to stop instead of killing the program, for as long as a guard
// stands: the computation stops at its next checkpoint, the search of photos after the photos in hand,
// so that nothing is left half written. The program's earlier handler is back once the guard goes.
class InterruptGuard {
public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // True once Ctrl+C was pressed while the latest guard stood (cleared when a guard is set up).
  static const std::atomic<bool>& requested();

private:
  struct sigaction previous {};
  bool installed = false;
};

} // namespace kavo
