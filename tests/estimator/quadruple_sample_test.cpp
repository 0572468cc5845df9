// A sample of the quadruples for estimates that need not every value: the same quadruples for the
// same points, about one in n of them, and every value it keeps one the whole enumeration gives.
#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kavo {
namespace {

TEST(QuadrupleSample, KeepsAboutOneInNTheSameEveryTime) {
  const EstimatorInput in = testing::frontoParallelSeries(7, 7, 150.0, 1500.0, 1000.0, {25, 25, 25});
  EstimatorSettings s;
  s.imageWidth = 2000;
  s.imageHeight = 1500;
  s.imageValues = {25, 25, 25, 0};
  s.minLineAngle = 0.1;
  s.minPointSpacing = 0.05;
  s.threads = 2;
  std::vector<double> all = enumerateFocalValues(in, s, {}).toVector();
  ASSERT_GT(all.size(), 10000u);
  std::sort(all.begin(), all.end());
  s.quadrupleSample = 8;
  const std::vector<double> sample = enumerateFocalValues(in, s, {}).toVector();
  s.threads = 1;
  EXPECT_EQ(enumerateFocalValues(in, s, {}).toVector(), sample); // whatever the threads
  const double share = static_cast<double>(sample.size()) / static_cast<double>(all.size());
  EXPECT_GT(share, 1.0 / 8 * 0.8);
  EXPECT_LT(share, 1.0 / 8 * 1.2);
  for (const double v : sample) {
    ASSERT_TRUE(std::binary_search(all.begin(), all.end(), v)) << v;
  }
}

} // namespace
} // namespace kavo
