#include "datafiles/list_file.h"
#include "fuzz_support.h"

#include <cmath>

using namespace kavo;

// Parses a fuzzed list file: it fails, or gives at most 101 names with one finite step each, every
// number with the line it came from.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  ListFileValues list;
  const ReadStatus read = parseListFile(fuzz::fileBytes("in.lst", data, size), list, separator);
  fuzz::check(read.ok == read.detail.empty(), "a failure has a detail and a success none");
  if (!read.ok) {
    return 0;
  }
  fuzz::check(list.imageFiles.size() <= 101, "no more images than a series holds");
  fuzz::check(list.steps.size() == list.imageFiles.size(), "one step for every image");
  fuzz::check(list.numberLines.size() == list.numbers.size(), "every number has its line");
  for (const double v : list.steps) {
    fuzz::check(std::isfinite(v), "steps are finite");
  }
  return 0;
}
