#include "datafiles/camera_file.h"
#include "fuzz_support.h"

#include <cmath>

using namespace kavo;

// Parses a fuzzed camera file (its correction table always found). Whenever it reads, the copy with a
// new focal length on line 4 must read back with the same other values.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  const FileBytes file = fuzz::fileBytes("in.cam", data, size);
  const TableReader tableFound = [](const std::string&) { return std::string(); };
  CameraFileValues first;
  const ReadStatus read = parseCameraFile(file, first, tableFound, separator);
  fuzz::check(read.ok == read.detail.empty(), "a failure has a detail and a success none");
  if (!read.ok) {
    return 0;
  }
  const std::string focalText = separator == ',' ? "1523,0870" : "1523.0870";
  FileBytes copy;
  copy.path = "copy.cam";
  copy.ok = true;
  const ReadStatus made = focalLineCopyBytes(file.path, decodeLines(file.bytes), copy.path,
                                             focalLengthLine(focalText, "-", "-"), copy.bytes);
  fuzz::check(made.ok, "a camera file that reads can be copied");
  CameraFileValues again;
  const ReadStatus reread = parseCameraFile(copy, again, tableFound, separator);
  fuzz::check(reread.ok, "the copy reads back");
  fuzz::check(again.focalLength == 1523.087, "the copy holds the new focal length");
  fuzz::check(again.imageCentreX == first.imageCentreX && again.imageCentreY == first.imageCentreY &&
                  again.imageWidth == first.imageWidth && again.imageHeight == first.imageHeight &&
                  again.correctionTablePath == first.correctionTablePath &&
                  again.hasPrincipalPoint == first.hasPrincipalPoint &&
                  (!first.hasPrincipalPoint || (again.principalPointX == first.principalPointX &&
                                                again.principalPointY == first.principalPointY)) &&
                  again.exifFocalLength == first.exifFocalLength,
              "the copy keeps the other values");
  return 0;
}
