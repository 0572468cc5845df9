#pragma once
#include "detect/target.h"

#include <string>
#include <vector>

namespace kavo::detect {

// A ChArUco board as OpenCV draws it and the ChArUco finder expects it, for drawing it elsewhere:
// its dark squares and, in every light square, a marker centred there, the side given by the
// target's marker size. The layout is read off OpenCV's own drawing of the board, so it follows
// whatever square and marker order OpenCV uses.
struct CharucoMarkerPrint {
  int column = 0; // the square, counted from the top left
  int row = 0;
  // cells × cells cells row by row from the top, the black border included: true where white.
  std::vector<bool> white;
};
struct CharucoPrint {
  int cells = 0; // along a marker's side, its one-cell black border included
  std::vector<GridPosition> darkSquares;
  std::vector<CharucoMarkerPrint> markers;
  std::string problem; // why the target cannot be drawn ("" when it can)
};
CharucoPrint charucoPrint(const TargetSpec& targetSpec);

} // namespace kavo::detect
