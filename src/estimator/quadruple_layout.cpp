#include "estimator/quadruple_layout.h"

#include <cmath>
#include <numbers>

namespace kavo {
namespace {

double distance(Point2 p, Point2 q) {
  const double dx = p.x - q.x;
  const double dy = p.y - q.y;
  return std::sqrt(dx * dx + dy * dy);
}

} // namespace

double lineInclination(Point2 p, Point2 q) {
  const double dx = std::fabs(p.x - q.x);
  if (dx == 0.0) {
    return std::numbers::pi / 2;
  }
  return std::atan(std::fabs(p.y - q.y) / dx);
}

int checkQuadrupleLayout(const Point2 p[4], double minDistance, double minLineAngle) {
  static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (const auto& pair : kPairs) {
    if (!(distance(p[pair[0]], p[pair[1]]) >= minDistance)) {
      return 1;
    }
  }
  const auto apart = [&](int a, int b, int c, int d) {
    return std::fabs(lineInclination(p[a], p[b]) - lineInclination(p[c], p[d])) >= minLineAngle;
  };
  if (!apart(0, 1, 0, 2) || !apart(0, 1, 0, 3) || !apart(0, 2, 0, 3) || !apart(1, 2, 1, 3)) {
    return 2;
  }
  return 0;
}

ImageLayoutTable::ImageLayoutTable(const std::vector<Point2>& points, int pointCount, double minDistance)
    : n(pointCount), far(static_cast<std::size_t>(pointCount) * static_cast<std::size_t>(pointCount), 0),
      incline(far.size(), 0.0) {
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      const Point2 p = points[static_cast<std::size_t>(i)];
      const Point2 q = points[static_cast<std::size_t>(j)];
      const std::uint8_t ok = distance(p, q) >= minDistance ? 1 : 0;
      const double a = lineInclination(p, q);
      far[index(i, j)] = far[index(j, i)] = ok;
      incline[index(i, j)] = incline[index(j, i)] = a;
    }
  }
}

} // namespace kavo
