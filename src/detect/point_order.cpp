#include "detect/point_order.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace kavo::detect {

namespace {

// Beyond this turn between two photos a target seen at 45 degrees could be numbered either way.
constexpr double kMaxTurnDegrees = 30.0;

double length(const ImagePoint& v) {
  return std::hypot(v.x, v.y);
}

double dot(const ImagePoint& a, const ImagePoint& b) {
  return a.x * b.x + a.y * b.y;
}

double cross(const ImagePoint& a, const ImagePoint& b) {
  return a.x * b.y - a.y * b.x;
}

ImagePoint scaled(const ImagePoint& v, double factor) {
  return {v.x * factor, v.y * factor};
}

double cosine(const ImagePoint& a, const ImagePoint& b) {
  return dot(a, b) / (length(a) * length(b));
}

// The mean step in the photo from a point to its neighbour along one grid direction. On a staggered
// grid the neighbour in a row is two columns away, and the one below in the same column two rows.
std::optional<ImagePoint> meanStep(const std::vector<ImagePoint>& points,
                                   const std::vector<GridPosition>& grid,
                                   const std::map<std::pair<int, int>, std::size_t>& at, int dColumn,
                                   int dRow) {
  ImagePoint sum;
  int count = 0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    for (int distance = 1; distance <= 2; ++distance) {
      const auto next = at.find({grid[i].column + distance * dColumn, grid[i].row + distance * dRow});
      if (next != at.end()) {
        sum.x += (points[next->second].x - points[i].x) / distance;
        sum.y += (points[next->second].y - points[i].y) / distance;
        ++count;
        break;
      }
    }
  }
  if (count == 0) {
    return std::nullopt;
  }
  return scaled(sum, 1.0 / count);
}

// One of the eight ways to lay a square grid down: the new column is the old column or row, with a
// sign, and so is the new row.
struct Relabel {
  bool swap = false;
  int columnSign = 1;
  int rowSign = 1;

  GridPosition apply(const GridPosition& g) const {
    const int column = swap ? g.row : g.column;
    const int row = swap ? g.column : g.row;
    return {columnSign * column, rowSign * row};
  }
};

} // namespace

std::optional<OrderedPoints> orderByPosition(const std::vector<ImagePoint>& points,
                                             const std::vector<GridPosition>& grid, std::string& why,
                                             const GridAxes* like, const GridExtent* board) {
  if (points.size() != grid.size() || points.size() < 4) {
    why = "слишком мало точек, чтобы найти направления сетки";
    return std::nullopt;
  }
  std::map<std::pair<int, int>, std::size_t> at;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (!at.emplace(std::make_pair(grid[i].column, grid[i].row), i).second) {
      why = "две точки на одном месте сетки";
      return std::nullopt;
    }
  }
  const auto alongColumns = meanStep(points, grid, at, 1, 0);
  const auto alongRows = meanStep(points, grid, at, 0, 1);
  if (!alongColumns || !alongRows) {
    why = "в сетке один ряд или один столбец";
    return std::nullopt;
  }
  const ImagePoint a = *alongColumns;
  const ImagePoint b = *alongRows;
  // The two directions must be clearly apart (by more than about 10 degrees) to tell rows from columns.
  if (!(length(a) > 0.0) || !(length(b) > 0.0) || std::abs(cross(a, b)) < 0.17 * length(a) * length(b)) {
    why = "точки не образуют сетку: её ряды и столбцы идут в одну сторону";
    return std::nullopt;
  }

  const ImagePoint right{1.0, 0.0};
  const ImagePoint down{0.0, 1.0};
  const ImagePoint wantRow = like != nullptr ? like->alongRow : right;
  const ImagePoint wantColumn = like != nullptr ? like->downColumn : down;

  // The new row direction is the one of ±a, ±b closest to the wanted one; the new column direction is
  // the other grid direction, with the sign that agrees better with the wanted one.
  Relabel best;
  double bestCosine = -2.0;
  for (const bool swap : {false, true}) {
    for (const int sign : {1, -1}) {
      const double c = cosine(scaled(swap ? b : a, sign), wantRow);
      if (c > bestCosine) {
        bestCosine = c;
        best.swap = swap;
        best.columnSign = sign;
      }
    }
  }
  const ImagePoint rowAxis = scaled(best.swap ? b : a, best.columnSign);
  const ImagePoint otherAxis = best.swap ? a : b;
  best.rowSign = dot(otherAxis, wantColumn) >= 0.0 ? 1 : -1;
  const ImagePoint columnAxis = scaled(otherAxis, best.rowSign);

  std::vector<GridPosition> relabelled(grid.size());
  int minColumn = 0, minRow = 0, maxColumn = 0, maxRow = 0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    relabelled[i] = best.apply(grid[i]);
    if (i == 0) {
      minColumn = maxColumn = relabelled[i].column;
      minRow = maxRow = relabelled[i].row;
    }
    minColumn = std::min(minColumn, relabelled[i].column);
    maxColumn = std::max(maxColumn, relabelled[i].column);
    minRow = std::min(minRow, relabelled[i].row);
    maxRow = std::max(maxRow, relabelled[i].row);
  }
  if (board != nullptr) {
    // The whole target's corners, laid down the same way, give its first row and column.
    for (const GridPosition corner :
         {GridPosition{0, 0}, GridPosition{board->columns - 1, board->rows - 1}}) {
      const GridPosition laid = best.apply(corner);
      minColumn = std::min(minColumn, laid.column);
      maxColumn = std::max(maxColumn, laid.column);
      minRow = std::min(minRow, laid.row);
      maxRow = std::max(maxRow, laid.row);
    }
  }
  std::vector<std::size_t> order(grid.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::sort(order.begin(), order.end(), [&](std::size_t l, std::size_t r) {
    const GridPosition& p = relabelled[l];
    const GridPosition& q = relabelled[r];
    return p.row != q.row ? p.row < q.row : p.column < q.column;
  });

  OrderedPoints result;
  result.points.reserve(order.size());
  result.grid.reserve(order.size());
  for (const std::size_t i : order) {
    result.points.push_back(points[i]);
    result.grid.push_back({relabelled[i].column - minColumn, relabelled[i].row - minRow});
  }
  result.axes = {rowAxis, columnAxis};
  result.columns = maxColumn - minColumn + 1;
  result.rows = maxRow - minRow + 1;
  result.identified = board != nullptr;
  return result;
}

std::string orderMismatch(const OrderedPoints& reference, const OrderedPoints& photo) {
  if (!photo.identified && photo.grid != reference.grid) {
    if (photo.columns != reference.columns || photo.rows != reference.rows) {
      return "здесь у мишени " + std::to_string(photo.columns) + " столбцов и " + std::to_string(photo.rows) +
             " рядов, а на первом снимке " + std::to_string(reference.columns) + " и " +
             std::to_string(reference.rows);
    }
    return "ряды кругов мишени сдвинуты в другую сторону, чем на первом снимке";
  }
  const double turn = std::acos(std::clamp(cosine(reference.axes.alongRow, photo.axes.alongRow), -1.0, 1.0)) *
                      180.0 / std::numbers::pi;
  if (turn > kMaxTurnDegrees) {
    return "мишень повёрнута на " + std::to_string(static_cast<int>(std::lround(turn))) +
           "° относительно первого снимка, а камера должна двигаться только вдоль своей оси";
  }
  return {};
}

} // namespace kavo::detect
