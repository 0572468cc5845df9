#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace kavo::fuzz {

// A private folder for the files a harness writes, made once per process.
inline const std::string& workFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kavo-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    static std::string made = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return pattern + "/";
  }();
  return folder;
}

inline std::string writeInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const std::string path = workFolder() + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  return path;
}

// The first byte of an input chooses the decimal separator, so both are explored.
inline char separatorFrom(const std::uint8_t*& data, std::size_t& size) {
  if (size == 0) {
    return '.';
  }
  const char separator = (data[0] & 1) != 0 ? ',' : '.';
  ++data;
  --size;
  return separator;
}

// Stops the run as a finding when a property does not hold.
inline void check(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

} // namespace kavo::fuzz
