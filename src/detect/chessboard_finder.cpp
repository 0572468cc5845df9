#include "detect/chessboard_finder.h"

#include "detect/grid_shape.h"
#include "detect/subpixel.h"

#include <opencv2/calib3d.hpp>

#include <algorithm>

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

} // namespace

FinderOutcome findChessboard(const PhotoImage& photo, const TargetSpec& spec) {
  FinderOutcome out;
  const cv::Size wanted(spec.columns, spec.rows);
  if (photo.flat) {
    out.why = "снимок пуст: на нём нет перепадов яркости";
    return out;
  }
  BoardSearch board = search(photo.stretched, wanted);
  if (!board.found) {
    // Is there a chessboard of another size? The smallest board that is searched for finds any.
    const BoardSearch other = search(photo.stretched, cv::Size(3, 3));
    out.why = other.found ? "шахматная доска " + sizeText(spec.columns, spec.rows, spec) +
                                " внутренних углов не найдена; видна доска " +
                                sizeText(other.meta.cols, other.meta.rows, spec) +
                                " (проверьте размер мишени и что она целиком в кадре)"
                          : "шахматная доска не найдена";
    return out;
  }
  const int columns = board.meta.cols, rows = board.meta.rows;
  if (!((columns == spec.columns && rows == spec.rows) || (columns == spec.rows && rows == spec.columns))) {
    out.why = "на снимке шахматная доска " + sizeText(columns, rows, spec) + " внутренних углов, а не " +
              sizeText(spec.columns, spec.rows, spec);
    return out;
  }
  std::vector<cv::Point2d> corners;
  corners.reserve(board.corners.size());
  for (const auto& c : board.corners) {
    corners.push_back(board.image.toPhoto(c));
  }
  std::vector<GridPosition> grid;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
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
