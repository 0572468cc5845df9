#pragma once
// Synthetic series for the benchmarks: a fronto-parallel grid target, a camera of focal length
// 1800 px moved away along its axis by 25 mm per image, measured points with 0.15 px noise.
#include "estimator/estimator.h"

#include <algorithm>
#include <numbers>
#include <random>

namespace kavo::bench {

inline EstimatorInput gridSeries(int rows, int cols, int images, std::uint64_t seed = 20261210) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> noise(0.0, 0.15);
  EstimatorInput in;
  const double pitch = 1600.0 / std::max(rows, cols);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      in.scene.push_back({(c - (cols - 1) / 2.0) * pitch, (r - (rows - 1) / 2.0) * pitch});
    }
  }
  for (int m = 0; m < images; ++m) {
    const double z = 1000.0 + 25.0 * m;
    std::vector<Point2> pts;
    for (const Point2& p : in.scene) {
      pts.push_back({1800.0 * p.x / z + noise(rng), 1800.0 * p.y / z + noise(rng)});
    }
    in.images.push_back(pts);
  }
  return in;
}

inline EstimatorInput gridSeries(int side, int images, std::uint64_t seed = 20261210) {
  return gridSeries(side, side, images, seed);
}

inline EstimatorSettings benchSettings(int images, double spacing, double angleDeg, int threads = 0) {
  EstimatorSettings s;
  s.imageWidth = 2000;
  s.imageHeight = 1500;
  s.minPointSpacing = spacing;
  s.minLineAngle = angleDeg * std::numbers::pi / 180;
  s.imageValues.assign(static_cast<std::size_t>(images), 25.0);
  s.threads = threads;
  return s;
}

} // namespace kavo::bench
