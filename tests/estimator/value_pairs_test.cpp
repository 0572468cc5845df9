// The values walked with their image pairs are the enumeration's values, bit for bit and in order.
#include "estimator/value_pairs.h"
#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <random>

namespace kavo {
namespace {

struct PairsCase {
  int first;
  int second;
  double minAngleDegrees;
  double minSpacing;
};

class ValuePairs : public ::testing::TestWithParam<PairsCase> {};

TEST_P(ValuePairs, WalkTheEnumerationsValuesWithTheirPairs) {
  const PairsCase c = GetParam();
  EstimatorInput in = testing::frontoParallelSeries(5, 6, 200.0, 1500.0, 1000.0, {25, 30, 25, 20, 25});
  std::mt19937_64 rng(7);
  std::normal_distribution<double> noise(0.0, 0.3);
  for (auto& image : in.images) {
    for (auto& p : image) {
      p.x += noise(rng);
      p.y += noise(rng);
    }
  }
  EstimatorSettings s;
  s.imageWidth = 2000;
  s.imageHeight = 1500;
  s.imageValues = {25, 30, 25, 20, 25, 0};
  s.firstImageNumber = c.first;
  s.secondImageNumber = c.second;
  s.minLineAngle = c.minAngleDegrees * 3.14159265358979323846 / 180.0;
  s.minPointSpacing = c.minSpacing;
  s.threads = 2;

  const FocalValues withPairs = enumerateFocalValues(in, s, {});
  const std::vector<double> expected = withPairs.toVector();
  std::vector<double> walked;
  const int gap = c.second - c.first;
  const bool walks = FocalValuePairs::walk(withPairs, [&](int base, int partner, double vy, double vx) {
    EXPECT_GE(base, c.first - 1);
    EXPECT_GE(partner - base, gap);
    EXPECT_LT(partner, 6);
    walked.push_back(vy);
    walked.push_back(vx);
  });
  ASSERT_TRUE(walks);
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(walked.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(walked[i], expected[i]) << i; // bit for bit
  }
  EXPECT_EQ(static_cast<std::int64_t>(walked.size()), withPairs.size());
}

INSTANTIATE_TEST_SUITE_P(Settings, ValuePairs,
                         ::testing::Values(PairsCase{1, 2, 30.0, 0.3}, PairsCase{1, 2, 0.0, 0.0},
                                           PairsCase{2, 4, 10.0, 0.1}, PairsCase{1, 3, 20.0, 0.2}));

TEST(ValuePairs, PlainValuesCarryNoPairs) {
  const FocalValues plain = FocalValues::fromVector({1800.0, 1801.0});
  int calls = 0;
  EXPECT_FALSE(FocalValuePairs::walk(plain, [&](int, int, double, double) { ++calls; }));
  EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace kavo
