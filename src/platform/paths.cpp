#include "platform/paths.h"

namespace kavo {

std::string fileNameOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string folderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string nativePath(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c == '\\') {
      c = '/';
    }
  }
  return out;
}

} // namespace kavo
