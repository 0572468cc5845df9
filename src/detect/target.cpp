#include "detect/target.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>

namespace kavo::detect {

namespace {

// The finders need at least three points along each side to tell the grid's directions apart, and
// the list of one photo's points should stay small enough to read and enumerate.
constexpr int kMinSide = 3;
constexpr int kMaxPoints = 1000;

// OpenCV's predefined marker dictionaries (cv::aruco::PREDEFINED_DICTIONARY_NAME) and their sizes.
struct Dictionary {
  const char* name;
  int id;
  int size;
};
constexpr Dictionary kDictionaries[] = {
    {"DICT_4X4_50", 0, 50},
    {"DICT_4X4_100", 1, 100},
    {"DICT_4X4_250", 2, 250},
    {"DICT_4X4_1000", 3, 1000},
    {"DICT_5X5_50", 4, 50},
    {"DICT_5X5_100", 5, 100},
    {"DICT_5X5_250", 6, 250},
    {"DICT_5X5_1000", 7, 1000},
    {"DICT_6X6_50", 8, 50},
    {"DICT_6X6_100", 9, 100},
    {"DICT_6X6_250", 10, 250},
    {"DICT_6X6_1000", 11, 1000},
    {"DICT_7X7_50", 12, 50},
    {"DICT_7X7_100", 13, 100},
    {"DICT_7X7_250", 14, 250},
    {"DICT_7X7_1000", 15, 1000},
    {"DICT_ARUCO_ORIGINAL", 16, 1024},
    {"DICT_APRILTAG_16H5", 17, 30},
    {"DICT_APRILTAG_25H9", 18, 35},
    {"DICT_APRILTAG_36H10", 19, 2320},
    {"DICT_APRILTAG_36H11", 20, 587},
};

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
  if (name == "charuco") {
    return TargetKind::Charuco;
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
  case TargetKind::Charuco:
    return "charuco";
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

std::optional<int> charucoDictionaryFromName(std::string_view name) {
  std::string upper;
  for (const char c : name) {
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (upper.rfind("DICT_", 0) != 0) {
    upper = "DICT_" + upper;
  }
  for (const auto& d : kDictionaries) {
    if (upper == d.name) {
      return d.id;
    }
  }
  return std::nullopt;
}

std::string charucoDictionaryName(int dictionary) {
  for (const auto& d : kDictionaries) {
    if (d.id == dictionary) {
      return d.name;
    }
  }
  return {};
}

std::vector<std::string> charucoDictionaryNames() {
  std::vector<std::string> names;
  for (const auto& d : kDictionaries) {
    names.emplace_back(d.name);
  }
  return names;
}

bool pointsIdentified(const TargetSpec& targetSpec) {
  return targetSpec.kind == TargetKind::Charuco;
}

static std::string charucoProblem(const TargetSpec& t) {
  if (!std::isfinite(t.markerSize) || !(t.markerSize > 0.0) || !(t.markerSize < t.pitch)) {
    return "сторона маркера должна быть положительным числом миллиметров, меньшим стороны клетки";
  }
  const auto* d = std::find_if(std::begin(kDictionaries), std::end(kDictionaries),
                               [&](const Dictionary& e) { return e.id == t.dictionary; });
  if (d == std::end(kDictionaries)) {
    return "не задан словарь маркеров";
  }
  const long long markers = static_cast<long long>(t.columns) * t.rows / 2;
  if (markers > d->size) {
    return "в словаре " + std::string(d->name) + " " + std::to_string(d->size) + " маркеров, а на доске " +
           std::to_string(t.columns) + " × " + std::to_string(t.rows) + " клеток их " +
           std::to_string(markers);
  }
  return {};
}

std::string targetSpecProblem(const TargetSpec& targetSpec) {
  if (targetSpec.kind == TargetKind::Charuco) {
    if (targetSpec.columns < kMinSide || targetSpec.rows < kMinSide) {
      return "у доски ChArUco должно быть не меньше " + std::to_string(kMinSide) +
             " клеток вдоль каждой стороны";
    }
    if (static_cast<long long>(targetSpec.columns - 1) * (targetSpec.rows - 1) > kMaxPoints) {
      return "в мишени может быть не больше " + std::to_string(kMaxPoints) + " точек";
    }
    if (!std::isfinite(targetSpec.pitch) || !(targetSpec.pitch > 0.0)) {
      return "сторона клетки доски должна быть положительным числом миллиметров";
    }
    return charucoProblem(targetSpec);
  }
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
  if (targetSpec.kind == TargetKind::Charuco) {
    for (int row = 0; row + 1 < targetSpec.rows; ++row) {
      for (int column = 0; column + 1 < targetSpec.columns; ++column) {
        grid.push_back({column, row});
      }
    }
    return grid;
  }
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
