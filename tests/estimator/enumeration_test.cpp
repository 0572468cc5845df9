#include "estimator/estimator.h"

#include "reference_enumeration.h"
#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <numbers>
#include <random>

namespace kavo {
namespace {

struct Outcome {
  std::vector<double> values;
  AbandonReason reason = AbandonReason::None;
  int progressSteps = 0;
};

Outcome enumerate(const EstimatorInput& in, const EstimatorSettings& s) {
  Outcome run;
  EnumerationHooks hooks;
  hooks.stepProgress = [&] { ++run.progressSteps; };
  try {
    run.values = enumerateFocalValues(in, s, hooks).toVector();
  } catch (const RunAbandoned& e) {
    run.reason = e.reason;
  }
  return run;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

EstimatorSettings settingsFor(const EstimatorInput& in, double spacing, double angleDeg) {
  EstimatorSettings s;
  s.imageWidth = 2000;
  s.imageHeight = 1500;
  s.minPointSpacing = spacing;
  s.minLineAngle = angleDeg * std::numbers::pi / 180;
  s.imageValues.assign(in.images.size(), 25.0);
  return s;
}

// Random series of every awkward kind: each is run through the program's enumeration (one and
// three threads) and through the plain nested loops; lists, first faults and progress must agree.
TEST(Enumeration, MatchesThePlainLoopsBitForBitOnRandomSeries) {
  std::mt19937_64 rng(424242);
  int withValues = 0;
  int abandoned = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const int flavour = trial % 4;
    const int points = 4 + static_cast<int>(rng() % 5);
    const int images = 2 + static_cast<int>(rng() % 5);
    EstimatorInput in;
    in.scene = testing::randomPoints(rng, points, 500, flavour);
    for (int m = 0; m < images; ++m) {
      in.images.push_back(testing::randomPoints(rng, points, 900, flavour));
    }
    if (trial % 17 == 0) {
      in.images.back().pop_back(); // one image short of a point
    }
    if (trial % 13 == 0 && images > 2) {
      in.images[1] = in.images[0]; // two identical images: equal lengths
    }
    EstimatorSettings s =
        settingsFor(in, 0.02 * static_cast<double>(rng() % 8), static_cast<double>(rng() % 25));
    s.firstImageNumber = 1 + static_cast<int>(rng() % 2);
    s.secondImageNumber = s.firstImageNumber + 1 + static_cast<int>(rng() % 2);
    for (auto& v : s.imageValues) {
      v = 5.0 + static_cast<double>(rng() % 40);
    }

    const testing::ReferenceOutcome expected = testing::referenceEnumeration(in, s);
    for (const int threads : {1, 3}) {
      s.threads = threads;
      // Odd trials keep only the lengths and regenerate the values when the list is walked.
      s.valueMemoryLimit = trial % 2 == 1 ? 1.0 : 0.0;
      const Outcome got = enumerate(in, s);
      ASSERT_EQ(got.reason, expected.reason) << "trial " << trial << ", " << threads << " threads";
      if (expected.reason == AbandonReason::None) {
        ASSERT_TRUE(sameBits(got.values, expected.values))
            << "trial " << trial << ", " << threads << " threads";
        ASSERT_EQ(got.progressSteps, expected.progressSteps) << "trial " << trial;
      }
    }
    withValues += !expected.values.empty() && expected.reason == AbandonReason::None;
    abandoned += expected.reason != AbandonReason::None;
  }
  // The cases must really exercise both outcomes.
  EXPECT_GT(withValues, 100);
  EXPECT_GT(abandoned, 10);
}

TEST(Enumeration, NoiseFreeSeriesGivesTheTrueFocalLength) {
  const double f = 1800;
  const auto in = testing::frontoParallelSeries(5, 5, 200, f, 1000, {25, 25, 25, 25, 25});
  EstimatorSettings s = settingsFor(in, 0.3, 30);
  const FocalValues values = enumerateFocalValues(in, s, {});
  ASSERT_GT(values.size(), 100);
  const Statistics u = unclippedStatistics(values);
  const Statistics c = clippedStatistics(values, u, 3.0);
  EXPECT_NEAR(c.mean / f, 1.0, 1e-9);
  EXPECT_LT(c.deviation / f, 1e-9);

  // Keeping only the lengths gives the same statistics to the last bit.
  s.valueMemoryLimit = 1.0;
  const FocalValues regenerated = enumerateFocalValues(in, s, {});
  ASSERT_EQ(regenerated.size(), values.size());
  const Statistics ru = unclippedStatistics(regenerated);
  const Statistics rc = clippedStatistics(regenerated, ru, 3.0);
  EXPECT_EQ(ru.mean, u.mean);
  EXPECT_EQ(ru.deviation, u.deviation);
  EXPECT_EQ(rc.mean, c.mean);
  EXPECT_EQ(rc.standardDeviation, c.standardDeviation);
}

TEST(Enumeration, PairsAndDisplacements) {
  // Four points, three images: one quadruple, one progress step, pairs (0,1), (0,2), (1,2) and the
  // displacement of (0,2) is the sum of the first two steps only.
  auto in = testing::frontoParallelSeries(2, 2, 400, 1000, 1000, {10, 30});
  EstimatorSettings s = settingsFor(in, 0.0, 0.0);
  s.imageValues = {10, 30, 1e6};
  const Outcome run = enumerate(in, s);
  ASSERT_EQ(run.reason, AbandonReason::None);
  EXPECT_EQ(run.progressSteps, 1);
  ASSERT_EQ(run.values.size(), 6u);
  for (const double v : run.values) {
    EXPECT_NEAR(v, 1000, 1e-9);
  }

  s.firstImageNumber = 1;
  s.secondImageNumber = 4; // gap 3 with 3 images: no pair
  EXPECT_TRUE(enumerate(in, s).values.empty());

  // The y-axis value comes first: stretch the image along x only so the two values differ.
  for (auto& img : in.images) {
    for (auto& p : img) {
      p.x *= 2;
    }
  }
  s.secondImageNumber = 2;
  const Outcome stretched = enumerate(in, s);
  ASSERT_EQ(stretched.values.size(), 6u);
  EXPECT_NEAR(stretched.values[0], 1000, 1e-9);
  EXPECT_NEAR(stretched.values[1], 2000, 1e-9);
}

TEST(Enumeration, IdenticalImagesAbandonTheRunWithAZeroDivisor) {
  auto in = testing::frontoParallelSeries(3, 3, 200, 1500, 1000, {25});
  in.images[1] = in.images[0];
  EXPECT_EQ(enumerate(in, settingsFor(in, 0.1, 10)).reason, AbandonReason::ZeroDivisor);
}

TEST(Enumeration, ATerminationRequestEndsTheRun) {
  const auto in = testing::frontoParallelSeries(7, 7, 100, 1500, 1000, std::vector<double>(19, 25));
  EstimatorSettings s = settingsFor(in, 0.05, 5);
  std::atomic<int> polls{0};
  EnumerationHooks hooks;
  hooks.shouldStop = [&] { return ++polls > 3; };
  try {
    enumerateFocalValues(in, s, hooks);
    FAIL() << "the run was not stopped";
  } catch (const RunAbandoned& e) {
    EXPECT_EQ(e.reason, AbandonReason::Cancelled);
  }
}

TEST(Enumeration, InvalidImageNumbersAreRefused) {
  const auto in = testing::frontoParallelSeries(2, 2, 400, 1000, 1000, {10});
  EstimatorSettings s = settingsFor(in, 0, 0);
  s.firstImageNumber = 2;
  s.secondImageNumber = 2;
  EXPECT_THROW(enumerateFocalValues(in, s, {}), Error);
}

} // namespace
} // namespace kavo
