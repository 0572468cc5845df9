#pragma once
#include "detect/point_order.h"
#include "detect/target.h"

#include <string>

namespace kavo::detect {

enum class PhotoStatus {
  Found,        // the target's points, numbered as in the first photo where it was found
  NotFound,     // the photo was read but the target is not in it (or not whole, or of another size)
  Failed,       // the file cannot be read, is no image, or the finder failed
  WrongSize,    // the photo's size differs from the first photo's
  Inconsistent, // the points cannot be numbered as in the first photo where the target was found
  NotRun,       // the run was cancelled before this photo
};

// What was found in one photo. problem says why a photo has no points, for people; it does not name
// the photo, which the caller does.
struct PhotoDetection {
  std::string photo;
  PhotoStatus status = PhotoStatus::NotRun;
  std::string problem;
  int width = 0;
  int height = 0;
  OrderedPoints points;
};

// Reads one photo and finds the target in it. The points come numbered rows top to bottom, columns
// left to right as the target is seen in this photo.
PhotoDetection detectPhoto(const std::string& photo, const TargetSpec& targetSpec);

} // namespace kavo::detect
