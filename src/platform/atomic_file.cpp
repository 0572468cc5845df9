#include "platform/atomic_file.h"

#include "platform/leftovers.h"
#include "platform/system_error_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kavo {
namespace {

std::string reason(const std::string& what, const std::string& path) {
  const int error = errno;
  return what + " " + path + ": " + systemErrorText(error);
}

} // namespace

std::string outputFileProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      return path + ": это папка, а не файл";
    }
    if (!S_ISREG(info.st_mode)) {
      // A device, a pipe or a socket would be replaced by a plain file (as root even /dev/null).
      return path + ": это не обычный файл (устройство, канал или сокет), его нельзя заменить файлом";
    }
    return {};
  }
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    return path + ": ссылка, которая ни на что не указывает";
  }
  return {};
}

std::string writeFileAtomically(const std::string& path, std::string_view bytes) {
  return writeFileAtomically(path, [bytes](const ByteSink& sink) { sink(bytes); });
}

std::string writeFileAtomically(const std::string& requested,
                                const std::function<void(const ByteSink&)>& produce) {
  if (requested.empty()) {
    return "не задано имя файла";
  }
  if (const std::string problem = outputFileProblem(requested); !problem.empty()) {
    return problem;
  }
  // Saving over a link replaces the file it points to and keeps the link.
  std::string path = requested;
  struct stat link {};
  if (::lstat(requested.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char* resolved = ::realpath(requested.c_str(), nullptr);
    if (resolved != nullptr) {
      path = resolved;
      std::free(resolved);
    }
  }
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  removeLeftTemporaries(folder);
  std::string temp = (slash == std::string::npos ? std::string() : folder) + temporaryName(name) + ".XXXXXX";

  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    return reason("не удаётся создать временный файл в папке", folder);
  }
  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }

  std::string failure;
  const ByteSink sink = [&](std::string_view bytes) {
    std::size_t done = 0;
    while (failure.empty() && done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno != EINTR) {
          failure = reason("не удаётся записать", path);
        }
        continue;
      }
      done += static_cast<std::size_t>(n);
    }
    return failure.empty();
  };
  try {
    produce(sink);
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (!failure.empty()) {
    ::close(fd);
    ::unlink(temp.c_str());
    return failure;
  }
  if (::fsync(fd) != 0) {
    std::string why = reason("не удаётся сбросить на диск", path);
    ::close(fd);
    ::unlink(temp.c_str());
    return why;
  }
  if (::close(fd) != 0) {
    std::string why = reason("не удаётся закрыть", path);
    ::unlink(temp.c_str());
    return why;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    std::string why = reason("не удаётся заменить", path);
    ::unlink(temp.c_str());
    return why;
  }
  // Make the new name itself durable; a folder that cannot be flushed does not undo the save.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

} // namespace kavo
