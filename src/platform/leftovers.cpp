#include "platform/leftovers.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <unistd.h>

namespace kavo {
namespace {

constexpr const char* kMark = ".kavo-";

// The process id in a temporary's name, or 0 when the name is not one of ours.
pid_t ownerOf(const std::string& name) {
  if (name.empty() || name.front() != '.') {
    return 0;
  }
  const std::size_t mark = name.rfind(kMark);
  if (mark == std::string::npos || mark == 0) {
    return 0;
  }
  long long pid = 0;
  std::size_t at = mark + std::char_traits<char>::length(kMark);
  std::size_t digits = 0;
  for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && digits < 10; ++at, ++digits) {
    pid = pid * 10 + (name[at] - '0');
  }
  // The id is followed by the random part (".XXXXXX") or ends the name.
  if (digits == 0 || (at < name.size() && name[at] != '.')) {
    return 0;
  }
  return static_cast<pid_t>(pid);
}

bool processRuns(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::string temporaryName(const std::string& name) {
  return "." + name + kMark + std::to_string(::getpid());
}

void removeLeftTemporaries(const std::string& folder) {
  // Once a folder per process: a command that writes many files into one folder looks at it once.
  static std::mutex mutex;
  static std::set<std::string> seen;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!seen.insert(folder).second) {
      return;
    }
  }
  std::error_code error;
  std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, error);
  if (error) {
    return;
  }
  for (const std::filesystem::directory_entry& entry : it) {
    const pid_t pid = ownerOf(entry.path().filename().string());
    if (pid > 0 && pid != ::getpid() && !processRuns(pid)) {
      std::error_code ignored;
      std::filesystem::remove_all(entry.path(), ignored);
    }
  }
}

} // namespace kavo
