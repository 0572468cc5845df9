#include "estimator/quadruple_layout.h"

#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <numbers>
#include <random>

namespace kavo {
namespace {

constexpr double kDeg = std::numbers::pi / 180;

TEST(QuadrupleLayout, CodesFollowTheOrderOfTheTests) {
  struct Case {
    const char* name;
    Point2 p[4];
    double minDistance;
    double minAngle;
    int code;
  };
  const Case cases[] = {
      {"well spread", {{0, 0}, {100, 10}, {20, 100}, {120, 130}}, 50, 30 * kDeg, 0},
      {"first pair too close", {{0, 0}, {10, 0}, {0, 100}, {100, 100}}, 50, 30 * kDeg, 1},
      {"last pair too close", {{0, 0}, {100, 0}, {0, 100}, {0, 110}}, 50, 30 * kDeg, 1},
      {"too close wins over parallel", {{0, 0}, {10, 0}, {100, 0}, {200, 0}}, 50, 30 * kDeg, 1},
      // Slopes +1 and -1 through p0 have the same inclination, whatever their true angle.
      {"rising and falling alike", {{0, 0}, {100, 100}, {100, -100}, {-30, 200}}, 50, 30 * kDeg, 2},
      {"two vertical lines through p0", {{0, 0}, {0, 100}, {0, -100}, {150, 40}}, 50, 30 * kDeg, 2},
      {"p1-p2 against p1-p3", {{0, 0}, {100, 0}, {0, 100}, {200, 150}}, 50, 25 * kDeg, 2},
      {"p0-p1 against p0-p2", {{0, 0}, {100, 0}, {200, 100}, {300, 200}}, 50, 30 * kDeg, 2},
      {"p2-p3 is never compared", {{0, 0}, {100, 0}, {0, 100}, {100, 100}}, 50, 44 * kDeg, 0},
      {"distance exactly at the limit", {{0, 0}, {100, 0}, {0, 100}, {100, 100}}, 100, 30 * kDeg, 0},
      {"zero thresholds accept repeats", {{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(checkQuadrupleLayout(c.p, c.minDistance, c.minAngle), c.code) << c.name;
  }
}

TEST(QuadrupleLayout, InclinationIgnoresDirection) {
  EXPECT_EQ(lineInclination({0, 0}, {0, 5}), std::numbers::pi / 2);
  EXPECT_EQ(lineInclination({1, 1}, {2, 2}), lineInclination({1, 1}, {0, 2}));
  EXPECT_EQ(lineInclination({3, 0}, {-3, 0}), 0.0);
}

// The per-image table must accept exactly the quadruples the check accepts.
TEST(QuadrupleLayout, ImageTableAgreesWithTheCheck) {
  std::mt19937_64 rng(7);
  for (int trial = 0; trial < 40; ++trial) {
    const auto pts = testing::randomPoints(rng, 9, 300, trial % 4);
    const double minDistance = 40.0 * (trial % 3);
    const double minAngle = (trial % 5) * 8 * kDeg;
    const ImageLayoutTable table(pts, 9, minDistance);
    for (int i = 0; i < 9; ++i) {
      for (int j = i + 1; j < 9; ++j) {
        for (int k = j + 1; k < 9; ++k) {
          for (int l = k + 1; l < 9; ++l) {
            const Point2 p[4] = {pts[i], pts[j], pts[k], pts[l]};
            ASSERT_EQ(table.accepts(i, j, k, l, minAngle),
                      checkQuadrupleLayout(p, minDistance, minAngle) == 0);
          }
        }
      }
    }
  }
}

} // namespace
} // namespace kavo
