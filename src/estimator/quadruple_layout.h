#pragma once
#include "estimator/estimator.h"

#include <cstdint>
#include <vector>

namespace kavo {

// Inclination of the line through p and q in [0, π/2]: π/2 for a vertical line, otherwise
// atan(|Δy| / |Δx|). Rising and falling lines of the same steepness have the same inclination.
double lineInclination(Point2 p, Point2 q);

// Checks the four image points of a quadruple, in their list order: 0 when accepted, 1 when two
// points are closer than minDistance, 2 when two of the compared lines are within minLineAngle.
int checkQuadrupleLayout(const Point2 p[4], double minDistance, double minLineAngle);

// The pairwise facts of one image that the layout check needs, computed once per image: whether
// two points are far enough apart, and the inclination of the line through them. With these the
// check of a quadruple is a few table look-ups, with the same outcome as checkQuadrupleLayout.
class ImageLayoutTable {
public:
  ImageLayoutTable(const std::vector<Point2>& points, int pointCount, double minDistance);

  bool farEnough(int i, int j) const { return far[index(i, j)] != 0; }
  double inclination(int i, int j) const { return incline[index(i, j)]; }

  // The check for points i < j < k < l of this image (accepted or not).
  bool accepts(int i, int j, int k, int l, double minLineAngle) const {
    if (!(farEnough(i, j) && farEnough(i, k) && farEnough(i, l) && farEnough(j, k) && farEnough(j, l) &&
          farEnough(k, l))) {
      return false;
    }
    const double ij = inclination(i, j);
    const double ik = inclination(i, k);
    const double il = inclination(i, l);
    return absDiff(ij, ik) >= minLineAngle && absDiff(ij, il) >= minLineAngle &&
           absDiff(ik, il) >= minLineAngle && absDiff(inclination(j, k), inclination(j, l)) >= minLineAngle;
  }

private:
  static double absDiff(double a, double b) { return a > b ? a - b : b - a; }
  std::size_t index(int i, int j) const {
    return static_cast<std::size_t>(i) * static_cast<std::size_t>(n) + static_cast<std::size_t>(j);
  }

  int n;
  std::vector<std::uint8_t> far;
  std::vector<double> incline;
};

} // namespace kavo
