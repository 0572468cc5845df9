#include "detect/grid_shape.h"
#include "detect/point_order.h"
#include "detect/target.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kavo::detect {
namespace {

// A grid laid in a photo: turned by `turn` degrees, optionally mirrored, spacing 40 px. The finder's
// labels are the grid's own, so a turned grid is reported starting from another corner, as finders do.
struct Laid {
  std::vector<ImagePoint> points;
  std::vector<GridPosition> grid;
};

Laid lay(const TargetSpec& targetSpec, double turn, bool mirrored) {
  Laid out;
  const double a = turn * std::numbers::pi / 180.0;
  for (const auto& g : finderGrid(targetSpec)) {
    const double u = (mirrored ? -1.0 : 1.0) * g.column * 40.0, v = g.row * 40.0;
    out.points.push_back({600 + std::cos(a) * u - std::sin(a) * v, 450 + std::sin(a) * u + std::cos(a) * v});
    out.grid.push_back(g);
  }
  return out;
}

// What "rows top to bottom, columns left to right" means, checked on the positions alone: along a row
// x grows, down a column y grows, and every labelled place sits where its row and column cross.
void expectReadingOrder(const OrderedPoints& o) {
  ASSERT_EQ(o.points.size(), o.grid.size());
  for (std::size_t k = 1; k < o.points.size(); ++k) {
    const GridPosition& p = o.grid[k - 1];
    const GridPosition& q = o.grid[k];
    ASSERT_TRUE(q.row > p.row || (q.row == p.row && q.column > p.column)) << "labels out of order at " << k;
    if (q.row == p.row) {
      EXPECT_GT(o.points[k].x, o.points[k - 1].x) << "row " << q.row << " does not run left to right";
    } else {
      EXPECT_GT(o.points[k].y, o.points[k - 1].y - 40.0 * (q.row - p.row) * 0.5) << "rows not top to bottom";
    }
  }
  // The label is the position: point = first + column * alongRow + row * downColumn.
  const ImagePoint origin = o.points.front();
  const GridPosition first = o.grid.front();
  for (std::size_t k = 0; k < o.points.size(); ++k) {
    const double dc = o.grid[k].column - first.column, dr = o.grid[k].row - first.row;
    EXPECT_NEAR(o.points[k].x, origin.x + dc * o.axes.alongRow.x + dr * o.axes.downColumn.x, 1e-6);
    EXPECT_NEAR(o.points[k].y, origin.y + dc * o.axes.alongRow.y + dr * o.axes.downColumn.y, 1e-6);
  }
}

struct OrderCase {
  const char* name;
  TargetKind kind;
  double turn;
  bool mirrored;
  int seenColumns; // points per seen row (lattice columns for a staggered grid)
  int seenRows;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const OrderCase& c, std::ostream* os) {
  *os << c.name;
}

class OrderByPosition : public ::testing::TestWithParam<OrderCase> {};

TEST_P(OrderByPosition, NumbersRowsTopToBottomAndColumnsLeftToRight) {
  const OrderCase& c = GetParam();
  const TargetSpec targetSpec{c.kind, 5, 3, 10.0};
  const Laid laid = lay(targetSpec, c.turn, c.mirrored);
  std::string why;
  const auto ordered = orderByPosition(laid.points, laid.grid, why);
  ASSERT_TRUE(ordered) << why;
  EXPECT_EQ(ordered->columns, c.seenColumns);
  EXPECT_EQ(ordered->rows, c.seenRows);
  // The top row starts at the left edge, or one column in where a staggered row is shifted.
  EXPECT_EQ(ordered->grid.front().row, 0);
  EXPECT_LE(ordered->grid.front().column, c.kind == TargetKind::AsymmetricCircles ? 1 : 0);
  expectReadingOrder(*ordered);
}

const OrderCase kOrderCases[] = {
    {"Upright", TargetKind::Chessboard, 3, false, 5, 3},
    {"HalfTurn", TargetKind::Chessboard, 183, false, 5, 3},
    {"Mirrored", TargetKind::Chessboard, -4, true, 5, 3},
    {"MirroredHalfTurn", TargetKind::Chessboard, 176, true, 5, 3},
    {"QuarterTurn", TargetKind::Chessboard, 92, false, 3, 5},
    {"ThreeQuarterTurn", TargetKind::Chessboard, 268, true, 3, 5},
    {"StaggeredUpright", TargetKind::AsymmetricCircles, 2, false, 10, 3},
    {"StaggeredHalfTurn", TargetKind::AsymmetricCircles, 181, false, 10, 3},
    {"StaggeredMirrored", TargetKind::AsymmetricCircles, 5, true, 10, 3},
    {"StaggeredQuarterTurn", TargetKind::AsymmetricCircles, 88, false, 3, 10},
};
INSTANTIATE_TEST_SUITE_P(Turns, OrderByPosition, ::testing::ValuesIn(kOrderCases),
                         [](const auto& p) { return std::string(p.param.name); });

// At 45 degrees either grid direction may be taken for the rows; a second photo is numbered as the
// first, so the same point keeps its number although the photos fall on either side of 45 degrees.
TEST(OrderByPosition, FollowsTheFirstPhotoAcrossTheDiagonal) {
  const TargetSpec targetSpec{TargetKind::Chessboard, 4, 4, 10.0};
  const Laid first = lay(targetSpec, 44, false);
  const Laid second = lay(targetSpec, 46, false);
  std::string why;
  const auto a = orderByPosition(first.points, first.grid, why);
  const auto alone = orderByPosition(second.points, second.grid, why);
  const auto matched = orderByPosition(second.points, second.grid, why, &a->axes);
  ASSERT_TRUE(a && alone && matched);
  auto firstFinderIndex = [](const Laid& l, const ImagePoint& p) {
    for (std::size_t i = 0; i < l.points.size(); ++i) {
      if (std::hypot(l.points[i].x - p.x, l.points[i].y - p.y) < 1e-9) {
        return i;
      }
    }
    return l.points.size();
  };
  // Both photos lay the same target, so finder index i is the same physical point in both.
  std::vector<std::size_t> inFirst, inSecond, inSecondAlone;
  for (std::size_t k = 0; k < a->points.size(); ++k) {
    inFirst.push_back(firstFinderIndex(first, a->points[k]));
    inSecond.push_back(firstFinderIndex(second, matched->points[k]));
    inSecondAlone.push_back(firstFinderIndex(second, alone->points[k]));
  }
  EXPECT_EQ(inSecond, inFirst);
  EXPECT_NE(inSecondAlone, inFirst);
  EXPECT_EQ(orderMismatch(*a, *matched), "");
}

struct MismatchCase {
  const char* name;
  TargetSpec secondSpec;
  double secondTurn;
  bool secondMirrored;
  const char* says;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const MismatchCase& c, std::ostream* os) {
  *os << c.name;
}

class OrderMismatch : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(OrderMismatch, NamesWhatDiffersFromTheFirstPhoto) {
  const MismatchCase& c = GetParam();
  const Laid first = lay({TargetKind::AsymmetricCircles, 4, 5, 10.0}, 0, false);
  const Laid second = lay(c.secondSpec, c.secondTurn, c.secondMirrored);
  std::string why;
  const auto a = orderByPosition(first.points, first.grid, why);
  const auto b = orderByPosition(second.points, second.grid, why, &a->axes);
  ASSERT_TRUE(a && b);
  const std::string mismatch = orderMismatch(*a, *b);
  EXPECT_NE(mismatch.find(c.says), std::string::npos) << mismatch;
}

const MismatchCase kMismatchCases[] = {
    {"TurnedTooFar", {TargetKind::AsymmetricCircles, 4, 5, 10.0}, 36, false, "повёрнута на 36°"},
    {"Mirrored", {TargetKind::AsymmetricCircles, 4, 5, 10.0}, 0, true, "сдвинуты в другую сторону"},
    {"OtherSize", {TargetKind::AsymmetricCircles, 4, 6, 10.0}, 0, false, "рядов"},
};
INSTANTIATE_TEST_SUITE_P(Photos, OrderMismatch, ::testing::ValuesIn(kMismatchCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OrderByPosition, RefusesPointsThatDoNotSpanAGrid) {
  // Columns step by (10, 0) and rows by (20, 1): both grid directions run almost the same way.
  std::vector<ImagePoint> points;
  std::vector<GridPosition> grid;
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) {
      points.push_back({100.0 + 10 * c + 20 * r, 100.0 + r});
      grid.push_back({c, r});
    }
  }
  std::string why;
  EXPECT_FALSE(orderByPosition(points, grid, why));
  EXPECT_NE(why.find("в одну сторону"), std::string::npos) << why;
  EXPECT_FALSE(orderByPosition({{0, 0}, {1, 1}}, {{0, 0}, {1, 0}}, why));
}

struct ShapeCase {
  const char* name;
  std::vector<GridPosition> found;
  TargetSpec target;
  bool same;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const ShapeCase& c, std::ostream* os) {
  *os << c.name;
}

class SameShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(SameShape, AcceptsTheTargetLaidAnyWay) {
  EXPECT_EQ(sameShape(GetParam().found, finderGrid(GetParam().target)), GetParam().same);
}

std::vector<GridPosition> transposed(std::vector<GridPosition> g, int shift) {
  for (auto& p : g) {
    p = {p.row + shift, p.column - shift};
  }
  return g;
}

std::vector<GridPosition> flipped(std::vector<GridPosition> g) {
  for (auto& p : g) {
    p.column = -p.column;
  }
  return g;
}

const TargetSpec kBoard{TargetKind::Chessboard, 4, 3, 1.0};
const TargetSpec kStaggered{TargetKind::AsymmetricCircles, 3, 3, 1.0};
const ShapeCase kShapeCases[] = {
    {"Same", finderGrid(kBoard), kBoard, true},
    {"TurnedAndMoved", transposed(finderGrid(kBoard), 7), kBoard, true},
    {"Mirrored", flipped(finderGrid(kBoard)), kBoard, true},
    {"OneColumnMore", finderGrid({TargetKind::Chessboard, 5, 3, 1.0}), kBoard, false},
    {"SameCountOtherShape", finderGrid({TargetKind::Chessboard, 6, 2, 1.0}), kBoard, false},
    {"StaggeredMirrored", flipped(finderGrid(kStaggered)), kStaggered, true},
    // The same number of circles on a square lattice is not a staggered grid.
    {"StaggeredAgainstSquare", finderGrid({TargetKind::Circles, 3, 3, 1.0}), kStaggered, false},
};
INSTANTIATE_TEST_SUITE_P(Grids, SameShape, ::testing::ValuesIn(kShapeCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(TargetSpec, ReadsSizesAndRefusesTargetsThatCannotBe) {
  const struct {
    const char* text;
    int columns, rows; // 0: refused
  } sizes[] = {{"9x6", 9, 6}, {"9X6", 9, 6},   {"4×11", 4, 11}, {"9x", 0, 0},   {"x6", 0, 0},
               {"0x5", 0, 0}, {"9x6x2", 0, 0}, {"-3x4", 0, 0},  {" 9x6", 0, 0}, {"9.5x6", 0, 0}};
  for (const auto& s : sizes) {
    const auto size = parseGridSize(s.text);
    EXPECT_EQ(size.has_value(), s.columns != 0) << s.text;
    if (size) {
      EXPECT_EQ(size->columns, s.columns) << s.text;
      EXPECT_EQ(size->rows, s.rows) << s.text;
    }
  }
  EXPECT_EQ(targetSpecProblem({TargetKind::Chessboard, 9, 6, 25.0}), "");
  EXPECT_NE(targetSpecProblem({TargetKind::Chessboard, 2, 6, 25.0}), "");
  EXPECT_NE(targetSpecProblem({TargetKind::Circles, 40, 30, 25.0}), "");
  EXPECT_NE(targetSpecProblem({TargetKind::Circles, 4, 11, 0.0}), "");
  EXPECT_NE(targetSpecProblem({TargetKind::Circles, 4, 11, std::nan("")}), "");
  EXPECT_EQ(targetKindFromName("acircles"), TargetKind::AsymmetricCircles);
  EXPECT_FALSE(targetKindFromName("Chessboard"));
}

} // namespace
} // namespace kavo::detect
