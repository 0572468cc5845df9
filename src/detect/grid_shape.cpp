#include "detect/grid_shape.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace kavo::detect {

namespace {

std::set<std::pair<int, int>> asSet(const std::vector<GridPosition>& grid) {
  std::set<std::pair<int, int>> out;
  for (const auto& g : grid) {
    out.emplace(g.column, g.row);
  }
  return out;
}

} // namespace

std::vector<GridPosition> normalised(std::vector<GridPosition> grid) {
  if (grid.empty()) {
    return grid;
  }
  int minColumn = grid.front().column, minRow = grid.front().row;
  for (const auto& g : grid) {
    minColumn = std::min(minColumn, g.column);
    minRow = std::min(minRow, g.row);
  }
  for (auto& g : grid) {
    g.column -= minColumn;
    g.row -= minRow;
  }
  return grid;
}

bool sameShape(const std::vector<GridPosition>& found, const std::vector<GridPosition>& target) {
  if (found.size() != target.size()) {
    return false;
  }
  const auto wanted = asSet(normalised(target));
  for (const bool swap : {false, true}) {
    for (const int columnSign : {1, -1}) {
      for (const int rowSign : {1, -1}) {
        std::vector<GridPosition> laid;
        laid.reserve(found.size());
        for (const auto& g : found) {
          laid.push_back({columnSign * (swap ? g.row : g.column), rowSign * (swap ? g.column : g.row)});
        }
        if (asSet(normalised(laid)) == wanted) {
          return true;
        }
      }
    }
  }
  return false;
}

std::string sizeText(int columns, int rows, const TargetSpec& targetSpec) {
  if (std::abs(rows - targetSpec.columns) + std::abs(columns - targetSpec.rows) <
      std::abs(columns - targetSpec.columns) + std::abs(rows - targetSpec.rows)) {
    std::swap(columns, rows);
  }
  return std::to_string(columns) + " × " + std::to_string(rows);
}

std::string shapeText(const std::vector<GridPosition>& grid, const TargetSpec& targetSpec) {
  std::set<int> columns, rows;
  for (const auto& g : grid) {
    columns.insert(g.column);
    rows.insert(g.row);
  }
  int perRow = static_cast<int>(columns.size());
  if (targetSpec.kind == TargetKind::AsymmetricCircles) {
    // A staggered row holds every other column.
    perRow = (perRow + 1) / 2;
  }
  return sizeText(perRow, static_cast<int>(rows.size()), targetSpec);
}

} // namespace kavo::detect
