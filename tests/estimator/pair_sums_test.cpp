// The clipping pass sums the kept values of every image pair in the same walk: each pair's sum is
// its values added in list order, bit for bit as the plain loops give them.
#include "reference_enumeration.h"
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
  double clip;
};

class PairSums : public ::testing::TestWithParam<PairsCase> {};

TEST_P(PairSums, AreTheKeptValuesOfEachPairInListOrder) {
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

  const FocalValues values = enumerateFocalValues(in, s, {});
  const Statistics unclipped = unclippedStatistics(values);
  PairSumsTable table;
  const Statistics clipped = clippedStatistics(values, unclipped, c.clip, {}, &table);
  EXPECT_EQ(clipped.mean, clippedStatistics(values, unclipped, c.clip).mean); // the pass is the same
  EXPECT_EQ(clippedMean(values, unclipped, c.clip), clipped.mean);

  const testing::ReferenceOutcome reference = testing::referenceEnumeration(in, s);
  ASSERT_EQ(table.images, 6);
  std::vector<double> sum(36, 0.0);
  std::vector<std::int64_t> count(36, 0);
  const double low = unclipped.mean - c.clip * unclipped.deviation;
  const double high = unclipped.mean + c.clip * unclipped.deviation;
  ASSERT_FALSE(reference.values.empty());
  for (std::size_t i = 0; i < reference.values.size(); ++i) {
    const double v = reference.values[i];
    if (low <= v && v <= high) {
      const std::size_t at =
          static_cast<std::size_t>(reference.pairs[i].first * 6 + reference.pairs[i].second);
      sum[at] += v;
      count[at] += 1;
    }
  }
  for (std::size_t at = 0; at < sum.size(); ++at) {
    EXPECT_EQ(table.sum[at], sum[at]) << at; // bit for bit
    EXPECT_EQ(table.count[at], count[at]) << at;
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, PairSums,
                         ::testing::Values(PairsCase{1, 2, 30.0, 0.3, 3.0}, PairsCase{1, 2, 0.0, 0.0, 1.0},
                                           PairsCase{2, 4, 10.0, 0.1, 2.0}, PairsCase{1, 3, 20.0, 0.2, 0.5}));

TEST(PairSums, PlainValuesCarryNoPairs) {
  const FocalValues plain = FocalValues::fromVector({1800.0, 1801.0, 1799.0});
  PairSumsTable table;
  table.images = 9;
  const Statistics clipped = clippedStatistics(plain, unclippedStatistics(plain), 3.0, {}, &table);
  EXPECT_EQ(clipped.count, 3);
  EXPECT_EQ(table.images, 0);
  EXPECT_TRUE(table.sum.empty());
}

} // namespace
} // namespace kavo
