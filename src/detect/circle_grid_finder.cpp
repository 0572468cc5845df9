#include "detect/circle_grid_finder.h"

#include "detect/grid_shape.h"
#include "detect/subpixel.h"

#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>

namespace kavo::detect {

namespace {

constexpr int kSearchSides[] = {1600, 3200};
// A neighbour is accepted within this fraction of the step from where the lattice predicts it.
constexpr double kTolerance = 0.3;

double distance(const cv::Point2d& a, const cv::Point2d& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

bool similarSize(double a, double b) {
  return a < 2.0 * b && b < 2.0 * a;
}

std::vector<cv::KeyPoint> blobs(const cv::Mat& image, int spotCount, bool dark) {
  cv::SimpleBlobDetector::Params p;
  p.minThreshold = 30;
  p.maxThreshold = 230;
  p.thresholdStep = 10;
  p.minDistBetweenBlobs = 4;
  p.filterByColor = true;
  p.blobColor = dark ? 0 : 255;
  p.filterByArea = true;
  p.minArea = 12;
  p.maxArea = static_cast<float>(image.total()) / static_cast<float>(std::max(1, spotCount));
  p.filterByCircularity = true;
  p.minCircularity = 0.6f;
  p.filterByInertia = true;
  p.minInertiaRatio = 0.2f;
  p.filterByConvexity = true;
  p.minConvexity = 0.85f;
  // A little smoothing first keeps the noise of a dim photo from breaking into blobs that the lattice
  // would link up with the circles.
  cv::Mat smooth;
  cv::GaussianBlur(image, smooth, cv::Size(), 1.0);
  std::vector<cv::KeyPoint> found;
  cv::SimpleBlobDetector::create(p)->detect(smooth, found);
  return found;
}

struct Step {
  cv::Point2d a; // to the next place along the first direction
  cv::Point2d b;
};

// The seed's two neighbour directions: its nearest neighbour, and the nearest one that lies clearly
// across it (between 60 and 120 degrees) at a similar distance.
std::optional<Step> seedStep(const std::vector<cv::Point2d>& c, const std::vector<double>& sizes, int seed) {
  std::vector<std::pair<double, int>> near;
  for (int j = 0; j < static_cast<int>(c.size()); ++j) {
    if (j != seed && similarSize(sizes[static_cast<std::size_t>(j)], sizes[static_cast<std::size_t>(seed)])) {
      near.emplace_back(distance(c[static_cast<std::size_t>(seed)], c[static_cast<std::size_t>(j)]), j);
    }
  }
  if (near.size() < 2) {
    return std::nullopt;
  }
  std::partial_sort(near.begin(), near.begin() + std::min<std::ptrdiff_t>(8, std::ssize(near)), near.end());
  const cv::Point2d origin = c[static_cast<std::size_t>(seed)];
  const cv::Point2d a = c[static_cast<std::size_t>(near[0].second)] - origin;
  for (std::size_t k = 1; k < std::min<std::size_t>(8, near.size()); ++k) {
    const cv::Point2d b = c[static_cast<std::size_t>(near[k].second)] - origin;
    const double cosine = a.dot(b) / (near[0].first * near[k].first);
    if (std::abs(cosine) < 0.5 && near[k].first < 1.6 * near[0].first) {
      return Step{a, b};
    }
  }
  return std::nullopt;
}

int nearestWithin(const std::vector<cv::Point2d>& c, const cv::Point2d& where, double radius) {
  int best = -1;
  double bestDistance = radius;
  for (int j = 0; j < static_cast<int>(c.size()); ++j) {
    const double d = distance(c[static_cast<std::size_t>(j)], where);
    if (d < bestDistance) {
      bestDistance = d;
      best = j;
    }
  }
  return best;
}

// Grows a lattice from one seed: every linked blob predicts its four neighbours from its own steps,
// which follow the perspective across the target.
Lattice grow(const std::vector<cv::Point2d>& c, const std::vector<double>& sizes, int seed,
             const Step& first) {
  Lattice lattice;
  std::map<int, std::size_t> linked; // blob -> index in lattice
  std::map<std::pair<int, int>, int> taken;
  std::vector<Step> steps;
  std::deque<std::size_t> queue;
  auto link = [&](int blob, GridPosition place, const Step& step) {
    linked.emplace(blob, lattice.blob.size());
    taken.emplace(std::make_pair(place.column, place.row), blob);
    lattice.blob.push_back(blob);
    lattice.place.push_back(place);
    steps.push_back(step);
    queue.push_back(lattice.blob.size() - 1);
  };
  link(seed, {0, 0}, first);
  while (!queue.empty()) {
    const std::size_t at = queue.front();
    queue.pop_front();
    const int blob = lattice.blob[at];
    const cv::Point2d origin = c[static_cast<std::size_t>(blob)];
    const Step step = steps[at];
    const GridPosition place = lattice.place[at];
    const struct {
      cv::Point2d offset;
      int dColumn, dRow;
    } ways[] = {{step.a, 1, 0}, {-step.a, -1, 0}, {step.b, 0, 1}, {-step.b, 0, -1}};
    for (const auto& way : ways) {
      const GridPosition next{place.column + way.dColumn, place.row + way.dRow};
      if (taken.count({next.column, next.row}) != 0) {
        continue;
      }
      const double reach = kTolerance * std::min(cv::norm(step.a), cv::norm(step.b));
      const int found = nearestWithin(c, origin + way.offset, reach);
      if (found < 0 || linked.count(found) != 0 ||
          !similarSize(sizes[static_cast<std::size_t>(found)], sizes[static_cast<std::size_t>(blob)])) {
        continue;
      }
      // The new blob measures its own step in the direction it was reached by.
      Step own = step;
      const cv::Point2d measured = (c[static_cast<std::size_t>(found)] - origin) * (way.dColumn + way.dRow);
      (way.dColumn != 0 ? own.a : own.b) = measured;
      link(found, next, own);
    }
  }
  return lattice;
}

} // namespace

Lattice largestLattice(const std::vector<cv::Point2d>& centres, const std::vector<double>& sizes) {
  Lattice best;
  std::vector<bool> used(centres.size(), false);
  for (int seed = 0; seed < static_cast<int>(centres.size()); ++seed) {
    if (used[static_cast<std::size_t>(seed)]) {
      continue;
    }
    const auto step = seedStep(centres, sizes, seed);
    if (!step) {
      continue;
    }
    Lattice lattice = grow(centres, sizes, seed, *step);
    for (const int b : lattice.blob) {
      used[static_cast<std::size_t>(b)] = true;
    }
    if (lattice.blob.size() > best.blob.size()) {
      best = std::move(lattice);
    }
  }
  return best;
}

FinderOutcome findCircleGrid(const PhotoImage& photo, const TargetSpec& targetSpec) {
  FinderOutcome out;
  if (photo.flat) {
    out.why = "снимок пуст: на нём нет перепадов яркости";
    return out;
  }
  const bool staggered = targetSpec.kind == TargetKind::AsymmetricCircles;
  const std::vector<GridPosition> target = finderGrid(targetSpec);
  const int count = targetSpec.columns * targetSpec.rows;
  const int longer = std::max(photo.width, photo.height);
  std::string seen;
  std::size_t seenCount = 0;
  for (const int side : kSearchSides) {
    const ReducedImage image = reduced(photo.stretched, side);
    for (const bool dark : {true, false}) {
      const std::vector<cv::KeyPoint> keys = blobs(image.image, count, dark);
      std::vector<cv::Point2d> centres;
      std::vector<double> sizes;
      for (const auto& k : keys) {
        centres.push_back(image.toPhoto(k.pt));
        sizes.push_back(k.size);
      }
      const Lattice lattice = largestLattice(centres, sizes);
      std::vector<GridPosition> grid;
      for (const auto& p : lattice.place) {
        // On a staggered grid the neighbour directions are the diagonals.
        grid.push_back(staggered ? GridPosition{p.column + p.row, p.column - p.row} : p);
      }
      if (sameShape(grid, target)) {
        std::vector<cv::Point2d> points;
        std::vector<double> radii;
        for (const int b : lattice.blob) {
          points.push_back(centres[static_cast<std::size_t>(b)]);
          // The blob's size is its diameter in the reduced copy.
          radii.push_back(sizes[static_cast<std::size_t>(b)] / 2.0 * std::max(image.factorX, image.factorY));
        }
        const std::vector<double> areas = refineCircleCentres(photo.grey, points, radii, dark);
        out.found = true;
        out.grid = normalised(grid);
        std::vector<cv::Point2d> places;
        for (const auto& g : out.grid) {
          places.emplace_back(g.column, g.row);
        }
        correctEllipseCentres(points, places, areas);
        for (const auto& p : points) {
          out.points.push_back({p.x, p.y});
        }
        return out;
      }
      if (grid.size() > seenCount) {
        seenCount = grid.size();
        seen = shapeText(grid, targetSpec);
      }
    }
    if (side >= longer) {
      break;
    }
  }
  const std::string wanted = std::to_string(targetSpec.columns) + " × " + std::to_string(targetSpec.rows);
  const std::string circles = " (" + std::to_string(seenCount) + " кругов)";
  if (seenCount > static_cast<std::size_t>(count)) {
    out.why = "сетка кругов на снимке — " + seen + circles + ", больше заданной " + wanted;
  } else if (seenCount >= 4 && seen == sizeText(targetSpec.columns, targetSpec.rows, targetSpec)) {
    // The grid's rows and columns are all there, but some circles of it are not.
    out.why = "сетка " + wanted + " кругов видна не целиком: найдено кругов " + std::to_string(seenCount) +
              " из " + std::to_string(count) + " (проверьте, что ни один круг не закрыт и не засвечен)";
  } else if (seenCount >= 4) {
    seen += circles;
    out.why = "сетка " + wanted + " кругов не найдена; самая большая найденная сетка — " + seen +
              " (проверьте размер мишени и что она целиком в кадре)";
  } else {
    out.why = "сетка кругов не найдена";
  }
  return out;
}

} // namespace kavo::detect
