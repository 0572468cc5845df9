#pragma once
#include "detect/photo_detection.h"

#include <string>

namespace kavo::detect {

// Reads the photo again and writes it as a JPEG with its points drawn for a look by eye: every point
// ringed and numbered as its line in the coordinate file (from 1), the points of each row joined in
// order, each row in its own colour. Returns "" or the reason, naming the file.
std::string writeOverlay(const PhotoDetection& photo, const std::string& path);

} // namespace kavo::detect
