#include "estimator/projective_batch.h"

#include <cmath>
#include <limits>

namespace kavo {
namespace {

// One lane per system. Every lane performs the operations of the scalar solve in their order; row
// exchanges, which differ from system to system, become lane-wise selects.
using Lanes = double __attribute__((vector_size(16)));
using Mask = std::int64_t __attribute__((vector_size(16)));
constexpr int kLanes = 2;
constexpr int kGroups = kBatchSize / kLanes;

#define KAVO_INLINE inline __attribute__((always_inline))

// Both lanes v; written out so that a negative zero stays negative.
KAVO_INLINE Lanes splat(double v) {
  return Lanes{v, v};
}

KAVO_INLINE Lanes absLanes(Lanes v) {
  return reinterpret_cast<Lanes>(reinterpret_cast<Mask>(v) & Mask{INT64_MAX, INT64_MAX});
}

KAVO_INLINE Lanes select(Mask m, Lanes a, Lanes b) {
  return reinterpret_cast<Lanes>((reinterpret_cast<Mask>(a) & m) | (reinterpret_cast<Mask>(b) & ~m));
}

// One block of the split system: its rows, five columns and the right-hand side.
template <int Rows> struct Block { Lanes m[Rows][6]; };

// Column q of a block, as the scalar eliminateColumn does it: partial pivoting among rows q..Rows−1
// (row q wins ties), then the column eliminated from the rows below, a row whose entry is zero left
// as it is. A zero pivot clears the lane's ok mask. Entries left of column q+1 are not kept up to
// date below the pivot: they are never read again.
template <int Q, int Rows> KAVO_INLINE void eliminate(Block<Rows>& b, Mask& ok) {
  Lanes largest = absLanes(b.m[Q][Q]);
  Lanes best = splat(Q);
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Lanes v = absLanes(b.m[r][Q]);
    const Mask larger = v > largest;
    largest = select(larger, v, largest);
    best = select(larger, splat(r), best);
  }
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Mask exchange = best == splat(r);
#pragma GCC unroll 8
    for (int c = Q; c < 6; ++c) {
      const Lanes pivotRow = b.m[Q][c];
      b.m[Q][c] = select(exchange, b.m[r][c], pivotRow);
      b.m[r][c] = select(exchange, pivotRow, b.m[r][c]);
    }
  }
  const Lanes pivot = b.m[Q][Q];
  ok &= pivot != splat(0.0);
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Lanes f = b.m[r][Q];
    const Mask active = f != splat(0.0);
#pragma GCC unroll 8
    for (int c = Q + 1; c < 6; ++c) {
      b.m[r][c] = select(active, b.m[r][c] - f * b.m[Q][c] / pivot, b.m[r][c]);
    }
  }
}

struct Coefficients {
  Lanes a, b, c, d, e, f, g, h;
};

struct Group {
  Block<4> top;  // columns 0, 1, 2, 3, 4 and the right-hand side
  Block<5> rest; // columns 3, 4, 5, 6, 7 and the right-hand side
  Mask ok = {-1, -1};
};

KAVO_INLINE void setUp(Group& g, const std::array<Point2, 4>* images, const int system[kLanes],
                       const Point2 scene[4]) {
  for (int n = 0; n < 4; ++n) {
    const auto corner = static_cast<std::size_t>(n);
    const Lanes x = {images[system[0]][corner].x, images[system[1]][corner].x};
    const Lanes y = {images[system[0]][corner].y, images[system[1]][corner].y};
    const Lanes sx = splat(scene[n].x);
    const Lanes sy = splat(scene[n].y);
    Lanes* top = g.top.m[n];
    top[0] = x;
    top[1] = y;
    top[2] = splat(1.0);
    top[3] = -x * sx;
    top[4] = -y * sx;
    top[5] = sx;
    Lanes* bottom = g.rest.m[n + 1];
    bottom[0] = -x * sy;
    bottom[1] = -y * sy;
    bottom[2] = x;
    bottom[3] = y;
    bottom[4] = splat(1.0);
    bottom[5] = sy;
  }
}

// The last row of the first block enters the second system with zeros in columns 5..7.
KAVO_INLINE void joinBlocks(Group& g) {
  const Lanes* last = g.top.m[3];
  g.rest.m[0][0] = last[3];
  g.rest.m[0][1] = last[4];
  g.rest.m[0][2] = splat(0.0);
  g.rest.m[0][3] = splat(0.0);
  g.rest.m[0][4] = splat(0.0);
  g.rest.m[0][5] = last[5];
}

// The diagonal product test and the back substitution of the scalar solve.
KAVO_INLINE Mask backSubstitute(const Group& g, Coefficients& t) {
  Lanes det = splat(1.0);
  for (int n = 0; n < 3; ++n) {
    det *= g.top.m[n][n];
  }
  for (int n = 0; n < 5; ++n) {
    det *= g.rest.m[n][n];
  }
  const Mask solved = g.ok & (absLanes(det) >= splat(1e-9));
  Lanes u[8];
  u[7] = g.rest.m[4][5] / g.rest.m[4][4];
  for (int n = 3; n >= 0; --n) {
    Lanes sum = splat(0.0);
    for (int k = n + 1; k < 5; ++k) {
      sum += g.rest.m[n][k] * u[k + 3];
    }
    u[n + 3] = (g.rest.m[n][5] - sum) / g.rest.m[n][n];
  }
  for (int n = 2; n >= 0; --n) {
    Lanes sum = splat(0.0);
    for (int k = n + 1; k < 5; ++k) {
      sum += g.top.m[n][k] * u[k];
    }
    u[n] = (g.top.m[n][5] - sum) / g.top.m[n][n];
  }
  t = {u[0], u[1], u[2], u[5], u[6], u[7], u[3], u[4]};
  return solved;
}

struct Mapped {
  Lanes x, y;
  Mask atInfinity; // zero denominator
  Mask notFinite;
};

// mapThrough, lane by lane, with its two faults as masks.
KAVO_INLINE Mapped mapPoint(const Coefficients& t, double px, double py) {
  const Lanes x = splat(px);
  const Lanes y = splat(py);
  const Lanes w = t.g * x + t.h * y + splat(1.0);
  Mapped p;
  p.x = (t.a * x + t.b * y + t.c) / w;
  p.y = (t.d * x + t.e * y + t.f) / w;
  p.atInfinity = w == splat(0.0);
  const Lanes largest = splat(std::numeric_limits<double>::max());
  p.notFinite = ~((absLanes(p.x) <= largest) & (absLanes(p.y) <= largest));
  return p;
}

// measureTestSegments for one lane: the first fault in the order the scalar code meets them.
ImageMeasure measureLane(const Mapped (&p)[3], Lanes dyx, Lanes dyy, Lanes dxx, Lanes dxy, int lane) {
  ImageMeasure out;
  for (const Mapped& point : p) {
    if (point.atInfinity[lane] != 0) {
      out.fit = ImageFit::PointAtInfinity;
      return out;
    }
    if (point.notFinite[lane] != 0) {
      out.fit = ImageFit::NotFinite;
      return out;
    }
  }
  out.lengths.ly = std::sqrt(dyx[lane] * dyx[lane] + dyy[lane] * dyy[lane]);
  out.lengths.lx = std::sqrt(dxx[lane] * dxx[lane] + dxy[lane] * dxy[lane]);
  out.fit = std::isfinite(out.lengths.ly) && std::isfinite(out.lengths.lx) ? ImageFit::Measured
                                                                           : ImageFit::NotFinite;
  return out;
}

// Measures the lanes of one group; lanes beyond count only kept the batch whole and give nothing.
KAVO_INLINE void measure(const Coefficients& t, Mask solved, int firstSystem, int count, ImageMeasure* out) {
  const Mapped p[3] = {mapPoint(t, 0.0, 0.0), mapPoint(t, 0.0, kTestSegmentLength),
                       mapPoint(t, kTestSegmentLength, 0.0)};
  const Lanes dyx = p[1].x - p[0].x;
  const Lanes dyy = p[1].y - p[0].y;
  const Lanes dxx = p[2].x - p[0].x;
  const Lanes dxy = p[2].y - p[0].y;
  for (int lane = 0; lane < kLanes && firstSystem + lane < count; ++lane) {
    out[firstSystem + lane] = solved[lane] != 0 ? measureLane(p, dyx, dyy, dxx, dxy, lane) : ImageMeasure{};
  }
}

} // namespace

void solveAndMeasureBatch(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                          ImageMeasure* out) {
  Group groups[kGroups];
  int system[kGroups][kLanes];
  for (int g = 0; g < kGroups; ++g) {
    for (int lane = 0; lane < kLanes; ++lane) {
      const int s = g * kLanes + lane;
      system[g][lane] = s < count ? s : 0; // spare lanes repeat the first system
    }
    setUp(groups[g], images, system[g], scene);
  }
  // The groups advance column by column together, so each waits for its divisions while the other
  // computes.
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<0>(g.top, g.ok);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<1>(g.top, g.ok);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<2>(g.top, g.ok);
    joinBlocks(g);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<0>(g.rest, g.ok);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<1>(g.rest, g.ok);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<2>(g.rest, g.ok);
  }
#pragma GCC unroll 2
  for (Group& g : groups) {
    eliminate<3>(g.rest, g.ok);
  }
  for (int g = 0; g < kGroups; ++g) {
    Coefficients t;
    const Mask solved = backSubstitute(groups[g], t);
    measure(t, solved, g * kLanes, count, out);
  }
}

} // namespace kavo
