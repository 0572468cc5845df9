#pragma once
// The camera model of the refined fit, shared with the synthetic series so that both speak of the
// same focal length, principal point, distortion and pose.
//
// Frames. The target lies in its plane z = 0 with its reference points at (X, Y) in scene units. The
// first camera sees a target point at P = R·(X, Y, 0) + t, R given as an angle-axis vector; the
// camera of a later image has moved by that image's shift s along the rail, the unit direction
// u = (a, b, 1) / √(1 + a² + b²) of the camera frame, which adds s·u to P (s positive when the camera
// has moved away from the target). A rail along the viewing axis has a = b = 0 and adds s to P.z
// alone. Image coordinates are those the
// compute command reads: relative to the image centre, x to the right and y upwards, y divided by
// the correction table's vertical scale, so that pixels are square.
//
// Projection. With a = P.x / P.z, b = P.y / P.z and r² = a² + b² (the radius in the plane one unit in
// front of the camera, so k1 and k2 are the usual normalised radial coefficients):
//   x = f·P.x / P.z · (1 + k1·r² + k2·r⁴) + px,   y = f·P.y / P.z · (1 + k1·r² + k2·r⁴) + py.
// With k1 = k2 = 0 and the principal point at 0 this is f·X/Z to the last bit, as the synthetic
// series has always written it.
//
// The functions are templates so that the fit can differentiate them automatically; they call
// sqrt, sin and cos unqualified so that the automatic-differentiation numbers find their own.
#include <cmath>

namespace kavo {

// Rotates p by the angle-axis vector w (angle = |w| in radians about w / |w|).
template <typename T> void rotateByAngleAxis(const T w[3], const T p[3], T out[3]) {
  using std::cos;
  using std::sin;
  using std::sqrt;
  const T theta2 = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
  if (theta2 > T(1e-20)) {
    const T theta = sqrt(theta2);
    const T c = cos(theta);
    const T s = sin(theta);
    const T k[3] = {w[0] / theta, w[1] / theta, w[2] / theta};
    const T kxp[3] = {k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2], k[0] * p[1] - k[1] * p[0]};
    const T kp = (k[0] * p[0] + k[1] * p[1] + k[2] * p[2]) * (T(1) - c);
    for (int i = 0; i < 3; ++i) {
      out[i] = p[i] * c + kxp[i] * s + k[i] * kp;
    }
  } else {
    // First order, exact at w = 0 and with the right derivatives there.
    const T wxp[3] = {w[1] * p[2] - w[2] * p[1], w[2] * p[0] - w[0] * p[2], w[0] * p[1] - w[1] * p[0]};
    for (int i = 0; i < 3; ++i) {
      out[i] = p[i] + wxp[i];
    }
  }
}

// A target point in the frame of the camera of one image. rail = (a, b): the slopes of the rail's
// direction against the viewing axis; shift: how far the camera moved along it.
template <typename T>
void targetPointInCamera(const T rotation[3], const T translation[3], const T rail[2], const T& shift,
                         double sceneX, double sceneY, T out[3]) {
  using std::sqrt;
  const T p[3] = {T(sceneX), T(sceneY), T(0)};
  T q[3];
  rotateByAngleAxis(rotation, p, q);
  const T along = shift / sqrt(T(1) + rail[0] * rail[0] + rail[1] * rail[1]);
  out[0] = q[0] + translation[0] + along * rail[0];
  out[1] = q[1] + translation[1] + along * rail[1];
  out[2] = q[2] + translation[2] + along;
}

// Image coordinates of a point P of the camera frame (P.z > 0 in front of the camera).
// principal = (px, py), distortion = (k1, k2).
template <typename T>
void projectCameraPoint(const T& focal, const T principal[2], const T distortion[2], const T point[3],
                        T out[2]) {
  const T a = point[0] / point[2];
  const T b = point[1] / point[2];
  const T r2 = a * a + b * b;
  const T d = T(1) + distortion[0] * r2 + distortion[1] * r2 * r2;
  out[0] = focal * point[0] / point[2] * d + principal[0];
  out[1] = focal * point[1] / point[2] * d + principal[1];
}

// The whole model: target point (X, Y) → image coordinates in the image with the given shift along
// the rail.
template <typename T>
void projectTargetPoint(const T& focal, const T principal[2], const T distortion[2], const T rotation[3],
                        const T translation[3], const T rail[2], const T& shift, double sceneX, double sceneY,
                        T out[2]) {
  T p[3];
  targetPointInCamera(rotation, translation, rail, shift, sceneX, sceneY, p);
  projectCameraPoint(focal, principal, distortion, p, out);
}

// The model's parameters as plain numbers.
struct CameraParameters {
  double focal = 0.0;
  double principal[2] = {0.0, 0.0};  // px, py in the image frame above
  double distortion[2] = {0.0, 0.0}; // k1, k2
};

struct TargetPose {
  double rotation[3] = {0.0, 0.0, 0.0}; // angle-axis, radians
  double translation[3] = {0.0, 0.0, 0.0};
  double rail[2] = {0.0, 0.0}; // the slopes a, b of the camera's direction of travel (see above)
};

// Angle between the target's normal and the viewing axis, in degrees (0 for a target square to it).
double tiltDegrees(const TargetPose& pose);

// The rail's direction as two angles against the viewing axis, degrees: towards the image's x (to the
// right) and towards its y (upwards in the model's frame).
void railDegrees(const TargetPose& pose, double degrees[2]);

// The rotation matrix of an angle-axis vector, row-major, and back.
void rotationMatrix(const double w[3], double m[9]);
void angleAxisFromMatrix(const double m[9], double w[3]);

} // namespace kavo
