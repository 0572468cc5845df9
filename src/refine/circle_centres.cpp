#include "refine/circle_centres.h"

#include <cmath>
#include <numbers>

namespace kavo {
namespace {

// Points of the outline: enough that the polygon's centroid stands for the curve's to far below the
// shift itself (a regular polygon has the centroid of its circle exactly; what distortion bends is
// smooth along the outline).
constexpr int kOutline = 48;

// Area centroid of the closed polygon (x, y).
std::array<double, 2> centroid(const double (&x)[kOutline], const double (&y)[kOutline]) {
  double area = 0.0, cx = 0.0, cy = 0.0;
  for (int i = 0; i < kOutline; ++i) {
    const int j = (i + 1) % kOutline;
    const double cross = x[i] * y[j] - x[j] * y[i];
    area += cross;
    cx += (x[i] + x[j]) * cross;
    cy += (y[i] + y[j]) * cross;
  }
  return {cx / (3.0 * area), cy / (3.0 * area)};
}

} // namespace

std::array<double, 2> circleCentreShift(const CameraParameters& camera, const TargetPose& pose, double shift,
                                        double x, double y, double r) {
  const double none[2] = {0.0, 0.0};
  double drawnX[kOutline], drawnY[kOutline], plainX[kOutline], plainY[kOutline];
  for (int k = 0; k < kOutline; ++k) {
    const double angle = 2.0 * std::numbers::pi * k / kOutline;
    double p[3];
    targetPointInCamera(pose.rotation, pose.translation, pose.rail, shift, x + r * std::cos(angle),
                        y + r * std::sin(angle), p);
    double out[2];
    projectCameraPoint(camera.focal, camera.principal, camera.distortion, p, out);
    drawnX[k] = out[0];
    drawnY[k] = out[1];
    projectCameraPoint(camera.focal, camera.principal, none, p, out);
    plainX[k] = out[0];
    plainY[k] = out[1];
  }
  double centre[3];
  targetPointInCamera(pose.rotation, pose.translation, pose.rail, shift, x, y, centre);
  double drawnCentre[2], plainCentre[2];
  projectCameraPoint(camera.focal, camera.principal, camera.distortion, centre, drawnCentre);
  projectCameraPoint(camera.focal, camera.principal, none, centre, plainCentre);
  const auto drawn = centroid(drawnX, drawnY);
  const auto plain = centroid(plainX, plainY);
  return {drawn[0] - plain[0] - (drawnCentre[0] - plainCentre[0]),
          drawn[1] - plain[1] - (drawnCentre[1] - plainCentre[1])};
}

} // namespace kavo
