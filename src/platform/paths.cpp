#include "platform/paths.h"

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

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

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  const bool aExists = ::stat(a.c_str(), &sa) == 0;
  const bool bExists = ::stat(b.c_str(), &sb) == 0;
  if (aExists && bExists) {
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  if (aExists != bExists) {
    return false;
  }
  std::error_code ea;
  std::error_code eb;
  const auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  return !ea && !eb && pa == pb;
}

} // namespace kavo
