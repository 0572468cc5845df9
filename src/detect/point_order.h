#pragma once
#include "detect/target.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// A position in a photo: pixel column and pixel row, the centre of the first pixel at (0, 0).
struct ImagePoint {
  double x = 0.0;
  double y = 0.0;
};

// The direction in the photo, in pixels per pitch, of one step along the target's rows (to the next
// column) and of one step down its columns (to the next row).
struct GridAxes {
  ImagePoint alongRow;
  ImagePoint downColumn;
};

// One photo's points in the order of the series files: rows top to bottom, each row left to right,
// as the target is seen. grid[k] is the place on the target of points[k]; the smallest column and
// the smallest row are 0.
struct OrderedPoints {
  std::vector<ImagePoint> points;
  std::vector<GridPosition> grid;
  GridAxes axes;
  int columns = 0; // the number of columns the grid spans
  int rows = 0;
  // The places are those of the whole target, which the points may cover only in part (a ChArUco
  // board); columns and rows are then the whole target's.
  bool identified = false;
};

// The columns and rows of a whole target, in the places a finder reports.
struct GridExtent {
  int columns = 0;
  int rows = 0;
};

// Renumbers the points a finder reported at the given grid places so that rows run from the top of
// the photo to its bottom and columns from left to right. The grid may be turned or mirrored any way
// the finder reported it. With `like`, the axes are chosen to match those of another photo of the
// same series instead, so that a target seen almost diagonally is numbered the same in every photo.
// With `board`, the points' places are those of the whole target given, and the places returned
// count from the whole target's first row and column as seen, not from the points'.
// Returns nothing, with the reason in why, when the points cannot give the grid's directions.
std::optional<OrderedPoints> orderByPosition(const std::vector<ImagePoint>& points,
                                             const std::vector<GridPosition>& grid, std::string& why,
                                             const GridAxes* like = nullptr,
                                             const GridExtent* board = nullptr);

// Whether a photo's points, numbered like those of the series' reference photo (orderByPosition with
// its axes), stand for the same points of the target: the same places (a staggered grid seen mirrored
// has its rows shifted the other way), and the rows turned by less than 30 degrees between the two
// (the camera only moves along its axis, so the target keeps its place in the picture); identified
// points need only the turn. Returns ""
// when they are, otherwise what differs.
std::string orderMismatch(const OrderedPoints& reference, const OrderedPoints& photo);

} // namespace kavo::detect
