#include "estimator/projective_solve.h"

#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kavo {
namespace {

bool sameBits(const ProjectiveTransform& a, const ProjectiveTransform& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ProjectiveSolve, RegularSystemWithZeroCoordinatesIsSolved) {
  // Two coordinates exactly 0 in the quadruple: the system is regular and the transform is a pure
  // scale of 2/3.
  const Point2 image[4] = {{-675, 675}, {-225, 675}, {0, 450}, {0, 0}};
  const Point2 scene[4] = {{-450, 450}, {-150, 450}, {0, 300}, {0, 0}};
  ProjectiveTransform t;
  ASSERT_TRUE(solveProjectiveTransform(image, scene, t));
  EXPECT_NEAR(t.a, 2.0 / 3.0, 1e-15);
  EXPECT_NEAR(t.e, 2.0 / 3.0, 1e-15);
  for (const double zero : {t.b, t.c, t.d, t.f, t.g, t.h}) {
    EXPECT_NEAR(zero, 0.0, 1e-15);
  }
}

TEST(ProjectiveSolve, DegenerateQuadruplesAreRejected) {
  const Point2 scene[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  const Point2 collinear[4] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  const Point2 repeated[4] = {{0, 0}, {0, 0}, {5, 1}, {1, 5}};
  ProjectiveTransform t;
  EXPECT_FALSE(solveProjectiveTransform(collinear, scene, t));
  EXPECT_FALSE(solveProjectiveTransform(repeated, scene, t));
  // A regular but tiny configuration: the product of the diagonal is far below 1e-9.
  const Point2 tiny[4] = {{0, 0}, {1e-3, 0}, {0, 1e-3}, {1e-3, 1e-3}};
  EXPECT_FALSE(solveProjectiveTransform(tiny, tiny, t));
}

// The fast elimination leaves out only products with a zero factor, so it must agree with the full
// elimination bit for bit, including which quadruples are rejected.
TEST(ProjectiveSolve, FastEliminationMatchesTheFullOneBitForBit) {
  std::mt19937_64 rng(20261210);
  int solved = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const int flavour = trial % 4;
    const auto img = testing::randomPoints(rng, 4, 1000, flavour);
    const auto scn = testing::randomPoints(rng, 4, 500, flavour);
    ProjectiveTransform fast;
    ProjectiveTransform full;
    const bool a = solveProjectiveTransform(img.data(), scn.data(), fast);
    const bool b = solveProjectiveTransformFull(img.data(), scn.data(), full);
    ASSERT_EQ(a, b) << "trial " << trial;
    if (a) {
      ++solved;
      ASSERT_TRUE(sameBits(fast, full)) << "trial " << trial;
    }
  }
  EXPECT_GT(solved, 10000);
}

// On noise-free grids whose coordinates include 0 every accepted transform must reproduce its four
// correspondences: a wrong pivot choice shows up here as a large residual.
TEST(ProjectiveSolve, AcceptedTransformsReproduceTheirPointsOnExactGrids) {
  for (const bool wholePixels : {false, true}) {
    const auto in = testing::frontoParallelSeries(5, 5, 150, 1500, 1000, {}, wholePixels);
    const auto& img = in.images[0];
    const int n = static_cast<int>(in.scene.size());
    const double extent = 600;
    int accepted = 0;
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        for (int k = j + 1; k < n; ++k) {
          for (int l = k + 1; l < n; ++l) {
            const int q[4] = {i, j, k, l};
            Point2 p[4];
            Point2 s[4];
            for (int t = 0; t < 4; ++t) {
              p[t] = img[static_cast<std::size_t>(q[t])];
              s[t] = in.scene[static_cast<std::size_t>(q[t])];
            }
            ProjectiveTransform t;
            if (!solveProjectiveTransform(p, s, t)) {
              continue;
            }
            ++accepted;
            for (int v = 0; v < 4; ++v) {
              const Point2 m = mapThrough(t, p[v]);
              ASSERT_NEAR(m.x, s[v].x, 1e-9 * extent) << i << j << k << l;
              ASSERT_NEAR(m.y, s[v].y, 1e-9 * extent) << i << j << k << l;
            }
          }
        }
      }
    }
    EXPECT_GT(accepted, 8000);
  }
}

TEST(ProjectiveSolve, TestSegmentsOfAPureScale) {
  ProjectiveTransform t;
  t.a = 2;
  t.e = 3;
  const SegmentLengths l = measureTestSegments(t);
  EXPECT_EQ(l.ly, 750.0);
  EXPECT_EQ(l.lx, 500.0);
  t.g = -0.5; // (2, 0) maps to infinity
  try {
    mapThrough(t, {2.0, 0.0});
    FAIL() << "a zero denominator was accepted";
  } catch (const RunAbandoned& e) {
    EXPECT_EQ(e.reason, AbandonReason::ZeroDivisor);
  }
}

} // namespace
} // namespace kavo
