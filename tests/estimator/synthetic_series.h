#pragma once
// Small calibration series made up in memory for the estimator tests.
#include "estimator/estimator.h"

#include <cmath>
#include <random>

namespace kavo::testing {

// A fronto-parallel grid target seen by a camera of focal length f moved away along its axis by
// the given steps: image coordinates are f·X/Z, so every value is f up to rounding.
inline EstimatorInput frontoParallelSeries(int rows, int cols, double pitch, double f, double distance,
                                           const std::vector<double>& steps, bool wholePixels = false) {
  EstimatorInput in;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      in.scene.push_back({(c - (cols - 1) / 2) * pitch, (r - (rows - 1) / 2) * pitch});
    }
  }
  double z = distance;
  for (std::size_t m = 0; m <= steps.size(); ++m) {
    std::vector<Point2> img;
    for (const Point2& p : in.scene) {
      Point2 q{f * p.x / z, f * p.y / z};
      if (wholePixels) {
        q = {std::round(q.x), std::round(q.y)};
      }
      img.push_back(q);
    }
    in.images.push_back(img);
    if (m < steps.size()) {
      z += steps[m];
    }
  }
  return in;
}

// Random points, with coordinates that are sometimes exactly 0, whole pixels, or repeated, to
// reach the degenerate corners of the layout check and the solve.
inline std::vector<Point2> randomPoints(std::mt19937_64& rng, int n, double extent, int flavour) {
  std::uniform_real_distribution<double> u(-extent, extent);
  std::vector<Point2> pts;
  for (int i = 0; i < n; ++i) {
    Point2 p{u(rng), u(rng)};
    if (flavour == 1) {
      p = {std::round(p.x), std::round(p.y)};
    }
    if (flavour == 2 && rng() % 3 == 0) {
      (rng() % 2 ? p.x : p.y) = 0.0;
    }
    if (flavour == 3 && i > 0 && rng() % 4 == 0) {
      p = pts[rng() % pts.size()];
    }
    pts.push_back(p);
  }
  return pts;
}

} // namespace kavo::testing
