#include "datafiles/camera_file.h"
#include "fuzz_support.h"

#include <cmath>

using namespace kavo;

// Reads a fuzzed camera file next to two small correction tables it may name. Whenever it reads,
// the copy with a new focal length must read back with the same other values.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool tables = [] {
    const char unit[] = "1\r\n0 0 10 10 X 0 1 - Y 0 1 - ; \r\n";
    fuzz::writeInput("t.txt", reinterpret_cast<const std::uint8_t*>(unit), sizeof unit - 1);
    fuzz::writeInput("corr.txt", reinterpret_cast<const std::uint8_t*>(unit), sizeof unit - 1);
    return true;
  }();
  (void)tables;
  const char separator = fuzz::separatorFrom(data, size);
  // The copy of the previous input must not be there to be named as a table.
  const std::string copy = fuzz::workFolder() + "copy.cam";
  ::unlink(copy.c_str());
  const std::string path = fuzz::writeInput("in.cam", data, size);
  double cx = 0, cy = 0, focal = 0, width = 0, height = 0;
  std::vector<std::string> table;
  const ReadStatus first = ReadCameraFile(path, cx, cy, table, focal, width, height, separator);
  fuzz::check(first.ok == first.detail.empty(), "a failure has a detail and a success none");
  if (!first.ok) {
    return 0;
  }
  const std::string focalText = separator == ',' ? "1523,0870" : "1523.0870";
  const ReadStatus written = writeFocalLengthCopy(path, copy, focalText, "-", "-");
  fuzz::check(written.ok, "a camera file that reads can be copied");
  double cx2 = 0, cy2 = 0, focal2 = 0, width2 = 0, height2 = 0;
  std::vector<std::string> table2;
  const ReadStatus again = ReadCameraFile(copy, cx2, cy2, table2, focal2, width2, height2, separator);
  fuzz::check(again.ok, "the copy reads back");
  fuzz::check(focal2 == 1523.087, "the copy holds the new focal length");
  fuzz::check(cx2 == cx && cy2 == cy && width2 == width && height2 == height && table2 == table,
              "the copy keeps the other values");
  return 0;
}
