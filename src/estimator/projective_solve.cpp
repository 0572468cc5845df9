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

namespace {

// Two lanes of doubles; the row updates run two columns at a time. Each lane performs exactly the
// scalar operations, so the results are the same bits.
using Lanes = double __attribute__((vector_size(16)));

struct Row {
  Lanes lanes[3];
  double at(int c) const { return lanes[c / 2][c % 2]; }
  Lanes& pair(int p) { return lanes[p]; }
  const Lanes& pair(int p) const { return lanes[p]; }
};

Row makeRow(double c0, double c1, double c2, double c3, double c4, double c5) {
  return Row{{{c0, c1}, {c2, c3}, {c4, c5}}};
}

// Partial pivoting among rows[q..last] on column q (row q wins ties), then the elimination of column
// q from the rows below it. Column pairs whose columns all lie at or left of q are not updated: they
// are never read again.
inline bool eliminateColumn(Row** rows, int q, int last) {
  int best = q;
  double largest = std::fabs(rows[q]->at(q));
  for (int r = q + 1; r <= last; ++r) {
    const double v = std::fabs(rows[r]->at(q));
    if (v > largest) {
      largest = v;
      best = r;
    }
  }
  std::swap(rows[q], rows[best]);
  const Row& pivotRow = *rows[q];
  const double pivot = pivotRow.at(q);
  if (pivot == 0.0) {
    return false;
  }
  const Lanes pivotLanes = {pivot, pivot};
  const int firstPair = (q + 1) / 2;
  for (int r = q + 1; r <= last; ++r) {
    Row& row = *rows[r];
    const double f = row.at(q);
    if (f == 0.0) {
      continue;
    }
    const Lanes fLanes = {f, f};
    for (int p = firstPair; p < 3; ++p) {
      row.pair(p) = row.pair(p) - fLanes * pivotRow.pair(p) / pivotLanes;
    }
  }
  return true;
}

} // namespace

bool solveProjectiveTransform(const Point2 image[4], const Point2 scene[4], ProjectiveTransform& out) {
  // The system splits into two blocks: rows 0..3 hold columns 0..4 and the right-hand side (their
  // columns 5..7 are zero), rows 4..7 hold columns 3..8 (their columns 0..2 are zero). Columns 0..2
  // are eliminated inside the first block alone; columns 3..6 in the 5 × 6 system of the last row of
  // the first block and the second block. Rows are exchanged through pointers, and entries that are
  // never read again are not kept up to date. Every other operation is the full elimination's, in
  // its order, so the outcome is the same to the last bit.
  Row top[4];  // columns 0, 1, 2, 3, 4 and the right-hand side
  Row rest[5]; // columns 3, 4, 5, 6, 7 and the right-hand side
  for (int n = 0; n < 4; ++n) {
    const double x = image[n].x;
    const double y = image[n].y;
    const double sx = scene[n].x;
    const double sy = scene[n].y;
    top[n] = makeRow(x, y, 1.0, -x * sx, -y * sx, sx);
    rest[n + 1] = makeRow(-x * sy, -y * sy, x, y, 1.0, sy);
  }
  Row* t[4] = {&top[0], &top[1], &top[2], &top[3]};
  for (int q = 0; q < 3; ++q) {
    if (!eliminateColumn(t, q, 3)) {
      return false;
    }
  }
  // The last row of the first block enters the second system with zeros in columns 5..7.
  rest[0] = makeRow(t[3]->at(3), t[3]->at(4), 0.0, 0.0, 0.0, t[3]->at(5));
  Row* r5[5] = {&rest[0], &rest[1], &rest[2], &rest[3], &rest[4]};
  for (int q = 0; q < 4; ++q) {
    if (!eliminateColumn(r5, q, 4)) {
      return false;
    }
  }

  double det = 1.0;
  for (int n = 0; n < 3; ++n) {
    det *= t[n]->at(n);
  }
  for (int n = 0; n < 5; ++n) {
    det *= r5[n]->at(n);
  }
  if (!(std::fabs(det) >= 1e-9)) {
    return false;
  }

  // Back substitution; the zero columns 5..7 of rows 0..2 add nothing to their sums.
  double u[8];
  u[7] = r5[4]->at(5) / r5[4]->at(4);
  for (int n = 3; n >= 0; --n) {
    double sum = 0.0;
    for (int k = n + 1; k < 5; ++k) {
      sum += r5[n]->at(k) * u[k + 3];
    }
    u[n + 3] = (r5[n]->at(5) - sum) / r5[n]->at(n);
  }
  for (int n = 2; n >= 0; --n) {
    double sum = 0.0;
    for (int k = n + 1; k < 5; ++k) {
      sum += t[n]->at(k) * u[k];
    }
    u[n] = (t[n]->at(5) - sum) / t[n]->at(n);
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

Point2 mapThrough(const ProjectiveTransform& t, Point2 p) {
  const double w = t.g * p.x + t.h * p.y + 1.0;
  if (w == 0.0) {
    throw RunAbandoned(AbandonReason::ZeroDivisor,
                       "контрольная точка уходит в бесконечность (нулевой знаменатель)");
  }
  const Point2 q{(t.a * p.x + t.b * p.y + t.c) / w, (t.d * p.x + t.e * p.y + t.f) / w};
  if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
    throw RunAbandoned(AbandonReason::NonFinite, "образ контрольной точки не является конечным числом");
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
    throw RunAbandoned(AbandonReason::NonFinite, "длина контрольного отрезка не является конечным числом");
  }
  return l;
}

} // namespace kavo
