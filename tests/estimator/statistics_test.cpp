#include "estimator/estimator.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kavo {
namespace {

TEST(Statistics, OneClippingPassDropsTheOutlier) {
  const auto values = FocalValues::fromVector({10, 10, 10, 10, 100});
  const Statistics u = unclippedStatistics(values);
  EXPECT_EQ(u.mean, 28);
  EXPECT_EQ(u.deviation, std::sqrt(6480.0 / 4));
  EXPECT_EQ(u.standardDeviation, std::sqrt(6480.0 / 4) / std::sqrt(5.0));
  const Statistics c = clippedStatistics(values, u, 1.0);
  EXPECT_EQ(c.mean, 10);
  EXPECT_EQ(c.deviation, 0);
  EXPECT_EQ(c.standardDeviation, 0);
  EXPECT_EQ(c.count, 4);
}

TEST(Statistics, SingleValueAndBoundsInclusive) {
  const auto one = FocalValues::fromVector({1523.5});
  const Statistics u = unclippedStatistics(one);
  EXPECT_EQ(u.mean, 1523.5);
  EXPECT_EQ(u.deviation, 0);
  EXPECT_EQ(clippedStatistics(one, u, 3).mean, 1523.5);

  // Mean 2, deviation 1: with k = 1 the values 1 and 3 lie exactly on the bounds and are kept.
  const auto edge = FocalValues::fromVector({1, 2, 3});
  const Statistics e = unclippedStatistics(edge);
  ASSERT_EQ(e.deviation, 1);
  EXPECT_EQ(clippedStatistics(edge, e, 1).count, 3);
}

TEST(Statistics, NothingInsideTheBandAbandonsTheRun) {
  const auto values = FocalValues::fromVector({1, 2, 4});
  const Statistics u = unclippedStatistics(values);
  try {
    clippedStatistics(values, u, 0.0);
    FAIL() << "an empty band was accepted";
  } catch (const RunAbandoned& e) {
    EXPECT_EQ(e.reason, AbandonReason::NothingInBand);
  }
}

TEST(Statistics, SumsFollowListOrder) {
  // 1e16 + 1 + 1 - 1e16 in order is 0 after rounding; any other order gives 2.
  const auto values = FocalValues::fromVector({1e16, 1, 1, -1e16});
  EXPECT_EQ(unclippedStatistics(values).mean, 0.0);
}

} // namespace
} // namespace kavo

namespace kavo {
namespace {

TEST(Statistics, ATerminationRequestEndsThePasses) {
  const auto values = FocalValues::fromVector(std::vector<double>(200000, 5.0));
  int polls = 0;
  const auto stopSoon = [&] { return ++polls > 2; };
  EXPECT_THROW(unclippedStatistics(values, stopSoon), RunAbandoned);
  const Statistics u = unclippedStatistics(values);
  polls = 0;
  EXPECT_THROW(clippedStatistics(values, u, 3.0, stopSoon), RunAbandoned);
}

} // namespace
} // namespace kavo
