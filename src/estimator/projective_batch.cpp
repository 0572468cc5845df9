#include "estimator/projective_batch.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The four-lane form is compiled for AVX2 only, inlined into the one function that carries that
// target; the compilers note that such vectors would be passed differently without AVX, which never
// happens here.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace kavo {
namespace {

// One lane per system. Every lane performs the operations of the scalar solve in their order; row
// exchanges, which differ from system to system, become lane-wise selects.
template <int W> struct LaneTypes {
  typedef double Lanes __attribute__((vector_size(8 * W)));
  typedef std::int64_t Mask __attribute__((vector_size(8 * W)));
};
template <int W> using Lanes = typename LaneTypes<W>::Lanes;
template <int W> using Mask = typename LaneTypes<W>::Mask;

#define KAVO_INLINE inline __attribute__((always_inline))

// Every lane v; written lane by lane so that a negative zero stays negative.
template <int W> KAVO_INLINE Lanes<W> splat(double v) {
  Lanes<W> all;
  for (int lane = 0; lane < W; ++lane) {
    all[lane] = v;
  }
  return all;
}

template <int W> KAVO_INLINE Mask<W> allSet() {
  return Mask<W>{} - 1;
}

template <int W> KAVO_INLINE Lanes<W> absLanes(Lanes<W> v) {
  return reinterpret_cast<Lanes<W>>(reinterpret_cast<Mask<W>>(v) & (Mask<W>{} + INT64_MAX));
}

template <int W> KAVO_INLINE Lanes<W> select(Mask<W> m, Lanes<W> a, Lanes<W> b) {
  return reinterpret_cast<Lanes<W>>((reinterpret_cast<Mask<W>>(a) & m) | (reinterpret_cast<Mask<W>>(b) & ~m));
}

// One block of the split system: its rows, five columns and the right-hand side.
template <int W, int Rows> struct Block { Lanes<W> m[Rows][6]; };

// Column q of a block, as the scalar eliminateColumn does it: partial pivoting among rows q..Rows−1
// (row q wins ties), then the column eliminated from the rows below, a row whose entry is zero left
// as it is. A zero pivot clears the lane's ok mask. Entries left of column q+1 are not kept up to
// date below the pivot: they are never read again.
template <int Q, int W, int Rows> KAVO_INLINE void eliminate(Block<W, Rows>& b, Mask<W>& ok) {
  Lanes<W> largest = absLanes<W>(b.m[Q][Q]);
  Lanes<W> best = splat<W>(Q);
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Lanes<W> v = absLanes<W>(b.m[r][Q]);
    const Mask<W> larger = v > largest;
    largest = select<W>(larger, v, largest);
    best = select<W>(larger, splat<W>(r), best);
  }
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Mask<W> exchange = best == splat<W>(r);
#pragma GCC unroll 8
    for (int c = Q; c < 6; ++c) {
      const Lanes<W> pivotRow = b.m[Q][c];
      b.m[Q][c] = select<W>(exchange, b.m[r][c], pivotRow);
      b.m[r][c] = select<W>(exchange, pivotRow, b.m[r][c]);
    }
  }
  const Lanes<W> pivot = b.m[Q][Q];
  ok &= pivot != splat<W>(0.0);
#pragma GCC unroll 8
  for (int r = Q + 1; r < Rows; ++r) {
    const Lanes<W> f = b.m[r][Q];
    const Mask<W> active = f != splat<W>(0.0);
#pragma GCC unroll 8
    for (int c = Q + 1; c < 6; ++c) {
      b.m[r][c] = select<W>(active, b.m[r][c] - f * b.m[Q][c] / pivot, b.m[r][c]);
    }
  }
}

template <int W> struct Coefficients { Lanes<W> a, b, c, d, e, f, g, h; };

template <int W> struct System {
  Block<W, 4> top;  // columns 0, 1, 2, 3, 4 and the right-hand side
  Block<W, 5> rest; // columns 3, 4, 5, 6, 7 and the right-hand side
  Mask<W> ok = allSet<W>();
};

// Lanes beyond count repeat the first system, to keep the batch whole.
template <int W>
KAVO_INLINE void setUp(System<W>& g, const std::array<Point2, 4>* images, int count, const Point2 scene[4]) {
  for (std::size_t n = 0; n < 4; ++n) {
    Lanes<W> x;
    Lanes<W> y;
    for (int lane = 0; lane < W; ++lane) {
      const Point2 p = images[lane < count ? lane : 0][n];
      x[lane] = p.x;
      y[lane] = p.y;
    }
    const Lanes<W> sx = splat<W>(scene[n].x);
    const Lanes<W> sy = splat<W>(scene[n].y);
    Lanes<W>* top = g.top.m[n];
    top[0] = x;
    top[1] = y;
    top[2] = splat<W>(1.0);
    top[3] = -x * sx;
    top[4] = -y * sx;
    top[5] = sx;
    Lanes<W>* bottom = g.rest.m[n + 1];
    bottom[0] = -x * sy;
    bottom[1] = -y * sy;
    bottom[2] = x;
    bottom[3] = y;
    bottom[4] = splat<W>(1.0);
    bottom[5] = sy;
  }
}

// The last row of the first block enters the second system with zeros in columns 5..7.
template <int W> KAVO_INLINE void joinBlocks(System<W>& g) {
  const Lanes<W>* last = g.top.m[3];
  g.rest.m[0][0] = last[3];
  g.rest.m[0][1] = last[4];
  g.rest.m[0][2] = splat<W>(0.0);
  g.rest.m[0][3] = splat<W>(0.0);
  g.rest.m[0][4] = splat<W>(0.0);
  g.rest.m[0][5] = last[5];
}

// The diagonal product test and the back substitution of the scalar solve.
template <int W> KAVO_INLINE Mask<W> backSubstitute(const System<W>& g, Coefficients<W>& t) {
  Lanes<W> det = splat<W>(1.0);
  for (int n = 0; n < 3; ++n) {
    det *= g.top.m[n][n];
  }
  for (int n = 0; n < 5; ++n) {
    det *= g.rest.m[n][n];
  }
  const Mask<W> solved = g.ok & (absLanes<W>(det) >= splat<W>(1e-9));
  Lanes<W> u[8];
  u[7] = g.rest.m[4][5] / g.rest.m[4][4];
  for (int n = 3; n >= 0; --n) {
    Lanes<W> sum = splat<W>(0.0);
    for (int k = n + 1; k < 5; ++k) {
      sum += g.rest.m[n][k] * u[k + 3];
    }
    u[n + 3] = (g.rest.m[n][5] - sum) / g.rest.m[n][n];
  }
  for (int n = 2; n >= 0; --n) {
    Lanes<W> sum = splat<W>(0.0);
    for (int k = n + 1; k < 5; ++k) {
      sum += g.top.m[n][k] * u[k];
    }
    u[n] = (g.top.m[n][5] - sum) / g.top.m[n][n];
  }
  t = {u[0], u[1], u[2], u[5], u[6], u[7], u[3], u[4]};
  return solved;
}

template <int W> struct Mapped {
  Lanes<W> x, y;
  Mask<W> atInfinity; // zero denominator
  Mask<W> notFinite;
};

// mapThrough, lane by lane, with its two faults as masks.
template <int W> KAVO_INLINE Mapped<W> mapPoint(const Coefficients<W>& t, double px, double py) {
  const Lanes<W> x = splat<W>(px);
  const Lanes<W> y = splat<W>(py);
  const Lanes<W> w = t.g * x + t.h * y + splat<W>(1.0);
  Mapped<W> p;
  p.x = (t.a * x + t.b * y + t.c) / w;
  p.y = (t.d * x + t.e * y + t.f) / w;
  p.atInfinity = w == splat<W>(0.0);
  const Lanes<W> largest = splat<W>(std::numeric_limits<double>::max());
  p.notFinite = ~((absLanes<W>(p.x) <= largest) & (absLanes<W>(p.y) <= largest));
  return p;
}

// measureTestSegments for one lane: the first fault in the order the scalar code meets them.
template <int W>
KAVO_INLINE ImageMeasure measureLane(const Mapped<W> (&p)[3], Lanes<W> dyx, Lanes<W> dyy, Lanes<W> dxx,
                                     Lanes<W> dxy, int lane) {
  ImageMeasure out;
  for (const Mapped<W>& point : p) {
    if (point.atInfinity[lane] != 0) {
      out.fit = MeasureOutcome::PointAtInfinity;
      return out;
    }
    if (point.notFinite[lane] != 0) {
      out.fit = MeasureOutcome::NotFinite;
      return out;
    }
  }
  out.lengths.ly = std::sqrt(dyx[lane] * dyx[lane] + dyy[lane] * dyy[lane]);
  out.lengths.lx = std::sqrt(dxx[lane] * dxx[lane] + dxy[lane] * dxy[lane]);
  out.fit = std::isfinite(out.lengths.ly) && std::isfinite(out.lengths.lx) ? MeasureOutcome::Measured
                                                                           : MeasureOutcome::NotFinite;
  return out;
}

template <int W>
KAVO_INLINE void measure(const Coefficients<W>& t, Mask<W> solved, int count, ImageMeasure* out) {
  const Mapped<W> p[3] = {mapPoint<W>(t, 0.0, 0.0), mapPoint<W>(t, 0.0, kTestSegmentLength),
                          mapPoint<W>(t, kTestSegmentLength, 0.0)};
  const Lanes<W> dyx = p[1].x - p[0].x;
  const Lanes<W> dyy = p[1].y - p[0].y;
  const Lanes<W> dxx = p[2].x - p[0].x;
  const Lanes<W> dxy = p[2].y - p[0].y;
  for (int lane = 0; lane < W && lane < count; ++lane) {
    out[lane] = solved[lane] != 0 ? measureLane<W>(p, dyx, dyy, dxx, dxy, lane) : ImageMeasure{};
  }
}

template <int W>
KAVO_INLINE void solveLanes(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                            ImageMeasure* out) {
  System<W> g;
  setUp<W>(g, images, count, scene);
  eliminate<0>(g.top, g.ok);
  eliminate<1>(g.top, g.ok);
  eliminate<2>(g.top, g.ok);
  joinBlocks<W>(g);
  eliminate<0>(g.rest, g.ok);
  eliminate<1>(g.rest, g.ok);
  eliminate<2>(g.rest, g.ok);
  eliminate<3>(g.rest, g.ok);
  Coefficients<W> t;
  const Mask<W> solved = backSubstitute<W>(g, t);
  measure<W>(t, solved, count, out);
}

void solveTwo(const std::array<Point2, 4>* images, int count, const Point2 scene[4], ImageMeasure* out) {
  solveLanes<2>(images, count, scene, out);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KAVO_WIDE_LANES 1
__attribute__((target("avx2"))) void solveFour(const std::array<Point2, 4>* images, int count,
                                               const Point2 scene[4], ImageMeasure* out) {
  solveLanes<4>(images, count, scene, out);
}

bool wideLanesAvailable() {
  static const bool available = __builtin_cpu_supports("avx2") != 0;
  return available;
}
#else
bool wideLanesAvailable() {
  return false;
}
#endif

} // namespace

int solveBatchSize() {
  return wideLanesAvailable() ? 4 : 2;
}

void solveAndMeasureBatch(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                          ImageMeasure* out) {
  solveAndMeasureBatch(images, count, scene, out, solveBatchSize());
}

void solveAndMeasureBatch(const std::array<Point2, 4>* images, int count, const Point2 scene[4],
                          ImageMeasure* out, int width) {
  for (int start = 0; start < count; start += width) {
    const int n = std::min(width, count - start);
#ifdef KAVO_WIDE_LANES
    if (width == 4 && n > 2) {
      solveFour(images + start, n, scene, out + start);
      continue;
    }
#endif
    for (int pair = 0; pair < n; pair += 2) {
      solveTwo(images + start + pair, std::min(2, n - pair), scene, out + start + pair);
    }
  }
}

} // namespace kavo
