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

// "9 × 6": a size for messages, turned to match the way the user gave the target's size, so that a
// board found lying the other way reads as 9 × 6 and not 6 × 9 next to a given 8 × 6.
std::string sizeText(int columns, int rows, const TargetSpec& targetSpec);

// The size of a grid as found (points per row × rows; a staggered row holds every other column), for
// messages as sizeText.
std::string shapeText(const std::vector<GridPosition>& grid, const TargetSpec& targetSpec);

} // namespace kavo::detect
