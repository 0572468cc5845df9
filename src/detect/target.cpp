#include "detect/target.h"

#include <charconv>
#include <cmath>

namespace kavo::detect {

namespace {

// The finders need at least three points along each side to tell the grid's directions apart, and
// the list of one photo's points should stay small enough to read and enumerate.
constexpr int kMinSide = 3;
constexpr int kMaxPoints = 1000;

std::optional<int> positiveNumber(std::string_view text) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || text.empty() || value <= 0) {
    return std::nullopt;
  }
  return value;
}

} // namespace

std::optional<TargetKind> targetKindFromName(std::string_view name) {
  if (name == "chessboard") {
    return TargetKind::Chessboard;
  }
  if (name == "circles") {
    return TargetKind::Circles;
  }
  if (name == "acircles") {
    return TargetKind::AsymmetricCircles;
  }
  return std::nullopt;
}

std::string targetKindName(TargetKind kind) {
  switch (kind) {
  case TargetKind::Chessboard:
    return "chessboard";
  case TargetKind::Circles:
    return "circles";
  case TargetKind::AsymmetricCircles:
    return "acircles";
  }
  return "chessboard";
}

std::optional<GridSize> parseGridSize(std::string_view text) {
  for (const std::string_view sign : {"x", "X", "\u00d7"}) {
    const std::size_t at = text.find(sign);
    if (at == std::string_view::npos) {
      continue;
    }
    const auto columns = positiveNumber(text.substr(0, at));
    const auto rows = positiveNumber(text.substr(at + sign.size()));
    if (!columns || !rows) {
      return std::nullopt;
    }
    return GridSize{*columns, *rows};
  }
  return std::nullopt;
}

std::string targetSpecProblem(const TargetSpec& targetSpec) {
  if (targetSpec.columns < kMinSide || targetSpec.rows < kMinSide) {
    return "у мишени должно быть не меньше " + std::to_string(kMinSide) + " точек вдоль каждой стороны";
  }
  if (static_cast<long long>(targetSpec.columns) * targetSpec.rows > kMaxPoints) {
    return "в мишени может быть не больше " + std::to_string(kMaxPoints) + " точек";
  }
  if (!std::isfinite(targetSpec.pitch) || !(targetSpec.pitch > 0.0)) {
    return "шаг сетки мишени должен быть положительным числом миллиметров";
  }
  return {};
}

std::vector<GridPosition> finderGrid(const TargetSpec& targetSpec) {
  std::vector<GridPosition> grid;
  grid.reserve(static_cast<std::size_t>(targetSpec.columns) * static_cast<std::size_t>(targetSpec.rows));
  for (int row = 0; row < targetSpec.rows; ++row) {
    for (int column = 0; column < targetSpec.columns; ++column) {
      const int place = targetSpec.kind == TargetKind::AsymmetricCircles ? 2 * column + row % 2 : column;
      grid.push_back({place, row});
    }
  }
  return grid;
}

} // namespace kavo::detect
