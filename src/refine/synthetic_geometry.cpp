#include "refine/synthetic_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kavo {
namespace {

// The area centroid of a closed polygon.
std::array<double, 2> polygonCentroid(const std::vector<std::array<double, 2>>& p) {
  double area = 0.0, cx = 0.0, cy = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const auto& a = p[i];
    const auto& b = p[(i + 1) % p.size()];
    const double cross = a[0] * b[1] - b[0] * a[1];
    area += cross;
    cx += (a[0] + b[0]) * cross;
    cy += (a[1] + b[1]) * cross;
  }
  return {cx / (3.0 * area), cy / (3.0 * area)};
}

// Where a circle finder that undoes the perspective shift of the ellipse puts the centre of the
// circle of radius r about (x, y): the centroid of the outline as the lens draws it, plus the
// image of the centre less the centroid of the outline without distortion.
std::array<double, 2> circleSeen(const SyntheticGeometry& g, double shift, double x, double y, double r) {
  constexpr int kOutline = 720;
  const double none[2] = {0.0, 0.0};
  std::vector<std::array<double, 2>> drawn, plain;
  for (int k = 0; k < kOutline; ++k) {
    const double angle = 2.0 * std::numbers::pi * k / kOutline;
    double p[2];
    projectTargetPoint(g.camera.focal, g.camera.principal, g.camera.distortion, g.pose.rotation,
                       g.pose.translation, g.pose.rail, shift, x + r * std::cos(angle),
                       y + r * std::sin(angle), p);
    drawn.push_back({p[0], p[1]});
    projectTargetPoint(g.camera.focal, g.camera.principal, none, g.pose.rotation, g.pose.translation,
                       g.pose.rail, shift, x + r * std::cos(angle), y + r * std::sin(angle), p);
    plain.push_back({p[0], p[1]});
  }
  double centre[2];
  projectTargetPoint(g.camera.focal, g.camera.principal, none, g.pose.rotation, g.pose.translation,
                     g.pose.rail, shift, x, y, centre);
  const auto a = polygonCentroid(drawn);
  const auto b = polygonCentroid(plain);
  return {a[0] + centre[0] - b[0], a[1] + centre[1] - b[1]};
}

} // namespace

SyntheticGeometry makeSyntheticGeometry(const SyntheticGeometryOptions& o) {
  SyntheticGeometry g;
  const double cx = o.imageWidth / 2.0;
  const double cy = o.imageHeight / 2.0;
  const double targetWidth = (o.cols - 1) * o.pitch;
  const double targetHeight = (o.rows - 1) * o.pitch;
  // At the nearest image the target fills 90 percent of the frame along its tighter side.
  const double nearest =
      o.focal * std::max(targetWidth / (0.9 * o.imageWidth), targetHeight / (0.9 * o.imageHeight));

  // The true steps: the listed one, with Gaussian jitter drawn from its own stream so that the
  // points' noise stays that of the same seed without jitter.
  Gaussian jitter(o.seed ^ 0x9E3779B97F4A7C15ULL);
  const bool exactSteps = o.stepJitter == 0.0;
  for (int i = 0; i + 1 < o.images; ++i) {
    g.trueSteps.push_back(exactSteps ? o.step : o.step + o.stepJitter * jitter.next());
    double listed = o.step;
    for (const ListedStepError& e : o.stepErrors) {
      if (e.after == i + 1) {
        listed += e.error;
      }
    }
    g.listedSteps.push_back(listed);
  }
  const double direction = o.approach ? -1.0 : 1.0;
  double travelled = 0.0;
  for (int i = 0; i + 1 < o.images; ++i) {
    travelled += g.trueSteps[static_cast<std::size_t>(i)];
  }
  g.startDistance = o.approach ? nearest + travelled : nearest;

  const double theta = o.tiltDegrees * std::numbers::pi / 180.0;
  if (o.tiltAxis == 'y') {
    g.pose.rotation[1] = -theta; // right side away
  } else {
    g.pose.rotation[0] = theta; // top side away
  }
  // The target's centre on the viewing axis at the start distance.
  const double centre[3] = {targetWidth / 2.0, targetHeight / 2.0, 0.0};
  double turned[3];
  rotateByAngleAxis(g.pose.rotation, centre, turned);
  g.pose.translation[0] = 0.0 - turned[0];
  g.pose.translation[1] = 0.0 - turned[1];
  g.pose.translation[2] = g.startDistance - turned[2];

  // The rail's slopes in the model's frame, whose y grows upwards.
  g.pose.rail[0] = std::tan(o.railDegreesX * std::numbers::pi / 180.0);
  g.pose.rail[1] = -std::tan(o.railDegreesY * std::numbers::pi / 180.0);

  g.camera.focal = o.focal;
  g.camera.principal[0] = o.principalOffsetX;
  g.camera.principal[1] = -o.principalOffsetY;
  g.camera.distortion[0] = o.k1;
  g.camera.distortion[1] = o.k2;

  for (int r = 0; r < o.rows; ++r) {
    for (int c = 0; c < o.cols; ++c) {
      g.scene.push_back({c * o.pitch, r * o.pitch});
    }
  }
  // Each point's repeated bias from a stream of its own, so that the noise stays that of the seed.
  std::vector<Point2> bias(g.scene.size(), Point2{0.0, 0.0});
  if (o.pointBias > 0.0) {
    Gaussian repeated(o.seed ^ 0xD1B54A32D192ED03ULL);
    for (Point2& b : bias) {
      b.x = o.pointBias * repeated.next();
      b.y = o.pointBias * repeated.next();
    }
  }
  Gaussian gaussian(o.seed);
  double cumulative = 0.0;
  for (int i = 0; i < o.images; ++i) {
    // i × step for exact steps keeps the distances to the last bit of the first synthetic series.
    const double shift = direction * (exactSteps ? i * o.step : cumulative);
    if (i + 1 < o.images) {
      cumulative += g.trueSteps[static_cast<std::size_t>(i)];
    }
    g.distances.push_back(g.startDistance + shift);
    std::vector<Point2> image;
    for (std::size_t j = 0; j < g.scene.size(); ++j) {
      const Point2& s = g.scene[j];
      double p[2];
      if (o.circleRadius > 0.0) {
        const auto seen = circleSeen(g, shift, s.x, s.y, o.circleRadius);
        p[0] = seen[0];
        p[1] = seen[1];
      } else {
        projectTargetPoint(g.camera.focal, g.camera.principal, g.camera.distortion, g.pose.rotation,
                           g.pose.translation, g.pose.rail, shift, s.x, s.y, p);
      }
      // Measured rows grow downwards while the model's y grows upwards.
      double u = cx + p[0] + bias[j].x;
      double v = cy - p[1] + bias[j].y;
      if (o.noise > 0.0) {
        u += o.noise * gaussian.next();
        v += o.noise * gaussian.next();
      }
      image.push_back({u, v});
    }
    g.measured.push_back(std::move(image));
  }
  return g;
}

EstimatorInput correctedPoints(const SyntheticGeometry& geometry, const SyntheticGeometryOptions& options) {
  EstimatorInput in;
  in.scene = geometry.scene;
  const double cx = options.imageWidth / 2.0;
  const double cy = options.imageHeight / 2.0;
  for (const auto& image : geometry.measured) {
    std::vector<Point2> pts;
    for (const Point2& p : image) {
      pts.push_back({p.x - cx, cy - p.y});
    }
    in.images.push_back(std::move(pts));
  }
  return in;
}

} // namespace kavo
