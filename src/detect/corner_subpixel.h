#pragma once
#include "detect/target.h"

#include <opencv2/core.hpp>

#include <vector>

namespace kavo::detect {

// What the window around a corner must keep clear of. markerMargin is, on a target with markers in
// its light squares, the light border between a square's corner and its marker, in squares (0 on a
// plain chessboard): in the light squares the window then keeps to narrow bands along the two edges
// through the corner, clear of the markers, while it covers the dark squares whole. The target's
// first square, before its first corner in both directions, is dark.
struct CornerWindow {
  double markerMargin = 0.0;
};

// Moves every corner where two dark and two light squares meet to the point through which every
// edge around it runs, in the full photo. grid[k] is corners[k]'s place on the target; the window
// around a corner is laid along the grid as the photo shows it there (its steps to the neighbouring
// corners), so it follows perspective and turns with the target, and it reaches less far beyond the
// outermost corners, whose outer squares a printed board often cuts short. A corner whose refinement
// wanders off stays where the finder put it.
void refineCorners(const cv::Mat& grey, std::vector<cv::Point2d>& corners,
                   const std::vector<GridPosition>& grid, const CornerWindow& window = {});

} // namespace kavo::detect
