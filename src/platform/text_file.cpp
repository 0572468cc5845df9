#include "platform/text_file.h"

#include "platform/atomic_file.h"
#include "platform/cp1251.h"
#include "platform/system_error_text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kavo {

namespace {

// The first CR or LF at or after `start`, or the size. Eight bytes are tested at once: a byte of the
// word XORed with CR (or LF) is zero exactly where the word holds one.
std::size_t nextLineBreak(std::string_view bytes, std::size_t start) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  const auto hasZeroByte = [](std::uint64_t v) { return ((v - kOnes) & ~v & kHighBits) != 0; };
  std::size_t pos = start;
  while (bytes.size() - pos >= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + pos, sizeof word);
    if (hasZeroByte(word ^ (kOnes * '\r')) || hasZeroByte(word ^ (kOnes * '\n'))) {
      break;
    }
    pos += 8;
  }
  while (pos < bytes.size() && bytes[pos] != '\r' && bytes[pos] != '\n') {
    ++pos;
  }
  return pos;
}

// Where the line starting at `start` ends (its first CR or LF, or the end of the bytes), and where
// the next one starts.
std::size_t lineEnd(std::string_view bytes, std::size_t start, std::size_t& next) {
  const std::size_t end = nextLineBreak(bytes, start);
  if (end == bytes.size()) {
    next = end;
    return end;
  }
  next = end + 1;
  if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') {
    ++next;
  }
  return end;
}

} // namespace

std::vector<std::string> splitLines(const std::string& text) {
  // A line ends at CR LF, CR or LF; the text after the last end is a line when it is not empty.
  std::vector<std::string> lines;
  for (std::size_t start = 0, next = 0; start < text.size(); start = next) {
    const std::size_t end = lineEnd(text, start, next);
    lines.emplace_back(text, start, end - start);
  }
  return lines;
}

namespace {

std::string sizeText(std::uintmax_t bytes) {
  if (bytes >= (std::uintmax_t{1} << 20)) {
    return std::to_string(bytes >> 20) + " МБ";
  }
  if (bytes >= 1024) {
    return std::to_string(bytes >> 10) + " КБ";
  }
  return std::to_string(bytes) + " Б";
}

} // namespace

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes) {
  FileBytes result;
  result.path = path;
  const std::string shown = path.empty() ? std::string("(нет имени файла)") : path;
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = path.empty() ? ENOENT : errno;
    result.error = "не удаётся открыть " + shown + ": " + systemErrorText(error);
    return result;
  }
  // A folder opens like a file here but must not read as an empty file, and a device or a pipe
  // could block or never end: data files are regular files. Opening does not wait on a pipe.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = errno;
    result.error = "не удаётся прочитать " + shown + ": ";
    if (S_ISDIR(info.st_mode)) {
      result.error += "это папка";
    } else if (info.st_mode != 0) {
      result.error += "это не обычный файл";
    } else {
      result.error += systemErrorText(error);
    }
    ::close(fd);
    return result;
  }
  // A file far larger than its kind ever is would only cost time and memory before it fails: its size
  // alone refuses it.
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    result.error = shown + ": файл слишком велик (" + sizeText(static_cast<std::uintmax_t>(info.st_size)) +
                   ", а такой файл бывает не больше " + sizeText(maxBytes) + ")";
    ::close(fd);
    return result;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) {
      break;
    }
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      const int error = errno;
      result.error = "не удаётся прочитать " + shown + ": " + systemErrorText(error);
      ::close(fd);
      return result;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) { // it grew while being read
      result.error = shown + ": файл слишком велик (больше " + sizeText(maxBytes) + ")";
      ::close(fd);
      return result;
    }
  }
  ::close(fd);
  result.bytes = std::move(bytes);
  result.ok = true;
  return result;
}

std::vector<std::string> decodeLines(const std::string& bytes) {
  return splitLines(decodeCp1251(bytes));
}

bool LineCursor::next(std::string& line) {
  if (pos_ >= bytes_.size()) {
    return false;
  }
  std::size_t following = 0;
  const std::size_t end = lineEnd(bytes_, pos_, following);
  line = decodeCp1251(bytes_.substr(pos_, end - pos_));
  pos_ = following;
  return true;
}

std::size_t countLines(std::string_view bytes) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < bytes.size(); ++count) {
    lineEnd(bytes, pos, pos);
  }
  return count;
}

std::vector<std::string> decodeFirstLines(std::string_view bytes, std::size_t count) {
  std::vector<std::string> lines;
  LineCursor cursor(bytes);
  std::string line;
  while (lines.size() < count && cursor.next(line)) {
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string encodingProblem(const std::string& bytes) {
  const auto starts = [&bytes](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  if (starts("\xEF\xBB\xBF")) {
    return "файл в кодировке UTF-8 с меткой BOM, а данные читаются в кодировке Windows-1251: сохраните его в "
           "Windows-1251";
  }
  if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
    return "файл в кодировке UTF-16, а данные читаются в кодировке Windows-1251: сохраните его в "
           "Windows-1251";
  }
  return {};
}

TextLines loadLines(const std::string& path) {
  FileBytes file = readFileBytes(path);
  TextLines result;
  result.error = std::move(file.error);
  if (file.ok) {
    if (const std::string problem = encodingProblem(file.bytes); !problem.empty()) {
      result.error = path + ": " + problem;
      return result;
    }
    result.ok = true;
    result.lines = decodeLines(file.bytes);
  }
  return result;
}

std::string encodeLines(const std::string& path, const std::vector<std::string>& lines, std::string& bytes) {
  bytes.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string why;
    const auto encoded = encodeCp1251(lines[i], &why);
    if (!encoded) {
      return path + ", строка " + std::to_string(i + 1) + ": " + why;
    }
    bytes += *encoded;
    bytes += "\r\n";
  }
  return {};
}

std::string saveLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  if (std::string why = encodeLines(path, lines, text); !why.empty()) {
    return why;
  }
  return writeFileAtomically(path, text);
}

} // namespace kavo
