#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kavo::test {

// A fresh folder per test for files written as raw bytes and read back as raw bytes.
class TempFolder {
public:
  explicit TempFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / ("kavo-editor-" + name)) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }

  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
    return file(name);
  }

  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

private:
  std::filesystem::path path_;
};

} // namespace kavo::test
