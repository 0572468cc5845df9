#include "platform/physical_memory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace kavo {
namespace {

// The kernel's own account of the memory, /proc/meminfo's MemTotal, is the same amount.
TEST(PhysicalMemory, IsWhatTheKernelReports) {
  std::ifstream meminfo("/proc/meminfo");
  if (!meminfo) {
    GTEST_SKIP() << "no /proc/meminfo";
  }
  std::string key;
  std::uint64_t kilobytes = 0;
  while (meminfo >> key >> kilobytes && key != "MemTotal:") {
    meminfo.ignore(64, '\n');
  }
  ASSERT_EQ(key, "MemTotal:");
  EXPECT_EQ(physicalMemoryBytes() / 1024, kilobytes);
}

} // namespace
} // namespace kavo
