#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <ostream>
#include <vector>

#include "core/error.h"
#include "estimator/focal_values.h"
#include "graph/distribution_model.h"

namespace kavo {
namespace {

constexpr int kBins = DistributionModel::kBinCount;

DistributionNumbers numbers(double mean, double clip, double deviation, double standardDeviation) {
  return DistributionNumbers{mean, clip, deviation, standardDeviation};
}

std::int64_t totalInBins(const DistributionModel& model) {
  const auto& bins = model.binCounts();
  return std::accumulate(bins.begin(), bins.end(), std::int64_t{0});
}

TEST(DistributionModelBuild, RangeScalesAndBinsOfASpreadSet) {
  // Borders fall on whole numbers (step 1), so 100 lies on the border of bins 99 and 100.
  const FocalValues values = FocalValues::fromVector({100.0, 0.0, 200.0});
  const DistributionModel model(values, numbers(100, 3, 100, 57.7));
  EXPECT_EQ(model.minValue(), 0.0);
  EXPECT_EQ(model.maxValue(), 200.0);
  EXPECT_EQ(model.xScale(), 4.0);
  EXPECT_DOUBLE_EQ(model.yScale(), 500.0 / 1.2);
  EXPECT_EQ(model.valueCount(), 3);
  std::vector<int> filled;
  for (int b = 0; b < kBins; ++b) {
    if (model.binCounts()[b] != 0) {
      EXPECT_EQ(model.binCounts()[b], 1) << "bin " << b;
      filled.push_back(b);
    }
  }
  EXPECT_EQ(filled, (std::vector<int>{0, 99, 100, 199}));
  const auto curve = model.curve();
  EXPECT_EQ(curve[0].x, 52);    // centre 0.5 → 0.5 × 4 + 50
  EXPECT_EQ(curve[0].y, 73);    // 490 - 416.67 truncated
  EXPECT_EQ(curve[1].y, 490);   // empty bin on the axis
  EXPECT_EQ(curve[199].x, 848); // centre 199.5
  EXPECT_EQ(model.pixelX(0.0), 50);
  EXPECT_EQ(model.pixelX(200.0), 850);
}

struct DegenerateCase {
  const char* name;
  std::vector<double> values;
};

void PrintTo(const DegenerateCase& c, std::ostream* out) {
  *out << c.name;
}

class DistributionModelSingleValue : public testing::TestWithParam<DegenerateCase> {};

TEST_P(DistributionModelSingleValue, CollapsesToOnePointAboveThePicture) {
  const FocalValues values = FocalValues::fromVector(GetParam().values);
  const auto n = static_cast<std::int64_t>(GetParam().values.size());
  DistributionModel model(values, numbers(5, 3, 0, 0));
  EXPECT_EQ(model.xScale(), 400.0);
  for (int b = 0; b < kBins; ++b) {
    ASSERT_EQ(model.binCounts()[b], n) << "every bin has width 0 and holds every value";
  }
  for (const auto& point : model.curve()) {
    ASSERT_EQ(point.x, 50);
    ASSERT_EQ(point.y, -760); // 490 - n × 500 / (n × 0.4)
  }
  EXPECT_EQ(model.pixelX(model.numbers().meanValue), 50);
  EXPECT_FALSE(model.bandVisible());
  EXPECT_FALSE(model.valueAtColumn(300).has_value()) << "the read-out does not react";

  const auto kept = model.recompute();
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(*kept, n);
  EXPECT_EQ(model.numbers().meanValue, 5.0);
  EXPECT_EQ(model.numbers().deviation, 0.0);
  EXPECT_EQ(model.numbers().standardDeviation, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Sets, DistributionModelSingleValue,
                         testing::Values(DegenerateCase{"OneValue", {5.0}},
                                         DegenerateCase{"AllEqual", {5.0, 5.0, 5.0, 5.0}}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DistributionModelBuild, MaximumCountsInTheLastBinOnlyWhenTheAccumulatedBorderReachesIt) {
  struct Case {
    double max;
    std::int64_t lastBin;
  };
  // 200 additions of 0.0005 end just above 0.1, but of 0.0035 just below 0.7.
  for (const Case c : {Case{0.1, 1}, Case{0.7, 0}}) {
    const FocalValues values = FocalValues::fromVector({0.0, c.max});
    const DistributionModel model(values, numbers(c.max / 2, 3, 0, 0));
    EXPECT_EQ(model.binCounts()[kBins - 1], c.lastBin) << "max " << c.max;
    EXPECT_EQ(model.binCounts()[0], 1);
    EXPECT_EQ(totalInBins(model), 1 + c.lastBin);
  }
}

TEST(DistributionModelBuild, BinAboveTheTopEdgeAndTruncationTowardZero) {
  // 393 of 1000 values in the first bin: 490 - 393 × 1.25 = -1.25, drawn at y -1 (not -2).
  std::vector<double> list(1000, 100.0);
  std::fill(list.begin(), list.begin() + 393, 0.0);
  const FocalValues values = FocalValues::fromVector(list);
  const DistributionModel model(values, numbers(60, 3, 49, 1.5));
  EXPECT_EQ(model.curve()[0].y, -1);
  EXPECT_EQ(model.curve()[kBins - 1].y, -268); // 607 values: -268.75
  // A value below the minimum: -0.5 columns from 50 is column 49.5 → 49; -50.5 → -0.5 → 0.
  EXPECT_EQ(model.pixelX(-0.0625), 49);
  EXPECT_EQ(model.pixelX(-6.3125), 0);
}

TEST(DistributionModelBuild, WalksListsLongerThanOnePiece) {
  std::vector<double> list(3 * FocalValues::kPieceSize + 17);
  for (std::size_t i = 0; i < list.size(); ++i) {
    list[i] = static_cast<double>(i % 201); // 0 .. 200: every value on a border
  }
  const FocalValues values = FocalValues::fromVector(list);
  const DistributionModel model(values, numbers(100, 3, 10, 1));
  EXPECT_EQ(model.minValue(), 0.0);
  EXPECT_EQ(model.maxValue(), 200.0);
  // The inner values count in two bins, 0 and 200 in one.
  const auto atEnds = std::count(list.begin(), list.end(), 0.0) + std::count(list.begin(), list.end(), 200.0);
  EXPECT_EQ(totalInBins(model), 2 * static_cast<std::int64_t>(list.size()) - atEnds);
}

TEST(DistributionModelBuild, RefusesAnEmptyList) {
  const FocalValues values = FocalValues::fromVector({});
  EXPECT_THROW(DistributionModel(values, numbers(0, 3, 0, 0)), Error);
}

TEST(DistributionModelRecompute, ClipsOnceFromTheFullSetPerPress) {
  const FocalValues values = FocalValues::fromVector({10, 10, 10, 10, 100});
  const double deviation = std::sqrt(1620.0);
  DistributionModel model(values, numbers(28, 1, deviation, deviation / std::sqrt(5.0)));
  ASSERT_EQ(model.recompute(), std::optional<std::int64_t>(4));
  EXPECT_EQ(model.numbers().meanValue, 10.0);
  EXPECT_EQ(model.numbers().deviation, 0.0);
  EXPECT_EQ(model.numbers().standardDeviation, 0.0);
  EXPECT_FALSE(model.bandVisible());
  // A second press with a wider factor starts from the numbers of the first, over all values.
  model.setClipFactor(1000);
  ASSERT_EQ(model.recompute(), std::optional<std::int64_t>(4));
  EXPECT_EQ(model.numbers().meanValue, 10.0);
}

TEST(DistributionModelRecompute, RepeatedPressesIterate) {
  // Band [-1, 7] drops 11: mean 1.4, deviation sqrt(1.3); the next band [0.26, 2.54] drops 0 and 3.
  const FocalValues values = FocalValues::fromVector({0, 1, 2, 3, 11, 1});
  DistributionModel model(values, numbers(3, 1, std::sqrt(16.0), 0));
  ASSERT_EQ(model.recompute(), std::optional<std::int64_t>(5));
  EXPECT_DOUBLE_EQ(model.numbers().meanValue, 7.0 / 5);
  const double second = std::sqrt((1.96 + 0.16 + 0.36 + 2.56 + 0.16) / 4);
  EXPECT_DOUBLE_EQ(model.numbers().deviation, second);
  EXPECT_DOUBLE_EQ(model.numbers().standardDeviation, second / std::sqrt(5.0));
  // band [1.4 - 1.14, 1.4 + 1.14] = [0.26, 2.54] keeps 1, 2, 1
  ASSERT_EQ(model.recompute(), std::optional<std::int64_t>(3));
  EXPECT_DOUBLE_EQ(model.numbers().meanValue, 4.0 / 3);
}

struct BandCase {
  const char* name;
  double clip;
  bool bandVisible;
  std::optional<std::int64_t> kept;
};

void PrintTo(const BandCase& c, std::ostream* out) {
  *out << c.name;
}

class DistributionModelClipFactor : public testing::TestWithParam<BandCase> {};

TEST_P(DistributionModelClipFactor, BandAndKeptValues) {
  // 2 lies on the mean itself; a value on a band bound is kept.
  const FocalValues values = FocalValues::fromVector({0, 1, 2, 3, 4});
  DistributionModel model(values, numbers(2, GetParam().clip, 1, 0.4));
  EXPECT_EQ(model.bandVisible(), GetParam().bandVisible);
  const DistributionNumbers before = model.numbers();
  EXPECT_EQ(model.recompute(), GetParam().kept);
  if (!GetParam().kept) {
    // No value inside the band: every number stays as it was.
    EXPECT_EQ(model.numbers().meanValue, before.meanValue);
    EXPECT_EQ(model.numbers().deviation, before.deviation);
    EXPECT_EQ(model.numbers().standardDeviation, before.standardDeviation);
    EXPECT_EQ(model.numbers().clipFactor, before.clipFactor);
  }
}

INSTANTIATE_TEST_SUITE_P(Factors, DistributionModelClipFactor,
                         testing::Values(BandCase{"OnBounds", 1, true, 3}, BandCase{"Zero", 0, false, 1},
                                         BandCase{"Negative", -1, false, std::nullopt},
                                         BandCase{"Wide", 2, true, 5}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(DistributionModelRecompute, NoValueInsideTheBandChangesNothing) {
  const FocalValues values = FocalValues::fromVector({0, 10});
  DistributionModel model(values, numbers(5, 0.5, std::sqrt(50.0), 5));
  EXPECT_EQ(model.recompute(), std::nullopt); // band [1.46, 8.54] holds neither value
  EXPECT_EQ(model.numbers().meanValue, 5.0);
  EXPECT_EQ(model.numbers().deviation, std::sqrt(50.0));
  EXPECT_EQ(model.numbers().standardDeviation, 5.0);
}

TEST(DistributionModelReset, RestoresHandedInNumbersButKeepsTheClipFactor) {
  const FocalValues values = FocalValues::fromVector({10, 10, 10, 10, 100, 12, 9});
  const double deviation = 32.0;
  DistributionModel model(values, numbers(23, 1, deviation, 12.1));
  ASSERT_TRUE(model.recompute());
  model.setClipFactor(0.5);
  ASSERT_TRUE(model.recompute());
  ASSERT_TRUE(model.recompute());
  ASSERT_NE(model.numbers().meanValue, 23.0);
  model.reset();
  EXPECT_EQ(model.numbers().meanValue, 23.0);
  EXPECT_EQ(model.numbers().deviation, deviation);
  EXPECT_EQ(model.numbers().standardDeviation, 12.1);
  EXPECT_EQ(model.numbers().clipFactor, 0.5);
}

TEST(DistributionModelReadOut, ValueUnderAColumn) {
  const FocalValues values = FocalValues::fromVector({1000, 1800});
  const DistributionModel model(values, numbers(1400, 3, 500, 300));
  EXPECT_EQ(model.valueAtColumn(50), 1000.0);
  EXPECT_EQ(model.valueAtColumn(450), 1400.0);
  EXPECT_EQ(model.valueAtColumn(0), 950.0);
  EXPECT_EQ(model.valueAtColumn(899), 1849.0);
}

TEST(DistributionModelPixels, FarOffMarkersStayInsideTheIntRange) {
  const FocalValues values = FocalValues::fromVector({0, 1});
  const DistributionModel model(values, numbers(1e300, 3, 1e300, 1));
  EXPECT_EQ(model.pixelX(model.numbers().meanValue), 1000000);
  EXPECT_EQ(model.pixelX(-1e300), -1000000);
  EXPECT_EQ(model.pixelX(std::nan("")), -1000000);
}

} // namespace
} // namespace kavo
