// Ctrl+C during a command: the one guard both compute and detect stand behind.
#include "cli/interrupt_guard.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

TEST(InterruptGuard, CtrlCAsksToStopOnlyWhileTheGuardStands) {
  struct sigaction before {};
  ASSERT_EQ(sigaction(SIGINT, nullptr, &before), 0);
  {
    InterruptGuard guard;
    EXPECT_FALSE(InterruptGuard::requested().load());
    ASSERT_EQ(std::raise(SIGINT), 0); // the program goes on: the guard took it
    EXPECT_TRUE(InterruptGuard::requested().load());
  }
  struct sigaction after {};
  ASSERT_EQ(sigaction(SIGINT, nullptr, &after), 0);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  // The next command starts without the last one's Ctrl+C.
  InterruptGuard next;
  EXPECT_FALSE(InterruptGuard::requested().load());
}

} // namespace
} // namespace kavo
