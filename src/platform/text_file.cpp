#include "platform/text_file.h"

#include "platform/atomic_file.h"
#include "platform/cp1251.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kavo {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  bool pending = false; // a line has started and is not yet ended
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      pending = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      current.push_back(c);
      pending = true;
    }
  }
  if (pending) {
    lines.push_back(current);
  }
  return lines;
}

TextLines loadLines(const std::string& path) {
  TextLines result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = "cannot open " + (path.empty() ? std::string("(no file name)") : path) + ": " +
                   std::strerror(errno);
    return result;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) {
    result.error = "cannot read " + path;
    return result;
  }
  result.lines = splitLines(decodeCp1251(bytes.str()));
  result.ok = true;
  return result;
}

std::string saveLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string why;
    const auto encoded = encodeCp1251(lines[i], &why);
    if (!encoded) {
      return path + ", line " + std::to_string(i + 1) + ": " + why;
    }
    text += *encoded;
    text += "\r\n";
  }
  return writeFileAtomically(path, text);
}

} // namespace kavo
