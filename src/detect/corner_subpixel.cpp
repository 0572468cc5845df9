#include "detect/corner_subpixel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>

namespace kavo::detect {

namespace {

// Measured with bench/real_photo_fit on the published real photographs and with the rendered photos
// of tests/detect (see the window's description in the header): reaching half way to the
// neighbouring corners, four tenths of a step beyond the outermost ones, on a copy smoothed with a
// Gaussian of 1.25 pixels.
constexpr double kInward = 0.5;
constexpr double kOutward = 0.4;
constexpr double kSmoothing = 1.25;
// Blur on either side of a marker's edge that the window keeps clear of, in pixels (measured on
// rendered ChArUco photos: 1.5 to 2 pixels place corners best).
constexpr double kMarkerClearance = 2.0;
constexpr int kMaxRounds = 30;
constexpr double kSettled = 1e-3; // pixels

// The grid around one corner as the photo shows it: one step to the next column and to the next
// row, and how far the window reaches towards the previous and the next column and row, in steps.
struct LocalGrid {
  cv::Point2d alongRow;
  cv::Point2d downColumn;
  double reach[4] = {kInward, kInward, kInward, kInward}; // -column, +column, -row, +row
  double band = 1.0; // in the light squares the window keeps to |u| or |v| below this, in steps
  // Whether the squares before and after the corner along both directions (u and v of one sign) are
  // the dark ones; the other two are light.
  bool darkDiagonal = true;
};

using Places = std::map<std::pair<int, int>, std::size_t>;

// The mean step over every pair of neighbours along one direction of the grid.
std::optional<cv::Point2d> meanStep(const std::vector<cv::Point2d>& corners,
                                    const std::vector<GridPosition>& grid, const Places& at, int dColumn,
                                    int dRow) {
  cv::Point2d sum(0, 0);
  int count = 0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const auto next = at.find({grid[i].column + dColumn, grid[i].row + dRow});
    if (next != at.end()) {
      sum += corners[next->second] - corners[i];
      ++count;
    }
  }
  return count == 0 ? std::nullopt : std::optional<cv::Point2d>(sum / count);
}

// The step along one direction at corner i and the window's reach on either side of it: inward
// where a neighbour lies, less far where the corner is the last one.
cv::Point2d localStep(const std::vector<cv::Point2d>& corners, const Places& at, std::size_t i,
                      GridPosition g, int dColumn, int dRow, const cv::Point2d& mean, double& before,
                      double& after) {
  const auto previous = at.find({g.column - dColumn, g.row - dRow});
  const auto next = at.find({g.column + dColumn, g.row + dRow});
  const bool hasPrevious = previous != at.end(), hasNext = next != at.end();
  before = hasPrevious ? kInward : kOutward;
  after = hasNext ? kInward : kOutward;
  if (hasPrevious && hasNext) {
    return (corners[next->second] - corners[previous->second]) / 2.0;
  }
  if (hasNext) {
    return corners[next->second] - corners[i];
  }
  if (hasPrevious) {
    return corners[i] - corners[previous->second];
  }
  return mean;
}

struct Gradients {
  cv::Mat x, y; // CV_32F, of the smoothed area
};

// The point p through which the edges in the window run: every gradient g at q is across the edge,
// so g · (q - p) = 0; the weighted least-squares p over the window, the window following p.
std::optional<cv::Point2d> settle(const Gradients& g, cv::Point2d p, const LocalGrid& l) {
  const cv::Point2d a = l.alongRow, b = l.downColumn;
  const double det = a.x * b.y - a.y * b.x;
  if (!(std::abs(det) > 1e-9)) {
    return std::nullopt;
  }
  const double reachX =
      std::max(l.reach[0], l.reach[1]) * std::abs(a.x) + std::max(l.reach[2], l.reach[3]) * std::abs(b.x);
  const double reachY =
      std::max(l.reach[0], l.reach[1]) * std::abs(a.y) + std::max(l.reach[2], l.reach[3]) * std::abs(b.y);
  for (int round = 0; round < kMaxRounds; ++round) {
    const int x0 = std::max(0, static_cast<int>(std::floor(p.x - reachX)));
    const int x1 = std::min(g.x.cols - 1, static_cast<int>(std::ceil(p.x + reachX)));
    const int y0 = std::max(0, static_cast<int>(std::floor(p.y - reachY)));
    const int y1 = std::min(g.x.rows - 1, static_cast<int>(std::ceil(p.y + reachY)));
    double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    for (int y = y0; y <= y1; ++y) {
      const float* gxRow = g.x.ptr<float>(y);
      const float* gyRow = g.y.ptr<float>(y);
      for (int x = x0; x <= x1; ++x) {
        // The pixel's place in steps of the grid from p.
        const double dx = x - p.x, dy = y - p.y;
        const double u = (dx * b.y - dy * b.x) / det, v = (a.x * dy - a.y * dx) / det;
        const double su = u / l.reach[u < 0 ? 0 : 1], sv = v / l.reach[v < 0 ? 2 : 3];
        const bool lightQuadrant = (u < 0) != (v < 0) ? l.darkDiagonal : !l.darkDiagonal;
        if (std::abs(su) >= 1.0 || std::abs(sv) >= 1.0 ||
            (lightQuadrant && std::min(std::abs(u), std::abs(v)) > l.band)) {
          continue;
        }
        // Weights fall to nothing at the window's edge, so the sum changes smoothly as p moves.
        const double w = (1.0 - su * su) * (1.0 - sv * sv);
        const double gx = gxRow[x], gy = gyRow[x];
        const double wxx = w * gx * gx, wxy = w * gx * gy, wyy = w * gy * gy;
        a11 += wxx;
        a12 += wxy;
        a22 += wyy;
        b1 += wxx * x + wxy * y;
        b2 += wxy * x + wyy * y;
      }
    }
    const double d = a11 * a22 - a12 * a12;
    if (!(d > 1e-12 * (a11 + a22) * (a11 + a22))) {
      return std::nullopt; // edges of one direction only: no corner to settle on
    }
    const cv::Point2d next((a22 * b1 - a12 * b2) / d, (a11 * b2 - a12 * b1) / d);
    const double moved = cv::norm(next - p);
    p = next;
    if (moved < kSettled) {
      break;
    }
  }
  return p;
}

cv::Rect boundsOf(const std::vector<cv::Point2d>& points, double margin, const cv::Size& size) {
  double left = std::numeric_limits<double>::max(), top = left;
  double right = std::numeric_limits<double>::lowest(), bottom = right;
  for (const auto& p : points) {
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  const cv::Rect box(
      cv::Point(static_cast<int>(std::floor(left - margin)), static_cast<int>(std::floor(top - margin))),
      cv::Point(static_cast<int>(std::ceil(right + margin)) + 1,
                static_cast<int>(std::ceil(bottom + margin)) + 1));
  return box & cv::Rect(cv::Point(0, 0), size);
}

std::vector<LocalGrid> localGrids(const std::vector<cv::Point2d>& corners,
                                  const std::vector<GridPosition>& grid, const CornerWindow& window) {
  Places at;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    at.emplace(std::make_pair(grid[i].column, grid[i].row), i);
  }
  const auto meanRow = meanStep(corners, grid, at, 1, 0);
  const auto meanColumn = meanStep(corners, grid, at, 0, 1);
  std::vector<LocalGrid> grids(corners.size());
  if (!meanRow || !meanColumn) {
    return {};
  }
  for (std::size_t i = 0; i < corners.size(); ++i) {
    LocalGrid& l = grids[i];
    l.alongRow = localStep(corners, at, i, grid[i], 1, 0, *meanRow, l.reach[0], l.reach[1]);
    l.downColumn = localStep(corners, at, i, grid[i], 0, 1, *meanColumn, l.reach[2], l.reach[3]);
    if (window.markerMargin > 0.0) {
      const double step = std::max(1.0, std::min(cv::norm(l.alongRow), cv::norm(l.downColumn)));
      l.band = std::max(window.markerMargin - kMarkerClearance / step, 1.0 / step);
      // The board's first square, before its first corner in both directions, is dark.
      l.darkDiagonal = (grid[i].column + grid[i].row) % 2 == 0;
    }
  }
  return grids;
}

} // namespace

void refineCorners(const cv::Mat& grey, std::vector<cv::Point2d>& corners,
                   const std::vector<GridPosition>& grid, const CornerWindow& window) {
  if (corners.size() < 2 || grid.size() != corners.size()) {
    return;
  }
  const std::vector<LocalGrid> grids = localGrids(corners, grid, window);
  if (grids.empty()) {
    return;
  }
  double margin = 0.0;
  for (const LocalGrid& l : grids) {
    margin = std::max(margin, kInward * (cv::norm(l.alongRow) + cv::norm(l.downColumn)));
  }
  // Only the part of the photo under the target is smoothed and searched.
  const cv::Rect area = boundsOf(corners, margin + 4.0 * kSmoothing + 2.0, grey.size());
  if (area.width < 3 || area.height < 3) {
    return;
  }
  cv::Mat smooth;
  grey(area).convertTo(smooth, CV_32F);
  cv::GaussianBlur(smooth, smooth, cv::Size(), kSmoothing);
  Gradients g;
  cv::Sobel(smooth, g.x, CV_32F, 1, 0, 3);
  cv::Sobel(smooth, g.y, CV_32F, 0, 1, 3);
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const cv::Point2d start(corners[i].x - area.x, corners[i].y - area.y);
    const auto settled = settle(g, start, grids[i]);
    // A corner that wandered far from where the finder saw it followed some other edge.
    const double limit = 0.5 * std::min(cv::norm(grids[i].alongRow), cv::norm(grids[i].downColumn));
    if (settled && cv::norm(*settled - start) < limit) {
      corners[i] = {settled->x + area.x, settled->y + area.y};
    }
  }
}

} // namespace kavo::detect
