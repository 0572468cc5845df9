#include "estimator/projective_solve.h"

#include <cmath>
#include <utility>

namespace kavo {
namespace {

using Matrix = double[8][9];

void setUp(const Point2 image[4], const Point2 scene[4], Matrix& m) {
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 9; ++c) {
      m[r][c] = 0.0;
    }
  }
  for (int n = 0; n < 4; ++n) {
    const double x = image[n].x;
    const double y = image[n].y;
    const double sx = scene[n].x;
    const double sy = scene[n].y;
    double* top = m[n];
    top[0] = x;
    top[1] = y;
    top[2] = 1.0;
    top[3] = -x * sx;
    top[4] = -y * sx;
    top[8] = sx;
    double* bottom = m[n + 4];
    bottom[3] = -x * sy;
    bottom[4] = -y * sy;
    bottom[5] = x;
    bottom[6] = y;
    bottom[7] = 1.0;
    bottom[8] = sy;
  }
}

// Partial pivoting: the largest |M[r][q]| among rows q..7; row q wins ties.
void choosePivot(Matrix& m, int q, int lastRow) {
  int best = q;
  double largest = std::fabs(m[q][q]);
  for (int r = q + 1; r <= lastRow; ++r) {
    const double v = std::fabs(m[r][q]);
    if (v > largest) {
      largest = v;
      best = r;
    }
  }
  if (best != q) {
    for (int c = 0; c < 9; ++c) {
      std::swap(m[q][c], m[best][c]);
    }
  }
}

bool finish(Matrix& m, ProjectiveTransform& out) {
  double det = 1.0;
  for (int n = 0; n < 8; ++n) {
    det *= m[n][n];
  }
  if (!(std::fabs(det) >= 1e-9)) {
    return false;
  }
  double u[8];
  u[7] = m[7][8] / m[7][7];
  for (int n = 6; n >= 0; --n) {
    double sum = 0.0;
    for (int k = n + 1; k < 8; ++k) {
      sum += m[n][k] * u[k];
    }
    u[n] = (m[n][8] - sum) / m[n][n];
  }
  out.a = u[0];
  out.b = u[1];
  out.c = u[2];
  out.g = u[3];
  out.h = u[4];
  out.d = u[5];
  out.e = u[6];
  out.f = u[7];
  return true;
}

// One elimination step on the rows and columns given; products with a known zero factor are left
// out, which changes nothing but the sign of an exact zero.
inline void eliminate(Matrix& m, int q, int firstRow, int lastRow, const int* columns, int columnCount) {
  const double pivot = m[q][q];
  for (int r = firstRow; r <= lastRow; ++r) {
    const double t = m[r][q];
    if (t == 0.0) {
      continue;
    }
    for (int i = 0; i < columnCount; ++i) {
      const int c = columns[i];
      m[r][c] = m[r][c] - t * m[q][c] / pivot;
    }
  }
}

} // namespace

bool solveProjectiveTransformFull(const Point2 image[4], const Point2 scene[4], ProjectiveTransform& out) {
  Matrix m;
  setUp(image, scene, m);
  for (int q = 0; q < 7; ++q) {
    choosePivot(m, q, 7);
    if (m[q][q] == 0.0) {
      return false;
    }
    for (int r = q + 1; r < 8; ++r) {
      const double t = m[r][q];
      for (int c = q; c < 9; ++c) {
        m[r][c] = m[r][c] - t * m[q][c] / m[q][q];
      }
    }
  }
  return finish(m, out);
}

bool solveProjectiveTransform(const Point2 image[4], const Point2 scene[4], ProjectiveTransform& out) {
  Matrix m;
  setUp(image, scene, m);
  // Columns 0..2 are zero in rows 4..7 and columns 5..7 are zero in rows 0..3, so the first three
  // steps stay inside rows 0..3 and touch only columns 1..4 and the right-hand side. The entry in the
  // pivot column itself is never read again and is not updated.
  static constexpr int kTopColumns[] = {1, 2, 3, 4, 8};
  for (int q = 0; q < 3; ++q) {
    choosePivot(m, q, 3);
    if (m[q][q] == 0.0) {
      return false;
    }
    eliminate(m, q, q + 1, 3, kTopColumns + q, 5 - q);
  }
  static constexpr int kRestColumns[] = {4, 5, 6, 7, 8};
  for (int q = 3; q < 7; ++q) {
    choosePivot(m, q, 7);
    if (m[q][q] == 0.0) {
      return false;
    }
    eliminate(m, q, q + 1, 7, kRestColumns + (q - 3), 8 - q);
  }
  return finish(m, out);
}

Point2 mapThrough(const ProjectiveTransform& t, Point2 p) {
  const double w = t.g * p.x + t.h * p.y + 1.0;
  if (w == 0.0) {
    throw RunAbandoned(AbandonReason::ZeroDivisor, "a test point maps to infinity (zero denominator)");
  }
  const Point2 q{(t.a * p.x + t.b * p.y + t.c) / w, (t.d * p.x + t.e * p.y + t.f) / w};
  if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
    throw RunAbandoned(AbandonReason::NonFinite, "a mapped test point is not a finite number");
  }
  return q;
}

SegmentLengths measureTestSegments(const ProjectiveTransform& t) {
  const Point2 p0 = mapThrough(t, {0.0, 0.0});
  const Point2 p1 = mapThrough(t, {0.0, kTestSegmentLength});
  const Point2 p2 = mapThrough(t, {kTestSegmentLength, 0.0});
  const double dyx = p1.x - p0.x;
  const double dyy = p1.y - p0.y;
  const double dxx = p2.x - p0.x;
  const double dxy = p2.y - p0.y;
  SegmentLengths l{std::sqrt(dyx * dyx + dyy * dyy), std::sqrt(dxx * dxx + dxy * dxy)};
  if (!std::isfinite(l.ly) || !std::isfinite(l.lx)) {
    throw RunAbandoned(AbandonReason::NonFinite, "a test segment length is not a finite number");
  }
  return l;
}

} // namespace kavo
