#pragma once
#include "platform/text_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kavo::fuzz {

// The input as the readers receive a file's bytes: parsed straight from memory, no file written.
inline FileBytes fileBytes(const char* name, const std::uint8_t* data, std::size_t size) {
  FileBytes file;
  file.path = name;
  file.ok = true;
  file.bytes.assign(reinterpret_cast<const char*>(data), size);
  return file;
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
