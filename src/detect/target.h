#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavo::detect {

// The kinds of printed target the photos may show.
enum class TargetKind {
  Chessboard,        // the inner corners of a chessboard
  Circles,           // a symmetric grid of circles
  AsymmetricCircles, // a staggered grid: every other row shifted by half the distance within a row
};

// What the user says the target is. columns × rows counts inner corners or circles; for a staggered
// grid, columns counts the circles of one row. pitch is the distance in millimetres between
// neighbouring corners or circles; for a staggered grid it is the distance between neighbouring rows,
// and the circles of one row are twice the pitch apart.
struct TargetSpec {
  TargetKind kind = TargetKind::Chessboard;
  int columns = 0;
  int rows = 0;
  double pitch = 0.0;
};

// A point's place on the target, counted in pitches: column to the right, row downwards as the
// target is seen. On a staggered grid only every other column of a row holds a circle.
struct GridPosition {
  int column = 0;
  int row = 0;
  friend bool operator==(const GridPosition&, const GridPosition&) = default;
};

// "chessboard", "circles", "acircles".
std::optional<TargetKind> targetKindFromName(std::string_view name);
std::string targetKindName(TargetKind kind);

// Reads "CxR" (also "C×R" and "CXR") into columns and rows; nothing for any other text.
struct GridSize {
  int columns = 0;
  int rows = 0;
};
std::optional<GridSize> parseGridSize(std::string_view text);

// Why the description cannot be a target ("" when it can).
std::string targetSpecProblem(const TargetSpec& targetSpec);

// The grid positions of the points in the order the finder reports them: row by row, targetSpec.columns
// points in each.
std::vector<GridPosition> finderGrid(const TargetSpec& targetSpec);

} // namespace kavo::detect
