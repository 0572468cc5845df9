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
  Charuco,           // the inner corners of a chessboard with a marker in every light square
};

// What the user says the target is. columns × rows counts inner corners or circles; for a staggered
// grid, columns counts the circles of one row; for a ChArUco board, its squares (a board of C × R
// squares has (C - 1) × (R - 1) inner corners). pitch is the distance in millimetres between
// neighbouring corners or circles; for a staggered grid it is the distance between neighbouring rows,
// and the circles of one row are twice the pitch apart. A ChArUco board also has the side of its
// markers in millimetres and the dictionary they are drawn from (see charucoDictionaryFromName).
struct TargetSpec {
  TargetKind kind = TargetKind::Chessboard;
  int columns = 0;
  int rows = 0;
  double pitch = 0.0;
  double markerSize = 0.0;
  int dictionary = -1;
};

// A point's place on the target, counted in pitches: column to the right, row downwards as the
// target is seen. On a staggered grid only every other column of a row holds a circle.
struct GridPosition {
  int column = 0;
  int row = 0;
  friend bool operator==(const GridPosition&, const GridPosition&) = default;
};

// "chessboard", "circles", "acircles", "charuco".
std::optional<TargetKind> targetKindFromName(std::string_view name);
std::string targetKindName(TargetKind kind);

// Reads "CxR" (also "C×R" and "CXR") into columns and rows; nothing for any other text.
struct GridSize {
  int columns = 0;
  int rows = 0;
};
std::optional<GridSize> parseGridSize(std::string_view text);

// The marker dictionaries a ChArUco board may use, by name ("DICT_5X5_100", also without "DICT_" and
// in any case); nothing for an unknown name. charucoDictionaryNames lists them in the order offered.
std::optional<int> charucoDictionaryFromName(std::string_view name);
std::string charucoDictionaryName(int dictionary);
std::vector<std::string> charucoDictionaryNames();

// Whether the target's points are told apart by the target itself (a ChArUco board's corners carry
// their place), so that a photo may show only some of them.
bool pointsIdentified(const TargetSpec& targetSpec);

// Why the description cannot be a target ("" when it can).
std::string targetSpecProblem(const TargetSpec& targetSpec);

// The grid positions of the points in the order the finder reports them: row by row, targetSpec.columns
// points in each (a ChArUco board: its inner corners, targetSpec.columns - 1 in each row).
std::vector<GridPosition> finderGrid(const TargetSpec& targetSpec);

} // namespace kavo::detect
