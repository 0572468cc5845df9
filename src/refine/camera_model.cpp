#include "refine/camera_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavo {

void rotationMatrix(const double w[3], double m[9]) {
  for (int column = 0; column < 3; ++column) {
    const double e[3] = {column == 0 ? 1.0 : 0.0, column == 1 ? 1.0 : 0.0, column == 2 ? 1.0 : 0.0};
    double r[3];
    rotateByAngleAxis(w, e, r);
    for (int row = 0; row < 3; ++row) {
      m[row * 3 + column] = r[row];
    }
  }
}

void angleAxisFromMatrix(const double m[9], double w[3]) {
  const double trace = m[0] + m[4] + m[8];
  const double cosTheta = std::clamp((trace - 1.0) / 2.0, -1.0, 1.0);
  const double theta = std::acos(cosTheta);
  const double skew[3] = {m[7] - m[5], m[2] - m[6], m[3] - m[1]}; // 2·sin θ · axis
  const double sinTheta2 = std::sqrt(skew[0] * skew[0] + skew[1] * skew[1] + skew[2] * skew[2]);
  if (theta < 1e-12) {
    for (int i = 0; i < 3; ++i) {
      w[i] = skew[i] / 2.0;
    }
    return;
  }
  if (theta < std::numbers::pi - 1e-6 && sinTheta2 > 1e-12) {
    for (int i = 0; i < 3; ++i) {
      w[i] = skew[i] / sinTheta2 * theta;
    }
    return;
  }
  // Near half a turn the axis comes from the symmetric part: R + I = 2·a·aᵀ (θ = π).
  const int k = m[0] >= m[4] && m[0] >= m[8] ? 0 : (m[4] >= m[8] ? 1 : 2);
  double a[3];
  a[k] = std::sqrt(std::max(0.0, (m[k * 4] + 1.0) / 2.0));
  for (int i = 0; i < 3; ++i) {
    if (i != k) {
      a[i] = (m[k * 3 + i] + m[i * 3 + k]) / (4.0 * a[k]);
    }
  }
  // The sign of the axis follows the skew part when it is not negligible.
  const double dot = a[0] * skew[0] + a[1] * skew[1] + a[2] * skew[2];
  const double sign = dot < 0.0 ? -1.0 : 1.0;
  const double norm = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
  for (int i = 0; i < 3; ++i) {
    w[i] = sign * a[i] / norm * theta;
  }
}

double tiltDegrees(const TargetPose& pose) {
  double m[9];
  rotationMatrix(pose.rotation, m);
  // The target's normal in the camera frame is the third column; its angle to the viewing axis.
  const double cosine = std::clamp(std::fabs(m[8]), 0.0, 1.0);
  return std::acos(cosine) * 180.0 / std::numbers::pi;
}

void railDegrees(const TargetPose& pose, double degrees[2]) {
  for (int i = 0; i < 2; ++i) {
    degrees[i] = std::atan(pose.rail[i]) * 180.0 / std::numbers::pi;
  }
}

} // namespace kavo
