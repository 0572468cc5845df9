#pragma once
#include "detect/point_order.h"
#include "detect/target.h"

#include <optional>
#include <string>
#include <vector>

namespace kavo::detect {

// What a finder saw in one photo: the target's points with their places on the grid (in whatever
// orientation the finder laid the grid down), or, when the target was not found, why not, in words
// that help the user (for example the size of another grid that is visible).
struct FinderOutcome {
  bool found = false;
  std::vector<ImagePoint> points;
  std::vector<GridPosition> grid;
  bool identified = false; // the grid places are the target's own (pointsIdentified)
  std::string why;
};

} // namespace kavo::detect
