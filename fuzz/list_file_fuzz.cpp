#include "datafiles/list_file.h"
#include "fuzz_support.h"

#include <cmath>

using namespace kavo;

// Reads a fuzzed list file: it fails and changes nothing, or fills at most 101 names with finite steps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  const std::string path = fuzz::writeInput("in.lst", data, size);
  std::array<std::string, 101> names;
  std::array<double, 101> values{};
  int count = -1;
  if (!ReadListFile(path, names, values, count, separator).ok) {
    fuzz::check(count == -1, "a failed read changes nothing");
    return 0;
  }
  fuzz::check(count >= 0 && count <= 101, "the image count fits the arrays");
  for (const double v : values) {
    fuzz::check(std::isfinite(v), "steps are finite");
  }
  return 0;
}
