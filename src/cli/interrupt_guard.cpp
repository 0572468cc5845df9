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
  installed = sigaction(SIGINT, &action, &previous) == 0;
}

InterruptGuard::~InterruptGuard() {
  if (installed) {
    sigaction(SIGINT, &previous, nullptr);
  }
}

const std::atomic<bool>& InterruptGuard::requested() {
  return interruptRequested;
}

} // namespace kavo
