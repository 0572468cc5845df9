#include "estimator/estimator.h"

#include "reference_enumeration.h"
#include "synthetic_series.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <random>

namespace kavo {
namespace {

struct Outcome {
  std::vector<double> values;
  AbandonReason reason = AbandonReason::None;
  std::string detail;
  int progressSteps = 0;
  // The list's own statistics, for a few clipping factors.
  std::vector<Statistics> statistics;
};

constexpr double kClipFactors[] = {0.5, 1.0, 3.0};

Outcome enumerate(const EstimatorInput& in, const EstimatorSettings& s) {
  Outcome run;
  EnumerationHooks hooks;
  hooks.stepProgress = [&] { ++run.progressSteps; };
  try {
    const FocalValues list = enumerateFocalValues(in, s, hooks);
    run.values = list.toVector();
    if (!list.empty()) {
      const Statistics all = unclippedStatistics(list);
      run.statistics.push_back(all);
      for (const double k : kClipFactors) {
        try {
          run.statistics.push_back(clippedStatistics(list, all, k));
        } catch (const RunAbandoned& e) {
          EXPECT_EQ(e.reason, AbandonReason::NothingInBand);
          run.statistics.push_back({}); // an empty band
        }
      }
    }
  } catch (const RunAbandoned& e) {
    run.reason = e.reason;
    run.detail = e.what();
  }
  return run;
}

// The statistics written as plain loops over the values, in list order.
Statistics plainStatistics(const std::vector<double>& values, double low, double high) {
  double sum = 0.0;
  std::int64_t n = 0;
  for (const double v : values) {
    if (low <= v && v <= high) {
      sum += v;
      ++n;
    }
  }
  Statistics s;
  if (n == 0) {
    return s;
  }
  s.count = n;
  s.mean = sum / static_cast<double>(n);
  double squares = 0.0;
  for (const double v : values) {
    if (low <= v && v <= high) {
      squares += (v - s.mean) * (v - s.mean);
    }
  }
  s.deviation = n >= 2 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
  s.standardDeviation = s.deviation / std::sqrt(static_cast<double>(n));
  return s;
}

bool sameStatistics(const Statistics& a, const Statistics& b) {
  return a.count == b.count && std::memcmp(&a.mean, &b.mean, sizeof a.mean) == 0 &&
         std::memcmp(&a.deviation, &b.deviation, sizeof a.deviation) == 0 &&
         std::memcmp(&a.standardDeviation, &b.standardDeviation, sizeof a.standardDeviation) == 0;
}

// The plain statistics of the reference values, in the order enumerate() forms them.
std::vector<Statistics> plainStatisticsOf(const std::vector<double>& values) {
  const double inf = std::numeric_limits<double>::infinity();
  const Statistics all = plainStatistics(values, -inf, inf);
  std::vector<Statistics> out{all};
  for (const double k : kClipFactors) {
    out.push_back(plainStatistics(values, all.mean - k * all.deviation, all.mean + k * all.deviation));
  }
  return out;
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
// three threads) and through the plain nested loops; lists, first faults, progress and the
// statistics at several clipping factors must agree.
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
    const std::vector<Statistics> expectedStatistics =
        expected.values.empty() ? std::vector<Statistics>{} : plainStatisticsOf(expected.values);
    for (const int threads : {1, 3}) {
      s.threads = threads;
      const Outcome got = enumerate(in, s);
      ASSERT_EQ(got.reason, expected.reason) << "trial " << trial << ", " << threads << " threads";
      if (expected.reason == AbandonReason::None) {
        ASSERT_TRUE(sameBits(got.values, expected.values))
            << "trial " << trial << ", " << threads << " threads";
        ASSERT_EQ(got.progressSteps, expected.progressSteps) << "trial " << trial;
        ASSERT_EQ(got.statistics.size(), expectedStatistics.size()) << "trial " << trial;
        for (std::size_t k = 0; k < got.statistics.size(); ++k) {
          ASSERT_TRUE(sameStatistics(got.statistics[k], expectedStatistics[k]))
              << "trial " << trial << ", " << k;
        }
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

// Runs that end without a list: the reason, and a detail that names the images and the points.
struct AbandonCase {
  const char* name;
  std::function<void(EstimatorInput&, EstimatorSettings&)> spoil;
  AbandonReason reason;
  const char* detail;
};

// The case by its name in test output, not as the bytes of the struct.
void PrintTo(const AbandonCase& c, std::ostream* os) {
  *os << c.name;
}

const AbandonCase kAbandonCases[] = {
    {"IdenticalImages", [](EstimatorInput& in, EstimatorSettings&) { in.images[1] = in.images[0]; },
     AbandonReason::ZeroDivisor, "изображения 1 и 2 дают равные длины контрольного отрезка (точки "},
    {"ImageShortOfAPoint", [](EstimatorInput& in, EstimatorSettings&) { in.images[2].pop_back(); },
     AbandonReason::RangeError, "на изображении 3 меньше точек, чем в сцене (точки "},
    {"LengthsBeyondTheMemoryLimit", [](EstimatorInput&, EstimatorSettings& s) { s.lengthMemoryLimit = 100; },
     AbandonReason::Other, "заняли бы больше 100 байт памяти"},
};

class AbandonedRun : public ::testing::TestWithParam<AbandonCase> {};

TEST_P(AbandonedRun, NamesWhatHappened) {
  auto in = testing::frontoParallelSeries(3, 3, 200, 1500, 1000, {25, 25, 25});
  EstimatorSettings s = settingsFor(in, 0.1, 10);
  GetParam().spoil(in, s);
  const Outcome run = enumerate(in, s);
  EXPECT_EQ(run.reason, GetParam().reason);
  EXPECT_NE(run.detail.find(GetParam().detail), std::string::npos) << run.detail;
}

INSTANTIATE_TEST_SUITE_P(Table, AbandonedRun, ::testing::ValuesIn(kAbandonCases),
                         [](const auto& p) { return std::string(p.param.name); });

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
