#pragma once
// A fresh folder for one test, removed with everything in it at the end, and the raw file access
// the tests need around it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavo::test {

class TempFolder {
public:
  // label only helps to tell the folders apart while a test runs.
  explicit TempFolder(const std::string& label = "test") {
    std::string pattern = (std::filesystem::temp_directory_path() / ("kavo-" + label + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder");
    }
    root = pattern + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path, ending in '/'.
  const std::string& path() const { return root; }
  // The full path of name inside the folder.
  std::string file(const std::string& name) const { return root + name; }

  // Writes raw bytes (already Windows-1251) to name inside the folder; returns the full path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path full = root + name;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
    return full.string();
  }

  // Writes ASCII lines with CR LF after each; returns the full path.
  std::string writeLines(const std::string& name, const std::vector<std::string>& lines) const {
    std::string bytes;
    for (const auto& line : lines) {
      bytes += line + "\r\n";
    }
    return write(name, bytes);
  }

private:
  std::string root;
};

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace kavo::test
