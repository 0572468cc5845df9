#include "detect/chessboard_finder.h"

#include "detect/corner_subpixel.h"
#include "detect/grid_shape.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kavo::detect {

namespace {

constexpr int kSearchSides[] = {1600, 3200};

// A board a finder saw: its corners row by row in the reduced copy it was found in.
struct Board {
  std::vector<cv::Point2f> corners;
  int columns = 0;
  int rows = 0;
  ReducedImage image;

  cv::Point2f at(int row, int column) const {
    return corners[static_cast<std::size_t>(row * columns + column)];
  }
};

// The sector-based finder: a board of the given size or larger (it reports the size it found).
std::optional<Board> sectorSearch(const cv::Mat& stretched, cv::Size size) {
  const int longer = std::max(stretched.cols, stretched.rows);
  for (const int side : kSearchSides) {
    Board b;
    b.image = reduced(stretched, side);
    cv::Mat meta;
    if (cv::findChessboardCornersSB(b.image.image, size, b.corners, cv::CALIB_CB_LARGER, meta)) {
      b.columns = meta.cols;
      b.rows = meta.rows;
      return b;
    }
    if (side >= longer) {
      break;
    }
  }
  return std::nullopt;
}

// The classic finder, which finds some boards the sector-based one misses (blurred, strongly
// distorted or steeply seen photos); it finds the given size only.
std::optional<Board> classicSearch(const cv::Mat& stretched, cv::Size size) {
  const int longer = std::max(stretched.cols, stretched.rows);
  for (const int side : kSearchSides) {
    Board b;
    b.image = reduced(stretched, side);
    if (cv::findChessboardCorners(b.image.image, size, b.corners,
                                  cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK)) {
      b.columns = size.width;
      b.rows = size.height;
      return b;
    }
    if (side >= longer) {
      break;
    }
  }
  return std::nullopt;
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

Span trueCorners(const Board& board) {
  const int columns = board.columns, rows = board.rows;
  auto at = [&](int r, int c) { return board.at(r, c); };
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

// The board with one more ring of corners all round, each placed one step on from the outermost
// ones: a board the classic finder found is larger than asked when that ring holds true corners.
Board widened(const Board& b) {
  Board w{{}, b.columns + 2, b.rows + 2, b.image};
  auto inner = [&](int r, int c) {
    // Steps outwards from the nearest corner of the board found.
    const int rr = std::clamp(r, 0, b.rows - 1), cc = std::clamp(c, 0, b.columns - 1);
    cv::Point2f p = b.at(rr, cc);
    if (r != rr) {
      const int towards = r < rr ? 1 : -1;
      p += (b.at(rr, cc) - b.at(rr + towards, cc)) * static_cast<float>(std::abs(r - rr));
    }
    if (c != cc) {
      const int towards = c < cc ? 1 : -1;
      p += (b.at(rr, cc) - b.at(rr, cc + towards)) * static_cast<float>(std::abs(c - cc));
    }
    return p;
  };
  for (int r = -1; r <= b.rows; ++r) {
    for (int c = -1; c <= b.columns; ++c) {
      w.corners.push_back(inner(r, c));
    }
  }
  return w;
}

bool sameSize(int columns, int rows, const TargetSpec& t) {
  return (columns == t.columns && rows == t.rows) || (columns == t.rows && rows == t.columns);
}

bool largerThan(int columns, int rows, const TargetSpec& t) {
  return columns * rows > t.columns * t.rows;
}

std::string largerText(int columns, int rows, const TargetSpec& t) {
  return "на снимке шахматная доска " + sizeText(columns, rows, t) + " внутренних углов, а не " +
         sizeText(t.columns, t.rows, t);
}

// The corners of the board's span in the full photo, placed to a fraction of a pixel.
FinderOutcome cornersOf(const PhotoImage& photo, const Board& board, const Span& span) {
  FinderOutcome out;
  std::vector<cv::Point2d> corners;
  for (int row = span.firstRow; row <= span.lastRow; ++row) {
    for (int column = span.firstColumn; column <= span.lastColumn; ++column) {
      corners.push_back(board.image.toPhoto(board.at(row, column)));
      out.grid.push_back({column - span.firstColumn, row - span.firstRow});
    }
  }
  refineCorners(photo.grey, corners, out.grid);
  out.found = true;
  for (const auto& c : corners) {
    out.points.push_back({c.x, c.y});
  }
  return out;
}

} // namespace

FinderOutcome findChessboard(const PhotoImage& photo, const TargetSpec& targetSpec) {
  FinderOutcome out;
  if (photo.flat) {
    out.why = "снимок пуст: на нём нет перепадов яркости";
    return out;
  }
  const cv::Size wanted(targetSpec.columns, targetSpec.rows);
  if (const auto board = sectorSearch(photo.stretched, wanted)) {
    const Span span = trueCorners(*board);
    if (sameSize(span.columns(), span.rows(), targetSpec)) {
      return cornersOf(photo, *board, span);
    }
    if (largerThan(span.columns(), span.rows(), targetSpec)) {
      out.why = largerText(span.columns(), span.rows(), targetSpec);
      return out;
    }
  }
  if (const auto board = classicSearch(photo.stretched, wanted)) {
    const Span span = trueCorners(widened(*board));
    if (largerThan(span.columns(), span.rows(), targetSpec)) {
      out.why = largerText(span.columns(), span.rows(), targetSpec);
      return out;
    }
    return cornersOf(photo, *board, {0, board->columns - 1, 0, board->rows - 1});
  }
  // Any board at all: the smallest size searched for finds every one, and tells its size.
  const auto other = sectorSearch(photo.stretched, cv::Size(3, 3));
  if (!other) {
    out.why = "шахматная доска не найдена";
    return out;
  }
  const Span seen = trueCorners(*other);
  if (sameSize(seen.columns(), seen.rows(), targetSpec)) {
    return cornersOf(photo, *other, seen);
  }
  // Fewer than three true corners along a side is no board, only a pattern of light and dark.
  if (seen.columns() < 3 || seen.rows() < 3) {
    out.why = "шахматная доска не найдена";
    return out;
  }
  out.why = "на снимке видна шахматная доска " + sizeText(seen.columns(), seen.rows(), targetSpec) +
            " внутренних углов, а задана " + sizeText(targetSpec.columns, targetSpec.rows, targetSpec) +
            " (проверьте размер мишени и что она целиком в кадре)";
  return out;
}

} // namespace kavo::detect
