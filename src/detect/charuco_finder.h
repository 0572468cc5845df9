#pragma once
#include "detect/found_grid.h"
#include "detect/photo_image.h"

namespace kavo::detect {

// Finds the inner corners of a ChArUco board (targetSpec.columns × targetSpec.rows squares, markers of
// targetSpec.dictionary in the light squares) through OpenCV's aruco module: the markers are found in
// a copy reduced to at most 1600 pixels along its longer side (larger copies are tried when that
// fails), each corner between two found markers is placed, and every corner is then placed to a
// fraction of a pixel in the full photo, keeping its window clear of the markers. The corners come
// with their places on the board, so a photo that shows part of the board gives the corners it shows;
// at least four are needed.
FinderOutcome findCharuco(const PhotoImage& photo, const TargetSpec& targetSpec);

} // namespace kavo::detect
