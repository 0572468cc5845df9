#include "datafiles/coordinate_files.h"
#include "fuzz_support.h"

#include <cmath>

using namespace kavo;

// Parses a fuzzed coordinate file as a scene file and as an image file corrected through a table
// with negative powers. Every point kept is finite; a failure always names what was wrong.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char separator = fuzz::separatorFrom(data, size);
  const FileBytes file = fuzz::fileBytes("in.crd", data, size);
  const std::vector<std::string> table = {
      "2", separator == ',' ? "-1000 -1000 1000 1000 X -20 1,06 -6E-5 - 2 -50 Y 1 1 - 2 ; "
                            : "-1000 -1000 1000 1000 X -20 1.06 -6E-5 - 2 -50 Y 1 1 - 2 ; "};
  std::vector<CoordinatePair> points;
  const ReadStatus scene = parseScenePoints(file, points, separator);
  fuzz::check(scene.ok == scene.detail.empty(), "a failure has a detail and a success none");
  for (const auto& p : points) {
    fuzz::check(std::isfinite(p.first) && std::isfinite(p.second), "scene points are finite");
  }
  const ReadStatus image = parseImagePoints(file, points, table, 500.0, 400.0, separator);
  fuzz::check(image.ok == image.detail.empty(), "a failure has a detail and a success none");
  for (const auto& p : points) {
    fuzz::check(std::isfinite(p.first) && std::isfinite(p.second), "image points are finite");
  }
  return 0;
}
