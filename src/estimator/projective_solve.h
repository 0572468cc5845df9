#pragma once
#include "estimator/estimator.h"

namespace kavo {

// The eight coefficients of the image-to-scene transform
//   X' = (a·x + b·y + c) / (g·x + h·y + 1),  Y' = (d·x + e·y + f) / (g·x + h·y + 1),
// stored in the order a, b, c, d, e, f, g, h.
struct ProjectiveTransform {
  double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0, h = 0;
};

// Solves the 8 × 9 system of the four point correspondences (unknowns in the order a, b, c, g, h, d,
// e, f) by Gaussian elimination with partial pivoting. Returns false when a pivot is zero or the
// product of the diagonal is below 1e-9 in magnitude. The elimination skips only the products whose
// factors are known to be zero, so the result is bit for bit that of the full 8 × 9 elimination.
bool solveProjectiveTransform(const Point2 image[4], const Point2 scene[4], ProjectiveTransform& out);

// The full 8 × 9 elimination written out plainly; the fast one above must agree with it exactly.
bool solveProjectiveTransformFull(const Point2 image[4], const Point2 scene[4], ProjectiveTransform& out);

// Maps an image point through the transform. Throws RunAbandoned on a zero denominator or a
// result that is not finite.
Point2 mapThrough(const ProjectiveTransform& t, Point2 p);

// Lengths, in scene units, of the test segments from (0, 0) to (0, 250) (y axis) and to (250, 0)
// (x axis) under the transform. Throws RunAbandoned as mapThrough does.
struct SegmentLengths {
  double ly = 0.0;
  double lx = 0.0;
};
SegmentLengths measureTestSegments(const ProjectiveTransform& t);

inline constexpr double kTestSegmentLength = 250.0;

} // namespace kavo
