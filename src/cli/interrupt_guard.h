#pragma once
#include <atomic>
#include <csignal>

namespace kavo {

// Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the work under way to stop instead of killing the program,
// for as long as a guard stands: the computation stops at its next checkpoint, the search of photos
// after the photos in hand, so that nothing is left half written and no temporary is left behind. The
// program's earlier handlers are back once the guard goes.
class InterruptGuard {
public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // True once Ctrl+C was pressed (or the program asked to end) while the latest guard stood (cleared
  // when a guard is set up).
  static const std::atomic<bool>& requested();

private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous[3]{};
  bool installed[3] = {false, false, false};
};

} // namespace kavo
