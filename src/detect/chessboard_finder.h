#pragma once
#include "detect/found_grid.h"
#include "detect/photo_image.h"

namespace kavo::detect {

// Finds the inner corners of a chessboard of targetSpec.columns × targetSpec.rows (either way round). The
// board is looked for in a copy reduced to at most 1600 pixels along its longer side (larger copies are tried
// when that fails), and every corner is then placed to a fraction of a pixel in the full photo. A board with
// more corners than the target asked for is reported as not found, with its size.
FinderOutcome findChessboard(const PhotoImage& photo, const TargetSpec& targetSpec);

} // namespace kavo::detect
