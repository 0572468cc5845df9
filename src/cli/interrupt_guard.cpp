#include "cli/interrupt_guard.h"

namespace kavo {

namespace {

std::atomic<bool> interruptRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the Ctrl+C handler needs a lock-free flag");

extern "C" void onInterrupt(int) {
  interruptRequested.store(true);
}

} // namespace

InterruptGuard::InterruptGuard() {
  interruptRequested.store(false);
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < 3; ++i) {
    installed[i] = sigaction(kSignals[i], &action, &previous[i]) == 0;
  }
}

InterruptGuard::~InterruptGuard() {
  for (std::size_t i = 0; i < 3; ++i) {
    if (installed[i]) {
      sigaction(kSignals[i], &previous[i], nullptr);
    }
  }
}

const std::atomic<bool>& InterruptGuard::requested() {
  return interruptRequested;
}

} // namespace kavo
