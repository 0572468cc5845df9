#include "detect/chessboard_finder.h"

#include "detect/grid_shape.h"
#include "detect/subpixel.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace kavo::detect {

namespace {

constexpr int kSearchSides[] = {1600, 3200};

struct BoardSearch {
  bool found = false;
  std::vector<cv::Point2f> corners;
  cv::Mat meta; // one entry per corner of the board found: its columns and rows
  ReducedImage image;
};

// The board of the given size or larger (the meta array then tells its real size).
BoardSearch search(const cv::Mat& stretched, cv::Size size) {
  BoardSearch s;
  const int longer = std::max(stretched.cols, stretched.rows);
  for (const int side : kSearchSides) {
    s.image = reduced(stretched, side);
    s.found = cv::findChessboardCornersSB(s.image.image, size, s.corners, cv::CALIB_CB_LARGER, s.meta);
    if (s.found || side >= longer) {
      break;
    }
  }
  return s;
}

// How much a found corner looks like the meeting point of four squares of alternating colour: the
// difference between the two diagonal pairs of squares around it over the spread of the four. About 1
// at a true corner and 0.5 at the outer corner of an edge square, where the finder may reach past the
// board when the light is uneven.
double crossScore(const cv::Mat& image, const cv::Point2f& at, const cv::Point2f& alongRow,
                  const cv::Point2f& downColumn, double& spread) {
  const double pitch = std::min(cv::norm(alongRow), cv::norm(downColumn));
  const int side = std::max(3, static_cast<int>(0.25 * pitch) | 1);
  double level[4];
  int k = 0;
  for (const float down : {-0.35f, 0.35f}) {
    for (const float along : {-0.35f, 0.35f}) {
      cv::Mat patch;
      cv::getRectSubPix(image, cv::Size(side, side), at + along * alongRow + down * downColumn, patch,
                        CV_32F);
      level[k++] = cv::mean(patch)[0];
    }
  }
  spread = *std::max_element(level, level + 4) - *std::min_element(level, level + 4);
  return spread > 0.0 ? std::abs(level[0] + level[3] - level[1] - level[2]) / (2.0 * spread) : 0.0;
}

// The rows and columns of the board found that are made of true corners: outer rows and columns whose
// corners mostly do not look like corners are dropped.
struct Span {
  int firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0;
  int columns() const { return lastColumn - firstColumn + 1; }
  int rows() const { return lastRow - firstRow + 1; }
};

Span trueCorners(const BoardSearch& board) {
  const int columns = board.meta.cols, rows = board.meta.rows;
  auto at = [&](int r, int c) { return board.corners[static_cast<std::size_t>(r * columns + c)]; };
  std::vector<double> score(board.corners.size()), spread(board.corners.size());
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const cv::Point2f along = (at(r, std::min(c + 1, columns - 1)) - at(r, std::max(c - 1, 0))) /
                                static_cast<float>(std::min(c + 1, columns - 1) - std::max(c - 1, 0));
      const cv::Point2f down = (at(std::min(r + 1, rows - 1), c) - at(std::max(r - 1, 0), c)) /
                               static_cast<float>(std::min(r + 1, rows - 1) - std::max(r - 1, 0));
      const std::size_t i = static_cast<std::size_t>(r * columns + c);
      score[i] = crossScore(board.image.image, at(r, c), along, down, spread[i]);
    }
  }
  // Corners on flat ground (spread far below the board's contrast) are no corners at all.
  std::vector<double> spreads = spread;
  std::nth_element(spreads.begin(), spreads.begin() + static_cast<std::ptrdiff_t>(spreads.size() / 2),
                   spreads.end());
  const double typicalSpread = spreads[spreads.size() / 2];
  auto isCorner = [&](int r, int c) {
    const std::size_t i = static_cast<std::size_t>(r * columns + c);
    return spread[i] > 0.25 * typicalSpread && score[i] > 0.75;
  };
  Span span{0, columns - 1, 0, rows - 1};
  auto mostlyCorners = [&](bool row, int index) {
    int yes = 0, all = 0;
    const int from = row ? span.firstColumn : span.firstRow, to = row ? span.lastColumn : span.lastRow;
    for (int k = from; k <= to; ++k) {
      yes += (row ? isCorner(index, k) : isCorner(k, index)) ? 1 : 0;
      ++all;
    }
    return 2 * yes > all;
  };
  for (bool changed = true; changed && span.columns() > 1 && span.rows() > 1;) {
    changed = false;
    if (!mostlyCorners(true, span.firstRow)) {
      ++span.firstRow, changed = true;
    } else if (!mostlyCorners(true, span.lastRow)) {
      --span.lastRow, changed = true;
    } else if (!mostlyCorners(false, span.firstColumn)) {
      ++span.firstColumn, changed = true;
    } else if (!mostlyCorners(false, span.lastColumn)) {
      --span.lastColumn, changed = true;
    }
  }
  return span;
}

} // namespace

FinderOutcome findChessboard(const PhotoImage& photo, const TargetSpec& targetSpec) {
  FinderOutcome out;
  const cv::Size wanted(targetSpec.columns, targetSpec.rows);
  if (photo.flat) {
    out.why = "снимок пуст: на нём нет перепадов яркости";
    return out;
  }
  BoardSearch board = search(photo.stretched, wanted);
  if (!board.found) {
    // Is there a chessboard of another size? The smallest board that is searched for finds any.
    const BoardSearch other = search(photo.stretched, cv::Size(3, 3));
    const Span seen = other.found ? trueCorners(other) : Span{};
    out.why = other.found ? "шахматная доска " + sizeText(targetSpec.columns, targetSpec.rows, targetSpec) +
                                " внутренних углов не найдена; видна доска " +
                                sizeText(seen.columns(), seen.rows(), targetSpec) +
                                " (проверьте размер мишени и что она целиком в кадре)"
                          : "шахматная доска не найдена";
    return out;
  }
  const Span span = trueCorners(board);
  const int columns = span.columns(), rows = span.rows();
  if (!((columns == targetSpec.columns && rows == targetSpec.rows) ||
        (columns == targetSpec.rows && rows == targetSpec.columns))) {
    out.why = "на снимке шахматная доска " + sizeText(columns, rows, targetSpec) +
              " внутренних углов, а не " + sizeText(targetSpec.columns, targetSpec.rows, targetSpec);
    return out;
  }
  std::vector<cv::Point2d> corners;
  std::vector<GridPosition> grid;
  for (int row = span.firstRow; row <= span.lastRow; ++row) {
    for (int column = span.firstColumn; column <= span.lastColumn; ++column) {
      corners.push_back(
          board.image.toPhoto(board.corners[static_cast<std::size_t>(row * board.meta.cols + column)]));
      grid.push_back({column, row});
    }
  }
  refineCorners(photo.grey, corners);
  out.found = true;
  out.grid = std::move(grid);
  for (const auto& c : corners) {
    out.points.push_back({c.x, c.y});
  }
  return out;
}

} // namespace kavo::detect
