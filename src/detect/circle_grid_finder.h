#pragma once
#include "detect/found_grid.h"
#include "detect/photo_image.h"

#include <opencv2/core.hpp>

#include <vector>

namespace kavo::detect {

// Finds a symmetric or staggered grid of targetSpec.columns × targetSpec.rows circles, dark on a light ground
// or light on a dark one. Blobs are found in a copy reduced to at most 1600 pixels along its longer side
// (larger copies are tried when that fails), linked into a lattice from neighbour to neighbour, and
// the lattice must be the target's grid exactly; the centres are then placed in the full photo.
FinderOutcome findCircleGrid(const PhotoImage& photo, const TargetSpec& targetSpec);

// The lattice step: the blobs linked from neighbour to neighbour, starting from every blob in turn,
// and the largest lattice found. Places are in steps along the two neighbour directions; on a
// staggered grid those are its diagonals. Exposed for tests.
struct Lattice {
  std::vector<int> blob; // index into the centres
  std::vector<GridPosition> place;
};
Lattice largestLattice(const std::vector<cv::Point2d>& centres, const std::vector<double>& sizes);

} // namespace kavo::detect
