#pragma once
#include "detect/target.h"

#include <string>
#include <vector>

namespace kavo::detect {

// The grid places with the smallest column and the smallest row moved to 0.
std::vector<GridPosition> normalised(std::vector<GridPosition> grid);

// Whether the places found in a photo are those of the target, laid down in any of the eight ways a
// grid can lie (turned by quarter turns, mirrored).
bool sameShape(const std::vector<GridPosition>& found, const std::vector<GridPosition>& target);

// "8 × 6" (columns × rows of points, counted along the grid as found) for messages.
std::string shapeText(const std::vector<GridPosition>& grid, TargetKind kind);

} // namespace kavo::detect
